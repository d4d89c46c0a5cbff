#include "Renderer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace tonwerk::audio {

namespace {

std::int16_t clip16(std::int64_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, -32768, 32767));
}

void zero(std::int16_t* out, int words) { std::fill_n(out, words, std::int16_t{0}); }

// Linear interpolation from the sample at byte `pos` into `frames` output frames; returns the
// source bytes consumed. Never reads outside the sample's readable words.
int resampleInto(std::int16_t* out, int frames, RenderVoice& v, int pos) {
    ResamplerState& r = v.resampler;
    const int ch = v.channels;
    const auto step = static_cast<std::uint32_t>(static_cast<double>(v.pitchRatio) * 65536.0);
    const int lastFrameWord = v.dataWords - ch;
    const std::int16_t* data = v.data;
    int source = pos / 2; // word index of the current source frame
    const int first = source;
    std::uint32_t fraction = r.fraction;
    int p0 = r.previous[0];
    int p1 = r.previous[1];
    for (int i = 0; i < frames; ++i) {
        fraction += step;
        const auto advance = static_cast<int>(fraction >> 16);
        fraction &= 0xFFFF;
        if (advance > 0) {
            // The previous frame is the last one stepped over.
            source += advance * ch;
            const int at = std::min(source - ch, lastFrameWord);
            p0 = data[at];
            p1 = ch == 2 ? data[at + 1] : 0;
        }
        const int at = std::min(source, lastFrameWord);
        const auto f = static_cast<std::int64_t>(fraction);
        out[static_cast<std::ptrdiff_t>(i) * ch] =
            static_cast<std::int16_t>(p0 + ((f * static_cast<std::int16_t>(data[at] - p0)) >> 16));
        if (ch == 2) {
            out[i * 2 + 1] = static_cast<std::int16_t>(p1 + ((f * static_cast<std::int16_t>(data[at + 1] - p1)) >> 16));
        }
    }
    r.fraction = fraction;
    r.previous[0] = static_cast<std::int16_t>(p0);
    r.previous[1] = static_cast<std::int16_t>(p1);
    return (source - first) * 2;
}

// Advances the stretcher's pointers by `words` of input without output and starts a fresh cycle,
// so it stays in step with a voice that reads the sample another way.
void advanceStretchInput(RenderVoice& v, int words) {
    StretchState& s = v.stretch;
    if (s.lengthWords <= 0) {
        return;
    }
    s.main = static_cast<int>((static_cast<long long>(s.main) + words) % s.lengthWords) & ~1;
    s.run = 0;
    s.fade = 0;
}

// Renders one part of a region. `rewrite`: the rewrite form (reads rewindPos, no release ramp,
// a stretched voice is copied unstretched, the resampler's state is left as it was).
void renderPart(std::span<std::int16_t> part, RenderVoice& v, bool rewrite) {
    if (part.empty()) {
        return;
    }
    int& pos = rewrite ? v.rewindPos : v.readPos;
    if (v.sampleBytes <= 0 || pos < 0 || pos >= v.sampleBytes) {
        // No sample, or a position outside it: silence, so no old ring data plays again.
        pos = 0;
        zero(part.data(), static_cast<int>(part.size()));
        return;
    }
    const int words = static_cast<int>(part.size());
    std::int16_t* out = part.data();
    const bool audible = v.state == VoiceState::Audible;
    auto atEnd = [&v, &pos] {
        if (pos >= v.sampleBytes) {
            pos = v.loopStart;
            if (!v.loops && v.state == VoiceState::Audible) {
                v.state = VoiceState::Silent;
            }
            return true;
        }
        return false;
    };

    if (v.pitchRatio == 1.0F && (v.stretch.ratio == 1.0 || rewrite)) {
        int n = words * 2;
        while (n > 0) {
            const int b = std::min(n, v.sampleBytes - pos);
            if (v.state == VoiceState::Audible) {
                std::memcpy(out, v.data + pos / 2, static_cast<std::size_t>(b));
            } else {
                zero(out, b / 2);
            }
            if (rewrite) {
                const double ratio = v.stretch.ratio;
                pos += ratio == 1.0 ? b : std::max(4, static_cast<int>(b / ratio) & ~3);
            } else {
                runStretch(v, nullptr, b / 2, false);
                applyRelease({out, static_cast<std::size_t>(b / 2)}, v);
                pos += b;
            }
            out += b / 2;
            n -= b;
            if (atEnd() && !rewrite) {
                v.stretch.ratio = 1.0;
            }
        }
        return;
    }

    if (v.pitchRatio == 1.0F) {
        runStretch(v, out, words, audible);
        pos = (v.stretch.main * 2) & ~3;
        applyRelease(part, v);
        return;
    }

    const ResamplerState saved = v.resampler;
    const double r = v.pitchRatio;
    const int frameBytes = 2 * v.channels;
    int n = words * 2;
    while (n > 0) {
        const int remaining = v.sampleBytes - pos;
        auto need = static_cast<std::int64_t>(n * r);
        int produce = n;
        if (remaining < need) {
            // At least one 4-byte unit per step, so a loop shorter than one step of a steep
            // ratio still moves the output on.
            produce = std::max(4, (static_cast<int>(remaining / r) / 4) * 4);
            need = remaining;
        }
        if (produce % 4 != 0 || pos % 4 != 0) {
            break;
        }
        if (v.state != VoiceState::Audible) {
            zero(out, produce / 2);
        } else if (produce > 0) {
            need = resampleInto(out, produce / frameBytes, v, pos) & ~1;
        }
        if (!rewrite) {
            applyRelease({out, static_cast<std::size_t>(produce / 2)}, v);
            advanceStretchInput(v, static_cast<int>(need / 2));
        }
        pos += static_cast<int>(need / 4) * 4;
        atEnd();
        out += produce / 2;
        n -= produce;
    }
    if (rewrite) {
        v.resampler = saved;
    }
}

} // namespace

