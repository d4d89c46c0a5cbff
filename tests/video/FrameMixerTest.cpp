#include "video/FrameMixer.h"
#include "PictureHelpers.h"
#include "video/VideoEffects.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tonwerk::video {
namespace {

using test::defaultVideo;
using test::makeFrame;
using test::pixelAt;

std::vector<int> px(FrameBuffer& b, int x, int y) {
    const std::uint8_t* p = pixelAt(b, x, y);
    return {p[0], p[1], p[2]};
}

void paint(FrameBuffer& b, int blue, int green, int red) {
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            std::uint8_t* p = pixelAt(b, x, y);
            p[0] = static_cast<std::uint8_t>(blue);
            p[1] = static_cast<std::uint8_t>(green);
            p[2] = static_cast<std::uint8_t>(red);
        }
    }
}

TEST(FrameBufferLayout, RowsAndSizesOfAFivePixelWindow) {
    EXPECT_EQ(rowBytes(5), 16u);
    EXPECT_EQ(pixelBytes(5, 3), 8u * 3 * 3);
    FrameBuffer b(5, 3);
    EXPECT_EQ(b.bytes().size(), 8u * 3 * 3 + 40);
    EXPECT_EQ(b.bytes()[0], 40);
    EXPECT_EQ(b.bytes()[14], 24);
    EXPECT_GE(pixelBytes(5, 3), rowBytes(5) * 3);
}

TEST(ScaleFrame, SameSizeCopiesRowByRow) {
    const auto frame = makeFrame(5, 3, [](int x, int y, int c) { return x * 10 + y + c * 100; });
    FrameBuffer a(5, 3);
    ASSERT_TRUE(scaleFrameInto(frame, a, {0, 0, 5, 3}));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(px(a, x, y), (std::vector<int>{x * 10 + y, x * 10 + y + 100, x * 10 + y + 200}));
        }
    }
}

TEST(ScaleFrame, NearestNeighbourUpAndDown) {
    // Doubling: each source pixel fills 2 × 2; the accumulator steps before each pixel.
    const auto small = makeFrame(2, 2, [](int x, int y, int) { return x * 10 + y; });
    FrameBuffer a(4, 4);
    ASSERT_TRUE(scaleFrameInto(small, a, {0, 0, 4, 4}));
    // Bottom memory row (picture line 3) takes source row 0 (source line 1).
    EXPECT_EQ(px(a, 0, 3)[0], 1);
    EXPECT_EQ(px(a, 1, 3)[0], 11);
    EXPECT_EQ(px(a, 3, 3)[0], 11); // source column limited to the last
    EXPECT_EQ(px(a, 0, 0)[0], 0);
    // Halving a 4 × 4 frame.
    const auto big = makeFrame(4, 4, [](int x, int y, int) { return x * 10 + y; });
    FrameBuffer h(2, 2);
    ASSERT_TRUE(scaleFrameInto(big, h, {0, 0, 2, 2}));
    EXPECT_EQ(px(h, 0, 1)[0], 2 * 10 + 3);
    EXPECT_EQ(px(h, 1, 1)[0], 3 * 10 + 3); // column 4 limited to 3
    // Stamp rectangle: the centred half; outside it the layer is untouched.
    FrameBuffer s(8, 8);
    paint(s, 9, 9, 9);
    ASSERT_TRUE(scaleFrameInto(big, s, {2, 2, 4, 4}));
    EXPECT_EQ(px(s, 0, 0), (std::vector<int>{9, 9, 9}));
    EXPECT_EQ(px(s, 2, 2)[0], 0 * 10 + 0);
    EXPECT_EQ(px(s, 7, 7), (std::vector<int>{9, 9, 9}));
}

