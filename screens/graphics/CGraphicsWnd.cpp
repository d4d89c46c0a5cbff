#include "CGraphicsWnd.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace tonwerk::ui {

CGraphicsWnd::CGraphicsWnd(QWidget* parent) : PictureView(parent) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QString::fromLatin1(kTitle));
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::StrongFocus);
    // Closing frees the window: the next "zoom" builds a new one at the kept placement.
    setAttribute(Qt::WA_DeleteOnClose);
}

QString CGraphicsWnd::captionFor(QSize size) {
    return QStringLiteral("Video (%1 x %2)").arg(size.width()).arg(size.height());
}

void CGraphicsWnd::showPicture(const QImage& picture) {
    if (!picture.isNull()) {
        setImage(picture);
        ++m_received;
    }
}

void CGraphicsWnd::paintEvent(QPaintEvent* event) {
    PictureView::paintEvent(event);
    if (m_received != m_lastDrawn) {
        m_lastDrawn = m_received;
        ++m_drawn;
    }
}

void CGraphicsWnd::resizeEvent(QResizeEvent* event) {
    PictureView::resizeEvent(event);
    setWindowTitle(captionFor(size()));
    emit pictureSizeChanged(size());
}

bool CGraphicsWnd::event(QEvent* event) {
    // Tab is a key the owner plays with (the joystick's bank), not a move of the keyboard focus.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::KeyPress) {
            emit keyDown(*key);
        } else {
            emit keyUp(*key);
        }
        return true;
    }
    return PictureView::event(event);
}

void CGraphicsWnd::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (event->key() == Qt::Key_F11 && !event->isAutoRepeat()) {
        toggleFullScreen();
        return;
    }
    // Escape closes the window and still reaches the owner as a key.
    emit keyDown(*event);
    if (event->key() == Qt::Key_Escape) {
        close();
    }
}

void CGraphicsWnd::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    emit keyUp(*event);
}

void CGraphicsWnd::mouseDoubleClickEvent(QMouseEvent* /*event*/) { toggleFullScreen(); }

void CGraphicsWnd::toggleFullScreen() { setWindowState(windowState() ^ Qt::WindowFullScreen); }

void CGraphicsWnd::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        emit keyboardLost();
    }
    PictureView::changeEvent(event);
}

void CGraphicsWnd::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!m_closedReported) {
        m_closedReported = true;
        // A minimized window that was maximized before comes back maximized.
        emit closed(normalGeometry(), isMinimized(), (windowState() & Qt::WindowMaximized) != 0);
    }
}

} // namespace tonwerk::ui
