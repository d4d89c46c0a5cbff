#include "session/Session.h"

#include "audio/AudioEngine.h"
#include "audio/WaveBuilder.h"
#include "cli/RouteCommand.h"
#include "core/QueuedNotifier.h"
#include "midi/SplitFields.h"
#include "session/ClipPreviewer.h"
#include "session/Commands.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"
#include "video/ClipMaker.h"
#include "video/VideoEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace tonwerk;
using test::RecordingNotifier;
using test::TempDir;

namespace {

// What the engine did, in the words of the route command's output (without the time).
class ActionLog final : public midi::MidiOutput, public midi::VoiceOperations, public midi::ScreenFeedback {
public:
    std::vector<std::string> lines;

    void send(midi::ShortMessage m) override {
        const unsigned status = m & 0xFF;
        const int bytes = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 2 : 3;
        std::string text = "midi";
        for (int i = 0; i < bytes; ++i) {
            text += hex((m >> (8 * i)) & 0xFF);
        }
        lines.push_back(text);
    }
    void startVoice(int split, std::int16_t& /*voice*/, int key, int velocity) override {
        lines.push_back("voice-start " + std::to_string(split) + " " + std::to_string(key) + " " +
                        std::to_string(velocity));
    }
    void playVoice(int split) override { lines.push_back("voice-play " + std::to_string(split)); }
    void releaseVoice(int split, std::int16_t /*voice*/) override {
        lines.push_back("voice-release " + std::to_string(split));
    }
    void muteSplit(int split) override { lines.push_back("voice-mute " + std::to_string(split)); }
    void unmuteSplit(int split, int velocity) override {
        lines.push_back("voice-unmute " + std::to_string(split) + " " + std::to_string(velocity));
    }
    void clipNoteOn(int split, std::uint32_t m, std::int32_t /*clip*/) override { clip("clip-on", split, m); }
    void clipNoteOff(int split, std::uint32_t m, std::int32_t /*clip*/) override { clip("clip-off", split, m); }
    void keyReleased(int key) override { lines.push_back("key-released " + std::to_string(key)); }

private:
    static std::string hex(unsigned byte) {
        char text[4];
        static_cast<void>(std::snprintf(text, sizeof text, " %02x", byte & 0xFF));
        return text;
    }
    void clip(const char* kind, int split, std::uint32_t m) {
        lines.push_back(std::string(kind) + " " + std::to_string(split) + hex(m & 0xFF) + hex((m >> 8) & 0xFF) +
                        hex((m >> 16) & 0xFF));
    }
};

// A second of a 441 Hz tone, 16-bit stereo at 22050 Hz.
void writeTone(const std::filesystem::path& path) {
    test::WaveBuilder wave;
    wave.channels = 2;
    wave.rate = 22050;
    for (int i = 0; i < 22050; ++i) {
        const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * 441 * i / 22050));
        wave.words({v, v});
    }
    const auto bytes = wave.bytes();
    test::writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The session's outputs all go to `log`: no MIDI ports are opened.
session::SessionHooks hooksFor(core::Notifier& notifier, ActionLog& log, session::PictureSink* pictures = nullptr) {
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    hooks.screen = &log;
    hooks.midiOutput = &log;
    hooks.voiceObserver = &log;
    hooks.pictures = pictures;
    return hooks;
}

session::SessionOptions offline() {
    session::SessionOptions options;
    options.clock = session::SessionOptions::Clock::Virtual;
    options.sound = session::SessionOptions::Sound::Offline;
    return options;
}

// A setup with a sample on split 0 (key range 60-72) and a clip on split 1 (keys 36-47), saved by
// the engine itself.
std::filesystem::path makeMediaSetup(const TempDir& dir) {
    writeTone(dir / "tone.wav");
    if (!test::makeClip(dir / "clip.avi", "mjpeg", 64, 48, 30)) {
        return {};
    }
    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    session::Session session(settings, hooksFor(notifier, log), offline());
    session.startDevices();
    session::Commands& commands = session.commands();
    const auto field = [](const char* name) { return *midi::findSplitField("", name); };
    EXPECT_TRUE(commands.assignSample(0, dir / "tone.wav", 4));
    EXPECT_TRUE(commands.setSplitField(0, field("keyLow"), 0, 60).ok());
    EXPECT_TRUE(commands.setSplitField(0, field("keyHigh"), 0, 72).ok());
    EXPECT_TRUE(commands.assignClip(1, dir / "clip.avi"));
    EXPECT_TRUE(commands.setSplitField(1, field("keyLow"), 0, 36).ok());
    EXPECT_TRUE(commands.setSplitField(1, field("keyHigh"), 0, 47).ok());
    EXPECT_TRUE(commands.setSplitField(2, field("state"), 0, 1).ok());
    EXPECT_TRUE(commands.saveSetup(dir / "media.mks").ok());
    return dir / "media.mks";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + '\n';
    }
    return text;
}

} // namespace

