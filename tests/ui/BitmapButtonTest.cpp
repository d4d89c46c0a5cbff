#include "screens/controls/BitmapButton.h"

#include <QApplication>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tonwerk::ui;

namespace {

QPixmap face(QColor colour, int width = 40, int height = 20) {
    QPixmap p(width, height);
    p.fill(colour);
    return p;
}

// Every signal of a button in the order it came, as "name id".
struct Log {
    explicit Log(BitmapButton& b) {
        QObject::connect(&b, &BitmapButton::pressed, [this](int id) { add("pressed", id); });
        QObject::connect(&b, &BitmapButton::command, [this](int id) { add("command", id); });
        QObject::connect(&b, &BitmapButton::released, [this](int id) { add("released", id); });
        QObject::connect(&b, &BitmapButton::doubleClicked, [this](int id) { add("double", id); });
        QObject::connect(&b, &BitmapButton::rightClicked, [this](int id) { add("right", id); });
        QObject::connect(&b, &BitmapButton::fileDropped,
                         [this](int id, const QString& path) { add("drop " + path.toStdString(), id); });
    }
    void add(const std::string& what, int id) { events.push_back(what + " " + std::to_string(id)); }
    std::vector<std::string> events;
};

std::unique_ptr<BitmapButton> button(std::uint32_t flags, int id = 1313) {
    auto b = std::make_unique<BitmapButton>();
    b->resize(40, 20);
    b->configure(id, face(Qt::darkGreen), face(Qt::green), QString(), flags);
    return b;
}

} // namespace

TEST(BitmapButton, ClickReleaseOutsideAndToggles) {
    auto b = button(0);
    Log log(*b);
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(b->shownPressed());
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(b->shownPressed());
    EXPECT_EQ(log.events, (std::vector<std::string>{"pressed 1313", "command 1313", "released 1313"}));

    // Released outside: the press is told, neither the command nor the release.
    log.events.clear();
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(log.events, (std::vector<std::string>{"pressed 1313"}));

    // A press outside does nothing; a release without a press does nothing.
    log.events.clear();
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(-5, 3));
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(log.events.empty());

    auto t = button(ButtonFlag::kToggle, 1281);
    Log toggleLog(*t);
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(t->checked());
    EXPECT_TRUE(t->shownPressed());
    QTest::mousePress(t.get(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(t.get(), Qt::LeftButton, {}, QPoint(500, 5)); // outside: stays checked
    EXPECT_TRUE(t->checked());
    EXPECT_TRUE(t->shownPressed());
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(t->checked());
    EXPECT_FALSE(t->shownPressed());
}

TEST(BitmapButton, SetCheckOnlyForTogglesAndOnlyZeroOrOne) {
    auto t = button(ButtonFlag::kToggle);
    t->setCheck(2);
    EXPECT_FALSE(t->checked());
    t->setCheck(1);
    EXPECT_TRUE(t->checked());
    EXPECT_TRUE(t->shownPressed());
    t->setCheck(-1);
    EXPECT_TRUE(t->checked());
    t->setCheck(0);
    EXPECT_FALSE(t->checked());
    auto push = button(0);
    push->setCheck(1);
    EXPECT_FALSE(push->checked());
    // configure clears the checked state.
    t->setCheck(1);
    t->configure(5, face(Qt::red), QPixmap(), QString(), ButtonFlag::kToggle);
    EXPECT_FALSE(t->checked());
}

TEST(BitmapButton, RepeatWhileHeldEvery160Ms) {
    auto b = button(ButtonFlag::kRepeat, 1505);
    Log log(*b);
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(b->repeating());
    EXPECT_EQ(BitmapButton::kRepeatMs, 160);
    // Held for half a second: the timer's three ticks (160, 320, 480 ms), then the release.
    for (int i = 0; i < 3; ++i) {
        b->repeatTick();
    }
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(b->repeating());
    EXPECT_EQ(log.events, (std::vector<std::string>{"pressed 1505", "command 1505", "command 1505", "command 1505",
                                                    "command 1505", "released 1505"}));
    // The real timer repeats too, and losing the focus stops it.
    log.events.clear();
    b->show();
    b->setFocus();
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::qWait(400);
    EXPECT_GE(std::count(log.events.begin(), log.events.end(), "command 1505"), 1);
    b->clearFocus();
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(b.get(), &out);
    EXPECT_FALSE(b->repeating());
}

TEST(BitmapButton, DoubleClickRightClickAndDrops) {
    auto b = button(0, 1320);
    Log log(*b);
    QTest::mouseDClick(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(log.events.back(), "double 1320");
    EXPECT_TRUE(b->shownPressed());
    // The release after a double-click completes it like a click.
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(log.events.back(), "released 1320");

    log.events.clear();
    QTest::mouseClick(b.get(), Qt::RightButton, {}, QPoint(10, 10));
    QTest::mousePress(b.get(), Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b.get(), Qt::RightButton, {}, QPoint(90, 10));
    EXPECT_EQ(log.events, (std::vector<std::string>{"right 1320"}));

    log.events.clear();
    b->show();
    // A drop as Qt delivers it: the drag enters (and is accepted or not), then the drop.
    auto dropOn = [&b](const QMimeData& data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(b.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(b.get(), &drop);
        return true;
    };
    QMimeData media;
    media.setData(kMediaPathMime, QByteArray("/music/loops/kick.wav"));
    EXPECT_TRUE(dropOn(media));
    QMimeData desktop;
    desktop.setUrls({QUrl::fromLocalFile("/home/me/snare.wav")});
    EXPECT_TRUE(dropOn(desktop));
    QMimeData text;
    text.setText("just words");
    EXPECT_FALSE(dropOn(text));
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"drop /music/loops/kick.wav 1320", "drop /home/me/snare.wav 1320"}));
}

