#include "EngineFixture.h"

#include <gtest/gtest.h>

using namespace tonwerk::midi;
using tonwerk::test::EngineTest;
using Events = std::vector<std::string>;

namespace {

class SampleTest : public EngineTest {
protected:
    Split& sampleSplit(int index, int mode) {
        Split& s = on(index);
        s.task = 2;
        s.sampleMode = mode;
        s.sample.sampleFlags = 0;
        return s;
    }
};

TEST_F(SampleTest, SustainedSampleNotesEndAtPedalUp) {
    Split& s = sampleSplit(0, 1);
    play(0xB0, 64, 127);
    play(0x90, 60, 100);
    play(0x80, 60, 0); // held by the pedal
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 60 100", "voice-play 0"}));
    EXPECT_EQ(engine.pool().freeCount(), 511);
    play(0x90, 60, 90); // the same key again while the first still sounds
    play(0x80, 60, 0);
    hooks.take();
    play(0xB0, 64, 0);
    EXPECT_EQ(hooks.take(), (Events{"voice-release 0 100", "voice-release 0 100"}));
    EXPECT_EQ(engine.pool().freeCount(), 512);
    EXPECT_EQ(s.sample.playFlags & PlayFlag::kStarted, 0);

    // "Only with pedal" splits are not held by it.
    s.sfxFlags = Sfx::kPedalDownOnly;
    play(0xB0, 64, 127);
    play(0x90, 61, 100);
    play(0x80, 61, 0);
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 61 100", "voice-play 0", "voice-release 0 100"}));
}

TEST_F(SampleTest, SustainedStaccatoKeyCountsAsReleased) {
    Split& s = sampleSplit(0, 1);
    s.sfxFlags = Sfx::kStaccato;
    play(0xB0, 64, 127);
    play(0x90, 60, 100);
    play(0x80, 60, 0); // the key is up although the sound is held
    EXPECT_EQ(s.heldCount, 0);
    hooks.take();
    play(0x90, 62, 100); // so the next key sounds under staccato
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 62 100", "voice-play 0"}));
}

TEST_F(SampleTest, OnlyTheLowKeySoundsOutsideModeOne) {
    Split& s = sampleSplit(0, 2);
    s.keyLow = 48;
    play(0x90, 50, 100);
    play(0x80, 50, 0);
    EXPECT_TRUE(hooks.take().empty());
    play(0x90, 48, 100);
    play(0x80, 48, 0);
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 48 100", "voice-play 0", "voice-release 0 100"}));
}

TEST_F(SampleTest, TriggerModeLatchesOnAndOff) {
    Split& s = sampleSplit(0, 2);
    s.keyLow = 48;
    s.sample.sampleFlags = SampleFlag::kTriggerKeys; // keyboards trigger
    play(0x90, 48, 100);
    play(0x80, 48, 0); // stays on
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 48 100", "voice-play 0"}));
    EXPECT_NE(s.sample.playFlags & PlayFlag::kLatched, 0);
    play(0x90, 48, 100); // second press: off
    play(0x80, 48, 0);
    EXPECT_EQ(hooks.take(), (Events{"voice-release 0 100"}));
    EXPECT_EQ(s.sample.playFlags & (PlayFlag::kLatched | PlayFlag::kStarted), 0);
    EXPECT_EQ(engine.pool().freeCount(), 512);

    // Ctrl (controller 103) inverts the source's trigger mode for the next note.
    play(0xB0, 103, 127);
    play(0x90, 48, 100);
    play(0x80, 48, 0);
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 48 100", "voice-play 0", "voice-release 0 100"}));
}

TEST_F(SampleTest, SynchronisedLoopStartsUnderTheAudioLock) {
    Split& s = sampleSplit(0, 4);
    s.rootNote = 48;
    s.keyLow = 48;
    s.transpose = 0;
    play(0x90, 50, 100); // not the root note: nothing
    EXPECT_TRUE(hooks.take().empty());
    play(0x90, 48, 100);
    EXPECT_TRUE(engine.syncRunning());
    EXPECT_EQ(hooks.take(), (Events{"voice-start 0 48 0", "voice-play 0", "voice-unmute 0 100"}));
    EXPECT_EQ(hooks.maxLockDepth, 1);
    EXPECT_EQ(hooks.lockDepth, 0);
    play(0x80, 48, 0); // started, running, no trigger mode: muted
    EXPECT_EQ(hooks.take(), (Events{"voice-mute 0"}));

    // The beat display: 120 bpm, 1302 us per tick, a beat is 500 ms.
    engine.clockTick(1000);
    engine.clockTick(1400);
    engine.clockTick(1600);
    engine.clockTick(1000 + 500 * 5);
    EXPECT_EQ(hooks.beats, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 2}}));

    engine.allNotesOff(); // stops the loop
    EXPECT_FALSE(engine.syncRunning());
    const Events events = hooks.take();
    EXPECT_EQ(events.front(), "voice-release 0 0");
}

} // namespace
