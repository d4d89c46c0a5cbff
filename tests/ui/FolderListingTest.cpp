#include "screens/controls/FolderListing.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tonwerk;
using ui::EntryKind;
using ui::FolderEntry;
namespace fs = std::filesystem;

namespace {

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

std::vector<std::string> texts(const std::vector<FolderEntry>& entries) {
    std::vector<std::string> out;
    for (const FolderEntry& e : entries) {
        out.push_back(e.text);
    }
    return out;
}

// Folders first, then files, each without regard to case; hidden names left out; the pattern
// matches without regard to case; "[..]" leads; an exclusive fill lists no files.
TEST(FolderListing, SortsFoldersThenFiles) {
    test::TempDir dir;
    fs::create_directory(dir / "Drums");
    fs::create_directory(dir / "bass");
    fs::create_directory(dir / ".cache");
    touch(dir / "Snare.wav");
    touch(dir / "kick.WAV");
    touch(dir / "notes.txt");
    touch(dir / ".hidden.wav");
    using namespace ui::ListFill;
    const auto all = ui::listFolder(dir.path(), kDirectories, "*.wav", {});
    ASSERT_TRUE(all);
    EXPECT_EQ(texts(*all), (std::vector<std::string>{"[..]", "[bass]", "[Drums]", "kick.WAV", "Snare.wav"}));
    EXPECT_EQ((*all)[1].kind, EntryKind::Folder);
    EXPECT_EQ((*all)[1].name, "bass");
    EXPECT_EQ((*all)[3].kind, EntryKind::File);

    const auto foldersOnly = ui::listFolder(dir.path(), kDirectories | kExclusive, "*.*", {});
    EXPECT_EQ(texts(*foldersOnly), (std::vector<std::string>{"[..]", "[bass]", "[Drums]"}));
    const auto filesOnly = ui::listFolder(dir.path(), 0, "*.WAV;*.txt", {});
    EXPECT_EQ(texts(*filesOnly), (std::vector<std::string>{"kick.WAV", "notes.txt", "Snare.wav"}));
    const auto withHidden = ui::listFolder(dir.path(), kHidden, "*.wav", {});
    EXPECT_EQ(withHidden->size(), 3U);

    // The drives between the folders and the files.
    const std::vector<ui::Drive> drives{{"home", dir.path()}, {"/", "/"}};
    const auto withDrives = ui::listFolder(dir.path(), kDirectories | kDrives, "*.wav", drives);
    EXPECT_EQ(texts(*withDrives),
              (std::vector<std::string>{"[..]", "[bass]", "[Drums]", "[-home-]", "[-/-]", "kick.WAV", "Snare.wav"}));
    // The root has no parent.
    const auto root = ui::listFolder("/", kDirectories | kExclusive, "*.*", {});
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->empty() || root->front().text != "[..]");
}

// A folder that is missing, is a file, or may not be read gives nothing, never a crash; an
// empty folder gives only "[..]".
TEST(FolderListing, UnreadableFolders) {
    test::TempDir dir;
    EXPECT_FALSE(ui::listFolder(dir / "gone", ui::ListFill::kDirectories, "*.*", {}));
    touch(dir / "file.wav");
    EXPECT_FALSE(ui::listFolder(dir / "file.wav", ui::ListFill::kDirectories, "*.*", {}));
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::none);
    if (::geteuid() != 0) { // root reads everything
        EXPECT_FALSE(ui::listFolder(dir / "locked", ui::ListFill::kDirectories, "*.*", {}));
    }
    fs::permissions(dir / "locked", fs::perms::owner_all);
    const auto empty = ui::listFolder(dir / "locked", ui::ListFill::kDirectories, "*.*", {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(texts(*empty), (std::vector<std::string>{"[..]"}));
}

TEST(FolderListing, Patterns) {
    EXPECT_TRUE(ui::matchesPattern("loop.wav", "*.WAV"));
    EXPECT_TRUE(ui::matchesPattern("LOOP.WAV", "*.wav"));
    EXPECT_TRUE(ui::matchesPattern("anything", "*.*"));
    EXPECT_TRUE(ui::matchesPattern("a.b.c.aiff", "*.wav;*.aiff"));
    EXPECT_TRUE(ui::matchesPattern("take1.wav", "take?.wav"));
    EXPECT_FALSE(ui::matchesPattern("take12.wav", "take?.wav"));
    EXPECT_FALSE(ui::matchesPattern("loop.wave", "*.wav"));
    EXPECT_FALSE(ui::matchesPattern("loop.wav", ""));
    EXPECT_FALSE(ui::matchesPattern("loop.wav", ";;"));
    EXPECT_TRUE(ui::matchesPattern("", "*"));
    EXPECT_TRUE(ui::lessWithoutCase("bass", "Drums"));
    EXPECT_FALSE(ui::lessWithoutCase("Drums", "bass"));
    EXPECT_TRUE(ui::lessWithoutCase("[..]", "[bass]"));
    // Random names against a pattern of stars and question marks: never a crash, and the star
    // alone matches everything.
    std::mt19937 random(7);
    const std::string alphabet = "ab*?.;";
    for (int i = 0; i < 2000; ++i) {
        std::string name;
        std::string pattern;
        for (int k = static_cast<int>(random() % 8); k > 0; --k) {
            name.push_back(alphabet[random() % 3]);
        }
        for (int k = static_cast<int>(random() % 8); k > 0; --k) {
            pattern.push_back(alphabet[random() % alphabet.size()]);
        }
        static_cast<void>(ui::matchesPattern(name, pattern));
        EXPECT_TRUE(ui::matchesPattern(name, "*"));
    }
}

// The places files live: home, the root, then removable media and shares by name (escaped
// spaces read), mounts elsewhere and mount points that are gone left out.
TEST(FolderListing, DrivesFromTheMountTable) {
    test::TempDir home;
    const std::string table = "sysfs /sys sysfs rw 0 0\n"
                              "/dev/sda1 / ext4 rw 0 0\n"
                              "/dev/sdb1 /media/user/USB\\040STICK vfat rw 0 0\n"
                              "server:/music /mnt/music nfs rw 0 0\n"
                              "garbage\n\n";
    const auto drives = ui::drivesFromMountTable(table, home.path());
    ASSERT_GE(drives.size(), 2U);
    EXPECT_EQ(drives[0].name, "home");
    EXPECT_EQ(drives[0].root, home.path());
    EXPECT_EQ(drives[1].name, "/");
    for (const ui::Drive& d : drives) {
        EXPECT_NE(d.root, fs::path("/sys"));
        EXPECT_TRUE(fs::is_directory(d.root)) << d.root;
    }
    EXPECT_EQ(ui::driveRootedAt(home.path(), drives), &drives[0]);
    EXPECT_EQ(ui::driveRootedAt(home.path() / "", drives), &drives[0]);
    EXPECT_EQ(ui::driveRootedAt(home / "sub", drives), nullptr);
    EXPECT_FALSE(ui::machineDrives().empty());
}

} // namespace