TEST(ScaleFrame, RefusesFramesThatAreNotPlainTwentyFourBit) {
    FrameBuffer a(4, 4);
    auto frame = makeFrame(4, 4, [](int, int, int) { return 1; });
    EXPECT_FALSE(scaleFrameInto(frame, a, {0, 0, 0, 4}));
    auto eight = frame;
    eight[14] = 8;
    EXPECT_FALSE(scaleFrameInto(eight, a, {0, 0, 4, 4}));
    auto rle = frame;
    rle[16] = 1;
    EXPECT_FALSE(scaleFrameInto(rle, a, {0, 0, 4, 4}));
    auto shortFrame = frame;
    shortFrame.resize(shortFrame.size() - 1);
    EXPECT_FALSE(scaleFrameInto(shortFrame, a, {0, 0, 4, 4}));
    auto huge = frame;
    huge[6] = 0x7F; // width 8 million
    EXPECT_FALSE(scaleFrameInto(huge, a, {0, 0, 4, 4}));
    EXPECT_FALSE(scaleFrameInto(std::span<const std::uint8_t>(frame.data(), 10), a, {0, 0, 4, 4}));
}

TEST(ScaleFrame, AnyDestinationStaysInsideTheLayer) {
    std::mt19937 random(3);
    const auto frame = makeFrame(7, 5, [](int x, int y, int c) { return x + y + c; });
    for (int i = 0; i < 3000; ++i) {
        FrameBuffer a(1 + static_cast<int>(random() % 9), 1 + static_cast<int>(random() % 9));
        const auto any = [&random] { return static_cast<int>(random() % 41) - 20; };
        PictureRect r{any(), any(), any(), any()};
        if (i % 7 == 0) {
            r = {static_cast<int>(random()), static_cast<int>(random()), static_cast<int>(random() % 100000),
                 static_cast<int>(random() % 100000)};
        }
        scaleFrameInto(frame, a, r); // the sanitizers watch the writes
    }
}

struct MixCase {
    std::int32_t mode;
    int level;
    std::vector<int> source;
    std::vector<int> below;
    std::vector<int> expected;
};

TEST(MixLayer, ModesOnOnePixel) {
    const std::vector<MixCase> cases = {
        {MixBit::kStandard, 255, {200, 10, 0}, {100, 10, 5}, {255, 20, 5}},
        {0, 255, {1, 2, 3}, {4, 5, 6}, {5, 7, 9}}, // no mode bit: standard
        {MixBit::kStamp, 255, {1, 2, 3}, {100, 100, 100}, {1, 2, 3}},
        {MixBit::kStamp,
         128,
         {1, 2, 3},
         {100, 100, 100},
         {100 * 127 / 256 + 1, 100 * 127 / 256 + 2, 100 * 127 / 256 + 3}},
        // blue box 1, key level 255: K = blue·255/256
        {MixBit::kBlueBox1, 255, {200, 50, 50}, {9, 9, 9}, {9, 9, 9}},      // keyed out
        {MixBit::kBlueBox1, 255, {60, 10, 10}, {9, 9, 9}, {60, 10, 10}},    // K < 70: copied
        {MixBit::kBlueBox1, 100, {60, 10, 10}, {9, 9, 9}, {9, 9, 9}},       // translucent: no 70 rule
        {MixBit::kBlackBox, 255, {10, 10, 9}, {50, 50, 50}, {50, 50, 50}},  // T = 10: keyed
        {MixBit::kBlackBox, 255, {10, 10, 10}, {50, 50, 50}, {10, 10, 10}}, // red not below T
        {MixBit::kWhiteBox, 255, {250, 250, 251}, {50, 50, 50}, {50, 50, 50}},
        {MixBit::kWhiteBox, 255, {250, 250, 250}, {50, 50, 50}, {250, 250, 250}},
        {MixBit::kColorRangeKey, 255, {20, 20, 20}, {50, 50, 50}, {50, 50, 50}},
        {MixBit::kColorRangeKey, 255, {26, 20, 20}, {50, 50, 50}, {26, 20, 20}},
    };
    for (const MixCase& c : cases) {
        midi::VideoBlock v = defaultVideo();
        v.effectFlags = c.mode;
        v.blueKeyLevel = 255;
        v.blackKeyLevel = 0x10A; // low byte used: 10
        v.whiteKeyLevel = 250;
        v.keyRange = {15, 15, 15, 15, 15, 15}; // red, green, blue: all 15 (±5 when opaque)
        v.mixWidth = 1;
        v.mixHeight = 1;
        FrameBuffer a(1, 1);
        FrameBuffer b(1, 1);
        paint(a, c.source[0], c.source[1], c.source[2]);
        paint(b, c.below[0], c.below[1], c.below[2]);
        mixLayer(v, c.level, a, b);
        EXPECT_EQ(px(b, 0, 0), c.expected) << "mode " << std::hex << c.mode << std::dec << " level " << c.level;
    }
}

