#pragma once

#include <filesystem>
#include <functional>

namespace tonwerk::audio {

// Loop tempo lookups: every loop of a music-style library plays at one tempo, so a sample's own
// tempo is found from a "bpm.inf" in its folder or a folder above, from a folder name (clips), or
// estimated from its length. The first successful lookup of a run sets the setup tempo.
// UI thread; reads small files.
class TempoLookup {
public:
    // `setSetupTempo` stores a tempo as the setup's (split 0, the sync clock and the display).
    // `setupTempo` reads the current setup tempo.
    TempoLookup(std::function<void(int)> setSetupTempo, std::function<int()> setupTempo)
        : m_setSetupTempo(std::move(setSetupTempo)), m_setupTempo(std::move(setupTempo)) {}

    // "bpm.inf" in the sample's folder or the nearest folder above, else an estimate from the
    // sample (`rate` Hz, `sampleBytes` of 16-bit stereo); -1 when neither gives a tempo.
    int lookupSampleTempo(const std::filesystem::path& sample, int rate, int sampleBytes);
    // "bpm.inf", else the last folder name that begins with a number above 40 and below 300; the
    // current setup tempo when neither gives one.
    int lookupFolderTempo(const std::filesystem::path& clip);
    [[nodiscard]] bool tempoSet() const { return m_tempoSet; }

    // The tempo a loop of `sampleBytes` at `rate` Hz has as two beats, folded into 90–180 and
    // snapped to a multiple of 10; the setup tempo when it does not snap.
    [[nodiscard]] int estimateTempo(int rate, int sampleBytes) const;

private:
    void adopt(int tempo);

    std::function<void(int)> m_setSetupTempo;
    std::function<int()> m_setupTempo;
    bool m_tempoSet = false;
};

// The "BPM" of the nearest "bpm.inf" from `folder` upwards; -1 when there is none, 0 when its value
// is not a number.
[[nodiscard]] int bpmFileTempo(const std::filesystem::path& folder);
// The first multiple of 10 from 80 to 180 within ±1 % of `value`, else -1.
[[nodiscard]] int snapTempo(double value);

} // namespace tonwerk::audio
