#include "dialogs/SfxDialog.h"
#include "dialogs/SfxSettings.h"
#include "screens/ScreenCommands.h"
#include "support/ScreenRig.h"
#include "support/SplitBytes.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using namespace tonwerk;
using ui::SfxDialog;
namespace Sfx = midi::Sfx;

namespace {

midi::Split freshSplit() {
    midi::Split split{};
    midi::resetSplit(split, 0, 4, 4);
    return split;
}

// An inactive group keeps its choice but contributes no bit; switching the note-number group off
// gives no interval; the conversions always go; everything else of the flags stays.
TEST(SfxSettings, OkBuildsTheFlagsFromActiveGroupsOnly) {
    midi::Split split = freshSplit();
    split.sfxFlags = Sfx::kMonoHighest | Sfx::kControllerConvert | Sfx::kPressureConvert | Sfx::kPitchConvert |
                     Sfx::kControllerCurve | Sfx::kNoteCurve;
    split.monophonyActive = 0;
    ui::SfxSettings s = ui::sfxSettingsOf(split);
    EXPECT_FALSE(s.monophony.active);
    EXPECT_EQ(s.monophony.choice, 1);
    ui::applySfxSettings(s, split);
    EXPECT_EQ(split.sfxFlags, Sfx::kControllerCurve | Sfx::kNoteCurve);

    s.noteNumber = {true, 1};
    s.noteInterval = 5;
    ui::applySfxSettings(s, split);
    EXPECT_EQ(split.sfxFlags & Sfx::kNoteNumber, Sfx::kNthNoteNot);
    EXPECT_EQ(split.noteInterval, 5);
    EXPECT_EQ(split.noteNumberActive, 1);
    s.noteNumber.active = false;
    ui::applySfxSettings(s, split);
    EXPECT_EQ(split.sfxFlags & Sfx::kNoteNumber, 0U);
    EXPECT_EQ(split.noteInterval, -1);

    // A playing limit is taken only while its group is on.
    split.playingLimit = 3;
    s.playingLimit = 7;
    ui::applySfxSettings(s, split);
    EXPECT_EQ(split.playingLimit, 3);
    s.mannerOfPlaying = {true, 0};
    ui::applySfxSettings(s, split);
    EXPECT_EQ(split.playingLimit, 7);
    EXPECT_EQ(split.sfxFlags & Sfx::kMannerOfPlaying, Sfx::kStaccato);
}

TEST(SfxSettings, CommentIsCutAtNineteenBytesOnACharacter) {
    EXPECT_EQ(ui::storedComment("Twenty-five characters!!!"), "Twenty-five charact");
    EXPECT_EQ(ui::storedComment("short"), "short");
    // "ü" is two bytes; the 19th byte would split it.
    const std::string umlauts = "aaaaaaaaaaaaaaaaaa\xc3\xbc";
    EXPECT_EQ(ui::storedComment(umlauts), "aaaaaaaaaaaaaaaaaa");
    midi::Split split = freshSplit();
    ui::SfxSettings s = ui::sfxSettingsOf(split);
    s.comment = "Twenty-five characters!!!";
    ui::applySfxSettings(s, split);
    EXPECT_EQ(midi::fieldText(split.comment), "Twenty-five charact");
}

// Over random records: what the dialog shows and OK writes back keeps every bit OK does not own,
// keeps a group's bit only while the group is on (the first of two bits when both were set), and
// never passes a field's range.
TEST(SfxSettings, RoundTripOverRandomRecords) {
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        midi::Split split = freshSplit();
        split.sfxFlags = random();
        split.monophonyActive = static_cast<std::int32_t>(random() % 3);
        split.pedalFilterActive = static_cast<std::int32_t>(random() % 2);
        split.noteNumberActive = static_cast<std::int32_t>(random() % 2);
        split.playingActive = static_cast<std::int32_t>(random() % 2);
        split.noteInterval = static_cast<std::int32_t>(random() % 40) - 10;
        split.noteTarget = static_cast<std::uint8_t>(random());
        const midi::Split before = split;
        ui::applySfxSettings(ui::sfxSettingsOf(split), split);
        const std::uint32_t owned = Sfx::kMono | Sfx::kPedalUpOnly | Sfx::kPedalDownOnly | Sfx::kNoteNumber |
                                    Sfx::kMannerOfPlaying | Sfx::kControllerConvert | Sfx::kPressureConvert |
                                    Sfx::kPitchConvert;
        EXPECT_EQ(split.sfxFlags & ~owned, before.sfxFlags & ~owned);
        const auto groupBits = [&](std::int32_t active, std::uint32_t first, std::uint32_t second) {
            if (active == 0) {
                return 0U;
            }
            return (before.sfxFlags & first) != 0 ? first : (before.sfxFlags & second);
        };
        EXPECT_EQ(split.sfxFlags & Sfx::kMono, groupBits(before.monophonyActive, Sfx::kMonoLowest, Sfx::kMonoHighest));
        EXPECT_EQ(split.sfxFlags & Sfx::kNoteNumber,
                  groupBits(before.noteNumberActive, Sfx::kNthNoteOnly, Sfx::kNthNoteNot));
        EXPECT_EQ(split.sfxFlags & (Sfx::kControllerConvert | Sfx::kPressureConvert | Sfx::kPitchConvert), 0U);
        EXPECT_TRUE(split.noteInterval == -1 || (split.noteInterval >= 2 && split.noteInterval <= 16));
        EXPECT_GE(split.noteTarget, 1);
        EXPECT_LE(split.noteTarget, 127);
    }
}

