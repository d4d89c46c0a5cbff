#pragma once

#include "ProgramOptions.h"
#include "audio/WaveLoader.h"
#include "midi/EngineHooks.h"
#include "midi/Split.h"
#include "midi/SplitFields.h"
#include "platform/Status.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::session {

class Session;
struct SoloState;

// The answer of a command that can be refused: empty when it was carried out, else the reason in
// words a performer reads ("value out of range for keyLow: 300").
struct CommandResult {
    std::string error;
    [[nodiscard]] bool ok() const { return error.empty(); }
    static CommandResult refused(std::string reason) { return {std::move(reason)}; }
};

// Every change a user makes, one way: the screens, the dialogs and the command-line host's scripts
// all come through here. Each command takes the locks the engines need (whole split records are
// written under the audio and video locks, since the pump and the composition read them on their
// own threads) and triggers what follows from the change (media released or loaded, the split's
// line redrawn). Nothing else writes a Split's bytes.
//
// Dispatcher's thread only (checked in debug builds). Commands that load or save files block on
// the disk and may show a message box.
class Commands {
public:
    explicit Commands(Session& session) : m_session(session) {}

    // --- Split fields ---
    // One field of split `split` (0-23) from the field table: element `element` of an array field
    // (0 otherwise), any value the field's type can hold (signed, or unsigned up to its width).
    CommandResult setSplitField(int split, const midi::SplitField& field, std::size_t element, long long value);
    // A text field (the comment, the file name): refused when it does not fit with its terminator.
    CommandResult setSplitText(int split, const midi::SplitField& field, std::string_view text);
    // A dialog's edited copy of a split written back whole (OK of a dialog that edits a copy).
    CommandResult writeSplit(int split, const midi::Split& edited);
    // OK of a dialog that edits a copy: only the named fields (from the field table) are taken
    // from `edited`, so whatever the split did meanwhile (held notes, its voice, its clip's
    // streams) stays as it is.
    // Fields are named as in the field table, those of a block as "sample.volume". An unknown
    // name refuses the whole write.
    CommandResult writeSplitFields(int split, const midi::Split& edited, std::span<const char* const> fieldNames);
    // The MIDI configuration's request: a sample or clip split becomes a MIDI split. What it
    // sounds ends, its sample or clip is freed and its block reset; one that was not a MIDI split
    // gets keys 24-96 and `sampleMode` 1.
    void makeMidiSplit(int split);
    // The split's program change (0xC0 + its output channel, its program) on the MIDI output.
    void sendProgramChange(int split);

    // --- Media ---
    // The drop of a sample onto a pad: mode bits 1 trigger, 2 PC keyboard, 4 load, 8 preview. On
    // success the split is a sample split that is switched on, with its loop tempo looked up.
    // False when the file cannot be loaded (the message is shown).
    bool assignSample(int split, const std::filesystem::path& path, int modeBits = 4);
    // The drop of a clip onto a pad: the split becomes an AVI split that is switched on. False when
    // the clip cannot be loaded (the message is shown).
    bool assignClip(int split, const std::filesystem::path& path);

    // The file list's previews (a double-click on a media file). A sample plays on split 24, one
    // shot on key 96 at velocity 127, beside whatever else sounds; a clip runs on split 23 after
    // every sounding split got its note-off. The same file again only stops its preview (returns
    // false then, as when the file cannot be loaded).
    static constexpr int kSamplePreviewSplit = 23;
    static constexpr int kClipPreviewSplit = 22;
    bool previewSample(const std::filesystem::path& path);
    void stopSamplePreview();
    [[nodiscard]] bool samplePreviewSounding();
    bool previewClip(const std::filesystem::path& path);
    void stopClipPreview();

