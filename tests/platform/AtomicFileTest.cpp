#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using tonwerk::platform::ProfileFile;
using tonwerk::platform::readWholeFile;
using tonwerk::platform::Status;
using tonwerk::platform::writeFileAtomically;
using tonwerk::test::readFile;
using tonwerk::test::TempDir;
using tonwerk::test::writeFile;

namespace {

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Limits the size of files this process may write, so that writes fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(AtomicFile, ReplacesContentsAndKeepsPermissionsAndLinks) {
    TempDir dir;
    const fs::path file = dir / "Tonwerk.ini";
    ASSERT_TRUE(writeFileAtomically(file, "first\n").ok());
    EXPECT_EQ(readFile(file), "first\n");

    ::chmod(file.c_str(), 0600);
    ASSERT_TRUE(writeFileAtomically(file, "second\n").ok());
    EXPECT_EQ(readFile(file), "second\n");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // A settings file that is a link into a dotfiles folder stays a link.
    const fs::path link = dir / "link.ini";
    fs::create_symlink(file, link);
    ASSERT_TRUE(writeFileAtomically(link, "through the link\n").ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(file), "through the link\n");

    EXPECT_EQ(entriesIn(dir.path()), 2u); // no temporary file left behind
}

TEST(AtomicFile, FullDiskLeavesTheOldFileIntact) {
    TempDir dir;
    const fs::path file = dir / "Tonwerk.ini";
    writeFile(file, "[Options]\nMidiInDevice=3\n");
    const std::string big(64 * 1024, 'x');
    Status status = Status::success();
    {
        const FileSizeLimit limit(4096);
        status = writeFileAtomically(file, big);
    }
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find(file.string()), std::string::npos) << status.message();
    EXPECT_NE(status.message().find("too large"), std::string::npos) << status.message();
    EXPECT_EQ(readFile(file), "[Options]\nMidiInDevice=3\n");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicFile, FolderThatCannotExistSaysSo) {
    TempDir dir;
    // A folder that cannot exist: a path component is a plain file.
    writeFile(dir / "plain", "not a folder");
    const Status notAFolder = writeFileAtomically(dir / "plain" / "Tonwerk.ini", "x");
    ASSERT_FALSE(notAFolder.ok());
    EXPECT_NE(notAFolder.message().find("Not a directory"), std::string::npos) << notAFolder.message();
}

TEST(AtomicFile, ReadOnlyFolderSaysSoAndKeepsTheOldFile) {
    TempDir dir;
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    writeFile(locked / "Tonwerk.ini", "old\n");
    ::chmod(locked.c_str(), 0555);
    ::chmod(dir.path().c_str(), 0755);

    // Root may write anywhere, so the attempt runs in a child that drops to an ordinary user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        const Status denied = writeFileAtomically(locked / "Tonwerk.ini", "new\n");
        if (denied.ok()) {
            ::_exit(1);
        }
        ::_exit(denied.message().find("Permission denied") != std::string::npos &&
                        denied.message().find("Tonwerk.ini") != std::string::npos
                    ? 0
                    : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write succeeded, 2: unclear message, 3: could not drop root";
    EXPECT_EQ(readFile(locked / "Tonwerk.ini"), "old\n");
    EXPECT_EQ(entriesIn(locked), 1u);
}

TEST(AtomicFile, ReadingMissingFoldersAndFiles) {
    TempDir dir;
    const auto missing = readWholeFile(dir / "absent.ini");
    EXPECT_TRUE(missing.status.ok());
    EXPECT_FALSE(missing.exists);

    const auto folder = readWholeFile(dir.path());
    EXPECT_FALSE(folder.status.ok());
    EXPECT_NE(folder.status.message().find(dir.path().string()), std::string::npos);

    Status status = Status::failure("unset");
    const ProfileFile p = ProfileFile::load(dir / "absent.ini", &status);
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(p.serialize(), "");

    const ProfileFile q = ProfileFile::load(dir.path(), &status);
    EXPECT_FALSE(status.ok());
}

} // namespace