TEST(MixLayer, BlueBoxTwoWeighsTheLayerBelow) {
    midi::VideoBlock v = defaultVideo();
    v.effectFlags = MixBit::kBlueBox2;
    v.blueKeyLevel = 255;
    FrameBuffer a(2, 1);
    FrameBuffer b(2, 1);
    paint(b, 100, 100, 100);
    pixelAt(a, 0, 0)[0] = 255; // pure blue: K = 254, a = 255 → the picture below stays
    mixLayer(v, 255, a, b);
    EXPECT_EQ(px(b, 0, 0), (std::vector<int>{99, 99, 99}));
    EXPECT_EQ(px(b, 1, 0), (std::vector<int>{100, 100, 100})); // black layer pixels are skipped
}

TEST(MixLayer, RectangleFromTheSetupIsClipped) {
    midi::VideoBlock v = defaultVideo();
    v.effectFlags = MixBit::kStandard;
    v.mixX = 1;
    v.mixY = 0; // from the top
    v.mixWidth = 100;
    v.mixHeight = 1;
    FrameBuffer a(3, 2);
    FrameBuffer b(3, 2);
    paint(a, 1, 1, 1);
    mixLayer(v, 255, a, b);
    EXPECT_EQ(px(b, 0, 0)[0], 0);
    EXPECT_EQ(px(b, 1, 0)[0], 1);
    EXPECT_EQ(px(b, 2, 0)[0], 1);
    EXPECT_EQ(px(b, 1, 1)[0], 0); // below the rectangle
    EXPECT_EQ(mixRectangle(v, 3, 2).width, 2);
    v.mixX = 5; // beyond the width: 0
    EXPECT_EQ(mixRectangle(v, 3, 2).x, 0);
    v.mixX = -1;
    const PictureRect whole = mixRectangle(v, 3, 2);
    EXPECT_EQ(whole.width, 3);
    EXPECT_EQ(whole.height, 2);
}

TEST(MixLayer, AnyStoredRectangleAndLevelStaysInsideTheBuffers) {
    std::mt19937 random(11);
    const std::int32_t modes[] = {MixBit::kStandard, MixBit::kStamp,    MixBit::kBlueBox1,      MixBit::kBlueBox2,
                                  MixBit::kBlackBox, MixBit::kWhiteBox, MixBit::kColorRangeKey, 0};
    const std::int32_t extremes[] = {0, -1, 1, INT32_MIN, INT32_MAX, -2, 3, 1000000};
    for (int i = 0; i < 4000; ++i) {
        const int w = 1 + static_cast<int>(random() % 9);
        const int h = 1 + static_cast<int>(random() % 9);
        FrameBuffer a(w, h);
        FrameBuffer b(w, h);
        test::fillRandom(a, random);
        test::fillRandom(b, random);
        midi::VideoBlock v = defaultVideo();
        v.effectFlags = modes[random() % 8];
        const auto pick = [&]() -> std::int32_t {
            return random() % 2 == 0 ? extremes[random() % 8] : static_cast<std::int32_t>(random() % 21) - 10;
        };
        v.mixX = pick();
        v.mixY = pick();
        v.mixWidth = pick();
        v.mixHeight = pick();
        v.blueKeyLevel = pick();
        v.whiteKeyLevel = pick();
        v.blackKeyLevel = pick();
        for (auto& k : v.keyRange) {
            k = pick();
        }
        mixLayer(v, static_cast<int>(random() % 300) - 20, a, b);
    }
}

} // namespace
} // namespace tonwerk::video
