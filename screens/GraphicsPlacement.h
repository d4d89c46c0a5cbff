#pragma once

#include "ScreenLayout.h"
#include "core/Settings.h"

#include <span>

namespace tonwerk::ui {

// Where the graphics window opens, as plain arithmetic over the connected monitors: the audience
// sees the projector, the performer keeps the laptop's screen.

// The monitor for the picture: the first one that is not the performer's, else the performer's.
[[nodiscard]] int projectorScreen(std::span<const PixelRect> screens, int performerScreen);

enum class GraphicsShow { Normal, Maximized, Minimized };

struct GraphicsPlacement {
    PixelRect normal; // the window's normal rectangle (desktop pixels)
    GraphicsShow show = GraphicsShow::Normal;
    bool restoreMaximized = false; // a minimized window comes back maximized
};

// The placement stored in the settings (`GrafikWndLeft/Top/Right/Bottom`, `GrafikWndIcon`,
// `GrafikWndMaximized`). The first time (all four edges 0) the window takes the whole projector
// screen; a stored rectangle that no connected monitor shows any more (the projector was
// unplugged) moves onto the projector screen, keeping its size where it fits.
[[nodiscard]] GraphicsPlacement graphicsPlacement(const core::Settings& settings, std::span<const PixelRect> screens,
                                                  int performerScreen);

// Keeps a closing window's placement in the settings.
void storeGraphicsPlacement(core::Settings& settings, const PixelRect& normal, bool minimized, bool maximized);

} // namespace tonwerk::ui
