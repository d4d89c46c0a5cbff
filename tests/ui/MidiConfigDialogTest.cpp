#include "dialogs/MidiConfigDialog.h"
#include "dialogs/AboutDialog.h"
#include "screens/ScreenCommands.h"
#include "support/ScreenRig.h"
#include "support/SplitBytes.h"

#include "audio/WaveBuilder.h"
#include "video/ClipMaker.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace tonwerk;

namespace {

void writeWave(const std::filesystem::path& path) {
    test::WaveBuilder wave;
    for (int i = 0; i < 4410; ++i) {
        wave.words({static_cast<std::int16_t>(3000 * std::sin(i * 0.05))});
    }
    const auto bytes = wave.bytes();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The program changes the session sent, as (channel, program).
std::vector<std::pair<int, int>> programChanges(const test::RecordingMidiOutput& output) {
    std::vector<std::pair<int, int>> changes;
    for (const midi::ShortMessage m : output.sent()) {
        if ((m & 0xF0) == 0xC0) {
            changes.emplace_back(static_cast<int>(m & 0x0F), static_cast<int>((m >> 8) & 0x7F));
        }
    }
    return changes;
}

// The dialog run by the screen, driven by `drive`, and answered with OK or Cancel.
struct Drive {
    std::function<void(ui::MidiConfigDialog&)> edit;
    bool accept = true;
};

ui::ScreenHost hostFor(Drive& drive) {
    ui::ScreenHost host;
    host.runDialog = [&drive](QDialog& dialog) {
        auto* midiDialog = qobject_cast<ui::MidiConfigDialog*>(&dialog);
        EXPECT_NE(midiDialog, nullptr);
        if (midiDialog != nullptr && drive.edit) {
            drive.edit(*midiDialog);
        }
        return drive.accept ? QDialog::Accepted : QDialog::Rejected;
    };
    return host;
}

// A sample split: OK without touching the list keeps it a sample split and writes nothing it did
// not show; a program chosen says once that the sample goes, and OK makes it a MIDI split on keys
// 24-96. The program change follows every time.
TEST(MidiConfigDialog, SampleSplitBecomesMidiOnlyWhenAProgramIsChosen) {
    test::ScreenRig rig;
    writeWave(rig.dir / "hit.wav");
    ASSERT_TRUE(rig.session->commands().assignSample(2, rig.dir / "hit.wav"));
    rig.session->commands().selectSplit(2);
    Drive drive;
    auto screen = rig.open(midi::ScreenKind::Master, hostFor(drive));
    const midi::Split before = rig.session->performance().split(2);
    ASSERT_EQ(before.bank, -30000);

    rig.output.clear();
    screen->command(ui::CommandId::kMidiDialog);
    EXPECT_TRUE(test::changedFields(before, rig.session->performance().split(2)).empty())
        << "the bank stays unset while its field is not touched";
    EXPECT_EQ(programChanges(rig.output), (std::vector<std::pair<int, int>>{{2, 0}}));

    const auto messages = rig.notifier.count();
    drive.edit = [](ui::MidiConfigDialog& dialog) {
        dialog.programs()->setCurrentRow(33);
        dialog.programs()->setCurrentRow(38); // a second change says nothing more
        dialog.channelField()->setValue(10);
        dialog.bankField()->setValue(5);
    };
    rig.output.clear();
    screen->command(ui::CommandId::kMidiDialog);
    ASSERT_EQ(rig.notifier.count(), messages + 1);
    EXPECT_EQ(rig.notifier.shown().back().request.text, "Sample in split was removed!");
    const midi::Split& after = rig.session->performance().split(2);
    EXPECT_EQ(after.taskKind(), midi::SplitTask::Midi);
    EXPECT_EQ(after.program, 38);
    EXPECT_EQ(after.bank, 5);
    EXPECT_EQ(after.midiOutChannel, 9);
    EXPECT_EQ(after.keyLow, 24);
    EXPECT_EQ(after.keyHigh, 96);
    EXPECT_EQ(after.sampleModeKind(), midi::SampleMode::Tuned);
    EXPECT_EQ(after.sample.sampleBytes, 0) << "the sample is freed";
    EXPECT_EQ(programChanges(rig.output), (std::vector<std::pair<int, int>>{{9, 38}}));
    rig.close();
}

// Cancel after choosing a program on a clip split keeps the clip; the program change is sent with
// the values restored.
TEST(MidiConfigDialog, CancelKeepsTheClip) {
    test::ScreenRig rig;
    if (!test::makeClip(rig.dir / "clip.avi", "mjpeg", 32, 24, 5)) {
        GTEST_SKIP() << "no ffmpeg tool";
    }
    ASSERT_TRUE(rig.session->commands().assignClip(17, rig.dir / "clip.avi"));
    rig.session->commands().selectSplit(17);
    Drive drive;
    drive.accept = false;
    drive.edit = [](ui::MidiConfigDialog& dialog) {
        dialog.programs()->setCurrentRow(5);
        dialog.channelField()->setValue(3);
    };
    auto screen = rig.open(midi::ScreenKind::Master, hostFor(drive));
    const midi::Split before = rig.session->performance().split(17);
    rig.output.clear();
    screen->command(ui::CommandId::kMidiDialog);
    EXPECT_EQ(rig.notifier.shown().back().request.text, "AVI in split was removed!");
    EXPECT_TRUE(test::changedFields(before, rig.session->performance().split(17)).empty());
    EXPECT_EQ(rig.session->performance().split(17).taskKind(), midi::SplitTask::Avi);
    EXPECT_EQ(programChanges(rig.output),
              (std::vector<std::pair<int, int>>{{before.midiOutChannel & 0x0F, before.program}}));
    rig.close();
}

// Values no dialog would write are shown within their ranges, the channel as the one the split
// sends on; nothing breaks.
TEST(MidiConfigDialog, HostileValuesShownClamped) {
    midi::Split split{};
    midi::resetSplit(split, 0, 0, 4);
    split.program = 300;
    split.bank = 5000;
    split.midiOutChannel = 200;
    test::RecordingNotifier notifier;
    ui::MidiConfigDialog dialog(split, notifier);
    EXPECT_EQ(dialog.programs()->currentRow(), 127);
    EXPECT_EQ(dialog.bankField()->value(), 127);
    EXPECT_EQ(dialog.bank(), 5000) << "kept until the field is touched";
    EXPECT_EQ(dialog.channelField()->value(), (200 & 0x0F) + 1);
    EXPECT_FALSE(dialog.programChosen());
    split.program = -4;
    ui::MidiConfigDialog low(split, notifier);
    EXPECT_EQ(low.program(), 0);
    EXPECT_EQ(notifier.count(), 0U);
}

// Return in the program list is OK, Escape is Cancel; the list, not a push button, has the focus.
TEST(MidiConfigDialog, ReturnAndEscape) {
    midi::Split split{};
    midi::resetSplit(split, 0, 0, 4);
    test::RecordingNotifier notifier;
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        ui::MidiConfigDialog dialog(split, notifier);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(QApplication::focusWidget(), dialog.programs());
        QTest::keyClick(dialog.programs(), Qt::Key_Down);
        EXPECT_EQ(dialog.program(), 1);
        QTest::keyClick(dialog.programs(), static_cast<Qt::Key>(key));
        EXPECT_EQ(dialog.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    }
}

// The about box: the free memory in the string table's words, "Unavailable" without it; the File
// menu's About opens it.
TEST(AboutDialog, FreeMemoryAndTheMenu) {
    EXPECT_EQ(ui::AboutDialog(std::uint64_t{1234}).memoryText(), QStringLiteral("1234 KB RAM free"));
    EXPECT_EQ(ui::AboutDialog(std::nullopt).memoryText(), QStringLiteral("Unavailable"));
    test::ScreenRig rig;
    QString shown;
    ui::ScreenHost host;
    host.runDialog = [&](QDialog& dialog) {
        if (auto* about = qobject_cast<ui::AboutDialog*>(&dialog)) {
            shown = about->memoryText();
        }
        return QDialog::Accepted;
    };
    auto screen = rig.open(midi::ScreenKind::Dj, host);
    screen->command(ui::CommandId::kAbout);
    EXPECT_TRUE(shown.endsWith(QStringLiteral(" KB RAM free"))) << shown.toStdString();
    rig.close();
    ui::AboutDialog about(std::uint64_t{1});
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &about, Qt::Key_Return);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
