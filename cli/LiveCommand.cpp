#include "LiveCommand.h"

#include "SkipSearch.h"
#include "StderrNotifier.h"
#include "audio/AudioEngine.h"
#include "platform/AudioDevices.h"
#include "platform/MidiPorts.h"
#include "platform/PictureFile.h"
#include "platform/SoundDevice.h"
#include "platform/SystemPaths.h"
#include "session/Commands.h"
#include "session/Session.h"
#include "video/VideoEngine.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tonwerk::cli {

namespace {

std::atomic<bool> stopRequested{false};
session::Session* liveSession = nullptr;

extern "C" void onStopSignal(int /*signal*/) {
    stopRequested.store(true);
    if (liveSession != nullptr) {
        liveSession->wake(); // a write to an eventfd: safe in a signal handler
    }
}

std::optional<platform::MidiApi> apiNamed(std::string_view name) {
    if (name == "alsa") {
        return platform::MidiApi::Alsa;
    }
    if (name == "jack") {
        return platform::MidiApi::Jack;
    }
    return std::nullopt;
}

std::optional<session::SessionOptions::MidiSystem> systemNamed(std::string_view name) {
    if (name == "alsa") {
        return session::SessionOptions::MidiSystem::Alsa;
    }
    if (name == "jack") {
        return session::SessionOptions::MidiSystem::Jack;
    }
    return std::nullopt;
}

// The graphics window of a headless run: each picture the composition finishes is written as
// DIR/frame-NNNNN.png, for a check that clips play. Composition thread.
class FrameWriter final : public session::PictureSink {
public:
    explicit FrameWriter(std::string folder) : m_folder(std::move(folder)) {}
    void pictureReady(const video::PictureSlot& slot) override {
        if (!slot.take(m_bytes, m_width, m_height, m_sequence) || m_failed) {
            return;
        }
        if (m_count == 0) {
            std::error_code ec;
            std::filesystem::create_directories(m_folder, ec);
        }
        char name[32];
        static_cast<void>(std::snprintf(name, sizeof name, "frame-%05u.png", m_count.load()));
        const platform::Status status =
            platform::writePng(std::filesystem::path(m_folder) / name, m_bytes, m_width, m_height);
        if (!status.ok()) {
            m_failed = true; // said once, at the end
            m_failure = status.message();
            return;
        }
        m_count.fetch_add(1);
    }
    [[nodiscard]] unsigned written() const { return m_count.load(); }
    // Read after the composition has stopped.
    [[nodiscard]] const std::string& failure() const { return m_failure; }

private:
    std::string m_folder;
    std::string m_failure;
    std::vector<std::uint8_t> m_bytes;
    int m_width = 0;
    int m_height = 0;
    std::uint64_t m_sequence = 0;
    std::atomic<unsigned> m_count{0};
    bool m_failed = false;
};

// The headless host's screen: device losses and returns as lines on stderr.
class StatusScreen final : public midi::ScreenFeedback {
public:
    explicit StatusScreen(std::ostream& err) : m_err(err) {}
    void deviceStatus(const std::string& text) override { m_err << "live: " << text << std::endl; }

private:
    std::ostream& m_err;
};

int usage(std::ostream& err, const std::string& problem) {
    err << "tonwerk-cli: " << problem
        << "\nUsage: tonwerk-cli live [--setup FILE] [--midi-in NAME|INDEX] [--midi-out NAME|INDEX|-1]\n"
           "                        [--midi-api alsa|jack] [--audio DEVICE|none] [--frames DIR]\n";
    return 2;
}

} // namespace

int runDevices(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    platform::MidiApi api = platform::MidiApi::Auto;
    std::optional<std::string> audioDevice;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--midi-api" && i + 1 < args.size() && apiNamed(args[i + 1])) {
            api = *apiNamed(args[++i]);
        } else {
            return usage(err, "unknown argument to 'devices': " + std::string(args[i]));
        }
    }
    platform::MidiPorts ports(api);
    const auto inputs = ports.inputNames();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        out << "midi-in " << i << ' ' << inputs[i] << '\n';
    }
    const auto outputs = ports.outputNames();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        out << "midi-out " << i << ' ' << outputs[i] << '\n';
    }
    const auto audio = platform::listAudioOutputs();
    for (std::size_t i = 0; i < audio.size(); ++i) {
        out << "audio " << i << ' ' << audio[i].api << ' ' << audio[i].name << '\n';
    }
    // What was not found, in one plain line each (the libraries' own words: --verbose).
    if (!ports.available()) {
        err << "devices: " << session::kNoMidiSystem << '\n';
    }
    if (audio.empty()) {
        err << "devices: " << session::kNoSoundOutput << '\n';
    }
    return 0;
}

