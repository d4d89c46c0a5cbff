#pragma once

#include <cstdint>
#include <string>

namespace tonwerk::midi {

// The dispatcher's connections to the rest of the program. Each has do-nothing defaults so a host
// connects only what it has. All are called on the dispatcher's thread (the user-interface thread
// in the program, the main loop in the CLI) and must not block for long.

// A MIDI short message: status in bits 0–7, first data byte in bits 8–15, second in bits 16–23.
using ShortMessage = std::uint32_t;

[[nodiscard]] constexpr ShortMessage shortMessage(int status, int data1 = 0, int data2 = 0) {
    return static_cast<ShortMessage>(status & 0xFF) | (static_cast<ShortMessage>(data1 & 0xFF) << 8) |
           (static_cast<ShortMessage>(data2 & 0xFF) << 16);
}

class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    // Sends one short message to the open output; a closed output drops it.
    virtual void send(ShortMessage message) = 0;
};

// Voice operations of the audio engine, by split index.
class VoiceOperations {
public:
    virtual ~VoiceOperations() = default;
    // Starts a voice for the split's sample; writes its handle to `voice`.
    virtual void startVoice(int /*split*/, std::int16_t& /*voice*/, int /*key*/, int /*velocity*/) {}
    virtual void playVoice(int /*split*/) {}
    virtual void releaseVoice(int /*split*/, std::int16_t /*voice*/) {}
    virtual void muteSplit(int /*split*/) {}
    virtual void unmuteSplit(int /*split*/, int /*velocity*/) {}
    virtual void setCrossfader(int /*value*/) {}
    // Runs the stream pump and the re-render once, so released voices take effect at once.
    virtual void pumpNow() {}
    // The audio engine's lock, held around starting a synchronised voice because the running loop
    // may start voices from the timer thread at the same time. May block briefly.
    virtual void lockAudio() {}
    virtual void unlockAudio() {}
};

// What the screens show of the dispatcher's work.
class ScreenFeedback {
public:
    virtual ~ScreenFeedback() = default;
    // Clip note on/off for an AVI split: the message word (status | key << 8 | velocity << 16,
    // the status reduced to its channel for the note-off) and the split's clip identifier.
    virtual void clipNoteOn(int /*split*/, std::uint32_t /*message*/, std::int32_t /*clipId*/) {}
    virtual void clipNoteOff(int /*split*/, std::uint32_t /*message*/, std::int32_t /*clipId*/) {}
    virtual void keyReleased(int /*key*/) {}
    virtual void padLights(ShortMessage /*message*/) {}
    virtual void velocityMeters(const std::int32_t* /*lastVelocity*/, int /*count*/) {}
    virtual void noteDisplay(ShortMessage /*message*/) {}
    virtual void splitLineChanged(int /*split*/) {}
    virtual void splitSelected(int /*split*/) {}
    virtual void crossfaderMoved(int /*value*/) {}
    virtual void beatDisplay(int /*bar*/, int /*beat*/) {}
    // A non-modal status line: a MIDI port lost or back. Never a box: the show goes on.
    virtual void deviceStatus(const std::string& /*text*/) {}
    // The once-a-second load report for the window caption (" ORVAN Tonwerk  CPU-Usage: ..."),
    // while the option "display CPU-Usage in caption" is on.
    virtual void loadReport(const std::string& /*text*/) {}
    virtual void refresh() {}
};

// The song recorder and player as the dispatcher sees them.
class SongLink {
public:
    virtual ~SongLink() = default;
    enum class State { Stopped = 0, Playing = 1, Recording = 2 };
    [[nodiscard]] virtual State state() const { return State::Stopped; }
    // Recording: the next tick restarts the song clock (the recording has just begun).
    [[nodiscard]] virtual bool restartClockPending() const { return false; }
    // Hands a message to the record queue.
    virtual void record(ShortMessage /*message*/) {}
    // The synchronised start: a pending Play turns into Playing. Called under the audio lock.
    virtual void startPendingPlay() {}
    // Microseconds per song tick (384 ticks per quarter note).
    [[nodiscard]] virtual std::uint32_t microsecondsPerTick() const { return 1302; }
    virtual void setTempo(int /*beatsPerMinute*/) {}
};

// Microseconds per tick for a tempo at 384 ticks per quarter note, truncated; a tempo below 1 beat
// per minute (possible only from a damaged file) counts as 1.
[[nodiscard]] constexpr std::uint32_t microsecondsPerTick(int beatsPerMinute) {
    const int tempo = beatsPerMinute < 1 ? 1 : beatsPerMinute;
    return static_cast<std::uint32_t>(60000000LL / (static_cast<long long>(tempo) * 384));
}

} // namespace tonwerk::midi
