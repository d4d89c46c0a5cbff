#include "Session.h"

#include "Commands.h"
#include "ProgramOptions.h"

#include "audio/AudioClock.h"
#include "audio/AudioEngine.h"
#include "audio/Tempo.h"
#include "audio/WaveLoader.h"
#include "core/ErrorReporting.h"
#include "midi/MidiDeviceManager.h"
#include "platform/AudioDevices.h"
#include "platform/DiagnosticLog.h"
#include "platform/MidiPorts.h"
#include "platform/SteadyClock.h"
#include "platform/SystemPaths.h"
#include "video/VideoEngine.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

namespace tonwerk::session {

namespace {

// A port or output by its exact name as `tonwerk-cli devices` lists it, else by its index.
std::optional<int> findByNameOrIndex(const std::vector<std::string>& names, std::string_view wanted) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == wanted) {
            return static_cast<int>(i);
        }
    }
    int index = 0;
    const auto [end, ec] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (ec == std::errc{} && end == wanted.data() + wanted.size()) {
        return index;
    }
    return std::nullopt;
}

platform::MidiApi midiApiOf(SessionOptions::MidiSystem system) {
    switch (system) {
    case SessionOptions::MidiSystem::Alsa:
        return platform::MidiApi::Alsa;
    case SessionOptions::MidiSystem::Jack:
        return platform::MidiApi::Jack;
    case SessionOptions::MidiSystem::Any:
        break;
    }
    return platform::MidiApi::Auto;
}

} // namespace

audio::AudioSettings audioSettingsOf(const core::Settings& settings) {
    audio::AudioSettings a;
    a.memMode = settings.sampleMemoryMode;
    a.bufferBytes = settings.soundBufferSize;
    a.safetyBytes = settings.soundSafety;
    a.useTimestretch = (settings.bpmFlags & midi::SampleFlag::kTimestretch) != 0;
    a.noAutoBpm = (settings.bpmFlags & midi::SampleFlag::kNoAutoBpm) != 0;
    a.useWaveLoop = (settings.bpmFlags & midi::SampleFlag::kWaveLoop) != 0;
    return a;
}

// --- Construction: what happens before any screen ---

// --- The PC keyboard's keys ---

class Session::PcKeys final : public midi::PcKeyboardHost {
public:
    explicit PcKeys(Session& session) : m_session(session) {}
    void injectNote(midi::ShortMessage message) override { m_session.commands().userInput(message); }
    void injectMessage(midi::ShortMessage message) override { m_session.commands().injectInput(message); }
    void copySplit() override { m_session.commands().copySplit(); }
    void pasteSplit() override {
        if (m_session.commands().pasteSplit()) {
            m_session.m_outputs.splitSelected(m_session.performance().currentSplit());
        }
    }
    void stop() override { m_session.commands().stop(); }
    void toggleRecord() override { m_session.commands().record(); }
    void toggleLoopHold(int split) override { m_session.commands().toggleLoopHold(split); }
    [[nodiscard]] bool clipRunning(int split) const override {
        return (m_session.performance().split(split).video.runFlags & 0x1) != 0;
    }

private:
    Session& m_session;
};

