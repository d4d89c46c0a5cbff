#include "screens/ScreenCommands.h"
#include "screens/ScreenDialog.h"
#include "screens/VideoOutput.h"
#include "screens/controls/BitmapButton.h"
#include "screens/graphics/CGraphicsWnd.h"
#include "support/ScreenRig.h"

#include "midi/SplitFields.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tonwerk;
using test::ScreenRig;
using ui::CGraphicsWnd;
using ui::VideoOutput;

namespace {

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool sentNote(const std::vector<midi::ShortMessage>& sent, unsigned status, int key) {
    return std::any_of(sent.begin(), sent.end(), [&](midi::ShortMessage m) {
        return (m & 0xF0U) == status && static_cast<int>((m >> 8) & 0x7F) == key;
    });
}

void allSplitsPlay(session::Session& session) {
    for (int split = 0; split < 4; ++split) {
        session.commands().setSplitField(split, *midi::findSplitField("", "state"), 0, 1);
        session.commands().setSplitField(split, *midi::findSplitField("", "keyLow"), 0, 0);
        session.commands().setSplitField(split, *midi::findSplitField("", "keyHigh"), 0, 127);
    }
}

// The window alone: its title, its caption after a resize, the keys it hands on (Escape too,
// which also closes it, reporting the placement once), full screen by F11 and double-click, and
// pictures drawn once each, a picture replaced before the paint dropped.
TEST(GraphicsWindow, TitleCaptionKeysAndClosing) {
    auto* window = new CGraphicsWnd();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Sonivue-Viewer"));
    QSignalSpy sized(window, &CGraphicsWnd::pictureSizeChanged);
    int down = 0;
    int up = 0;
    QObject::connect(window, &CGraphicsWnd::keyDown, [&down](const QKeyEvent& /*event*/) { ++down; });
    QObject::connect(window, &CGraphicsWnd::keyUp, [&up](const QKeyEvent& /*event*/) { ++up; });
    QSignalSpy closed(window, &CGraphicsWnd::closed);
    window->setGeometry(40, 30, 321, 199);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Video (321 x 199)"));
    ASSERT_FALSE(sized.isEmpty());
    EXPECT_EQ(sized.last().at(0).toSize(), QSize(321, 199));
    EXPECT_EQ(window->pictureSize(), QSize(321, 199));

    // Two pictures before a paint: one is drawn, the newer.
    window->showPicture(solid(321, 199, Qt::red));
    window->showPicture(solid(321, 199, Qt::blue));
    window->showPicture(QImage()); // nothing: not counted, nothing replaced
    window->repaint();
    EXPECT_EQ(window->picturesReceived(), 2);
    EXPECT_EQ(window->picturesDrawn(), 1);
    const QImage shown = window->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(160, 100)), QColor(Qt::blue));
    window->repaint();
    EXPECT_EQ(window->picturesDrawn(), 1); // the same picture again is not a new frame

    // A smaller picture is scaled to the whole window.
    window->showPicture(solid(32, 20, Qt::green));
    window->repaint();
    EXPECT_EQ(QColor(window->grab().toImage().pixel(300, 190)), QColor(Qt::green));

    QTest::keyPress(window, Qt::Key_Z);
    QTest::keyRelease(window, Qt::Key_Z);
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_EQ(down, 2);
    EXPECT_EQ(up, 2);

    QTest::keyClick(window, Qt::Key_F11);
    EXPECT_TRUE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(down, 2) << "F11 is the window's own key";
    QTest::mouseDClick(window, Qt::LeftButton);
    EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);

    QPointer<CGraphicsWnd> alive(window);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(down, 3) << "Escape reaches the owner too";
    ASSERT_EQ(closed.size(), 1);
    EXPECT_EQ(closed.at(0).at(0).toRect().size(), QSize(321, 199));
    EXPECT_FALSE(closed.at(0).at(1).toBool());
    QTest::qWait(1); // a closed window frees itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

