#include "dialogs/WaveDialog.h"
#include "screens/ScreenCommands.h"
#include "screens/controls/BitmapButton.h"
#include "screens/controls/KeyboardPicture.h"
#include "screens/controls/WaveformView.h"
#include "support/ScreenRig.h"
#include "support/SplitBytes.h"

#include "audio/WaveBuilder.h"
#include "midi/SplitFields.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace tonwerk;
using ui::WaveDialog;

namespace {

void writeWave(const std::filesystem::path& path, int frames) {
    test::WaveBuilder wave;
    wave.channels = 2;
    wave.rate = 22050;
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(6000 * std::sin(i * 0.05));
        wave.words({v, static_cast<std::int16_t>(-v)});
    }
    const auto bytes = wave.bytes();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A rig with a sample on split 5 (keys 48-72, root 60, tuned) and a second file to load.
struct WaveRig {
    WaveRig() {
        writeWave(rig.dir / "first.wav", 22050);
        writeWave(rig.dir / "second.wav", 5000);
        auto& commands = rig.session->commands();
        EXPECT_TRUE(commands.assignSample(5, rig.dir / "first.wav"));
        const auto field = [](const char* name) { return *midi::findSplitField("", name); };
        commands.setSplitField(5, field("sampleMode"), 0, static_cast<int>(midi::SampleMode::Tuned));
        commands.setSplitField(5, field("keyLow"), 0, 48);
        commands.setSplitField(5, field("keyHigh"), 0, 72);
        commands.setSplitField(5, field("rootNote"), 0, 60);
        commands.selectSplit(5);
    }
    WaveDialog::ChooseFile chooser() {
        return [this](QWidget*, const QString&, const QString&, const QString&) {
            return choices.empty() ? QString() : choices.takeFirst();
        };
    }
    midi::Split& split() const { return rig.session->performance().split(5); }

    test::ScreenRig rig;
    QStringList choices;
};

TEST(WaveDialog, OpensOnTheSplitWithoutWritingAndShowsHostileValuesClamped) {
    WaveRig w;
    {
        const midi::Split before = w.split();
        WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
        EXPECT_TRUE(test::changedFields(before, w.split()).empty());
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("rootNote"))->text(), QStringLiteral("MIDI-note:  C3"));
        EXPECT_FALSE(dialog.waveform()->outline().empty()) << "the sample's picture";
        EXPECT_TRUE(dialog.playButton()->isEnabled());
        EXPECT_FALSE(dialog.stopButton()->isEnabled());
        EXPECT_TRUE(dialog.missingText().isEmpty());
        EXPECT_FALSE(dialog.findChild<QRadioButton*>(QStringLiteral("tuned"))->isVisible());
    }
    midi::Split& s = w.split();
    s.sample.volume = -9000;
    s.sample.pan = 2000;
    s.sample.sampleRate = 999999;
    s.sample.releaseTime = 5000;
    const midi::Split before = s;
    WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
    EXPECT_EQ(dialog.slider(WaveDialog::Slider::Volume)->value(), 0);
    EXPECT_EQ(dialog.slider(WaveDialog::Slider::Pan)->value(), 800);
    EXPECT_EQ(dialog.slider(WaveDialog::Slider::Frequency)->value(), 512);
    EXPECT_EQ(dialog.slider(WaveDialog::Slider::Release)->value(), 600);
    EXPECT_TRUE(test::changedFields(before, w.split()).empty());
}

