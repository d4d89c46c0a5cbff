#include "CDIB.h"

#include "core/ErrorReporting.h"
#include "platform/BitmapLayout.h"

#include <algorithm>
#include <cstring>

namespace tonwerk::video {

namespace {

using platform::kMaxPictureSide;
using platform::readLe16;
using platform::readLe32;
using platform::writeLe16;
using platform::writeLe32;

bool fail(core::Notifier& notifier, int id) {
    core::showMessage(notifier, id, core::MessageKind::Error);
    return false;
}

} // namespace

CDIB::CDIB() { createBlank(16, 16); }

int CDIB::width() const { return static_cast<std::int32_t>(readLe32(m_info.data() + 4)); }
int CDIB::height() const { return static_cast<std::int32_t>(readLe32(m_info.data() + 8)); }
int CDIB::bitCount() const { return readLe16(m_info.data() + 14); }

void CDIB::createBlank(int width, int height) {
    const int w = std::clamp(width, 1, kMaxPictureSide);
    const int h = std::clamp(height, 1, kMaxPictureSide);
    m_info.fill(0);
    writeLe32(m_info.data(), 40);
    writeLe32(m_info.data() + 4, static_cast<std::uint32_t>(w));
    writeLe32(m_info.data() + 8, static_cast<std::uint32_t>(h));
    writeLe16(m_info.data() + 12, 1);
    writeLe16(m_info.data() + 14, 8);
    writeLe32(m_info.data() + 32, 256);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = m_info.data() + 40 + std::ptrdiff_t{4} * i;
        entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(i);
    }
    m_colours = 256;
    m_pixels.assign(static_cast<std::size_t>((w + 3) / 4 * 4) * static_cast<std::size_t>(h), 0);
}

bool CDIB::readFromBytes(std::span<const std::uint8_t> file, core::Notifier& notifier) {
    constexpr std::size_t kFileHeader = 14;
    if (file.size() < kFileHeader) {
        return fail(notifier, 8312);
    }
    if (readLe16(file.data()) != 0x4D42) {
        return fail(notifier, 8313);
    }
    const std::uint32_t pixelOffset = readLe32(file.data() + 10);
    if (file.size() < kFileHeader + 4) {
        return fail(notifier, 8314);
    }
    const std::uint32_t headerSize = readLe32(file.data() + kFileHeader);
    std::array<std::uint8_t, kInfoBytes> info{};
    const bool core = headerSize == 12;
    if (core) {
        if (file.size() < kFileHeader + 12) {
            return fail(notifier, 8316);
        }
        const std::uint8_t* h = file.data() + kFileHeader;
        writeLe32(info.data(), 40);
        writeLe32(info.data() + 4, readLe16(h + 4));
        writeLe32(info.data() + 8, readLe16(h + 6));
        writeLe16(info.data() + 12, readLe16(h + 8));
        writeLe16(info.data() + 14, readLe16(h + 10));
    } else if (headerSize == 40) {
        if (file.size() < kFileHeader + 40) {
            return fail(notifier, 8314);
        }
        std::memcpy(info.data(), file.data() + kFileHeader, 40);
    } else {
        return fail(notifier, 8315);
    }
    const auto w = static_cast<std::int32_t>(readLe32(info.data() + 4));
    const auto h = static_cast<std::int32_t>(readLe32(info.data() + 8));
    const int bits = readLe16(info.data() + 14);
    const std::uint32_t compression = readLe32(info.data() + 16);
    // A picture the rest of the program could not address is no picture.
    if (w <= 0 || w > kMaxPictureSide || h == 0 || h < -kMaxPictureSide || h > kMaxPictureSide ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        return fail(notifier, 8315);
    }
    std::uint32_t colours = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    if (!core && readLe32(info.data() + 32) != 0) {
        colours = readLe32(info.data() + 32);
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
    const std::size_t needed = platform::rowBytes(w, bits) * rows;
    const bool runLength = compression == 1 || compression == 2;
    if (available == 0 || (!runLength && available < needed)) {
        return fail(notifier, 8319);
    }
    m_info = info;
    m_colours = static_cast<int>(colours);
    m_pixels.assign(file.begin() + static_cast<std::ptrdiff_t>(pixelOffset), file.end());
    return true;
}

bool CDIB::createPalette(std::vector<PaletteEntry>& palette, core::Notifier& notifier) const {
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
