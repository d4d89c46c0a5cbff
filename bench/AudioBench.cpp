// The audio engine's share of a core: 63 voices pumped, rendered and mixed, and the stretcher alone.
// Prints the real-time factor (seconds of audio made per second of work, on one core).
#include "audio/AudioEngine.h"
#include "audio/Renderer.h"
#include "midi/Split.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <random>

namespace {

using namespace tonwerk;

class NullNotifier final : public core::Notifier {
public:
    core::MessageAnswer notify(const core::MessageRequest&) override { return core::MessageAnswer::Ok; }
};

// 63 voices: tuned at random pitches and stretched sync loops; the virtual clock pumps every 40 ms
// and the mixer takes 10 ms blocks.
void SixtyThreeVoices(benchmark::State& state) {
    NullNotifier notifier;
    audio::AudioSettings settings;
    settings.memMode = static_cast<int>(state.range(0));
    audio::AudioEngine engine(notifier, settings);
    std::array<midi::Split, midi::kSplitCount> splits{};
    for (int i = 0; i < midi::kSplitCount; ++i) {
        midi::resetSplit(splits[static_cast<std::size_t>(i)], 0, i, 4);
    }
    std::uint32_t now = 0;
    engine.attach([&](int i) -> midi::Split& { return splits[static_cast<std::size_t>(i)]; });
    engine.setClock([&] { return now; });
    audio::OutputChoice offline;
    offline.kind = audio::OutputChoice::Kind::Offline;
    engine.initDirectSound(offline);
    const auto path = std::filesystem::temp_directory_path() / "tonwerk-bench.wav";
    {
        const int rate = audio::memModeRate(settings.memMode);
        std::vector<std::int16_t> words(2 * 4 * static_cast<std::size_t>(rate));
        for (std::size_t f = 0; f < words.size() / 2; ++f) {
            words[2 * f] = words[2 * f + 1] = static_cast<std::int16_t>(8000 * std::sin(0.05 * static_cast<double>(f)));
        }
        const auto bytes = audio::waveFileBytes(words, 2, rate);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    for (int s = 0; s < 2; ++s) {
        engine.loadSplitSample(s, path);
        splits[static_cast<std::size_t>(s)].loopTempo = 100;
        splits[static_cast<std::size_t>(s)].sample.sampleFlags |= midi::SampleFlag::kPlayLooped;
    }
    splits[0].sampleMode = 1;
    splits[1].sampleMode = 2; // one-shot loop, stretched to the setup tempo
    splits[1].sample.sampleFlags |= midi::SampleFlag::kTimestretch;
    splits[0].setupTempo = 123;
    std::mt19937 random(1);
    for (int v = 0; v < 63; ++v) {
        std::int16_t slot = -1;
        const int split = v % 2;
        engine.startVoice(split, slot, 40 + static_cast<int>(random() % 40), 100);
        engine.playVoice(split);
    }
    std::uint64_t ms = 0;
    for (auto _ : state) {
        now += 10;
        engine.offlineOutput()->renderUntilMs(now);
        engine.pumpIfDue(now);
        ms += 10;
    }
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(ms) / 1000.0, benchmark::Counter::kIsRate);
    state.counters["voices"] = engine.voicesPlaying();
    std::filesystem::remove(path);
}
BENCHMARK(SixtyThreeVoices)->Arg(2)->Arg(1)->Unit(benchmark::kMicrosecond);

// The time-stretcher over 60 s of 44100 Hz stereo at ratio 1.25.
void Stretcher(benchmark::State& state) {
    const int frames = 60 * 44100;
    std::vector<std::int16_t> sample(2 * static_cast<std::size_t>(frames) + 2);
    for (std::size_t i = 0; i < sample.size(); ++i) {
        sample[i] = static_cast<std::int16_t>(8000 * std::sin(0.01 * static_cast<double>(i / 2)));
    }
    std::vector<std::int16_t> out(static_cast<std::size_t>(2.5 * frames) + 16);
    for (auto _ : state) {
        audio::RenderVoice v;
        v.data = sample.data();
        v.dataWords = static_cast<int>(sample.size());
        v.sampleBytes = 4 * frames;
        v.loops = true;
        v.state = audio::VoiceState::Audible;
        v.stretch.ratio = 1.25;
        audio::sanitizeVoice(v);
        audio::resetStretch(v);
        audio::runStretch(v, out.data(), static_cast<int>(1.25 * 2 * frames) & ~1, true);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["input_seconds"] = 60;
}
BENCHMARK(Stretcher)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