// The dialog shows an inactive group's choice, disabled; values beyond the controls are shown at
// their ends and stay in the split until their control moves.
TEST(SfxDialog, ShowsTheSplitAndHostileValuesClamped) {
    midi::Split split = freshSplit();
    split.sfxFlags = Sfx::kMonoHighest | Sfx::kConstantPitch;
    split.velocityOffset = 1000;
    split.midiInChannel = 40;
    split.transpose = -500;
    split.noteInterval = 99;
    SfxDialog dialog(split);
    auto* highest = dialog.findChild<QRadioButton*>(QStringLiteral("monophony1"));
    EXPECT_TRUE(highest->isChecked());
    EXPECT_FALSE(highest->isEnabled());
    EXPECT_TRUE(dialog.findChild<QCheckBox*>(QStringLiteral("constantPitch"))->isChecked());
    EXPECT_EQ(dialog.sliderValue(SfxDialog::Slider::VelOffset)->text(), QStringLiteral("123"));
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("midiIn"))->value(), 16);
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("transpose"))->value(), -60);
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("noteInterval"))->value(), 16);
    const midi::Split edited = dialog.edited();
    EXPECT_EQ(edited.velocityOffset, 1000);
    EXPECT_EQ(edited.midiInChannel, 40);
    EXPECT_EQ(edited.transpose, -500);
    EXPECT_EQ(edited.sfxFlags, Sfx::kConstantPitch) << "the inactive group's bit goes";

    // Activating the group enables its choices.
    dialog.findChild<QCheckBox*>(QStringLiteral("monophonyActive"))->setChecked(true);
    EXPECT_TRUE(highest->isEnabled());
    EXPECT_EQ(dialog.edited().sfxFlags, Sfx::kConstantPitch | Sfx::kMonoHighest);
}

