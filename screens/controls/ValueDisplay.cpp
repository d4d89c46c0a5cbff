#include "ValueDisplay.h"

#include <QPainter>

#include <algorithm>

namespace tonwerk::ui {

void ValueDisplay::setText(const QString& text) {
    if (text != m_text) {
        m_text = text;
        update();
    }
}

void ValueDisplay::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(QColor(0, 90, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(6, height() - 4));
    while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(m_text) > width() - 4) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    painter.setFont(font);
    painter.setPen(QColor(0, 255, 255));
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

} // namespace tonwerk::ui
