#include "dialogs/VelocityCurve.h"
#include "dialogs/CurveView.h"
#include "dialogs/VelocityCurveDialog.h"
#include "screens/ScreenCommands.h"
#include "support/ScreenRig.h"
#include "support/SplitBytes.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using namespace tonwerk;
using ui::VelocityCurve;

namespace {

VelocityCurve identity() {
    VelocityCurve curve{};
    for (std::size_t i = 0; i < curve.size(); ++i) {
        curve[i] = static_cast<std::uint8_t>(i);
    }
    return curve;
}

TEST(VelocityCurve, PlotAndPoints) {
    const ui::CurvePlot plot = ui::curvePlot(0, 0, 300, 250);
    EXPECT_EQ(plot.left, 30);
    EXPECT_EQ(plot.top, 25);
    EXPECT_EQ(plot.right, 270);
    EXPECT_EQ(plot.bottom, 225);
    EXPECT_FLOAT_EQ(plot.xScale, 240.0F / 128);
    const auto points = ui::curvePoints(plot, identity());
    EXPECT_EQ(points[0].x, 30);
    EXPECT_EQ(points[0].y, 225);
    EXPECT_EQ(points[127].x, 30 + static_cast<int>(127 * (240.0F / 128)));
    EXPECT_EQ(points[127].y, 225 - static_cast<int>(127 * (200.0F / 128)));
}

// The slider's ends, and "with slider" on an identity curve.
TEST(VelocityCurve, SliderSetsTheStraightLine) {
    VelocityCurve curve = identity();
    ui::setSliderPosition(curve, 0);
    EXPECT_EQ(curve[127], 127) << "128 is no velocity";
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[1], 0);
    EXPECT_EQ(curve[64], 63);
    EXPECT_EQ(curve[126], 125);
    EXPECT_EQ(ui::sliderPosition(curve), 1);

    curve[0] = 9;
    ui::setSliderPosition(curve, 128);
    EXPECT_EQ(curve[0], 9) << "entry 0 is never the line's";
    for (std::size_t i = 1; i < curve.size(); ++i) {
        EXPECT_EQ(curve[i], 0) << i;
    }
    ui::setSliderPosition(curve, -40); // beyond the top: still 127
    EXPECT_EQ(curve[127], 127);

    curve = identity();
    ui::resetCurveForSlider(curve);
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[1], 0);
    EXPECT_EQ(curve[2], 1);
    EXPECT_EQ(curve[126], 125);
    EXPECT_EQ(curve[127], 127);
}

TEST(VelocityCurve, DrawingSetsEverythingRightOfThePointer) {
    const ui::CurvePlot plot = ui::curvePlot(0, 0, 320, 320);
    VelocityCurve curve = identity();
    const auto points = ui::curvePoints(plot, curve);
    // Left of the first point: nothing.
    EXPECT_FALSE(ui::drawCurveAt(curve, plot, points[0].x - 1, plot.top));
    EXPECT_EQ(curve, identity());
    // At point 64's x and the plot's top (e = 127 at most): entries 64-126 follow, the rest stay.
    EXPECT_TRUE(ui::drawCurveAt(curve, plot, points[64].x, plot.top));
    for (int i = 1; i < 127; ++i) {
        const auto expected =
            points[static_cast<std::size_t>(i)].x >= points[64].x
                ? static_cast<std::uint8_t>(127.0F / static_cast<float>(i) * static_cast<float>(i - 1))
                : static_cast<std::uint8_t>(i);
        EXPECT_EQ(curve[static_cast<std::size_t>(i)], expected) << i;
    }
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[127], 127);

    // Any strokes anywhere, even outside the graph: entries 0 and 127 never change, none passes 127.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coordinate(-100, 420);
    for (int stroke = 0; stroke < 2000; ++stroke) {
        ui::drawCurveAt(curve, plot, coordinate(random), coordinate(random));
    }
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[127], 127);
    for (const std::uint8_t v : curve) {
        EXPECT_LE(v, 127);
    }
}

midi::Split splitWith(int editMode) {
    midi::Split split{};
    midi::resetSplit(split, 0, 0, 4);
    split.curveEditMode = editMode;
    return split;
}

TEST(VelocityCurveDialog, OpensInTheSplitsModeAndShowsHostileValuesClamped) {
    {
        ui::VelocityCurveDialog dialog(splitWith(0));
        EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("withMouse"))->isChecked());
        EXPECT_TRUE(dialog.view()->drawing());
        EXPECT_EQ(dialog.curveEditMode(), 0);
        EXPECT_EQ(dialog.slider()->value(), 1);
    }
    midi::Split hostile = splitWith(7);
    hostile.velocityCurve.fill(200);
    ui::VelocityCurveDialog dialog(hostile);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("withSlider"))->isChecked());
    EXPECT_FALSE(dialog.view()->drawing());
    EXPECT_EQ(dialog.curve()[5], 127);
    EXPECT_EQ(dialog.slider()->value(), 1);
    EXPECT_EQ(dialog.curveEditMode(), 1);
}

