#include "screens/FileBrowser.h"
#include "screens/ScreenCommands.h"
#include "screens/ScreenDialog.h"
#include "screens/controls/BitmapButton.h"
#include "screens/controls/MyListBox.h"
#include "support/ScreenRig.h"

#include "audio/WaveBuilder.h"
#include "midi/SplitFields.h"
#include "video/ClipMaker.h"

#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

using namespace tonwerk;
using test::ScreenRig;
using ui::MyListBox;
namespace fs = std::filesystem;

namespace {

void writeWave(const fs::path& path) {
    test::WaveBuilder wave;
    wave.rate = 22050;
    for (int i = 0; i < 22050; ++i) {
        wave.words({static_cast<std::int16_t>(3000 * std::sin(i * 0.05))});
    }
    const auto bytes = wave.bytes();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> texts(const MyListBox& list) {
    std::vector<std::string> out;
    for (const ui::FolderEntry& e : list.entries()) {
        out.push_back(e.text);
    }
    return out;
}

// The media list fills in the background: wait until it shows its folder.
void waitForFill(MyListBox& media) {
    for (int i = 0; i < 400 && media.filling(); ++i) {
        QTest::qWait(5);
    }
    ASSERT_FALSE(media.filling());
}

MyListBox* list(ui::ScreenDialog& screen, int id) {
    return screen.findChild<MyListBox*>(QStringLiteral("list%1").arg(id));
}

// A style library: House with its setups, drums and clips; Techno without setups.
struct Library {
    explicit Library(ScreenRig& rig) : root(rig.dir / "Styles") {
        const fs::path house = root / "House";
        fs::create_directories(house / "Setups");
        fs::create_directories(house / "Drums");
        fs::create_directories(house / "Clips");
        fs::create_directories(root / "Techno" / "Loops");
        writeWave(house / "Drums" / "kick.wav");
        writeWave(house / "Drums" / "Snare.WAV");
        std::ofstream(house / "Drums" / "notes.txt") << "not media";
        haveClip = test::makeClip(house / "Clips" / "loop.avi", "mjpeg", 32, 24, 5);
        // A setup that asks for the Master screen and routes every key to channel 3.
        auto& commands = rig.session->commands();
        const auto field = [](const char* name) { return *midi::findSplitField("", name); };
        commands.setSplitField(0, field("screenMask"), 0, 1);
        commands.setSplitField(0, field("midiOutChannel"), 0, 2);
        EXPECT_TRUE(commands.saveSetup(house / "Setups" / "House.mks").ok());
        commands.newSetup();
        rig.settings.stylePath = root.string();
        rig.settings.stylePos = 1;
    }
    fs::path root;
    bool haveClip = false;
};

// The chain on the DJ screen: the stored style chosen at the start, its folders and setups
// listed, the first folder's clips in the media list; another folder gives its samples (every
// sample ending, any case); the choices are kept in the screen's settings.
TEST(FileBrowser, TheChainFollowsTheChoices) {
    ScreenRig rig;
    const Library library(rig);
    auto screen = rig.open(midi::ScreenKind::Dj);
    MyListBox* styles = list(*screen, 1377);
    MyListBox* folders = list(*screen, 1376);
    MyListBox* media = list(*screen, 1374);
    MyListBox* setups = list(*screen, 1375);
    ASSERT_TRUE(styles && folders && media && setups);
    EXPECT_EQ(texts(*styles), (std::vector<std::string>{"[..]", "[House]", "[Techno]"}));
    EXPECT_EQ(styles->selectedEntry()->text, "[House]");
    EXPECT_EQ(texts(*folders), (std::vector<std::string>{"[..]", "[Clips]", "[Drums]", "[Setups]"}));
    EXPECT_EQ(texts(*setups), (std::vector<std::string>{"House.mks"}));
    EXPECT_EQ(folders->selectedEntry()->text, "[Clips]");
    waitForFill(*media);
    if (library.haveClip) {
        EXPECT_EQ(texts(*media), (std::vector<std::string>{"loop.avi"}));
        EXPECT_EQ(screen->settings().aviPath, (library.root / "House" / "Clips").string());
    }
    folders->select(2);
    waitForFill(*media);
    EXPECT_EQ(texts(*media), (std::vector<std::string>{"kick.wav", "Snare.WAV"}));
    EXPECT_EQ(screen->settings().wavePath, (library.root / "House" / "Drums").string());
    EXPECT_EQ(screen->settings().setupPath, (library.root / "House" / "Setups").string());

    // Techno has no setups: the setup list keeps the stored setup folder's files.
    styles->select(2);
    EXPECT_EQ(texts(*folders), (std::vector<std::string>{"[..]", "[Loops]"}));
    EXPECT_EQ(texts(*setups), (std::vector<std::string>{"House.mks"}));
    EXPECT_EQ(screen->settings().stylePos, 2);
    rig.close();
}

// A double-click previews a sample on split 24 (one shot on key 96, sounding also without a
// sound card) and a second one stops it; a clip runs on split 23.
TEST(FileBrowser, PreviewsOnTheirSplits) {
    ScreenRig rig;
    const Library library(rig);
    auto screen = rig.open(midi::ScreenKind::Dj);
    MyListBox* folders = list(*screen, 1376);
    MyListBox* media = list(*screen, 1374);
    folders->select(2);
    waitForFill(*media);
    media->activate(0); // kick.wav
    const midi::Split& preview = rig.session->performance().split(session::Commands::kSamplePreviewSplit);
    EXPECT_EQ(preview.taskKind(), midi::SplitTask::Sample);
    EXPECT_EQ(preview.keyLow, 96);
    EXPECT_EQ(preview.keyHigh, 96);
    EXPECT_TRUE(rig.session->commands().samplePreviewSounding());
    media->activate(0); // the same again: stops
    EXPECT_FALSE(rig.session->commands().samplePreviewSounding());
    media->select(1);
    media->activate(1);
    EXPECT_TRUE(rig.session->commands().samplePreviewSounding());
    media->select(0); // another entry selected: the preview stops
    EXPECT_FALSE(rig.session->commands().samplePreviewSounding());
    if (library.haveClip) {
        folders->select(1);
        waitForFill(*media);
        media->activate(0);
        const midi::Split& clip = rig.session->performance().split(session::Commands::kClipPreviewSplit);
        EXPECT_EQ(clip.taskKind(), midi::SplitTask::Avi);
        EXPECT_NE(clip.video.runFlags & 0x1, 0);
        media->activate(0);
        EXPECT_EQ(clip.video.runFlags & 0x1, 0);
    }
    rig.close();
}

// A setup double-clicked in the setup list loads without a question and the screen goes to the
// screen the setup asks for; a sample dragged from the media list onto a pad goes to the pad's
// split.
TEST(FileBrowser, SetupsLoadAndMediaDropOnPads) {
    ScreenRig rig;
    const Library library(rig);
    auto screen = rig.open(midi::ScreenKind::Dj);
    MyListBox* folders = list(*screen, 1376);
    MyListBox* media = list(*screen, 1374);
    folders->select(2);
    waitForFill(*media);
    QMimeData data;
    data.setData(QString::fromLatin1(ui::kMediaPathMime),
                 QByteArray::fromStdString(media->pathOf(1).string())); // Snare.WAV
    ui::BitmapButton* pad = screen->button(ui::kFirstPadId + 3);
    QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(pad, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(pad, &drop);
    EXPECT_EQ(rig.session->performance().split(3).taskKind(), midi::SplitTask::Sample);

    // A bank dropped from the desktop onto the screen loads like a setup.
    ASSERT_TRUE(rig.session->commands().saveBank(rig.dir / "Live.MKB").ok());
    rig.session->commands().newSetup();
    QMimeData desktop;
    desktop.setUrls({QUrl::fromLocalFile(QString::fromStdString((rig.dir / "Live.MKB").string()))});
    QDragEnterEvent bankEnter(QPoint(5, 5), Qt::CopyAction, &desktop, Qt::LeftButton, {});
    QApplication::sendEvent(screen.get(), &bankEnter);
    ASSERT_TRUE(bankEnter.isAccepted());
    QDropEvent bank(QPointF(5, 5), Qt::CopyAction, &desktop, Qt::LeftButton, {});
    QApplication::sendEvent(screen.get(), &bank);
    EXPECT_EQ(rig.session->setupName(), "Live.MKB");

    const auto shownBefore = rig.notifier.shown().size();
    list(*screen, 1375)->activate(0);
    EXPECT_EQ(rig.notifier.shown().size(), shownBefore) << "no box to answer";
    EXPECT_EQ(rig.session->performance().split(0).midiOutChannel, 2);
    EXPECT_EQ(rig.state.currentScreen, midi::ScreenKind::Master);

    rig.close();
}

// A load that takes longer than the delay shows in the status display how many of its samples
// and clips are in, as text and as a bar; a quick one and one without media show nothing but the
// loading text, and the status is empty again afterwards.
TEST(FileBrowser, LongLoadsShowTheirProgress) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Dj);
    writeWave(rig.dir / "hit.wav");
    auto& commands = rig.session->commands();
    for (int split : {0, 2, 5}) {
        ASSERT_TRUE(commands.assignSample(split, rig.dir / "hit.wav"));
    }
    ASSERT_TRUE(commands.saveSetup(rig.dir / "Three.mks").ok());
    commands.newSetup();
    ASSERT_TRUE(commands.saveSetup(rig.dir / "Empty.mks").ok());

    struct Shown {
        int done;
        int total;
        QString text;
        bool bar;
    };
    std::vector<Shown> shown;
    QObject::connect(screen.get(), &ui::ScreenDialog::loadProgressShown, [&](int done, int total) {
        // The bar: yellow along the bottom of the status display, as far as the load has come.
        const QImage picture = screen->grab().toImage();
        const QPoint start = screen->windowPoint(241, 81);
        shown.push_back({done, total, screen->statusText(), picture.pixelColor(start) == QColor(Qt::yellow)});
    });

    EXPECT_TRUE(screen->loadSetupFile(rig.dir / "Three.mks"));
    EXPECT_TRUE(shown.empty()) << "a quick load shows no progress";

    screen->setLoadProgressDelay(std::chrono::milliseconds(0));
    EXPECT_TRUE(screen->loadSetupFile(rig.dir / "Three.mks"));
    ASSERT_EQ(shown.size(), 4U);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shown[i].done, i);
        EXPECT_EQ(shown[i].total, 3);
        EXPECT_EQ(shown[i].text, QStringLiteral("Loading Tonwerk Setup  %1 / 3").arg(i));
        EXPECT_EQ(shown[i].bar, i > 0) << i;
    }
    EXPECT_TRUE(screen->statusText().isEmpty());
    EXPECT_EQ(rig.session->performance().split(5).taskKind(), midi::SplitTask::Sample);

    shown.clear();
    EXPECT_TRUE(screen->loadSetupFile(rig.dir / "Empty.mks"));
    EXPECT_TRUE(shown.empty());
    rig.close();
}

TEST(FileBrowser, ScreenForTheSetupsMask) {
    using midi::ScreenKind;
    EXPECT_EQ(ui::screenForSetupMask(1, ScreenKind::Dj), ScreenKind::Master);
    EXPECT_EQ(ui::screenForSetupMask(4, ScreenKind::Dj), std::nullopt);
    EXPECT_EQ(ui::screenForSetupMask(7, ScreenKind::Rock), std::nullopt);
    EXPECT_EQ(ui::screenForSetupMask(6, ScreenKind::Master), ScreenKind::Dj);
    EXPECT_EQ(ui::screenForSetupMask(3, ScreenKind::Dj), ScreenKind::Rock);
    EXPECT_EQ(ui::screenForSetupMask(5, ScreenKind::Rock), ScreenKind::Dj);
    EXPECT_EQ(ui::screenForSetupMask(1, ScreenKind::Rock), ScreenKind::Master);
    EXPECT_EQ(ui::screenForSetupMask(0, ScreenKind::Rock), std::nullopt);
    EXPECT_EQ(ui::screenForSetupMask(-1, ScreenKind::Master), std::nullopt);
}

} // namespace
