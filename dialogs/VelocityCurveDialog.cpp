#include "VelocityCurveDialog.h"

#include "CurveView.h"
#include "DialogParts.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace tonwerk::ui {

VelocityCurveDialog::VelocityCurveDialog(const midi::Split& split, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Velocity-Curve"));

    VelocityCurve curve{};
    for (std::size_t i = 0; i < curve.size(); ++i) {
        curve[i] = std::min<std::uint8_t>(split.velocityCurve[i], 127);
    }
    m_view = new CurveView(this);
    m_view->setObjectName(QStringLiteral("curve"));
    m_view->setCurve(curve);
    m_slider = new QSlider(Qt::Vertical, this);
    m_slider->setObjectName(QStringLiteral("slider"));
    m_slider->setRange(0, 128);
    // Position 0 at the top (the loudest end point), as the curve's plot reads.
    m_slider->setInvertedAppearance(true);
    m_slider->setInvertedControls(true);
    m_slider->setPageStep(8);
    m_slider->setAccessibleName(QStringLiteral("Velocity at full strength"));
    showSliderFor(curve);

    auto* graph = new QHBoxLayout;
    graph->addWidget(m_view, 1);
    graph->addWidget(m_slider);

    auto* mode = new QGroupBox(QStringLiteral("Edit"), this);
    m_withSlider = new QRadioButton(QStringLiteral("with &slider"), mode);
    m_withSlider->setObjectName(QStringLiteral("withSlider"));
    m_withMouse = new QRadioButton(QStringLiteral("with &mouse"), mode);
    m_withMouse->setObjectName(QStringLiteral("withMouse"));
    auto* modes = new QHBoxLayout(mode);
    modes->addWidget(m_withSlider);
    modes->addWidget(m_withMouse);
    modes->addStretch();
    const bool mouse = split.curveEditMode == 0;
    (mouse ? m_withMouse : m_withSlider)->setChecked(true);
    m_view->setDrawing(mouse);

    auto* buttons = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(graph, 1);
    layout->addWidget(mode);
    layout->addWidget(buttons);

    connect(m_slider, &QSlider::valueChanged, this, &VelocityCurveDialog::sliderMoved);
    connect(m_withSlider, &QRadioButton::clicked, this, &VelocityCurveDialog::chooseSliderMode);
    connect(m_withMouse, &QRadioButton::clicked, this, &VelocityCurveDialog::chooseMouseMode);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &VelocityCurveDialog::helpRequested);
    m_slider->setFocus();
}

VelocityCurve VelocityCurveDialog::curve() const { return m_view->curve(); }

int VelocityCurveDialog::curveEditMode() const { return m_withMouse->isChecked() ? 0 : 1; }

void VelocityCurveDialog::sliderMoved(int position) {
    VelocityCurve curve = m_view->curve();
    setSliderPosition(curve, position);
    m_view->setCurve(curve);
}

void VelocityCurveDialog::chooseSliderMode() {
    VelocityCurve curve = m_view->curve();
    resetCurveForSlider(curve);
    m_view->setCurve(curve);
    m_view->setDrawing(false);
    showSliderFor(curve);
}

void VelocityCurveDialog::chooseMouseMode() { m_view->setDrawing(true); }

void VelocityCurveDialog::showSliderFor(const VelocityCurve& curve) {
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(sliderPosition(curve));
}

} // namespace tonwerk::ui
