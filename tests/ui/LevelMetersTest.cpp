#include "screens/LevelMeters.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tonwerk::ui;

TEST(LevelMeters, DecayAndFlickerRules) {
    // Every meter falls by 10; media splits below 53 flicker while they sound, fall by 20 when not.
    EXPECT_EQ(decayedLevel(127, false, false, 0), 117);
    EXPECT_EQ(decayedLevel(127, true, true, 84), 117); // at or above 53 the flicker does not apply
    EXPECT_EQ(decayedLevel(53, true, true, 84), 43);
    EXPECT_EQ(decayedLevel(52, true, true, 84), 126);
    EXPECT_EQ(decayedLevel(52, true, true, 85), 42); // 85 is 0 modulo 85
    EXPECT_EQ(decayedLevel(52, true, false, 84), 32);
    EXPECT_EQ(decayedLevel(5, false, false, 0), 0);
    EXPECT_EQ(decayedLevel(15, true, false, 0), 0);
    EXPECT_EQ(decayedLevel(-40, false, false, 0), 0);

    // Over random ticks a level stays in 0-127, a silent meter reaches 0 within 13 ticks, and a
    // sounding media meter never stays down.
    LevelMeters meters(7);
    std::array<bool, kMeterCount> media{};
    std::array<bool, kMeterCount> sounding{};
    media[3] = sounding[3] = true;
    for (int m = 0; m < kMeterCount; ++m) {
        meters.set(m, 500); // limited to 127
    }
    EXPECT_EQ(meters.level(0), 127);
    int highest = 0;
    for (int t = 0; t < 200; ++t) {
        meters.tick(media, sounding);
        for (const int level : meters.levels()) {
            ASSERT_GE(level, 0);
            ASSERT_LE(level, 127);
        }
        if (t >= 13) {
            EXPECT_EQ(meters.level(0), 0);
            highest = std::max(highest, meters.level(3));
        }
    }
    EXPECT_GT(highest, 30);
    EXPECT_EQ(meters.level(-1), 0);
    EXPECT_EQ(meters.level(16), 0);
}
