#pragma once

#include "ScreenLayout.h"

namespace tonwerk::ui {

// How the 801 × 584 screen sits in a window of any size: scaled uniformly by one factor and
// centred. Plain arithmetic, so the placement of every control at every size is testable without
// a display.
struct ScreenPlacement {
    double scale = 1.0; // window pixels per screen pixel
    int left = 0;       // where the screen's top-left corner lies in the window
    int top = 0;

    // A table rectangle in window pixels. Both edges are rounded, so neighbours that touch in the
    // table touch on the screen: no gaps and no overlaps appear at any scale.
    [[nodiscard]] PixelRect map(const PixelRect& rect) const;
    // A window point back in screen pixels (rounded down; outside the screen it lies outside
    // 0 ... 800 / 0 ... 583).
    [[nodiscard]] int screenX(int windowX) const;
    [[nodiscard]] int screenY(int windowY) const;
};

// The scale setting: 0 fits the screen to the window, 100, 150 and 200 fix it in percent. Any
// other stored value counts as fitting.
inline constexpr int kScaleFit = 0;
[[nodiscard]] bool isFixedScale(int setting);

// Where the screen goes in a window of `width` × `height` pixels. Fitting takes the largest scale
// at which the whole screen shows; a fixed scale keeps its factor and centres the screen when the
// window is larger (a smaller window shows its top-left part).
[[nodiscard]] ScreenPlacement placeScreen(int width, int height, int setting);

// The window size that shows the screen whole at a setting (fitting: 100 %).
[[nodiscard]] PixelRect windowRectFor(int setting);

} // namespace tonwerk::ui
