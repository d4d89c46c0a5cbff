#pragma once

#include "SplitListLayout.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <optional>

class QLineEdit;

namespace tonwerk::ui {

// The Master screen's split list (control 1015): one row per split, seven measured columns, the
// selected row in amber with black text, names shortened with "...", a right click that selects
// the row under the pointer and asks for its column's menu, the wheel, the scroll rule that keeps
// the selection among the six rows from the top, and the in-place field for typing a channel or a
// transpose value. It knows nothing of splits: lines of tab-separated fields in, signals out.
// UI thread.
class SplitList : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 24;
    static constexpr int kMaxTopRow = 15;
    // The list font's pixel size at 100 %; a row is as high as the text "W" in it: 13 pixels at
    // 100 %, so the rows line up with the screen's row buttons at every scale.
    static constexpr int kFontPixels = 11;
    static constexpr int kRowPixels = 13;
    // Wheel angle units of one line.
    static constexpr int kWheelNotch = 120;

    explicit SplitList(QWidget* parent = nullptr);

    // Window pixels per screen pixel: the font and the columns follow.
    void setScale(double scale);
    // A row's text: seven fields separated by tabs.
    void setLine(int row, const QString& line);
    [[nodiscard]] QString line(int row) const;

    // The selected row (-1: none). Setting it tells nothing.
    void setSelected(int row);
    [[nodiscard]] int selected() const { return m_selected; }
    // The first visible row (0-15); scrolling applies the selection rule and reports it.
    void scrollTo(int topRow);
    [[nodiscard]] int topRow() const { return m_top; }
    [[nodiscard]] int rowHeight() const;
    // The top edge of visible row `visible` (0 ...).
    [[nodiscard]] int rowTop(int visible) const;
    [[nodiscard]] int visibleRows() const;
    [[nodiscard]] std::array<ColumnSpan, kSplitListColumns> columns() const;
    // The column of the last double or right click (1-7), none before one.
    [[nodiscard]] std::optional<int> clickedColumn() const { return m_clickedColumn; }
    // The text column 2 shows for a row.
    [[nodiscard]] QString shownName(int row) const;

    // Opens the in-place field over `column` (1-7) of the selected row with `value`, all selected.
    void editCell(int column, const QString& value);
    [[nodiscard]] bool editing() const;

signals:
    void selectionChanged(int row);
    void doubleClicked(int row, int column);
    // A right click on a row: the screen opens the column's menu at `globalPos`.
    void menuRequested(int row, int column, const QPoint& globalPos);
    // The in-place field's text, handed on when the performer clicks into the list again or
    // presses Enter.
    void cellEdited(int row, int column, const QString& text);
    // The list scrolled: the screen redraws the row buttons.
    void scrolled(int topRow);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] int rowAt(int y) const;
    [[nodiscard]] TextWidth textWidth() const;
    void commitEdit();
    void cancelEdit();

    QStringList m_lines;
    double m_scale = 1.0;
    int m_selected = 0;
    int m_top = 0;
    std::optional<int> m_clickedColumn;
    int m_editRow = -1;
    int m_wheelRest = 0; // wheel angle not yet turned into lines
    int m_editColumn = 0;
    QLineEdit* m_edit = nullptr;
};

} // namespace tonwerk::ui
