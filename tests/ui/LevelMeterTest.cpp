#include "screens/controls/LevelMeter.h"
#include "screens/controls/ValueDisplay.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace tonwerk::ui;

TEST(LevelMeter, SegmentsFollowTheLevel) {
    EXPECT_EQ(LevelMeter::litSegments(0), 0);
    EXPECT_EQ(LevelMeter::litSegments(1), 1); // any sound shows
    EXPECT_EQ(LevelMeter::litSegments(127), LevelMeter::kSegments);
    EXPECT_EQ(LevelMeter::litSegments(500), LevelMeter::kSegments);
    EXPECT_EQ(LevelMeter::litSegments(-3), 0);
    for (int level = 1; level <= 127; ++level) {
        EXPECT_GE(LevelMeter::litSegments(level), LevelMeter::litSegments(level - 1));
    }
    LevelMeter meter;
    meter.resize(10, 64);
    meter.setLevel(200);
    EXPECT_EQ(meter.level(), 127);
    const QImage full = meter.grab().toImage();
    EXPECT_EQ(full.pixelColor(5, 62), QColor(0, 230, 0));  // the bottom segment, lit green
    EXPECT_EQ(full.pixelColor(5, 2), QColor(255, 40, 20)); // the top, lit red
    meter.setLevel(0);
    const QImage silent = meter.grab().toImage();
    EXPECT_NE(silent.pixelColor(5, 62), QColor(0, 230, 0));
}

TEST(ValueDisplay, ShowsItsText) {
    ValueDisplay display;
    display.resize(40, 16);
    display.setText("127");
    EXPECT_EQ(display.text(), "127");
    const QImage picture = display.grab().toImage();
    int cyan = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            cyan += picture.pixelColor(x, y).blue() > 200 && picture.pixelColor(x, y).green() > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(cyan, 20); // the digits are drawn
}
