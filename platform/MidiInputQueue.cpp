#include "MidiInputQueue.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tonwerk::platform {

MidiInputQueue::MidiInputQueue() : m_eventFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

MidiInputQueue::~MidiInputQueue() {
    if (m_eventFd >= 0) {
        ::close(m_eventFd);
    }
}

bool MidiInputQueue::push(std::uint32_t message) {
    const std::size_t tail = m_tail.load(std::memory_order_relaxed);
    if (tail - m_head.load(std::memory_order_acquire) >= kCapacity) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    m_slots[tail % kCapacity] = message;
    m_tail.store(tail + 1, std::memory_order_release);
    wake();
    return true;
}

bool MidiInputQueue::pop(std::uint32_t& message) {
    const std::size_t head = m_head.load(std::memory_order_relaxed);
    if (head == m_tail.load(std::memory_order_acquire)) {
        return false;
    }
    message = m_slots[head % kCapacity];
    m_head.store(head + 1, std::memory_order_release);
    return true;
}

void MidiInputQueue::wake() {
    if (m_eventFd >= 0) {
        const std::uint64_t one = 1;
        // A full counter (never in practice) only means the consumer is already due to wake.
        [[maybe_unused]] const ssize_t n = ::write(m_eventFd, &one, sizeof one);
    }
}

bool MidiInputQueue::wait(int timeoutMs) {
    if (m_eventFd < 0) {
        return false;
    }
    pollfd fd{m_eventFd, POLLIN, 0};
    if (::poll(&fd, 1, timeoutMs) <= 0) {
        return false;
    }
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_eventFd, &count, sizeof count);
    return true;
}

} // namespace tonwerk::platform
