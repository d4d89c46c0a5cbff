#include "screens/controls/KeyRangeBar.h"
#include "screens/ScreenDialog.h"
#include "screens/controls/KeyRangeModel.h"
#include "support/ScreenRig.h"

#include "midi/SplitFields.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace tonwerk;
using ui::KeyRangeBar;
using ui::KeyRangeModel;

namespace {

KeyRangeModel masterBar() {
    KeyRangeModel bar;
    bar.setSpan(0, 0, 757, 12, 36, 96);
    return bar;
}

// The geometry of the Master screen's bar: white keys 21 pixels, octaves 147; key 60 sits in the
// third octave; each key's handle position gives the key back, on the Master bar and on narrower
// and wider ones.
TEST(KeyRangeModel, GeometryRoundTrips) {
    const KeyRangeModel bar = masterBar();
    EXPECT_EQ(bar.whiteKeyWidth(), 21);
    EXPECT_EQ(bar.octaveWidth(), 147);
    EXPECT_EQ(bar.keyAt(0), 36);
    EXPECT_EQ(bar.keyAt(11), 36);
    EXPECT_EQ(bar.keyAt(12), 37);
    EXPECT_EQ(bar.keyAt(2 * 147), 60);
    EXPECT_EQ(bar.xOfKey(60), 2 * 147 + 6);
    for (const int width : {757, 756, 303, 1200, 432}) {
        for (int key = 36; key <= 96; ++key) {
            KeyRangeModel m;
            m.setSpan(0, 0, width, 12, 36, 96);
            m.setKeys(key, key); // single key: the label keeps the key
            m.setKeys(36, key == 36 ? 37 : key);
            EXPECT_EQ(m.highKey(), key == 36 ? 37 : key) << width;
            m.setKeys(key, 96);
            EXPECT_EQ(m.lowKey(), key) << "width " << width;
            EXPECT_GE(m.lowX(), 0);
            EXPECT_LE(m.highX() + KeyRangeModel::kHandleWidth, width);
        }
    }
}

// The screen's range moves the handles without a report; a single key shows one handle; keys
// outside the span sit at the bar's ends; 24-96 (a new MIDI split) takes the whole bar.
TEST(KeyRangeModel, SetKeysFromTheScreen) {
    KeyRangeModel bar = masterBar();
    bar.setKeys(48, 84);
    EXPECT_TRUE(bar.twoHandles());
    EXPECT_EQ(bar.lowKey(), 48);
    EXPECT_EQ(bar.highKey(), 84);
    bar.setKeys(60, 60);
    EXPECT_FALSE(bar.twoHandles());
    EXPECT_EQ(bar.lowKey(), 60);
    bar.setKeys(0, 127);
    EXPECT_TRUE(bar.twoHandles());
    EXPECT_EQ(bar.lowKey(), 36);
    EXPECT_EQ(bar.highKey(), 96);
    bar.setKeys(110, 110); // above the span: at the right end, labelled with its key
    EXPECT_FALSE(bar.twoHandles());
    EXPECT_LE(bar.lowX() + KeyRangeModel::kHandleWidth, 757);
    EXPECT_GT(bar.lowX(), 700);
    bar.setKeys(10, 20); // below: both at the left end
    EXPECT_LT(bar.highX(), 20);
    bar.setKeys(24, 96);
    EXPECT_TRUE(bar.fullSpanMark());
    EXPECT_EQ(bar.highKey(), 96);
    EXPECT_EQ(bar.lowX(), 5);
}

// The mouse: the left button sets the low key, the right the high key; neither passes the other;
// a double-click switches to one key (blue) and back to the whole span, reporting each change.
TEST(KeyRangeModel, MouseRules) {
    KeyRangeModel bar = masterBar();
    bar.setKeys(48, 84);
    auto report = bar.leftDown(2 * 147 + 6); // on C3
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (std::pair{60, 84}));
    // The low handle cannot be pressed at or beyond the high one.
    EXPECT_FALSE(bar.leftDown(bar.highX() - 5));
    EXPECT_FALSE(bar.leftDown(bar.highX() + 30));
    // Dragged: only from the handle or once the drag began, never past the high handle.
    EXPECT_FALSE(bar.leftMove(400, 6)); // not on the handle
    report = bar.leftMove(bar.lowX() + 3, 6);
    ASSERT_TRUE(report);
    for (int x = bar.lowX(); x < 757; x += 7) {
        if (auto r = bar.leftMove(x, 6)) {
            EXPECT_LE(r->first, r->second);
        }
    }
    EXPECT_LT(bar.lowX(), bar.highX());
    bar.leftUp();
    EXPECT_FALSE(bar.leftMove(300, 0)) << "a new drag starts on the handle";

