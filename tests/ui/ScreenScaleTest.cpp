#include "screens/ScreenScale.h"

#include <gtest/gtest.h>

#include <random>

using namespace tonwerk;
using ui::PixelRect;

// At 100 % in a window of the screen's size every control sits at its table position.
TEST(ScreenScale, HundredPercentIsTheTable) {
    for (const int setting : {ui::kScaleFit, 100}) {
        const auto placement = ui::placeScreen(ui::kScreenWidth, ui::kScreenHeight, setting);
        EXPECT_DOUBLE_EQ(placement.scale, 1.0);
        EXPECT_EQ(placement.left, 0);
        EXPECT_EQ(placement.top, 0);
        for (const auto screen : {midi::ScreenKind::Master, midi::ScreenKind::Rock, midi::ScreenKind::Dj}) {
            for (const auto& c : ui::screenControls(screen)) {
                EXPECT_EQ(placement.map(c.rect), c.rect) << c.name;
            }
        }
    }
    EXPECT_EQ(ui::windowRectFor(ui::kScaleFit), (PixelRect{0, 0, 801, 584}));
    EXPECT_EQ(ui::windowRectFor(200), (PixelRect{0, 0, 1602, 1168}));
    EXPECT_EQ(ui::windowRectFor(150), (PixelRect{0, 0, 1202, 876}));
}

// Fitting keeps the proportions and centres the screen; fixed scales ignore the window's size.
TEST(ScreenScale, FitAndFixed) {
    auto wide = ui::placeScreen(1920, 1080, ui::kScaleFit);
    EXPECT_NEAR(wide.scale, 1080.0 / 584.0, 1e-9);
    EXPECT_EQ(wide.top, 0);
    EXPECT_GT(wide.left, 0);
    EXPECT_EQ(wide.left, (1920 - static_cast<int>(std::lround(801 * wide.scale))) / 2);

    auto tall = ui::placeScreen(801, 2000, ui::kScaleFit);
    EXPECT_DOUBLE_EQ(tall.scale, 1.0);
    EXPECT_EQ(tall.left, 0);
    EXPECT_EQ(tall.top, (2000 - 584) / 2);

    auto fixed = ui::placeScreen(400, 300, 200);
    EXPECT_DOUBLE_EQ(fixed.scale, 2.0);
    EXPECT_EQ(fixed.left, 0); // a window too small shows the top-left part
    auto centred = ui::placeScreen(2000, 1200, 150);
    EXPECT_EQ(centred.left, (2000 - 1202) / 2);
    EXPECT_EQ(centred.top, (1200 - 876) / 2);

    // A stored value that is no scale fits; a window of nothing does not scale to nothing.
    EXPECT_FALSE(ui::isFixedScale(120));
    EXPECT_GT(ui::placeScreen(0, 0, 120).scale, 0.0);
}

// At any scale, controls that do not overlap in the table do not overlap on the screen, every
// control keeps a size, and a point inside a control maps back inside its table rectangle.
TEST(ScreenScale, RandomScalesKeepTheLayoutApartAndMapBack) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> size(200, 4000);
    for (int round = 0; round < 200; ++round) {
        const auto placement = ui::placeScreen(size(random), size(random), ui::kScaleFit);
        for (const auto screen : {midi::ScreenKind::Master, midi::ScreenKind::Dj}) {
            const auto controls = ui::screenControls(screen);
            for (std::size_t i = 0; i < controls.size(); ++i) {
                const PixelRect a = placement.map(controls[i].rect);
                ASSERT_GT(a.width, 0);
                ASSERT_GT(a.height, 0);
                for (std::size_t j = i + 1; j < controls.size(); ++j) {
                    ASSERT_FALSE(a.intersects(placement.map(controls[j].rect)))
                        << controls[i].name << " / " << controls[j].name << " at " << placement.scale;
                }
                if (placement.scale >= 1.0) {
                    const int cx = a.x + a.width / 2;
                    const int cy = a.y + a.height / 2;
                    const PixelRect& t = controls[i].rect;
                    EXPECT_GE(placement.screenX(cx), t.x);
                    EXPECT_LT(placement.screenX(cx), t.x + t.width);
                    EXPECT_GE(placement.screenY(cy), t.y);
                    EXPECT_LT(placement.screenY(cy), t.y + t.height);
                }
            }
        }
    }
}
