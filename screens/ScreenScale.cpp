#include "ScreenScale.h"

#include <algorithm>
#include <cmath>

namespace tonwerk::ui {

namespace {

int roundToPixel(double value) { return static_cast<int>(std::lround(value)); }

} // namespace

PixelRect ScreenPlacement::map(const PixelRect& rect) const {
    const int x0 = roundToPixel(rect.x * scale);
    const int y0 = roundToPixel(rect.y * scale);
    const int x1 = roundToPixel((rect.x + rect.width) * scale);
    const int y1 = roundToPixel((rect.y + rect.height) * scale);
    // A control never shrinks to nothing, whatever the scale.
    return {left + x0, top + y0, std::max(1, x1 - x0), std::max(1, y1 - y0)};
}

int ScreenPlacement::screenX(int windowX) const { return static_cast<int>(std::floor((windowX - left) / scale)); }

int ScreenPlacement::screenY(int windowY) const { return static_cast<int>(std::floor((windowY - top) / scale)); }

bool isFixedScale(int setting) { return setting == 100 || setting == 150 || setting == 200; }

ScreenPlacement placeScreen(int width, int height, int setting) {
    ScreenPlacement placement;
    if (isFixedScale(setting)) {
        placement.scale = setting / 100.0;
    } else {
        placement.scale = std::max(
            0.25, std::min(static_cast<double>(width) / kScreenWidth, static_cast<double>(height) / kScreenHeight));
    }
    const int shownWidth = roundToPixel(kScreenWidth * placement.scale);
    const int shownHeight = roundToPixel(kScreenHeight * placement.scale);
    placement.left = std::max(0, (width - shownWidth) / 2);
    placement.top = std::max(0, (height - shownHeight) / 2);
    return placement;
}

PixelRect windowRectFor(int setting) {
    const double scale = isFixedScale(setting) ? setting / 100.0 : 1.0;
    return {0, 0, roundToPixel(kScreenWidth * scale), roundToPixel(kScreenHeight * scale)};
}

} // namespace tonwerk::ui