Session::Session(core::Settings& settings, const SessionHooks& hooks, SessionOptions options)
    : m_settings(settings), m_hooks(hooks), m_options(std::move(options)), m_notifier(*hooks.notifier),
      m_outputs(*this), m_songHost(*this), m_song(m_songHost, m_notifier),
      m_performance(m_outputs, m_outputs, m_outputs, m_song), m_loadHooks(*this) {
    if (!m_options.logFile.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(m_options.logFile.parent_path(), ec);
        m_logFile = std::fopen(m_options.logFile.c_str(), "w");
        if (m_logFile != nullptr) {
            platform::setDiagnosticLog(m_logFile);
        }
    }
    if (m_options.programDirectory.empty()) {
        m_options.programDirectory = platform::programDirectory(platform::executableDirectory());
    }
    m_setups = std::make_unique<setups::SetupStore>(
        m_performance, m_notifier, m_loadHooks, hooks.search != nullptr ? *hooks.search : m_skipSearch,
        setups::MediaFolders{m_options.programDirectory, settings.setupPath, {}});
    m_tempo = std::make_unique<audio::TempoLookup>(
        [this](int tempo) { m_performance.split(0).setupTempo = m_song.setSongTempo(tempo); },
        [this] { return m_performance.split(0).setupTempo; });
    m_audio = std::make_unique<audio::AudioEngine>(m_notifier, audioSettingsOf(settings));
    m_audio->attach([this](int index) -> midi::Split& { return m_performance.split(index); });
    m_video = std::make_unique<video::VideoEngine>(
        m_notifier, [this](int index) -> midi::Split& { return m_performance.split(index); },
        [this] { return m_performance.split(0).setupTempo; }, m_tempo.get(), hooks.clipScreen);
    m_audioClock = std::make_unique<audio::AudioClock>(*m_audio);
    m_audioClock->setLoadReport([this](const std::string& text) {
        const std::lock_guard lock(m_reportMutex); // the timer thread; the dispatcher shows it
        m_pendingReport = text;
    });
    m_commands = std::make_unique<Commands>(*this);
    m_pcKeys = std::make_unique<PcKeys>(*this);
    m_pcKeyboard = std::make_unique<midi::PcKeyboard>(*m_pcKeys);
    applySettings();

    if (m_options.clock == SessionOptions::Clock::Virtual) {
        m_audio->setClock([this] { return m_virtualNowMs; });
    } else {
        m_startMs = platform::steadyMilliseconds();
        // The worker paces the graphics window's frames and keeps the voices fed when the timer
        // is late; it runs from now until the confirmed Exit.
        m_audioClock->setVideoFrame([this](int frames) {
            m_video->setFramesDue(frames);
            m_video->frameTick();
        });
        m_audioClock->startWorker();
    }
}

Session::~Session() {
    shutdown();
    if (m_logFile != nullptr) {
        platform::setDiagnosticLog(nullptr);
        static_cast<void>(std::fclose(m_logFile));
    }
}

void Session::report(const std::string& text) {
    platform::logDiagnostic("Tonwerk", text);
    m_outputs.deviceStatus(text);
}

void Session::applySettings() {
    midi::Performance::Options& options = m_performance.options();
    // A stored velocity outside 0-127 becomes 127.
    options.keyboardVelocity =
        (m_settings.keyboardVelocity < 0 || m_settings.keyboardVelocity > 127) ? 127 : m_settings.keyboardVelocity;
    options.programChangeSelectsSetup = m_settings.programChangeSelectsSetup != 0;
    options.markNotes = m_settings.markNotes != 0;
    midi::PcKeyboard::Settings& keys = m_pcKeyboard->settings();
    keys.active = m_settings.pcKeyboardActive != 0;
    keys.channel = std::clamp(m_settings.keyboardMidiInChannel, 0, 15);
    keys.octave = m_settings.keyboardOctave;
    m_audioClock->setReportEnabled(m_settings.performanceDisplay != 0);
}

// --- The first screen's start ---

bool Session::startDevices() {
    m_dispatcherThread.check("Session::startDevices");
    if (m_devicesStarted) {
        return m_haveInput;
    }
    m_devicesStarted = true;
    openMidiDevices();
    openSound();
    if (m_options.clock == SessionOptions::Clock::Real) {
        m_audioClock->startAudioClock();
    }
    if (m_hooks.pictures != nullptr) {
        PictureSink* sink = m_hooks.pictures;
        m_video->setPictureListener([sink](const video::PictureSlot& slot) { sink->pictureReady(slot); });
        m_video->startComposition(m_options.pictureWidth, m_options.pictureHeight);
    }
    return m_haveInput;
}

