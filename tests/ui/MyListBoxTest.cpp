#include "screens/controls/MyListBox.h"
#include "support/TempDir.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace tonwerk;
using ui::MyListBox;
namespace fs = std::filesystem;
namespace Option = ui::ListOption;

namespace {

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

std::vector<std::string> texts(const MyListBox& list) {
    std::vector<std::string> out;
    for (const ui::FolderEntry& e : list.entries()) {
        out.push_back(e.text);
    }
    return out;
}

// A music-style tree: Styles/{House/{Setups,Drums/{Kicks},bass},Techno}, with wave files.
struct StyleTree {
    StyleTree() {
        fs::create_directories(dir / "Styles" / "House" / "Setups");
        fs::create_directories(dir / "Styles" / "House" / "Drums" / "Kicks");
        fs::create_directories(dir / "Styles" / "House" / "bass");
        fs::create_directories(dir / "Styles" / "Techno");
        touch(dir / "Styles" / "House" / "Drums" / "Snare.wav");
        touch(dir / "Styles" / "House" / "Drums" / "kick.wav");
        touch(dir / "Styles" / "House" / "Setups" / "House.mks");
    }
    test::TempDir dir;
};

// The fill of the text's example, navigation into a folder and back with the folder left
// selected, and the double-click told after each.
TEST(MyListBox, FillsAndNavigates) {
    StyleTree tree;
    MyListBox list(1374, Option::kParentWhenEmpty);
    list.resize(200, 80);
    QSignalSpy doubleClicks(&list, &MyListBox::doubleClicked);
    const fs::path drums = tree.dir / "Styles" / "House" / "Drums";
    ASSERT_TRUE(list.fill(drums, ui::ListFill::kDirectories, "*.WAV"));
    EXPECT_EQ(texts(list), (std::vector<std::string>{"[..]", "[Kicks]", "kick.wav", "Snare.wav"}));
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(list.pathOf(2), drums / "kick.wav");
    list.activate(1);
    EXPECT_EQ(list.folder(), drums / "Kicks");
    EXPECT_EQ(texts(list), (std::vector<std::string>{"[..]"}));
    list.activate(0);
    EXPECT_EQ(list.folder(), drums);
    ASSERT_NE(list.selectedEntry(), nullptr);
    EXPECT_EQ(list.selectedEntry()->text, "[Kicks]");
    list.activate(2); // a file: only told
    EXPECT_EQ(list.folder(), drums);
    EXPECT_EQ(doubleClicks.size(), 3);
    EXPECT_EQ(doubleClicks.last().at(1).toInt(), 2);
    // An empty folder (with the option) shows "[..]"; without a parent entry it shows nothing.
    fs::create_directory(tree.dir / "empty");
    ASSERT_TRUE(list.fill(tree.dir / "empty", 0, "*.wav"));
    EXPECT_EQ(texts(list), (std::vector<std::string>{"[..]"}));
    MyListBox plain(1375, 0);
    ASSERT_TRUE(plain.fill(tree.dir / "empty", 0, "*.mks"));
    EXPECT_EQ(plain.count(), 0);
    EXPECT_EQ(plain.selectedEntry(), nullptr);
    plain.activate(0); // nothing there: nothing happens
}

// Style mode chooses a folder holding "Setups" instead of entering it; leaf mode a folder
// without subfolders; "[Setups]" is never entered by either.
TEST(MyListBox, StyleAndLeafModes) {
    StyleTree tree;
    MyListBox styles(1377, Option::kParentWhenEmpty | Option::kStyleMode);
    ASSERT_TRUE(styles.fill(tree.dir / "Styles", ui::ListFill::kDirectories | ui::ListFill::kExclusive, "*.*"));
    EXPECT_EQ(texts(styles), (std::vector<std::string>{"[..]", "[House]", "[Techno]"}));
    QSignalSpy chosen(&styles, &MyListBox::doubleClicked);
    styles.activate(1);
    EXPECT_EQ(styles.folder(), tree.dir / "Styles") << "a style is chosen, not entered";
    EXPECT_EQ(chosen.size(), 1);
    styles.activate(2); // Techno has no Setups: entered
    EXPECT_EQ(styles.folder(), tree.dir / "Styles" / "Techno");

    MyListBox folders(1376, Option::kEmptyFolderStays | Option::kLeafMode);
    ASSERT_TRUE(
        folders.fill(tree.dir / "Styles" / "House", ui::ListFill::kDirectories | ui::ListFill::kExclusive, "*.*"));
    EXPECT_EQ(texts(folders), (std::vector<std::string>{"[..]", "[bass]", "[Drums]", "[Setups]"}));
    folders.activate(1); // bass: no subfolders, chosen
    EXPECT_EQ(folders.folder(), tree.dir / "Styles" / "House");
    folders.activate(3); // [Setups]: ignored
    EXPECT_EQ(folders.folder(), tree.dir / "Styles" / "House");
    folders.activate(2); // Drums has Kicks: entered
    EXPECT_EQ(folders.folder(), tree.dir / "Styles" / "House" / "Drums");
}

// A folder pulled away under the list (a USB stick): entering it falls back to the home folder,
// listed with the drives and its own drive selected, and says so once.
TEST(MyListBox, VanishedFolderFallsBackHome) {
    StyleTree tree;
    test::TempDir home;
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));
    fs::create_directory(home / "Music");
    MyListBox list(1376, 0);
    list.setDrives({{"home", home.path()}, {"/", "/"}});
    ASSERT_TRUE(list.fill(tree.dir / "Styles", ui::ListFill::kDirectories, "*.*"));
    QSignalSpy unavailable(&list, &MyListBox::folderUnavailable);
    fs::remove_all(tree.dir / "Styles" / "Techno");
    list.activate(2);
    EXPECT_EQ(unavailable.size(), 1);
    EXPECT_EQ(list.folder(), home.path());
    ASSERT_NE(list.selectedEntry(), nullptr);
    EXPECT_EQ(list.selectedEntry()->text, "[-home-]");
    EXPECT_NE(std::find(texts(list).begin(), texts(list).end(), "[Music]"), texts(list).end());
    // A drive entry goes to its root; "[..]" at a drive's root lists the drives there.
    const auto entries = texts(list);
    const auto slash = std::find(entries.begin(), entries.end(), "[-/-]");
    ASSERT_NE(slash, entries.end());
    list.activate(static_cast<int>(slash - entries.begin()));
    EXPECT_EQ(list.folder(), fs::path("/"));
    EXPECT_EQ(list.selectedEntry()->text, "[-/-]");
    // A whole folder removed while it is shown: the next fill fails and shows nothing.
    EXPECT_FALSE(list.fill(tree.dir / "gone", ui::ListFill::kDirectories, "*.*"));
    EXPECT_EQ(list.count(), 0);
}

