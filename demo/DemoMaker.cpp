#include "DemoMaker.h"

#include "DemoSounds.h"
#include "audio/WaveWriter.h"
#include "core/Notifier.h"
#include "core/Settings.h"
#include "midi/Split.h"
#include "midi/SplitFields.h"
#include "platform/AtomicFile.h"
#include "session/Commands.h"
#include "session/Session.h"

#include <functional>
#include <string>
#include <system_error>

namespace tonwerk::demo {

namespace fs = std::filesystem;

namespace {

constexpr int kTempo = 120; // beats per minute of the loops and of bpm.inf

// The pads' sample splits: pads 1-8 are splits 0-7 on keys 36-43, pads 9-16 splits 8-15 on keys
// 84-91; Video 1 and 2 are splits 17 and 18 on keys 47 and 95.
constexpr int kVideo1Split = 17;
constexpr int kVideo2Split = 18;
constexpr int kKeyboardSplit = 19;

struct DemoSample {
    const char* file;
    std::function<Sound()> make;
    double peak; // of full scale
};

const std::vector<DemoSample>& demoSamples() {
    static const std::vector<DemoSample> kSamples = {
        {"Drums/Kick.wav", kick, 0.9},
        {"Drums/Snare.wav", snare, 0.8},
        {"Drums/Closed Hat.wav", closedHat, 0.6},
        {"Drums/Open Hat.wav", openHat, 0.6},
        {"Drums/Clap.wav", clap, 0.8},
        {"Drums/Tom.wav", tom, 0.8},
        {"Loops/Beat 120.wav", [] { return beatLoop(kTempo); }, 0.85},
        {"Loops/Bass Line 120.wav", [] { return bassLoop(kTempo); }, 0.8},
        {"Bass/Bass C.wav", [] { return bassNote(36); }, 0.8},
        {"Bass/Bass Eb.wav", [] { return bassNote(39); }, 0.8},
        {"Bass/Bass F.wav", [] { return bassNote(41); }, 0.8},
        {"Bass/Bass G.wav", [] { return bassNote(43); }, 0.8},
    };
    return kSamples;
}

// Messages of the engine while the demo is made: the first error fails the build.
class CollectingNotifier final : public core::Notifier {
public:
    std::string first;
    core::MessageAnswer notify(const core::MessageRequest& request) override {
        if (first.empty() && request.icon == core::MessageIcon::Error) {
            first = request.text;
        }
        return core::MessageAnswer::Ok;
    }
};

class NoOutput final : public midi::MidiOutput {
public:
    void send(midi::ShortMessage /*message*/) override {}
};

platform::Status writeSound(const fs::path& path, const Sound& sound, double peak) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    audio::WaveWriter writer;
    platform::Status status = writer.open(path, 2, kDemoRate);
    if (!status.ok()) {
        return status;
    }
    writer.append(stereoWords(sound, peak));
    return writer.finish();
}

} // namespace

const std::vector<DemoSplit>& demoSplits() {
    static const std::vector<DemoSplit> kSplits = {
        {0, "Drums/Kick.wav", "Kick"},
        {1, "Drums/Snare.wav", "Snare"},
        {2, "Drums/Closed Hat.wav", "Closed hat"},
        {3, "Drums/Open Hat.wav", "Open hat"},
        {4, "Drums/Clap.wav", "Clap"},
        {5, "Drums/Tom.wav", "Tom"},
        {6, "Loops/Beat 120.wav", "Beat loop"},
        {7, "Loops/Bass Line 120.wav", "Bass line loop"},
        {8, "Bass/Bass C.wav", "Bass C"},
        {9, "Bass/Bass Eb.wav", "Bass Eb"},
        {10, "Bass/Bass F.wav", "Bass F"},
        {11, "Bass/Bass G.wav", "Bass G"},
        {kVideo1Split, "Clips/Test Card.avi", "Test card"},
        {kVideo2Split, "Clips/Fractal.avi", "Fractal"},
        {kKeyboardSplit, "Bass/Bass C.wav", "Bass keys"},
    };
    return kSplits;
}

