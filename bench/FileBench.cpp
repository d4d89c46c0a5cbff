// Reading setup banks and MIDI files: what a performer waits for when a gig's files load.
#include "audio/WaveWriter.h"
#include "core/Notifier.h"
#include "core/Settings.h"
#include "midi/Split.h"
#include "session/Commands.h"
#include "session/Session.h"
#include "setups/SetupFile.h"
#include "song/MidiFile.h"
#include "song/Song.h"

#include <benchmark/benchmark.h>

#include <cmath>
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

// A setup of 24 sample splits, each a 10 s stereo WAVE at 44 100 Hz, loaded as from the setup
// list: read, every sample decoded into the engine's layout, the splits applied.
class NullOutput final : public midi::MidiOutput {
public:
    void send(midi::ShortMessage) override {}
};

std::filesystem::path makeSampleSetup(const std::filesystem::path& folder, session::Session& session) {
    std::filesystem::create_directories(folder);
    std::vector<std::int16_t> block(2 * 44100);
    for (int split = 0; split < midi::kSplitCount; ++split) {
        const std::filesystem::path wave = folder / ("loop" + std::to_string(split) + ".wav");
        audio::WaveWriter writer;
        static_cast<void>(writer.open(wave, 2, 44100));
        for (int second = 0; second < 10; ++second) {
            for (std::size_t i = 0; i < block.size(); ++i) {
                block[i] = static_cast<std::int16_t>(8000 * std::sin(0.01 * static_cast<double>(i + split)));
            }
            writer.append(block);
        }
        static_cast<void>(writer.finish());
        session.commands().assignSample(split, wave);
    }
    const std::filesystem::path setup = folder / "Samples.mks";
    static_cast<void>(session.commands().saveSetup(setup));
    return setup;
}

// Arg: the engine's sample layout ("DSMemMode": 1 = 44 100 Hz stereo, no rate conversion; 2 = the
// default 22 050 Hz stereo, every file converted by libsoxr).
void BM_LoadSetup24Samples(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tonwerk-bench-samples-" + std::to_string(::getpid()));
    core::Settings settings;
    settings.sampleMemoryMode = static_cast<int>(state.range(0));
    NullNotifier notifier;
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    NullOutput output;
    hooks.midiOutput = &output;
    session::SessionOptions options;
    options.clock = session::SessionOptions::Clock::Virtual;
    options.sound = session::SessionOptions::Sound::Offline;
    session::Session session(settings, hooks, options);
    session.startDevices();
    const std::filesystem::path setup = makeSampleSetup(folder, session);
    for (auto _ : state) {
        if (!session.commands().loadSetup(setup)) {
            state.SkipWithError("load failed");
            break;
        }
    }
    std::filesystem::remove_all(folder);
    state.SetItemsProcessed(state.iterations() * midi::kSplitCount);
}
BENCHMARK(BM_LoadSetup24Samples)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
