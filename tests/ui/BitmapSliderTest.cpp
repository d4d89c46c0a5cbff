#include "screens/controls/BitmapSlider.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace tonwerk::ui;

namespace {

QPixmap solid(QColor colour, int width, int height) {
    QPixmap p(width, height);
    p.fill(colour);
    return p;
}

std::unique_ptr<BitmapSlider> slider(bool horizontal, int length, int maximum, int reset, int initial) {
    auto s = std::make_unique<BitmapSlider>();
    s->resize(horizontal ? QSize(length, 24) : QSize(24, length));
    s->configure(horizontal ? 1334 : 1195, maximum, reset, initial, solid(Qt::white, 10, 10), solid(Qt::red, 10, 10),
                 solid(Qt::darkGray, 4, 4), horizontal ? SliderFlag::kHorizontal : 0);
    return s;
}

} // namespace

TEST(BitmapSlider, GeometryOfBothOrientations) {
    SliderGeometry h{true, 200, 127};
    EXPECT_EQ(h.trackStart(), 15);
    EXPECT_EQ(h.trackEnd(), 185);
    EXPECT_EQ(h.knobPosition(0), 15);
    EXPECT_EQ(h.knobPosition(127), 185);
    EXPECT_EQ(h.valueAt(15), 0);
    EXPECT_EQ(h.valueAt(185), 127);
    EXPECT_EQ(h.valueAt(-50), 0); // limited to the track
    EXPECT_EQ(h.valueAt(1000), 127);
    SliderGeometry v{false, 100, 127};
    EXPECT_EQ(v.trackStart(), 10);
    EXPECT_EQ(v.trackEnd(), 90);
    EXPECT_EQ(v.knobPosition(127), 10); // the maximum at the top
    EXPECT_EQ(v.knobPosition(0), 90);
    EXPECT_EQ(v.valueAt(10), 127);
    // Positions rise with the value (horizontal) and fall (vertical), always on the track; where
    // the track has a pixel for every value, a value's position gives the value back within one
    // (whole-pixel arithmetic).
    for (const bool horizontal : {true, false}) {
        for (const int length : {0, 20, 61, 300}) {
            const SliderGeometry g{horizontal, length, 127};
            int previous = horizontal ? -1 : 1 << 20;
            for (int value = 0; value <= 127; ++value) {
                const int p = g.knobPosition(value);
                ASSERT_GE(p, g.trackStart());
                ASSERT_LE(p, g.trackEnd());
                ASSERT_TRUE(horizontal ? p >= previous : p <= previous);
                previous = p;
                if (g.trackEnd() - g.trackStart() >= 127) {
                    ASSERT_LE(std::abs(g.valueAt(p) - value), 1) << length;
                }
            }
        }
    }
    const SliderGeometry empty{true, 100, 0}; // no range at all
    EXPECT_EQ(empty.valueAt(50), 0);
    EXPECT_EQ(empty.knobPosition(10), empty.trackStart());
}

TEST(BitmapSlider, DragPageStepsDoubleClickAndShow) {
    // A vertical slider at its maximum: the knob at the top; dragging it down lowers the value.
    auto v = slider(false, 147, 127, 100, 127);
    QSignalSpy changes(v.get(), &BitmapSlider::valueChanged);
    const QPoint knob = v->knobRect().center();
    EXPECT_EQ(v->knobRect().top(), 0);
    QTest::mousePress(v.get(), Qt::LeftButton, {}, knob);
    QTest::mouseMove(v.get(), knob + QPoint(0, 40));
    QTest::mouseRelease(v.get(), Qt::LeftButton, {}, knob + QPoint(0, 40));
    EXPECT_LT(v->value(), 127);
    EXPECT_GT(v->value(), 0);
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last().at(0).toInt(), 1195);
    EXPECT_EQ(changes.last().at(1).toInt(), v->value());

    // The cross-fader: a double-click on the knob goes to the reset value and back again.
    auto h = slider(true, 200, 127, 64, 20);
    QSignalSpy fader(h.get(), &BitmapSlider::valueChanged);
    QTest::mouseDClick(h.get(), Qt::LeftButton, {}, h->knobRect().center());
    EXPECT_EQ(h->value(), 64);
    QTest::mouseDClick(h.get(), Qt::LeftButton, {}, h->knobRect().center());
    EXPECT_EQ(h->value(), 20);
    EXPECT_EQ(fader.count(), 2);

    // Page steps toward the click, by 10; none that would leave 0 ... maximum.
    QTest::mouseClick(h.get(), Qt::LeftButton, {}, QPoint(190, 12));
    EXPECT_EQ(h->value(), 30);
    QTest::mouseClick(h.get(), Qt::LeftButton, {}, QPoint(2, 12));
    EXPECT_EQ(h->value(), 20);
    h->setValue(5);
    QTest::mouseClick(h.get(), Qt::LeftButton, {}, QPoint(198, 12));
    EXPECT_EQ(h->value(), 15);
    h->setValue(5);
    QTest::mouseClick(h.get(), Qt::LeftButton, {}, QPoint(0, 12)); // only 5 left below: nothing
    EXPECT_EQ(h->value(), 5);

    // Values set elsewhere are shown without a notification; out of range changes nothing.
    const int before = fader.count();
    h->showValue(100);
    EXPECT_EQ(h->value(), 100);
    EXPECT_EQ(fader.count(), before);
    h->setValue(128);
    h->setValue(-1);
    h->setValue(100); // the current value
    EXPECT_EQ(fader.count(), before);
    EXPECT_EQ(h->value(), 100);
}
