#include "audio/AudioClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace tonwerk::audio {
namespace {

// A worker that wakes every 5 ms plus up to 3 ms of lateness draws 25 frames a second, not fewer:
// the grid keeps its phase. Across the clock's wrap as well.
TEST(FramePacer, TwentyFiveFramesASecondWhateverTheWakeUps) {
    for (const std::uint32_t start : {0U, 1000U, 0xFFFFFFFFU - 2500U}) {
        std::mt19937 random(start);
        std::uniform_int_distribution<std::uint32_t> late(0, 3);
        FramePacer pacer(start);
        std::uint32_t now = start;
        int frames = 0;
        int calls = 0;
        while (now - start < 10000) {
            now += 5 + late(random);
            const int due = pacer.due(now);
            EXPECT_GE(due, 0);
            EXPECT_LE(due, 1) << "a worker waking every 5-8 ms never owes two frames";
            frames += due;
            calls += due > 0 ? 1 : 0;
        }
        EXPECT_NEAR(frames, 250, 1) << start;
        EXPECT_EQ(calls, frames);
    }
}

// A late wake-up owes the frames it missed (the clips advance by them); a sleep of more than a
// second starts a new grid instead of a burst.
TEST(FramePacer, LateWakeUpsOweFramesLongSleepsStartAgain) {
    FramePacer pacer(100);
    EXPECT_EQ(pacer.due(139), 0);
    EXPECT_EQ(pacer.due(140), 1);
    EXPECT_EQ(pacer.due(179), 0);
    EXPECT_EQ(pacer.due(265), 3); // 180, 220, 260
    EXPECT_EQ(pacer.due(299), 0);
    EXPECT_EQ(pacer.due(300), 1);
    const int afterSleep = pacer.due(5000);
    EXPECT_GT(afterSleep, 1);
    EXPECT_EQ(pacer.due(5039), 0);
    EXPECT_EQ(pacer.due(5040), 1);
}

} // namespace
} // namespace tonwerk::audio
