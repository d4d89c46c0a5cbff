#include "WaveBuilder.h"
#include "audio/AudioEngine.h"
#include "midi/Split.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace tonwerk::audio {
namespace {

// An audio engine on the offline output with its own 24 splits and a virtual clock.
struct Rig {
    explicit Rig(AudioSettings settings = {}) : engine(notifier, settings) {
        for (int i = 0; i < midi::kSplitCount; ++i) {
            midi::resetSplit(splits[static_cast<std::size_t>(i)], 0, i, 4);
        }
        engine.attach([this](int i) -> midi::Split& { return splits[static_cast<std::size_t>(i)]; });
        engine.setClock([this] { return nowMs; });
        OutputChoice offline;
        offline.kind = OutputChoice::Kind::Offline;
        engine.initDirectSound(offline);
    }
    // A WAVE file of constant stereo words at the output rate, loaded into `split`.
    void load(int split, std::int16_t value, int frames = 22050) {
        test::WaveBuilder w;
        w.channels = 2;
        w.rate = 22050;
        w.words(std::vector<std::int16_t>(2 * static_cast<std::size_t>(frames), value));
        const auto bytes = w.bytes();
        const auto path = dir.path() / ("s" + std::to_string(split) + ".wav");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(engine.loadSplitSample(split, path));
        splits[static_cast<std::size_t>(split)].task = static_cast<int>(midi::SplitTask::Sample);
        splits[static_cast<std::size_t>(split)].state = 1;
    }
    // Runs the virtual clock: mix, then pump, every 4 ms.
    void advance(std::uint32_t toMs) {
        while (nowMs < toMs) {
            nowMs += 4;
            engine.offlineOutput()->renderUntilMs(nowMs);
            engine.pumpIfDue(nowMs);
        }
    }
    std::int16_t start(int split, int key, int velocity) {
        std::int16_t slot = -1;
        engine.startVoice(split, slot, key, velocity);
        engine.playVoice(split);
        return slot;
    }
    [[nodiscard]] const std::vector<std::int16_t>& mix() { return engine.offlineOutput()->samples(); }

