#include "demo/DemoMaker.h"
#include "demo/DemoSounds.h"

#include "audio/AudioEngine.h"
#include "core/Settings.h"
#include "midi/Split.h"
#include "platform/SoundDevice.h"
#include "session/Commands.h"
#include "session/Session.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"
#include "video/ClipMaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

using namespace tonwerk;
namespace fs = std::filesystem;

namespace {

float peakOf(std::span<const float> sound) {
    float peak = 0;
    for (const float v : sound) {
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

// Every demo sound: loud from its start, silent at its end (no click when it stops), the same
// on every run.
TEST(DemoSounds, HitsStartAtOnceAndEndInSilence) {
    const std::vector<std::pair<const char*, demo::Sound (*)()>> hits = {{"kick", demo::kick},
                                                                         {"snare", demo::snare},
                                                                         {"closed hat", demo::closedHat},
                                                                         {"open hat", demo::openHat},
                                                                         {"clap", demo::clap},
                                                                         {"tom", demo::tom},
                                                                         {"bass", [] { return demo::bassNote(36); }}};
    for (const auto& [name, make] : hits) {
        const demo::Sound sound = make();
        ASSERT_GT(sound.size(), 2000U) << name;
        const float peak = peakOf(sound);
        EXPECT_GT(peak, 0.05F) << name;
        const std::span<const float> head(sound.data(), 441); // the first 10 ms
        EXPECT_GT(peakOf(head), 0.3F * peak) << name << " starts late";
        EXPECT_LT(std::abs(sound.back()), 1e-4F) << name << " ends with a click";
        EXPECT_EQ(sound, make()) << name << " differs between runs";
    }
}

// A loop is exactly two bars long, so its length tells its tempo, and it joins without a jump:
// the step from its last frame to its first is no larger than steps inside it.
TEST(DemoSounds, LoopsAreTwoBarsAndJoinSeamlessly) {
    for (const int bpm : {120, 100, 137}) {
        for (const demo::Sound& loop : {demo::beatLoop(bpm), demo::bassLoop(bpm)}) {
            EXPECT_NEAR(static_cast<double>(loop.size()), 8 * 60.0 / bpm * demo::kDemoRate, 1.0) << bpm;
            float largestStep = 0;
            for (std::size_t i = 1; i < loop.size(); ++i) {
                largestStep = std::max(largestStep, std::abs(loop[i] - loop[i - 1]));
            }
            EXPECT_LE(std::abs(loop.front() - loop.back()), largestStep) << bpm;
        }
    }
    EXPECT_NEAR(demo::keyFrequency(69), 440.0, 1e-9);
    EXPECT_NEAR(demo::keyFrequency(36), 65.406, 1e-3);
}

TEST(DemoSounds, StereoWordsScaleToTheirPeak) {
    const demo::Sound sound = {0.0F, 0.25F, -0.5F, 0.1F};
    const std::vector<std::int16_t> words = demo::stereoWords(sound, 0.5);
    ASSERT_EQ(words.size(), 8U);
    EXPECT_EQ(words[4], -16384); // the peak at half of full scale
    EXPECT_EQ(words[4], words[5]);
    EXPECT_EQ(words[2], 8192);
    // Silence stays silence (no division by a zero peak); a peak above 1 is full scale.
    EXPECT_EQ(demo::stereoWords(demo::Sound(3, 0.0F), 0.8), std::vector<std::int16_t>(6, 0));
    EXPECT_EQ(demo::stereoWords(demo::Sound{-1.0F}, 7.0)[0], -32767);
}

// What the engine does with the loaded demo: the voices it starts.
class VoiceLog final : public midi::VoiceOperations {
public:
    std::vector<int> started; // splits
    void startVoice(int split, std::int16_t& /*voice*/, int /*key*/, int /*velocity*/) override {
        started.push_back(split);
    }
};

class NoOutput final : public midi::MidiOutput {
public:
    void send(midi::ShortMessage /*message*/) override {}
};

// The demo made into a program folder, then the folder installed somewhere else: the start-up
// setup finds every sample and clip in its new place, the pads play their hits and the keyboard
// split its bass, and the sound comes out.
TEST(DemoMaker, TheDemoLoadsWhereverItIsInstalled) {
    test::TempDir built;
    const fs::path clips = built / "MusicStyles/Demo/Clips";
    fs::create_directories(clips);
    const bool haveClips = test::makeClip(clips / "Test Card.avi", "mpeg4", 64, 48, 10) &&
                           test::makeClip(clips / "Fractal.avi", "mpeg4", 64, 48, 10);
    ASSERT_TRUE(demo::makeDemo(built.path()).ok());
    EXPECT_TRUE(fs::is_regular_file(built / "MusicStyles/Demo/Setups/Demo.mks"));
    EXPECT_TRUE(fs::is_regular_file(built / "MusicStyles/Demo/bpm.inf"));

    test::TempDir installed;
    fs::copy(built.path(), installed / "share", fs::copy_options::recursive);
    fs::remove_all(built / "MusicStyles"); // nothing of the old place is left to find

    core::Settings settings;
    test::RecordingNotifier notifier;
    VoiceLog voices;
    NoOutput output;
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    hooks.voiceObserver = &voices;
    hooks.midiOutput = &output;
    session::SessionOptions options;
    options.clock = session::SessionOptions::Clock::Virtual;
    options.sound = session::SessionOptions::Sound::Offline;
    options.programDirectory = installed / "share";
    session::Session session(settings, hooks, options);
    session.startDevices();
    ASSERT_TRUE(session.commands().loadSetup(installed / "share" / "StartUp.mks"));
    EXPECT_EQ(notifier.count(), 0U);

    for (const demo::DemoSplit& entry : demo::demoSplits()) {
        const midi::Split& split = session.performance().split(entry.split);
        const bool clip = std::string(entry.file).ends_with(".avi");
        if (clip && !haveClips) {
            continue;
        }
        EXPECT_EQ(split.taskKind(), clip ? midi::SplitTask::Avi : midi::SplitTask::Sample) << entry.file;
        EXPECT_EQ(fs::path(midi::fieldText(split.fileName)), installed / "share" / demo::kDemoStyle / entry.file);
        if (!clip) {
            EXPECT_GT(split.sample.sampleBytes, 0) << entry.file;
        }
    }
    EXPECT_EQ(session.performance().split(0).setupTempo, 120);
    EXPECT_EQ(session.performance().split(6).sampleModeKind(), midi::SampleMode::Sync);

    // Pad 1 (key 36), a bass key (60) and nothing between the pads and the keyboard (45).
    for (const int key : {36, 60, 45}) {
        session.performance().onMidiData(midi::MidiSource::Device, midi::shortMessage(0x90, key, 110));
    }
    EXPECT_EQ(voices.started, (std::vector<int>{0, 19}));
    session.advanceTo(300, [&](std::uint32_t now) { session.audio().offlineOutput()->renderUntilMs(now); });
    const auto& rendered = session.audio().offlineOutput()->samples();
    ASSERT_FALSE(rendered.empty());
    const auto loudest = std::ranges::max(rendered, {}, [](std::int16_t v) { return std::abs(v); });
    EXPECT_GT(std::abs(loudest), 3000);
    // The beat loop on pad 7 (key 42) goes on after its key is let go and stops at the next press.
    const auto peakFrom = [&](std::size_t from) {
        const auto& all = session.audio().offlineOutput()->samples();
        int peak = 0;
        for (std::size_t i = from; i < all.size(); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(all[i])));
        }
        return peak;
    };
    const auto play = [&](int key, std::uint32_t untilMs) {
        session.performance().onMidiData(midi::MidiSource::Device, midi::shortMessage(0x90, key, 110));
        session.performance().onMidiData(midi::MidiSource::Device, midi::shortMessage(0x80, key, 0));
        const std::size_t from = session.audio().offlineOutput()->samples().size() + 2 * 44100 / 10;
        session.advanceTo(untilMs, [&](std::uint32_t now) { session.audio().offlineOutput()->renderUntilMs(now); });
        return peakFrom(from); // from 100 ms after the press
    };
    for (const int key : {36, 60}) {
        session.performance().onMidiData(midi::MidiSource::Device, midi::shortMessage(0x80, key, 0));
    }
    session.advanceTo(2500, [&](std::uint32_t now) { session.audio().offlineOutput()->renderUntilMs(now); });
    EXPECT_GT(play(42, 4500), 3000) << "the loop plays on after its key";
    EXPECT_LT(play(42, 5500), 100) << "the second press stops it";
}

} // namespace
