// One frame of the graphics window: decode, scale, all effects and the mix of three layers, each
// its own MPEG-4 clip (made with the ffmpeg tool at the window's size, and at half of it to be
// scaled up), on one core; and the pixel stages alone without decoding.
#include "core/Notifier.h"
#include "midi/Split.h"
#include "video/FrameMixer.h"
#include "video/VideoEffects.h"
#include "video/VideoEngine.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace tonwerk;

class Silent final : public core::Notifier {
public:
    core::MessageAnswer notify(const core::MessageRequest&) override { return core::MessageAnswer::Ok; }
};

std::filesystem::path makeClip(int w, int h) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tonwerk-bench-" + std::to_string(w) + "x" + std::to_string(h) + ".avi");
    if (!std::filesystem::exists(path)) {
        const std::string command =
            "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=" + std::to_string(w) + "x" +
            std::to_string(h) + ":rate=25 -frames:v 250 -c:v mpeg4 -q:v 4 -g 25 '" + path.string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::abort();
        }
    }
    return path;
}

// Three AVI splits playing their clips with every kind of effect and three mixing modes.
void threeLayers(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const bool scaled = state.range(2) != 0;
    const auto clip = makeClip(scaled ? w / 2 : w, scaled ? h / 2 : h);
    std::array<midi::Split, midi::kSplitCount> splits{};
    for (int i = 0; i < midi::kSplitCount; ++i) {
        midi::resetSplit(splits[static_cast<std::size_t>(i)], 0, i, 4);
    }
    Silent silent;
    video::VideoEngine engine(
        silent, [&splits](int i) -> midi::Split& { return splits[static_cast<std::size_t>(i)]; }, [] { return 120; });
    const std::int32_t effects[3] = {
        video::Effect::kKaleidoscope | video::Effect::kGrayscale | video::Effect::kQuantizeM,
        video::Effect::kMirrorHorizontal | video::Effect::kInverseColor | video::Effect::kFalseColor1,
        video::Effect::kSymmetryVertical | video::Effect::kFalseColor3 | video::Effect::kQuantizeL};
    const std::int32_t modes[3] = {video::MixBit::kStandard, video::MixBit::kBlueBox2, video::MixBit::kBlackBox};
    for (int i = 0; i < 3; ++i) {
        if (!engine.loadClip(i, clip)) {
            state.SkipWithError("clip did not load");
            return;
        }
        midi::Split& s = splits[static_cast<std::size_t>(i)];
        s.loopTempo = 120;
        s.video.effectFlags = effects[i] | modes[i];
        s.video.optionFlags = video::VideoOption::kLooped | video::VideoOption::kVelocityBrightness;
        s.video.brightness = 100 * 512;
        engine.videoNoteOn(i, 0x90 | 60 << 8 | 100 << 16);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.renderNow(w, h));
    }
    state.SetLabel(scaled ? "clips at half size, scaled" : "clips at window size");
}
BENCHMARK(threeLayers)->Args({640, 480, 0})->Args({640, 480, 1})->Args({1280, 720, 0})->Unit(benchmark::kMillisecond);

// The pixel stages of one layer without decoding: all effects, then a mix.
void effectsAndMix(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    video::FrameBuffer a(w, h);
    video::FrameBuffer b(w, h);
    midi::Split split{};
    midi::resetVideoBlock(split, 0);
    split.video.effectFlags = video::Effect::kKaleidoscope | video::Effect::kGrayscale | video::Effect::kInverseColor |
                              video::Effect::kFalseColor2 | video::Effect::kQuantizeL | video::MixBit::kBlueBox2;
    split.video.optionFlags = video::VideoOption::kVelocityBrightness;
    split.video.brightness = 90 * 512;
    for (auto _ : state) {
        const int level = video::applyEffects(split.video, a);
        video::mixLayer(split.video, level, a, b);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(effectsAndMix)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
