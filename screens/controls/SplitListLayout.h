#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tonwerk::ui {

// The split list's arithmetic, without a display: the seven columns measured from sample texts,
// which column a point lies in, the name shortened with "...", and where the selection goes when
// the list scrolls.

inline constexpr int kSplitListColumns = 7;

// The width of a text in the list's font, in pixels.
using TextWidth = std::function<int(std::string_view)>;

// A column's left and right edge (the right edge is the first pixel past it).
struct ColumnSpan {
    int left = 0;
    int right = 0;
    bool operator==(const ColumnSpan&) const = default;
};

// The samples that fix the widths of columns 1 and 3-7 (column 2 takes what is left): the sample
// text extended to the given number of character cells.
struct ColumnSample {
    std::string_view text;
    int cells;
};
inline constexpr std::array<ColumnSample, kSplitListColumns> kColumnSamples = {{
    {"Split 00", 8},
    {"", 0},
    {"00", 5},
    {"122 - 127", 13},
    {"#C1 - #C5", 13},
    {"00", 5},
    {"+00", 8},
}};

// The columns of a list `clientWidth` pixels wide: column 1 from x 2, column 2 from w1 + 12 taking
// what the others leave, columns 3-7 each 5 pixels after the previous, the last 8 pixels before
// the right edge.
[[nodiscard]] std::array<ColumnSpan, kSplitListColumns> splitListColumns(int clientWidth, const TextWidth& width);

// The column (1-7) that `x` lies in: the first whose right edge lies right of x; none right of
// column 7.
[[nodiscard]] std::optional<int> columnAt(const std::array<ColumnSpan, kSplitListColumns>& columns, int x);

// The name as drawn in a column `available` pixels wide: while it is as wide as the column or
// wider, its last character is cut and "..." appended, until it fits or only three characters are
// left. Whole UTF-8 characters are cut, never half of one.
[[nodiscard]] std::string shortenedName(std::string_view name, int available, const TextWidth& width);

// The row selected after the list scrolled so that `topRow` is its first visible row: a selection
// above the top becomes the top row, one more than five rows below it moves up by one, any other
// stays.
[[nodiscard]] int selectionAfterScroll(int selected, int topRow);

} // namespace tonwerk::ui