TEST(SfxDialog, VelocityWindowAndReset) {
    midi::Split split = freshSplit();
    midi::setFieldText(split.comment, "Strings");
    SfxDialog dialog(split);
    QSlider* low = dialog.slider(SfxDialog::Slider::VelMin);
    QSlider* high = dialog.slider(SfxDialog::Slider::VelMax);
    high->setValue(127 - 50);
    EXPECT_EQ(dialog.edited().velocityMax, 50);
    low->setValue(127 - 30);
    EXPECT_EQ(dialog.edited().velocityMin, 30);
    low->setValue(127 - 90); // above the maximum: refused
    EXPECT_EQ(dialog.edited().velocityMin, 30);
    EXPECT_EQ(low->value(), 127 - 50) << "the slider stands at the maximum's place";
    high->setValue(127 - 10); // below the minimum: refused
    EXPECT_EQ(dialog.edited().velocityMax, 50);
    EXPECT_EQ(high->value(), 127 - 30);
    dialog.slider(SfxDialog::Slider::VelOffset)->setValue(245);
    EXPECT_EQ(dialog.edited().velocityOffset, -122);
    EXPECT_EQ(dialog.sliderValue(SfxDialog::Slider::VelOffset)->text(), QStringLiteral("-122"));

    dialog.findChild<QCheckBox*>(QStringLiteral("sustainPedalActive"))->setChecked(true);
    dialog.findChild<QRadioButton*>(QStringLiteral("sustainPedal0"))->setChecked(true);
    dialog.findChild<QCheckBox*>(QStringLiteral("pitchwheelThru"))->setChecked(true);
    dialog.findChild<QLineEdit*>(QStringLiteral("comment"))->setText(QStringLiteral("Brass"));
    dialog.findChild<QPushButton*>(QStringLiteral("reset"))->click();
    const midi::Split reset = dialog.edited();
    EXPECT_EQ(reset.sfxFlags & (Sfx::kPedalUpOnly | Sfx::kPitchThru), 0U);
    EXPECT_EQ(reset.pedalFilterActive, 0);
    EXPECT_EQ(midi::fieldText(reset.comment), "Strings");
    EXPECT_FALSE(dialog.findChild<QRadioButton*>(QStringLiteral("sustainPedal0"))->isChecked());
    EXPECT_EQ(reset.velocityOffset, -122) << "Reset leaves the velocities";
}

// SFX on a screen: OK writes only the fields it changed, Cancel nothing; Return is OK and Escape
// Cancel with the focus where the dialog puts it.
TEST(SfxDialog, OnTheScreenOkWritesWhatChanged) {
    test::ScreenRig rig;
    rig.session->commands().selectSplit(6);
    const midi::Split before = rig.session->performance().split(6);
    bool accept = false;
    ui::ScreenHost host;
    host.runDialog = [&](QDialog& dialog) {
        auto* sfx = qobject_cast<SfxDialog*>(&dialog);
        EXPECT_NE(sfx, nullptr);
        sfx->findChild<QSpinBox*>(QStringLiteral("transpose"))->setValue(12);
        sfx->findChild<QCheckBox*>(QStringLiteral("controllerThru"))->setChecked(true);
        sfx->findChild<QLineEdit*>(QStringLiteral("comment"))->setText(QStringLiteral("Lead"));
        return accept ? QDialog::Accepted : QDialog::Rejected;
    };
    auto screen = rig.open(midi::ScreenKind::Master, host);
    screen->command(ui::CommandId::kSfxDialog);
    EXPECT_TRUE(test::changedFields(before, rig.session->performance().split(6)).empty());
    accept = true;
    screen->command(ui::CommandId::kSfxDialog);
    const midi::Split& after = rig.session->performance().split(6);
    EXPECT_EQ(test::changedFields(before, after),
              (std::vector<std::string>{"transpose", "sfxFlags", "comment", "noteInterval"}));
    EXPECT_EQ(after.transpose, 12);
    EXPECT_EQ(after.sfxFlags, before.sfxFlags | Sfx::kControllerThru);
    EXPECT_EQ(after.noteInterval, -1);
    EXPECT_EQ(midi::fieldText(after.comment), "Lead");
    rig.close();

    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        SfxDialog dialog(before);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* push = qobject_cast<QPushButton*>(QApplication::focusWidget());
        EXPECT_TRUE(push == nullptr || push->isDefault());
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
        EXPECT_EQ(dialog.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    }
}

} // namespace
