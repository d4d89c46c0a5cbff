#include "KeyboardPicture.h"

#include <QMouseEvent>
#include <QPainter>

#include <array>

namespace tonwerk::ui {

namespace {

// The black keys of an octave: semitone and the picture's x range within the octave.
struct BlackKey {
    int semitone;
    int left;
    int right;
};
constexpr std::array<BlackKey, 5> kBlackKeys = {{{1, 6, 14}, {3, 18, 26}, {6, 35, 43}, {8, 46, 54}, {10, 58, 66}}};
constexpr std::array<int, 7> kWhiteSemitones = {0, 2, 4, 5, 7, 9, 11};

} // namespace

std::optional<int> keyboardPictureNote(int x, int y) {
    if (x < 0 || y < 0 || y >= kPictureHeight || x >= kPictureOctaves * kPictureOctaveWidth) {
        return std::nullopt;
    }
    const int octave = x / kPictureOctaveWidth;
    const int offset = x % kPictureOctaveWidth;
    const int base = kPictureFirstNote + 12 * octave;
    if (y <= kPictureBlackBottom) {
        for (const BlackKey& key : kBlackKeys) {
            if (offset >= key.left && offset <= key.right) {
                return base + key.semitone;
            }
        }
    }
    return base + kWhiteSemitones[static_cast<std::size_t>(offset / 10)];
}

bool isBlackKey(int note) {
    const int semitone = ((note % 12) + 12) % 12;
    return semitone == 1 || semitone == 3 || semitone == 6 || semitone == 8 || semitone == 10;
}

KeyboardPicture::KeyboardPicture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

void KeyboardPicture::setRootNote(int note) {
    m_root = note;
    update();
}

QPointF KeyboardPicture::picturePoint(QPointF widgetPoint) const {
    const qreal sx = static_cast<qreal>(width()) / (kPictureOctaves * kPictureOctaveWidth + 1);
    const qreal sy = static_cast<qreal>(height()) / kPictureHeight;
    return {widgetPoint.x() / sx, widgetPoint.y() / sy};
}

QPoint KeyboardPicture::keyCentre(int note) const {
    const int octave = (note - kPictureFirstNote) / 12;
    const int semitone = (note - kPictureFirstNote) % 12;
    int x = 0;
    int y = 46;
    for (const BlackKey& key : kBlackKeys) {
        if (key.semitone == semitone) {
            x = (key.left + key.right) / 2;
            y = 21;
        }
    }
    for (std::size_t i = 0; i < kWhiteSemitones.size() && y == 46; ++i) {
        if (kWhiteSemitones[i] == semitone) {
            x = static_cast<int>(i) * 10 + 5;
        }
    }
    const qreal sx = static_cast<qreal>(width()) / (kPictureOctaves * kPictureOctaveWidth + 1);
    const qreal sy = static_cast<qreal>(height()) / kPictureHeight;
    return {static_cast<int>((octave * kPictureOctaveWidth + x) * sx), static_cast<int>(y * sy)};
}

void KeyboardPicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.scale(static_cast<qreal>(width()) / (kPictureOctaves * kPictureOctaveWidth + 1),
                  static_cast<qreal>(height()) / kPictureHeight);
    const auto colourOf = [this](int note, const QColor& plain) {
        if (note == m_pressed) {
            return QColor(0x80, 0x80, 0x80);
        }
        return note == m_root ? QColor(255, 0, 0) : plain;
    };
    painter.setPen(QPen(Qt::black, 0));
    for (int octave = 0; octave < kPictureOctaves; ++octave) {
        const int left = octave * kPictureOctaveWidth;
        const int base = kPictureFirstNote + 12 * octave;
        for (std::size_t i = 0; i < kWhiteSemitones.size(); ++i) {
            painter.setBrush(colourOf(base + kWhiteSemitones[i], Qt::white));
            painter.drawRect(QRectF(left + static_cast<int>(i) * 10, 0, 10, kPictureHeight - 1));
        }
    }
    for (int octave = 0; octave < kPictureOctaves; ++octave) {
        const int left = octave * kPictureOctaveWidth;
        const int base = kPictureFirstNote + 12 * octave;
        for (const BlackKey& key : kBlackKeys) {
            painter.setBrush(colourOf(base + key.semitone, Qt::black));
            painter.drawRect(QRectF(left + key.left, 0, key.right - key.left + 1, kPictureBlackBottom));
        }
    }
}

void KeyboardPicture::mousePressEvent(QMouseEvent* event) {
    const QPointF p = picturePoint(event->position());
    const auto note = keyboardPictureNote(static_cast<int>(p.x()), static_cast<int>(p.y()));
    if (!note) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_pressed = *note;
        update();
        emit keyPressed(*note);
    } else if (event->button() == Qt::RightButton) {
        setRootNote(*note);
        emit rootChosen(*note);
    }
}

void KeyboardPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressed >= 0) {
        const int note = m_pressed;
        m_pressed = -1;
        update();
        emit keyReleased(note);
    }
}

} // namespace tonwerk::ui
