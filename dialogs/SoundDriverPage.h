#pragma once

#include "session/ProgramOptions.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace tonwerk::ui {

// The options page "DirectSound-Driver": the sound output Tonwerk plays through (the primary sound
// driver is the default output of the first audio system that answers), the program-wide tempo and
// wave-loop defaults, and the way to the buffer type. UI thread.
class SoundDriverPage : public QWidget {
    Q_OBJECT
public:
    SoundDriverPage(const session::ProgramOptions& options, const session::DeviceLists& devices,
                    QWidget* parent = nullptr);

    void store(session::ProgramOptions& options) const;

    [[nodiscard]] QComboBox* devices() const { return m_devices; }
    [[nodiscard]] QCheckBox* timestretch() const { return m_timestretch; }
    [[nodiscard]] QCheckBox* noAutoBpm() const { return m_noAutoBpm; }
    [[nodiscard]] QCheckBox* waveLoop() const { return m_waveLoop; }
    [[nodiscard]] QPushButton* bufferType() const { return m_bufferType; }

signals:
    void bufferTypeRequested();

private:
    QComboBox* m_devices = nullptr;
    QCheckBox* m_timestretch = nullptr;
    QCheckBox* m_noAutoBpm = nullptr;
    QCheckBox* m_waveLoop = nullptr;
    QPushButton* m_bufferType = nullptr;
};

} // namespace tonwerk::ui