void Session::openMidiDevices() {
    if (m_hooks.midiOutput != nullptr) {
        return; // the host takes every message; there are no ports
    }
    m_ports = std::make_unique<platform::MidiPorts>(midiApiOf(m_options.midiSystem));
    m_devices = std::make_unique<midi::MidiDeviceManager>(*m_ports, m_notifier, m_outputs);
    m_devices->attach(m_performance);

    // The settings' ports, by name first; a port the host names replaces them for this run.
    int inputId = m_settings.midiInDevice;
    std::string inputName = m_settings.midiInDeviceName;
    int outputId = m_settings.midiOutDevice;
    std::string outputName = m_settings.midiOutDeviceName;
    auto named = [this](const std::string& wanted, bool output, int& id, std::string& name) {
        const std::vector<std::string> names = output ? m_ports->outputNames() : m_ports->inputNames();
        const std::optional<int> found =
            output && wanted == "-1" ? std::optional<int>(-1) : findByNameOrIndex(names, wanted);
        name.clear();
        id = output ? -2 : -1;
        if (found && *found >= 0 && *found < static_cast<int>(names.size())) {
            id = *found;
            name = names[static_cast<std::size_t>(*found)];
        } else if (output && found && *found == -1) {
            id = -1;
        } else {
            m_devices->reportOpenError(output, platform::MidiError::kBadDevice, wanted);
        }
    };
    if (m_options.midiIn) {
        named(*m_options.midiIn, false, inputId, inputName);
    }
    if (m_options.midiOut) {
        named(*m_options.midiOut, true, outputId, outputName);
    }
    const std::string wantedInput = inputName;
    const std::string wantedOutput = outputName;
    m_haveInput = m_devices->startDevices(inputId, inputName, outputId, outputName);
    // A port the settings name that is not there now: said once, with what plays instead.
    if (!wantedInput.empty() && inputName != wantedInput && m_ports->available()) {
        report("the MIDI input \"" + wantedInput + "\" is not there" +
               (m_haveInput ? "; \"" + inputName + "\" plays instead" : std::string()));
    }
    if (!wantedOutput.empty() && outputName != wantedOutput && m_ports->available()) {
        const std::string instead = !m_ports->outputOpen() ? "no MIDI output is open"
                                    : outputName.empty()   ? "the notes go to Tonwerk's own port"
                                                           : "the notes go to \"" + outputName + "\"";
        report("the MIDI output \"" + wantedOutput + "\" is not there; " + instead);
    }
    // What was found and what plays, in one plain line (the libraries' own words are in the log).
    const std::string without = m_options.pcKeyboard ? "the PC keyboard plays" : "no MIDI comes in";
    if (!m_ports->available()) {
        report(std::string(kNoMidiSystem) + "; " + without);
    } else if (!m_haveInput) {
        report("no MIDI input is open; " + without);
    }
    if (!m_options.midiIn) {
        m_settings.midiInDevice = inputId;
        m_settings.midiInDeviceName = inputName;
    }
    if (!m_options.midiOut) {
        m_settings.midiOutDevice = outputId;
        m_settings.midiOutDeviceName = outputName;
    }
    if (!m_haveInput) {
        // No MIDI input: the PC keyboard plays, with velocity 100.
        m_settings.pcKeyboardActive = 1;
        m_settings.keyboardVelocity = 100;
        applySettings();
    }
}

