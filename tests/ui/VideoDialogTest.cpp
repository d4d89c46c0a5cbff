#include "dialogs/VideoDialog.h"
#include "dialogs/VideoSettings.h"
#include "screens/ScreenCommands.h"
#include "screens/controls/BitmapButton.h"
#include "screens/controls/PictureView.h"
#include "support/ScreenRig.h"
#include "support/SplitBytes.h"

#include "video/ClipMaker.h"
#include "video/VideoEffects.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tonwerk;
using ui::VideoDialog;

namespace {

midi::VideoBlock blockWithClip(int first, int last) {
    midi::Split split{};
    midi::resetSplit(split, 0, 0, 4);
    ui::takeClipRange(split.video, first, last, true);
    return split.video;
}

TEST(VideoSettings, DivideShareTheClipAmongTheTickedRows) {
    midi::VideoBlock v = blockWithClip(0, 99);
    v.rowEnabled = {0, 1, 0, 0, 1, 0, 0, 0};
    ui::divideRows(v);
    EXPECT_EQ(v.rowStart[1], 0);
    EXPECT_EQ(v.rowEnd[1], 49);
    EXPECT_EQ(v.rowStart[4], 50);
    EXPECT_EQ(v.rowEnd[4], 99);
    EXPECT_EQ(v.rowEnd[0], 99) << "unticked rows keep theirs";
    v.rowEnabled = {1, 1, 1, 0, 0, 0, 0, 0};
    ui::divideRows(v);
    EXPECT_EQ(v.rowEnd[2], 98) << "frame 99 is left over";
    EXPECT_EQ(v.rowStart[2], 66);
    const midi::VideoBlock before = v;
    v.rowEnabled.fill(0);
    ui::divideRows(v);
    EXPECT_EQ(v.rowEnd, before.rowEnd);
}

TEST(VideoSettings, PlayStepsAndResetFx) {
    using namespace video::VideoOption;
    midi::VideoBlock v = blockWithClip(0, 10);
    ui::setPlaySteps(v, true);
    EXPECT_EQ(v.optionFlags & (kPlaySteps | kEffectsDisabled), kPlaySteps | kEffectsDisabled);
    ui::setPlaySteps(v, false);
    EXPECT_EQ(v.optionFlags & (kPlaySteps | kEffectsDisabled), 0);
    v.optionFlags |= kPlaySteps | kJumpIntoRange | kVelocityBrightness;
    v.effectFlags = 0x2000 | video::Effect::kGrayscale;
    ui::resetVideoEffects(v);
    EXPECT_EQ(v.effectFlags, 0x04000000);
    EXPECT_EQ(v.optionFlags & (kPlaySteps | kEffectsDisabled | kJumpIntoRange | kVelocityBrightness),
              kPlaySteps | kEffectsDisabled);
    EXPECT_EQ(ui::effectListIndex(video::Effect::kQuantizeL), 10);
    EXPECT_EQ(ui::effectListIndex(0), 0);
}

// A rig with a 320 × 240 clip of 12 frames on split 17, and a second clip file.
struct VideoRig {
    VideoRig() {
        made = test::makeClip(rig.dir / "clip.avi", "mjpeg", 320, 240, 12, "-q:v 2");
        if (made) {
            EXPECT_TRUE(rig.session->commands().assignClip(17, rig.dir / "clip.avi"));
        }
        rig.session->commands().selectSplit(17);
    }
    ui::ChooseFile chooser() {
        return [this](QWidget*, const QString&, const QString&, const QString&) {
            return choices.empty() ? QString() : choices.takeFirst();
        };
    }
    midi::Split& split(int index = 17) const { return rig.session->performance().split(index); }

