#include "OnScreenKeyboard.h"

#include <QPainter>

#include <cmath>

namespace tonwerk::ui {

namespace {

// Keys as a stage keyboard looks in the dark: ivory and black, a sounding key in the program's
// yellow so it reads from a distance.
const QColor kWhiteKey(232, 228, 210);
const QColor kBlackKey(20, 20, 20);
const QColor kLitWhite(255, 255, 0);
const QColor kLitBlack(0, 220, 220);
const QColor kEdge(0, 0, 0);

} // namespace

OnScreenKeyboard::OnScreenKeyboard(QWidget* parent) : QWidget(parent) {}

void OnScreenKeyboard::setFirstKey(int key) {
    m_firstKey = key - ((key % 12) + 12) % 12;
    update();
}

void OnScreenKeyboard::setLit(int key, bool lit) {
    if (key < 0 || key > 127 || m_lit.test(static_cast<std::size_t>(key)) == lit) {
        return;
    }
    m_lit.set(static_cast<std::size_t>(key), lit);
    update();
}

void OnScreenKeyboard::reset() {
    m_lit.reset();
    update();
}

void OnScreenKeyboard::setScale(double scale) {
    m_scale = scale > 0 ? scale : 1.0;
    update();
}

KeyboardGeometry OnScreenKeyboard::geometry() const {
    return {m_firstKey, static_cast<int>(std::lround(height() / m_scale))};
}

void OnScreenKeyboard::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, m_scale != 1.0);
    // Keys are laid out in screen pixels and drawn scaled, so they stay sharp at every size.
    painter.scale(m_scale, m_scale);
    const KeyboardGeometry g = geometry();
    const int logicalWidth = static_cast<int>(std::lround(width() / m_scale));
    const int lastKey = std::min(127, m_firstKey + (logicalWidth / KeyboardGeometry::kOctaveWidth + 1) * 12);
    for (const bool blackPass : {false, true}) {
        for (int key = std::max(0, m_firstKey); key <= lastKey; ++key) {
            if (KeyboardGeometry::isBlack(key) != blackPass) {
                continue;
            }
            const KeyboardGeometry::KeyRect r = g.keyRect(key);
            if (r.x >= logicalWidth) {
                continue;
            }
            const bool on = lit(key);
            painter.setPen(kEdge);
            painter.setBrush(blackPass ? (on ? kLitBlack : kBlackKey) : (on ? kLitWhite : kWhiteKey));
            painter.drawRect(r.x, r.y, r.width - 1, r.height - 1);
        }
    }
    // The PC keyboard's keys under the white keys they play, from the first labelled key on.
    if (m_labels.isEmpty()) {
        return;
    }
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x00, 0x60, 0x00));
    int label = 0;
    for (int key = m_labelKey; key <= lastKey && label < m_labels.size(); ++key) {
        if (KeyboardGeometry::isBlack(key)) {
            continue;
        }
        const KeyboardGeometry::KeyRect r = g.keyRect(key);
        const QChar c = m_labels.at(label++);
        if (c.isSpace() || r.x < 0 || r.x >= logicalWidth) {
            continue;
        }
        painter.drawText(QRect(r.x, r.y + r.height - 15, r.width, 14), Qt::AlignCenter, QString(c));
    }
}

void OnScreenKeyboard::setKeyLabels(int firstKey, const QString& labels) {
    m_labelKey = firstKey;
    m_labels = labels;
    update();
}

} // namespace tonwerk::ui