// The same script through the route command and through a session driven directly: the same
// actions in the same order, with samples and clips in the setup.
TEST(Session, RouteAndADirectlyDrivenSessionDoTheSame) {
    TempDir dir;
    const std::filesystem::path setup = makeMediaSetup(dir);
    if (setup.empty()) {
        GTEST_SKIP() << "the ffmpeg tool is needed to make a clip";
    }
    struct Step {
        std::uint32_t timeMs;
        std::string line;
        midi::ShortMessage message;
    };
    const std::vector<Step> steps = {
        {0, "load " + setup.string(), 0},
        {10, "90 3c 64", 0x643C90},
        {30, "90 24 50", 0x502490},
        {120, "80 3c 00", 0x3C80},
        {200, "80 24 00", 0x2480},
        {210, "tempo 140", 0},
        {220, "set 2 transpose=12", 0},
        {230, "90 30 40", 0x403090},
        {260, "80 30 00", 0x3080},
        {300, "sample 3 " + (dir / "tone.wav").string(), 0},
        {310, "90 27 7f", 0x7F2790},
        {400, "80 27 00", 0x2780},
        {410, "panic", 0},
    };

    std::string script;
    for (const Step& step : steps) {
        script += "@" + std::to_string(step.timeMs) + " " + step.line + "\n";
    }
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(cli::runRouteScript(script, cli::RouteOptions{}, out, err), 0) << err.str();
    std::vector<std::string> routed;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        routed.push_back(line.substr(line.find(' ') + 1)); // without the time
    }

    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    {
        session::Session session(settings, hooksFor(notifier, log), offline());
        session.startDevices();
        session::Commands& commands = session.commands();
        for (const Step& step : steps) {
            session.advanceTo(step.timeMs);
            if (step.message != 0) {
                session.performance().onMidiData(midi::MidiSource::Device, step.message);
            } else if (step.line.starts_with("load ")) {
                ASSERT_TRUE(commands.loadSetup(setup));
            } else if (step.line == "tempo 140") {
                commands.setTempo(140);
            } else if (step.line.starts_with("set 2")) {
                ASSERT_TRUE(commands.setSplitField(2, *midi::findSplitField("", "transpose"), 0, 12).ok());
            } else if (step.line.starts_with("sample 3")) {
                ASSERT_TRUE(commands.assignSample(3, dir / "tone.wav", 4));
            } else if (step.line == "panic") {
                commands.panic();
            }
        }
        log.lines.push_back("end"); // what the session does as it is taken down is not compared
    }
    log.lines.resize(
        static_cast<std::size_t>(std::find(log.lines.begin(), log.lines.end(), "end") - log.lines.begin()));

    EXPECT_EQ(joined(routed), joined(log.lines));
    // The run did what the setup says: the sample sounded, the clip started, MIDI went out.
    const std::string text = joined(log.lines);
    EXPECT_NE(text.find("voice-start 0 60 100"), std::string::npos) << text;
    EXPECT_NE(text.find("clip-on 1 91 24 50"), std::string::npos) << text;
    EXPECT_NE(text.find("midi 92 3c 40"), std::string::npos) << text; // split 2, one octave up
    EXPECT_NE(text.find("voice-start 3 39 127"), std::string::npos) << text;
}