// "zoom" on a screen opens the graphics window: the first time over the whole monitor, the
// composition at the window's size; the window's keys play on the screen; Escape closes it and
// the screen keeps its place; "zoom" opens it there again, and a second "zoom" closes it.
TEST(GraphicsWindow, ZoomOpensAndTheScreenKeepsItsPlace) {
    ScreenRig rig;
    allSplitsPlay(*rig.session);
    VideoOutput output(*rig.session);
    auto screen = rig.open(midi::ScreenKind::Dj);
    screen->setVideoOutput(&output);
    EXPECT_EQ(output.owner(), screen.get());
    screen->show();

    screen->command(ui::CommandId::kZoom);
    ASSERT_TRUE(output.isOpen());
    CGraphicsWnd* window = output.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->size(), desktop.size());
    EXPECT_TRUE(desktop.intersects(window->geometry()));
    EXPECT_EQ(rig.session->pictureSize(), (std::pair{desktop.width(), desktop.height()}));
    EXPECT_EQ(screen->settings().graphicWindowOpen, 1);

    window->resize(640, 360);
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.session->pictureSize(), (std::pair{640, 360}));

    // A note key played on the window sounds as on the screen; held while the window loses the
    // keyboard, it ends.
    rig.output.clear();
    QTest::keyPress(window, Qt::Key_Z);
    EXPECT_TRUE(sentNote(rig.output.sent(), 0x90, 50));
    EXPECT_FALSE(sentNote(rig.output.sent(), 0x80, 50));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    screen->activateWindow(); // the window loses the keyboard with the key held
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    EXPECT_TRUE(sentNote(rig.output.sent(), 0x80, 50));
    const auto afterRelease = rig.output.sent().size();
    QTest::keyRelease(window, Qt::Key_Z);
    EXPECT_EQ(rig.output.sent().size(), afterRelease) << "the note ended once";

    // Pictures: the window and the screen's monitor show the same one.
    output.showPicture(solid(640, 360, Qt::yellow));
    ASSERT_NE(screen->monitor(), nullptr);
    EXPECT_EQ(window->picture().size(), QSize(640, 360));
    EXPECT_EQ(screen->monitor()->picture().size(), QSize(640, 360));

    window->move(120, 80);
    const QRect placed = window->normalGeometry();
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(rig.session->pictureSize(), (std::pair{320, 240})) << "back to the monitor's size";
    const core::Settings& kept = screen->settings();
    EXPECT_EQ(kept.graphicWindowOpen, 0);
    EXPECT_EQ(QRect(QPoint(kept.graphicWndLeft, kept.graphicWndTop),
                    QPoint(kept.graphicWndRight - 1, kept.graphicWndBottom - 1)),
              placed);

    // With the window closed, the monitor alone shows the picture.
    output.showPicture(solid(320, 240, Qt::cyan));
    EXPECT_EQ(screen->monitor()->picture().size(), QSize(320, 240));

    screen->command(ui::CommandId::kZoom);
    ASSERT_TRUE(output.isOpen());
    EXPECT_EQ(output.window()->geometry(), placed);
    screen->command(ui::CommandId::kZoom);
    EXPECT_FALSE(output.isOpen());

    // The program ends with the window open: it opens again at the next start.
    screen->command(ui::CommandId::kZoom);
    output.closeForExit();
    EXPECT_EQ(screen->settings().graphicWindowOpen, 1);
    screen.reset();
    EXPECT_EQ(output.owner(), nullptr);
    rig.close();
}

// The window survives a screen switch: the next screen owns it, keys go there.
TEST(GraphicsWindow, TheNextScreenOwnsTheWindow) {
    ScreenRig rig;
    allSplitsPlay(*rig.session);
    VideoOutput output(*rig.session);
    auto dj = rig.open(midi::ScreenKind::Dj);
    dj->setVideoOutput(&output);
    dj->command(ui::CommandId::kZoom);
    ASSERT_TRUE(output.isOpen());
    dj.reset();
    EXPECT_TRUE(output.isOpen());
    rig.output.clear();
    QTest::keyClick(output.window(), Qt::Key_Z);
    EXPECT_TRUE(rig.output.sent().empty()) << "between screens, keys go nowhere";
    auto master = rig.open(midi::ScreenKind::Master);
    master->setVideoOutput(&output);
    rig.session->pcKeyboard().settings().octave = 3;
    QTest::keyClick(output.window(), Qt::Key_Z);
    EXPECT_TRUE(sentNote(rig.output.sent(), 0x90, 62)) << "the Master screen's octave";
    QTest::keyClick(output.window(), Qt::Key_Escape);
    EXPECT_EQ(master->settings().graphicWindowOpen, 0);
    rig.close();
}

// Insert shows the Stop button pressed while it is held; its release is Stop.
TEST(GraphicsWindow, InsertHoldsStopDown) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Dj);
    ui::BitmapButton* stop = screen->button(ui::CommandId::kStop);
    ASSERT_NE(stop, nullptr);
    QTest::keyPress(screen.get(), Qt::Key_Insert);
    EXPECT_TRUE(stop->shownPressed());
    QTest::keyRelease(screen.get(), Qt::Key_Insert);
    EXPECT_FALSE(stop->shownPressed());
    rig.close();
}

} // namespace
