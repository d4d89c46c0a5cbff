#pragma once

#include "core/Notifier.h"
#include "core/QueuedNotifier.h"
#include "core/Settings.h"
#include "core/ThreadCheck.h"
#include "midi/EngineHooks.h"
#include "midi/PcKeyboard.h"
#include "midi/Performance.h"
#include "setups/SetupFile.h"
#include "song/Song.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonwerk::audio {
class AudioClock;
class AudioEngine;
class TempoLookup;
struct AudioSettings;
} // namespace tonwerk::audio
namespace tonwerk::video {
class ClipScreen;
class PictureSlot;
class VideoEngine;
} // namespace tonwerk::video
namespace tonwerk::platform {
class MidiPorts;
} // namespace tonwerk::platform
namespace tonwerk::midi {
class MidiDeviceManager;
}

namespace tonwerk::session {

// Threads of a run, and what each may call
//
// | Thread                         | Runs                                                      | May call here |
// |--------------------------------|-----------------------------------------------------------|----------------------------------------|
// | dispatcher (Qt's UI thread;    | the dispatcher, every Commands call, file loading, the    | everything in this
// header; the only    | | the CLI's main loop)           | song and beat display (tick), MIDI input delivery,        |
// thread that may block for a person     | |                                | message boxes | (message boxes) | | MIDI
// input (RtMidi's)          | receives and queues; wakes the dispatcher                 | nothing here | | timer (4 ms,
// audio clock)      | the stream pump, the load report                           | the Notifier (queued, never waits) |
// | worker (5 ms sleeps)           | the 40 ms video frame tick, the pump when the timer is late| the Notifier (queued,
// never waits)     | | composition (video engine)     | plans and composes the graphics window's picture           |
// PictureSink::pictureReady, Notifier    | | audio callback (RtAudio/JACK)  | the software mixer only | nothing: never
// locks, allocates, logs  |
//
// Messages asked for from any thread other than the dispatcher are queued and shown by the
// dispatcher's next tick; the engine thread that asked goes on with the box's default answer.

// What a host says when a system is not there (each host in its own way, in one plain line).
inline constexpr const char* kNoMidiSystem = "no MIDI system: neither the ALSA sequencer nor a JACK server is running";
inline constexpr const char* kNoSoundOutput = "no sound output: neither JACK, PulseAudio nor an ALSA device answered";

// Where the graphics window's pictures go. Called on the composition thread whenever a new picture
// is in the slot; the sink takes it (PictureSlot::take) or wakes its window, and must not block.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    virtual void pictureReady(const video::PictureSlot& slot) = 0;
};

// What a host gives the session. Everything but the notifier is optional.
struct SessionHooks {
    core::Notifier* notifier = nullptr;     // message boxes (the program), stderr (the CLI), a recorder
    midi::ScreenFeedback* screen = nullptr; // pad lights, meters, clip notes, device status
    video::ClipScreen* clipScreen = nullptr;
    PictureSink* pictures = nullptr;       // the graphics window; none: no composition thread
    setups::MediaSearch* search = nullptr; // none: a missing media file is skipped
    // Every MIDI message goes here instead of the MIDI ports (route, tests); no ports are opened.
    midi::MidiOutput* midiOutput = nullptr;
    // Sees each voice operation before the audio engine carries it out (route prints them).
    midi::VoiceOperations* voiceObserver = nullptr;
};

// The choices a host makes for a run; everything left unset comes from the settings.
struct SessionOptions {
    enum class Clock {
        Real,    // the audio clock's timer and worker threads; the host calls tick() every 4 ms
        Virtual, // time moves only by advanceTo() (route, tests): no threads
    };
    enum class Sound {
        Stored,  // the settings' sound device (the default device when it is gone)
        Default, // the default output (JACK, then PulseAudio, then ALSA)
        Named,   // `soundDevice`: an output by its index or name as `tonwerk-cli devices` lists it
        None,    // nothing, paced in real time
        Offline, // into memory, as fast as asked (route --wav)
    };
    Clock clock = Clock::Real;
    Sound sound = Sound::Stored;
    std::string soundDevice;
    // MIDI ports by exact name or index as `tonwerk-cli devices` lists them ("-1" for the output:
    // Tonwerk's own port); unset: the settings' ports, by name first.
    std::optional<std::string> midiIn;
    std::optional<std::string> midiOut;
    enum class MidiSystem { Any, Alsa, Jack }; // Any: the ALSA sequencer, else JACK
    MidiSystem midiSystem = MidiSystem::Any;
    // The host has a PC keyboard that plays when there is no MIDI input (the program).
    bool pcKeyboard = false;
    // A file for the libraries' own diagnostics and the devices found (the program's log beside
    // its settings); empty: the log stays where the host put it.
    std::filesystem::path logFile;
    // Where the program's data lives ("StartUp.mks", the demo styles); empty: beside the program.
    std::filesystem::path programDirectory;
    // The graphics window's picture size while it composes on its own thread.
    int pictureWidth = 320;
    int pictureHeight = 240;
};