void Session::openSound() {
    audio::OutputChoice choice;
    bool stored = false;
    switch (m_options.sound) {
    case SessionOptions::Sound::Stored:
        choice.id = soundDeviceIdOf(m_settings);
        stored = !platform::isDefaultDevice(choice.id);
        break;
    case SessionOptions::Sound::Default:
        break;
    case SessionOptions::Sound::Named: {
        const auto outputs = platform::listAudioOutputs();
        std::vector<std::string> names;
        names.reserve(outputs.size());
        for (const platform::AudioDevice& d : outputs) {
            names.push_back(d.name);
        }
        const auto id = findByNameOrIndex(names, m_options.soundDevice);
        if (id && *id >= 0 && *id < static_cast<int>(outputs.size())) {
            const platform::AudioDevice& d = outputs[static_cast<std::size_t>(*id)];
            choice.id = platform::soundDeviceId(d.api, d.name);
        } else {
            core::showMessage(m_notifier,
                              "No audio device \"" + m_options.soundDevice + "\"; the default device plays.",
                              core::MessageKind::Warning);
        }
        break;
    }
    case SessionOptions::Sound::None:
        choice.kind = audio::OutputChoice::Kind::None;
        break;
    case SessionOptions::Sound::Offline:
        choice.kind = audio::OutputChoice::Kind::Offline;
        break;
    }
    m_audio->initDirectSound(choice);
    if (choice.kind == audio::OutputChoice::Kind::Device && m_audio->output() != nullptr &&
        m_audio->output()->description() == "none") {
        report(std::string(kNoSoundOutput) + "; Tonwerk runs silent");
    }
    if (stored && platform::isDefaultDevice(choice.id)) {
        // A stored device that is gone: said once, and the default from now on.
        report("the sound device \"" + m_settings.soundDeviceName + "\" is not there; the default output plays");
        storeSoundDeviceId(m_settings, {});
        m_settings.soundDeviceName = kPrimarySoundDriver;
    }
}

std::string Session::deviceSummary() const {
    std::string in = "-";
    std::string out = "-";
    if (m_ports) {
        in = m_ports->inputOpen() ? m_ports->openInputName() : "-";
        out = m_ports->outputOpen() ? m_ports->openOutputName() : "-";
    }
    const platform::SoundOutput* sound = m_audio->output();
    return "in=" + in + " out=" + out + " audio=" + (sound != nullptr ? sound->description() : std::string("-"));
}

// --- The end ---

void Session::requestExit() {
    m_dispatcherThread.check("Session::requestExit");
    if (m_exitRequested) {
        return;
    }
    m_exitRequested = true;
    // The worker ends its loop and is joined, rather than given a fixed time to end.
    m_audioClock->stopWorker();
    m_song.stopCommand();
}

void Session::shutdown() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    requestExit();
    // Every sounding note ends, then the devices close with a note-off for every key.
    m_performance.releaseAllRunningNotes();
    if (m_devices) {
        m_devices->closeDevices();
    }
    m_audioClock->stop();
    m_video->stopComposition();
    m_audio->shutdownAudio();
    m_video->releaseAll();
    m_song.releaseSong();
    m_notifier.deliver();
}

// --- Time ---

void Session::tick(std::uint32_t nowMs) {
    m_dispatcherThread.check("Session::tick");
    m_notifier.deliver();
    m_song.songTick(nowMs);
    m_performance.clockTick(nowMs);
    std::string report;
    {
        const std::lock_guard lock(m_reportMutex);
        report.swap(m_pendingReport);
    }
    if (!report.empty()) {
        m_outputs.loadReport(report);
    }
    if (m_devices && static_cast<std::int32_t>(nowMs - m_nextWatchMs) >= 0) {
        m_devices->watch(); // lost and returned ports
        m_nextWatchMs = nowMs + 500;
    }
}

std::uint32_t Session::nowMs() const {
    if (m_options.clock == SessionOptions::Clock::Virtual) {
        return m_virtualNowMs;
    }
    return platform::steadyMilliseconds() - m_startMs;
}

void Session::advanceTo(std::uint32_t targetMs, const std::function<void(std::uint32_t)>& beforeTick) {
    m_dispatcherThread.check("Session::advanceTo");
    while (m_virtualNextTick <= targetMs && m_virtualNextTick >= m_virtualNowMs) {
        const std::uint32_t now = m_virtualNextTick;
        m_virtualNowMs = now;
        m_virtualNextTick += 4;
        if (beforeTick) {
            beforeTick(now);
        }
        m_audioClock->audioTick(now);
        tick(now);
    }
    if (targetMs > m_virtualNowMs) {
        m_virtualNowMs = targetMs;
    }
}

// --- MIDI input ---

int Session::midiInputDescriptor() const { return m_ports ? m_ports->input().wakeDescriptor() : -1; }

