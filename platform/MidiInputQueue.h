#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tonwerk::platform {

// Hands MIDI short messages from the MIDI system's thread to the thread that runs the dispatcher.
// Single producer, single consumer, lock-free: the producer never blocks or allocates; the consumer
// is woken through an eventfd it can poll (or a Qt socket notifier can watch). A full queue drops
// the message and counts it; at 65 536 entries a burst of many seconds of dense MIDI fits.
class MidiInputQueue {
public:
    static constexpr std::size_t kCapacity = 1u << 16;

    MidiInputQueue();
    MidiInputQueue(const MidiInputQueue&) = delete;
    MidiInputQueue& operator=(const MidiInputQueue&) = delete;
    ~MidiInputQueue();

    // Producer (the MIDI system's thread): never blocks. False when the queue was full.
    bool push(std::uint32_t message);

    // Consumer (dispatcher thread): takes the oldest message, if any. Never blocks.
    bool pop(std::uint32_t& message);

    // Consumer: waits up to `timeoutMs` for messages (or a wake-up); true when woken.
    bool wait(int timeoutMs);

    // Any thread: wakes a waiting consumer (used to stop a loop).
    void wake();

    // The descriptor that becomes readable when messages arrive (for poll or QSocketNotifier).
    [[nodiscard]] int wakeDescriptor() const { return m_eventFd; }
    [[nodiscard]] std::uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::array<std::uint32_t, kCapacity> m_slots{};
    alignas(64) std::atomic<std::size_t> m_head{0}; // next slot to read (consumer)
    alignas(64) std::atomic<std::size_t> m_tail{0}; // next slot to write (producer)
    std::atomic<std::uint64_t> m_dropped{0};
    int m_eventFd = -1;
};

} // namespace tonwerk::platform
