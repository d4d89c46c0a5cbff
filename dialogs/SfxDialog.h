#pragma once

#include "SfxSettings.h"
#include "midi/Split.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace tonwerk::ui {

// "SFX Masterkeyboard-Settings": a split's velocity window and offset, its input channel and
// transpose, its performance effects with their parameters, and its comment. It edits a copy;
// `edited()` is the split as OK leaves it, and the caller writes back the fields it shows
// (`kSfxDialogFields`). UI thread.
class SfxDialog : public QDialog {
    Q_OBJECT
public:
    explicit SfxDialog(const midi::Split& split, QWidget* parent = nullptr);

    [[nodiscard]] midi::Split edited() const;
    // The controls' state now.
    [[nodiscard]] SfxSettings settings() const;

    // For tests and the screenshots: the controls by their place.
    enum class Slider { VelOffset, VelMin, VelMax };
    [[nodiscard]] QSlider* slider(Slider which) const { return m_sliders[static_cast<std::size_t>(which)]; }
    [[nodiscard]] QLabel* sliderValue(Slider which) const { return m_values[static_cast<std::size_t>(which)]; }

signals:
    void helpRequested();

private:
    struct GroupControls {
        QCheckBox* active = nullptr;
        QButtonGroup* choices = nullptr;
        std::array<QRadioButton*, 2> radios{};
        QSpinBox* parameter = nullptr; // Note Number and Manner of Playing
    };

    QWidget* makeGroup(GroupControls& group, const QString& title, const QString& first, const QString& second,
                       const QString& objectName);
    void showSettings(const SfxSettings& settings);
    void enableGroups();
    void sliderMoved(Slider which, int position);
    void showVelocities();

    midi::Split m_split;          // the copy: velocities, input channel and transpose move here
    std::string m_openingComment; // what Reset gives back
    std::array<QSlider*, 3> m_sliders{};
    std::array<QLabel*, 3> m_values{};
    QSpinBox* m_midiIn = nullptr;
    QSpinBox* m_transpose = nullptr;
    GroupControls m_monophony;
    GroupControls m_sustainPedal;
    GroupControls m_noteNumber;
    GroupControls m_mannerOfPlaying;
    QCheckBox* m_constantPitch = nullptr;
    QCheckBox* m_noteToController = nullptr;
    QCheckBox* m_velocityToController = nullptr;
    QSpinBox* m_noteTarget = nullptr;
    QSpinBox* m_velocityTarget = nullptr;
    QCheckBox* m_controllerThru = nullptr;
    QCheckBox* m_pitchwheelThru = nullptr;
    QCheckBox* m_aftertouchThru = nullptr;
    QLineEdit* m_comment = nullptr;
    QCheckBox* m_showComment = nullptr;
};

// The split fields the SFX dialog's OK writes back.
inline constexpr std::array<const char*, 16> kSfxDialogFields = {
    "velocityOffset",   "velocityMin",   "velocityMax", "midiInChannel",  "transpose",       "sfxFlags",
    "noteInterval",     "playingLimit",  "noteTarget",  "velocityTarget", "monophonyActive", "pedalFilterActive",
    "noteNumberActive", "playingActive", "showComment", "comment"};

} // namespace tonwerk::ui
