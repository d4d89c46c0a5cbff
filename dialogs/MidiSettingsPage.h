#pragma once

#include "session/ProgramOptions.h"

#include <QWidget>

class QComboBox;

namespace tonwerk::core {
class Notifier;
}

namespace tonwerk::ui {

// The options page "MIDI-Settings": the MIDI input and output device, by name. An output choice
// that selects nothing says "Selection error!" and keeps the output chosen before. UI thread.
class MidiSettingsPage : public QWidget {
    Q_OBJECT
public:
    MidiSettingsPage(const session::ProgramOptions& options, const session::DeviceLists& devices,
                     core::Notifier& notifier, QWidget* parent = nullptr);

    void store(session::ProgramOptions& options) const;

    [[nodiscard]] QComboBox* inputs() const { return m_inputs; }
    [[nodiscard]] QComboBox* outputs() const { return m_outputs; }

private:
    void outputChosen(int row);

    core::Notifier& m_notifier;
    QComboBox* m_inputs = nullptr;
    QComboBox* m_outputs = nullptr;
    int m_input = -1;
    int m_output = -1;
};

} // namespace tonwerk::ui
