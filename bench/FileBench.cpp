// Reading setup banks and MIDI files: what a performer waits for when a gig's files load.
#include "core/Notifier.h"
#include "midi/Split.h"
#include "setups/SetupFile.h"
#include "song/MidiFile.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

using namespace tonwerk;

std::string bankBytes(int setups) {
    std::vector<midi::Setup> bank(static_cast<std::size_t>(setups));
    for (int s = 0; s < setups; ++s) {
        for (int i = 0; i < midi::kSplitCount; ++i) {
            midi::resetSplit(bank[static_cast<std::size_t>(s)].splits[static_cast<std::size_t>(i)], s, i, 4);
        }
    }
    return setups::bankFileBytes(bank);
}

void BM_ReadSetupBank(benchmark::State& state) {
    const std::string bytes = bankBytes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto read = setups::readSetupBytes(std::span(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()));
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["setups"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ReadSetupBank)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

// About 1 MB of notes, controllers and pitch bend in one track, with running status.
std::string oneMegabyteSong(std::size_t& events) {
    std::mt19937 rng(1);
    std::string track;
    events = 0;
    while (track.size() < 1024 * 1024) {
        track.push_back(static_cast<char>(rng() % 40));
        const int kind = static_cast<int>(rng() % 4);
        const char status = kind == 0 ? '\x90' : (kind == 1 ? '\x80' : (kind == 2 ? '\xb0' : '\xe0'));
        track.push_back(status);
        track.push_back(static_cast<char>(rng() % 128));
        track.push_back(static_cast<char>(rng() % 128));
        ++events;
    }
    track += std::string("\x00\xff\x2f\x00", 4);
    auto be = [](std::uint32_t v, int n) {
        std::string out;
        for (int i = n - 1; i >= 0; --i) {
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
        return out;
    };
    return "MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(384, 2) + "MTrk" +
           be(static_cast<std::uint32_t>(track.size()), 4) + track;
}

void BM_ReadMidiFile(benchmark::State& state) {
    std::size_t events = 0;
    const std::string file = oneMegabyteSong(events);
    std::vector<song::MidiFileEvent> batch(1024);
    for (auto _ : state) {
        std::vector<std::byte> bytes(file.size());
        std::memcpy(bytes.data(), file.data(), file.size());
        int format = 0;
        auto midi = song::MidiFile::openForReading(std::move(bytes), format);
        std::size_t read = 0;
        for (int n = 1024; n == 1024;) {
            n = midi->readTrackEvents(0, batch.data(), 1024);
            read += static_cast<std::size_t>(n);
        }
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * events));
}
BENCHMARK(BM_ReadMidiFile)->Unit(benchmark::kMillisecond);

class NullHost final : public song::SongHost {
public:
    void playEvent(midi::ShortMessage) override {}
};
class NullNotifier final : public core::Notifier {
public:
    core::MessageAnswer notify(const core::MessageRequest&) override { return core::MessageAnswer::Ok; }
};

// The whole song load: file read, counting, merge into the song.
void BM_LoadSong(benchmark::State& state) {
    std::size_t events = 0;
    const std::string file = oneMegabyteSong(events);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tonwerk-bench-" + std::to_string(::getpid()) + ".mid");
    std::ofstream(path, std::ios::binary).write(file.data(), static_cast<std::streamsize>(file.size()));
    NullHost host;
    NullNotifier notifier;
    song::Song song(host, notifier);
    for (auto _ : state) {
        benchmark::DoNotOptimize(song.loadSong(path));
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * events));
}
BENCHMARK(BM_LoadSong)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