    // --- The wave dialog: the split's sample edited and heard as it changes ---
    // Each writes the field at once and applies it to the split's sounding voices: volume in
    // hundredths of a decibel (-3000 to 0 on the slider), pan 0-800 (400 the centre), the sample
    // rate in Hz (the pitch of a sounding tuned voice follows up to 100000 Hz), the release time.
    void setSampleVolume(int split, int volume);
    void setSamplePan(int split, int pan);
    void setSampleRate(int split, int rate);
    void setSampleRelease(int split, int releaseTime);
    // The wave dialog's tempo choices (loop tempo, time-stretching, no automatic BPM changes)
    // taken by the sounding synchronised voices at once.
    void reapplyTempo();
    // Free Sample: what the split sounds ends, its sample is freed and its file name becomes
    // "no sample or AVI file loaded".
    void freeSample(int split);
    // Play in the dialog: note `key` (velocity 127) on the split's own voice, heard also in sync
    // mode; nothing when the key lies outside the split's keys. The voice, or -1.
    int startAudition(int split, int key);
    // Stop in the dialog: the voice `voice` started by startAudition ends.
    void stopAudition(int split, int voice);
    struct VoiceProgress {
        bool sounding = false;
        bool audible = false;
        int readPos = 0;     // bytes into the sample
        int sampleBytes = 0; // bytes it plays
    };
    [[nodiscard]] VoiceProgress voiceProgress(int split) const;
    // The split's loaded sample in the engine's layout (all 0 without one), and its outline in
    // `columns` columns for a picture of it.
    struct SampleInfo {
        int rate = 0; // Hz
        int bits = 0;
        int channels = 0;
        int bytesPerSecond = 0;
    };
    [[nodiscard]] SampleInfo sampleInfo(int split) const;
    [[nodiscard]] std::vector<audio::SamplePeak> sampleOutline(int split, int columns) const;
    // What the sound goes to ("none" when nothing was opened), and whether the song plays or records.
    [[nodiscard]] std::string soundOutputDescription() const;
    [[nodiscard]] midi::SongLink::State songState() const;
    // Cancel of the wave dialog: the split as `saved` holds it; its sample is loaded again from
    // the saved file when the dialog replaced or freed it (`sampleChanged`). What the split sounds
    // ends first.
    void restoreSplit(int split, const midi::Split& saved, bool sampleChanged);

    // --- The video dialog ---
    // Free AVI: the split's clip streams go and its file name becomes "no sample or AVI file
    // loaded"; what the split sounds ends first. (Open AVI... is assignClip.)
    void freeClip(int split);
    // OK of the video dialog. With a clip: `state` (the dialog's video block) becomes the split's,
    // keeping the split's own stream slots; a sample split's voice and sample go; a split that
    // was off is switched on; the split is a clip split. Without one: the split becomes a MIDI
    // split that is off, on keys 36-96 with root 60 and its sample settings reset.
    void applyVideoSettings(int split, const midi::VideoBlock& state, bool clipLoaded);
    // Cancel of the video dialog after it loaded a clip into a split that had none: the clip goes
    // and the split is as `saved` (its sample loaded again when it had one).
    void cancelVideoLoad(int split, const midi::Split& saved);

    // --- On/off and solo (the screens' row buttons; `split` is the row's split) ---
    // On becomes off, anything else on; engaged solo is cancelled.
    void toggleSplitOn(int split);
    // The solo button of `split`, with the solo rules of the screens.
    void solo(int split);

    // --- What the performer plays on the screens ---
    // A message from the screens, the PC keyboard or the joystick, through the MIDI input path:
    // notes as user input (a note-on takes the keyboard velocity), anything else (the pads'
    // controllers) as injected input, which keeps its bytes.
    void userInput(midi::ShortMessage message);
    // A message through the input path exactly as given (the Video buttons' fixed velocity).
    void injectInput(midi::ShortMessage message);
    // The screen now shown: pad lights and the split masks follow it.
    void setScreen(midi::ScreenKind screen);
    // The velocity of user notes, limited to 0-127 (kept in the settings); returns the value set.
    int setKeyboardVelocity(int velocity);
    // The split the screens edit (0-23).
    void selectSplit(int split);
    // The key-range bar: the current split's lowest and highest key (each limited to 0-127, the
    // lower first). One key makes it a one-shot sample split with that key as its root
    // (`sampleMode` 2); a range gives `sampleMode` 1.
    void setKeyRange(int low, int high);
    // The DJ screen's cross-fader, 0-127.
    void setCrossfader(int value);
    // The loop hold of a synchronised sample split (a Shift click on its pad or Shift with its pad
    // key): the split is queued to restart with the next synchronised start (its retrigger bit).
    // Returns whether it is queued now; false and nothing changed for any other split.
    bool toggleLoopHold(int split);
    // Ctrl+C / Ctrl+V: the current split to the split clipboard, and back over the current split
    // (its own held notes kept). With nothing copied yet, paste does nothing (it would otherwise
    // write a split of zeros). Returns whether anything was pasted.
    void copySplit();
    bool pasteSplit();
    // Everything that sounds stops: the synchronised loop, every held note (their note-offs reach
    // their outputs) and the sustain pedal. A screen switch does it.
    void allStop();

