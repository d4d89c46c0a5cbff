#include "WaveformView.h"

#include <QPainter>

#include <algorithm>

namespace tonwerk::ui {

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(64);
}

void WaveformView::setOutline(std::vector<Column> columns) {
    m_columns = std::move(columns);
    update();
}

void WaveformView::setLoopStart(double fraction) {
    m_loopStart = fraction;
    update();
}

void WaveformView::setPosition(double fraction) {
    if (fraction != m_position) {
        m_position = fraction;
        update();
    }
}

void WaveformView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(rect(), Qt::black);
    if (m_loopStart >= 0 && m_loopStart < 1) {
        painter.fillRect(QRectF(area.left() + area.width() * m_loopStart, area.top(), area.width() * (1 - m_loopStart),
                                area.height()),
                         QColor(0x00, 0x40, 0x60));
    }
    const qreal half = area.height() / 2;
    painter.setPen(QColor(0x00, 0x60, 0x00));
    painter.drawLine(QPointF(area.left(), area.top() + half / 2), QPointF(area.right(), area.top() + half / 2));
    painter.drawLine(QPointF(area.left(), area.top() + half * 1.5), QPointF(area.right(), area.top() + half * 1.5));
    if (!m_columns.empty()) {
        painter.setPen(QColor(0x40, 0xFF, 0x40));
        const auto count = static_cast<qreal>(m_columns.size());
        for (std::size_t side = 0; side < 2; ++side) {
            const qreal middle = area.top() + half * (static_cast<qreal>(side) + 0.5);
            const qreal scale = (half / 2 - 1) / 32768.0;
            for (std::size_t c = 0; c < m_columns.size(); ++c) {
                const qreal x = area.left() + area.width() * (static_cast<qreal>(c) + 0.5) / count;
                const Column& column = m_columns[c];
                const auto low = static_cast<qreal>(column[2 * side]);
                const auto high = static_cast<qreal>(column[2 * side + 1]);
                painter.drawLine(QPointF(x, middle - high * scale),
                                 QPointF(x, middle - std::min(low, high - 1) * scale));
            }
        }
    }
    if (m_position >= 0 && m_position <= 1) {
        painter.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 1));
        const qreal x = area.left() + area.width() * m_position;
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area);
}

} // namespace tonwerk::ui
