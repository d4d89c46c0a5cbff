#include "MidiSettingsPage.h"

#include "core/ErrorReporting.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace tonwerk::ui {

namespace {

// Port names are shown as the MIDI system gives them, up to 64 characters.
QString portName(const std::string& name) { return QString::fromStdString(name).left(64); }

} // namespace

MidiSettingsPage::MidiSettingsPage(const session::ProgramOptions& options, const session::DeviceLists& devices,
                                   core::Notifier& notifier, QWidget* parent)
    : QWidget(parent), m_notifier(notifier), m_input(options.midiIn), m_output(options.midiOut) {
    m_inputs = new QComboBox(this);
    m_inputs->setObjectName(QStringLiteral("midiIn"));
    for (const std::string& name : devices.midiInputs) {
        m_inputs->addItem(portName(name));
    }
    m_inputs->setCurrentIndex(options.midiIn < m_inputs->count() ? options.midiIn : -1);
    m_outputs = new QComboBox(this);
    m_outputs->setObjectName(QStringLiteral("midiOut"));
    for (const std::string& name : devices.midiOutputs) {
        m_outputs->addItem(portName(name));
    }
    m_outputs->setCurrentIndex(options.midiOut < m_outputs->count() ? options.midiOut : -1);
    for (QComboBox* list : {m_inputs, m_outputs}) {
        list->setMinimumContentsLength(28);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }

    auto* group = new QGroupBox(QStringLiteral("MIDI devices"), this);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("MIDI-In device"), m_inputs);
    form->addRow(QStringLiteral("MIDI-Out device"), m_outputs);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(m_inputs, &QComboBox::currentIndexChanged, this, [this](int row) { m_input = row; });
    connect(m_outputs, &QComboBox::currentIndexChanged, this, &MidiSettingsPage::outputChosen);
}

void MidiSettingsPage::outputChosen(int row) {
    if (row < 0) {
        core::showMessage(m_notifier, 8305, core::MessageKind::Error);
        return; // the output chosen before stays
    }
    m_output = row;
}

void MidiSettingsPage::store(session::ProgramOptions& options) const {
    options.midiIn = m_input;
    options.midiOut = m_output;
}

} // namespace tonwerk::ui
