#pragma once

#include <QWidget>

#include <optional>

namespace tonwerk::ui {

// The keyboard picture of the wave and video dialogs: five octaves from note 36, 70 pixels per
// octave (white keys 10 pixels wide), painted by code at any scale. The geometry is the picture's
// own, in its 350 × 56 picture pixels.
inline constexpr int kPictureOctaves = 5;
inline constexpr int kPictureOctaveWidth = 70;
inline constexpr int kPictureHeight = 56;
inline constexpr int kPictureBlackBottom = 37; // a click at or above this line can hit a black key
inline constexpr int kPictureFirstNote = 36;

// The note under picture point (x, y): a black key when y ≤ 37 and x lies on one, else the white
// key below; nothing outside the picture.
[[nodiscard]] std::optional<int> keyboardPictureNote(int x, int y);
// Whether `note` is a black key.
[[nodiscard]] bool isBlackKey(int note);

// The control: a left press plays the key under the pointer (keyPressed, then keyReleased when the
// button comes up), a right press chooses it as the root note (rootChosen). The root note shows
// red, a held key grey. It knows nothing of the engine. UI thread.
class KeyboardPicture : public QWidget {
    Q_OBJECT
public:
    explicit KeyboardPicture(QWidget* parent = nullptr);

    void setRootNote(int note);
    [[nodiscard]] int rootNote() const { return m_root; }
    // The picture point of a widget point (the picture is scaled to the widget).
    [[nodiscard]] QPointF picturePoint(QPointF widgetPoint) const;
    // The widget point at the middle of a key's marker, for tests.
    [[nodiscard]] QPoint keyCentre(int note) const;

    [[nodiscard]] QSize sizeHint() const override {
        return {kPictureOctaves * kPictureOctaveWidth + 1, kPictureHeight};
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void keyPressed(int note);
    void keyReleased(int note);
    void rootChosen(int note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_root = 60;
    int m_pressed = -1;
};

} // namespace tonwerk::ui
