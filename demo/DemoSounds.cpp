#include "DemoSounds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <map>
#include <numbers>

namespace tonwerk::demo {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

std::size_t frames(double seconds) { return static_cast<std::size_t>(std::lround(seconds * kDemoRate)); }
double secondsAt(std::size_t frame) { return static_cast<double>(frame) / kDemoRate; }

// White noise from a fixed seed (xorshift32): the same hits on every build.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : m_state(seed) {}
    float next() {
        m_state ^= m_state << 13U;
        m_state ^= m_state >> 17U;
        m_state ^= m_state << 5U;
        return static_cast<float>(static_cast<double>(m_state) / 2147483648.0 - 1.0);
    }

private:
    std::uint32_t m_state;
};

// A one-pole low-pass at `hz`; its complement is the high-pass.
class OnePole {
public:
    explicit OnePole(double hz) : m_coefficient(static_cast<float>(1.0 - std::exp(-kTwoPi * hz / kDemoRate))) {}
    float lowPass(float x) {
        m_state += m_coefficient * (x - m_state);
        return m_state;
    }
    float highPass(float x) { return x - lowPass(x); }

private:
    float m_coefficient;
    float m_state = 0;
};

// The last `seconds` fade to silence, so no hit ends with a click.
void fadeOut(Sound& sound, double seconds) {
    const std::size_t n = std::min(sound.size(), frames(seconds));
    for (std::size_t i = 0; i < n; ++i) {
        sound[sound.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(n);
    }
}

// A sine whose frequency falls from `high` to `low` Hz at `fall` per second, with an amplitude
// decaying at `decay` per second: the body of a kick or a tom.
Sound fallingSine(double seconds, double low, double high, double fall, double decay) {
    Sound out(frames(seconds));
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsAt(i);
        phase += kTwoPi * (low + (high - low) * std::exp(-t * fall)) / kDemoRate;
        out[i] = static_cast<float>(std::sin(phase) * std::exp(-t * decay));
    }
    return out;
}

// High-passed noise with a decay: hats, the rattle of a snare, a clap's burst.
Sound noiseBurst(double seconds, double highPassHz, double decay, std::uint32_t seed) {
    Sound out(frames(seconds));
    Noise noise(seed);
    OnePole filter(highPassHz);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = filter.highPass(noise.next()) * static_cast<float>(std::exp(-secondsAt(i) * decay));
    }
    return out;
}

// Adds `sound` into `loop` from frame `at`, its tail wrapping to the loop's start so the loop
// joins seamlessly.
void mixInto(Sound& loop, const Sound& sound, std::size_t at, float gain) {
    for (std::size_t i = 0; i < sound.size(); ++i) {
        loop[(at + i) % loop.size()] += gain * sound[i];
    }
}

// A band-limited saw whose upper partials die away faster than its root (a closing filter), with
// a sine an octave down for weight; `seconds` long.
Sound pluck(int key, double seconds) {
    const double hz = keyFrequency(key);
    Sound out(frames(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsAt(i);
        double v = 0.5 * std::sin(kTwoPi * 0.5 * hz * t);
        for (int k = 1; k * hz < 6000; ++k) {
            v += std::sin(kTwoPi * k * hz * t) / k * std::exp(-t * (1.5 + 0.8 * k));
        }
        const double attack = std::min(1.0, t / 0.003);
        out[i] = static_cast<float>(v * attack * std::exp(-t * 1.6));
    }
    fadeOut(out, std::min(0.03, seconds / 4));
    return out;
}

} // namespace

double keyFrequency(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

Sound kick() {
    Sound out = fallingSine(0.45, 45, 160, 28, 7);
    const Sound click = noiseBurst(0.004, 2000, 400, 1);
    for (std::size_t i = 0; i < click.size(); ++i) {
        out[i] += 0.4F * click[i];
    }
    fadeOut(out, 0.01);
    return out;
}

Sound snare() {
    Sound out = fallingSine(0.3, 180, 240, 40, 22);
    const Sound rattle = noiseBurst(0.3, 1500, 13, 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = 0.5F * out[i] + 0.7F * rattle[i];
    }
    fadeOut(out, 0.01);
    return out;
}

Sound closedHat() {
    Sound out = noiseBurst(0.09, 7000, 55, 3);
    fadeOut(out, 0.01);
    return out;
}

Sound openHat() {
    Sound out = noiseBurst(0.5, 6000, 7, 4);
    fadeOut(out, 0.02);
    return out;
}

Sound clap() {
    // Three quick slaps and a short room behind them.
    Sound out(frames(0.35));
    Noise noise(5);
    OnePole low(2500);
    OnePole high(700);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsAt(i);
        const double slap = std::exp(-std::fmod(t, 0.011) * 300) * (t < 0.033 ? 1.0 : 0.0);
        const double room = t >= 0.022 ? 0.6 * std::exp(-(t - 0.022) * 14) : 0.0;
        out[i] = high.highPass(low.lowPass(noise.next())) * static_cast<float>(slap + room);
    }
    fadeOut(out, 0.01);
    return out;
}

Sound tom() {
    Sound out = fallingSine(0.5, 105, 170, 14, 6);
    fadeOut(out, 0.01);
    return out;
}

Sound bassNote(int key) { return pluck(key, 1.2); }

Sound beatLoop(int bpm) {
    const double beat = 60.0 / bpm;
    Sound loop(frames(8 * beat));
    const Sound k = kick();
    const Sound s = snare();
    const Sound c = clap();
    const Sound ch = closedHat();
    const Sound oh = openHat();
    for (int b = 0; b < 8; ++b) {
        mixInto(loop, k, frames(b * beat), 1.0F);
        if (b % 2 == 1) {
            mixInto(loop, s, frames(b * beat), 0.7F);
            mixInto(loop, c, frames(b * beat), 0.35F);
        }
        mixInto(loop, b == 7 ? oh : ch, frames((b + 0.5) * beat), 0.45F);
    }
    return loop;
}

Sound bassLoop(int bpm) {
    const double eighth = 30.0 / bpm;
    constexpr std::array<int, 16> kLine = {36, 36, 48, 36, 39, 36, 41, 43, 36, 36, 48, 36, 43, 41, 39, 34};
    Sound loop(frames(16 * eighth));
    std::map<int, Sound> notes;
    for (std::size_t i = 0; i < kLine.size(); ++i) {
        auto [note, fresh] = notes.try_emplace(kLine[i]);
        if (fresh) {
            note->second = pluck(kLine[i], 0.92 * eighth);
        }
        mixInto(loop, note->second, frames(static_cast<double>(i) * eighth), 1.0F);
    }
    return loop;
}

std::vector<std::int16_t> stereoWords(std::span<const float> sound, double peak) {
    float loudest = 0;
    for (const float v : sound) {
        loudest = std::max(loudest, std::abs(v));
    }
    const double scale = loudest > 0 ? 32767.0 * std::clamp(peak, 0.0, 1.0) / static_cast<double>(loudest) : 0.0;
    std::vector<std::int16_t> words;
    words.reserve(2 * sound.size());
    for (const float v : sound) {
        const auto word =
            static_cast<std::int16_t>(std::lround(std::clamp(static_cast<double>(v) * scale, -32768.0, 32767.0)));
        words.push_back(word);
        words.push_back(word);
    }
    return words;
}

} // namespace tonwerk::demo
