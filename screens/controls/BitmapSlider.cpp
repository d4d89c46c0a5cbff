#include "BitmapSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tonwerk::ui {

int SliderGeometry::scaled(int pixels) const {
    return std::max(1, static_cast<int>(std::lround(pixels * (scale > 0 ? scale : 1.0))));
}

int SliderGeometry::knobPosition(int value) const {
    const int s = trackStart();
    const int e = trackEnd();
    if (maximum <= 0) {
        return horizontal ? s : e;
    }
    const int v = std::clamp(value, 0, maximum);
    return horizontal ? s + (e - s) * v / maximum : s + (e - s) * (maximum - v) / maximum;
}

int SliderGeometry::valueAt(int position) const {
    const int s = trackStart();
    const int e = trackEnd();
    if (e == s) {
        return horizontal ? 0 : maximum;
    }
    const int p = std::clamp(position, s, e);
    return horizontal ? maximum * (p - s) / (e - s) : maximum - maximum * (p - s) / (e - s);
}

BitmapSlider::BitmapSlider(QWidget* parent) : QWidget(parent) {}

void BitmapSlider::configure(int id, int maximum, int resetValue, int initial, const QPixmap& knob,
                             const QPixmap& knobAtReset, const QPixmap& track, std::uint32_t flags) {
    m_id = id;
    m_flags = flags;
    m_geometry.maximum = std::max(0, maximum);
    m_reset = resetValue;
    m_value = std::clamp(initial, 0, m_geometry.maximum);
    m_remembered = m_value;
    m_knob = knob;
    m_knobAtReset = knobAtReset;
    m_track = track;
    m_knobPosition = geometry().knobPosition(m_value);
    update();
}

SliderGeometry BitmapSlider::geometry() const {
    SliderGeometry g = m_geometry;
    g.horizontal = (m_flags & SliderFlag::kHorizontal) != 0;
    g.length = g.horizontal ? width() : height();
    return g;
}

void BitmapSlider::setValue(int value) {
    if (value < 0 || value > m_geometry.maximum || value == m_value) {
        return;
    }
    m_value = value;
    m_knobPosition = geometry().knobPosition(value);
    update();
    emit valueChanged(m_id, value);
}

void BitmapSlider::showValue(int value) {
    if (value < 0 || value > m_geometry.maximum || value == m_value) {
        return;
    }
    m_value = value;
    m_knobPosition = geometry().knobPosition(value);
    update();
}

void BitmapSlider::setBackground(const QPixmap& background) {
    m_background = background;
    update();
}

void BitmapSlider::setFaces(const QPixmap& knob, const QPixmap& knobAtReset, const QPixmap& track) {
    m_knob = knob;
    m_knobAtReset = knobAtReset;
    m_track = track;
    update();
}

void BitmapSlider::setScale(double scale) {
    m_geometry.scale = scale > 0 ? scale : 1.0;
    update();
}

QRect BitmapSlider::knobRect() const {
    const SliderGeometry g = geometry();
    const int position = m_dragging ? m_knobPosition : g.knobPosition(m_value);
    if (g.horizontal) {
        return {position - g.knobAlong() / 2, (height() - g.knobAcross()) / 2, g.knobAlong(), g.knobAcross()};
    }
    return {(width() - g.knobAcross()) / 2, position - g.knobAlong() / 2, g.knobAcross(), g.knobAlong()};
}

int BitmapSlider::along(QPointF point) const {
    return geometry().horizontal ? static_cast<int>(point.x()) : static_cast<int>(point.y());
}

void BitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (knobRect().contains(point)) {
        m_dragging = true;
        m_dragFrom = along(event->position());
        m_dragKnob = geometry().knobPosition(m_value);
        m_knobPosition = m_dragKnob;
        return;
    }
    // A page step toward the click, when the click is clear of the knob's centre.
    const SliderGeometry g = geometry();
    const int offset = along(event->position()) - g.knobPosition(m_value);
    const int margin = g.scaled(g.horizontal ? 9 : 10);
    int step = 0;
    if (offset > margin) {
        step = g.horizontal ? SliderGeometry::kPageStep : -SliderGeometry::kPageStep;
    } else if (offset < -margin) {
        step = g.horizontal ? -SliderGeometry::kPageStep : SliderGeometry::kPageStep;
    }
    if (step != 0) {
        setValue(m_value + step); // nothing when it would leave 0 ... maximum
    }
}

void BitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        return;
    }
    const SliderGeometry g = geometry();
    m_knobPosition = std::clamp(m_dragKnob + along(event->position()) - m_dragFrom, g.trackStart(), g.trackEnd());
    m_value = g.valueAt(m_knobPosition);
    update();
    emit valueChanged(m_id, m_value); // on every move, changed or not
}

void BitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        update();
    }
}

void BitmapSlider::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !knobRect().contains(event->position().toPoint())) {
        return;
    }
    m_dragging = false;
    if (m_value == m_reset) {
        setValue(m_remembered);
    } else {
        m_remembered = m_value;
        setValue(m_reset);
    }
}

void BitmapSlider::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const bool transparent = (m_flags & SliderFlag::kTransparent) != 0;
    if (transparent && !m_background.isNull()) {
        painter.drawPixmap(0, 0, m_background);
        // The track's dark pixels show; its white ones let the background through.
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    }
    if (!m_track.isNull()) {
        if ((m_flags & SliderFlag::kTrackOwnSize) != 0) {
            painter.drawPixmap(0, 0, m_track);
        } else {
            painter.drawPixmap(rect(), m_track);
        }
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QPixmap& knob = m_value == m_reset && !m_knobAtReset.isNull() ? m_knobAtReset : m_knob;
    if (!knob.isNull()) {
        // Centred on the knob's position, centred across the track.
        const QRect at = knobRect();
        const QSize size = knob.deviceIndependentSize().toSize();
        painter.drawPixmap(at.x() + (at.width() - size.width()) / 2, at.y() + (at.height() - size.height()) / 2, knob);
    }
}

} // namespace tonwerk::ui
