#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tonwerk::ui {

// The key-range bar's bookkeeping, without painting: where its handles are, which keys they stand
// for and what a mouse action changes. All positions are in the bar's own pixels at 100 % (the
// control maps its real pixels onto them, so every scale behaves alike); integer division
// throughout. A change made with the mouse returns the range to report (low, high); a change the
// screen made (setKeys) never does.
class KeyRangeModel {
public:
    static constexpr int kHandleWidth = 10;
    using Report = std::optional<std::pair<int, int>>;

    // The bar's rectangle and the keys it spans (36-96 on the Master screen); both handles start
    // at the left edge.
    void setSpan(int left, int top, int right, int bottom, int spanLow, int spanHigh);

    // Geometry.
    [[nodiscard]] int whiteKeyWidth() const { return (m_right - m_left) / 36; }
    [[nodiscard]] int octaveWidth() const { return 7 * whiteKeyWidth(); }
    [[nodiscard]] int keyAt(int x) const;
    [[nodiscard]] int xOfKey(int key) const;
    // Whether (x, y) lies on a handle's rectangle (x … x + 10, top + 1 … bottom − 1).
    [[nodiscard]] bool onLowHandle(int x, int y) const { return onHandle(m_lowX, x, y); }
    [[nodiscard]] bool onHighHandle(int x, int y) const { return onHandle(m_highX, x, y); }

    // The one place a handle moves; reports unless the change came from the screen.
    Report moveHandle(int x, bool high);
    // The screen's range of the split that became selected: moves the handles, reports nothing.
    void setKeys(int low, int high);

    // The mouse, at x (and y for the moves).
    Report leftDown(int x);
    Report leftMove(int x, int y);
    void leftUp() { m_draggingLow = false; }
    Report rightDown(int x);
    Report rightMove(int x, int y);
    void rightUp();
    // Range mode ↔ single-key mode; going to range mode reports twice (the low handle at the
    // left edge, then the whole span): the last report is returned.
    Report doubleClick(int x);

    [[nodiscard]] bool twoHandles() const { return m_twoHandles; }
    [[nodiscard]] int lowX() const { return m_lowX; }
    [[nodiscard]] int highX() const { return m_highX; }
    [[nodiscard]] int lowKey() const { return m_lowKey; }
    [[nodiscard]] int highKey() const { return m_highKey; }
    [[nodiscard]] bool fullSpanMark() const { return m_fullSpanMark; }
    [[nodiscard]] int left() const { return m_left; }
    [[nodiscard]] int top() const { return m_top; }
    [[nodiscard]] int right() const { return m_right; }
    [[nodiscard]] int bottom() const { return m_bottom; }
    [[nodiscard]] int spanLow() const { return m_spanLow; }
    [[nodiscard]] int spanHigh() const { return m_spanHigh; }

private:
    [[nodiscard]] bool onHandle(int handleX, int x, int y) const;
    [[nodiscard]] int handleKey(int handleX) const;

    bool m_twoHandles = true;
    int m_left = 0;
    int m_top = 0;
    int m_right = 0;
    int m_bottom = 0;
    int m_spanLow = 36;
    int m_spanHigh = 96;
    int m_lowX = 0;
    int m_highX = 0;
    int m_lowKey = 36;
    int m_highKey = 96;
    bool m_draggingLow = false;
    bool m_draggingHigh = false;
    bool m_quiet = false;
    bool m_fullSpanMark = false;
};

// A handle's label: the note name and octave, " C3" for key 60, "#F-2" for key 6.
[[nodiscard]] std::string keyRangeLabel(int key);
// Where a handle at x writes its label: right of the handle when it fits
// before the bar's right edge (3 × half the font height stands for the text), else left of it.
[[nodiscard]] int keyRangeLabelX(int handleX, int fontHeight, int right);

} // namespace tonwerk::ui
