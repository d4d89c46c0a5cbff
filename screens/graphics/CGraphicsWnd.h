#pragma once

#include "screens/controls/PictureView.h"

#include <QRect>
#include <QSize>

#include <cstdint>

class QKeyEvent;

namespace tonwerk::ui {

// The graphics window: the audience's picture in a top-level window of its own, usually full
// screen on the projector. It only draws the finished picture it is handed (composed at its
// client size, see pictureSize) and tells its owner what happens to it: its size, the keys played
// on it (so the PC keyboard keeps playing while it has the focus), its closing with the placement
// to keep. Escape closes it; F11 and a double-click toggle full screen. UI thread only.
class CGraphicsWnd : public PictureView {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Sonivue-Viewer";

    explicit CGraphicsWnd(QWidget* parent = nullptr);

    // The caption after a resize: "Video (%ld x %ld)" with the client size.
    [[nodiscard]] static QString captionFor(QSize size);

    // A finished picture (see PictureView::imageOf); it is drawn on the next paint.
    void showPicture(const QImage& picture);
    // The size to compose pictures at: the client area in device-independent pixels (on a
    // high-density screen the picture is scaled smoothly to the real pixels).
    [[nodiscard]] QSize pictureSize() const { return size(); }
    // Pictures handed to the window and pictures it actually drew (a picture replaced before the
    // window painted it is dropped, never drawn late).
    [[nodiscard]] std::int64_t picturesReceived() const { return m_received; }
    [[nodiscard]] std::int64_t picturesDrawn() const { return m_drawn; }

signals:
    void pictureSizeChanged(QSize size);
    // Every key pressed or released on the window, Escape included, for the owner's keyboard.
    void keyDown(const QKeyEvent& event);
    void keyUp(const QKeyEvent& event);
    // The window lost the keyboard: keys held on it will not report their release.
    void keyboardLost();
    // The window has closed (Escape, the close box, or its owner): the placement to keep.
    void closed(QRect normal, bool minimized, bool maximized);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void toggleFullScreen();

    std::int64_t m_received = 0;
    std::int64_t m_drawn = 0;
    std::int64_t m_lastDrawn = 0; // the number of the picture painted last
    bool m_closedReported = false;
};

} // namespace tonwerk::ui