    test::ScreenRig rig;
    QStringList choices;
    bool made = false;
};

// The preview shows the clip's frames as the ffmpeg tool decodes them, and plays on.
TEST(VideoDialog, PreviewShowsTheClipsFrames) {
    VideoRig w;
    if (!w.made) {
        GTEST_SKIP() << "no ffmpeg tool";
    }
    const std::vector<std::uint8_t> frames = test::toolDecode(w.rig.dir / "clip.avi", w.rig.dir.path());
    ASSERT_EQ(frames.size(), 12U * 320 * 240 * 3);
    const midi::Split before = w.split();
    VideoDialog dialog(*w.rig.session, 17, 0, w.chooser());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Video Dialog Video: clip.avi"));
    EXPECT_TRUE(test::changedFields(before, w.split()).empty()) << "opening writes nothing";
    EXPECT_EQ(dialog.state().clipEnd, 11);
    const auto difference = [&](int frame) {
        const QImage picture = dialog.monitor()->picture().convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(picture.width(), 320);
        double total = 0;
        for (int y = 0; y < 240; y += 3) {
            const std::uint8_t* row = picture.constScanLine(y);
            for (int x = 0; x < 320; x += 3) {
                const std::size_t at = ((static_cast<std::size_t>(frame) * 240 + y) * 320 + x) * 3;
                total += std::abs(row[3 * x] - frames[at + 2]) + std::abs(row[3 * x + 1] - frames[at + 1]) +
                         std::abs(row[3 * x + 2] - frames[at]);
            }
        }
        return total / (80.0 * 107 * 3);
    };
    dialog.previewTick();
    EXPECT_LT(difference(dialog.state().framePos), 6.0) << "frame " << dialog.state().framePos;
    EXPECT_TRUE(dialog.properties().startsWith(QStringLiteral("Stream-No.: ")));
    EXPECT_TRUE(dialog.properties().contains(QStringLiteral("Stream-Format:\t 320x240x24")));

    dialog.findChild<QPushButton*>(QStringLiteral("play"))->click();
    for (int tick = 0; tick < 4; ++tick) {
        QTest::qWait(45);
        dialog.previewTick();
    }
    const int played = dialog.state().framePos;
    EXPECT_GT(played, 0);
    EXPECT_LT(difference(played), 6.0) << "frame " << played;
    dialog.findChild<QPushButton*>(QStringLiteral("stop"))->click();
    QTest::qWait(45);
    dialog.previewTick();
    EXPECT_EQ(dialog.state().framePos, played);
    dialog.reject();
    EXPECT_TRUE(test::changedFields(before, w.split()).empty()) << "Cancel writes nothing";
}

// OK hands the dialog's block to the split (its streams stay the split's), sets a deck's keys,
// and the mixing radios are off for deck 1; the tempo goes in at once, 0 included.
TEST(VideoDialog, OkWritesTheBlockAndTheDeck) {
    VideoRig w;
    if (!w.made) {
        GTEST_SKIP() << "no ffmpeg tool";
    }
    const midi::Split before = w.split();
    {
        VideoDialog deck(*w.rig.session, 17, 1, w.chooser());
        EXPECT_FALSE(deck.findChild<QRadioButton*>(QStringLiteral("mix4"))->isEnabled());
        deck.findChild<QSpinBox*>(QStringLiteral("tempo"))->setValue(0);
        EXPECT_EQ(w.split().loopTempo, 0);
        deck.findChild<QRadioButton*>(QStringLiteral("steps"))->click();
        deck.accept();
    }
    const midi::Split& after = w.split();
    EXPECT_EQ(after.keyLow, 36);
    EXPECT_EQ(after.keyHigh, 47);
    EXPECT_EQ(after.rootNote, 47);
    EXPECT_EQ(after.video.deckMode, 1);
    EXPECT_EQ(after.video.firstStream, before.video.firstStream);
    EXPECT_NE(after.video.optionFlags & video::VideoOption::kPlaySteps, 0);
    EXPECT_EQ(after.sampleModeKind(), midi::SampleMode::OneShot);

    const midi::Split beforePlain = w.split();
    VideoDialog plain(*w.rig.session, 17, 0, w.chooser());
    QTest::mouseClick(plain.findChild<QRadioButton*>(QStringLiteral("mix4")), Qt::LeftButton); // black box
    plain.accept();
    EXPECT_EQ(w.split().video.effectFlags & 0x14007C00, 0x2000);
    EXPECT_EQ(test::changedFields(beforePlain, w.split()),
              (std::vector<std::string>{"video.effectFlags", "video.mixMode"}));
}

// Frame ranges and widths no dialog would write are shown within the clip and break nothing.
TEST(VideoDialog, HostileRangesShownClamped) {
    VideoRig w;
    if (!w.made) {
        GTEST_SKIP() << "no ffmpeg tool";
    }
    midi::VideoBlock& v = w.split().video;
    v.runFlags &= ~video::VideoRun::kRangesUnset; // as after its first picture: the rows are its own
    ui::takeClipRange(v, 0, 11, false);
    v.rowStart.fill(99999);
    v.rowEnd.fill(-7);
    v.stepWidth = -5;
    v.framePos = 123456;
    v.rowEffect.fill(0);
    VideoDialog dialog(*w.rig.session, 17, 0, w.chooser());
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("rowStart1"))->value(), 11);
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("rowEnd1"))->value(), 0);
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("stepWidth"))->value(), 0);
    dialog.previewTick();
    dialog.findChild<QPushButton*>(QStringLiteral("play"))->click();
    QTest::qWait(45);
    dialog.previewTick();
    dialog.reject();
}

