// MIDI-through time of tonwerk-cli live on a running JACK server, measured by a JACK client in
// C++ so that the measuring client itself keeps up at small periods: one note-on every few
// periods from its output port into Tonwerk's input, the routed note-on timed on the way back in
// JACK frames; then a burst as fast as JACK takes it.
//
// Every message names its own index (key and velocity), so lost, repeated and reordered messages
// are told apart. Losses are split by where they happened: on the way into Tonwerk (its input
// count), inside Tonwerk (refused by its output or dropped by its input queue), or on the way
// back; the server's xruns during each phase are counted beside them. (Tonwerk's "sent" can
// differ from what it took in without a loss: a note-off whose note-on was lost on the way in is
// not forwarded, a repeated note-on first ends the running note.)
// Usage: bench_midi_latency TONWERK_CLI SETUP_FILE [NOTES] [BURST] [-- LIVE_ARGS...]
#include <jack/jack.h>
#include <jack/midiport.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int kMaxEvents = 20000;
// The program change of the setup's one split, sent as the setup loads, before this client has
// connected Tonwerk's output; left out of the counts.
constexpr long kSentAtLoad = 1;

struct State {
    jack_client_t* client = nullptr;
    jack_port_t* keys = nullptr;
    jack_port_t* sound = nullptr;
    std::atomic<int> toSend{0}; // messages still to send
    std::atomic<int> perCycle{1};
    std::atomic<int> everyCycles{4}; // send only every n-th cycle
    std::atomic<int> sentCount{0};
    std::atomic<int> receivedCount{0}; // the messages the phase counts
    std::atomic<int> receivedAll{0};   // every message that came back
    std::atomic<bool> burst{false};
    std::atomic<bool> counting{false};
    unsigned cycle = 0;
    std::vector<jack_nframes_t> sentAt = std::vector<jack_nframes_t>(kMaxEvents);
    std::vector<jack_nframes_t> receivedAt = std::vector<jack_nframes_t>(kMaxEvents);
    std::vector<unsigned> receivedWord = std::vector<unsigned>(kMaxEvents);
    std::atomic<int> xruns{0};
};

// Note phase: note-on i (followed by its note-off). Burst: note-on and note-off in turn.
unsigned wordFor(int i, bool burst) {
    if (!burst) {
        return 0x90u | static_cast<unsigned>(i % 128) << 8 | static_cast<unsigned>(1 + (i / 128) % 127) << 16;
    }
    const unsigned status = i % 2 == 0 ? 0x90u : 0x80u;
    return status | static_cast<unsigned>((i / 2) % 128) << 8 | static_cast<unsigned>(1 + (i / 256) % 127) << 16;
}

// The index a routed message names; a note-off comes back with its note-on's velocity.
int indexOf(unsigned word, bool burst) {
    const int key = static_cast<int>((word >> 8) & 0x7F);
    const int velocity = static_cast<int>((word >> 16) & 0x7F);
    if (!burst) {
        return (velocity - 1) * 128 + key;
    }
    return ((velocity - 1) * 128 + key) * 2 + ((word & 0xF0) == 0x80 ? 1 : 0);
}

