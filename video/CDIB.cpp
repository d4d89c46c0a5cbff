#include "CDIB.h"

#include "app/ErrorReporting.h"

#include <algorithm>
#include <cstring>

namespace tonwerk::video {

namespace {

constexpr int kMaxSide = 16384;

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

bool fail(app::Notifier& notifier, int id) {
    app::showMessage(notifier, id, app::MessageKind::Error);
    return false;
}

} // namespace

CDIB::CDIB() { createBlank(16, 16); }

int CDIB::width() const { return static_cast<std::int32_t>(le32(m_info.data() + 4)); }
int CDIB::height() const { return static_cast<std::int32_t>(le32(m_info.data() + 8)); }
int CDIB::bitCount() const { return le16(m_info.data() + 14); }

void CDIB::createBlank(int width, int height) {
    const int w = std::clamp(width, 1, kMaxSide);
    const int h = std::clamp(height, 1, kMaxSide);
    m_info.fill(0);
    put32(m_info.data(), 40);
    put32(m_info.data() + 4, static_cast<std::uint32_t>(w));
    put32(m_info.data() + 8, static_cast<std::uint32_t>(h));
    put16(m_info.data() + 12, 1);
    put16(m_info.data() + 14, 8);
    put32(m_info.data() + 32, 256);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = m_info.data() + 40 + std::ptrdiff_t{4} * i;
        entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(i);
    }
    m_colours = 256;
    m_pixels.assign(static_cast<std::size_t>((w + 3) / 4 * 4) * static_cast<std::size_t>(h), 0);
}

bool CDIB::readFromBytes(std::span<const std::uint8_t> file, app::Notifier& notifier) {
    constexpr std::size_t kFileHeader = 14;
    if (file.size() < kFileHeader) {
        return fail(notifier, 8312);
    }
    if (le16(file.data()) != 0x4D42) {
        return fail(notifier, 8313);
    }
    const std::uint32_t pixelOffset = le32(file.data() + 10);
    if (file.size() < kFileHeader + 4) {
        return fail(notifier, 8314);
    }
    const std::uint32_t headerSize = le32(file.data() + kFileHeader);
    std::array<std::uint8_t, kInfoBytes> info{};
    const bool core = headerSize == 12;
    if (core) {
        if (file.size() < kFileHeader + 12) {
            return fail(notifier, 8316);
        }
        const std::uint8_t* h = file.data() + kFileHeader;
        put32(info.data(), 40);
        put32(info.data() + 4, le16(h + 4));
        put32(info.data() + 8, le16(h + 6));
        put16(info.data() + 12, le16(h + 8));
        put16(info.data() + 14, le16(h + 10));
    } else if (headerSize == 40) {
        if (file.size() < kFileHeader + 40) {
            return fail(notifier, 8314);
        }
        std::memcpy(info.data(), file.data() + kFileHeader, 40);
    } else {
        return fail(notifier, 8315);
    }
    const auto w = static_cast<std::int32_t>(le32(info.data() + 4));
    const auto h = static_cast<std::int32_t>(le32(info.data() + 8));
    const int bits = le16(info.data() + 14);
    const std::uint32_t compression = le32(info.data() + 16);
    // A picture the rest of the program could not address is no picture.
    if (w <= 0 || w > kMaxSide || h == 0 || h < -kMaxSide || h > kMaxSide ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        return fail(notifier, 8315);
    }
    std::uint32_t colours = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    if (!core && le32(info.data() + 32) != 0) {
        colours = le32(info.data() + 32);
    }
    if (colours > 256) {
        return fail(notifier, 8317); // more colours than the table holds
    }
    const std::size_t tableAt = kFileHeader + headerSize;
    const std::size_t entryBytes = core ? 3 : 4;
    if (file.size() < tableAt + colours * entryBytes) {
        return fail(notifier, core ? 8318 : 8317);
    }
    for (std::uint32_t i = 0; i < colours; ++i) {
        std::memcpy(info.data() + 40 + std::size_t{4} * i, file.data() + tableAt + entryBytes * i, entryBytes);
    }
    // Pixels: from the file header's offset to the end of the file; an offset outside the file or
    // fewer bytes than the rows need is refused.
    if (pixelOffset < tableAt || pixelOffset > file.size()) {
        return fail(notifier, 8319);
    }
    const std::size_t available = file.size() - pixelOffset;
    const std::size_t rows = static_cast<std::size_t>(h < 0 ? -static_cast<std::int64_t>(h) : h);
    const std::size_t needed = (static_cast<std::size_t>(w) * static_cast<std::size_t>(bits) + 31) / 32 * 4 * rows;
    const bool runLength = compression == 1 || compression == 2;
    if (available == 0 || (!runLength && available < needed)) {
        return fail(notifier, 8319);
    }
    m_info = info;
    m_colours = static_cast<int>(colours);
    m_pixels.assign(file.begin() + static_cast<std::ptrdiff_t>(pixelOffset), file.end());
    return true;
}

bool CDIB::createPalette(std::vector<PaletteEntry>& palette, app::Notifier& notifier) const {
    if (m_colours == 0) {
        return fail(notifier, 8320);
    }
    palette.clear();
    for (int i = 0; i < m_colours; ++i) {
        const std::uint8_t* entry = m_info.data() + 40 + std::ptrdiff_t{4} * i;
        palette.push_back({entry[2], entry[1], entry[0], 0});
    }
    return true;
}

} // namespace tonwerk::video
