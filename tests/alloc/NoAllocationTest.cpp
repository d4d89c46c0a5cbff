// The dispatcher runs for every key a performer plays: it must never allocate. This binary counts
// every allocation of the process, so the count around the dispatcher's work must stay 0.
#include "midi/Performance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
} // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace tonwerk::midi;

class CountingOutput final : public MidiOutput {
public:
    void send(ShortMessage) override { ++sent; }
    long sent = 0;
};

TEST(Dispatcher, NeverAllocatesPerMessage) {
    CountingOutput output;
    VoiceOperations voices;
    ScreenFeedback screen;
    SongLink song;
    Performance engine(output, voices, screen, song);
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = engine.split(i);
        s.state = 1;
        s.task = i % 3 + 1;
        s.sfxFlags = (i % 2 == 0) ? (Sfx::kControllerThru | Sfx::kPitchThru | Sfx::kMonoHighest | Sfx::kStaccato |
                                     Sfx::kNthNoteNot | Sfx::kNoteToController)
                                  : 0;
    }
    const long before = g_allocations.load();
    for (int round = 0; round < 200; ++round) {
        for (int key = 30; key < 90; key += 3) {
            engine.onMidiData(MidiSource::Device, shortMessage(0x90, key, 100));
        }
        engine.onMidiData(MidiSource::Device, shortMessage(0xB0, 64, 127));
        engine.onMidiData(MidiSource::Device, shortMessage(0xE0, 0, 70));
        for (int key = 30; key < 90; key += 3) {
            engine.onMidiData(MidiSource::Device, shortMessage(0x80, key, 0));
        }
        engine.onMidiData(MidiSource::Device, shortMessage(0xB0, 64, 0));
        engine.onMidiData(MidiSource::Device, shortMessage(0xC0, 0));
        if (round % 50 == 0) {
            engine.allNotesOff();
        }
    }
    const long after = g_allocations.load();
    EXPECT_GT(output.sent, 10000);
    EXPECT_EQ(after - before, 0);
}

} // namespace
