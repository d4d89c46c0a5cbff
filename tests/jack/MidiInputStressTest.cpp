// Tonwerk's MIDI input on a real JACK server (dummy backend, started by run-with-jack) against a
// hostile source: a JACK client of this test that fills every cycle with messages of every kind
// and length (system exclusive, real-time bytes, empty events, channel messages), runs late now
// and then, while Tonwerk opens and closes its input again and again.
#include "platform/MidiPorts.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tonwerk {
namespace {

using platform::MidiApi;
using platform::MidiPorts;

// The source: its own JACK client with one MIDI output port "flood". Each cycle it writes
// `perCycle` events; every `channelEvery`-th is a numbered note-on (note = n % 128, velocity =
// 1 + n / 128 % 127), the rest are hostile. With `lateEvery` > 0 every such cycle sleeps past the
// period after writing, so the next cycle starts late.
class Flood {
public:
    Flood() {
        jack_status_t status{};
        m_client = jack_client_open("flood", JackNoStartServer, &status);
        if (m_client == nullptr) {
            return;
        }
        m_port = jack_port_register(m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &Flood::process, this);
        jack_activate(m_client);
    }
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;
    ~Flood() {
        if (m_client != nullptr) {
            jack_deactivate(m_client);
            jack_client_close(m_client);
        }
    }

    [[nodiscard]] bool ready() const { return m_client != nullptr && m_port != nullptr; }
    [[nodiscard]] std::string portName() const { return jack_port_name(m_port); }