    // --- Setups and songs ---
    // New Setup: the transport stops, every sample and clip stops, all setups reset, the song's
    // timing to 120 beats per minute.
    void newSetup();
    // Loads a setup or bank file; the file becomes the settings' current setup. `progress` hears how many of its
    // samples and clips are loaded (done, total) before each one and at the end, on this thread, so a host can show a
    // long load.
    bool loadSetup(const std::filesystem::path& path, const std::function<void(int done, int total)>& progress = {});
    platform::Status saveSetup(const std::filesystem::path& path);
    platform::Status saveBank(const std::filesystem::path& path);
    bool loadSong(const std::filesystem::path& path);
    platform::Status saveSong(const std::filesystem::path& path);

    // --- Transport, tempo, pitch ---
    void record();
    void play();
    void stop();
    void pause(); // "Break": stop and keep the position
    void forward(int beats);
    void backward(int beats);
    // The setup tempo (split 0), limited to 50-260 beats per minute; returns the tempo set.
    int setTempo(int beatsPerMinute);
    // The setup pitch (split 0) in semitones, limited to -24..24; the synchronised voices follow.
    int setPitch(int semitones);
    // PANIC: all notes off on every output channel.
    void panic();

    // --- The options sheet ---
    // The MIDI ports and sound outputs there are now (asks the MIDI and audio systems; may block
    // briefly).
    [[nodiscard]] DeviceLists deviceLists();
    // OK of the options sheet: the values go into the settings and take effect at once. A changed
    // MIDI input or output is opened in place of the old one (what the old one sounds ends first);
    // a changed sound device is opened and the mix moves to it, every voice playing on; the PC
    // keyboard, the note marks and the load report follow. Returns what changed; the host redraws
    // its screen (and restores its caption when the load report was switched off).
    struct OptionsApplied {
        bool midiChanged = false;
        bool soundChanged = false;
        bool reportSwitchedOff = false;
    };
    OptionsApplied applyOptions(const ProgramOptions& options, const DeviceLists& devices);
    // The buffer-type dialog: the entry of the primary buffer's format (none when it is not one of
    // the 16), and the format of entry `index` (0-15) set. A refusal says why in the message of its
    // kind and returns false.
    [[nodiscard]] std::optional<int> primaryBufferType() const;
    bool setPrimaryBufferType(int index);

private:
    void checkThread(const char* what) const;
    void splitChanged(int split);
    // The setup file last loaded or saved becomes the settings' current setup ("aktuelles Setup").
    void rememberSetupFile(const std::filesystem::path& path);

    Session& m_session;
};

// The solo rules as plain bookkeeping over the 24 states of a setup: the screens' solo button of
// split `row`. Splits that are on become muted (-1) around the solo split; pressing the same
// button again restores them; another row moves the solo. Returns nothing; `solo` indicators are
// set in `soloFlags` (the splits' `solo` words).
void applySolo(std::array<midi::Split, midi::kSplitCount>& splits, SoloState& state, int row);
// The on/off button of split `row`: on becomes off, anything else on; engaged solo is cancelled
// (muted splits on again, the solo indicator cleared).
void applyOnOff(std::array<midi::Split, midi::kSplitCount>& splits, SoloState& state, int row);

} // namespace tonwerk::session