double semitoneRatio(int k) {
    double base = 1.059463;
    double result = 1.0;
    unsigned e = static_cast<unsigned>(k < 0 ? -static_cast<long long>(k) : k);
    while (e != 0) {
        if ((e & 1U) != 0) {
            result *= base;
        }
        base *= base;
        e >>= 1U;
    }
    return k < 0 ? 1.0 / result : result;
}

void sanitizeVoice(RenderVoice& v) {
    if (v.data == nullptr || v.dataWords < 2 * v.channels) {
        v.sampleBytes = 0;
    }
    v.sampleBytes = std::clamp(v.sampleBytes, 0, v.dataWords * 2) & ~3;
    if (v.sampleBytes < 4) {
        v.sampleBytes = 0;
    }
    auto inside = [&v](int& pos) {
        if (pos < 0 || pos >= v.sampleBytes) {
            pos = 0;
        }
        pos &= ~3;
    };
    inside(v.readPos);
    inside(v.rewindPos);
    inside(v.loopStart);
    if (!std::isfinite(v.pitchRatio) || v.pitchRatio <= 0.0F) {
        v.pitchRatio = 1.0F;
    }
    v.pitchRatio = std::clamp(v.pitchRatio, 1.0F / 256.0F, 256.0F);
    if (!std::isfinite(v.stretch.ratio) || v.stretch.ratio <= 0.0) {
        v.stretch.ratio = 1.0;
    }
    v.stretch.ratio = std::clamp(v.stretch.ratio, 0.05, 20.0);
    v.stretch.lengthWords = v.sampleBytes / 2;
    if (v.stretch.lengthWords > 0) {
        v.stretch.main = std::clamp(v.stretch.main, 0, v.stretch.lengthWords - 1) & ~1;
        v.stretch.second = std::clamp(v.stretch.second, 0, v.stretch.lengthWords - 1) & ~1;
    } else {
        v.stretch.main = v.stretch.second = 0;
    }
}

void resetStretch(RenderVoice& v) {
    StretchState& s = v.stretch;
    s.applied = s.ratio;
    s.run = 0;
    s.fade = 0;
    s.lengthWords = v.sampleBytes / 2;
    s.main = s.second = s.lengthWords > 0 ? ((v.readPos & ~3) / 2) % s.lengthWords : 0;
}

