#include "audio/Renderer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tonwerk::audio {
namespace {

// A stereo sample of `frames` frames: left = 10 × frame, right = -10 × frame.
struct Sample {
    explicit Sample(int frames) : words(2 * static_cast<std::size_t>(frames) + 2, 0) {
        for (int i = 0; i < frames; ++i) {
            words[2 * static_cast<std::size_t>(i)] = static_cast<std::int16_t>(10 * i);
            words[2 * static_cast<std::size_t>(i) + 1] = static_cast<std::int16_t>(-10 * i);
        }
    }
    RenderVoice voice(bool loops = true) const {
        RenderVoice v;
        v.data = words.data();
        v.dataWords = static_cast<int>(words.size());
        v.sampleBytes = static_cast<int>(words.size() - 2) * 2;
        v.loops = loops;
        v.state = VoiceState::Audible;
        sanitizeVoice(v);
        resetStretch(v);
        return v;
    }
    std::vector<std::int16_t> words;
};

std::vector<std::int16_t> render(RenderVoice& v, int words) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(words), 12345);
    renderVoice(out, {}, v);
    return out;
}

TEST(Renderer, PlainCopyLoopsAndOneShotsFallSilentAtTheEnd) {
    const Sample s(100);
    RenderVoice looped = s.voice(true);
    const auto a = render(looped, 300); // 150 frames: the sample, then 50 frames of it again
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[198], 990);
    EXPECT_EQ(a[200], 0);
    EXPECT_EQ(a[299], -490);
    EXPECT_EQ(looped.state, VoiceState::Audible);

    RenderVoice once = s.voice(false);
    const auto b = render(once, 300);
    EXPECT_EQ(b[198], 990);
    EXPECT_EQ(b[200], 0);
    EXPECT_EQ(b[299], 0);
    EXPECT_EQ(once.state, VoiceState::Silent); // runs on silent until released

    // Stretch ratio exactly 1.0: the stretcher only follows; the output is the plain copy.
    RenderVoice stretched = s.voice(true);
    stretched.stretch.ratio = 1.0;
    EXPECT_EQ(render(stretched, 300), a);
}

TEST(Renderer, AnOctaveUpReadsTwoSourceFramesPerOutputFrame) {
    const Sample s(20000);
    RenderVoice v = s.voice(true);
    v.pitchRatio = static_cast<float>(semitoneRatio(12));
    EXPECT_NEAR(semitoneRatio(12), 2.0, 0.001);
    EXPECT_NEAR(semitoneRatio(-12), 0.5, 0.001);
    EXPECT_DOUBLE_EQ(semitoneRatio(0), 1.0);
    const auto out = render(v, 2000); // 1000 frames
    EXPECT_NEAR(v.readPos / 4, 2000, 4);
    // Frame k of the output is source frame ≈ 2k.
    EXPECT_NEAR(out[2 * 500], 10 * 1000, 30);
    EXPECT_NEAR(out[2 * 500 + 1], -10 * 1000, 30);
}

TEST(Renderer, ResamplingNeverReadsPastTheSampleWhateverTheRatio) {
    std::mt19937 random(9);
    for (int round = 0; round < 300; ++round) {
        const Sample s(1 + static_cast<int>(random() % 50));
        RenderVoice v = s.voice(random() % 2 == 0);
        v.pitchRatio = std::uniform_real_distribution<float>(0.01F, 300.0F)(random);
        v.readPos = static_cast<int>(random());
        v.loopStart = static_cast<int>(random()) - 1000;
        v.sampleBytes += static_cast<int>(random() % 1000); // a record value larger than the data
        sanitizeVoice(v);
        render(v, 2 * (1 + static_cast<int>(random() % 500)));
        ASSERT_GE(v.readPos, 0);
        ASSERT_LT(v.readPos, std::max(v.sampleBytes, 1));
    }
}

