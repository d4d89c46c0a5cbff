#include "BitmapButton.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace tonwerk::ui {

namespace {

// The light grey every face is drawn on, and the edge of a pressed button without a pressed face.
const QColor kFill(192, 192, 192);
const QColor kEdgeDark(64, 64, 64);
const QColor kEdgeLight(255, 255, 255);

} // namespace

BitmapButton::BitmapButton(QWidget* parent) : QWidget(parent) {
    m_repeat.setInterval(kRepeatMs);
    m_repeat.setTimerType(Qt::PreciseTimer);
    connect(&m_repeat, &QTimer::timeout, this, &BitmapButton::repeatTick);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
}

void BitmapButton::configure(int id, const QPixmap& normalFace, const QPixmap& pressedFace, const QString& caption,
                             std::uint32_t flags, bool placeholderFace) {
    m_id = id;
    m_normal = normalFace;
    m_pressed = pressedFace;
    m_placeholder = placeholderFace;
    m_flags = flags;
    m_caption = caption.isEmpty() && (flags & ButtonFlag::kWindowText) != 0 ? windowTitle() : caption;
    m_checked = false;
    m_shownPressed = false;
    if ((flags & ButtonFlag::kFitFace) != 0 && !m_normal.isNull()) {
        resize(m_normal.deviceIndependentSize().toSize());
    }
    update();
}

void BitmapButton::setFaces(const QPixmap& normalFace, const QPixmap& pressedFace) {
    // The screens hand the same cached faces again and again (a row light on every note): only a
    // new picture repaints.
    if (normalFace.cacheKey() == m_normal.cacheKey() && pressedFace.cacheKey() == m_pressed.cacheKey()) {
        return;
    }
    m_normal = normalFace;
    m_pressed = pressedFace;
    update();
}

int BitmapButton::captionHeight() const {
    int height = 14;
    int points = 8;
    for (std::uint32_t bit = ButtonFlag::kFont8; bit <= ButtonFlag::kFont14; bit <<= 1U, ++points) {
        if ((m_flags & bit) != 0) {
            height = points; // the last bit given wins
        }
    }
    return height;
}

void BitmapButton::setCheck(int value) {
    if (!isToggle() || (value != 0 && value != 1)) {
        return;
    }
    m_checked = value == 1;
    m_shownPressed = m_checked;
    update();
}

void BitmapButton::showPressed(bool pressed) {
    const bool shown = pressed || (isToggle() && m_checked);
    if (shown != m_shownPressed) {
        m_shownPressed = shown;
        update();
    }
}

void BitmapButton::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void BitmapButton::setBackground(const QPixmap& background) {
    m_background = background;
    update();
}

void BitmapButton::repeatTick() { emit command(m_id); }

void BitmapButton::mousePressEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_leftDown = true;
        m_shownPressed = true;
        update();
        emit pressed(m_id);
        if ((m_flags & ButtonFlag::kRepeat) != 0) {
            m_repeat.start();
        }
    } else if (event->button() == Qt::RightButton) {
        m_rightDown = true;
    }
}

void BitmapButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton && m_leftDown) {
        m_repeat.stop();
        m_leftDown = false;
        if (isToggle() && inside) {
            m_checked = !m_checked;
        }
        m_shownPressed = isToggle() && m_checked;
        update();
        if (inside) {
            emit command(m_id);
            emit released(m_id);
        }
    } else if (event->button() == Qt::RightButton && m_rightDown) {
        m_rightDown = false;
        if (inside) {
            emit rightClicked(m_id);
        }
    }
}

void BitmapButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        return;
    }
    // The release that follows completes it like a click.
    m_leftDown = true;
    m_shownPressed = true;
    update();
    emit doubleClicked(m_id);
}

void BitmapButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void BitmapButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_repeat.stop();
    update();
}

void BitmapButton::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedMediaPath(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void BitmapButton::dropEvent(QDropEvent* event) {
    const QString path = droppedMediaPath(*event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(m_id, path);
}

QPoint BitmapButton::facePosition(const QPixmap& face) const {
    if ((m_flags & ButtonFlag::kTransparent) == 0) {
        return {0, 0};
    }
    const QSize size = face.deviceIndependentSize().toSize();
    return {(m_flags & ButtonFlag::kAlignRight) != 0 ? width() - size.width() : 0,
            (m_flags & ButtonFlag::kAlignBottom) != 0 ? height() - size.height() : 0};
}

void BitmapButton::drawCaption(QPainter& painter, QPoint offset) const {
    if (m_caption.isEmpty()) {
        return;
    }
    QFont font = painter.font();
    font.setPixelSize(captionHeight());
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    const QRect area = rect().translated(offset);
    if ((m_flags & ButtonFlag::kWhiteShadow) != 0) {
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, m_caption);
        painter.setPen(Qt::black);
        painter.drawText(area.translated(-1, -1), Qt::AlignCenter, m_caption);
        return;
    }
    painter.setPen(Qt::black);
    painter.drawText(area, Qt::AlignCenter, m_caption);
}

void BitmapButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this); // Qt double-buffers the widget
    painter.fillRect(rect(), kFill);
    const bool transparent = (m_flags & ButtonFlag::kTransparent) != 0;
    if (m_shownPressed) {
        if (transparent && !m_background.isNull()) {
            painter.drawPixmap(0, 0, m_background);
        }
        if (m_pressed.isNull()) {
            if (!(transparent && m_placeholder)) {
                painter.drawPixmap(facePosition(m_normal), m_normal);
            }
            // A sunken edge around the whole button.
            painter.setPen(kEdgeDark);
            painter.drawLine(0, 0, width() - 1, 0);
            painter.drawLine(0, 0, 0, height() - 1);
            painter.setPen(kEdgeLight);
            painter.drawLine(1, height() - 1, width() - 1, height() - 1);
            painter.drawLine(width() - 1, 1, width() - 1, height() - 1);
        } else {
            painter.drawPixmap(facePosition(m_pressed), m_pressed);
        }
        drawCaption(painter, {1, 1});
    } else {
        if (transparent && !m_background.isNull()) {
            painter.drawPixmap(0, 0, m_background);
        }
        if (!(transparent && m_placeholder)) {
            painter.drawPixmap(facePosition(m_normal), m_normal);
        }
        drawCaption(painter, {0, 0});
    }
    if (hasFocus()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

} // namespace tonwerk::ui
