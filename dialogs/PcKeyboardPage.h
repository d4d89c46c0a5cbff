#pragma once

#include "session/ProgramOptions.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace tonwerk::ui {

// The options page "PC-Keyboard Settings": the velocity and MIDI-in channel of the PC keyboard's
// notes, its key range, whether it plays, and whether the screen keyboard shows its keys' letters
// (only while it plays; the choice is kept while it does not). UI thread.
class PcKeyboardPage : public QWidget {
    Q_OBJECT
public:
    explicit PcKeyboardPage(const session::ProgramOptions& options, QWidget* parent = nullptr);

    void store(session::ProgramOptions& options) const;

    [[nodiscard]] QSpinBox* velocity() const { return m_velocity; }
    [[nodiscard]] QSpinBox* channel() const { return m_channel; }
    [[nodiscard]] QComboBox* keyRange() const { return m_keyRange; }
    [[nodiscard]] QCheckBox* active() const { return m_active; }
    [[nodiscard]] QCheckBox* inscribe() const { return m_inscribe; }

private:
    QSpinBox* m_velocity = nullptr;
    QSpinBox* m_channel = nullptr;
    QComboBox* m_keyRange = nullptr;
    QCheckBox* m_active = nullptr;
    QCheckBox* m_inscribe = nullptr;
};

} // namespace tonwerk::ui
