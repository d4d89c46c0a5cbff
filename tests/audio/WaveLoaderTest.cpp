#include "audio/WaveLoader.h"
#include "WaveBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace tonwerk::audio {
namespace {

using test::WaveBuilder;

std::vector<std::int16_t> played(const LoadedWave& w) { return {w.data.begin(), w.data.begin() + w.lengthBytes / 2}; }

TEST(WaveLoader, FixedArithmeticOfTheThreeLayoutsAt44100) {
    WaveBuilder mono;
    mono.words({100, -3, 7, 8, -5, 0, 1, 2});
    const LoadedWave m1 = loadWave(mono.bytes(), 1, false);
    ASSERT_EQ(m1.result, 0);
    EXPECT_EQ(played(m1), (std::vector<std::int16_t>{100, 100, -3, -3, 7, 7, 8, 8, -5, -5, 0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(m1.format.channels, 2);
    EXPECT_EQ(m1.format.samplesPerSecond, 44100U);

    const LoadedWave m4 = loadWave(mono.bytes(), 4, false);
    // (w0 + w1) / 2, truncated toward zero: (100 - 3) / 2 = 48, (-5 + 0) / 2 = -2.
    EXPECT_EQ(played(m4), (std::vector<std::int16_t>{48, 7, -2, 1}));
    EXPECT_EQ(m4.format.channels, 1);
    EXPECT_EQ(m4.format.samplesPerSecond, 22050U);

    WaveBuilder stereo;
    stereo.channels = 2;
    stereo.words({-3, 10, 0, 11, 5, 5, 6, 6, 1, 1, 1, 1});
    const LoadedWave s2 = loadWave(stereo.bytes(), 2, false);
    // Two frames become one: (L0 + L1) / 2 and (R0 + R1) / 2; the odd last pair is dropped.
    EXPECT_EQ(played(s2), (std::vector<std::int16_t>{-1, 10, 5, 5, 1, 1}));
    const LoadedWave s4 = loadWave(stereo.bytes(), 4, false);
    // (L0 + R0 + L1 + R1) / 4 = 18 / 4 = 4; 22 / 4 = 5; 4 / 4 = 1 — length rounded down to 4 bytes.
    EXPECT_EQ(played(s4), (std::vector<std::int16_t>{4, 5}));
    EXPECT_EQ(s4.lengthBytes % 4, 0);
    // A spare frame lies behind every sample for the interpolation.
    EXPECT_EQ(s4.data.size(), s4.lengthBytes / 2 + 2U);
}

TEST(WaveLoader, MonoAt44100InModeTwoPlaysAsStereoAtHalfRate) {
    WaveBuilder mono;
    mono.words({10, 20, 30, 41});
    const LoadedWave w = loadWave(mono.bytes(), 2, false);
    EXPECT_EQ(played(w), (std::vector<std::int16_t>{15, 15, 35, 35}));
}

TEST(WaveLoader, SampleCodingsAreConvertedToWords) {
    WaveBuilder u8;
    u8.bits = 8;
    u8.rate = 44100;
    u8.data = {0x80, 0xFF, 0x00, 0x81};
    EXPECT_EQ(played(loadWave(u8.bytes(), 1, false)),
              (std::vector<std::int16_t>{0, 0, 32512, 32512, -32768, -32768, 256, 256}));

    WaveBuilder i24;
    i24.bits = 24;
    i24.data = {0x56, 0x34, 0x12, 0x00, 0x00, 0x80};
    EXPECT_EQ(played(loadWave(i24.bytes(), 1, false)), (std::vector<std::int16_t>{0x1234, 0x1234, -32768, -32768}));

    WaveBuilder i32;
    i32.bits = 32;
    i32.data = {0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80};
    EXPECT_EQ(played(loadWave(i32.bytes(), 1, false)), (std::vector<std::int16_t>{32767, 32767, -32768, -32768}));

    WaveBuilder f32;
    f32.tag = kFormatFloat;
    f32.bits = 32;
    for (const float x : {0.5F, -1.0F, 2.0F, 0.0F}) {
        std::uint8_t b[4];
        std::memcpy(b, &x, 4);
        f32.data.insert(f32.data.end(), b, b + 4);
    }
    EXPECT_EQ(played(loadWave(f32.bytes(), 1, false)),
              (std::vector<std::int16_t>{16384, 16384, -32767, -32767, 32767, 32767, 0, 0}));

    // WAVE_FORMAT_EXTENSIBLE with the float sub-format, 16-byte record of 3 channels: the first two kept.
    WaveBuilder ext = f32;
    ext.tag = kFormatExtensible;
    ext.channels = 3;
    ext.fmtExtra = std::vector<std::uint8_t>(22, 0);
    ext.fmtExtra[6] = 3;
    ext.data.clear();
    for (const float x : {0.5F, -0.5F, 1.0F}) {
        std::uint8_t b[4];
        std::memcpy(b, &x, 4);
        ext.data.insert(ext.data.end(), b, b + 4);
    }
    const LoadedWave e = loadWave(ext.bytes(), 1, false);
    ASSERT_EQ(e.result, 0);
    EXPECT_EQ(played(e), (std::vector<std::int16_t>{16384, -16384}));
}

TEST(WaveLoader, OtherRatesKeepTheirPitch) {
    // One second of 1000 Hz at 32000 Hz mono becomes one second at 22050 Hz with 1000 crossings.
    WaveBuilder w;
    w.rate = 32000;
    std::vector<std::int16_t> sine(32000);
    for (std::size_t i = 0; i < sine.size(); ++i) {
        sine[i] =
            static_cast<std::int16_t>(10000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 32000.0 + 0.1));
    }
    w.words(sine);
    const LoadedWave out = loadWave(w.bytes(), 2, false);
    ASSERT_EQ(out.result, 0);
    EXPECT_EQ(out.sourceRate, 32000);
    const int frames = out.lengthBytes / 4;
    EXPECT_NEAR(frames, 22050, 4);
    int crossings = 0;
    for (int i = 1; i < frames; ++i) {
        crossings +=
            out.data[2 * static_cast<std::size_t>(i - 1)] < 0 && out.data[2 * static_cast<std::size_t>(i)] >= 0;
    }
    EXPECT_NEAR(crossings, 1000, 2);

    // A file already at the output rate is taken as it is.
    WaveBuilder same;
    same.rate = 22050;
    same.channels = 2;
    same.words({1, 2, 3, 4});
    EXPECT_EQ(played(loadWave(same.bytes(), 2, false)), (std::vector<std::int16_t>{1, 2, 3, 4}));
}

TEST(WaveLoader, SampleLoopsAreFoundScaledAndClosed) {
    WaveBuilder w;
    w.channels = 2;
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 16; ++i) {
        frames.push_back(static_cast<std::int16_t>(100 * i));
        frames.push_back(static_cast<std::int16_t>(-100 * i));
    }
    w.words(frames);
    w.sampleLoops({{9, 9}, {4, 12}}); // the first loop is empty and skipped
    const LoadedWave m1 = loadWave(w.bytes(), 1, true);
    ASSERT_EQ(m1.result, 0);
    EXPECT_EQ(m1.loopStart, 16);   // frame 4 × 4 bytes
    EXPECT_EQ(m1.lengthBytes, 48); // ends at frame 12
    EXPECT_EQ(m1.data[24], 400);   // the loop's first frame behind its end
    EXPECT_EQ(m1.data[25], -400);

    const LoadedWave m2 = loadWave(w.bytes(), 2, true);
    EXPECT_EQ(m2.loopStart, 8); // frames halved
    EXPECT_EQ(m2.lengthBytes, 24);

    EXPECT_EQ(loadWave(w.bytes(), 1, false).loopStart, 0); // the flag decides

    WaveBuilder outside = w;
    outside.tail.clear();
    outside.sampleLoops({{1000, 2000}}); // both past the data
    const LoadedWave o = loadWave(outside.bytes(), 1, true);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.loopStart, 0);
    EXPECT_EQ(o.lengthBytes, 64);
}

TEST(WaveLoader, DamagedAndForeignFilesAreRefusedWithTheirCodes) {
    WaveBuilder good;
    good.words({1, 2, 3, 4});

    std::vector<std::byte> notRiff = good.bytes();
    notRiff[0] = std::byte{'X'};
    EXPECT_EQ(loadWave(notRiff, 2, false).result, WaveError::kNotWave);

    WaveBuilder noChannels = good;
    noChannels.channels = 0;
    EXPECT_EQ(loadWave(noChannels.bytes(), 2, false).result, WaveError::kNotWave);

    WaveBuilder noRate = good;
    noRate.rate = 0;
    EXPECT_EQ(loadWave(noRate.bytes(), 2, false).result, WaveError::kNotWave);

    WaveBuilder adpcm = good;
    adpcm.tag = 2;
    adpcm.bits = 4;
    adpcm.writeExtraSize = true;
    const LoadedWave a = loadWave(adpcm.bytes(), 2, false);
    EXPECT_EQ(a.result, WaveError::kNotPcm);
    EXPECT_EQ(waveErrorMessageId(a.result), 8231);
    EXPECT_EQ(openWave(adpcm.bytes()).result, 0); // it opens; it only cannot be played

    // A data chunk that says it is 2 GB long ends early: refused, nothing large allocated.
    WaveBuilder huge = good;
    huge.dataSizeOverride = 0x7FFFFFF0;
    EXPECT_EQ(loadWave(huge.bytes(), 2, false).result, WaveError::kDataShort);

    // A stereo 16-bit file that says block align 2 (or 0) is read frame by frame.
    WaveBuilder align = good;
    align.channels = 2;
    align.blockAlign = 2;
    EXPECT_EQ(played(loadWave(align.bytes(), 1, false)), (std::vector<std::int16_t>{1, 2, 3, 4}));
    align.blockAlign = 0;
    EXPECT_EQ(played(loadWave(align.bytes(), 1, false)), (std::vector<std::int16_t>{1, 2, 3, 4}));

    // Short format chunk; cut-off file; empty input.
    std::vector<std::byte> bytes = good.bytes();
    bytes.resize(30);
    EXPECT_NE(loadWave(bytes, 2, false).result, 0);
    EXPECT_NE(loadWave({}, 2, false).result, 0);

    EXPECT_EQ(waveErrorMessageId(257), 8296);
    EXPECT_EQ(waveErrorMessageId(57603), 8289);
    EXPECT_EQ(waveErrorMessageId(57600), 8295);
}

TEST(WaveLoader, RandomDamageNeverReadsOutsideTheFile) {
    WaveBuilder w;
    w.channels = 2;
    std::vector<std::int16_t> frames(400, 1234);
    w.words(frames);
    w.sampleLoops({{10, 90}});
    const std::vector<std::byte> original = w.bytes();
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::byte> bytes = original;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            bytes[random() % 80] = static_cast<std::byte>(random());
        }
        if (random() % 4 == 0) {
            bytes.resize(random() % bytes.size());
        }
        for (const int mode : {1, 2, 4}) {
            const LoadedWave out = loadWave(bytes, mode, true);
            if (out.result == 0) {
                ASSERT_EQ(out.lengthBytes % 4, 0);
                ASSERT_LE(out.lengthBytes / 2 + 2, static_cast<int>(out.data.size()));
                ASSERT_LT(out.loopStart, std::max(out.lengthBytes, 1));
            } else {
                ASSERT_TRUE(out.data.empty());
            }
        }
    }
}

} // namespace
} // namespace tonwerk::audio
