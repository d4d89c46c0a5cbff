#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tonwerk::platform {

// The device-independent bitmap layout every picture of the program is held in: a 40-byte
// information header, then the pixel rows bottom-up, each padded to a multiple of 4 bytes. Decoded
// clip frames, the video window's buffers, background bitmaps and the PNG writer share it.

inline constexpr std::size_t kBitmapHeaderBytes = 40;
// Largest picture side the program makes buffers for; a file or window claiming more is refused.
inline constexpr int kMaxPictureSide = 16384;

// Little-endian fields of bitmap headers.
[[nodiscard]] inline std::uint16_t readLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
[[nodiscard]] inline std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void writeLe16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void writeLe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Length in bytes of one memory row `width` pixels wide (padded to 4 bytes); 0 for no width.
[[nodiscard]] constexpr std::size_t rowBytes(int width, int bitsPerPixel = 24) {
    return width <= 0 ? 0 : (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

// Writes the header of an uncompressed 24-bit bottom-up picture of width × height.
inline void writeBitmapHeader(std::span<std::uint8_t, kBitmapHeaderBytes> header, int width, int height) {
    for (std::uint8_t& byte : header) {
        byte = 0;
    }
    writeLe32(header.data(), static_cast<std::uint32_t>(kBitmapHeaderBytes));
    writeLe32(header.data() + 4, static_cast<std::uint32_t>(width));
    writeLe32(header.data() + 8, static_cast<std::uint32_t>(height));
    writeLe16(header.data() + 12, 1);  // planes
    writeLe16(header.data() + 14, 24); // bits per pixel; compression and the rest stay 0
}

} // namespace tonwerk::platform
