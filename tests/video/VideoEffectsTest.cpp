#include "video/VideoEffects.h"
#include "PictureHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace tonwerk::video {
namespace {

using test::defaultVideo;
using test::pixelAt;

// A picture whose pixel (x, y) is (x, y, 7) — each pixel names its place.
FrameBuffer placed(int w, int h) {
    FrameBuffer b(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = pixelAt(b, x, y);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
        }
    }
    return b;
}

// (x, y) the pixel at (x, y) now shows.
std::pair<int, int> shows(FrameBuffer& b, int x, int y) {
    const std::uint8_t* p = pixelAt(b, x, y);
    return {p[0], p[1]};
}

int run(std::int32_t effects, FrameBuffer& b, std::int32_t options = 0, std::int32_t brightness = kNoBrightness) {
    midi::VideoBlock v = defaultVideo();
    v.effectFlags = effects | MixBit::kStandard;
    v.optionFlags = options;
    v.brightness = brightness;
    return applyEffects(v, b);
}

TEST(VideoEffects, GeometryOnOddHeightsAndWidthOne) {
    {
        FrameBuffer b = placed(4, 5); // odd height: memory rows 0..4, the middle row 2 stays
        run(Effect::kSymmetryVertical, b);
        // The lower half (picture lines 3, 4) mirrors the upper half (lines 1, 0).
        EXPECT_EQ(shows(b, 1, 4), std::make_pair(1, 0));
        EXPECT_EQ(shows(b, 1, 3), std::make_pair(1, 1));
        EXPECT_EQ(shows(b, 1, 2), std::make_pair(1, 2));
        EXPECT_EQ(shows(b, 1, 0), std::make_pair(1, 0));
    }
    {
        FrameBuffer b = placed(4, 5);
        run(Effect::kMirrorVertical, b);
        EXPECT_EQ(shows(b, 2, 0), std::make_pair(2, 4));
        EXPECT_EQ(shows(b, 2, 4), std::make_pair(2, 0));
        EXPECT_EQ(shows(b, 2, 2), std::make_pair(2, 2));
    }
    {
        FrameBuffer b = placed(5, 2);
        run(Effect::kSymmetryHorizontal, b);
        EXPECT_EQ(shows(b, 4, 0), std::make_pair(0, 0));
        EXPECT_EQ(shows(b, 3, 1), std::make_pair(1, 1));
        EXPECT_EQ(shows(b, 2, 1), std::make_pair(2, 1));
        EXPECT_EQ(shows(b, 0, 1), std::make_pair(0, 1));
    }
    {
        FrameBuffer b = placed(5, 2);
        run(Effect::kMirrorHorizontal, b);
        EXPECT_EQ(shows(b, 0, 0), std::make_pair(4, 0));
        EXPECT_EQ(shows(b, 4, 0), std::make_pair(0, 0));
        EXPECT_EQ(shows(b, 2, 0), std::make_pair(2, 0));
    }
    // Width 1: the horizontal steps change nothing.
    for (const std::int32_t e : {Effect::kSymmetryHorizontal, Effect::kMirrorHorizontal}) {
        FrameBuffer b = placed(1, 3);
        const std::vector<std::uint8_t> before(b.pixels().begin(), b.pixels().end());
        run(e, b);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), b.pixels().begin()));
    }
}

TEST(VideoEffects, KaleidoscopeRepeatsTheUpperLeftQuarter) {
    FrameBuffer b = placed(4, 5);
    run(Effect::kKaleidoscope, b);
    // Step (a) mirrors memory rows 2 and 3 (lines 2 and 1); the top line 0 is not mirrored there
    // but is copied to the bottom line 4 in step (b).
    EXPECT_EQ(shows(b, 3, 1), std::make_pair(0, 1));
    EXPECT_EQ(shows(b, 2, 2), std::make_pair(1, 2));
    EXPECT_EQ(shows(b, 3, 0), std::make_pair(3, 0)); // top line, unmirrored
    EXPECT_EQ(shows(b, 3, 4), std::make_pair(3, 0)); // bottom takes the top
    EXPECT_EQ(shows(b, 3, 3), std::make_pair(0, 1));
}

