#pragma once

#include "EngineHooks.h"
#include "NotePool.h"
#include "Split.h"
#include "core/ThreadCheck.h"

#include <array>
#include <cstdint>

namespace tonwerk::midi {

// Where a message handed to onMidiData comes from.
enum class MidiSource {
    Device,   // the MIDI input
    User,     // an injected note whose velocity becomes keyboardVelocity (PC keyboard, pads, joystick)
    Injected, // other injected messages (song player, sustain, modifiers)
};

// The MIDI performance engine: the setup table, the note pool and the dispatcher that routes every
// message through the splits of the current setup, with the performance effects.
// One object per program; tests make fresh ones. Everything here runs on the dispatcher's thread
// (the user-interface thread); nothing allocates after construction.
class Performance {
public:
    struct Options {
        int keyboardVelocity = 127;            // velocity of user-injected notes, 0–127
        bool programChangeSelectsSetup = true; // a program change from the keyboard selects the setup
        bool markNotes = true;                 // hand notes to the on-screen keyboard
        ScreenKind screen = ScreenKind::Dj;
    };

    Performance(MidiOutput& output, VoiceOperations& voices, ScreenFeedback& screen, SongLink& song);
    Performance(const Performance&) = delete;
    Performance& operator=(const Performance&) = delete;

    [[nodiscard]] Options& options() { return m_options; }

    // --- Setup table ---
    // Every slot reset to the defaults, slot 0 current, the song tempo taken from split 0.
    void newSetups();
    void selectSetup(int slot);
    [[nodiscard]] Setup& currentSetup() { return *m_currentSetup; }
    [[nodiscard]] const Setup& currentSetup() const { return *m_currentSetup; }
    [[nodiscard]] Split& split(int index) { return m_currentSetup->splits[static_cast<std::size_t>(index)]; }
    [[nodiscard]] int currentProgram() const { return m_currentProgram; }
    [[nodiscard]] int currentSplit() const { return m_currentSplit; }
    void setCurrentSplit(int index) { m_currentSplit = index; }
    // Resets split `index` of the current setup (its screen mask from the current screen).
    void resetSplit(int setupNumber, int index);

    // Sends split's program change on its output channel (its program as a data byte).
    void sendProgramChange(const Split& split);

    // Empties every list and the pedal state and returns all 512 entries to the pool.
    void initNotePool();

    // --- Dispatcher ---
    // The handler of every incoming or injected message.
    void onMidiData(MidiSource source, ShortMessage message);
    // The split engine; called by onMidiData.
    void dispatch(ShortMessage message);
    // PANIC: pedal, pitch bend, modulation and controllers reset on all 16 channels, every running
    // note ended.
    void allNotesOff();
    void releaseAllRunningNotes();
    // The output these notes went to is gone: forwarded notes are forgotten without a note-off
    // (there is nobody to send it to); samples and clips are untouched.
    void forgetForwardedNotes();
    // Pedal up, pitch bend centred, modulation 0, all notes off and reset controllers on all 16
    // channels (the first half of PANIC, also sent when a song stops).
    void resetControllers();
    void startSync();
    void retriggerSync();
    void stopSync();
    void releaseHeldNotes();
    // Everything that sounds stops: the synchronised loop and every held note (their note-offs
    // reach their outputs), the sustain pedal lifted. A stopped song and a screen switch do it.
    void allStop();
    // Everything split `index` sounds ends, and only that: its forwarded notes get their note-offs,
    // its voices (held or latched) are released, its clip gets its note-off, and their
    // running notes are freed, so a key released later finds nothing of this split. New media
    // for a split (a drop on its pad) does it first.
    void endSplitNotes(int index);
    // The synchronised loop's bar and beat display, from the 4 ms clock.
    void syncBeatTick(std::uint32_t nowMs);
    // The engine's share of the 4 ms clock tick.
    void clockTick(std::uint32_t nowMs);

