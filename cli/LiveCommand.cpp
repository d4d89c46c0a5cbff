#include "LiveCommand.h"

#include "audio/AudioClock.h"
#include "audio/AudioEngine.h"
#include "platform/SoundDevice.h"

#include "SkipSearch.h"
#include "StderrNotifier.h"
#include "midi/MidiDeviceManager.h"
#include "midi/Performance.h"
#include "platform/AudioDevices.h"
#include "platform/MidiPorts.h"
#include "platform/SystemPaths.h"
#include "session/Engine.h"
#include "setups/SetupFile.h"
#include "song/Song.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <optional>
#include <string>

namespace tonwerk::cli {

namespace {

std::atomic<bool> stopRequested{false};
platform::MidiInputQueue* signalledQueue = nullptr;

extern "C" void onStopSignal(int /*signal*/) {
    stopRequested.store(true);
    if (signalledQueue != nullptr) {
        signalledQueue->wake(); // a write to an eventfd: safe in a signal handler
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

// A port by its exact name as `devices` lists it, else by its index.
std::optional<int> findPort(const std::vector<std::string>& names, std::string_view wanted) {
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
           "                        [--midi-api alsa|jack] [--audio DEVICE|none]\n";
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
    return 0;
}

int runLive(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string setupFile;
    std::optional<std::string> midiIn;
    std::optional<std::string> midiOut;
    platform::MidiApi api = platform::MidiApi::Auto;
    std::optional<std::string> audioDevice;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--setup" && hasValue) {
            setupFile = std::string(args[++i]);
        } else if (args[i] == "--midi-in" && hasValue) {
            midiIn = std::string(args[++i]);
        } else if (args[i] == "--midi-out" && hasValue) {
            midiOut = std::string(args[++i]);
        } else if (args[i] == "--midi-api" && hasValue && apiNamed(args[i + 1])) {
            api = *apiNamed(args[++i]);
        } else if (args[i] == "--audio" && hasValue) {
            audioDevice = std::string(args[++i]);
        } else {
            return usage(err, "unknown or incomplete argument to 'live': " + std::string(args[i]));
        }
    }

    StderrNotifier notifier(err);
    platform::MidiPorts ports(api);
    if (!ports.available()) {
        notifier.notify({"No MIDI system could be reached; playing from scripts and songs only.", "Warning",
                         core::MessageIcon::Warning, core::MessageButtons::Ok});
    }
    // A port is named by its exact name or by its index; the device manager prefers the name.
    StatusScreen screen(err);
    midi::MidiDeviceManager devices(ports, notifier, screen);
    int inputId = -1;
    std::string inputName;
    if (midiIn) {
        const auto names = ports.inputNames();
        const auto id = findPort(names, *midiIn);
        inputId = id.value_or(-1);
        if (id && *id >= 0 && *id < static_cast<int>(names.size())) {
            inputName = names[static_cast<std::size_t>(*id)];
        } else {
            notifier.notify(
                {std::string(platform::midiErrorText(platform::MidiError::kBadDevice)) + " (" + *midiIn + ")",
                 "Tonwerk  -  MIDI-Input    Initialize-Error", core::MessageIcon::Error, core::MessageButtons::Ok});
        }
    }
    int outputId = -2;
    std::string outputName;
    if (midiOut) {
        const auto names = ports.outputNames();
        const auto id = *midiOut == "-1" ? std::optional<int>(-1) : findPort(names, *midiOut);
        outputId = id.value_or(-2);
        if (id && *id >= 0 && *id < static_cast<int>(names.size())) {
            outputName = names[static_cast<std::size_t>(*id)];
        } else if (!id || *id < -1) {
            notifier.notify(
                {std::string(platform::midiErrorText(platform::MidiError::kBadDevice)) + " (" + *midiOut + ")",
                 "Tonwerk  -  MIDI-Output   Initialize-Error", core::MessageIcon::Error, core::MessageButtons::Ok});
        }
    }
    devices.startDevices(inputId, inputName, outputId, outputName);

    // Sound: the device named by index or name as `devices` lists it, "none", or the default.
    const core::Settings settings =
        core::loadSettingsFile(platform::settingsFilePath(), core::SettingsEnvironment::current());
    audio::AudioEngine sound(notifier, session::audioSettingsOf(settings));
    audio::OutputChoice choice;
    if (audioDevice && *audioDevice == "none") {
        choice.kind = audio::OutputChoice::Kind::None;
    } else if (audioDevice) {
        const auto outputs = platform::listAudioOutputs();
        std::vector<std::string> names;
        names.reserve(outputs.size());
        for (const platform::AudioDevice& d : outputs) {
            names.push_back(d.name);
        }
        const auto id = findPort(names, *audioDevice);
        if (id && *id >= 0 && *id < static_cast<int>(outputs.size())) {
            const platform::AudioDevice& d = outputs[static_cast<std::size_t>(*id)];
            choice.id = platform::soundDeviceId(d.api, d.name);
        } else {
            err << "live: no audio device \"" << *audioDevice << "\"; the default device plays\n";
        }
    }
    SkipSearch search(err);
    session::Engine engine(devices, sound, screen, notifier, search,
                           setups::MediaFolders{platform::programDirectory(platform::executableDirectory()), {}, {}});
    midi::Performance& performance = engine.performance();
    sound.attach([&performance](int index) -> midi::Split& { return performance.split(index); });
    sound.initDirectSound(choice);
    audio::AudioClock audioClock(sound);
    audioClock.startAudioClock();
    engine.attachAudio(&sound);
    devices.attach(performance);
    if (!setupFile.empty() && !engine.setups().loadSetupFile(setupFile)) {
        return 1;
    }

    signalledQueue = &ports.input();
    stopRequested = false;
    static_cast<void>(std::signal(SIGINT, onStopSignal));
    static_cast<void>(std::signal(SIGTERM, onStopSignal));
    out << "live: in=" << (ports.inputOpen() ? ports.openInputName() : "-")
        << " out=" << (ports.outputOpen() ? ports.openOutputName() : "-")
        << " audio=" << (sound.output() != nullptr ? sound.output()->description() : "-") << std::endl;

    // Messages are dispatched the moment they arrive; the 4 ms clock runs between them.
    const auto start = std::chrono::steady_clock::now();
    auto nowMs = [&start] {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
    std::uint32_t nextTick = 4;
    std::uint32_t nextWatch = 500;
    while (!stopRequested.load()) {
        const std::uint32_t now = nowMs();
        const int timeout = nextTick > now ? static_cast<int>(nextTick - now) : 0;
        ports.input().wait(timeout);
        std::uint32_t message = 0;
        while (ports.input().pop(message)) {
            performance.onMidiData(midi::MidiSource::Device, message);
        }
        const std::uint32_t t = nowMs();
        for (; nextTick <= t; nextTick += 4) {
            engine.clockTick(nextTick);
        }
        if (t >= nextWatch) {
            devices.watch(); // lost and returned ports
            nextWatch = t + 500;
        }
    }

    // The traffic of the performance, before the exit sweep adds its note-offs: what came in from
    // the MIDI system, what went out, and what was lost on Tonwerk's side of the ports.
    err << "live: MIDI in " << ports.receivedCount() << ", out " << ports.sentCount() << ", refused by the output "
        << ports.refusedCount() << ", dropped at the input " << ports.input().dropped() << "\n";

    // Shutdown in order: the song stops, every sounding note gets its note-off, then a note-off
    // for every key on every channel (key 127 too) in case an instrument missed one.
    engine.shutdown();
    devices.closeDevices();
    audioClock.stop();
    if (sound.output() != nullptr && sound.output()->periodMicros() > 0) {
        err << "live: " << sound.output()->lateCallbacks() << " late audio callbacks; the longest callback took "
            << sound.output()->longestCallbackMicros() << " us of a " << sound.output()->periodMicros()
            << " us period\n";
    }
    sound.shutdownAudio();
    signalledQueue = nullptr;
    out << "live: stopped" << std::endl;
    return 0;
}

} // namespace tonwerk::cli