int runLive(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string setupFile;
    std::string framesDir;
    session::SessionOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--setup" && hasValue) {
            setupFile = std::string(args[++i]);
        } else if (args[i] == "--midi-in" && hasValue) {
            options.midiIn = std::string(args[++i]);
        } else if (args[i] == "--midi-out" && hasValue) {
            options.midiOut = std::string(args[++i]);
        } else if (args[i] == "--midi-api" && hasValue && systemNamed(args[i + 1])) {
            options.midiSystem = *systemNamed(args[++i]);
        } else if (args[i] == "--audio" && hasValue) {
            const std::string_view device = args[++i];
            options.sound =
                device == "none" ? session::SessionOptions::Sound::None : session::SessionOptions::Sound::Named;
            options.soundDevice = std::string(device);
        } else if (args[i] == "--frames" && hasValue && !args[i + 1].empty()) {
            framesDir = std::string(args[++i]);
        } else {
            return usage(err, "unknown or incomplete argument to 'live': " + std::string(args[i]));
        }
    }

    // The user's settings: the stored MIDI ports and sound device play unless an option names others.
    core::Settings settings =
        core::loadSettingsFile(platform::settingsFilePath(), core::SettingsEnvironment::current());
    StderrNotifier notifier(err);
    StatusScreen screen(err);
    SkipSearch search(err);
    FrameWriter frames(framesDir);
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    hooks.screen = &screen;
    hooks.search = &search;
    hooks.pictures = framesDir.empty() ? nullptr : &frames;
    session::Session session(settings, hooks, options);
    session.startDevices();
    if (!setupFile.empty() && !session.commands().loadSetup(setupFile)) {
        return 1;
    }

    liveSession = &session;
    stopRequested = false;
    static_cast<void>(std::signal(SIGINT, onStopSignal));
    static_cast<void>(std::signal(SIGTERM, onStopSignal));
    out << "live: " << session.deviceSummary() << std::endl;

    // Messages are dispatched the moment they arrive; the 4 ms clock runs between them.
    std::uint32_t nextTick = session.nowMs() + 4;
    while (!stopRequested.load()) {
        const std::uint32_t now = session.nowMs();
        const int timeout = static_cast<std::int32_t>(nextTick - now) > 0 ? static_cast<int>(nextTick - now) : 0;
        session.waitAndDeliverMidiInput(timeout);
        const std::uint32_t t = session.nowMs();
        for (; static_cast<std::int32_t>(t - nextTick) >= 0; nextTick += 4) {
            session.tick(nextTick);
        }
    }

    // The traffic of the performance, before the exit sweep adds its note-offs: what came in from
    // the MIDI system, what went out, and what was lost on Tonwerk's side of the ports.
    if (platform::MidiPorts* ports = session.ports()) {
        err << "live: MIDI in " << ports->receivedCount() << ", out " << ports->sentCount()
            << ", refused by the output " << ports->refusedCount() << ", dropped at the input "
            << ports->input().dropped() << "\n";
    }
    if (const platform::SoundOutput* sound = session.audio().output(); sound != nullptr && sound->periodMicros() > 0) {
        err << "live: " << sound->lateCallbacks() << " late audio callbacks; the longest callback took "
            << sound->longestCallbackMicros() << " us of a " << sound->periodMicros() << " us period\n";
    }
    // Shutdown in order: the song stops, every sounding note gets its note-off, then a note-off
    // for every key on every channel (key 127 too) in case an instrument missed one.
    session.shutdown();
    liveSession = nullptr;
    if (!framesDir.empty()) {
        err << "live: " << frames.written() << " pictures written to " << framesDir << "\n";
        if (!frames.failure().empty()) {
            err << "tonwerk-cli: " << frames.failure() << "\n";
        }
    }
    out << "live: stopped" << std::endl;
    return 0;
}

} // namespace tonwerk::cli