    // First running note with that key (-1: any) and channel, not latched / latched; -1 if none.
    [[nodiscard]] int findRunningNote(int key, int channel) const;
    [[nodiscard]] int findLatchedNote(int key, int channel) const;

    // --- State, for the screens and tests ---
    [[nodiscard]] const NotePool& pool() const { return m_pool; }
    [[nodiscard]] const NoteList& activeNotes() const { return m_activeNotes; }
    [[nodiscard]] const NoteList& heldNotes(int split) const { return m_heldNotes[static_cast<std::size_t>(split)]; }
    [[nodiscard]] int sustainState(int channel) const { return m_sustainState[static_cast<std::size_t>(channel)]; }
    [[nodiscard]] const std::array<std::int32_t, kSplitCount>& lastVelocity() const { return m_lastVelocity; }
    [[nodiscard]] bool pendingPedalReset() const { return m_pendingPedalReset; }
    [[nodiscard]] bool syncRunning() const { return m_syncRunning; }
    void setSyncRunning(bool running) { m_syncRunning = running; }

private:
    enum class Gate { Pass, Skip, SwallowPlaying, SwallowMono };

    void noteOn(int channel, int key, int velocity);
    void noteOff(int channel, int key);
    void controlChange(int channel, int controller, int value);
    void sampleNoteOn(int index, Split& split, int noteIndex, int channel, int key);
    void releaseSustainedNotes(int channel);
    void selectSetupByProgram(int program);

    // Performance effects.
    Gate effectGate(Split& split, int index, int channel, int key, RunningNote& marks);
    Gate leaveNoteOut(const Split& split) const;
    bool noteControllers(Split& split, int key, int velocity); // false: skip the split
    void controllerRule(Split& split, int controller, int value);
    void pressureRule(Split& split, int status, int data1, int data2);
    void pitchRule(Split& split, int low, int high);
    void sendOrStore(Split& split, std::uint8_t target, int value);
    void sendControl(const Split& split, int controller, int value);

    // Returns a running note to the pool after undoing what its note-on counted.
    void undoEffects(RunningNote& note);
    void freeNote(int index);
    int findNote(int key, int channel, bool latched) const;

    void send(ShortMessage message) { m_output.send(message); }

    core::ThreadCheck m_thread; // the dispatcher's: the thread that built the performance
    MidiOutput& m_output;
    VoiceOperations& m_voices;
    ScreenFeedback& m_screen;
    SongLink& m_song;
    Options m_options;

    std::array<Setup, kSetupSlots> m_setups{};
    Setup* m_currentSetup = &m_setups[0];
    int m_currentProgram = 0;
    int m_currentSplit = 0;

    NotePool m_pool;
    NoteList m_activeNotes;
    std::array<NoteList, kSplitCount> m_heldNotes{};
    std::array<std::uint8_t, 16> m_sustainState{}; // 0 pedal up, 127 down, per input channel
    std::array<std::int32_t, kSplitCount> m_lastVelocity{};
    bool m_pendingPedalReset = false;
    bool m_cc103Flag = false; // Ctrl held on the PC keyboard, pads or joystick
    bool m_cc104Flag = false; // the note comes from the mouse or the joystick
    bool m_syncRunning = false;

    // Beat display of the synchronised loop.
    bool m_beatStarted = false;
    std::uint32_t m_beatStartMs = 0;
    int m_shownBar = -1;
    int m_shownBeat = -1;
};

// Adds to a counter from a split record without overflowing (a loaded file can hold any value).
inline void addSaturated(std::int32_t& counter, long long delta) {
    const long long v = static_cast<long long>(counter) + delta;
    counter = static_cast<std::int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
}

// A value from a split record sent as a data byte: limited to 0–127.
[[nodiscard]] constexpr int dataByte(long long value) {
    return value < 0 ? 0 : (value > 127 ? 127 : static_cast<int>(value));
}

} // namespace tonwerk::midi
