#include "video/CDIB.h"
#include "support/RecordingNotifier.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tonwerk::video {
namespace {

void put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// A bitmap file of width × height at `bits` per pixel with a 40-byte (or 12-byte core) header.
std::vector<std::uint8_t> bitmap(int width, int height, int bits, bool core = false) {
    const std::size_t header = core ? 12 : 40;
    const std::size_t colours = bits <= 8 ? (1u << bits) : 0;
    const std::size_t table = colours * (core ? 3 : 4);
    const std::size_t row = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    const std::size_t offset = 14 + header + table;
    std::vector<std::uint8_t> b(offset + row * static_cast<std::size_t>(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    put(b, 10, static_cast<std::uint32_t>(offset), 4);
    put(b, 14, static_cast<std::uint32_t>(header), 4);
    if (core) {
        put(b, 18, static_cast<std::uint32_t>(width), 2);
        put(b, 20, static_cast<std::uint32_t>(height), 2);
        put(b, 22, 1, 2);
        put(b, 24, static_cast<std::uint32_t>(bits), 2);
    } else {
        put(b, 18, static_cast<std::uint32_t>(width), 4);
        put(b, 22, static_cast<std::uint32_t>(height), 4);
        put(b, 26, 1, 2);
        put(b, 28, static_cast<std::uint32_t>(bits), 2);
    }
    for (std::size_t i = 0; i < colours; ++i) {
        const std::size_t at = 14 + header + i * (core ? 3 : 4);
        b[at] = static_cast<std::uint8_t>(i);           // blue
        b[at + 1] = static_cast<std::uint8_t>(255 - i); // green
        b[at + 2] = 7;                                  // red
    }
    for (std::size_t i = offset; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(i);
    }
    return b;
}

TEST(CDIBReader, ReadsBothHeadersAndWidensCoreColours) {
    test::RecordingNotifier notifier;
    CDIB dib;
    EXPECT_EQ(dib.width(), 16); // the constructor's blank
    EXPECT_EQ(dib.numberOfColours(), 256);
    const auto plain = bitmap(5, 3, 24);
    ASSERT_TRUE(dib.readFromBytes(plain, notifier));
    EXPECT_EQ(dib.width(), 5);
    EXPECT_EQ(dib.height(), 3);
    EXPECT_EQ(dib.bitCount(), 24);
    EXPECT_EQ(dib.numberOfColours(), 0);
    EXPECT_EQ(dib.pixels().size(), 16u * 3);
    std::vector<CDIB::PaletteEntry> palette;
    EXPECT_FALSE(dib.createPalette(palette, notifier));
    EXPECT_EQ(notifier.shown().back().request.text, "No colortable!");

    const auto core = bitmap(7, 2, 8, true);
    ASSERT_TRUE(dib.readFromBytes(core, notifier));
    EXPECT_EQ(dib.numberOfColours(), 256);
    EXPECT_EQ(dib.info()[0], 40);
    EXPECT_EQ(dib.info()[40 + 4 * 200], 200);
    EXPECT_EQ(dib.info()[40 + 4 * 200 + 1], 55);
    EXPECT_EQ(dib.info()[40 + 4 * 200 + 2], 7);
    EXPECT_EQ(dib.info()[40 + 4 * 200 + 3], 0); // widened with a zero byte
    ASSERT_TRUE(dib.createPalette(palette, notifier));
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[200].red, 7);
    EXPECT_EQ(palette[200].blue, 200);

    dib.createBlank(5, 2);
    EXPECT_EQ(dib.pixels().size(), 8u * 2);
    EXPECT_EQ(dib.info()[40 + 4 * 9], 9); // grey entry (9, 9, 9)
}

TEST(CDIBReader, RefusesWhatDoesNotFitTheFileAndKeepsThePicture) {
    test::RecordingNotifier notifier;
    CDIB dib;
    const auto good = bitmap(4, 4, 8);
    ASSERT_TRUE(dib.readFromBytes(good, notifier));
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back(
        {std::vector<std::uint8_t>(good.begin(), good.begin() + 10), "Error while reading backgroundbitmap-header!"});
    auto magic = good;
    magic[0] = 'X';
    cases.push_back({magic, "No bitmap-file!"});
    cases.push_back(
        {std::vector<std::uint8_t>(good.begin(), good.begin() + 30), "Error while reading BITMAPINFOHEADER!"});
    auto size = good;
    put(size, 14, 64, 4);
    cases.push_back({size, "No Windows or PM DIB-format!"});
    auto coreShort = bitmap(4, 4, 8, true);
    coreShort.resize(20);
    cases.push_back({coreShort, "Error while reading BITMAPCOREHEADER!"});
    auto manyColours = good;
    put(manyColours, 46, 100000, 4);
    cases.push_back({manyColours, "Error while reading DIB-colortable!"});
    auto shortTable = good;
    shortTable.resize(14 + 40 + 100);
    cases.push_back({shortTable, "Error while reading DIB-colortable!"});
    auto coreTable = bitmap(4, 4, 8, true);
    coreTable.resize(14 + 12 + 30);
    cases.push_back({coreTable, "Error while reading RGBTRIPLE!"});
    auto offset = good;
    put(offset, 10, 0x7FFFFFFF, 4);
    cases.push_back({offset, "Error while reading bitmap-bits!"});
    auto fewPixels = good;
    fewPixels.resize(fewPixels.size() - 1);
    cases.push_back({fewPixels, "Error while reading bitmap-bits!"});
    auto wide = good;
    put(wide, 18, 0x40000000, 4);
    cases.push_back({wide, "No Windows or PM DIB-format!"});
    for (const Case& c : cases) {
        EXPECT_FALSE(dib.readFromBytes(c.bytes, notifier)) << c.message;
        EXPECT_EQ(notifier.shown().back().request.text, c.message);
        EXPECT_EQ(dib.width(), 4); // the previous picture stays
        EXPECT_EQ(dib.pixels().size(), 16u);
    }
    std::mt19937 random(9);
    for (int i = 0; i < 3000; ++i) {
        auto bytes = good;
        for (int k = 0; k < 4; ++k) {
            bytes[random() % 60] = static_cast<std::uint8_t>(random());
        }
        bytes.resize(random() % (bytes.size() + 1));
        if (dib.readFromBytes(bytes, notifier)) {
            EXPECT_LE(dib.numberOfColours(), 256);
        }
    }
}

} // namespace
} // namespace tonwerk::video