void runStretch(RenderVoice& v, std::int16_t* out, int words, bool audible) {
    StretchState& s = v.stretch;
    const int len = s.lengthWords;
    if (len <= 0) {
        if (out != nullptr) {
            zero(out, words);
        }
        return;
    }
    constexpr int kL = StretchState::kSegment;
    auto wrap = [len](int p) { return ((p % len) + len) % len; };
    while (words > 0) {
        if (s.run == 0 && s.fade == 0) {
            const double ratio = s.ratio;
            double run = kL;
            int fade = 0;
            if (ratio > 1.0) {
                run = kL / (ratio - 1.0);
                fade = kL;
            } else if (ratio < 1.0) {
                run = std::max(2.0, kL / (1.0 - ratio) - 2.0 * kL);
                fade = kL;
            }
            s.run = std::max(2, static_cast<int>(std::min(run, static_cast<double>(1 << 30))) & ~1);
            s.fade = fade;
            s.applied = ratio;
        }
        if (s.run > 0) {
            const int k = std::min({words, len - s.main, s.run});
            if (out != nullptr) {
                if (audible) {
                    std::memcpy(out, v.data + s.main, sizeof(std::int16_t) * static_cast<std::size_t>(k));
                } else {
                    zero(out, k);
                }
                out += k;
            }
            s.main = wrap(s.main + k);
            s.run -= k;
            words -= k;
            if (s.run == 0 && s.fade > 0) {
                // Splice: repeat the last L words (longer output) or skip ahead (shorter).
                s.second = s.applied > 1.0 ? wrap(s.main - kL) : wrap(s.main + s.fade);
            }
            continue;
        }
        const int e = std::min({words, len - s.main, len - s.second, s.fade});
        if (out != nullptr) {
            if (!audible) {
                zero(out, e);
            } else {
                // Gains in 16.16, stepped by a 32-bit fraction per word: one division per piece.
                std::int64_t fall = (static_cast<std::int64_t>(s.fade) << 32) / kL;
                const std::int64_t step = (std::int64_t{1} << 32) / kL;
                const std::int16_t* a = v.data + s.main;
                const std::int16_t* b = v.data + s.second;
                for (int j = 0; j < e; ++j, fall -= step) {
                    const std::int64_t g = fall >> 16;
                    out[j] = clip16((a[j] * g + b[j] * (65536 - g)) >> 16);
                }
            }
            out += e;
        }
        s.main = wrap(s.main + e);
        s.second = wrap(s.second + e);
        s.fade -= e;
        words -= e;
        if (s.fade == 0) {
            s.main = s.second;
        }
    }
}

void applyRelease(std::span<std::int16_t> words, RenderVoice& v) {
    if (!v.releasing || words.empty()) {
        return;
    }
    const auto count = static_cast<std::int64_t>(words.size());
    std::int64_t e = 0;
    if (v.releaseGain > 0.0F && v.releaseStep < 0.0F) {
        const double d = -static_cast<double>(v.releaseGain) / static_cast<double>(v.releaseStep);
        e = std::min<std::int64_t>(count, d >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<std::int64_t>(d));
        const double g0 = static_cast<double>(v.releaseGain) * 65536.0;
        const double dg = static_cast<double>(v.releaseStep) * 65536.0;
        for (std::int64_t i = 0; i < e; ++i) {
            const auto gain = static_cast<std::int64_t>(g0 + dg * static_cast<double>(i));
            words[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>((words[static_cast<std::size_t>(i)] * std::max<std::int64_t>(gain, 0)) >> 16);
        }
        v.releaseGain += v.releaseStep * static_cast<float>(e);
    } else if (v.releaseGain > 0.0F) {
        return; // releasing without a ramp: the gain stays
    }
    if (e < count) {
        std::fill(words.begin() + e, words.end(), std::int16_t{0});
        v.releaseGain = 0.0F;
    }
}

void renderVoice(std::span<std::int16_t> first, std::span<std::int16_t> second, RenderVoice& v) {
    if (first.size() % 2 != 0 || second.size() % 2 != 0) {
        return; // lengths of whole 4-byte units only
    }
    renderPart(first, v, false);
    renderPart(second, v, false);
}

void renderSwitch(std::span<std::int16_t> first, std::span<std::int16_t> second, RenderVoice& v, bool ramp) {
    if (v.rewindPos < 0 || v.rewindPos >= std::max(v.sampleBytes, 1)) {
        v.rewindPos = 0;
        return;
    }
    if (first.size() % 2 != 0 || second.size() % 2 != 0) {
        return;
    }
    const std::size_t total = first.size() + second.size();
    const int n = ramp ? static_cast<int>(std::min<std::size_t>(100, total)) : 0;
    auto word = [&](std::size_t i) -> std::int16_t& { return i < first.size() ? first[i] : second[i - first.size()]; };
    if (v.state != VoiceState::Audible) {
        // Fade what is queued, silence after it.
        for (std::size_t i = 0; i < total; ++i) {
            const int k = static_cast<int>(i);
            word(i) = k < n ? static_cast<std::int16_t>(word(i) * (n - k) / n) : std::int16_t{0};
        }
        return;
    }
    renderPart(first, v, true);
    renderPart(second, v, true);
    for (int k = 0; k < n; ++k) {
        std::int16_t& w = word(static_cast<std::size_t>(k));
        w = static_cast<std::int16_t>(w * k / n);
    }
}

} // namespace tonwerk::audio