    test::TempDir dir;
    test::RecordingNotifier notifier;
    std::array<midi::Split, midi::kSplitCount> splits{};
    std::uint32_t nowMs = 0;
    AudioEngine engine;
};

TEST(VoicePool, VelocityVolumeAndPanFormulas) {
    Rig rig;
    rig.load(0, 1000);
    auto& s = rig.splits[0];
    struct Case {
        int volume, velocity, pan, wantVolume, wantPan;
    };
    for (const Case c :
         {Case{0, 127, 400, 0, 0}, Case{0, 0, 0, -3000, -4000}, Case{-1200, 0, 800, -3000, 4000},
          Case{-3000, 64, 400, -3000, 0}, Case{-600, 64, 200, -600 + ((64 - 127) * 2400) / 127, -2000}}) {
        s.sample.volume = c.volume;
        s.sample.pan = c.pan;
        const std::int16_t v = rig.start(0, 60, c.velocity);
        ASSERT_GE(v, 0);
        EXPECT_EQ(rig.engine.device()->buffer(v).volume(), c.wantVolume);
        EXPECT_EQ(rig.engine.device()->buffer(v).pan(), c.wantPan);
        rig.engine.freeVoice(v);
    }
}

TEST(VoicePool, SixtyThreeVoicesThenTheLeastRecentIsStolen) {
    Rig rig;
    rig.load(0, 1000);
    std::vector<int> taken;
    for (int i = 0; i < 63; ++i) {
        taken.push_back(rig.start(0, 60, 100));
    }
    for (int i = 0; i < 63; ++i) {
        EXPECT_EQ(taken[static_cast<std::size_t>(i)], i);
    }
    EXPECT_FALSE(rig.engine.voiceActive(63));
    // All busy: the next note takes the least recently started voice, 0, then 1; never 63.
    EXPECT_EQ(rig.start(0, 60, 100), 0);
    EXPECT_EQ(rig.start(0, 60, 100), 1);
    for (int i = 0; i < 100; ++i) {
        EXPECT_NE(rig.start(0, 60, 100), 63);
    }
    EXPECT_FALSE(rig.engine.voiceActive(63));
}

TEST(VoicePool, ReleaseTimeZeroStopsWithinTheSafetyMarginAndTheFade) {
    AudioSettings settings;
    Rig rig(settings);
    rig.load(0, 8000);
    rig.splits[0].sample.releaseTime = 0;
    rig.splits[0].sampleMode = 2;
    rig.splits[0].sample.sampleFlags |= midi::SampleFlag::kPlayLooped;
    const std::int16_t v = rig.start(0, 60, 127);
    rig.advance(500);
    const std::size_t releasedAt = rig.mix().size() / 2; // frames
    rig.engine.releaseVoice(0, v);
    rig.advance(1500);
    const auto& mix = rig.mix();
    std::size_t last = 0;
    for (std::size_t f = 0; f < mix.size() / 2; ++f) {
        if (mix[2 * f] != 0) {
            last = f;
        }
    }
    // Within "DSSafety" bytes plus the 100-word ramp, and what the mixer had taken (one block).
    const std::size_t bound = (settings.safetyBytes + 200) / 4 + platform::SoundDevice::kMixBlockFrames;
    EXPECT_GT(last, releasedAt - 10);
    EXPECT_LE(last - releasedAt, bound);
    // The voice drains one ring and is free again.
    EXPECT_FALSE(rig.engine.voiceActive(v));
}

TEST(VoicePool, ReleaseRampFadesAndFreesTheVoice) {
    Rig rig;
    rig.load(0, 8000);
    rig.splits[0].sample.releaseTime = 10; // 10 × 200 words × 1/2 (mode 2): 1000 words to silence
    rig.splits[0].sample.sampleFlags |= midi::SampleFlag::kPlayLooped;
    const std::int16_t v = rig.start(0, 60, 127);
    rig.advance(300);
    rig.engine.releaseVoice(0, v);
    rig.advance(2000);
    const auto& mix = rig.mix();
    EXPECT_EQ(mix[mix.size() - 2], 0);
    EXPECT_FALSE(rig.engine.voiceActive(v));
}

TEST(VoicePool, AReusedVoiceStartsOnItsOwnSampleNotTheLastOne) {
    Rig rig;
    rig.load(0, 20000);
    rig.load(1, -7);
    rig.splits[0].sampleMode = 1;
    rig.splits[0].rootNote = 60;
    const std::int16_t v = rig.start(0, 67, 127); // resampled: the resampler holds a 20000 frame
    rig.advance(200);
    rig.engine.freeVoice(v);
    for (int i = 0; i < 62; ++i) {
        rig.start(1, 60, 127); // walk the next-voice pointer round to v again
    }
    rig.splits[1].sampleMode = 1;
    rig.splits[1].rootNote = 60;
    std::int16_t again = -1;
    rig.engine.startVoice(1, again, 61, 127);
    ASSERT_EQ(again, v);
    EXPECT_EQ(rig.engine.renderState(again).resampler.previous[0], -7);
}

TEST(VoicePool, MixerVolumeAndPanLaw) {
    platform::SoundDevice device(platform::SoundFormat{2, 22050});
    platform::SoundBuffer& b = device.buffer(0);
    ASSERT_EQ(b.create(4000, platform::SoundFormat{2, 22050}), platform::SoundError::Ok);
    platform::LockedRegion r;
    ASSERT_EQ(b.lock(0, 4000, r), platform::SoundError::Ok);
    std::fill_n(r.first, r.firstBytes / 2, std::int16_t{10000});
    b.unlock(r);
    b.setVolume(-600);
    b.setPan(1000); // right: the left channel 10 dB down as well
    b.play();
    std::vector<std::int16_t> out(2 * 2048);
    device.mix(out.data(), 1024); // the gain glides to its value over the first block
    device.mix(out.data(), 1024);
    EXPECT_NEAR(out[1], 10000 * std::pow(10.0, -600 / 2000.0), 2);
    EXPECT_NEAR(out[0], 10000 * std::pow(10.0, -1600 / 2000.0), 2);
    b.setVolume(-10000);
    device.mix(out.data(), 1024);
    device.mix(out.data(), 1024);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(platform::gainQ15(0), 32768);
    EXPECT_EQ(b.setVolume(1), platform::SoundError::InvalidArgument);
    EXPECT_EQ(b.setPan(10001), platform::SoundError::InvalidArgument);
    // Two loud buffers saturate instead of wrapping.
    platform::SoundBuffer& c = device.buffer(1);
    c.create(4000, platform::SoundFormat{2, 22050});
    c.lock(0, 4000, r);
    std::fill_n(r.first, r.firstBytes / 2, std::int16_t{30000});
    c.play();
    b.setVolume(0);
    b.setPan(0);
    b.lock(0, 4000, r);
    std::fill_n(r.first, r.firstBytes / 2, std::int16_t{30000});
    device.mix(out.data(), 1024);
    device.mix(out.data(), 1024);
    EXPECT_EQ(out[0], 32767);
    // Cursors: the write cursor is the play cursor plus the block the mixer took.
    int play = 0;
    int write = 0;
    c.currentPosition(play, write);
    EXPECT_EQ((write - play + 4000) % 4000, 1024 * 4 % 4000);
}

TEST(VoicePool, SyncSplitsMuteAndUnmuteWithTheCrossfader) {
    Rig rig;
    rig.load(9, 8000);
    auto& s = rig.splits[9];
    s.sampleMode = 4;
    s.splitNumber = 9;
    s.sample.volume = 0;
    const std::int16_t v = rig.start(9, 60, 127);
    EXPECT_EQ(rig.engine.voiceState(v), VoiceState::Silent);
    s.crossfaderValue = 0; // right side fully faded
    rig.engine.unmuteSplit(9, 127);
    EXPECT_EQ(rig.engine.voiceState(v), VoiceState::Audible);
    EXPECT_EQ(rig.engine.device()->buffer(v).volume(), ((0 - 10000) / 64) * 64);
    EXPECT_NE(s.sample.playFlags & midi::PlayFlag::kAudible, 0);
    rig.engine.setCrossfader(127);
    EXPECT_EQ(rig.engine.device()->buffer(v).volume(), 0);
    rig.engine.muteSplit(9);
    EXPECT_EQ(rig.engine.voiceState(v), VoiceState::Silent);
    EXPECT_EQ(s.sample.playFlags & midi::PlayFlag::kAudible, 0);
}

TEST(VoicePool, TempoAdaptationAndZeroTempi) {
    Rig rig;
    rig.load(0, 1000);
    auto& s = rig.splits[0];
    s.sampleMode = 4;
    s.loopTempo = 100;
    rig.splits[0].setupTempo = 120;
    std::int16_t v = rig.start(0, 60, 127);
    EXPECT_FLOAT_EQ(rig.engine.renderState(v).pitchRatio, 1.2F);
    s.sample.sampleFlags |= midi::SampleFlag::kTimestretch;
    v = rig.start(0, 60, 127);
    EXPECT_DOUBLE_EQ(rig.engine.renderState(v).stretch.ratio, 100.0 / 120.0);
    s.loopTempo = 0; // no tempo adaptation, no division by zero
    v = rig.start(0, 60, 127);
    EXPECT_DOUBLE_EQ(rig.engine.renderState(v).stretch.ratio, 1.0);
    EXPECT_FLOAT_EQ(rig.engine.renderState(v).pitchRatio, 1.0F);
    rig.splits[0].setupPitch = -12;
    v = rig.start(0, 60, 127);
    EXPECT_NEAR(rig.engine.renderState(v).pitchRatio, 0.5F, 0.001F);
}

TEST(VoicePool, HostileRecordValuesCannotMoveTheRendererOutside) {
    Rig rig;
    rig.load(0, 1000, 500);
    auto& s = rig.splits[0];
    s.sample.sampleBytes = 0x7FFFFFFF;
    s.sample.loopStart = -44;
    s.sample.voiceIndex = 30000;
    s.sampleMode = 1;
    s.rootNote = -500;
    s.sample.sampleRate = 0x7FFFFFFF;
    rig.engine.playVoice(0); // a voice index from the file names nothing
    std::int16_t v = rig.start(0, 127, 127);
    rig.advance(400);
    EXPECT_LE(rig.engine.renderState(v).sampleBytes, 2000);
    rig.engine.releaseVoice(0, 999);
    rig.engine.releaseVoice(0, -5);
    EXPECT_EQ(rig.engine.freeVoice(64), 0);
}

TEST(VoicePool, AssignSampleFileSaysWhyAndPreparesTheSplit) {
    Rig rig;
    // A missing or unreadable file says so, with its name.
    const auto missing = rig.dir.path() / "no such loop.wav";
    EXPECT_FALSE(rig.engine.assignSampleFile(3, missing, 4));
    ASSERT_FALSE(rig.notifier.shown().empty());
    EXPECT_EQ(rig.notifier.shown().back().request.text, "The sample file \"" + missing.string() + "\" does not exist.");
    EXPECT_FALSE(rig.engine.assignSampleFile(3, rig.dir.path(), 4));
    EXPECT_EQ(rig.notifier.shown().back().request.text,
              "The sample file \"" + rig.dir.path().string() + "\" cannot be read.");

    // Data no decoder knows (an ADPCM header without its coding table).
    test::WaveBuilder adpcm;
    adpcm.tag = 2;
    adpcm.bits = 4;
    adpcm.writeExtraSize = true;
    adpcm.data = std::vector<std::uint8_t>(64, 1);
    const auto bytes = adpcm.bytes();
    const auto path = rig.dir.path() / "adpcm.wav";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_FALSE(rig.engine.assignSampleFile(3, path, 4));
    ASSERT_FALSE(rig.notifier.shown().empty());
    EXPECT_EQ(rig.notifier.shown().back().request.text,
              "The selected Wave file is not a PCM encoded file and cannot be opened by this application.");

    rig.load(5, 100);
    rig.splits[2].sampleMode = 1;
    EXPECT_TRUE(rig.engine.assignSampleFile(2, rig.dir.path() / "s5.wav", 0x1 | 0x4));
    EXPECT_EQ(rig.splits[2].sampleMode, 4);
    EXPECT_EQ(rig.splits[2].rootNote, 38);
    EXPECT_EQ(rig.splits[2].keyLow, 38);
    EXPECT_EQ(rig.splits[2].sample.sampleRate, 22050);
    EXPECT_GT(rig.splits[2].sample.sampleBytes, 0);
}

// The options' new sound output and the buffer type's primary format, taken while a voice plays:
// the voice plays on through the new output, and the mix follows the new format.
TEST(VoicePool, TheOutputAndItsFormatChangeWhileAVoicePlays) {
    Rig rig;
    rig.load(0, 4000, 22050 * 4);
    const std::int16_t voice = rig.start(0, 60, 127);
    ASSERT_GE(voice, 0);
    rig.advance(120);
    const std::int16_t level = rig.mix().back();
    ASSERT_NE(level, 0);

    OutputChoice next;
    next.kind = OutputChoice::Kind::Offline;
    ASSERT_TRUE(rig.engine.switchOutput(next));
    ASSERT_NE(rig.engine.offlineOutput(), nullptr);
    EXPECT_EQ(rig.engine.offlineOutput()->renderedFrames(), 0U) << "a new output, not the old one";
    rig.advance(400);
    EXPECT_TRUE(rig.engine.voiceActive(voice));
    // The last 100 ms through the new output: the voice at the level it had.
    const std::vector<std::int16_t>& mix = rig.mix();
    ASSERT_GT(mix.size(), 4410U);
    for (std::size_t i = mix.size() - 4410; i < mix.size(); ++i) {
        ASSERT_EQ(mix[i], level) << "word " << i;
    }

    // 11025 Hz, 8 bits, mono: the mix runs at the new rate, both channels carry the same words,
    // and every word is a whole step of 256.
    ASSERT_TRUE(rig.engine.setPrimaryFormat(platform::SoundFormat{1, 11025}, 8));
    EXPECT_EQ(rig.engine.device()->outputFormat().rate, 11025);
    EXPECT_EQ(rig.engine.device()->outputBits(), 8);
    rig.advance(600);
    EXPECT_TRUE(rig.engine.voiceActive(voice));
    const std::vector<std::int16_t>& low = rig.mix();
    EXPECT_NEAR(static_cast<double>(low.size()) / 2, 11025.0 * 0.6, 11025.0 * 0.02);
    bool sounding = false;
    for (std::size_t i = 0; i + 1 < low.size(); i += 2) {
        ASSERT_EQ(low[i], low[i + 1]);
        ASSERT_EQ(low[i] % 256, 0);
        sounding = sounding || low[i] != 0;
    }
    EXPECT_TRUE(sounding);

    // Before the device is open there is nothing to change.
    test::RecordingNotifier notifier;
    AudioEngine closed(notifier, {});
    OutputChoice any;
    EXPECT_FALSE(closed.switchOutput(any));
    EXPECT_FALSE(closed.setPrimaryFormat(platform::SoundFormat{2, 44100}, 16));
    EXPECT_TRUE(rig.notifier.shown().empty());
}

} // namespace
} // namespace tonwerk::audio