// The solo and on/off rules of the screens' row buttons, as plain bookkeeping.
TEST(Session, SoloRulesRestoreWhatTheyMuted) {
    std::array<midi::Split, midi::kSplitCount> splits{};
    const auto states = [&] {
        std::string text;
        for (int i = 0; i < 8; ++i) {
            text += std::to_string(splits[static_cast<std::size_t>(i)].state) + ' ';
        }
        return text;
    };
    auto reset = [&] {
        for (std::size_t i = 0; i < splits.size(); ++i) {
            splits[i].state = i % 2 == 0 ? 1 : 0; // 0, 2, 4, 6 on
            splits[i].solo = 0;
        }
    };
    reset();
    session::SoloState solo;
    const std::string before = states();

    // Solo on row 3 (off), then again: every split's state is back.
    session::applySolo(splits, solo, 3);
    EXPECT_EQ(states(), "-1 0 -1 1 -1 0 -1 0 ");
    EXPECT_EQ(splits[3].solo, 1);
    EXPECT_TRUE(solo.engaged);
    session::applySolo(splits, solo, 3);
    EXPECT_EQ(states(), before);
    EXPECT_EQ(splits[3].solo, 0);
    EXPECT_FALSE(solo.engaged);

    // Solo on row 2, then on row 4: row 2 muted, row 4 on, nothing else changes.
    reset();
    solo = {};
    session::applySolo(splits, solo, 2);
    EXPECT_EQ(states(), "-1 0 1 0 -1 0 -1 0 ");
    session::applySolo(splits, solo, 4);
    EXPECT_EQ(states(), "-1 0 -1 0 1 0 -1 0 ");
    EXPECT_EQ(splits[2].solo, 0);
    EXPECT_EQ(splits[4].solo, 1);
    // Lifting the moved solo restores the setup as it was: row 4, muted by the first solo when it
    // moved there, comes back on rather than staying silenced.
    session::applySolo(splits, solo, 4);
    EXPECT_EQ(states(), before);
    EXPECT_FALSE(solo.engaged);

    // An on/off button cancels solo: muted splits on again, the pressed row toggled.
    reset();
    solo = {};
    session::applySolo(splits, solo, 0);
    session::applyOnOff(splits, solo, 5);
    EXPECT_EQ(states(), "1 0 1 0 1 1 1 0 ");
    EXPECT_FALSE(solo.engaged);
    EXPECT_EQ(splits[0].solo, 0);
    session::applyOnOff(splits, solo, 5);
    EXPECT_EQ(states(), before);

    // Random presses never leave a split muted once solo is lifted.
    std::uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        seed = seed * 1664525u + 1013904223u;
        const int row = static_cast<int>((seed >> 16) % 8);
        if ((seed >> 8) % 3 == 0) {
            session::applyOnOff(splits, solo, row);
        } else {
            session::applySolo(splits, solo, row);
        }
        if (!solo.engaged) {
            for (const midi::Split& s : splits) {
                ASSERT_NE(s.state, -1) << "round " << round;
            }
        }
    }
}

// Split fields through the commands: the field table's types, entries and texts are checked, a
// refused change writes nothing.
TEST(Session, CommandsCheckSplitFieldsAgainstTheTable) {
    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    session::Session session(settings, hooksFor(notifier, log), offline());
    session::Commands& commands = session.commands();
    const midi::Split before = session.performance().split(5);
    const auto* keyLow = midi::findSplitField("", "keyLow");
    const auto* curve = midi::findSplitField("", "velocityCurve");
    const auto* comment = midi::findSplitField("", "comment");
    const auto* target = midi::findSplitField("", "controllerTarget");
    ASSERT_TRUE(keyLow && curve && comment && target);

    EXPECT_FALSE(commands.setSplitField(24, *keyLow, 0, 1).ok());
    EXPECT_FALSE(commands.setSplitField(-1, *keyLow, 0, 1).ok());
    EXPECT_FALSE(commands.setSplitField(5, *keyLow, 1, 1).ok()); // no entries
    EXPECT_FALSE(commands.setSplitField(5, *curve, 128, 1).ok());
    EXPECT_FALSE(commands.setSplitField(5, *target, 0, 256).ok());
    EXPECT_FALSE(commands.setSplitField(5, *target, 0, -1).ok());
    EXPECT_FALSE(commands.setSplitField(5, *keyLow, 0, 0x100000000LL).ok());
    EXPECT_FALSE(commands.setSplitField(5, *comment, 0, 1).ok()); // a text takes a text
    EXPECT_FALSE(commands.setSplitText(5, *comment, std::string(20, 'x')).ok());
    EXPECT_FALSE(commands.setSplitText(5, *keyLow, "x").ok());
    EXPECT_EQ(std::memcmp(&before, &session.performance().split(5), sizeof before), 0);

    EXPECT_TRUE(commands.setSplitField(5, *keyLow, 0, 0xFFFFFFFFLL).ok());
    EXPECT_EQ(session.performance().split(5).keyLow, -1);
    EXPECT_TRUE(commands.setSplitField(5, *curve, 127, 3).ok());
    EXPECT_EQ(session.performance().split(5).velocityCurve[127], 3);
    EXPECT_TRUE(commands.setSplitText(5, *comment, std::string(19, 'y')).ok());
    EXPECT_EQ(midi::fieldText(session.performance().split(5).comment), std::string(19, 'y'));
    EXPECT_TRUE(commands.setSplitText(5, *comment, "ab").ok());
    EXPECT_EQ(midi::fieldText(session.performance().split(5).comment), "ab"); // the rest cleared

    midi::Split edited = session.performance().split(7);
    edited.transpose = -12;
    EXPECT_TRUE(commands.writeSplit(7, edited).ok());
    EXPECT_EQ(session.performance().split(7).transpose, -12);
    EXPECT_FALSE(commands.writeSplit(24, edited).ok());

    EXPECT_EQ(commands.setTempo(400), 260);
    EXPECT_EQ(session.performance().split(0).setupTempo, 260);
    EXPECT_EQ(commands.setPitch(-30), -24);
    EXPECT_EQ(session.performance().split(0).setupPitch, -24);
}

