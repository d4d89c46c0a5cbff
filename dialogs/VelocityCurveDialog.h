#pragma once

#include "VelocityCurve.h"
#include "midi/Split.h"

#include <QDialog>

class QRadioButton;
class QSlider;

namespace tonwerk::ui {

class CurveView;

// "Velocity-Curve": a split's velocity curve, set as a straight line by the slider ("with slider")
// or drawn with the mouse ("with mouse"). It edits a copy; the caller writes `curve()` and
// `curveEditMode()` into the split on OK. Entries above 127 in the split are shown (and kept) as
// 127, a velocity's largest value. UI thread.
class VelocityCurveDialog : public QDialog {
    Q_OBJECT
public:
    explicit VelocityCurveDialog(const midi::Split& split, QWidget* parent = nullptr);

    [[nodiscard]] VelocityCurve curve() const;
    // 1 "with slider", 0 "with mouse".
    [[nodiscard]] int curveEditMode() const;

    [[nodiscard]] CurveView* view() const { return m_view; }
    [[nodiscard]] QSlider* slider() const { return m_slider; }

signals:
    void helpRequested();

private:
    void sliderMoved(int position);
    void chooseSliderMode();
    void chooseMouseMode();
    void showSliderFor(const VelocityCurve& curve);

    CurveView* m_view = nullptr;
    QSlider* m_slider = nullptr;
    QRadioButton* m_withSlider = nullptr;
    QRadioButton* m_withMouse = nullptr;
};

} // namespace tonwerk::ui