int process(jack_nframes_t frames, void* arg) {
    auto* s = static_cast<State*>(arg);
    const jack_nframes_t start = jack_last_frame_time(s->client);
    void* out = jack_port_get_buffer(s->keys, frames);
    jack_midi_clear_buffer(out);
    ++s->cycle;
    if (s->toSend.load() > 0 && s->cycle % static_cast<unsigned>(s->everyCycles.load()) == 0) {
        for (int n = 0; n < s->perCycle.load() && s->toSend.load() > 0; ++n) {
            const int i = s->sentCount.load();
            const unsigned word = wordFor(i, s->burst.load());
            const unsigned char bytes[3] = {static_cast<unsigned char>(word & 0xFF),
                                            static_cast<unsigned char>((word >> 8) & 0xFF),
                                            static_cast<unsigned char>((word >> 16) & 0xFF)};
            if (jack_midi_event_write(out, 0, bytes, 3) != 0) {
                break;
            }
            if (!s->burst.load()) {
                // the note-off after it, so the note pool never fills
                const unsigned char off[3] = {0x80, bytes[1], 0};
                jack_midi_event_write(out, 0, off, 3);
            }
            s->sentAt[static_cast<std::size_t>(i)] = start;
            s->sentCount.store(i + 1);
            s->toSend.fetch_sub(1);
        }
    }
    void* in = jack_port_get_buffer(s->sound, frames);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t e = 0; e < count; ++e) {
        jack_midi_event_t event;
        if (!s->counting.load() || jack_midi_event_get(&event, in, e) != 0 || event.size < 3) {
            continue;
        }
        s->receivedAll.fetch_add(1);
        if (!s->burst.load() && event.buffer[0] != 0x90) {
            continue; // latency counts the note-ons
        }
        const int r = s->receivedCount.load();
        if (r < kMaxEvents) {
            s->receivedAt[static_cast<std::size_t>(r)] = start + event.time;
            s->receivedWord[static_cast<std::size_t>(r)] = event.buffer[0] |
                                                           static_cast<unsigned>(event.buffer[1]) << 8 |
                                                           static_cast<unsigned>(event.buffer[2]) << 16;
            s->receivedCount.store(r + 1);
        }
    }
    return 0;
}

// The server's xrun notice (JACK's notification thread).
int onXrun(void* arg) {
    static_cast<State*>(arg)->xruns.fetch_add(1);
    return 0;
}

