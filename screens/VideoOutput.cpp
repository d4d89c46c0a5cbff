#include "VideoOutput.h"

#include "GraphicsPlacement.h"
#include "ScreenDialog.h"
#include "session/Session.h"

#include <QGuiApplication>
#include <QScreen>

namespace tonwerk::ui {

namespace {

PixelRect pixelRect(const QRect& rect) { return {rect.x(), rect.y(), rect.width(), rect.height()}; }

} // namespace

VideoOutput::VideoOutput(session::Session& session) : m_session(session) {
    // Until the graphics window opens, the pictures are the monitor's.
    m_session.setPictureSize(0, 0);
}

VideoOutput::~VideoOutput() {
    if (m_window != nullptr) {
        // The program ends without Exit (a test, a signal): nothing more is reported.
        m_window->disconnect(this);
        delete m_window.data();
    }
}

void VideoOutput::setOwner(ScreenDialog* screen) { m_owner = screen; }

void VideoOutput::toggle() {
    if (isOpen()) {
        close();
    } else {
        open();
    }
}

void VideoOutput::open() {
    if (isOpen() || m_owner == nullptr) {
        return;
    }
    // The audience's monitor: the first that is not the performer's; the first time the whole
    // of it, afterwards where the window was left.
    std::vector<PixelRect> screens;
    int performer = 0;
    const QList<QScreen*> all = QGuiApplication::screens();
    for (QScreen* screen : all) {
        if (screen == m_owner->QWidget::screen()) {
            performer = static_cast<int>(screens.size());
        }
        screens.push_back(pixelRect(screen->geometry()));
    }
    const GraphicsPlacement placement = graphicsPlacement(m_owner->settings(), screens, performer);

    m_exiting = false;
    m_window = new CGraphicsWnd();
    CGraphicsWnd* window = m_window.data();
    window->setGeometry(placement.normal.x, placement.normal.y, placement.normal.width, placement.normal.height);
    connect(window, &CGraphicsWnd::pictureSizeChanged, this,
            [this](QSize size) { m_session.setPictureSize(size.width(), size.height()); });
    connect(window, &CGraphicsWnd::keyDown, this, [this](const QKeyEvent& event) {
        if (m_owner != nullptr) {
            m_owner->passKey(event, true);
        }
    });
    connect(window, &CGraphicsWnd::keyUp, this, [this](const QKeyEvent& event) {
        if (m_owner != nullptr) {
            m_owner->passKey(event, false);
        }
    });
    connect(window, &CGraphicsWnd::keyboardLost, this, [this] { m_session.pcKeyboard().releaseAll(); });
    connect(window, &CGraphicsWnd::closed, this,
            [this](QRect normal, bool minimized, bool maximized) { windowClosed(normal, minimized, maximized); });
    switch (placement.show) {
    case GraphicsShow::Maximized:
        window->showMaximized();
        break;
    case GraphicsShow::Minimized:
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setWindowState(placement.restoreMaximized ? (Qt::WindowMinimized | Qt::WindowMaximized)
                                                          : Qt::WindowMinimized);
        window->show();
        break;
    case GraphicsShow::Normal:
        window->show();
        break;
    }
    m_session.setPictureSize(window->pictureSize().width(), window->pictureSize().height());
    m_owner->graphicsWindowOpened();
}

void VideoOutput::close() {
    if (isOpen()) {
        m_window->close();
    }
}

void VideoOutput::closeForExit() {
    m_exiting = true;
    close();
    m_exiting = false;
}

void VideoOutput::windowClosed(const QRect& normal, bool minimized, bool maximized) {
    // The composition goes back to the monitor's size; the screen keeps the placement.
    m_session.setPictureSize(0, 0);
    m_session.pcKeyboard().releaseAll();
    if (m_owner != nullptr) {
        m_owner->graphicsWindowClosed(pixelRect(normal), minimized, maximized, m_exiting);
    }
    m_window = nullptr;
}

void VideoOutput::deliver() {
    int width = 0;
    int height = 0;
    if (m_session.takePicture(m_bytes, width, height, m_sequence)) {
        showPicture(CGraphicsWnd::imageOf(m_bytes, width, height));
    }
}

void VideoOutput::showPicture(const QImage& picture) {
    if (picture.isNull()) {
        return;
    }
    if (m_window != nullptr) {
        m_window->showPicture(picture);
    }
    if (m_owner != nullptr) {
        m_owner->showPicture(picture);
    }
}

} // namespace tonwerk::ui
