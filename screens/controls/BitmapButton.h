#pragma once

#include "MediaDrag.h"

#include <QMimeData>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace tonwerk::ui {

// Flags of BitmapButton::configure.
namespace ButtonFlag {
inline constexpr std::uint32_t kToggle = 0x1;      // every completed click flips the checked state
inline constexpr std::uint32_t kWindowText = 0x2;  // the widget's own text is the caption when none is given
inline constexpr std::uint32_t kWhiteShadow = 0x4; // caption in white, then black one pixel up and left
inline constexpr std::uint32_t kFitFace = 0x8;     // the button takes the size of its face
inline constexpr std::uint32_t kFont8 = 0x10;      // caption heights 8 ... 14 (the last given wins; 14 without)
inline constexpr std::uint32_t kFont14 = 0x400;
inline constexpr std::uint32_t kTransparent = 0x800;  // the screen's background shows around the face
inline constexpr std::uint32_t kAlignBottom = 0x1000; // with kTransparent: the face at the bottom edge
inline constexpr std::uint32_t kAlignRight = 0x2000;  // with kTransparent: the face at the right edge
inline constexpr std::uint32_t kRepeat = 0x4000;      // while held, the command repeats every 160 ms
} // namespace ButtonFlag

// A command control of the performance screens: a painted face that reports presses, releases,
// commands, double-clicks and right clicks, repeats while held, keeps a checked state as a toggle
// and takes media files dropped on it. It knows nothing of the engine: faces and flags in, signals
// out, each carrying the control id. UI thread.
class BitmapButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepeatMs = 160;

    explicit BitmapButton(QWidget* parent = nullptr);

    // The control id, the released face, the pressed face (null: the released face with a sunken
    // edge), the caption and the flags. `placeholderFace`: the released face is the 2 × 2
    // placeholder, which a transparent button does not draw. Clears the checked state.
    void configure(int id, const QPixmap& normalFace, const QPixmap& pressedFace, const QString& caption,
                   std::uint32_t flags, bool placeholderFace = false);

    [[nodiscard]] int id() const { return m_id; }
    [[nodiscard]] std::uint32_t flags() const { return m_flags; }
    [[nodiscard]] bool isToggle() const { return (m_flags & ButtonFlag::kToggle) != 0; }
    [[nodiscard]] bool checked() const { return m_checked; }
    [[nodiscard]] bool shownPressed() const { return m_shownPressed; }
    [[nodiscard]] bool repeating() const { return m_repeat.isActive(); }
    [[nodiscard]] const QString& caption() const { return m_caption; }
    // The caption's font height in points (8-14).
    [[nodiscard]] int captionHeight() const;

    // New faces for the same control (a pad lit or held, a scale change), keeping its state.
    void setFaces(const QPixmap& normalFace, const QPixmap& pressedFace);
    // Set check: 0 unchecked, 1 checked; only toggles take it, any other value changes nothing.
    void setCheck(int value);
    void setCaption(const QString& caption);
    // Shows the pressed face (or, false, the face of the button's state) without a click: a key
    // that works the button is held.
    void showPressed(bool pressed);
    // The part of the screen's background behind the button, for a transparent button.
    void setBackground(const QPixmap& background);

signals:
    void pressed(int id);       // 1241: the left button went down inside
    void command(int id);       // released inside; and every 160 ms while a repeat button is held
    void released(int id);      // 1242: after the command of a release inside
    void doubleClicked(int id); // 5
    void rightClicked(int id);  // 2: the right button pressed and released inside
    void fileDropped(int id, const QString& path);

public slots: // NOLINT(readability-redundant-access-specifiers): moc reads the slots
    // One tick of the repeat: the command again (the repeat timer calls it; tests may).
    void repeatTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    [[nodiscard]] QPoint facePosition(const QPixmap& face) const;
    void drawCaption(QPainter& painter, QPoint offset) const;

    int m_id = 0;
    QPixmap m_normal;
    QPixmap m_pressed;
    QPixmap m_background;
    QString m_caption;
    std::uint32_t m_flags = 0;
    bool m_placeholder = false;
    bool m_leftDown = false;
    bool m_rightDown = false;
    bool m_checked = false;
    bool m_shownPressed = false;
    QTimer m_repeat;
};

} // namespace tonwerk::ui
