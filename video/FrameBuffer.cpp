#include "FrameBuffer.h"

#include <algorithm>

namespace tonwerk::video {

void FrameBuffer::resize(int width, int height) {
    m_width = std::clamp(width, 0, kMaxPictureSide);
    m_height = std::clamp(height, 0, kMaxPictureSide);
    m_bytes.assign(kBitmapHeaderBytes + pixelBytes(m_width, m_height), 0);
    writeBitmapHeader(std::span<std::uint8_t, kBitmapHeaderBytes>(m_bytes.data(), kBitmapHeaderBytes), m_width,
                      m_height);
}

void FrameBuffer::clear() { std::fill(m_bytes.begin() + kBitmapHeaderBytes, m_bytes.end(), std::uint8_t{0}); }

} // namespace tonwerk::video
