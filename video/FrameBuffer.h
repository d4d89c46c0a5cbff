#pragma once

#include "platform/BitmapLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tonwerk::video {

using platform::kBitmapHeaderBytes;
using platform::kMaxPictureSide;
using platform::rowBytes;
using platform::writeBitmapHeader;

// The pixel bytes a frame buffer holds: the width rounded up to a multiple of 4, times the height,
// times 3. Always at least rowBytes(width) × height, so whole-buffer passes stay inside it.
[[nodiscard]] constexpr std::size_t pixelBytes(int width, int height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    return (static_cast<std::size_t>(width) + 3) / 4 * 4 * static_cast<std::size_t>(height) * 3;
}

// A 24-bit bottom-up blue-green-red picture behind its 40-byte header, as the renderer's layer and
// mix buffers hold it. Memory row 0 is the bottom line. Allocates only in resize().
// One thread at a time.
class FrameBuffer {
public:
    FrameBuffer() = default;
    FrameBuffer(int width, int height) { resize(width, height); }

    // Makes the buffer width × height (each clamped to 0 … kMaxPictureSide), all pixels black.
    void resize(int width, int height);
    // Sets every pixel byte to 0.
    void clear();

    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }
    [[nodiscard]] std::size_t stride() const { return rowBytes(m_width); }
    // The pixel bytes, pixelBytes(width, height) of them.
    [[nodiscard]] std::span<std::uint8_t> pixels() { return std::span(m_bytes).subspan(kBitmapHeaderBytes); }
    [[nodiscard]] std::span<const std::uint8_t> pixels() const {
        return std::span(m_bytes).subspan(kBitmapHeaderBytes);
    }
    // Header and pixels, as a bitmap in memory.
    [[nodiscard]] std::span<const std::uint8_t> bytes() const { return m_bytes; }
    // Memory row k (0 = bottom line), stride() bytes.
    [[nodiscard]] std::uint8_t* row(int k) {
        return m_bytes.data() + kBitmapHeaderBytes + stride() * static_cast<std::size_t>(k);
    }
    [[nodiscard]] const std::uint8_t* row(int k) const {
        return m_bytes.data() + kBitmapHeaderBytes + stride() * static_cast<std::size_t>(k);
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_bytes = std::vector<std::uint8_t>(kBitmapHeaderBytes);
};

} // namespace tonwerk::video
