#pragma once

#include "screens/graphics/CGraphicsWnd.h"

#include <QImage>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <vector>

namespace tonwerk::session {
class Session;
}

namespace tonwerk::ui {

class ScreenDialog;

// Where the composition's pictures are shown: the graphics window while it is open, and the
// embedded monitor of the screen shown. It opens and closes the graphics window for the screen's
// "zoom" command, keeps the composition at the window's size, hands the window's keys to the
// screen and the window's placement to the screen's settings. The window outlives screen
// switches; the screen shown is its owner. UI thread only.
class VideoOutput : public QObject {
    Q_OBJECT
public:
    explicit VideoOutput(session::Session& session);
    ~VideoOutput() override;
    VideoOutput(const VideoOutput&) = delete;
    VideoOutput& operator=(const VideoOutput&) = delete;

    // The screen shown (null between screens).
    void setOwner(ScreenDialog* screen);
    [[nodiscard]] ScreenDialog* owner() const { return m_owner; }

    // "zoom": opens the window, or closes it when it is open.
    void toggle();
    void open();
    void close();
    // Exit: closes the window and keeps it marked open for the next start.
    void closeForExit();
    [[nodiscard]] bool isOpen() const { return !m_window.isNull(); }
    [[nodiscard]] CGraphicsWnd* window() const { return m_window.data(); }

    // Takes the newest picture from the session and shows it (the composition announced one).
    void deliver();
    // Shows a picture: in the graphics window when it is open, and in the screen's monitor.
    void showPicture(const QImage& picture);

private:
    void windowClosed(const QRect& normal, bool minimized, bool maximized);

    session::Session& m_session;
    ScreenDialog* m_owner = nullptr;
    QPointer<CGraphicsWnd> m_window;
    bool m_exiting = false;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_sequence = 0;
};

} // namespace tonwerk::ui
