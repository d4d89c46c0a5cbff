// The options sheet and the buffer-type dialog: what they show, what OK and Cancel hand back, and
// the Options command on a screen applying the result to the session at once.
#include "dialogs/OptionsSheet.h"
#include "dialogs/BufferTypeDialog.h"
#include "dialogs/MidiSettingsPage.h"
#include "dialogs/OtherOptionsPage.h"
#include "dialogs/PcKeyboardPage.h"
#include "dialogs/SoundDriverPage.h"
#include "midi/PcKeyboard.h"
#include "screens/ScreenCommands.h"
#include "screens/controls/OnScreenKeyboard.h"
#include "support/ScreenRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tonwerk;

namespace {

session::DeviceLists someDevices() {
    session::DeviceLists d;
    d.midiInputs = {"Keystation:in", "Drum Pads:in"};
    d.midiOutputs = {session::kOwnMidiOutput, "Synth:out"};
    d.soundDevices = {session::kPrimarySoundDriver, "jack: system"};
    d.soundIds = {{}, {}};
    d.soundIds[1].fill(7);
    return d;
}

TEST(OptionsSheet, PagesShowTheOptionsAndOkHandsBackTheEdits) {
    test::RecordingNotifier notifier;
    session::ProgramOptions start;
    start.midiIn = 1;
    start.midiOut = 0;
    start.keyboardChannel = 3;
    start.keyboardVelocity = 90;
    start.keyboardRange = 4;
    start.pcKeyboardActive = false;
    start.keyboardLabels = true;
    start.soundDevice = 1;
    start.noAutoBpm = true;
    ui::OptionsSheet sheet(start, someDevices(), notifier);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Property Sheet"));
    ASSERT_EQ(sheet.pages()->count(), 4);
    EXPECT_EQ(sheet.pages()->tabText(0), QStringLiteral("Other Options"));
    EXPECT_EQ(sheet.pages()->tabText(1), QStringLiteral("MIDI-Settings"));
    EXPECT_EQ(sheet.pages()->tabText(2), QStringLiteral("PC-Keyboard Settings"));
    EXPECT_EQ(sheet.pages()->tabText(3), QStringLiteral("DirectSound-Driver"));
    EXPECT_EQ(sheet.options(), start) << "opening changes nothing";

    ui::PcKeyboardPage* keys = sheet.pcKeyboard();
    EXPECT_EQ(keys->channel()->value(), 4);
    EXPECT_EQ(keys->keyRange()->count(), 6);
    EXPECT_EQ(keys->keyRange()->currentText(), QStringLiteral("C4-C6"));
    // "inscribe" is off while the PC keyboard is, and keeps its value; it follows "active".
    EXPECT_FALSE(keys->inscribe()->isEnabled());
    EXPECT_TRUE(keys->inscribe()->isChecked());
    keys->active()->click();
    EXPECT_TRUE(keys->inscribe()->isEnabled());
    keys->inscribe()->click();
    keys->active()->click();
    EXPECT_FALSE(keys->inscribe()->isEnabled());
    keys->channel()->setValue(16);
    keys->velocity()->setValue(200); // the spin ends at 127

    sheet.otherOptions()->performanceDisplay()->click();
    sheet.midiSettings()->inputs()->setCurrentIndex(0);
    sheet.midiSettings()->outputs()->setCurrentIndex(1);
    sheet.soundDriver()->devices()->setCurrentIndex(0);
    sheet.soundDriver()->waveLoop()->click();

    const session::ProgramOptions edited = sheet.options();
    EXPECT_EQ(edited.keyboardChannel, 15) << "channel 16 is stored as 15";
    EXPECT_EQ(edited.keyboardVelocity, 127);
    EXPECT_FALSE(edited.pcKeyboardActive);
    EXPECT_FALSE(edited.keyboardLabels);
    EXPECT_TRUE(edited.performanceDisplay);
    EXPECT_EQ(edited.midiIn, 0);
    EXPECT_EQ(edited.midiOut, 1);
    EXPECT_EQ(edited.soundDevice, 0);
    EXPECT_TRUE(edited.useWaveLoop);
    EXPECT_TRUE(edited.noAutoBpm);

    // An output list left without a selection says so and keeps the output chosen before.
    sheet.midiSettings()->outputs()->setCurrentIndex(-1);
    ASSERT_EQ(notifier.shown().size(), 1U);
    EXPECT_EQ(notifier.shown().front().request.text, "Selection error!");
    EXPECT_EQ(sheet.options().midiOut, 1);

    // Return is OK, and no other push button takes it.
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_FALSE(sheet.soundDriver()->bufferType()->autoDefault());
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
}

TEST(BufferTypeDialog, SelectsTheCurrentFormatAndAppliesTheChosenOne) {
    std::vector<int> applied;
    bool succeed = false;
    ui::BufferTypeDialog dialog(11, [&](int index) {
        applied.push_back(index);
        return succeed;
    });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("DirectSound Buffer-Type"));
    ASSERT_EQ(dialog.formats()->count(), 16);
    EXPECT_EQ(dialog.formats()->currentRow(), 11);
    EXPECT_EQ(dialog.formats()->item(11)->text(), QStringLiteral("22,050 kHz, 16-Bit, Stereo"));

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.formats()->setCurrentRow(5);
    auto* apply = dialog.findChild<QPushButton*>(QStringLiteral("apply"));
    ASSERT_NE(apply, nullptr);
    apply->click();
    EXPECT_EQ(applied, std::vector<int>{5});
    EXPECT_TRUE(dialog.isVisible()) << "Apply keeps the dialog open";
    // A double-click applies too; OK that is refused stays open, OK that works closes.
    const QRect row = dialog.formats()->visualItemRect(dialog.formats()->item(6));
    QTest::mouseClick(dialog.formats()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(dialog.formats()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(applied.back(), 6);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    succeed = true;
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(applied.size(), 4U);

    // A format that is not one of the 16 selects nothing; OK then applies nothing and stays.
    ui::BufferTypeDialog none(std::nullopt, [&](int index) {
        applied.push_back(index);
        return true;
    });
    EXPECT_EQ(none.formats()->currentRow(), -1);
    none.show();
    none.accept();
    EXPECT_TRUE(none.isVisible());
    EXPECT_EQ(applied.size(), 4U);
}

// The File menu's Options on a screen: the sheet opens on the session's settings, OK applies
// them to the engines and the screen at once, Cancel changes nothing.
TEST(OptionsSheet, TheOptionsCommandAppliesTheSheetAtOnce) {
    test::ScreenRig rig;
    rig.session->settings().keyboardLabels = 1;
    rig.session->settings().pcKeyboardActive = 1;
    rig.settings = rig.session->settings();
    std::function<void(ui::OptionsSheet&)> edit;
    int answer = QDialog::Accepted;
    int opened = 0;
    ui::ScreenHost host;
    host.runDialog = [&](QDialog& dialog) {
        if (auto* sheet = qobject_cast<ui::OptionsSheet*>(&dialog)) {
            ++opened;
            edit(*sheet);
        }
        return answer;
    };
    auto screen = rig.open(midi::ScreenKind::Master, host);
    auto* keyboard = screen->findChild<ui::OnScreenKeyboard*>();
    ASSERT_NE(keyboard, nullptr);
    EXPECT_FALSE(keyboard->keyLabels().isEmpty());

    const core::Settings before = rig.session->settings();
    answer = QDialog::Rejected;
    edit = [](ui::OptionsSheet& sheet) {
        sheet.pcKeyboard()->velocity()->setValue(12);
        sheet.otherOptions()->markNotes()->click();
    };
    screen->command(ui::CommandId::kOptions);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(rig.session->settings(), before) << "Cancel leaves every setting unchanged";

    answer = QDialog::Accepted;
    edit = [](ui::OptionsSheet& sheet) {
        sheet.pcKeyboard()->velocity()->setValue(12);
        sheet.pcKeyboard()->channel()->setValue(10);
        sheet.pcKeyboard()->keyRange()->setCurrentIndex(3);
        sheet.pcKeyboard()->inscribe()->click();
        sheet.otherOptions()->performanceDisplay()->click();
        sheet.soundDriver()->timestretch()->click();
    };
    screen->command(ui::CommandId::kOptions);
    const core::Settings& after = rig.session->settings();
    EXPECT_EQ(after.keyboardVelocity, 12);
    EXPECT_EQ(after.keyboardMidiInChannel, 9);
    EXPECT_EQ(after.keyboardOctave, 3);
    EXPECT_EQ(after.keyboardLabels, 0);
    EXPECT_EQ(after.performanceDisplay, 1);
    EXPECT_NE(after.bpmFlags & midi::SampleFlag::kTimestretch, 0);
    EXPECT_EQ(rig.session->pcKeyboard().settings().channel, 9);
    EXPECT_EQ(rig.session->pcKeyboard().settings().octave, 3);
    EXPECT_EQ(rig.session->performance().options().keyboardVelocity, 12);
    EXPECT_TRUE(keyboard->keyLabels().isEmpty()) << "the screen keyboard is no longer inscribed";
    // The screen's own copy, written to the settings file when it closes, holds the same.
    EXPECT_EQ(screen->settings().keyboardVelocity, 12);
    EXPECT_EQ(screen->settings().keyboardOctave, 3);
    EXPECT_EQ(screen->settings().performanceDisplay, 1);

    // The load report shows in the caption while the option is on; switched off, the caption is
    // the program's own again.
    screen->loadReport(" ORVAN Tonwerk  CPU-Usage: 3 % ALL ( 1 % Video 2 % Sound ) 0 Voices playing");
    EXPECT_TRUE(screen->windowTitle().contains(QStringLiteral("CPU-Usage")));
    edit = [](ui::OptionsSheet& sheet) { sheet.otherOptions()->performanceDisplay()->click(); };
    screen->command(ui::CommandId::kOptions);
    EXPECT_EQ(rig.session->settings().performanceDisplay, 0);
    EXPECT_FALSE(screen->windowTitle().contains(QStringLiteral("CPU-Usage")));
    screen->loadReport(" ORVAN Tonwerk  CPU-Usage: late");
    EXPECT_FALSE(screen->windowTitle().contains(QStringLiteral("CPU-Usage")));
    EXPECT_TRUE(rig.notifier.shown().empty());
    rig.close();
}

} // namespace