// A file that cannot be assigned leaves its split a MIDI split; New Setup lets go of every
// split's media.
TEST(Session, MediaCommandsAndNewSetup) {
    TempDir dir;
    writeTone(dir / "tone.wav");
    test::writeFile(dir / "broken.wav", "RIFF\x04\x00\x00\x00WAVE");
    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    session::Session session(settings, hooksFor(notifier, log), offline());
    session.startDevices();
    session::Commands& commands = session.commands();

    EXPECT_FALSE(commands.assignSample(4, dir / "broken.wav"));
    EXPECT_EQ(session.performance().split(4).taskKind(), midi::SplitTask::Midi);
    EXPECT_GE(notifier.count(), 1u);
    EXPECT_FALSE(commands.assignClip(4, dir / "missing.avi"));
    EXPECT_EQ(session.performance().split(4).taskKind(), midi::SplitTask::Midi);

    ASSERT_TRUE(commands.assignSample(4, dir / "tone.wav"));
    const midi::Split& split = session.performance().split(4);
    EXPECT_EQ(split.taskKind(), midi::SplitTask::Sample);
    EXPECT_TRUE(split.isOn());
    EXPECT_GT(session.audio().sampleSourceRate(4), 0);

    commands.newSetup();
    EXPECT_EQ(session.audio().sampleSourceRate(4), 0);
    EXPECT_EQ(session.performance().split(4).taskKind(), midi::SplitTask::Midi);
    EXPECT_EQ(session.performance().split(0).setupTempo, 120);
}

// A message asked for on another thread waits for the owner's next delivery; the asking thread
// goes on at once with the box's default answer.
TEST(Session, MessagesFromEngineThreadsAreQueuedForTheDispatcher) {
    RecordingNotifier target;
    core::QueuedNotifier queued(target);
    core::MessageAnswer answer = core::MessageAnswer::Cancel;
    std::thread other([&] {
        answer = queued.notify({"from the timer", "Warning", core::MessageIcon::Warning, core::MessageButtons::YesNo});
        for (int i = 0; i < 40; ++i) {
            queued.notify({"flood", "", core::MessageIcon::None, core::MessageButtons::Ok});
        }
    });
    other.join();
    EXPECT_EQ(answer, core::MessageAnswer::Yes);
    EXPECT_EQ(target.count(), 0u);
    EXPECT_EQ(queued.queued(), core::QueuedNotifier::kMaxQueued);

    queued.notify({"on the dispatcher", "", core::MessageIcon::None, core::MessageButtons::Ok});
    const auto shown = target.shown();
    ASSERT_EQ(shown.size(), core::QueuedNotifier::kMaxQueued + 2); // the queue, the count, then this
    EXPECT_EQ(shown.front().request.text, "from the timer");
    EXPECT_NE(shown[core::QueuedNotifier::kMaxQueued].request.text.find("9 further messages"), std::string::npos);
    EXPECT_EQ(shown.back().request.text, "on the dispatcher");
    for (const auto& s : shown) {
        EXPECT_EQ(s.thread, std::this_thread::get_id());
    }
}

