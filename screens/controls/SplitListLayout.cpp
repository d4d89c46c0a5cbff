#include "SplitListLayout.h"

#include <algorithm>

namespace tonwerk::ui {

namespace {

// A sample text extended with blanks to its number of character cells.
std::string cellsOf(const ColumnSample& sample) {
    std::string text(sample.text);
    if (static_cast<int>(text.size()) < sample.cells) {
        text.append(static_cast<std::size_t>(sample.cells) - text.size(), ' ');
    }
    return text;
}

} // namespace

std::array<ColumnSpan, kSplitListColumns> splitListColumns(int clientWidth, const TextWidth& width) {
    std::array<int, kSplitListColumns> sampleWidth{};
    for (std::size_t i = 0; i < kColumnSamples.size(); ++i) {
        sampleWidth[i] = i == 1 ? 0 : width(cellsOf(kColumnSamples[i]));
    }
    std::array<ColumnSpan, kSplitListColumns> columns{};
    columns[0] = {2, 2 + sampleWidth[0]};
    int others = 0;
    for (std::size_t i = 2; i < sampleWidth.size(); ++i) {
        others += sampleWidth[i];
    }
    const int nameLeft = sampleWidth[0] + 12;
    const int nameWidth = std::max(0, clientWidth - (sampleWidth[0] + others + 45));
    columns[1] = {nameLeft, nameLeft + nameWidth};
    for (std::size_t i = 2; i < columns.size(); ++i) {
        const int left = columns[i - 1].right + 5;
        columns[i] = {left, left + sampleWidth[i]};
    }
    return columns;
}

std::optional<int> columnAt(const std::array<ColumnSpan, kSplitListColumns>& columns, int x) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (x < columns[i].right) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

std::string shortenedName(std::string_view name, int available, const TextWidth& width) {
    // UTF-8: characters are counted and cut whole, continuation bytes with their lead byte.
    const auto isContinuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    const auto characters = [&](const std::string& t) {
        return std::count_if(t.begin(), t.end(), [&](char c) { return !isContinuation(c); });
    };
    std::string kept(name);
    std::string text = kept;
    while (width(text) >= available && characters(kept) > 3) {
        std::size_t last = kept.size() - 1;
        while (last > 0 && isContinuation(kept[last])) {
            --last;
        }
        kept.resize(last);
        text = kept + "...";
    }
    return text;
}

int selectionAfterScroll(int selected, int topRow) {
    if (selected < topRow) {
        return topRow;
    }
    if (selected > topRow + 5) {
        return selected - 1;
    }
    return selected;
}

} // namespace tonwerk::ui
