#include "LevelMeter.h"

#include <QPainter>

#include <algorithm>

namespace tonwerk::ui {

void LevelMeter::setLevel(int level) {
    const int limited = std::clamp(level, 0, 127);
    if (limited != m_level) {
        m_level = limited;
        update();
    }
}

int LevelMeter::litSegments(int level) { return (std::clamp(level, 0, 127) * kSegments + 126) / 127; }

void LevelMeter::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const int lit = litSegments(m_level);
    const double step = static_cast<double>(height()) / kSegments;
    for (int i = 0; i < kSegments; ++i) {
        const QRectF segment(1, height() - (i + 1) * step + 0.5, width() - 2, step - 1);
        QColor colour = i >= kSegments - 2 ? QColor(255, 40, 20)
                                           : (i >= kSegments * 2 / 3 ? QColor(255, 230, 0) : QColor(0, 230, 0));
        if (i >= lit) {
            colour = colour.darker(500);
        }
        painter.fillRect(segment, colour);
    }
}

} // namespace tonwerk::ui
