#include "GraphicsPlacement.h"

#include <algorithm>

namespace tonwerk::ui {

int projectorScreen(std::span<const PixelRect> screens, int performerScreen) {
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (static_cast<int>(i) != performerScreen) {
            return static_cast<int>(i);
        }
    }
    return screens.empty() ? -1 : std::clamp(performerScreen, 0, static_cast<int>(screens.size()) - 1);
}

GraphicsPlacement graphicsPlacement(const core::Settings& settings, std::span<const PixelRect> screens,
                                    int performerScreen) {
    GraphicsPlacement placement;
    const int projector = projectorScreen(screens, performerScreen);
    const PixelRect target = projector >= 0 ? screens[static_cast<std::size_t>(projector)] : PixelRect{0, 0, 640, 480};
    const PixelRect stored{settings.graphicWndLeft, settings.graphicWndTop,
                           settings.graphicWndRight - settings.graphicWndLeft,
                           settings.graphicWndBottom - settings.graphicWndTop};
    const bool nothingStored = settings.graphicWndLeft == 0 && settings.graphicWndTop == 0 &&
                               settings.graphicWndRight == 0 && settings.graphicWndBottom == 0;
    const bool usable = stored.width > 0 && stored.height > 0;
    const bool visible = usable && std::any_of(screens.begin(), screens.end(),
                                               [&stored](const PixelRect& s) { return s.intersects(stored); });
    if (nothingStored || !usable) {
        placement.normal = target;
    } else if (!visible) {
        const int width = std::min(stored.width, target.width);
        const int height = std::min(stored.height, target.height);
        placement.normal = {target.x + (target.width - width) / 2, target.y + (target.height - height) / 2, width,
                            height};
    } else {
        placement.normal = stored;
    }
    if (settings.graphicWndMinimized != 0) {
        placement.show = GraphicsShow::Minimized;
        placement.restoreMaximized = settings.graphicWndMaximized != 0;
    } else if (settings.graphicWndMaximized != 0) {
        placement.show = GraphicsShow::Maximized;
    }
    return placement;
}

void storeGraphicsPlacement(core::Settings& settings, const PixelRect& normal, bool minimized, bool maximized) {
    settings.graphicWndLeft = normal.x;
    settings.graphicWndTop = normal.y;
    settings.graphicWndRight = normal.x + normal.width;
    settings.graphicWndBottom = normal.y + normal.height;
    settings.graphicWndMinimized = minimized ? 1 : 0;
    settings.graphicWndMaximized = maximized ? 1 : 0;
}

} // namespace tonwerk::ui
