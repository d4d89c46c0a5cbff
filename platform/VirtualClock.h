#pragma once

#include <cstdint>

namespace tonwerk::platform {

// A millisecond clock that moves only when told to, for offline runs and tests. Advancing runs the
// periodic tick (every `tickMs`, the first one tickMs after 0) for every tick due up to and
// including the target time, each with the clock set to the tick's time.
// Single-threaded: owned by the thread that advances it.
class VirtualClock {
public:
    explicit VirtualClock(std::uint32_t tickMs = 4) : m_tickMs(tickMs) {}

    [[nodiscard]] std::uint32_t nowMs() const { return m_nowMs; }
    [[nodiscard]] std::uint32_t tickMs() const { return m_tickMs; }

    // Moves to `targetMs` (never backwards: an earlier target leaves the clock where it is).
    template <typename OnTick>
    void advanceTo(std::uint32_t targetMs, OnTick&& onTick) {
        while (m_tickMs > 0 && m_nextTickMs <= targetMs && m_nextTickMs >= m_nowMs) {
            m_nowMs = m_nextTickMs;
            m_nextTickMs += m_tickMs;
            onTick(m_nowMs);
        }
        if (targetMs > m_nowMs) {
            m_nowMs = targetMs;
        }
    }

private:
    std::uint32_t m_tickMs;
    std::uint32_t m_nowMs = 0;
    std::uint32_t m_nextTickMs = m_tickMs;
};

} // namespace tonwerk::platform