TEST(VideoEffects, ColourStepsAndTheirEdges) {
    FrameBuffer b(1, 1);
    std::uint8_t* p = pixelAt(b, 0, 0);
    const auto set = [&](int blue, int green, int red) {
        p[0] = static_cast<std::uint8_t>(blue);
        p[1] = static_cast<std::uint8_t>(green);
        p[2] = static_cast<std::uint8_t>(red);
    };
    const auto got = [&] { return std::vector<int>{p[0], p[1], p[2]}; };
    set(255, 255, 255);
    run(Effect::kGrayscale, b);
    EXPECT_EQ(got(), (std::vector<int>{255, 255, 255}));
    set(1, 1, 0);
    run(Effect::kGrayscale, b);
    EXPECT_EQ(got(), (std::vector<int>{0, 0, 0}));
    set(0x7F, 0x80, 0x00);
    run(Effect::kQuantizeH, b);
    EXPECT_EQ(got(), (std::vector<int>{0x00, 0xFF, 0x00}));
    set(0x00, 0x20, 0xFF);
    run(Effect::kQuantizeL, b);
    EXPECT_EQ(got(), (std::vector<int>{0x1F, 0x3F, 0xFF}));
    set(0x40, 0x3F, 0xC1);
    run(Effect::kQuantizeM, b);
    EXPECT_EQ(got(), (std::vector<int>{0x7F, 0x3F, 0xFF}));
    set(1, 2, 3);
    run(Effect::kFalseColor1, b);
    EXPECT_EQ(got(), (std::vector<int>{2, 3, 1}));
    set(1, 2, 3);
    run(Effect::kFalseColor2, b);
    EXPECT_EQ(got(), (std::vector<int>{3, 1, 2}));
    set(0xFF, 0xFF, 0xFF);
    run(Effect::kFalseColor3, b);
    EXPECT_EQ(got(), (std::vector<int>{0x70, 0x70, 0xE0}));
    set(0, 100, 255);
    run(Effect::kInverseColor, b);
    EXPECT_EQ(got(), (std::vector<int>{255, 155, 0}));
    // Order: grayscale before inverse before quantize.
    set(30, 60, 90);
    run(Effect::kGrayscale | Effect::kInverseColor | Effect::kQuantizeH, b);
    EXPECT_EQ(got(), (std::vector<int>{0xFF, 0xFF, 0xFF})); // gray 60 → 195 → 0xFF
}

TEST(VideoEffects, VelocityBrightnessAndBlendLevel) {
    FrameBuffer b(3, 3);
    std::fill(b.pixels().begin(), b.pixels().end(), std::uint8_t{200});
    EXPECT_EQ(run(0, b, VideoOption::kVelocityBrightness, kNoBrightness), 255);
    EXPECT_EQ(b.pixels()[0], 200);
    EXPECT_EQ(run(0, b, VideoOption::kVelocityBrightness, 127 * 512), 254);
    EXPECT_EQ(b.pixels()[0], 200 * 254 / 256);
    EXPECT_EQ(run(0, b, VideoOption::kVelocityBrightness, 0), 0); // velocity 0: a black layer
    EXPECT_TRUE(std::all_of(b.pixels().begin(), b.pixels().end(), [](std::uint8_t x) { return x == 0; }));
    // Brightness off: a velocity value changes nothing.
    std::fill(b.pixels().begin(), b.pixels().end(), std::uint8_t{200});
    EXPECT_EQ(run(0, b, 0, 64 * 512), 255);
    EXPECT_EQ(b.pixels()[0], 200);
    // Stored values of any size keep the level in 8 bits.
    for (const std::int32_t stored : {-1, -65536, 0x7FFFFFFF, 65536 * 3 + 512}) {
        const int level = run(0, b, VideoOption::kVelocityBrightness, stored);
        EXPECT_GE(level, 0);
        EXPECT_LE(level, 255);
    }
}

