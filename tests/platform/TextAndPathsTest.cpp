#include "platform/SystemPaths.h"
#include "platform/TextEncoding.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace tonwerk::platform;

namespace {

TEST(TextEncoding, Utf8Validation) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ASCII"));
    EXPECT_TRUE(isValidUtf8("\xC3\xBC \xE2\x82\xAC \xF0\x9F\x8E\xB9"));
    EXPECT_FALSE(isValidUtf8("\xFC"));             // a lone Windows-1252 byte
    EXPECT_FALSE(isValidUtf8("\xC3"));             // truncated sequence
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\x80"));
}

TEST(TextEncoding, Windows1252Conversion) {
    EXPECT_EQ(windows1252ToUtf8("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(windows1252ToUtf8("\x81"), "\xC2\x81");     // undefined byte kept as its control code
    EXPECT_EQ(windows1252ToUtf8("\x9F"), "\xC5\xB8");     // Y with diaeresis
    EXPECT_EQ(decodeLegacyText("j\xC3\xBCrgen"), "j\xC3\xBCrgen");
    EXPECT_EQ(decodeLegacyText("j\xFCrgen"), "j\xC3\xBCrgen");
    // Every byte value converts to valid UTF-8.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_TRUE(isValidUtf8(windows1252ToUtf8(all)));
}

TEST(SystemPaths, ConfigAndProgramFolders) {
    EXPECT_EQ(configDirectory("/xdg/config", "/home/u"), fs::path("/xdg/config"));
    EXPECT_EQ(configDirectory("", "/home/u"), fs::path("/home/u/.config"));
    EXPECT_EQ(configDirectory("relative/path", "/home/u"), fs::path("/home/u/.config"));

    EXPECT_EQ(programDirectory("/usr/bin"), fs::path("/usr/share/tonwerk"));
    EXPECT_EQ(programDirectory("/usr/local/bin/"), fs::path("/usr/local/share/tonwerk"));
    EXPECT_EQ(programDirectory("/bin"), fs::path("/usr/share/tonwerk"));
    EXPECT_EQ(programDirectory("/opt/tonwerk/bin"), fs::path("/opt/tonwerk/share/tonwerk"));
    EXPECT_EQ(programDirectory("/home/u/tonwerk/build"), fs::path("/home/u/tonwerk/build"));
    EXPECT_EQ(programDirectory("/home/u/bin"), fs::path("/home/u/bin"));
    // A prefix of the user's own (~/.local) once the program is installed there.
    const tonwerk::test::TempDir prefix;
    fs::create_directories(prefix / "bin");
    EXPECT_EQ(programDirectory(prefix / "bin"), prefix / "bin");
    fs::create_directories(prefix / "share" / "tonwerk");
    EXPECT_EQ(programDirectory(prefix / "bin"), prefix / "share" / "tonwerk");
}

TEST(SystemPaths, MountTable) {
    const auto mounts = parseMounts("/dev/vda / ext4 rw,relatime 0 0\n"
                                    "\n"
                                    "broken-line\n"
                                    "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                                    "/dev/sdb1 /run/media/u/My\\040Stick vfat rw 0 0\n"
                                    "server:/music /mnt/music nfs rw 0 0");
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0].mountPoint, fs::path("/"));
    EXPECT_EQ(mounts[2].mountPoint, fs::path("/run/media/u/My Stick"));
    EXPECT_EQ(mounts[3].fsType, "nfs");
    EXPECT_FALSE(isRemovableMedia(mounts[0]));
    EXPECT_TRUE(isRemovableMedia(mounts[1]));
    EXPECT_TRUE(isRemovableMedia(mounts[2]));
    EXPECT_FALSE(isRemovableMedia(mounts[3]));
    EXPECT_TRUE(isRemovableMedia(Mount{"/dev/sr1", "/somewhere", "udf"}));
}

} // namespace

// The about box's free memory, from the text of /proc/meminfo.
TEST(SystemPaths, AvailableMemory) {
    EXPECT_EQ(parseAvailableMemory("MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   1234 kB\n"),
              std::optional<std::uint64_t>(1234ULL * 1024));
    EXPECT_EQ(parseAvailableMemory("MemAvailable:7 kB"), std::optional<std::uint64_t>(7ULL * 1024));
    EXPECT_EQ(parseAvailableMemory("MemTotal: 5 kB\n"), std::nullopt);
    EXPECT_EQ(parseAvailableMemory("MemAvailable:   lots kB\n"), std::nullopt);
    EXPECT_EQ(parseAvailableMemory("MemAvailable: 99999999999999999999999 kB\n"), std::nullopt);
    EXPECT_EQ(parseAvailableMemory(""), std::nullopt);
    const auto here = availableMemory();
    ASSERT_TRUE(here.has_value()) << "this machine has /proc/meminfo";
    EXPECT_GT(*here, 0U);
}
