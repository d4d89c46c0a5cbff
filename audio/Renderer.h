#pragma once

#include <cstdint>
#include <span>

namespace tonwerk::audio {

enum class VoiceState { Idle = 0, Audible = 1, Silent = 2, Cut = 3, Draining = 4 };

// Linear-interpolation resampler state.
struct ResamplerState {
    std::uint32_t fraction = 0;        // 16.16, 0..65535 between the previous and the current frame
    std::int16_t previous[2] = {0, 0}; // the previous source frame (one word in mono)
};

// Time-stretch state: runs of the sample copied as they are, spliced with linear crossfades.
// Counters and pointers in 16-bit words; the counters stay even so a splice never separates the two
// channels of a frame.
struct StretchState {
    static constexpr int kSegment = 1000; // L: crossfade and repeat length, words
    double ratio = 1.0;                   // output length / input length
    double applied = 1.0;                 // the ratio the counters were derived from
    int run = 0;                          // words still to copy before the next splice
    int fade = 0;                         // words still to crossfade
    int main = 0;                         // main read pointer, words from the sample start
    int second = 0;                       // second read pointer
    int lengthWords = 0;                  // the sample, treated as circular
};

// What a voice renders from: the sample and the voice's playing state. The renderer's
// arithmetic is on 16-bit words of the output layout; positions are byte offsets into the sample.
struct RenderVoice {
    const std::int16_t* data = nullptr; // the sample; `dataWords` words are readable
    int dataWords = 0;
    int channels = 2;    // 1 in the mono layout
    int sampleBytes = 0; // bytes to play, ≤ 2 × dataWords, a multiple of 4
    int readPos = 0;     // bytes
    int rewindPos = 0;   // bytes, the read position of a rewrite
    int loopStart = 0;   // bytes
    bool loops = false;  // "play looped", sync mode, or a loop start
    VoiceState state = VoiceState::Idle;
    bool releasing = false;
    float releaseGain = 1.0F;
    float releaseStep = 0.0F; // per word, negative
    float pitchRatio = 1.0F;
    ResamplerState resampler;
    StretchState stretch;
};

// Puts the voice's read position into the sample and its loop start inside it; a sample too small
// to play is emptied. Called whenever a voice takes values from a split record, so no record value
// can move the renderer outside the sample.
void sanitizeVoice(RenderVoice& voice);

// Starts the stretcher at the voice's read position.
void resetStretch(RenderVoice& voice);

// Fills both parts of a locked ring region with the voice's next audio (tuned, stretched or plain),
// with the release ramp. Lengths are bytes; a length that is not a multiple of 4, or a read
// position beyond the sample, leaves the region untouched. Never allocates.
void renderVoice(std::span<std::int16_t> first, std::span<std::int16_t> second, RenderVoice& voice);

// Rewrites queued data when a voice turns Audible, Silent or Cut: with `ramp` the first 100 words
// glide (down for a voice that is no longer Audible, up for one that is); rendering reads from
// rewindPos. Never allocates.
void renderSwitch(std::span<std::int16_t> first, std::span<std::int16_t> second, RenderVoice& voice, bool ramp);

// The release ramp on `words` in place (only while the voice is releasing).
void applyRelease(std::span<std::int16_t> words, RenderVoice& voice);

// Runs the stretcher for `words` output words: copying the sample (out not null, `audible`), writing
// zeros (out not null, not audible), or only advancing (out null).
void runStretch(RenderVoice& voice, std::int16_t* out, int words, bool audible);

// 1.059463 to the power k by repeated squaring, the reciprocal for negative k.
[[nodiscard]] double semitoneRatio(int k);

} // namespace tonwerk::audio