void waitFor(State& s, int messages, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while ((s.toSend.load() > 0 || s.receivedCount.load() < messages) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// Tonwerk's own counts, from the line live writes before its exit sweep.
struct LiveCounts {
    long in = -1;
    long out = -1;
    long refused = -1;
    long dropped = -1;
};

LiveCounts readLiveCounts(const std::string& path) {
    LiveCounts counts;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (std::sscanf(line.c_str(), "live: MIDI in %ld, out %ld, refused by the output %ld, dropped at the input %ld",
                        &counts.in, &counts.out, &counts.refused, &counts.dropped) == 4) {
            break;
        }
    }
    return counts;
}

class Live {
public:
    Live(const char* cli, const char* setup, const std::vector<std::string>& extra, const std::string& log)
        : m_log(log) {
        std::vector<std::string> args = {cli,          "live", "--midi-api", "jack", "--midi-in", "latency:keys",
                                         "--midi-out", "-1",   "--setup",    setup};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&m_pid, cli, &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    Live(const Live&) = delete;
    Live& operator=(const Live&) = delete;
    ~Live() { stop(); }

    [[nodiscard]] bool running() const { return m_pid != 0; }

    LiveCounts stop() {
        if (m_pid != 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = 0;
        }
        return readLiveCounts(m_log);
    }

private:
    std::string m_log;
    pid_t m_pid = 0;
};

bool connectTonwerk(State& s) {
    for (int tries = 0; tries < 200; ++tries) {
        const char** ports = jack_get_ports(s.client, "Tonwerk Out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
        const bool found = ports != nullptr && ports[0] != nullptr;
        const bool connected = found && jack_connect(s.client, ports[0], jack_port_name(s.sound)) == 0;
        jack_free(ports);
        if (connected) {
            std::this_thread::sleep_for(std::chrono::milliseconds(800)); // Tonwerk's input is connected by now
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

struct Outcome {
    int unique = 0;
    int repeated = 0;
    int reordered = 0;
    std::vector<double> ms;
};

// Which messages came back, once each and in order, and how long each took.
Outcome analyse(const State& s, int messages, bool burst, double rate) {
    Outcome o;
    std::vector<bool> seen(static_cast<std::size_t>(messages), false);
    int previous = -1;
    const int got = std::min(s.receivedCount.load(), kMaxEvents);
    for (int r = 0; r < got; ++r) {
        const int i = indexOf(s.receivedWord[static_cast<std::size_t>(r)], burst);
        if (i < 0 || i >= messages) {
            continue;
        }
        if (seen[static_cast<std::size_t>(i)]) {
            ++o.repeated;
            continue;
        }
        seen[static_cast<std::size_t>(i)] = true;
        ++o.unique;
        if (i < previous) {
            ++o.reordered;
        }
        previous = std::max(previous, i);
        o.ms.push_back((static_cast<double>(s.receivedAt[static_cast<std::size_t>(r)]) -
                        static_cast<double>(s.sentAt[static_cast<std::size_t>(i)])) *
                       1000.0 / rate);
    }
    std::sort(o.ms.begin(), o.ms.end());
    return o;
}

void report(const char* what, int messages, int wireMessages, const Outcome& o, const LiveCounts& live, int returned,
            int xruns) {
    const auto at = [&o](double q) {
        return o.ms.empty() ? 0.0 : o.ms[static_cast<std::size_t>(q * static_cast<double>(o.ms.size() - 1))];
    };
    std::printf("  %s: %d sent, %d lost, %d repeated, %d out of order; p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", what,
                messages, messages - o.unique, o.repeated, o.reordered, at(0.5), at(0.99),
                o.ms.empty() ? 0.0 : o.ms.back());
    std::printf("    where: %d messages on the wire; Tonwerk took in %ld (lost on the way in %ld), sent %ld "
                "(refused by its output %ld, dropped by its input %ld); came back %d (lost on the way back %ld); "
                "server xruns %d\n",
                wireMessages, live.in, wireMessages - live.in, live.out - kSentAtLoad, live.refused, live.dropped,
                returned, live.out - kSentAtLoad - live.refused - returned, xruns);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TONWERK_CLI SETUP_FILE [NOTES] [BURST] [-- LIVE_ARGS...]\n", argv[0]);
        return 2;
    }
    int notes = 2000;
    int burst = 10000;
    std::vector<std::string> extra;
    int positional = 0;
    for (int a = 3; a < argc; ++a) {
        if (std::strcmp(argv[a], "--") == 0) {
            extra.assign(argv + a + 1, argv + argc);
            break;
        }
        (positional++ == 0 ? notes : burst) = std::min(std::atoi(argv[a]), kMaxEvents);
    }
    State s;
    s.client = jack_client_open("latency", JackNoStartServer, nullptr);
    if (s.client == nullptr) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    s.keys = jack_port_register(s.client, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    s.sound = jack_port_register(s.client, "sound", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(s.client, process, &s);
    jack_set_xrun_callback(s.client, onXrun, &s);
    jack_activate(s.client);
    const double rate = jack_get_sample_rate(s.client);
    const jack_nframes_t period = jack_get_buffer_size(s.client);
    const std::string log = "/tmp/bench-midi-latency-" + std::to_string(getpid()) + ".log";
    std::printf("period %u frames (%.2f ms), live %s\n", period, period * 1000.0 / rate,
                extra.empty() ? "with the default sound output" : "with --audio none");

    for (const bool isBurst : {false, true}) {
        const int messages = isBurst ? burst : notes;
        Live live(argv[1], argv[2], extra, log);
        if (!live.running() || !connectTonwerk(s)) {
            std::fprintf(stderr, "Tonwerk's output port did not appear\n");
            return 1;
        }
        s.receivedCount = 0;
        s.receivedAll = 0;
        s.sentCount = 0;
        s.burst = isBurst;
        s.perCycle = isBurst ? 32 : 1;
        s.everyCycles = isBurst ? 1 : 4;
        const int xrunsBefore = s.xruns.load();
        s.counting = true;
        s.toSend = messages;
        waitFor(s, messages, 60);
        s.counting = false; // the exit sweep's note-offs are not counted
        const int returned = s.receivedAll.load();
        const LiveCounts counts = live.stop();
        const Outcome o = analyse(s, messages, isBurst, rate);
        report(isBurst ? "burst" : "notes", messages, isBurst ? messages : 2 * messages, o, counts, returned,
               s.xruns.load() - xrunsBefore);
    }
    std::remove(log.c_str());
    jack_deactivate(s.client);
    jack_client_close(s.client);
    return 0;
}
