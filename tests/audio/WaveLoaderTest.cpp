#include "audio/WaveLoader.h"
#include "WaveBuilder.h"
#include "support/TempDir.h"
#include "video/ClipMaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace tonwerk::audio {
namespace {

using test::WaveBuilder;

std::vector<std::int16_t> played(const LoadedWave& w) { return {w.data.begin(), w.data.begin() + w.lengthBytes / 2}; }

// The RMS level of words [from, to) of a sample.
double rms(const std::vector<std::int16_t>& words, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to && i < words.size(); ++i) {
        sum += static_cast<double>(words[i]) * words[i];
    }
    return std::sqrt(sum / static_cast<double>(std::max<std::size_t>(1, std::min(to, words.size()) - from)));
}

// Rising zero crossings of channel `channel` of interleaved words.
int crossings(const std::vector<std::int16_t>& words, int channels, int channel = 0) {
    int n = 0;
    for (std::size_t i = static_cast<std::size_t>(channels + channel); i < words.size();
         i += static_cast<std::size_t>(channels)) {
        n += words[i - static_cast<std::size_t>(channels)] < 0 && words[i] >= 0;
    }
    return n;
}

TEST(WaveLoader, FortyFourKilohertzIsConvertedWithoutAliasing) {
    // A sweep from 12 kHz to 20 kHz at 44100 Hz lies wholly above the 11025 Hz limit of the
    // 22050 Hz layouts: a proper conversion leaves nothing of it; averaging pairs of frames folds
    // it back into the audible range.
    WaveBuilder sweep;
    sweep.rate = 44100;
    std::vector<std::int16_t> words(44100);
    double phase = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const double f = 12000.0 + 8000.0 * static_cast<double>(i) / static_cast<double>(words.size());
        phase += 2 * M_PI * f / 44100.0;
        words[i] = static_cast<std::int16_t>(16000 * std::sin(phase));
    }
    sweep.words(words);
    const double in = rms(words, 0, words.size());
    for (const int mode : {2, 4}) {
        const LoadedWave w = loadWave(sweep.bytes(), mode, false);
        ASSERT_EQ(w.result, 0);
        EXPECT_NEAR(w.lengthBytes / (2 * memModeChannels(mode)), 22050, 4);
        const std::vector<std::int16_t> out = played(w);
        // Away from the edges, where the filter starts and ends.
        const double folded = rms(out, out.size() / 10, out.size() * 9 / 10);
        EXPECT_LT(20 * std::log10(std::max(folded, 1e-9) / in), -60.0) << "mode " << mode;
    }

    // A 1 kHz tone keeps its pitch and level in every layout, mono doubled, stereo averaged.
    WaveBuilder tone;
    tone.rate = 44100;
    tone.channels = 2;
    std::vector<std::int16_t> frames(2 * 44100);
    for (std::size_t i = 0; i < 44100; ++i) {
        frames[2 * i] = frames[2 * i + 1] =
            static_cast<std::int16_t>(10000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 44100.0 + 0.1));
    }
    tone.words(frames);
    for (const int mode : {1, 2, 4}) {
        const LoadedWave w = loadWave(tone.bytes(), mode, false);
        ASSERT_EQ(w.result, 0);
        const std::vector<std::int16_t> out = played(w);
        const int channels = memModeChannels(mode);
        EXPECT_EQ(w.format.channels, channels);
        EXPECT_EQ(static_cast<int>(w.format.samplesPerSecond), memModeRate(mode));
        EXPECT_EQ(w.sourceRate, 44100);
        EXPECT_NEAR(crossings(out, channels), 1000, 2) << "mode " << mode;
        EXPECT_NEAR(rms(out, out.size() / 10, out.size() * 9 / 10), 10000 / std::sqrt(2.0), 100) << "mode " << mode;
        // A spare frame lies behind every sample for the interpolation.
        EXPECT_EQ(w.data.size(), w.lengthBytes / 2 + 2U);
        EXPECT_EQ(w.lengthBytes % 4, 0);
    }
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
              (std::vector<std::int16_t>{16384, 16384, -32768, -32768, 32767, 32767, 0, 0}));

    // WAVE_FORMAT_EXTENSIBLE with the float sub-format, 16-byte record of 3 channels: the first two kept.
    WaveBuilder ext = f32;
    ext.tag = kFormatExtensible;
    ext.channels = 3;
    // Valid bits, channel mask, then the sub-format GUID of float samples.
    ext.fmtExtra = {32, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
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

    // Bytes no decoder knows: "not a PCM encoded file".
    std::vector<std::byte> notRiff = good.bytes();
    notRiff[0] = std::byte{'X'};
    EXPECT_EQ(loadWave(notRiff, 2, false).result, WaveError::kNotPcm);

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

    // A data chunk that says it is 2 GB long ends early: what is there plays, nothing large is
    // allocated.
    WaveBuilder huge = good;
    huge.rate = 22050;
    huge.dataSizeOverride = 0x7FFFFFF0;
    const LoadedWave h = loadWave(huge.bytes(), 4, false);
    EXPECT_EQ(h.result, 0);
    EXPECT_EQ(played(h), (std::vector<std::int16_t>{1, 2, 3, 4}));

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

    // 65535 channels: refused as damage, nothing of that size allocated (found by the fuzzer).
    WaveBuilder channels = good;
    channels.channels = 0xFFFF;
    EXPECT_EQ(loadWave(channels.bytes(), 2, false).result, WaveError::kNotWave);

    EXPECT_EQ(waveErrorMessageId(257), 8296);
    EXPECT_EQ(waveErrorMessageId(57603), 8289);
    EXPECT_EQ(waveErrorMessageId(57600), 8295);
}