void Session::waitAndDeliverMidiInput(int timeoutMs) {
    if (!m_ports) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    m_ports->input().wait(timeoutMs); // also takes a pending wake-up
    deliverMidiInput();
}

void Session::deliverMidiInput() {
    m_dispatcherThread.check("Session::deliverMidiInput");
    if (!m_ports) {
        return;
    }
    std::uint32_t message = 0;
    while (m_ports->input().pop(message)) {
        m_performance.onMidiData(midi::MidiSource::Device, message);
    }
}

void Session::wake() {
    if (m_ports) {
        m_ports->input().wake(); // a write to an eventfd: safe in a signal handler
    }
}

// --- Locks ---

Session::SplitsWriteLock::SplitsWriteLock(Session& session) : m_session(session) {
    m_session.m_audio->lockAudio();
    m_video = std::unique_lock(m_session.m_video->splitsLock());
}

Session::SplitsWriteLock::~SplitsWriteLock() {
    m_video.unlock();
    m_session.m_audio->unlockAudio();
}

// --- What the dispatcher sends out ---

void Session::Outputs::send(midi::ShortMessage message) {
    if (m_session.m_hooks.midiOutput != nullptr) {
        m_session.m_hooks.midiOutput->send(message);
    } else if (m_session.m_devices) {
        m_session.m_devices->send(message);
    }
}

void Session::Outputs::startVoice(int split, std::int16_t& voice, int key, int velocity) {
    if (midi::VoiceOperations* observer = m_session.m_hooks.voiceObserver) {
        observer->startVoice(split, voice, key, velocity);
    }
    m_session.m_audio->startVoice(split, voice, key, velocity);
}

void Session::Outputs::playVoice(int split) {
    if (midi::VoiceOperations* observer = m_session.m_hooks.voiceObserver) {
        observer->playVoice(split);
    }
    m_session.m_audio->playVoice(split);
}

void Session::Outputs::releaseVoice(int split, std::int16_t voice) {
    if (midi::VoiceOperations* observer = m_session.m_hooks.voiceObserver) {
        observer->releaseVoice(split, voice);
    }
    m_session.m_audio->releaseVoice(split, voice);
}

void Session::Outputs::muteSplit(int split) {
    if (midi::VoiceOperations* observer = m_session.m_hooks.voiceObserver) {
        observer->muteSplit(split);
    }
    m_session.m_audio->muteSplit(split);
}

void Session::Outputs::unmuteSplit(int split, int velocity) {
    if (midi::VoiceOperations* observer = m_session.m_hooks.voiceObserver) {
        observer->unmuteSplit(split, velocity);
    }
    m_session.m_audio->unmuteSplit(split, velocity);
}

void Session::Outputs::setCrossfader(int value) { m_session.m_audio->setCrossfader(value); }
void Session::Outputs::pumpNow() { m_session.m_audio->pumpNow(); }
void Session::Outputs::lockAudio() { m_session.m_audio->lockAudio(); }
void Session::Outputs::unlockAudio() { m_session.m_audio->unlockAudio(); }

void Session::Outputs::clipNoteOn(int split, std::uint32_t message, std::int32_t clipId) {
    if (screen() != nullptr) {
        screen()->clipNoteOn(split, message, clipId);
    }
    m_session.m_video->clipNoteOn(split, message);
}

void Session::Outputs::clipNoteOff(int split, std::uint32_t message, std::int32_t clipId) {
    if (screen() != nullptr) {
        screen()->clipNoteOff(split, message, clipId);
    }
    m_session.m_video->clipNoteOff(split, message);
}

