#pragma once

#include <array>
#include <cstdint>

// The arithmetic of the velocity-curve dialog, without a display: where the plot and the curve's
// points lie in the graph, the straight line the slider sets, and drawing with the mouse.
namespace tonwerk::ui {

// The 128 output velocities, entry v for input v (a split's `velocityCurve`).
using VelocityCurve = std::array<std::uint8_t, 128>;

struct CurvePoint {
    int x = 0;
    int y = 0;
};

// The plot inside the graph's client rectangle (left, top, right, bottom; right and bottom
// exclusive): a tenth of the size is margin on every side (integer divisions). A scale is pixels
// per velocity step, in single precision as the curve's points are computed with it.
struct CurvePlot {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    float xScale = 0;
    float yScale = 0;
};

[[nodiscard]] CurvePlot curvePlot(int left, int top, int right, int bottom);

// Point i: (plot left + i × x scale, plot bottom − entry[i] × y scale), each truncated.
[[nodiscard]] std::array<CurvePoint, 128> curvePoints(const CurvePlot& plot, const VelocityCurve& curve);

// The slider's position (0 at the top, 128 at the bottom) for a curve, and the curve it sets: the
// last entry becomes 128 − position (at most 127) and entries 1-126 the straight line to it.
[[nodiscard]] int sliderPosition(const VelocityCurve& curve);
void setSliderPosition(VelocityCurve& curve, int position);

// Entries 126 down to 1 on the straight line from 0 to the last entry: trunc(i × (last / 128)).
// Entry 0 stays as it is.
void straightenCurve(VelocityCurve& curve);

// "with slider": the identity, then straightened (input 1 then maps to 0, 127 to 127).
void resetCurveForSlider(VelocityCurve& curve);

// The mouse held down at (x, y) over the graph: every entry 1-126 whose point lies at or to the
// right of the pointer takes the pointer's height e as trunc(e × (i − 1) / i); entries 0 and 127
// never change, and a pointer left of the first point changes nothing. Returns whether anything
// was in reach.
bool drawCurveAt(VelocityCurve& curve, const CurvePlot& plot, int x, int y);

} // namespace tonwerk::ui