// Every change goes into the split at once; Cancel puts it all back, the sample too, even after
// another sample was loaded while the first one sounded (that voice ended first).
TEST(WaveDialog, LiveChangesAndCancelRestores) {
    WaveRig w;
    const midi::Split before = w.split();
    WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
    dialog.slider(WaveDialog::Slider::Volume)->setValue(1800);
    EXPECT_EQ(w.split().sample.volume, -1200);
    dialog.slider(WaveDialog::Slider::Pan)->setValue(100);
    EXPECT_EQ(w.split().sample.pan, 100);

    dialog.playButton()->click();
    const int voice = dialog.voice();
    ASSERT_GE(voice, 0);
    EXPECT_TRUE(dialog.stopButton()->isEnabled());
    EXPECT_FALSE(dialog.loadButton()->isEnabled()) << "Stop first";
    dialog.stopButton()->click();
    EXPECT_EQ(dialog.voice(), -1);
    // The performer holds the split's key while another sample is loaded: that voice ends first.
    w.rig.session->commands().userInput(midi::shortMessage(0x90, 60, 100));
    ASSERT_TRUE(w.rig.session->commands().voiceProgress(5).sounding);
    // Load: the chooser's first answer cannot be loaded (the file dialog opens again), the second can.
    test::writeFile(w.rig.dir / "broken.wav", "RIFF\x04\x00\x00\x00WAVE");
    w.choices = {QString::fromStdString((w.rig.dir / "broken.wav").string()),
                 QString::fromStdString((w.rig.dir / "second.wav").string())};
    const auto shown = w.rig.notifier.count();
    dialog.loadButton()->click();
    EXPECT_FALSE(w.rig.session->commands().voiceProgress(5).sounding) << "the held note's voice ended";
    w.rig.session->commands().userInput(midi::shortMessage(0x80, 60, 0));
    EXPECT_EQ(w.rig.session->performance().pool().freeCount(), midi::NotePool::kCapacity);
    EXPECT_TRUE(w.choices.empty()) << "asked again after the broken file";
    EXPECT_GT(w.rig.notifier.count(), shown) << "the broken file was reported";
    EXPECT_NE(w.split().sample.sampleBytes, before.sample.sampleBytes);
    EXPECT_EQ(midi::fieldText(w.split().fileName), (w.rig.dir / "second.wav").string());

    dialog.reject();
    // Everything but the run-time word of which voice played last is as before.
    EXPECT_EQ(test::changedFields(before, w.split()), (std::vector<std::string>{"sample.voiceIndex"}));
    EXPECT_GE(w.rig.session->commands().startAudition(5, 60), 0) << "the first sample plays again";
}

TEST(WaveDialog, FreeAndOkKeep) {
    WaveRig w;
    WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
    dialog.freeButton()->click();
    EXPECT_EQ(w.split().sample.sampleData, 0);
    EXPECT_FALSE(dialog.playButton()->isEnabled());
    EXPECT_TRUE(dialog.waveform()->outline().empty());
    dialog.accept();
    EXPECT_EQ(w.split().sample.sampleData, 0) << "OK keeps what the dialog did";
}

// A split whose sample file was not found opens and says so; Play stays off.
TEST(WaveDialog, MissingFileOpensAndSaysSo) {
    WaveRig w;
    w.rig.session->commands().freeSample(5);
    midi::Split& s = w.split();
    midi::setFieldText(s.fileName, "/gone/away.wav");
    s.setTask(midi::SplitTask::Sample);
    WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
    EXPECT_TRUE(dialog.missingText().contains(QStringLiteral("/gone/away.wav")));
    EXPECT_FALSE(dialog.playButton()->isEnabled());
    dialog.playButton()->click();
    EXPECT_EQ(dialog.voice(), -1);
}

TEST(WaveDialog, ModesAndTempo) {
    WaveRig w;
    WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
    using namespace midi::SampleFlag;
    dialog.findChild<QRadioButton*>(QStringLiteral("sync"))->click();
    EXPECT_EQ(w.split().sampleModeKind(), midi::SampleMode::Sync);
    EXPECT_EQ(w.split().sample.sampleFlags & (kTriggerMode | kTriggerMouse | kPlayLooped),
              kTriggerMode | kTriggerMouse | kPlayLooped);
    EXPECT_EQ(w.split().keyLow, 60);
    EXPECT_EQ(w.split().keyHigh, 60);
    EXPECT_FALSE(dialog.slider(WaveDialog::Slider::Frequency)->isEnabled());
    EXPECT_FALSE(dialog.findChild<QCheckBox*>(QStringLiteral("looped"))->isEnabled());

    dialog.findChild<QRadioButton*>(QStringLiteral("oneShot"))->click();
    EXPECT_EQ(w.split().sampleModeKind(), midi::SampleMode::OneShot);
    EXPECT_EQ(w.split().sample.sampleFlags & (kTriggerMode | kTriggerKeys | kTriggerMouse | kPlayLooped), 0);
    EXPECT_TRUE(dialog.slider(WaveDialog::Slider::Frequency)->isEnabled());
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("tempoUp"))->isEnabled());

    dialog.findChild<QRadioButton*>(QStringLiteral("sync"))->click();
    w.rig.session->commands().setSplitField(5, *midi::findSplitField("", "loopTempo"), 0, 10);
    dialog.findChild<QPushButton*>(QStringLiteral("tempoDown"))->click();
    EXPECT_EQ(w.split().loopTempo, 10) << "not below 10";
    dialog.findChild<QPushButton*>(QStringLiteral("tempoUp"))->click();
    EXPECT_EQ(w.split().loopTempo, 20);
    dialog.findChild<QPushButton*>(QStringLiteral("tempoDown"))->click();
    EXPECT_EQ(w.split().loopTempo, 10);
}

