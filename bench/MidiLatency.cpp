// MIDI-through time of tonwerk-cli live on a running JACK server, measured by a JACK client in
// C++ so that the measuring client itself keeps up at small periods: one note-on every few
// periods from its output port into Tonwerk's input, the routed note-on timed on the way back in
// JACK frames; then a burst as fast as JACK takes it.
// Usage: bench_midi_latency TONWERK_CLI SETUP_FILE [NOTES] [BURST]
#include <jack/jack.h>
#include <jack/midiport.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int kMaxEvents = 20000;

struct State {
    jack_client_t* client = nullptr;
    jack_port_t* keys = nullptr;
    jack_port_t* sound = nullptr;
    std::atomic<int> toSend{0}; // messages still to send
    std::atomic<int> perCycle{1};
    std::atomic<int> everyCycles{4}; // send only every n-th cycle
    std::atomic<int> sentCount{0};
    std::atomic<int> receivedCount{0};
    std::atomic<bool> burst{false};
    unsigned cycle = 0;
    std::vector<jack_nframes_t> sentAt = std::vector<jack_nframes_t>(kMaxEvents);
    std::vector<jack_nframes_t> receivedAt = std::vector<jack_nframes_t>(kMaxEvents);
    std::vector<unsigned> receivedWord = std::vector<unsigned>(kMaxEvents);
};

unsigned wordFor(int i, bool burst) {
    if (!burst) {
        return 0x90u | static_cast<unsigned>(i % 128) << 8 | static_cast<unsigned>(1 + (i / 128) % 127) << 16;
    }
    const unsigned status = i % 2 == 0 ? 0x90u : 0x80u;
    return status | static_cast<unsigned>((i / 2) % 128) << 8 | static_cast<unsigned>(1 + (i / 256) % 127) << 16;
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
        if (jack_midi_event_get(&event, in, e) != 0 || event.size < 3) {
            continue;
        }
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

void waitFor(State& s, int messages, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while ((s.toSend.load() > 0 || s.receivedCount.load() < messages) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TONWERK_CLI SETUP_FILE [NOTES] [BURST]\n", argv[0]);
        return 2;
    }
    const int notes = argc > 3 ? std::min(std::atoi(argv[3]), kMaxEvents) : 2000;
    const int burst = argc > 4 ? std::min(std::atoi(argv[4]), kMaxEvents) : 10000;
    State s;
    s.client = jack_client_open("latency", JackNoStartServer, nullptr);
    if (s.client == nullptr) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    s.keys = jack_port_register(s.client, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    s.sound = jack_port_register(s.client, "sound", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(s.client, process, &s);
    jack_activate(s.client);

    std::string in = "latency:keys";
    const char* childArgs[] = {argv[1],      "live", "--midi-api", "jack",  "--midi-in", in.c_str(),
                               "--midi-out", "-1",   "--setup",    argv[2], nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, argv[1], nullptr, nullptr, const_cast<char**>(childArgs), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    // Wait for Tonwerk's output port and connect it to ours.
    bool connected = false;
    for (int tries = 0; tries < 200 && !connected; ++tries) {
        const char** ports = jack_get_ports(s.client, "Tonwerk Out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
        if (ports != nullptr && ports[0] != nullptr) {
            connected = jack_connect(s.client, ports[0], jack_port_name(s.sound)) == 0;
        }
        jack_free(ports);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // Tonwerk's input is connected by now
    const double rate = jack_get_sample_rate(s.client);
    const jack_nframes_t period = jack_get_buffer_size(s.client);

    s.toSend = notes;
    waitFor(s, notes, 60);
    const int got = s.receivedCount.load();
    std::vector<double> ms;
    bool inOrder = true;
    int previous = -1;
    for (int r = 0; r < got; ++r) {
        // Each note names its own index (key and velocity), so a lost one does not shift the rest.
        const unsigned word = s.receivedWord[static_cast<std::size_t>(r)];
        const int i = static_cast<int>(((word >> 16) & 0x7F) - 1) * 128 + static_cast<int>((word >> 8) & 0x7F);
        if (i < 0 || i >= s.sentCount.load()) {
            inOrder = false;
            continue;
        }
        inOrder = inOrder && i > previous;
        previous = i;
        ms.push_back((static_cast<double>(s.receivedAt[static_cast<std::size_t>(r)]) -
                      static_cast<double>(s.sentAt[static_cast<std::size_t>(i)])) *
                     1000.0 / rate);
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) { return ms.empty() ? 0.0 : ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    std::printf("period %u frames (%.2f ms): %d notes, lost %d, in order %s, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                period, period * 1000.0 / rate, notes, notes - got, inOrder ? "yes" : "no", at(0.5), at(0.99),
                ms.empty() ? 0.0 : ms.back());

    s.receivedCount = 0;
    s.sentCount = 0;
    s.burst = true;
    s.perCycle = 32;
    s.everyCycles = 1;
    s.toSend = burst;
    waitFor(s, burst, 60);
    const int gotBurst = s.receivedCount.load();
    bool burstInOrder = true;
    for (int i = 0; i < gotBurst; ++i) {
        const unsigned expected = wordFor(i, true);
        // a note-off goes out with its note-on's velocity
        const unsigned want =
            (expected & 0xF0) == 0x80 ? (expected & 0xFFFF) | (wordFor(i - 1, true) & 0xFF0000) : expected;
        burstInOrder = burstInOrder && s.receivedWord[static_cast<std::size_t>(i)] == want;
    }
    std::printf("burst of %d: received %d, lost %d, in order %s\n", burst, gotBurst, burst - gotBurst,
                burstInOrder ? "yes" : "no");

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    jack_deactivate(s.client);
    jack_client_close(s.client);
    return 0;
}
