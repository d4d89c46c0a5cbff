#include "KeyRangeModel.h"

#include <algorithm>
#include <array>

namespace tonwerk::ui {

void KeyRangeModel::setSpan(int left, int top, int right, int bottom, int spanLow, int spanHigh) {
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    m_spanLow = spanLow;
    m_spanHigh = spanHigh;
    m_lowX = left;
    m_highX = left;
}

int KeyRangeModel::keyAt(int x) const {
    // A key is g / 12 pixels wide (12 on the Master screen's bar, where g is 147); the same
    // width as xOfKey uses, so a narrower bar finds the keys it shows.
    const int g = octaveWidth();
    if (g < 12) {
        return m_spanLow;
    }
    const int o = (x - m_left) / g;
    return m_spanLow + 12 * o + (x - m_left - g * o) / (g / 12);
}

int KeyRangeModel::xOfKey(int key) const {
    const int g = octaveWidth();
    const int o = (key - m_spanLow) / 12;
    return m_left + o * g + ((key - m_spanLow) % 12) * (g / 12) + g / 24;
}

bool KeyRangeModel::onHandle(int handleX, int x, int y) const {
    return x >= handleX && x <= handleX + kHandleWidth && y >= m_top + 1 && y <= m_bottom - 1;
}

int KeyRangeModel::handleKey(int handleX) const {
    // The key under the handle's left edge moved by what centres a key's handle on the key: on the
    // Master screen's bar (keys 12 pixels wide) that is the left edge itself; on a narrower bar the
    // keys setKeys placed come back, and no key lies beyond the span.
    const int keyWidth = octaveWidth() / 12;
    return std::clamp(keyAt(handleX + 6 - keyWidth / 2), m_spanLow, m_spanHigh);
}

KeyRangeModel::Report KeyRangeModel::moveHandle(int x, bool high) {
    if (!high) {
        m_lowX = x - 5;
        if (m_left >= m_lowX) {
            m_lowX = m_left + 5; // drawn inside the bar
        }
        if (!(m_quiet && !m_twoHandles)) {
            m_lowKey = handleKey(x - 5);
        }
    } else {
        m_highX = (x < m_right ? x : m_right - kHandleWidth) - 5;
        m_highKey = handleKey(m_highX);
    }
    if (m_quiet) {
        return std::nullopt;
    }
    return m_twoHandles ? std::pair{m_lowKey, m_highKey} : std::pair{m_lowKey, m_lowKey};
}

void KeyRangeModel::setKeys(int low, int high) {
    m_twoHandles = low != (high & 0xFFFF);
    m_quiet = true;
    int lowX = 0;
    int highX = 0;
    if (low == 24 && high == 96) {
        lowX = m_left;
        highX = m_right - (m_right - m_left) / (m_spanHigh - m_spanLow + 1);
        m_fullSpanMark = true;
    } else {
        low = low < m_spanLow ? m_spanLow : low;
        high = high > m_spanHigh ? m_spanHigh : high;
        // A key beyond the other end of the span (a single key above it, a range below it) is
        // shown at that end of the bar, never outside it.
        lowX = xOfKey(std::min(low, m_spanHigh));
        highX = xOfKey(std::max(high, m_spanLow));
        m_fullSpanMark = false;
    }
    m_lowKey = low;
    m_highKey = high;
    static_cast<void>(moveHandle(lowX, false));
    static_cast<void>(moveHandle(highX, true));
}

KeyRangeModel::Report KeyRangeModel::leftDown(int x) {
    if (!m_twoHandles || (x > 5 && x < m_highX - 10)) {
        m_quiet = false;
        return moveHandle(x, false);
    }
    return std::nullopt;
}

KeyRangeModel::Report KeyRangeModel::leftMove(int x, int y) {
    const int limit = m_twoHandles ? m_highX + 5 : m_right - 5;
    if (x > 5 && x < limit && (onLowHandle(x, y) || m_draggingLow)) {
        m_draggingLow = true;
        m_quiet = false;
        return moveHandle(x, false);
    }
    return std::nullopt;
}

KeyRangeModel::Report KeyRangeModel::rightDown(int x) {
    if (m_twoHandles && x > m_lowX + 5 && x < m_right - 5) {
        m_quiet = false;
        return moveHandle(x, true);
    }
    return std::nullopt;
}

KeyRangeModel::Report KeyRangeModel::rightMove(int x, int y) {
    if (m_twoHandles && x > m_lowX + 5 && x < m_right - 5 && (onHighHandle(x, y) || m_draggingHigh)) {
        m_draggingHigh = true;
        m_quiet = false;
        return moveHandle(x, true);
    }
    return std::nullopt;
}

void KeyRangeModel::rightUp() {
    if (m_twoHandles) {
        m_draggingHigh = false;
    }
}

KeyRangeModel::Report KeyRangeModel::doubleClick(int x) {
    m_quiet = false;
    if (m_twoHandles) {
        m_twoHandles = false;
        return moveHandle(x, false);
    }
    m_twoHandles = true;
    static_cast<void>(moveHandle(m_left, false));
    return moveHandle(m_right, true);
}

std::string keyRangeLabel(int key) {
    static constexpr std::array<const char*, 12> kNames{" C", "#C", " D", "#D", " E", " F",
                                                        "#F", " G", "#G", " A", "#A", " B"};
    const int note = ((key % 12) + 12) % 12;
    return std::string(kNames[static_cast<std::size_t>(note)]) + std::to_string(key / 12 - 2);
}

int keyRangeLabelX(int handleX, int fontHeight, int right) {
    return 3 * (fontHeight / 2) + handleX + 10 < right ? handleX + 10 : handleX - 20;
}

} // namespace tonwerk::ui
