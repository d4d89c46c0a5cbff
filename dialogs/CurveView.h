#pragma once

#include "VelocityCurve.h"

#include <QWidget>

namespace tonwerk::ui {

// The velocity curve's graph: a black plot with a green border and grid, the curve as a green
// line, "Velocity-Out" up the left margin and "Velocity-In" under the plot. With drawing on, the
// left mouse button draws the curve (see drawCurveAt). It never takes the keyboard, so Return and
// Escape stay with the dialog. UI thread.
class CurveView : public QWidget {
    Q_OBJECT
public:
    explicit CurveView(QWidget* parent = nullptr);

    void setCurve(const VelocityCurve& curve);
    [[nodiscard]] const VelocityCurve& curve() const { return m_curve; }
    // Whether the mouse draws ("with mouse").
    void setDrawing(bool drawing) { m_drawing = drawing; }
    [[nodiscard]] bool drawing() const { return m_drawing; }
    [[nodiscard]] CurvePlot plot() const;
    // The curve's 128 points in the widget's coordinates, as painted.
    [[nodiscard]] std::array<CurvePoint, 128> points() const { return curvePoints(plot(), m_curve); }

    [[nodiscard]] QSize sizeHint() const override { return {300, 300}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {160, 160}; }

signals:
    // The mouse changed the curve.
    void curveDrawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawAt(QPoint position);

    VelocityCurve m_curve{};
    bool m_drawing = false;
    bool m_pressed = false;
};

} // namespace tonwerk::ui
