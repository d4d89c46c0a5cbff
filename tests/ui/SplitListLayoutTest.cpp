#include "screens/controls/SplitListLayout.h"

#include <gtest/gtest.h>

using namespace tonwerk::ui;

namespace {

// A font of 7 pixels a character (UTF-8 characters counted as one).
int width(std::string_view text) {
    int n = 0;
    for (const char c : text) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 7 : 0;
    }
    return n;
}

} // namespace

TEST(SplitListLayout, ColumnsFromTheSamples) {
    const auto columns = splitListColumns(600, width);
    // Column 1: "Split 00" (8 cells) from x 2; column 2 from w1 + 12 taking what is left.
    EXPECT_EQ(columns[0], (ColumnSpan{2, 2 + 56}));
    const int others = 35 + 91 + 91 + 35 + 56;
    EXPECT_EQ(columns[1], (ColumnSpan{68, 68 + 600 - (56 + others + 45)}));
    for (int i = 2; i < kSplitListColumns; ++i) {
        EXPECT_EQ(columns[static_cast<std::size_t>(i)].left, columns[static_cast<std::size_t>(i - 1)].right + 5);
    }
    EXPECT_EQ(columns[6].right, 600 - 8); // the last column ends 8 pixels before the edge
    // A list too narrow for a name column gives it no width, never a negative one.
    const auto narrow = splitListColumns(100, width);
    EXPECT_EQ(narrow[1].right, narrow[1].left);

    // Hit tests: by right edges, nothing right of column 7.
    EXPECT_EQ(columnAt(columns, 0), 1);
    EXPECT_EQ(columnAt(columns, columns[0].right), 2); // the gap belongs to the next column
    EXPECT_EQ(columnAt(columns, columns[2].left + 1), 3);
    EXPECT_EQ(columnAt(columns, columns[6].right - 1), 7);
    EXPECT_FALSE(columnAt(columns, columns[6].right));
}

TEST(SplitListLayout, NamesAreShortenedToFit) {
    EXPECT_EQ(shortenedName("Bass", 100, width), "Bass");
    // 70 pixels: a name of 10 characters (70) does not fit; cut until "xxxxxx..." (63).
    EXPECT_EQ(shortenedName("Grand Piano", 70, width), "Grand ...");
    EXPECT_LT(width(shortenedName("C:\\Music\\Loops\\very long file name.wav", 120, width)), 120);
    // Never fewer than three characters: the column may be overrun only then.
    EXPECT_EQ(shortenedName("Strings", 5, width), "Str...");
    // UTF-8 characters are cut whole.
    EXPECT_EQ(shortenedName("Flügelhörner", 63, width), "Flüge...");
    EXPECT_EQ(shortenedName("ééééééé", 35, width), "ééé...");
}

TEST(SplitListLayout, SelectionFollowsTheScroll) {
    EXPECT_EQ(selectionAfterScroll(3, 5), 5);   // above the top: the top row
    EXPECT_EQ(selectionAfterScroll(12, 5), 11); // more than five below: one up
    EXPECT_EQ(selectionAfterScroll(10, 5), 10); // five below: stays
    EXPECT_EQ(selectionAfterScroll(5, 5), 5);
}
