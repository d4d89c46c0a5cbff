#include "CurveView.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace tonwerk::ui {

namespace {

const QColor kPlotGreen(0, 255, 0);

} // namespace

CurveView::CurveView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    for (std::size_t i = 0; i < m_curve.size(); ++i) {
        m_curve[i] = static_cast<std::uint8_t>(i);
    }
}

void CurveView::setCurve(const VelocityCurve& curve) {
    m_curve = curve;
    update();
}

CurvePlot CurveView::plot() const { return curvePlot(0, 0, width(), height()); }

void CurveView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const CurvePlot p = plot();
    const QRect area(p.left, p.top, p.right - p.left, p.bottom - p.top);
    painter.fillRect(area, Qt::black);
    painter.setPen(QPen(kPlotGreen, 1));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    for (const int third : {1, 2}) {
        const int x = area.left() + area.width() * third / 3;
        const int y = area.top() + area.height() * third / 3;
        painter.drawLine(x, area.top(), x, area.bottom());
        painter.drawLine(area.left(), y, area.right(), y);
    }
    // The frame of the whole graph and its labels, in the dialog's text colour so they read on
    // the program's dark ground as on a light one.
    const QColor text = palette().color(QPalette::WindowText);
    painter.setPen(QPen(text, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.save();
    painter.translate(p.left / 2.0, (p.top + p.bottom) / 2.0);
    painter.rotate(-90);
    painter.drawText(QRectF(-(p.bottom - p.top) / 2.0, -p.left / 2.0, p.bottom - p.top, p.left), Qt::AlignCenter,
                     QStringLiteral("Velocity-Out"));
    painter.restore();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(QRect(p.left, p.bottom, p.right - p.left, height() - p.bottom), Qt::AlignCenter,
                     QStringLiteral("Velocity-In"));

    painter.setPen(QPen(kPlotGreen, 1));
    QPolygon line;
    for (const CurvePoint& point : points()) {
        line << QPoint(point.x, point.y);
    }
    painter.drawPolyline(line);
}

void CurveView::mousePressEvent(QMouseEvent* event) {
    if (!m_drawing || event->button() != Qt::LeftButton) {
        return;
    }
    // A stroke starts at input 0: the pointer goes to the curve's first point (Qt keeps the mouse
    // with this widget while the button is held).
    m_pressed = true;
    const CurvePoint first = points()[0];
    QCursor::setPos(mapToGlobal(QPoint(first.x, first.y)));
}

void CurveView::mouseMoveEvent(QMouseEvent* event) {
    if (m_drawing && m_pressed && (event->buttons() & Qt::LeftButton) != 0) {
        drawAt(event->position().toPoint());
    }
}

void CurveView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = false;
    }
}

void CurveView::drawAt(QPoint position) {
    if (drawCurveAt(m_curve, plot(), position.x(), position.y())) {
        update();
        emit curveDrawn();
    }
}

} // namespace tonwerk::ui
