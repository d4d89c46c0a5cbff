// The "Search File" dialog's bookkeeping: remembered folders, proposed paths, where Find looks and
// what it finds, and which chosen files can stand in for a missing one.
#include "session/FileSearch.h"
#include "audio/WaveBuilder.h"
#include "support/TempDir.h"
#include "video/ClipMaker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tonwerk::session {
namespace {

namespace fs = std::filesystem;

FileSearch::Progress waitForEnd(const FileSearch& search) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    FileSearch::Progress progress = search.progress();
    while (!progress.finished && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        progress = search.progress();
    }
    return progress;
}

TEST(FileSearch, RememberedFoldersAndProposedPaths) {
    std::vector<std::string> folders;
    for (int i = 1; i <= 7; ++i) {
        rememberSearchFolder(folders, "/music/" + std::to_string(i));
    }
    ASSERT_EQ(folders.size(), 7U);
    EXPECT_EQ(folders.front(), "/music/7");
    trimSearchFolders(folders);
    ASSERT_EQ(folders.size(), 6U);
    EXPECT_EQ(folders.back(), "/music/2") << "the oldest goes";
    rememberSearchFolder(folders, "/music/4"); // found there again: to the front, once
    EXPECT_EQ(folders,
              (std::vector<std::string>{"/music/4", "/music/7", "/music/6", "/music/5", "/music/3", "/music/2"}));

    EXPECT_EQ(proposedPath("C:\\Loops\\", "kick.wav"), "C:\\Loops\\kick.wav");
    EXPECT_EQ(proposedPath("/loops/", "kick.wav"), "/loops/kick.wav");
    EXPECT_EQ(proposedPath("/loops", "kick.wav"), "/loops/kick.wav");
    EXPECT_EQ(proposedPath("", "kick.wav"), "kick.wav");
}

TEST(FileSearch, RootsStartWithTheStoredPathsDisk) {
    const std::vector<SearchDisk> disks = {
        {"/", true}, {"/srv/music", true}, {"/media/stick", false}, {"/data", true}, {"/srv", true}};
    // A drive-letter path of an old setup: the home folder stands in for its disk.
    EXPECT_EQ(searchRoots("C:\\Music\\kick.wav", "/home/me", disks),
              (std::vector<fs::path>{"/home/me", "/", "/data", "/srv", "/srv/music"}));
    // A path of this machine: the disk that holds it (the longest root), then the other fixed ones.
    EXPECT_EQ(searchRoots("/srv/music/kit/kick.wav", "/home/me", disks),
              (std::vector<fs::path>{"/srv/music", "/", "/data", "/srv"}));
    EXPECT_EQ(searchRoots("/srvx/kick.wav", "/home/me", disks),
              (std::vector<fs::path>{"/", "/data", "/srv", "/srv/music"}));
    EXPECT_EQ(searchRoots("/media/stick/kick.wav", "/home/me", disks),
              (std::vector<fs::path>{"/", "/data", "/srv", "/srv/music"}))
        << "removable media are not searched";
    EXPECT_EQ(searchRoots("kick.wav", "/home/me", {}), std::vector<fs::path>{"/home/me"});
}

TEST(FileSearch, TheFirstDiskWithTheFileWinsAndTheLastMatchWithinIt) {
    test::TempDir dir;
    const fs::path a = dir / "a";
    const fs::path b = dir / "b";
    const fs::path c = dir / "c";
    for (const fs::path& p : {a / "x", b / "one", b / "two", c / "three", a / ".hidden"}) {
        fs::create_directories(p);
    }
    for (const fs::path& p :
         {b / "one" / "kick.wav", b / "two" / "kick.wav", c / "three" / "kick.wav", a / ".hidden" / "kick.wav"}) {
        test::writeFile(p, "x");
    }
    FileSearch search("kick.wav", {a, b, c});
    const FileSearch::Progress progress = waitForEnd(search);
    ASSERT_TRUE(progress.finished);
    ASSERT_TRUE(progress.found);
    EXPECT_EQ(progress.found->parent_path().parent_path(), b) << "b comes before c; hidden folders are skipped";
    EXPECT_EQ(progress.foundFolders.size(), 2U);
    EXPECT_EQ(fs::path(progress.foundFolders.back()), progress.found->parent_path()) << "the last match wins";

    FileSearch nothing("snare.wav", {a, b, c});
    const FileSearch::Progress none = waitForEnd(nothing);
    EXPECT_TRUE(none.finished);
    EXPECT_FALSE(none.found);
    EXPECT_TRUE(none.foundFolders.empty());
    FileSearch empty("", {a});
    EXPECT_FALSE(waitForEnd(empty).found);
}

TEST(FileSearch, AStoppedSearchEndsAtOnce) {
    test::TempDir dir;
    // A deep and wide tree: the search is stopped long before it could walk it.
    for (int i = 0; i < 200; ++i) {
        fs::create_directories(dir / ("d" + std::to_string(i)) / "e" / "f");
    }
    const auto start = std::chrono::steady_clock::now();
    {
        FileSearch search("nothing.wav", {dir.path(), dir.path(), dir.path()});
        search.stop();
    } // the destructor joins
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(FileSearch, OnlyLoadableMediaStandInForAMissingFile) {
    test::TempDir dir;
    test::WaveBuilder wave;
    wave.words({1, 2, 3, 4});
    const auto bytes = wave.bytes();
    test::writeFile(dir / "ok.wav", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    test::writeFile(dir / "text.wav", "not a sound");
    EXPECT_TRUE(usableMediaFile(dir / "ok.wav", midi::SplitTask::Sample));
    EXPECT_FALSE(usableMediaFile(dir / "text.wav", midi::SplitTask::Sample));
    EXPECT_FALSE(usableMediaFile(dir / "missing.wav", midi::SplitTask::Sample));
    EXPECT_FALSE(usableMediaFile(dir / "ok.wav", midi::SplitTask::Avi));
    if (test::makeClip(dir / "clip.avi", "mjpeg", 32, 24, 3)) {
        EXPECT_TRUE(usableMediaFile(dir / "clip.avi", midi::SplitTask::Avi));
    }
}

} // namespace
} // namespace tonwerk::session