namespace {

class PictureCounter final : public session::PictureSink {
public:
    void pictureReady(const video::PictureSlot& slot) override {
        std::vector<std::uint8_t> bytes;
        int width = 0;
        int height = 0;
        if (slot.take(bytes, width, height, m_sequence)) {
            m_count.fetch_add(1);
        }
    }
    [[nodiscard]] int count() const { return m_count.load(); }

private:
    std::uint64_t m_sequence = 0; // composition thread only
    std::atomic<int> m_count{0};
};

} // namespace

// The engines' threads together: the 4 ms timer and the worker feed the voices and pace the
// frames, the composition thread composes clips, while the dispatcher loads setups with samples
// and clips, plays their keys, edits splits and starts new setups. Nothing may crash, and under
// the thread sanitizer nothing may race.
TEST(SessionThreads, SetupsLoadWhileClipsCompose) {
    TempDir dir;
    const std::filesystem::path setup = makeMediaSetup(dir);
    if (setup.empty()) {
        GTEST_SKIP() << "the ffmpeg tool is needed to make a clip";
    }
    RecordingNotifier notifier;
    ActionLog log;
    PictureCounter pictures;
    core::Settings settings;
    session::SessionOptions options;
    options.sound = session::SessionOptions::Sound::None;
    options.pictureWidth = 160;
    options.pictureHeight = 120;
    session::Session session(settings, hooksFor(notifier, log, &pictures), options);
    session.startDevices();
    session::Commands& commands = session.commands();
    const auto* transpose = midi::findSplitField("", "transpose");

    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    int round = 0;
    std::uint32_t nextTick = session.nowMs();
    auto runFor = [&](int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            session.waitAndDeliverMidiInput(1);
            for (const std::uint32_t now = session.nowMs(); static_cast<std::int32_t>(now - nextTick) >= 0;
                 nextTick += 4) {
                session.tick(nextTick);
            }
        }
    };
    while (std::chrono::steady_clock::now() < until) {
        ASSERT_TRUE(commands.loadSetup(setup));
        session.performance().onMidiData(midi::MidiSource::Device, 0x642490); // the clip
        session.performance().onMidiData(midi::MidiSource::Device, 0x643C90); // the sample
        runFor(60);
        commands.solo(1);
        EXPECT_TRUE(commands.setSplitField(2, *transpose, 0, round % 24).ok());
        commands.setTempo(100 + round % 80);
        runFor(40);
        session.performance().onMidiData(midi::MidiSource::Device, 0x3C80);
        session.performance().onMidiData(midi::MidiSource::Device, 0x2480);
        commands.solo(1);
        if (round % 3 == 2) {
            commands.newSetup();
        }
        ++round;
    }
    session.shutdown();
    EXPECT_GT(round, 5);
    EXPECT_GT(pictures.count(), 10) << "the composition thread made pictures";
}