    std::atomic<int> perCycle{0};
    std::atomic<int> channelEvery{1};
    std::atomic<int> lateEvery{0};
    std::atomic<std::uint32_t> numbered{0}; // numbered note-ons written so far
    std::atomic<std::uint32_t> limit{0};    // numbered note-ons to write at most

private:
    static int process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<Flood*>(arg);
        void* buffer = jack_port_get_buffer(self->m_port, frames);
        jack_midi_clear_buffer(buffer);
        const int count = self->perCycle.load();
        const int every = std::max(1, self->channelEvery.load());
        for (int i = 0; i < count; ++i) {
            const auto time = static_cast<jack_nframes_t>(static_cast<std::uint64_t>(i) * frames / (count + 1));
            if (i % every == 0 && self->numbered.load() < self->limit.load()) {
                const std::uint32_t n = self->numbered.fetch_add(1);
                const std::array<jack_midi_data_t, 3> note = {0x90, static_cast<jack_midi_data_t>(n % 128),
                                                              static_cast<jack_midi_data_t>(1 + n / 128 % 127)};
                jack_midi_event_write(buffer, time, note.data(), note.size());
                continue;
            }
            switch (self->m_rng() % 5) {
            case 0: { // a long system exclusive message
                std::array<jack_midi_data_t, 40> sysex{};
                sysex.fill(0x11);
                sysex.front() = 0xF0;
                sysex.back() = 0xF7;
                jack_midi_event_write(buffer, time, sysex.data(), sysex.size());
                break;
            }
            case 1: { // a real-time byte
                const jack_midi_data_t clock = 0xF8;
                jack_midi_event_write(buffer, time, &clock, 1);
                break;
            }
            case 2: { // a stray data byte, as a broken cable gives
                const jack_midi_data_t data = 0x3C;
                jack_midi_event_write(buffer, time, &data, 1);
                break;
            }
            case 3: { // four bytes: longer than any channel message
                const std::array<jack_midi_data_t, 4> four = {0xB0, 7, 100, 0x40};
                jack_midi_event_write(buffer, time, four.data(), four.size());
                break;
            }
            default: { // a controller on channel 16 (heard, but not numbered)
                const std::array<jack_midi_data_t, 3> control = {0xBF, 1, 2};
                jack_midi_event_write(buffer, time, control.data(), control.size());
                break;
            }
            }
        }
        const int late = self->lateEvery.load();
        if (late > 0 && ++self->m_cycles % late == 0) {
            // Past the period: the server has started the next cycle when this one ends.
            std::this_thread::sleep_for(std::chrono::milliseconds(7));
        }
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    std::minstd_rand m_rng{2026};
    int m_cycles = 0;
};

int indexOf(const std::vector<std::string>& names, const std::string& name) {
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

int waitForPort(MidiPorts& ports, const std::string& name) {
    for (int i = 0; i < 500; ++i) {
        if (const int at = indexOf(ports.inputNames(), name); at >= 0) {
            return at;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

// Opening and closing the input while the source floods it and runs late: nothing but channel
// messages reaches the queue, and the program survives (the sanitizer build watches every read).
TEST(MidiInputStress, OpeningAndClosingUnderAFloodFromALateSource) {
    Flood flood;
    ASSERT_TRUE(flood.ready()) << "no JACK server: run under tests/e2e/run-with-jack";
    MidiPorts tonwerk(MidiApi::Jack, "Tonwerk");
    ASSERT_TRUE(tonwerk.available());
    const int id = waitForPort(tonwerk, flood.portName());
    ASSERT_GE(id, 0);

    flood.perCycle = 120;
    flood.channelEvery = 3;
    flood.lateEvery = 5;
    flood.limit = 1U << 30;
    std::mt19937 rng(11);
    std::uint64_t taken = 0;
    for (int round = 0; round < 150; ++round) {
        ASSERT_EQ(tonwerk.openInput(id), platform::MidiError::kNone);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 12000));
        tonwerk.closeInput();
        std::uint32_t word = 0;
        while (tonwerk.input().pop(word)) {
            const unsigned status = word & 0xFFU;
            ASSERT_TRUE(status == 0x90 || status == 0xBF) << std::hex << word;
            ++taken;
        }
    }
    EXPECT_GT(taken, 0U) << "the flood was heard between the closings";
}

// The channel messages of a dense stream arrive in order, and nothing else: 20 000 numbered
// note-ons among as many hostile events, at 40 events per 256-frame cycle. JACK keeps no backlog
// for a reader that misses a cycle, so on a loaded machine a few may be lost; 99 % must arrive.
TEST(MidiInputStress, EveryChannelMessageOfADenseStreamArrivesInOrder) {
    Flood flood;
    ASSERT_TRUE(flood.ready()) << "no JACK server: run under tests/e2e/run-with-jack";
    MidiPorts tonwerk(MidiApi::Jack, "Tonwerk");
    const int id = waitForPort(tonwerk, flood.portName());
    ASSERT_GE(id, 0);
    ASSERT_EQ(tonwerk.openInput(id), platform::MidiError::kNone);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the connection is made

    constexpr std::uint32_t kNotes = 16000; // the numbers stay unambiguous below 128 × 127
    flood.channelEvery = 2;
    flood.limit = kNotes;
    flood.perCycle = 40;
    std::vector<std::uint32_t> words;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (flood.numbered.load() < kNotes && std::chrono::steady_clock::now() < until) {
        std::uint32_t taken = 0;
        while (tonwerk.input().pop(taken)) {
            words.push_back(taken);
        }
        tonwerk.input().wait(20);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::uint32_t word = 0;
    while (tonwerk.input().pop(word)) {
        words.push_back(word);
    }
    ASSERT_EQ(flood.numbered.load(), kNotes);
    // A cycle the server runs again hands the reader the same events twice: a number may come
    // again, but a new number never comes before an older one.
    std::vector<bool> seen(kNotes, false);
    std::uint32_t distinct = 0;
    std::uint32_t newest = 0;
    for (const std::uint32_t heard : words) {
        if ((heard & 0xFFU) == 0xBF) {
            EXPECT_EQ(heard, 0x0201BFU);
            continue;
        }
        ASSERT_EQ(heard & 0xFFU, 0x90U) << std::hex << heard;
        // The number is found again from the key and the velocity.
        const std::uint32_t number = ((heard >> 8) & 0x7FU) + 128 * (((heard >> 16) & 0x7FU) - 1);
        ASSERT_LT(number, kNotes);
        if (!seen[number]) {
            ASSERT_TRUE(distinct == 0 || number > newest) << "note " << number << " after " << newest;
            seen[number] = true;
            newest = number;
            ++distinct;
        }
    }
    EXPECT_GE(distinct, kNotes * 99 / 100);
}

} // namespace
} // namespace tonwerk