// The Master variant: a right click on the keyboard picture chooses the root note, a left click
// plays the key while it is held; a key outside the split plays nothing.
TEST(WaveDialog, MasterKeyboardPicture) {
    WaveRig w;
    WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Master, w.chooser());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::KeyboardPicture* keys = dialog.keyboard();
    ASSERT_NE(keys, nullptr);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("tuned"))->isVisible());
    QTest::mouseClick(keys, Qt::RightButton, {}, keys->keyCentre(64));
    EXPECT_EQ(w.split().rootNote, 64);
    EXPECT_EQ(keys->rootNote(), 64);
    QTest::mousePress(keys, Qt::LeftButton, {}, keys->keyCentre(67));
    EXPECT_GE(dialog.voice(), 0);
    QTest::mouseRelease(keys, Qt::LeftButton, {}, keys->keyCentre(67));
    EXPECT_EQ(dialog.voice(), -1);
    QTest::mousePress(keys, Qt::LeftButton, {}, keys->keyCentre(37));
    EXPECT_EQ(dialog.voice(), -1) << "outside keys 48-72";
    QTest::mouseRelease(keys, Qt::LeftButton, {}, keys->keyCentre(37));
}

TEST(WaveDialog, ReturnAndEscapeAndTheScreen) {
    WaveRig w;
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        WaveDialog dialog(*w.rig.session, 5, WaveDialog::Variant::Plain, w.chooser());
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* push = qobject_cast<QPushButton*>(QApplication::focusWidget());
        EXPECT_TRUE(push == nullptr || push->isDefault()) << push->text().toStdString();
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &dialog,
                        static_cast<Qt::Key>(key));
        EXPECT_EQ(dialog.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    }
    // Wave on the DJ screen and a pad's double-click open the dialog on their split.
    std::vector<std::pair<int, bool>> opened;
    ui::ScreenHost host;
    host.runDialog = [&](QDialog& dialog) {
        auto* wave = qobject_cast<WaveDialog*>(&dialog);
        opened.emplace_back(w.rig.session->performance().currentSplit(),
                            wave != nullptr && wave->keyboard() == nullptr);
        return QDialog::Rejected;
    };
    auto screen = w.rig.open(midi::ScreenKind::Dj, host);
    screen->command(ui::CommandId::kWaveDialog);
    QTest::mouseDClick(screen->button(ui::kFirstPadId + 2), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::pair<int, bool>>{{5, true}, {2, true}}));
    // OK after Free Sample: the split is a MIDI split, off.
    host.runDialog = [](QDialog& dialog) {
        qobject_cast<WaveDialog*>(&dialog)->freeButton()->click();
        return QDialog::Accepted;
    };
    auto again = w.rig.open(midi::ScreenKind::Dj, host);
    w.rig.session->commands().selectSplit(5);
    again->command(ui::CommandId::kWaveDialog);
    EXPECT_EQ(w.split().taskKind(), midi::SplitTask::Midi);
    EXPECT_EQ(w.split().stateKind(), midi::SplitState::Off);
    w.rig.close();
}

TEST(KeyboardPicture, HitTest) {
    EXPECT_EQ(ui::keyboardPictureNote(0, 50), 36);
    EXPECT_EQ(ui::keyboardPictureNote(9, 50), 36);
    EXPECT_EQ(ui::keyboardPictureNote(10, 50), 38);
    EXPECT_EQ(ui::keyboardPictureNote(6, 37), 37) << "C# down to y 37";
    EXPECT_EQ(ui::keyboardPictureNote(6, 38), 36) << "below it the white key";
    EXPECT_EQ(ui::keyboardPictureNote(14, 10), 37);
    EXPECT_EQ(ui::keyboardPictureNote(15, 10), 38) << "between C# and D#: D";
    EXPECT_EQ(ui::keyboardPictureNote(70 + 46, 0), 36 + 12 + 8);
    EXPECT_EQ(ui::keyboardPictureNote(349, 50), 95);
    EXPECT_EQ(ui::keyboardPictureNote(350, 50), std::nullopt);
    EXPECT_EQ(ui::keyboardPictureNote(-1, 50), std::nullopt);
    EXPECT_EQ(ui::keyboardPictureNote(10, 56), std::nullopt);
    for (int x = 0; x < 350; ++x) {
        for (int y = 0; y < 56; y += 5) {
            const auto note = ui::keyboardPictureNote(x, y);
            ASSERT_TRUE(note.has_value());
            EXPECT_TRUE(*note >= 36 && *note <= 95);
            EXPECT_TRUE(y <= 37 || !ui::isBlackKey(*note)) << x << "," << y;
        }
    }
}

} // namespace
