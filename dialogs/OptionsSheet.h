#pragma once

#include "session/ProgramOptions.h"

#include <QDialog>

class QTabWidget;

namespace tonwerk::core {
class Notifier;
}

namespace tonwerk::ui {

class MidiSettingsPage;
class OtherOptionsPage;
class PcKeyboardPage;
class SoundDriverPage;

// "Property Sheet", the Options command's sheet: the pages "Other Options", "MIDI-Settings",
// "PC-Keyboard Settings" and "DirectSound-Driver" over a copy of the program-wide options. OK
// hands the pages' values back (`options()`); the caller applies them. UI thread.
class OptionsSheet : public QDialog {
    Q_OBJECT
public:
    OptionsSheet(const session::ProgramOptions& options, const session::DeviceLists& devices, core::Notifier& notifier,
                 QWidget* parent = nullptr);

    // The values the pages show now.
    [[nodiscard]] session::ProgramOptions options() const;

    [[nodiscard]] QTabWidget* pages() const { return m_pages; }
    [[nodiscard]] OtherOptionsPage* otherOptions() const { return m_other; }
    [[nodiscard]] MidiSettingsPage* midiSettings() const { return m_midi; }
    [[nodiscard]] PcKeyboardPage* pcKeyboard() const { return m_keyboard; }
    [[nodiscard]] SoundDriverPage* soundDriver() const { return m_sound; }

signals:
    void helpRequested();
    // The sound page's "Buffer-Type..." button.
    void bufferTypeRequested();

private:
    session::ProgramOptions m_start;
    QTabWidget* m_pages = nullptr;
    OtherOptionsPage* m_other = nullptr;
    MidiSettingsPage* m_midi = nullptr;
    PcKeyboardPage* m_keyboard = nullptr;
    SoundDriverPage* m_sound = nullptr;
};

} // namespace tonwerk::ui