void Session::Outputs::keyReleased(int key) {
    if (screen() != nullptr) {
        screen()->keyReleased(key);
    }
}
void Session::Outputs::padLights(midi::ShortMessage message) {
    if (screen() != nullptr) {
        screen()->padLights(message);
    }
}
void Session::Outputs::velocityMeters(const std::int32_t* lastVelocity, int count) {
    if (screen() != nullptr) {
        screen()->velocityMeters(lastVelocity, count);
    }
}
void Session::Outputs::noteDisplay(midi::ShortMessage message) {
    if (screen() != nullptr) {
        screen()->noteDisplay(message);
    }
}
void Session::Outputs::splitLineChanged(int split) {
    if (screen() != nullptr) {
        screen()->splitLineChanged(split);
    }
}
void Session::Outputs::splitSelected(int split) {
    if (screen() != nullptr) {
        screen()->splitSelected(split);
    }
}
void Session::Outputs::crossfaderMoved(int value) {
    if (screen() != nullptr) {
        screen()->crossfaderMoved(value);
    }
}
void Session::Outputs::beatDisplay(int bar, int beat) {
    if (screen() != nullptr) {
        screen()->beatDisplay(bar, beat);
    }
}
void Session::Outputs::loadReport(const std::string& text) {
    if (screen() != nullptr) {
        screen()->loadReport(text);
    }
}

void Session::Outputs::deviceStatus(const std::string& text) {
    if (screen() != nullptr) {
        screen()->deviceStatus(text);
    }
}
void Session::Outputs::refresh() {
    if (screen() != nullptr) {
        screen()->refresh();
    }
}

std::string samplePattern() {
    std::string pattern;
    for (const std::string_view ending : audio::kSampleEndings) {
        pattern += (pattern.empty() ? "*" : ";*") + std::string(ending);
    }
    return pattern;
}

std::string clipPattern() { return "*.avi"; }

std::optional<std::uint64_t> availableMemoryKb() {
    const auto bytes = platform::availableMemory();
    return bytes ? std::optional<std::uint64_t>(*bytes / 1024) : std::nullopt;
}

bool Session::videoLive() const { return m_video->live(); }

void Session::setPictureSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        m_video->setCompositionSize(m_options.pictureWidth, m_options.pictureHeight, true);
        return;
    }
    m_video->setCompositionSize(width, height);
}

std::pair<int, int> Session::pictureSize() const { return m_video->compositionSize(); }

std::uint64_t Session::droppedFrameTicks() const { return m_video->droppedTicks(); }

bool Session::takePicture(std::vector<std::uint8_t>& out, int& width, int& height, std::uint64_t& sequence) const {
    return m_video->picture().take(out, width, height, sequence);
}

// --- The song and setup loading ---

void Session::SongHost::playEvent(midi::ShortMessage message) {
    m_session.m_performance.onMidiData(midi::MidiSource::Injected, message);
}

void Session::SongHost::allStop() { m_session.m_performance.allStop(); }

void Session::SongHost::resetControllers() { m_session.m_performance.resetControllers(); }
void Session::SongHost::startSynchronisedSamples() { m_session.m_performance.startSync(); }
void Session::SongHost::retriggerSync() { m_session.m_performance.retriggerSync(); }

void Session::LoadHooks::stopTransport() { m_session.m_song.stopTransport(); }
void Session::LoadHooks::setupLoaded(int tempo) { m_session.m_song.setupLoaded(tempo); }
void Session::LoadHooks::loadCompanionSong(const std::filesystem::path& path) {
    m_session.m_song.loadCompanionSong(path);
}

void Session::LoadHooks::reloadSample(int split, midi::Split& record) {
    m_session.m_audio->loadSplitSample(split, midi::fieldText(record.fileName));
}

void Session::LoadHooks::clearMedia(int split, midi::Split& /*record*/) {
    m_session.m_audio->freeSplitSample(split);
    m_session.m_video->freeClip(split);
}

void Session::LoadHooks::reloadClip(int split, midi::Split& record) {
    m_session.m_video->loadClip(split, midi::fieldText(record.fileName));
}

void Session::LoadHooks::releaseClip(int split, midi::Split& /*record*/) { m_session.m_video->freeClip(split); }

void Session::LoadHooks::mediaProgress(int done, int total) {
    if (progress) {
        progress(done, total);
    }
}

void Session::LoadHooks::writeSplits(const std::function<void()>& write) {
    const SplitsWriteLock lock(m_session);
    write();
}

} // namespace tonwerk::session