    // The right button: the high key, never at or left of the low one.
    bar.setKeys(48, 84);
    report = bar.rightDown(3 * 147 + 6);
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (std::pair{48, 72}));
    EXPECT_FALSE(bar.rightDown(bar.lowX() + 2));
    EXPECT_FALSE(bar.rightDown(756));
    bar.rightUp();

    // Double-click: one key where clicked, then the whole span.
    report = bar.doubleClick(2 * 147 + 6);
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (std::pair{60, 60}));
    EXPECT_FALSE(bar.twoHandles());
    // In single-key mode the left button moves the one handle anywhere; the right does nothing.
    report = bar.leftDown(700);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->first, report->second);
    EXPECT_FALSE(bar.rightDown(300));
    report = bar.doubleClick(100);
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (std::pair{36, 96}));
    EXPECT_TRUE(bar.twoHandles());
}

TEST(KeyRangeModel, Labels) {
    EXPECT_EQ(ui::keyRangeLabel(60), " C3");
    EXPECT_EQ(ui::keyRangeLabel(61), "#C3");
    EXPECT_EQ(ui::keyRangeLabel(36), " C1");
    EXPECT_EQ(ui::keyRangeLabel(0), " C-2");
    EXPECT_EQ(ui::keyRangeLabel(127), " G8");
    EXPECT_EQ(ui::keyRangeLabelX(100, 10, 757), 110);
    EXPECT_EQ(ui::keyRangeLabelX(740, 10, 757), 720);
}

// The bar on the Master screen at 200 %: a right click sets the selected split's highest key
// through the commands, the split list follows; selecting another split sets the bar without an
// echo; a double-click makes the split a one-key sample split.
TEST(KeyRangeBar, OnTheMasterScreen) {
    test::ScreenRig rig(200);
    auto& commands = rig.session->commands();
    const auto field = [](const char* name) { return *midi::findSplitField("", name); };
    commands.setSplitField(2, field("keyLow"), 0, 48);
    commands.setSplitField(2, field("keyHigh"), 0, 84);
    commands.selectSplit(2);
    auto screen = rig.open(midi::ScreenKind::Master);
    screen->resize(1602, 1168);
    KeyRangeBar* bar = screen->keyRangeBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->model().lowKey(), 48);
    EXPECT_EQ(bar->model().highKey(), 84);
    QSignalSpy changed(bar, &KeyRangeBar::keysChanged);

    // Table x of C4 (3 octaves of 147 px = 441, the key's middle 6 more) at 200 %.
    const QPoint c4(bar->widgetX(3 * 147 + 6), bar->height() / 2);
    QTest::mouseClick(bar, Qt::RightButton, {}, c4);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(rig.session->performance().split(2).keyHigh, 72);
    EXPECT_EQ(rig.session->performance().split(2).keyLow, 48);

    commands.setSplitField(5, field("keyLow"), 0, 40);
    commands.setSplitField(5, field("keyHigh"), 0, 40);
    commands.selectSplit(5);
    screen->splitSelected(5);
    EXPECT_FALSE(bar->model().twoHandles());
    EXPECT_EQ(bar->model().lowKey(), 40);
    EXPECT_EQ(changed.size(), 1) << "the screen's change is not sent back";

    QTest::mouseDClick(bar, Qt::LeftButton, {}, c4);
    EXPECT_EQ(rig.session->performance().split(5).keyLow, 36);
    EXPECT_EQ(rig.session->performance().split(5).keyHigh, 96);
    QTest::mouseDClick(bar, Qt::LeftButton, {}, c4);
    const midi::Split& one = rig.session->performance().split(5);
    EXPECT_EQ(one.keyLow, 72);
    EXPECT_EQ(one.keyHigh, 72);
    EXPECT_EQ(one.rootNote, 72);
    EXPECT_EQ(one.sampleModeKind(), midi::SampleMode::OneShot);
    rig.close();
}

} // namespace