// Columns side by side: every entry shown lies inside the list, none overlaps another, a point
// finds its entry, a scroll step moves one column; at random sizes and counts.
TEST(MyListBox, ColumnsGeometry) {
    test::TempDir dir;
    for (int i = 0; i < 60; ++i) {
        touch(dir / ("loop" + std::to_string(i) + (i % 3 == 0 ? "-long-name.wav" : ".wav")));
    }
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
        MyListBox list(1374, 0);
        list.setMultiColumn(round % 2 == 0);
        list.setFontPixelSize(8 + static_cast<int>(random() % 10));
        list.resize(20 + static_cast<int>(random() % 400), 5 + static_cast<int>(random() % 120));
        ASSERT_TRUE(list.fill(dir.path(), 0, "*.wav"));
        std::vector<QRect> shown;
        for (int i = 0; i < list.count(); ++i) {
            const QRect r = list.itemRect(i);
            if (r.isEmpty()) {
                continue;
            }
            // Inside the list; only a list lower than one line shows its one line cut.
            EXPECT_TRUE(list.rect().contains(r) || (r.top() == 0 && r.right() < list.width())) << round;
            for (const QRect& other : shown) {
                EXPECT_FALSE(other.intersects(r)) << round;
            }
            shown.push_back(r);
        }
        EXPECT_FALSE(shown.empty());
        const int top = list.topIndex();
        list.scrollStep(1);
        EXPECT_GE(list.topIndex(), top);
        list.scrollStep(-1);
        EXPECT_EQ(list.topIndex(), top);
        for (int step = 0; step < 100; ++step) {
            list.scrollStep(1);
        }
        EXPECT_FALSE(list.itemRect(list.count() - 1).isEmpty()) << "scrolled to the end, the last entry shows";
        list.select(0);
        EXPECT_EQ(list.topIndex(), 0);
        static_cast<void>(list.grab());
    }
}

