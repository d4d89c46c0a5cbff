#pragma once

#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace tonwerk::ui {

// Flags of BitmapSlider::configure.
namespace SliderFlag {
inline constexpr std::uint32_t kHorizontal = 0x1;
inline constexpr std::uint32_t kTransparent = 0x2;  // the screen's background shows through the track's white
inline constexpr std::uint32_t kTrackOwnSize = 0x4; // the track is drawn at its own size, not stretched
} // namespace SliderFlag

// The arithmetic of a slider along its track, in whole pixels: the knob's centre runs from half a
// knob in from one end to half a knob in from the other; a horizontal slider has 0 at the left, a
// vertical one its maximum at the top.
struct SliderGeometry {
    bool horizontal = true;
    int length = 0;     // the control's length along the track
    int maximum = 0;    // values run from 0 to it
    double scale = 1.0; // window pixels per screen pixel: the knob grows with the screen

    static constexpr int kKnobAlongHorizontal = 30;
    static constexpr int kKnobAcrossHorizontal = 18;
    static constexpr int kKnobAlongVertical = 20;
    static constexpr int kKnobAcrossVertical = 10;
    static constexpr int kPageStep = 10;

    [[nodiscard]] int knobAlong() const { return scaled(horizontal ? kKnobAlongHorizontal : kKnobAlongVertical); }
    [[nodiscard]] int knobAcross() const { return scaled(horizontal ? kKnobAcrossHorizontal : kKnobAcrossVertical); }
    [[nodiscard]] int scaled(int pixels) const;
    [[nodiscard]] int trackStart() const { return knobAlong() / 2; }
    [[nodiscard]] int trackEnd() const { return std::max(trackStart(), length - knobAlong() / 2); }
    // The knob's centre for a value, and the value of a centre (limited to the track).
    [[nodiscard]] int knobPosition(int value) const;
    [[nodiscard]] int valueAt(int position) const;
};

// A slider of the screens and the video dialog: a track, a knob (another knob while the value is
// the reset value), page steps, dragging, and a double-click on the knob that switches to the reset
// value and back. Values in, one signal out on every change the performer makes. UI thread.
class BitmapSlider : public QWidget {
    Q_OBJECT
public:
    explicit BitmapSlider(QWidget* parent = nullptr);

    // The value becomes `initial` (and is remembered for the double-click).
    void configure(int id, int maximum, int resetValue, int initial, const QPixmap& knob, const QPixmap& knobAtReset,
                   const QPixmap& track, std::uint32_t flags);

    // New bitmaps (a scale change), keeping the value and the remembered value.
    void setFaces(const QPixmap& knob, const QPixmap& knobAtReset, const QPixmap& track);
    // Sets the value and tells it; a value outside 0 ... maximum, or the current one, does nothing.
    void setValue(int value);
    // Shows a value set elsewhere, without telling it.
    void showValue(int value);
    // Window pixels per screen pixel (the knob's size and the page-step margins follow).
    void setScale(double scale);
    // The part of the screen's background behind the slider, for a transparent one.
    void setBackground(const QPixmap& background);

    [[nodiscard]] int id() const { return m_id; }
    [[nodiscard]] int value() const { return m_value; }
    [[nodiscard]] int maximum() const { return m_geometry.maximum; }
    [[nodiscard]] int resetValue() const { return m_reset; }
    [[nodiscard]] SliderGeometry geometry() const;
    // The knob's rectangle in the control.
    [[nodiscard]] QRect knobRect() const;

signals:
    void valueChanged(int id, int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] int along(QPointF point) const;

    int m_id = 0;
    SliderGeometry m_geometry;
    std::uint32_t m_flags = SliderFlag::kHorizontal;
    int m_value = 0;
    int m_reset = 0;
    int m_remembered = 0;
    int m_knobPosition = 0; // along the track; follows the pointer while dragging
    bool m_dragging = false;
    int m_dragFrom = 0;
    int m_dragKnob = 0;
    QPixmap m_knob;
    QPixmap m_knobAtReset;
    QPixmap m_track;
    QPixmap m_background;
};

} // namespace tonwerk::ui
