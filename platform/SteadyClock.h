#pragma once

#include <chrono>
#include <cstdint>

namespace tonwerk::platform {

// The real millisecond clock (a steady clock, wrapping at 32 bits): what the pump and the audio
// clock measure their 40 ms periods against. Any thread, never blocks.
[[nodiscard]] inline std::uint32_t steadyMilliseconds() {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

} // namespace tonwerk::platform