TEST(BitmapButton, CaptionHeightsSizesAndFaces) {
    auto b = button(0);
    EXPECT_EQ(b->captionHeight(), 14);
    b->configure(1, face(Qt::red), QPixmap(), "Go", ButtonFlag::kFont8);
    EXPECT_EQ(b->captionHeight(), 8);
    b->configure(1, face(Qt::red), QPixmap(), "Go", ButtonFlag::kFont8 | 0x40);
    EXPECT_EQ(b->captionHeight(), 10); // the last bit given wins
    b->configure(1, face(Qt::red, 33, 17), QPixmap(), "", ButtonFlag::kFitFace);
    EXPECT_EQ(b->size(), QSize(33, 17));
    b->setWindowTitle("Own text");
    b->configure(1, face(Qt::red), QPixmap(), "", ButtonFlag::kWindowText);
    EXPECT_EQ(b->caption(), "Own text");

    // Released: the face; pressed without a pressed face: the face with a sunken edge.
    b->resize(40, 20);
    b->configure(1, face(QColor(0, 128, 0)), QPixmap(), "", 0);
    QImage released = b->grab().toImage();
    EXPECT_EQ(released.pixelColor(20, 10), QColor(0, 128, 0));
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QImage pressed = b->grab().toImage();
    EXPECT_EQ(pressed.pixelColor(20, 10), QColor(0, 128, 0));
    EXPECT_EQ(pressed.pixelColor(0, 0), QColor(64, 64, 64));
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(10, 10));

    // Transparent with the placeholder face: only the background shows; a face keeps its size at
    // the bottom right.
    QPixmap background(40, 20);
    background.fill(QColor(0, 0, 90));
    b->configure(1, face(Qt::red, 2, 2), QPixmap(), "", ButtonFlag::kTransparent, true);
    b->setBackground(background);
    EXPECT_EQ(b->grab().toImage().pixelColor(0, 0), QColor(0, 0, 90));
    b->configure(1, face(Qt::red, 10, 5), QPixmap(), "",
                 ButtonFlag::kTransparent | ButtonFlag::kAlignBottom | ButtonFlag::kAlignRight);
    const QImage aligned = b->grab().toImage();
    EXPECT_EQ(aligned.pixelColor(39, 19), QColor(Qt::red));
    EXPECT_EQ(aligned.pixelColor(0, 0), QColor(0, 0, 90));
}
