#include "VelocityCurve.h"

#include <algorithm>

namespace tonwerk::ui {

CurvePlot curvePlot(int left, int top, int right, int bottom) {
    CurvePlot plot;
    plot.left = left + (right - left) / 10;
    plot.top = top + (bottom - top) / 10;
    plot.right = right - (right - left) / 10;
    plot.bottom = bottom - (bottom - top) / 10;
    plot.xScale = static_cast<float>(plot.right - plot.left) / 128.0F;
    plot.yScale = static_cast<float>(plot.bottom - plot.top) / 128.0F;
    return plot;
}

std::array<CurvePoint, 128> curvePoints(const CurvePlot& plot, const VelocityCurve& curve) {
    std::array<CurvePoint, 128> points{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i].x = plot.left + static_cast<int>(static_cast<float>(i) * plot.xScale);
        points[i].y = plot.bottom - static_cast<int>(static_cast<float>(curve[i]) * plot.yScale);
    }
    return points;
}

int sliderPosition(const VelocityCurve& curve) { return 128 - curve[127]; }

void setSliderPosition(VelocityCurve& curve, int position) {
    curve[127] = static_cast<std::uint8_t>(std::clamp(128 - position, 0, 127));
    straightenCurve(curve);
}

void straightenCurve(VelocityCurve& curve) {
    const float factor = static_cast<float>(curve[127]) / 128.0F;
    for (int i = 126; i >= 1; --i) {
        curve[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<float>(i) * factor);
    }
}

void resetCurveForSlider(VelocityCurve& curve) {
    for (std::size_t i = 0; i < curve.size(); ++i) {
        curve[i] = static_cast<std::uint8_t>(i);
    }
    straightenCurve(curve);
}

bool drawCurveAt(VelocityCurve& curve, const CurvePlot& plot, int x, int y) {
    if (plot.yScale <= 0) {
        return false;
    }
    const auto points = curvePoints(plot, curve);
    if (x < points[0].x) {
        return false;
    }
    const int e = std::clamp(static_cast<int>(static_cast<float>(plot.bottom - y) / plot.yScale), 0, 127);
    bool reached = false;
    for (int i = 1; i <= 126; ++i) {
        if (x <= points[static_cast<std::size_t>(i)].x) {
            const float factor = static_cast<float>(e) / static_cast<float>(i);
            curve[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(factor * static_cast<float>(i - 1));
            reached = true;
        }
    }
    return reached;
}

} // namespace tonwerk::ui
