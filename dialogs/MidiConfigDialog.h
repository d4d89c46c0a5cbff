#pragma once

#include "midi/Split.h"

#include <QDialog>

class QListWidget;
class QSpinBox;

namespace tonwerk::core {
class Notifier;
}

namespace tonwerk::ui {

// "MIDI-Configuration": a split's program (by its General MIDI name), bank and output channel.
// Choosing a program for a sample or clip split says once that its sample or clip goes, and
// `programChosen()` asks the caller to make it a MIDI split. It edits a copy; the caller writes the
// values on OK and sends the split's program change after OK and Cancel alike. UI thread.
class MidiConfigDialog : public QDialog {
    Q_OBJECT
public:
    MidiConfigDialog(const midi::Split& split, core::Notifier& notifier, QWidget* parent = nullptr);

    [[nodiscard]] int program() const;
    // The bank as shown (0-127), or the split's own value while the performer has not touched
    // the field (-30000, "none chosen", stays so).
    [[nodiscard]] int bank() const;
    // 0-15.
    [[nodiscard]] int midiOutChannel() const;
    // The program list was changed at least once.
    [[nodiscard]] bool programChosen() const { return m_programChosen; }

    [[nodiscard]] QListWidget* programs() const { return m_programs; }
    [[nodiscard]] QSpinBox* bankField() const { return m_bank; }
    [[nodiscard]] QSpinBox* channelField() const { return m_channel; }

signals:
    void helpRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void programChanged();

    core::Notifier& m_notifier;
    midi::SplitTask m_task;
    int m_storedBank;
    bool m_bankTouched = false;
    bool m_programChosen = false;
    QListWidget* m_programs = nullptr;
    QSpinBox* m_bank = nullptr;
    QSpinBox* m_channel = nullptr;
};

} // namespace tonwerk::ui
