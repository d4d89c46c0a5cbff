#pragma once

#include "DialogParts.h"
#include "midi/Split.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>

#include <array>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tonwerk::session {
class ClipPreviewer;
class Commands;
class Session;
} // namespace tonwerk::session

namespace tonwerk::ui {

class BitmapSlider;
class PictureView;

// The "Video Dialog": a split's clip opened or freed, previewed live in a 320 × 240 monitor with
// its position bar, how it plays (continuously or in steps, step width, looping, tempo), how it is
// mixed over the other clips, and the eight rows of effects and frame ranges its keys play. It
// edits a copy of the split's video block, which the preview shows as it changes; Open AVI... and
// Free AVI act on the split's streams at once. OK hands the copy to the split; Cancel leaves the
// split's block as it was and takes back a clip it loaded into a split that had none. Beyond the
// text, the preview plays either the stored play range or the whole clip, and shows the frame
// numbers. UI thread.
class VideoDialog : public QDialog {
    Q_OBJECT
public:
    // `deckMode` 0 for the screens' Video command, 1 or 2 for a double-click on V 1 or V 2.
    VideoDialog(session::Session& session, int split, int deckMode, ChooseFile chooseFile, QWidget* parent = nullptr);
    ~VideoDialog() override;
    VideoDialog(const VideoDialog&) = delete;
    VideoDialog& operator=(const VideoDialog&) = delete;

    void done(int result) override;

    [[nodiscard]] const midi::VideoBlock& state() const { return m_state; }
    [[nodiscard]] bool clipLoaded() const { return m_clipLoaded; }
    [[nodiscard]] PictureView* monitor() const { return m_monitor; }
    [[nodiscard]] BitmapSlider* positionBar() const { return m_positionBar; }
    [[nodiscard]] QString properties() const;
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }
    // One tick of the preview (the 20 ms timer's work): the next frame when one is due.
    void previewTick();

signals:
    void helpRequested();

private:
    midi::Split& split() const;
    void buildControls();
    void showState();
    void showCaption();
    void enableControls();
    void openClip();
    void freeClip();
    void attachPreview();
    void seek(int frame);
    void setOption(std::int32_t bit, bool on);
    void chooseRowEffect(std::size_t row, int index);
    void requestFrame() { m_frameDue = true; }

    session::Session& m_session;
    session::Commands& m_commands;
    int m_index;
    int m_deckMode;
    ChooseFile m_chooseFile;
    midi::Split m_saved;
    midi::VideoBlock m_state;
    bool m_hadClip;
    bool m_clipLoaded;
    bool m_loadedHere = false;
    bool m_initialiseRows = true;
    bool m_wholeClip = false; // beyond the text: the preview plays the whole clip
    bool m_frameDue = true;
    std::unique_ptr<session::ClipPreviewer> m_preview;
    QTimer m_timer;
    QElapsedTimer m_sinceStep; // since the preview's last 40 ms step

    PictureView* m_monitor = nullptr;
    BitmapSlider* m_positionBar = nullptr;
    QPixmap m_knob;
    QPixmap m_knobAtReset;
    QPixmap m_track;
    QLabel* m_frameText = nullptr;
    QLabel* m_properties = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_reset = nullptr;
    QCheckBox* m_whole = nullptr;
    QRadioButton* m_continuous = nullptr;
    QRadioButton* m_steps = nullptr;
    QSpinBox* m_stepWidth = nullptr;
    QCheckBox* m_looped = nullptr;
    QCheckBox* m_jump = nullptr;
    QCheckBox* m_brightness = nullptr;
    QCheckBox* m_disableEffects = nullptr;
    QSpinBox* m_tempo = nullptr;
    QLabel* m_rootText = nullptr;
    QButtonGroup* m_mixing = nullptr;
    std::array<QCheckBox*, 8> m_rowEnabled{};
    std::array<QSpinBox*, 8> m_rowStart{};
    std::array<QSpinBox*, 8> m_rowEnd{};
    std::array<QComboBox*, 8> m_rowEffect{};
    QPushButton* m_cancel = nullptr;
};

} // namespace tonwerk::ui
