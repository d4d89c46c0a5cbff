#include "screens/GraphicsPlacement.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tonwerk;
using ui::PixelRect;

namespace {

const PixelRect kLaptop{0, 0, 1366, 768};
const PixelRect kProjector{1366, 0, 1920, 1080};

} // namespace

// The picture goes to the monitor that is not the performer's; with one monitor, to that one.
TEST(GraphicsPlacement, TheProjectorIsTheOtherMonitor) {
    const std::vector<PixelRect> two{kLaptop, kProjector};
    EXPECT_EQ(ui::projectorScreen(two, 0), 1);
    EXPECT_EQ(ui::projectorScreen(two, 1), 0);
    const std::vector<PixelRect> one{kLaptop};
    EXPECT_EQ(ui::projectorScreen(one, 0), 0);
    EXPECT_EQ(ui::projectorScreen({}, 0), -1);
}

// First opening: the whole projector; a stored place comes back as it was, with its state; a
// place on a monitor that is gone moves onto one that is there; closing stores the place.
TEST(GraphicsPlacement, StoredPlacesComeBackAndNeverOffScreen) {
    core::Settings settings;
    const std::vector<PixelRect> two{kLaptop, kProjector};
    EXPECT_EQ(ui::graphicsPlacement(settings, two, 0).normal, kProjector);
    EXPECT_EQ(ui::graphicsPlacement(settings, two, 0).show, ui::GraphicsShow::Normal);

    ui::storeGraphicsPlacement(settings, {1500, 100, 800, 600}, false, true);
    auto placement = ui::graphicsPlacement(settings, two, 0);
    EXPECT_EQ(placement.normal, (PixelRect{1500, 100, 800, 600}));
    EXPECT_EQ(placement.show, ui::GraphicsShow::Maximized);

    ui::storeGraphicsPlacement(settings, {1500, 100, 800, 600}, true, true);
    placement = ui::graphicsPlacement(settings, two, 0);
    EXPECT_EQ(placement.show, ui::GraphicsShow::Minimized);
    EXPECT_TRUE(placement.restoreMaximized);

    // The projector is unplugged: the window comes onto the laptop, at its size, centred.
    ui::storeGraphicsPlacement(settings, {1500, 100, 800, 600}, false, false);
    const std::vector<PixelRect> one{kLaptop};
    placement = ui::graphicsPlacement(settings, one, 0);
    EXPECT_EQ(placement.normal, (PixelRect{283, 84, 800, 600}));
    // Larger than the laptop: it shrinks to fit.
    ui::storeGraphicsPlacement(settings, {1366, 0, 1920, 1080}, false, false);
    EXPECT_EQ(ui::graphicsPlacement(settings, one, 0).normal, kLaptop);
    // A damaged stored rectangle (right of its left edge missing) counts as nothing stored.
    settings.graphicWndRight = settings.graphicWndLeft - 5;
    EXPECT_EQ(ui::graphicsPlacement(settings, two, 0).normal, kProjector);
}