// A drag in mouse mode that starts on the plot's left edge draws; in slider mode it does nothing,
// and the slider works in both.
TEST(VelocityCurveDialog, DrawingAndTheSlider) {
    ui::VelocityCurveDialog dialog(splitWith(1));
    dialog.resize(420, 460);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::CurveView* view = dialog.view();
    const ui::CurvePlot plot = view->plot();
    const QPoint start(plot.left, plot.bottom);

    const VelocityCurve before = dialog.curve();
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    QTest::mouseMove(view, QPoint(plot.left + 40, plot.top + 10));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(plot.left + 40, plot.top + 10));
    EXPECT_EQ(dialog.curve(), before) << "slider mode: the mouse draws nothing";

    QTest::mouseClick(dialog.findChild<QRadioButton*>(QStringLiteral("withMouse")), Qt::LeftButton);
    EXPECT_EQ(dialog.curveEditMode(), 0);
    EXPECT_EQ(dialog.curve(), before) << "choosing the mouse keeps the curve";
    VelocityCurve expected = before;
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    for (const QPoint& p : {QPoint(plot.left + 20, plot.top + 5), QPoint(plot.left + 90, (plot.top + plot.bottom) / 2),
                            QPoint(plot.right - 30, plot.bottom - 10)}) {
        QTest::mouseMove(view, p);
        ui::drawCurveAt(expected, plot, p.x(), p.y());
    }
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(plot.right - 30, plot.bottom - 10));
    EXPECT_NE(dialog.curve(), before);
    EXPECT_EQ(dialog.curve(), expected);

    dialog.slider()->setValue(64);
    EXPECT_EQ(dialog.curve()[127], 64) << "the slider still sets the end point in mouse mode";
    EXPECT_EQ(dialog.curve()[100], static_cast<std::uint8_t>(100 * (64.0F / 128)));

    QTest::mouseClick(dialog.findChild<QRadioButton*>(QStringLiteral("withSlider")), Qt::LeftButton);
    EXPECT_EQ(dialog.curve()[127], 127);
    EXPECT_EQ(dialog.curve()[2], 1);
    EXPECT_EQ(dialog.slider()->value(), 1);
}

// Return is OK wherever the focus is, also after drawing; Escape is Cancel; no push button but
// OK takes the first focus.
TEST(VelocityCurveDialog, ReturnAndEscape) {
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        ui::VelocityCurveDialog dialog(splitWith(0));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* push = qobject_cast<QPushButton*>(QApplication::focusWidget());
        EXPECT_TRUE(push == nullptr || push->isDefault());
        const ui::CurvePlot plot = dialog.view()->plot();
        QTest::mousePress(dialog.view(), Qt::LeftButton, {}, QPoint(plot.left, plot.bottom));
        QTest::mouseMove(dialog.view(), QPoint(plot.left + 30, plot.top));
        QTest::mouseRelease(dialog.view(), Qt::LeftButton, {}, QPoint(plot.left + 30, plot.top));
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &dialog,
                        static_cast<Qt::Key>(key));
        EXPECT_EQ(dialog.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    }
}

// Velo on a screen: OK writes the curve and its mode and nothing else of the 944 bytes; Cancel
// writes nothing.
TEST(VelocityCurveDialog, OnTheScreenOkWritesOnlyTheCurve) {
    test::ScreenRig rig;
    rig.session->commands().selectSplit(3);
    const midi::Split before = rig.session->performance().split(3);
    bool accept = true;
    ui::ScreenHost host;
    host.runDialog = [&](QDialog& dialog) {
        auto* curve = qobject_cast<ui::VelocityCurveDialog*>(&dialog);
        EXPECT_NE(curve, nullptr);
        curve->slider()->setValue(40);
        QTest::mouseClick(curve->findChild<QRadioButton*>(QStringLiteral("withMouse")), Qt::LeftButton);
        return accept ? QDialog::Accepted : QDialog::Rejected;
    };
    auto screen = rig.open(midi::ScreenKind::Master, host);
    accept = false;
    screen->command(ui::CommandId::kVeloDialog);
    EXPECT_TRUE(test::changedFields(before, rig.session->performance().split(3)).empty());
    accept = true;
    screen->command(ui::CommandId::kVeloDialog);
    const midi::Split& after = rig.session->performance().split(3);
    EXPECT_EQ(test::changedFields(before, after), (std::vector<std::string>{"velocityCurve", "curveEditMode"}));
    EXPECT_EQ(after.velocityCurve[127], 88);
    EXPECT_EQ(after.curveEditMode, 0);
    rig.close();
}

} // namespace
