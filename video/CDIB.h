#pragma once

#include "core/Notifier.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tonwerk::video {

// A device-independent bitmap for background pictures: a 40-byte information header with a
// colour table (always 1064 bytes: 40 + 256 × 4) and the pixel bytes. One thread at a time.
class CDIB {
public:
    static constexpr std::size_t kInfoBytes = 40 + 256 * 4;

    struct PaletteEntry {
        std::uint8_t red = 0;
        std::uint8_t green = 0;
        std::uint8_t blue = 0;
        std::uint8_t flags = 0;
    };

    // A 16 × 16 blank picture.
    CDIB();

    // An 8-bit picture of width × height with a grey colour table (entry i = (i, i, i)), all pixels
    // 0; rows (width + 3) rounded down to a multiple of 4. Sides are clamped to 1 … 16384.
    void createBlank(int width, int height);

    // Reads a bitmap file (14-byte file header, then a 40- or 12-byte header). Every failure shows
    // its message, keeps the previous picture and returns false. Safe on any bytes.
    bool readFromBytes(std::span<const std::uint8_t> file, core::Notifier& notifier);

    [[nodiscard]] int width() const;
    [[nodiscard]] int height() const;
    [[nodiscard]] int bitCount() const;
    // Entries of the colour table.
    [[nodiscard]] int numberOfColours() const { return m_colours; }
    [[nodiscard]] std::span<const std::uint8_t> info() const { return m_info; }
    [[nodiscard]] std::span<const std::uint8_t> pixels() const { return m_pixels; }

    // The logical palette of the colour table (one entry per colour, flags 0); false with message
    // 8320 when the picture has no colour table.
    bool createPalette(std::vector<PaletteEntry>& palette, core::Notifier& notifier) const;

private:
    std::array<std::uint8_t, kInfoBytes> m_info{};
    std::vector<std::uint8_t> m_pixels;
    int m_colours = 0;
};

} // namespace tonwerk::video
