// The dispatcher runs for every key a performer plays and the mixer for every audio period: neither
// may allocate. This binary counts every allocation of the process, so the count around their work
// must stay 0.
#include "midi/Performance.h"
#include "platform/SoundDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

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

namespace {

// The audio callback: the mix of 64 playing buffers and its conversion to the device's rate.
TEST(AudioCallback, NeverAllocates) {
    using namespace tonwerk::platform;
    SoundDevice device(SoundFormat{2, 22050});
    for (int i = 0; i < SoundDevice::kBufferCount; ++i) {
        SoundBuffer& b = device.buffer(i);
        ASSERT_EQ(b.create(40000, SoundFormat{i % 2 == 0 ? 2 : 1, 22050}), SoundError::Ok);
        LockedRegion region;
        b.lock(0, 40000, region);
        for (int w = 0; w < region.firstBytes / 2; ++w) {
            region.first[w] = static_cast<std::int16_t>((w * 37) % 2000 - 1000);
        }
        b.unlock(region);
        b.setVolume(-(i * 50));
        b.setPan(i * 100 - 3200);
        b.setFrequency(i % 3 == 0 ? 0 : 20000 + i * 100);
        b.play();
    }
    DeviceStream stream(device, 48000, 2, 4096);
    ASSERT_TRUE(stream.ok());
    std::vector<float> out(2 * 4096);
    stream.render(out.data(), 256);
    const long before = g_allocations.load();
    for (int block = 0; block < 2000; ++block) {
        stream.render(out.data(), block % 7 == 0 ? 64 : 256);
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(device.playingCount(), 64);
}

} // namespace
