#pragma once

#include "KeyRangeModel.h"

#include <QFontMetrics>
#include <QPixmap>
#include <QWidget>

namespace tonwerk::ui {

// The key-range bar under the Master screen's keyboard: two handles set the lowest and highest
// key of the selected split (range mode), one handle a single key (single-key mode, blue); a
// double-click switches the mode. Left button: the low handle (or the single one); right button:
// the high handle. Each handle is labelled with its note, the octaves along the bar. The bar
// works in its table pixels (KeyRangeModel) and scales them to its real size. It knows nothing of
// the engine: keys in (setKeys, never echoed), every change by the mouse out (keysChanged).
// UI thread.
class KeyRangeBar : public QWidget {
    Q_OBJECT
public:
    explicit KeyRangeBar(QWidget* parent = nullptr);

    // The bar's size at 100 % and the keys it spans (36-96 on the Master screen).
    void setSpan(int tableWidth, int tableHeight, int spanLow, int spanHigh);
    // The range of the split that became selected; moves the handles without reporting.
    void setKeys(int low, int high);
    // The part of the screen's background behind the bar, at the bar's real size.
    void setBackground(const QPixmap& background);
    [[nodiscard]] const KeyRangeModel& model() const { return m_model; }
    // A table x of the bar in the widget's pixels (for tests and the end-to-end driver).
    [[nodiscard]] int widgetX(int tableX) const;

signals:
    void keysChanged(int low, int high);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] double scale() const;
    [[nodiscard]] QPoint tablePoint(const QPointF& position) const;
    void report(const KeyRangeModel::Report& change);
    void paintHandle(QPainter& painter, int x, int key, bool blue) const;
    [[nodiscard]] QRect labelRect(const QFontMetrics& metrics, int x, int key) const;

    KeyRangeModel m_model;
    int m_tableWidth = 1;
    int m_tableHeight = 1;
    QPixmap m_background;
};

} // namespace tonwerk::ui