// A split without a clip: Open AVI... loads at once, Cancel takes it back. A split with one:
// after Free AVI only OK closes (Escape does nothing), and OK without a clip asks first.
TEST(VideoDialog, OpenFreeCancelAndTheQuestion) {
    VideoRig w;
    if (!w.made) {
        GTEST_SKIP() << "no ffmpeg tool";
    }
    const midi::Split empty = w.split(3);
    {
        VideoDialog dialog(*w.rig.session, 3, 0, w.chooser());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Video Dialog Video: no AVI file loaded"));
        w.choices = {QString::fromStdString((w.rig.dir / "clip.avi").string())};
        dialog.findChild<QPushButton*>(QStringLiteral("openAvi"))->click();
        EXPECT_TRUE(dialog.clipLoaded());
        EXPECT_EQ(w.split(3).taskKind(), midi::SplitTask::Avi);
        EXPECT_TRUE(dialog.cancelButton()->isEnabled());
        dialog.previewTick();
        EXPECT_FALSE(dialog.monitor()->picture().isNull());
        dialog.reject();
    }
    EXPECT_EQ(w.split(3).taskKind(), empty.taskKind());
    EXPECT_EQ(w.split(3).video.firstStream, -1);
    EXPECT_EQ(midi::fieldText(w.split(3).fileName), midi::fieldText(empty.fileName));

    VideoDialog dialog(*w.rig.session, 17, 0, w.chooser());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QPushButton*>(QStringLiteral("freeAvi"))->click();
    EXPECT_FALSE(dialog.cancelButton()->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible()) << "Escape does nothing once the split's clip is gone";
    w.rig.notifier.answerNext(core::MessageAnswer::No);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible()) << "No: the dialog stays";
    EXPECT_EQ(w.rig.notifier.shown().back().request.text, "No AVI file loaded, all settings are lost.");
    w.rig.notifier.answerNext(core::MessageAnswer::Yes);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(w.split().taskKind(), midi::SplitTask::Midi);
    EXPECT_EQ(w.split().stateKind(), midi::SplitState::Off);
}

// Video on a screen and a double-click on V 2 open the dialog, V 2 as deck 2.
TEST(VideoDialog, FromTheScreen) {
    VideoRig w;
    std::vector<std::pair<int, QString>> opened;
    ui::ScreenHost host;
    host.runDialog = [&](QDialog& dialog) {
        opened.emplace_back(w.rig.session->performance().currentSplit(), dialog.windowTitle());
        return QDialog::Rejected;
    };
    auto screen = w.rig.open(midi::ScreenKind::Dj, host);
    screen->command(ui::CommandId::kVideoDialog);
    QTest::mouseDClick(screen->button(ui::CommandId::kVideo2), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2U);
    EXPECT_EQ(opened[0].first, 17);
    EXPECT_EQ(opened[1].first, 18);
    EXPECT_TRUE(opened[1].second.endsWith(QStringLiteral("no AVI file loaded")));
    w.rig.close();
}

} // namespace