// Files other players play and the loader once refused: a RIFF size smaller than the chunks, a
// cut-off data chunk, big-endian RIFX, and PCM in unusual containers.
TEST(WaveLoader, ValidFilesOfEveryShapePlay) {
    const std::vector<std::int16_t> tone = {0, 12000, -12000, 32767, -32768, 5, -5, 0};
    WaveBuilder base;
    base.rate = 22050;
    base.words(tone);
    const auto expectTone = [&](const std::vector<std::byte>& bytes, const char* what, std::size_t words = 8) {
        const LoadedWave w = loadWave(bytes, 4, false);
        ASSERT_EQ(w.result, 0) << what;
        const std::vector<std::int16_t> out = played(w);
        ASSERT_EQ(out.size(), words) << what;
        for (std::size_t i = 0; i < words; ++i) {
            EXPECT_NEAR(out[i], tone[i], 16) << what << " word " << i;
        }
    };

    std::vector<std::byte> smallRiff = base.bytes();
    smallRiff[4] = std::byte{20}; // the RIFF size covers only the format chunk
    smallRiff[5] = smallRiff[6] = smallRiff[7] = std::byte{0};
    expectTone(smallRiff, "RIFF size smaller than its chunks");

    std::vector<std::byte> cut = base.bytes();
    cut.resize(cut.size() - 4); // the last two words are missing; the sizes say they are there
    expectTone(cut, "cut-off data chunk", 6);

    // Big-endian: "RIFX" and every number and sample high byte first.
    std::vector<std::byte> rifx = base.bytes();
    std::memcpy(rifx.data(), "RIFX", 4);
    const auto swap = [&](std::size_t at, std::size_t bytes) {
        std::reverse(rifx.begin() + static_cast<std::ptrdiff_t>(at),
                     rifx.begin() + static_cast<std::ptrdiff_t>(at + bytes));
    };
    swap(4, 4);
    swap(16, 4);
    for (const std::size_t at : {20, 22, 32, 34}) {
        swap(at, 2);
    }
    swap(24, 4);
    swap(28, 4);
    swap(40, 4);
    for (std::size_t at = 44; at + 1 < rifx.size(); at += 2) {
        swap(at, 2);
    }
    expectTone(rifx, "RIFX");

    WaveBuilder twelve = base; // 12 bits in 16: the low four bits are zero
    twelve.bits = 12;
    twelve.blockAlign = 2;
    twelve.data.clear();
    for (const std::int16_t v : tone) {
        WaveBuilder::put16(twelve.data, static_cast<std::uint16_t>(v & ~0xF));
    }
    expectTone(twelve.bytes(), "12 bits in 16");

    WaveBuilder twenty = base; // 20 bits in 24, WAVE_FORMAT_EXTENSIBLE
    twenty.tag = kFormatExtensible;
    twenty.bits = 24;
    twenty.fmtExtra = {20, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    twenty.data.clear();
    for (const std::int16_t v : tone) {
        const auto x = static_cast<std::uint32_t>(static_cast<std::int32_t>(v) * 256);
        twenty.data.insert(twenty.data.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                                               static_cast<std::uint8_t>(x >> 16)});
    }
    expectTone(twenty.bytes(), "20 bits in 24");

    WaveBuilder int64 = base; // 64-bit integers: read by the program itself
    int64.bits = 64;
    int64.data.clear();
    for (const std::int16_t v : tone) {
        const auto x = static_cast<std::uint64_t>(static_cast<std::int64_t>(v) * (std::int64_t{1} << 48));
        for (int b = 0; b < 8; ++b) {
            int64.data.push_back(static_cast<std::uint8_t>(x >> (8 * b)));
        }
    }
    expectTone(int64.bytes(), "64-bit integer");

    WaveBuilder float64 = base;
    float64.tag = kFormatFloat;
    float64.bits = 64;
    float64.data.clear();
    for (const std::int16_t v : tone) {
        const double x = v / 32768.0;
        std::uint8_t b[8];
        std::memcpy(b, &x, 8);
        float64.data.insert(float64.data.end(), b, b + 8);
    }
    expectTone(float64.bytes(), "64-bit float");
}

