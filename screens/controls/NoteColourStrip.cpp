#include "NoteColourStrip.h"

#include <QPainter>

#include <algorithm>

namespace tonwerk::ui {

NoteColourStrip::NoteColourStrip(QWidget* parent) : QWidget(parent) {}

void NoteColourStrip::resizeEvent(QResizeEvent* /*event*/) { ensureCanvas(); }

void NoteColourStrip::ensureCanvas() {
    // A new size starts a clean strip (a hidden widget gets its size before any resize event).
    if (m_lines.size() != size().expandedTo(QSize(1, 1))) {
        m_lines = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        m_lines.fill(Qt::black);
    }
}

void NoteColourStrip::drawLine(const ColourLine& line) {
    ensureCanvas();
    const int y = velocityLineY(0, height() - 1, line.velocity);
    QPainter painter(&m_lines);
    painter.setPen(QColor(line.colour.r, line.colour.g, line.colour.b));
    // Across the strip, 4 pixels in from either side.
    painter.drawLine(4, y, std::max(4, width() - 5), y);
    update();
}

void NoteColourStrip::noteOn(int key, int velocity) { drawLine(m_bar.noteOn(key, velocity)); }

void NoteColourStrip::noteOff(int key) {
    if (const auto line = m_bar.noteOff(key)) {
        drawLine(*line);
    }
}

void NoteColourStrip::reset() {
    m_bar.reset();
    ensureCanvas();
    m_lines.fill(Qt::black);
    update();
}

void NoteColourStrip::paintEvent(QPaintEvent* /*event*/) {
    ensureCanvas();
    QPainter painter(this);
    painter.drawImage(0, 0, m_lines);
}

} // namespace tonwerk::ui
