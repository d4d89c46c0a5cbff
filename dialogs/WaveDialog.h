#pragma once

#include "DialogParts.h"
#include "midi/Split.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace tonwerk::session {
class Commands;
class Session;
} // namespace tonwerk::session

namespace tonwerk::ui {

class KeyboardPicture;
class WaveformView;

// The "Wave Dialog" of the DJ and Rock screens, and its Master-screen variant with a keyboard
// picture for the root note: the split's sample loaded, freed and heard, its volume, pan,
// frequency and release, its mode, trigger, loop and tempo choices, and where a sounding voice
// is. Every change goes into the split at once (the performer hears it while the dialog is open);
// Cancel puts the split back as it was when the dialog opened, with its sample. A picture of the
// sample (both channels, the loop shaded) stands above the controls. UI thread.
class WaveDialog : public QDialog {
    Q_OBJECT
public:
    enum class Variant { Plain, Master };
    using ChooseFile = ui::ChooseFile;

    WaveDialog(session::Session& session, int split, Variant variant, ChooseFile chooseFile, QWidget* parent = nullptr);
    ~WaveDialog() override;
    WaveDialog(const WaveDialog&) = delete;
    WaveDialog& operator=(const WaveDialog&) = delete;

    void done(int result) override;

    // For tests and the screenshots.
    enum class Slider { Frequency, Volume, Pan, Release };
    [[nodiscard]] QSlider* slider(Slider which) const;
    [[nodiscard]] QPushButton* loadButton() const { return m_load; }
    [[nodiscard]] QPushButton* freeButton() const { return m_free; }
    [[nodiscard]] QPushButton* playButton() const { return m_play; }
    [[nodiscard]] QPushButton* stopButton() const { return m_stop; }
    [[nodiscard]] KeyboardPicture* keyboard() const { return m_keyboard; }
    [[nodiscard]] WaveformView* waveform() const { return m_waveform; }
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QString missingText() const;
    // The voice the dialog plays now, or -1.
    [[nodiscard]] int voice() const { return m_voice; }
    // One 50 ms step of the position display (the timer's work).
    void showPosition();

private:
    midi::Split& split() const;
    void buildControls();
    void showSplit();
    void showSampleInfo();
    void showOutline();
    void showModeControls();
    void setField(const char* name, long long value);
    void setFlags(std::int32_t set, std::int32_t clear);
    void loadSample();
    void freeSample();
    void play(int key);
    void stop();
    void chooseMode(midi::SampleMode mode);
    void stepTempo(int step);

    session::Session& m_session;
    session::Commands& m_commands;
    int m_index;
    Variant m_variant;
    ChooseFile m_chooseFile;
    midi::Split m_saved; // the split as it was when the dialog opened
    bool m_sampleChanged = false;
    int m_voice = -1;
    QTimer m_timer;

    WaveformView* m_waveform = nullptr;
    QLabel* m_device = nullptr;
    QLabel* m_bufferType = nullptr;
    QLabel* m_format = nullptr;
    QLabel* m_deviceStatus = nullptr;
    QLabel* m_missing = nullptr;
    QSlider* m_frequency = nullptr;
    QSlider* m_volume = nullptr;
    QSlider* m_pan = nullptr;
    QSlider* m_release = nullptr;
    QLabel* m_frequencyText = nullptr;
    QLabel* m_volumeText = nullptr;
    QLabel* m_panText = nullptr;
    QLabel* m_releaseText = nullptr;
    QLabel* m_duration = nullptr;
    QLabel* m_position = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_rootText = nullptr;
    QLabel* m_actualNote = nullptr;
    KeyboardPicture* m_keyboard = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_free = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_stop = nullptr;
    QRadioButton* m_sync = nullptr;
    QRadioButton* m_oneShot = nullptr;
    QRadioButton* m_tuned = nullptr;
    QCheckBox* m_looped = nullptr;
    QCheckBox* m_keyTrigger = nullptr;
    QCheckBox* m_mouseTrigger = nullptr;
    QLabel* m_loopTempo = nullptr;
    QPushButton* m_tempoDown = nullptr;
    QPushButton* m_tempoUp = nullptr;
    QCheckBox* m_timestretch = nullptr;
    QCheckBox* m_noAutoBpm = nullptr;
    QLabel* m_songState = nullptr;
};

} // namespace tonwerk::ui
