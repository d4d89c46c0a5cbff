#include "FrameBuffer.h"

#include <algorithm>

namespace tonwerk::video {

namespace {

void putLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

void writeBitmapHeader(std::span<std::uint8_t, kBitmapHeaderBytes> header, int width, int height) {
    std::fill(header.begin(), header.end(), std::uint8_t{0});
    putLe32(header.data(), static_cast<std::uint32_t>(kBitmapHeaderBytes));
    putLe32(header.data() + 4, static_cast<std::uint32_t>(width));
    putLe32(header.data() + 8, static_cast<std::uint32_t>(height));
    header[12] = 1;  // planes
    header[14] = 24; // bits per pixel; compression and the rest stay 0
}

void FrameBuffer::resize(int width, int height) {
    m_width = std::clamp(width, 0, kMaxPictureSide);
    m_height = std::clamp(height, 0, kMaxPictureSide);
    m_bytes.assign(kBitmapHeaderBytes + pixelBytes(m_width, m_height), 0);
    writeBitmapHeader(std::span<std::uint8_t, kBitmapHeaderBytes>(m_bytes.data(), kBitmapHeaderBytes), m_width,
                      m_height);
}

void FrameBuffer::clear() { std::fill(m_bytes.begin() + kBitmapHeaderBytes, m_bytes.end(), std::uint8_t{0}); }

} // namespace tonwerk::video
