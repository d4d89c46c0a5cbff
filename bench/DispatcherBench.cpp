// A note-on/note-off pair through the 24 splits of a setup, all matching and forwarding to MIDI,
// with the performance effects off and on. Goal: well under 2 us per pair, no allocation.
#include "midi/Performance.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tonwerk::midi;

class NullOutput final : public MidiOutput {
public:
    void send(ShortMessage message) override { benchmark::DoNotOptimize(message); }
};

void notePairs(benchmark::State& state, std::uint32_t effects) {
    NullOutput output;
    VoiceOperations voices;
    ScreenFeedback screen;
    SongLink song;
    Performance engine(output, voices, screen, song);
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = engine.split(i);
        s.state = 1;
        s.sfxFlags = effects;
        s.noteInterval = 100;
    }
    int key = 36;
    for (auto _ : state) {
        engine.onMidiData(MidiSource::Device, shortMessage(0x90, key, 100));
        engine.onMidiData(MidiSource::Device, shortMessage(0x80, key, 0));
        key = key == 96 ? 36 : key + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_NotePairEffectsOff(benchmark::State& state) { notePairs(state, 0); }

// Every effect that runs for a note in passing: the pedal filter, the manner of playing with a
// limit that lets the note through, monophony, x-th note not (interval 100), note and velocity
// to controller.
void BM_NotePairEffectsOn(benchmark::State& state) {
    notePairs(state, Sfx::kPedalUpOnly | Sfx::kStaccato | Sfx::kMonoLowest | Sfx::kNthNoteNot | Sfx::kNoteToController |
                         Sfx::kVelocityToController | Sfx::kControllerThru);
}

BENCHMARK(BM_NotePairEffectsOff);
BENCHMARK(BM_NotePairEffectsOn);

} // namespace

BENCHMARK_MAIN();