// Keys the list does not use go on to the screen, once per press and release (auto-repeats
// not); Enter goes into the folder selected; the arrows move the selection.
TEST(MyListBox, KeysGoOnToTheScreen) {
    StyleTree tree;
    MyListBox list(1376, 0);
    ASSERT_TRUE(list.fill(tree.dir / "Styles" / "House", ui::ListFill::kDirectories, "*.*"));
    int down = 0;
    int up = 0;
    QObject::connect(&list, &MyListBox::keyPassed,
                     [&](const QKeyEvent& /*event*/, bool isDown) { ++(isDown ? down : up); });
    QTest::keyPress(&list, Qt::Key_Z);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&list, &repeat);
    QTest::keyRelease(&list, Qt::Key_Z);
    EXPECT_EQ(down, 1);
    EXPECT_EQ(up, 1);
    QTest::keyClick(&list, Qt::Key_Tab); // the joystick's bank key, not a focus move
    EXPECT_EQ(down, 2);
    EXPECT_EQ(up, 2);
    down = 1;
    QSignalSpy selection(&list, &MyListBox::selectionChanged);
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(selection.size(), 2);
    EXPECT_EQ(list.selectedEntry()->text, "[Drums]");
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.folder(), tree.dir / "Styles" / "House" / "Drums");
    EXPECT_EQ(down, 1) << "keys the list uses stay in it";
}

// A background fill: the first pattern that finds a file is taken, the list shows the result when
// it is ready and says so; a newer fill wins over one still running; a folder that cannot be read
// fills nothing and says so; the list may go away while a fill runs.
TEST(MyListBox, FillsInTheBackground) {
    StyleTree tree;
    const fs::path drums = tree.dir / "Styles" / "House" / "Drums";
    MyListBox list(1374, 0);
    QSignalSpy filled(&list, &MyListBox::filled);
    list.fillInBackground(drums, 0, {"*.avi", "*.WAV"});
    EXPECT_TRUE(list.filling());
    ASSERT_TRUE(filled.wait(2000));
    EXPECT_FALSE(list.filling());
    EXPECT_EQ(texts(list), (std::vector<std::string>{"kick.wav", "Snare.wav"}));
    EXPECT_TRUE(filled.last().at(1).toBool());
    EXPECT_EQ(filled.last().at(2).toInt(), 1);
    EXPECT_EQ(list.selected(), 0);

    touch(drums / "clip.AVI");
    list.fillInBackground(tree.dir / "Styles", 0, {"*.wav"});
    list.fillInBackground(drums, 0, {"*.avi", "*.wav"}); // the newer one wins
    ASSERT_TRUE(filled.wait(2000));
    QTest::qWait(50);
    EXPECT_EQ(filled.size(), 2);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"clip.AVI"}));
    EXPECT_EQ(filled.last().at(2).toInt(), 0);

    list.fillInBackground(tree.dir / "gone", 0, {"*.wav"});
    ASSERT_TRUE(filled.wait(2000));
    EXPECT_FALSE(filled.last().at(1).toBool());
    EXPECT_EQ(list.count(), 0);

    auto* brief = new MyListBox(1374, 0);
    brief->fillInBackground(drums, 0, {"*.wav"});
    delete brief; // its fill ends unread
    QTest::qWait(50);
}

} // namespace