TEST(Renderer, StretchRatiosGiveTheirLengths) {
    const Sample s(50000);
    for (const double ratio : {1.5, 0.75, 0.99, 2.0}) {
        RenderVoice v = s.voice(true);
        v.stretch.ratio = ratio;
        const int words = 40000;
        render(v, words);
        // Input consumed = output / ratio, within one cycle of splices.
        const double consumed = v.readPos / 2.0;
        const double cycle = v.stretch.run + 2 * StretchState::kSegment + 2.0;
        EXPECT_NEAR(consumed, words / ratio, cycle + words * 0.02) << ratio;
        EXPECT_EQ(v.stretch.run % 2, 0);
        EXPECT_EQ(v.stretch.fade % 2, 0);
    }
    // A ratio just below 1 still gives a run of at least 2 words between splices.
    RenderVoice v = s.voice(true);
    v.stretch.ratio = 0.4;
    runStretch(v, nullptr, 2, false); // the run is the shortest allowed, 2 words: then the splice
    EXPECT_EQ(v.stretch.run, 0);
    EXPECT_EQ(v.stretch.fade, StretchState::kSegment);
}

TEST(Renderer, CrossfadeOfFullScaleWordsClipsInsteadOfWrapping) {
    std::vector<std::int16_t> loud(4002, -32768);
    RenderVoice v;
    v.data = loud.data();
    v.dataWords = static_cast<int>(loud.size());
    v.sampleBytes = 8000;
    v.loops = true;
    v.state = VoiceState::Audible;
    v.stretch.ratio = 1.5;
    sanitizeVoice(v);
    resetStretch(v);
    const auto out = render(v, 8000);
    for (const std::int16_t w : out) {
        ASSERT_EQ(w, -32768);
    }
}

TEST(Renderer, ReleaseRampFallsToSilence) {
    const Sample s(1000);
    RenderVoice v = s.voice(true);
    std::vector<std::int16_t> words(400, 10000);
    v.releasing = true;
    v.releaseStep = -1.0F / 200.0F; // 200 words to silence
    applyRelease(words, v);
    EXPECT_EQ(words[0], 10000);
    EXPECT_NEAR(words[100], 5000, 60);
    EXPECT_EQ(words[250], 0);
    EXPECT_EQ(words[399], 0);
    EXPECT_FLOAT_EQ(v.releaseGain, 0.0F);
    // Not releasing: untouched.
    RenderVoice still = s.voice(true);
    std::vector<std::int16_t> same(10, 77);
    applyRelease(same, still);
    EXPECT_EQ(same, std::vector<std::int16_t>(10, 77));
}

TEST(Renderer, SwitchRampFadesOutOrRendersAfresh) {
    const Sample s(1000);
    RenderVoice v = s.voice(true);
    std::vector<std::int16_t> queued(300, 1000);
    v.state = VoiceState::Silent;
    renderSwitch(queued, {}, v, true);
    EXPECT_EQ(queued[0], 1000);
    EXPECT_EQ(queued[50], 500);
    EXPECT_EQ(queued[99], 10);
    EXPECT_EQ(queued[100], 0);
    EXPECT_EQ(queued[299], 0);

    RenderVoice on = s.voice(true);
    on.rewindPos = 40; // frame 10
    std::vector<std::int16_t> part(300, 0);
    renderSwitch(part, {}, on, true);
    EXPECT_EQ(part[0], 0);          // the ramp starts at 0
    EXPECT_EQ(part[200], 10 * 110); // afterwards the sample from frame 10 on
    EXPECT_EQ(on.rewindPos, 40 + 600);
}

TEST(Renderer, EmptyOrMisplacedSamplesRenderSilence) {
    RenderVoice none;
    none.state = VoiceState::Audible;
    sanitizeVoice(none);
    EXPECT_EQ(render(none, 64), std::vector<std::int16_t>(64, 0));

    const Sample s(10);
    RenderVoice v = s.voice(true);
    v.readPos = 1 << 28;
    EXPECT_EQ(render(v, 8), std::vector<std::int16_t>(8, 0));
    EXPECT_EQ(v.readPos, 0);
    // A region of odd word count is left untouched.
    std::vector<std::int16_t> odd(3, 5);
    renderVoice(odd, {}, v);
    EXPECT_EQ(odd, std::vector<std::int16_t>(3, 5));
}

} // namespace
} // namespace tonwerk::audio