// Solo bookkeeping of the screens' solo buttons; lives as long as the session (screen switches
// keep it).
struct SoloState {
    int soloRow = -1;
    bool engaged = false;
    std::int32_t savedState = 0;
};

class Commands;

// The file-name patterns of the media the program loads, for the file lists: every sample ending
// the sample loader takes ("*.wav;*.aif;…") and the clips ("*.avi").
// The memory the machine can still give a program, in KB (the about box); nothing when unknown.
[[nodiscard]] std::optional<std::uint64_t> availableMemoryKb();
[[nodiscard]] std::string samplePattern();
[[nodiscard]] std::string clipPattern();

// The engines of one run, built in one place for every host: the performance (setup table, note
// pool, dispatcher), the song, the setup store, the audio engine with its clock and worker, the
// video engine with its composition thread, the MIDI devices. Started and stopped in the program's
// order: construction does what happens before any screen (the worker thread starts),
// startDevices() what the first screen starts (ports, sound device, 4 ms timer, composition),
// requestExit() what the confirmed Exit does (worker joined, song stopped), shutdown() what the
// last screen's end does (input closed, note-off sweep, output closed, timer joined, audio and video
// shut down, song freed).
//
// Dispatcher's thread (the thread that constructs it) for every call, unless a call says otherwise.
class Session {
public:
    Session(core::Settings& settings, const SessionHooks& hooks, SessionOptions options = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- The first screen's start (once; a second call returns the first answer) ---
    // Opens the MIDI ports, the sound device, starts the 4 ms timer and the composition. Returns
    // whether there is a MIDI input; without one the PC keyboard plays (settings changed so).
    bool startDevices();
    [[nodiscard]] bool devicesStarted() const { return m_devicesStarted; }

    // --- The end ---
    // The confirmed Exit: the worker thread is stopped and joined, the song transport stops.
    void requestExit();
    // The last screen closes: MIDI input closed, every sounding note ended and a note-off for every
    // key of every channel, the output closed, the timer joined, audio and video shut down, the song
    // freed. Blocks for about half a second (the sweep). Runs once; the destructor runs it too.
    void shutdown();

    // --- Time ---
    // The dispatcher's 4 ms tick at `nowMs`: queued messages shown, the song, the beat display,
    // lost and returned MIDI ports every 500 ms.
    void tick(std::uint32_t nowMs);
    // The session's clock in ms: real (since the session started) or virtual.
    [[nodiscard]] std::uint32_t nowMs() const;
    // Virtual clock only: moves time to `targetMs`, running every 4 ms tick due on the way (audio
    // pump, then tick()), each preceded by `beforeTick(now)`.
    void advanceTo(std::uint32_t targetMs, const std::function<void(std::uint32_t)>& beforeTick = {});

    // --- MIDI input ---
    // A descriptor that becomes readable when MIDI input is waiting (-1 without ports).
    [[nodiscard]] int midiInputDescriptor() const;
    // Waits up to `timeoutMs` for MIDI input (or a wake()); then dispatches all that is queued.
    void waitAndDeliverMidiInput(int timeoutMs);
    // Dispatches every queued input message.
    void deliverMidiInput();
    // Ends a waitAndDeliverMidiInput early. Any thread and signal handlers; never blocks.
    void wake();

    // --- The one way every change is made ---
    [[nodiscard]] Commands& commands() { return *m_commands; }

    // --- The engines, for reading and for hosts' own wiring ---
    [[nodiscard]] midi::Performance& performance() { return m_performance; }
    [[nodiscard]] const midi::Performance& performance() const { return m_performance; }
    [[nodiscard]] song::Song& song() { return m_song; }
    [[nodiscard]] setups::SetupStore& setups() { return *m_setups; }
    [[nodiscard]] audio::AudioEngine& audio() { return *m_audio; }
    [[nodiscard]] audio::AudioClock& audioClock() { return *m_audioClock; }
    [[nodiscard]] audio::TempoLookup& tempo() { return *m_tempo; }
    [[nodiscard]] video::VideoEngine& video() { return *m_video; }
    [[nodiscard]] midi::MidiDeviceManager* devices() { return m_devices.get(); }
    [[nodiscard]] platform::MidiPorts* ports() { return m_ports.get(); }
    [[nodiscard]] core::Settings& settings() { return m_settings; }
    [[nodiscard]] const SessionOptions& options() const { return m_options; }
    [[nodiscard]] core::Notifier& notifier() { return m_notifier; }
    // What the screens show: the host's screen, reached through the session's dispatch of it.
    [[nodiscard]] midi::ScreenFeedback& screenFeedback() { return m_outputs; }
    [[nodiscard]] SoloState& solo() { return m_solo; }
    // The split Ctrl+C copied (none before the first copy).
    [[nodiscard]] std::optional<midi::Split>& splitClipboard() { return m_splitClipboard; }
    // The file list's previews: the voice of the sample on split 24 and the files previewed.
    [[nodiscard]] std::int16_t& previewVoice() { return m_previewVoice; }
    [[nodiscard]] std::filesystem::path& previewSample() { return m_previewSample; }
    [[nodiscard]] std::filesystem::path& previewClip() { return m_previewClip; }
    // The folders where the "Search File" dialog found samples (Sample) or clips (anything else),
    // newest first; they last as long as the run.
    [[nodiscard]] std::vector<std::string>& searchFolders(midi::SplitTask task) {
        return task == midi::SplitTask::Sample ? m_sampleSearchFolders : m_clipSearchFolders;
    }
    // The PC keyboard as an instrument; its settings follow the session's settings and screen.
    [[nodiscard]] midi::PcKeyboard& pcKeyboard() { return *m_pcKeyboard; }
    // The newest picture of the composition when it is newer than `sequence` (see
    // video::PictureSlot::take). Any thread; holds the picture's lock only to copy.
    bool takePicture(std::vector<std::uint8_t>& out, int& width, int& height, std::uint64_t& sequence) const;
    // The size the composition draws its pictures at from the next frame on: the graphics
    // window's while it is open, every clip split a layer; width or height 0 returns to the
    // options' picture size for the screens' monitor, which shows only the clips that play.
    // UI thread; never blocks.
    void setPictureSize(int width, int height);
    [[nodiscard]] std::pair<int, int> pictureSize() const;
    // Frame ticks the composition let pass because it was still composing the previous picture.
    // Any thread.
    [[nodiscard]] std::uint64_t droppedFrameTicks() const;
    // Whether a clip plays in the graphics window now (the meters flicker for it).
    [[nodiscard]] bool videoLive() const;
    // The name of the setup file last loaded or saved (the window caption shows it); empty for a
    // new setup.
    [[nodiscard]] const std::string& setupName() const { return m_setupName; }
    void setSetupName(std::string name) { m_setupName = std::move(name); }
    // Who hears a setup load's media progress (Commands::loadSetup sets it for one load). UI thread.
    void setLoadProgress(std::function<void(int done, int total)> progress) {
        m_loadHooks.progress = std::move(progress);
    }
    [[nodiscard]] const core::ThreadCheck& dispatcherThread() const { return m_dispatcherThread; }

    // Held while whole split records are written: the audio pump and the video composition read
    // the splits on their own threads. The audio lock first, then the video engine's lock.
    class SplitsWriteLock {
    public:
        explicit SplitsWriteLock(Session& session);
        ~SplitsWriteLock();
        SplitsWriteLock(const SplitsWriteLock&) = delete;
        SplitsWriteLock& operator=(const SplitsWriteLock&) = delete;

    private:
        Session& m_session;
        std::unique_lock<std::mutex> m_video;
    };

    // One line that says what the run found: the MIDI ports and the sound output.
    [[nodiscard]] std::string deviceSummary() const;

private:
    // Everything the dispatcher sends out, in one place: MIDI to the ports or the host's output,
    // voice operations to the observer and the audio engine, clip notes to the video engine, the
    // rest of the screen feedback to the host's screen.
    class Outputs final : public midi::MidiOutput, public midi::VoiceOperations, public midi::ScreenFeedback {
    public:
        explicit Outputs(Session& session) : m_session(session) {}
        void send(midi::ShortMessage message) override;
        void startVoice(int split, std::int16_t& voice, int key, int velocity) override;
        void playVoice(int split) override;
        void releaseVoice(int split, std::int16_t voice) override;
        void muteSplit(int split) override;
        void unmuteSplit(int split, int velocity) override;
        void setCrossfader(int value) override;
        void pumpNow() override;
        void lockAudio() override;
        void unlockAudio() override;
        void clipNoteOn(int split, std::uint32_t message, std::int32_t clipId) override;
        void clipNoteOff(int split, std::uint32_t message, std::int32_t clipId) override;
        void keyReleased(int key) override;
        void padLights(midi::ShortMessage message) override;
        void velocityMeters(const std::int32_t* lastVelocity, int count) override;
        void noteDisplay(midi::ShortMessage message) override;
        void splitLineChanged(int split) override;
        void splitSelected(int split) override;
        void crossfaderMoved(int value) override;
        void beatDisplay(int bar, int beat) override;
        void deviceStatus(const std::string& text) override;
        void loadReport(const std::string& text) override;
        void refresh() override;

    private:
        midi::ScreenFeedback* screen() const { return m_session.m_hooks.screen; }
        Session& m_session;
    };

    // The song drives the performance the way live input does.
    class SongHost final : public song::SongHost {
    public:
        explicit SongHost(Session& session) : m_session(session) {}
        void playEvent(midi::ShortMessage message) override;
        void allStop() override;
        void resetControllers() override;
        void startSynchronisedSamples() override;
        void retriggerSync() override;

    private:
        Session& m_session;
    };

    // Loading a setup: the song's part goes to the song, the media to the audio and video engines,
    // the record copies happen under the splits' write lock.
    class LoadHooks final : public setups::SetupLoadHooks {
    public:
        explicit LoadHooks(Session& session) : m_session(session) {}
        void stopTransport() override;
        void setupLoaded(int tempo) override;
        void loadCompanionSong(const std::filesystem::path& path) override;
        void reloadSample(int split, midi::Split& record) override;
        void clearMedia(int split, midi::Split& record) override;
        void reloadClip(int split, midi::Split& record) override;
        void releaseClip(int split, midi::Split& record) override;
        void writeSplits(const std::function<void()>& write) override;
        void mediaProgress(int done, int total) override;

        // The host's view of the running load's progress; empty outside Commands::loadSetup.
        std::function<void(int done, int total)> progress;

    private:
        Session& m_session;
    };

    // What the PC keyboard's keys do: the session's commands.
    class PcKeys;

    // The media search when the host has none: a missing file is skipped.
    class SkipSearch final : public setups::MediaSearch {
    public:
        Result search(int /*split*/, const std::string& /*storedPath*/, midi::SplitTask /*task*/) override {
            return {};
        }
    };

    // Says what was found: in the log, and to the host's screen as a status line.
    void report(const std::string& text);
    void openMidiDevices();
    void openSound();

public:
    // The settings' program-wide options taken by the engines: keyboard velocity, program changes,
    // note marks, the PC keyboard and the load report. After the options sheet's OK.
    void applySettings();

private:
    core::Settings& m_settings;
    SessionHooks m_hooks;
    SessionOptions m_options;
    core::ThreadCheck m_dispatcherThread;
    core::QueuedNotifier m_notifier;
    midi::ScreenFeedback m_noScreen;
    SkipSearch m_skipSearch;

    Outputs m_outputs;
    SongHost m_songHost;
    song::Song m_song;
    midi::Performance m_performance;
    LoadHooks m_loadHooks;
    std::unique_ptr<setups::SetupStore> m_setups;
    std::unique_ptr<audio::TempoLookup> m_tempo;
    std::unique_ptr<audio::AudioEngine> m_audio;
    std::unique_ptr<video::VideoEngine> m_video;
    std::unique_ptr<audio::AudioClock> m_audioClock;
    std::unique_ptr<platform::MidiPorts> m_ports;
    std::unique_ptr<midi::MidiDeviceManager> m_devices;
    std::unique_ptr<Commands> m_commands;
    SoloState m_solo;
    std::optional<midi::Split> m_splitClipboard;
    std::int16_t m_previewVoice = -1; // the file list's sample preview on split 24
    std::filesystem::path m_previewSample;
    std::filesystem::path m_previewClip;
    std::vector<std::string> m_sampleSearchFolders;
    std::vector<std::string> m_clipSearchFolders;
    std::unique_ptr<PcKeys> m_pcKeys;
    std::unique_ptr<midi::PcKeyboard> m_pcKeyboard;
    std::string m_setupName;

    // The load report waits here from the timer thread until the dispatcher's next tick.
    std::mutex m_reportMutex;
    std::string m_pendingReport;

    std::FILE* m_logFile = nullptr;
    std::uint32_t m_startMs = 0;
    std::uint32_t m_virtualNowMs = 0;
    std::uint32_t m_virtualNextTick = 4;
    std::uint32_t m_nextWatchMs = 500;
    bool m_devicesStarted = false;
    bool m_haveInput = false;
    bool m_exitRequested = false;
    bool m_shutDown = false;
};

// The audio engine's part of the settings. "BPMFlags" keeps the three program-wide defaults of the
// sound-driver page in the bits the splits use for them.
[[nodiscard]] audio::AudioSettings audioSettingsOf(const core::Settings& settings);

} // namespace tonwerk::session
