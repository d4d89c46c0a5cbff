#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The demo style's sounds, synthesised: a few drum hits, bass notes and two loops at one tempo,
// so a fresh installation has something to play without any media taken from elsewhere. Every
// sound is mono, at kDemoRate, in the range -1 to 1, and the same on every run (the noise comes
// from a fixed seed). Any thread.
namespace tonwerk::demo {

inline constexpr int kDemoRate = 44100; // Hz

using Sound = std::vector<float>;

[[nodiscard]] Sound kick();
[[nodiscard]] Sound snare();
[[nodiscard]] Sound closedHat();
[[nodiscard]] Sound openHat();
[[nodiscard]] Sound clap();
[[nodiscard]] Sound tom();
// A plucked synthesiser bass note of `key` (MIDI note number, 36 = 65.4 Hz), about 1.2 s long.
[[nodiscard]] Sound bassNote(int key);

// Two bars of 4/4 at `bpm` beats per minute, exactly 8 beats long, so they loop seamlessly and
// their length tells their tempo: a four-on-the-floor beat, and a bass line in eighths.
[[nodiscard]] Sound beatLoop(int bpm);
[[nodiscard]] Sound bassLoop(int bpm);

// The frequency of MIDI note `key` in Hz (equal temperament, note 69 = 440 Hz).
[[nodiscard]] double keyFrequency(int key);

// 16-bit stereo frames of `sound` (the same on both sides), scaled so its peak sits at `peak`
// (0-1) of full scale.
[[nodiscard]] std::vector<std::int16_t> stereoWords(std::span<const float> sound, double peak);

} // namespace tonwerk::demo