TEST(VideoEffects, EveryEffectStaysInsideEveryBufferSize) {
    std::mt19937 random(7);
    for (int w = 1; w <= 9; ++w) {
        for (int h = 1; h <= 7; ++h) {
            FrameBuffer b(w, h);
            test::fillRandom(b, random);
            run(0x00FFFFFF & ~Effect::kResetAll, b, VideoOption::kVelocityBrightness, 99 * 512);
        }
    }
}

TEST(VideoEffects, RowSwitchingRules) {
    midi::VideoBlock v = defaultVideo();
    v.effectFlags = MixBit::kStamp;
    v.mixMode = MixBit::kStamp;
    switchRowEffectOn(v, Effect::kMirrorVertical);
    EXPECT_EQ(v.effectFlags, MixBit::kStamp | Effect::kMirrorVertical);
    switchRowEffectOn(v, Effect::kKaleidoscope); // replaces the other geometry bit
    EXPECT_EQ(v.effectFlags, MixBit::kStamp | Effect::kKaleidoscope);
    switchRowEffectOn(v, Effect::kKaleidoscope); // pressed while on: off
    EXPECT_EQ(v.effectFlags, MixBit::kStamp);
    switchRowEffectOn(v, Effect::kQuantizeL);
    switchRowEffectOn(v, Effect::kQuantizeH);
    switchRowEffectOn(v, Effect::kFalseColor2);
    switchRowEffectOn(v, Effect::kGrayscale);
    switchRowEffectOn(v, Effect::kReversePlay);
    EXPECT_EQ(v.effectFlags,
              MixBit::kStamp | Effect::kQuantizeH | Effect::kFalseColor2 | Effect::kGrayscale | Effect::kReversePlay);
    switchRowEffectOff(v, Effect::kQuantizeL); // not on: nothing
    switchRowEffectOff(v, Effect::kGrayscale);
    EXPECT_EQ(v.effectFlags, MixBit::kStamp | Effect::kQuantizeH | Effect::kFalseColor2 | Effect::kReversePlay);
    switchRowEffectOn(v, Effect::kNone);
    switchRowEffectOn(v, 0x12345678); // not an effect: nothing
    EXPECT_EQ(v.effectFlags, MixBit::kStamp | Effect::kQuantizeH | Effect::kFalseColor2 | Effect::kReversePlay);
    switchRowEffectOn(v, Effect::kResetAll); // all off, the stamp mode kept
    EXPECT_EQ(v.effectFlags, MixBit::kStamp);
}

TEST(VideoEffects, MixModeSetterAndToggle) {
    midi::VideoBlock v = defaultVideo();
    v.effectFlags = MixBit::kStandard | Effect::kGrayscale;
    setMixMode(v, MixBit::kBlackBox, MixBit::kMask);
    EXPECT_EQ(v.effectFlags, MixBit::kBlackBox | Effect::kGrayscale);
    EXPECT_EQ(v.mixMode, MixBit::kBlackBox);
    setMixMode(v, Effect::kGrayscale, MixBit::kMask); // a set non-mode bit is cleared
    EXPECT_EQ(v.effectFlags, MixBit::kBlackBox);
    setMixMode(v, 0, MixBit::kMask); // value 0 clears the mode bits
    EXPECT_EQ(v.effectFlags, 0);
    toggleEffect(v, Effect::kInverseColor | Effect::kGrayscale);
    EXPECT_EQ(v.effectFlags, Effect::kInverseColor | Effect::kGrayscale);
    toggleEffect(v, Effect::kGrayscale | Effect::kQuantizeL); // any set: clear them all
    EXPECT_EQ(v.effectFlags, Effect::kInverseColor);
    EXPECT_EQ(kEffectTable[4].name, "Kaleidoscope");
    EXPECT_EQ(kEffectTable[15].value, Effect::kResetAll);
}

} // namespace
} // namespace tonwerk::video