namespace {

// The wave dialog's commands: a sounding voice follows the sliders at once, Play refuses a key
// outside the split, Stop ends the voice, and Cancel's restore brings back the sample the dialog
// replaced or freed, or leaves none when its file is gone.
TEST(Session, WaveDialogCommands) {
    TempDir dir;
    writeTone(dir / "tone.wav");
    test::WaveBuilder longer;
    longer.channels = 2;
    longer.rate = 22050;
    for (int i = 0; i < 3 * 22050; ++i) {
        longer.words({static_cast<std::int16_t>(i % 100 * 50), static_cast<std::int16_t>(i % 100 * 50)});
    }
    const auto bytes = longer.bytes();
    test::writeFile(dir / "long.wav", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    session::Session session(settings, hooksFor(notifier, log), offline());
    session.startDevices();
    session::Commands& commands = session.commands();
    ASSERT_TRUE(commands.assignSample(2, dir / "long.wav"));
    const auto field = [](const char* name) { return *midi::findSplitField("", name); };
    commands.setSplitField(2, field("sampleMode"), 0, static_cast<int>(midi::SampleMode::Tuned));
    commands.setSplitField(2, field("keyLow"), 0, 48);
    commands.setSplitField(2, field("keyHigh"), 0, 72);
    commands.setSplitField(2, field("rootNote"), 0, 60);
    const auto render = [&](std::uint32_t until) {
        session.advanceTo(until, [&](std::uint32_t now) { session.audio().offlineOutput()->renderUntilMs(now); });
    };

    EXPECT_EQ(commands.startAudition(2, 40), -1) << "outside the split's keys";
    const int voice = commands.startAudition(2, 60);
    ASSERT_GE(voice, 0);
    render(400);
    const auto first = commands.voiceProgress(2);
    ASSERT_TRUE(first.sounding);
    EXPECT_TRUE(first.audible);
    render(800);
    const int plain = commands.voiceProgress(2).readPos - first.readPos;
    const int rate = session.performance().split(2).sample.sampleRate;
    commands.setSampleRate(2, 2 * rate);
    const int before = commands.voiceProgress(2).readPos;
    render(1200);
    const int doubled = commands.voiceProgress(2).readPos - before;
    EXPECT_NEAR(static_cast<double>(doubled) / plain, 2.0, 0.25) << plain << " " << doubled;
    commands.setSampleRate(2, 200000); // stored, not applied
    EXPECT_EQ(session.performance().split(2).sample.sampleRate, 200000);
    commands.setSampleVolume(2, -1200);
    commands.setSamplePan(2, 0);
    EXPECT_EQ(session.performance().split(2).sample.volume, -1200);
    EXPECT_EQ(session.performance().split(2).sample.pan, 0);
    commands.stopAudition(2, voice);
    render(1600);
    EXPECT_FALSE(commands.voiceProgress(2).audible);

    // Cancel after another sample was loaded, and after Free Sample.
    commands.setSampleRate(2, rate);
    const midi::Split saved = session.performance().split(2);
    ASSERT_TRUE(commands.assignSample(2, dir / "tone.wav"));
    EXPECT_NE(session.performance().split(2).sample.sampleBytes, saved.sample.sampleBytes);
    commands.restoreSplit(2, saved, true);
    EXPECT_EQ(session.performance().split(2).sample.sampleBytes, saved.sample.sampleBytes);
    EXPECT_EQ(midi::fieldText(session.performance().split(2).fileName), (dir / "long.wav").string());
    commands.freeSample(2);
    EXPECT_EQ(session.performance().split(2).sample.sampleData, 0);
    EXPECT_EQ(midi::fieldText(session.performance().split(2).fileName), "no sample or AVI file loaded");
    commands.restoreSplit(2, saved, true);
    EXPECT_EQ(session.performance().split(2).sample.sampleBytes, saved.sample.sampleBytes);
    EXPECT_GE(commands.startAudition(2, 60), 0) << "the restored sample plays";

    // A synchronised loop takes a new loop tempo at once: half the loop tempo, twice the speed.
    commands.stopAudition(2, -1);
    ASSERT_TRUE(commands.assignSample(6, dir / "long.wav"));
    commands.setSplitField(6, field("sampleMode"), 0, static_cast<int>(midi::SampleMode::Sync));
    commands.setSplitField(6, field("loopTempo"), 0, 120);
    commands.setSplitField(6, field("keyLow"), 0, 42);
    commands.setSplitField(6, field("keyHigh"), 0, 42);
    commands.setSplitField(6, field("rootNote"), 0, 42);
    ASSERT_GE(commands.startAudition(6, 42), 0);
    render(2000);
    const int loopStart = commands.voiceProgress(6).readPos;
    render(2400);
    const int atTempo = commands.voiceProgress(6).readPos - loopStart;
    commands.setSplitField(6, field("loopTempo"), 0, 60);
    commands.reapplyTempo();
    const int fasterStart = commands.voiceProgress(6).readPos;
    render(2800);
    const int faster = commands.voiceProgress(6).readPos - fasterStart;
    EXPECT_NEAR(static_cast<double>(faster) / atTempo, 2.0, 0.25) << atTempo << " " << faster;

    std::filesystem::remove(dir / "long.wav");
    commands.freeSample(2);
    const auto messages = notifier.count();
    commands.restoreSplit(2, saved, true);
    EXPECT_EQ(notifier.count(), messages + 1) << "the missing file is reported";
    EXPECT_EQ(session.performance().split(2).sample.sampleData, 0);
    EXPECT_EQ(commands.startAudition(2, 60), -1);
}

// The video dialog's engine side: the preview renders the split's clip from its own copy of the
// video block and steps it; Free AVI empties the split's name; OK without a clip makes an empty
// MIDI split; Cancel after a load into a sample split brings the sample back and drops the clip.
TEST(Session, VideoDialogCommandsAndPreview) {
    TempDir dir;
    if (!test::makeClip(dir / "clip.avi", "mjpeg", 64, 48, 30)) {
        GTEST_SKIP() << "no ffmpeg tool";
    }
    writeTone(dir / "tone.wav");
    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    session::Session session(settings, hooksFor(notifier, log), offline());
    session.startDevices();
    session::Commands& commands = session.commands();
    ASSERT_TRUE(commands.assignClip(1, dir / "clip.avi"));

    session::ClipPreviewer preview(session);
    EXPECT_FALSE(preview.attach(0)) << "no clip there";
    ASSERT_TRUE(preview.attach(1));
    EXPECT_EQ(preview.stream().length, 30);
    EXPECT_EQ(preview.stream().width, 64);
    midi::VideoBlock state = session.performance().split(1).video;
    const midi::VideoBlock before = state;
    state.playing = 1;
    for (int tick = 0; tick < 5; ++tick) {
        const video::FrameBuffer* picture = preview.render(state, 80, 60);
        ASSERT_NE(picture, nullptr) << tick;
        EXPECT_EQ(picture->width(), 80);
    }
    EXPECT_EQ(state.clipEnd, 29) << "the ranges come from the stream";
    EXPECT_GT(state.framePos, 0);
    EXPECT_EQ(std::memcmp(&before, &session.performance().split(1).video, sizeof before), 0)
        << "the split's own block is untouched";

    commands.freeClip(1);
    EXPECT_EQ(midi::fieldText(session.performance().split(1).fileName), "no sample or AVI file loaded");
    EXPECT_EQ(session.performance().split(1).video.firstStream, -1);
    EXPECT_FALSE(preview.attach(1));
    commands.applyVideoSettings(1, state, false);
    const midi::Split& emptied = session.performance().split(1);
    EXPECT_EQ(emptied.taskKind(), midi::SplitTask::Midi);
    EXPECT_EQ(emptied.stateKind(), midi::SplitState::Off);
    EXPECT_EQ(emptied.keyLow, 36);
    EXPECT_EQ(emptied.keyHigh, 96);

    ASSERT_TRUE(commands.assignSample(4, dir / "tone.wav"));
    const midi::Split saved = session.performance().split(4);
    ASSERT_TRUE(commands.assignClip(4, dir / "clip.avi"));
    EXPECT_EQ(session.performance().split(4).sample.sampleData, 0) << "the clip took the split";
    commands.cancelVideoLoad(4, saved);
    const midi::Split& back = session.performance().split(4);
    EXPECT_EQ(back.taskKind(), midi::SplitTask::Sample);
    EXPECT_EQ(back.sample.sampleBytes, saved.sample.sampleBytes);
    EXPECT_EQ(back.video.firstStream, -1);
    EXPECT_EQ(midi::fieldText(back.fileName), (dir / "tone.wav").string());

    // OK with a clip: the dialog's block, the split's own slots.
    ASSERT_TRUE(commands.assignClip(5, dir / "clip.avi"));
    midi::VideoBlock edited = session.performance().split(5).video;
    const std::int32_t slot = edited.firstStream;
    edited.firstStream = 40;
    edited.mixMode = 0x2000;
    commands.applyVideoSettings(5, edited, true);
    EXPECT_EQ(session.performance().split(5).video.mixMode, 0x2000);
    EXPECT_EQ(session.performance().split(5).video.firstStream, slot);
}

// A sample dropped on a pad while its split sounds: the forwarded note gets its note-off first,
// a sounding voice is released, and the key released afterwards finds nothing of that split.
TEST(Session, NewMediaEndsWhatTheSplitSounds) {
    TempDir dir;
    writeTone(dir / "tone.wav");
    RecordingNotifier notifier;
    ActionLog log;
    core::Settings settings;
    session::Session session(settings, hooksFor(notifier, log), offline());
    session.startDevices();
    session::Commands& commands = session.commands();
    const auto field = [](const char* name) { return *midi::findSplitField("", name); };
    for (int split = 0; split < midi::kSplitCount; ++split) {
        commands.setSplitField(split, field("state"), 0, split == 4 ? 1 : 0);
    }
    commands.setSplitField(4, field("keyLow"), 0, 36);
    commands.setSplitField(4, field("keyHigh"), 0, 36);
    commands.setSplitField(4, field("midiOutChannel"), 0, 0);
    const auto count = [&log](const std::string& line) { return std::count(log.lines.begin(), log.lines.end(), line); };

    commands.userInput(midi::shortMessage(0x90, 36, 100)); // the pad is held (keyboard velocity 127)
    ASSERT_EQ(count("midi 90 24 7f"), 1) << ::testing::PrintToString(log.lines);
    ASSERT_TRUE(commands.assignSample(4, dir / "tone.wav"));
    EXPECT_EQ(count("midi 80 24 7f"), 1) << "the held note ended: " << ::testing::PrintToString(log.lines);
    log.lines.clear();
    commands.userInput(midi::shortMessage(0x80, 36, 0)); // the pad is let go
    EXPECT_EQ(count("midi 80 24 7f") + count("midi 80 24 00") + count("voice-release 4"), 0)
        << ::testing::PrintToString(log.lines);

    // Now a sample split, held: new media releases its voice once.
    commands.userInput(midi::shortMessage(0x90, 36, 100));
    ASSERT_EQ(count("voice-start 4 36 127"), 1) << ::testing::PrintToString(log.lines);
    ASSERT_TRUE(commands.assignSample(4, dir / "tone.wav"));
    EXPECT_EQ(count("voice-release 4"), 1);
    commands.userInput(midi::shortMessage(0x80, 36, 0));
    EXPECT_EQ(count("voice-release 4"), 1) << "nothing is released twice";
    EXPECT_EQ(session.performance().pool().freeCount(), midi::NotePool::kCapacity);

    // A latched loop (it plays on after its key): new media releases it, and the next press
    // starts the new sample instead of latching the old one off.
    commands.setSplitField(4, *midi::findSplitField("sample", "sampleFlags"), 0,
                           midi::SampleFlag::kPlayLooped | midi::SampleFlag::kTriggerKeys);
    commands.setSplitField(4, field("sampleMode"), 0, static_cast<int>(midi::SampleMode::OneShot));
    log.lines.clear();
    commands.userInput(midi::shortMessage(0x90, 36, 100));
    commands.userInput(midi::shortMessage(0x80, 36, 0));
    ASSERT_EQ(count("voice-start 4 36 127"), 1) << ::testing::PrintToString(log.lines);
    ASSERT_EQ(count("voice-release 4"), 0) << "latched";
    ASSERT_TRUE(commands.assignSample(4, dir / "tone.wav"));
    EXPECT_EQ(count("voice-release 4"), 1);
    commands.userInput(midi::shortMessage(0x90, 36, 100));
    EXPECT_EQ(count("voice-start 4 36 127"), 2) << "the next press starts the new sample";
    commands.userInput(midi::shortMessage(0x80, 36, 0));
    commands.userInput(midi::shortMessage(0x90, 36, 100)); // and the press after it stops it
    commands.userInput(midi::shortMessage(0x80, 36, 0));
    EXPECT_EQ(count("voice-release 4"), 2);

    // A running clip: a new clip on its split ends the old one's note first, once.
    if (test::makeClip(dir / "clip.avi", "mjpeg", 32, 24, 5)) {
        commands.setSplitField(5, field("state"), 0, 1);
        commands.setSplitField(5, field("keyLow"), 0, 40);
        commands.setSplitField(5, field("keyHigh"), 0, 40);
        commands.setSplitField(5, field("rootNote"), 0, 40);
        ASSERT_TRUE(commands.assignClip(5, dir / "clip.avi"));
        const auto clipOffs = [&log] {
            return std::count_if(log.lines.begin(), log.lines.end(),
                                 [](const std::string& line) { return line.starts_with("clip-off 5 "); });
        };
        commands.userInput(midi::shortMessage(0x90, 40, 100));
        ASSERT_EQ(count("clip-on 5 95 28 7f"), 1) << ::testing::PrintToString(log.lines);
        ASSERT_TRUE(commands.assignClip(5, dir / "clip.avi"));
        EXPECT_EQ(clipOffs(), 1) << ::testing::PrintToString(log.lines);
        commands.userInput(midi::shortMessage(0x80, 40, 0));
        EXPECT_EQ(clipOffs(), 1) << "nothing ends twice";
    }
    EXPECT_EQ(session.performance().pool().freeCount(), midi::NotePool::kCapacity);
}

} // namespace