platform::Status makeDemo(const fs::path& programFolder) {
    const fs::path style = programFolder / kDemoStyle;
    for (const DemoSample& sample : demoSamples()) {
        if (platform::Status status = writeSound(style / sample.file, sample.make(), sample.peak); !status.ok()) {
            return status;
        }
    }
    if (platform::Status status = platform::writeFileAtomically(style / "bpm.inf", "[Tempo]\nBPM=120\n");
        !status.ok()) {
        return status;
    }

    // The setup, made by the engine as a performer's drops and edits would make it.
    core::Settings settings;
    CollectingNotifier notifier;
    NoOutput output;
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    hooks.midiOutput = &output;
    session::SessionOptions options;
    options.clock = session::SessionOptions::Clock::Virtual;
    options.sound = session::SessionOptions::Sound::Offline;
    options.programDirectory = programFolder;
    session::Session session(settings, hooks, options);
    session.startDevices();
    session::Commands& commands = session.commands();
    commands.newSetup();

    const auto field = [](const char* block, const char* name) { return *midi::findSplitField(block, name); };
    const auto set = [&](int split, const char* name, long long value) {
        commands.setSplitField(split, field("", name), 0, value);
    };
    const auto setFlags = [&](int split, long long flags) {
        commands.setSplitField(split, field("sample", "sampleFlags"), 0, flags);
    };
    std::error_code ec;
    for (const DemoSplit& entry : demoSplits()) {
        const fs::path file = style / entry.file;
        const int split = entry.split;
        if (split == kVideo1Split || split == kVideo2Split) {
            if (!fs::is_regular_file(file, ec) || !commands.assignClip(split, file)) {
                continue; // the build could not make the clip: the demo goes without it
            }
            const int key = split == kVideo1Split ? 47 : 95;
            set(split, "keyLow", key);
            set(split, "keyHigh", key);
            set(split, "rootNote", key);
        } else if (split == kKeyboardSplit) {
            if (!commands.assignSample(split, file, 4)) {
                break;
            }
            // Played over the keyboard: each key its own pitch, the note held as long as the key.
            set(split, "sampleMode", static_cast<int>(midi::SampleMode::Tuned));
            set(split, "rootNote", 36);
            set(split, "keyLow", 48);
            set(split, "keyHigh", 72);
            setFlags(split, 0);
        } else {
            // A pad: dropped on it, so it takes the pad's key.
            if (!commands.assignSample(split, file, 5)) {
                break;
            }
            const bool loop = entry.file[0] == 'L';
            // Hits play once on every press; the loops start on one press and stop on the next,
            // in time with the setup's tempo.
            set(split, "sampleMode", static_cast<int>(loop ? midi::SampleMode::Sync : midi::SampleMode::OneShot));
            setFlags(split, loop ? midi::SampleFlag::kPlayLooped | midi::SampleFlag::kTriggerMouse |
                                       midi::SampleFlag::kTriggerKeys
                                 : 0);
        }
        set(split, "state", static_cast<int>(midi::SplitState::On));
        // The file by its place below the program folder, found again wherever that is installed.
        const std::string stored = (fs::path(kDemoStyle) / entry.file).generic_string();
        commands.setSplitText(split, field("", "fileName"), stored);
        set(split, "fileTitleOffset",
            static_cast<long long>(stored.size() - fs::path(entry.file).filename().string().size()));
        commands.setSplitText(split, field("", "comment"), entry.title);
    }
    if (!notifier.first.empty()) {
        return platform::Status::failure("The demo setup could not be made: " + notifier.first);
    }
    set(0, "screenMask", 4); // the DJ screen
    set(0, "setupTempo", kTempo);
    fs::create_directories(style / "Setups", ec);
    if (platform::Status status = commands.saveSetup(style / "Setups" / "Demo.mks"); !status.ok()) {
        return status;
    }
    return commands.saveSetup(programFolder / "StartUp.mks");
}

} // namespace tonwerk::demo