// Every coding and container the ffmpeg tool writes that libsndfile reads: a 441 Hz tone keeps its
// pitch in the 22050 Hz stereo layout.
TEST(WaveLoader, CompressedWaveAndOtherSampleFormatsPlay) {
    test::TempDir dir;
    struct Case {
        const char* codec;
        const char* file;
        int rate;
    };
    const Case cases[] = {
        {"adpcm_ima_wav", "ima.wav", 22050}, {"adpcm_ms", "ms.wav", 22050},    {"pcm_alaw", "alaw.wav", 22050},
        {"pcm_mulaw", "ulaw.wav", 22050},    {"gsm_ms", "gsm.wav", 8000},      {"pcm_s16be", "tone.aiff", 22050},
        {"flac", "tone.flac", 44100},        {"libvorbis", "tone.ogg", 44100}, {"libopus", "tone.opus", 48000},
        {"libmp3lame", "tone.mp3", 44100},   {"pcm_s24le", "tone.w64", 96000}, {"pcm_f32le", "tone.caf", 32000},
    };
    for (const Case& c : cases) {
        const std::filesystem::path file = dir / c.file;
        if (!test::runTool("ffmpeg -nostdin -y -loglevel error -f lavfi -i sine=frequency=441:duration=1:sample_rate=" +
                           std::to_string(c.rate) + " -ac 1 -c:a " + c.codec + " '" + file.string() + "'")) {
            ADD_FAILURE() << "the ffmpeg tool could not write " << c.file;
            continue;
        }
        EXPECT_TRUE(isSampleFileName(file)) << c.file;
        EXPECT_EQ(checkSampleFile(file), SampleFileCheck::Loadable) << c.file;
        const LoadedWave w = loadWaveFile(file, 2, false);
        ASSERT_EQ(w.result, 0) << c.file;
        EXPECT_EQ(w.sourceRate, c.rate) << c.file;
        const std::vector<std::int16_t> out = played(w);
        // Encoders add a little silence at the start; a second of tone is about 441 crossings.
        EXPECT_NEAR(crossings(out, 2), 441, 20) << c.file;
        EXPECT_NEAR(crossings(out, 2, 1), crossings(out, 2, 0), 1) << c.file;
    }
    EXPECT_TRUE(isSampleFileName("LOOP.WAV"));
    EXPECT_FALSE(isSampleFileName("clip.avi"));
    EXPECT_FALSE(isSampleFileName("wav"));

    EXPECT_EQ(checkSampleFile(dir / "missing.wav"), SampleFileCheck::Missing);
    EXPECT_EQ(checkSampleFile(dir.path()), SampleFileCheck::Unreadable);
    test::writeFile(dir / "text.wav", "these are not samples, just words in a file");
    EXPECT_EQ(checkSampleFile(dir / "text.wav"), SampleFileCheck::NotDecodable);
    EXPECT_EQ(loadWaveFile(dir / "text.wav", 2, false).result, WaveError::kNotPcm);
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

// The outline of a sample for its picture: per column the lowest and highest word of each side.
TEST(SamplePeaks, ColumnsCoverEveryFrame) {
    using tonwerk::audio::samplePeaks;
    const std::vector<std::int16_t> stereo = {1, -1, 5, -5, -7, 7, 3, -3, 0, 0, 9, -9};
    const auto two = samplePeaks(stereo, 2, 2);
    ASSERT_EQ(two.size(), 2U);
    EXPECT_EQ(two[0].low[0], -7);
    EXPECT_EQ(two[0].high[0], 5);
    EXPECT_EQ(two[0].low[1], -5);
    EXPECT_EQ(two[0].high[1], 7);
    EXPECT_EQ(two[1].low[0], 0);
    EXPECT_EQ(two[1].high[0], 9);
    // More columns than frames: one per frame; mono shows the same on both sides; nothing for
    // nothing.
    EXPECT_EQ(samplePeaks(stereo, 2, 100).size(), 6U);
    const std::vector<std::int16_t> mono = {4, -2, 8};
    const auto one = samplePeaks(mono, 1, 1);
    ASSERT_EQ(one.size(), 1U);
    EXPECT_EQ(one[0].low[1], -2);
    EXPECT_EQ(one[0].high[1], 8);
    EXPECT_TRUE(samplePeaks({}, 2, 10).empty());
    EXPECT_TRUE(samplePeaks(stereo, 0, 10).empty());
    EXPECT_TRUE(samplePeaks(stereo, 2, 0).empty());
    EXPECT_EQ(samplePeaks(std::vector<std::int16_t>{1, 2, 3}, 2, 4).size(), 1U) << "a half frame is left out";
}
