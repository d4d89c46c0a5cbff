#include "cli/Cli.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using tonwerk::cli::runCli;
using tonwerk::test::TempDir;
using tonwerk::test::writeFile;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun cli(std::vector<std::string_view> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCli(args, out, err);
    return CliRun{status, out.str(), err.str()};
}

TEST(Cli, HelpVersionAndUsageErrors) {
    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("settings dump [--file F]"), std::string::npos);
    EXPECT_TRUE(help.err.empty());

    const CliRun version = cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tonwerk-cli ", 0), 0u);

    for (const auto& args : std::vector<std::vector<std::string_view>>{{},
                                                                       {"bogus"},
                                                                       {"settings"},
                                                                       {"settings", "print"},
                                                                       {"settings", "dump", "--file"},
                                                                       {"settings", "dump", "--file", ""},
                                                                       {"settings", "dump", "--verbose"}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("Usage: tonwerk-cli"), std::string::npos);
    }
}

TEST(Cli, SettingsDumpPrintsEveryEntryAsLoaded) {
    TempDir dir;
    writeFile(dir / "t.ini", "[Keyboard]\nKeybOktave = 3\n[Developer]\nDSMemMode=1\n");
    const CliRun r = cli({"settings", "dump", "--file", (dir / "t.ini").c_str()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) {
        all.push_back(line);
    }
    ASSERT_EQ(all.size(), 57u);
    EXPECT_EQ(all.front(), "[Options] Tagestip=0");
    EXPECT_EQ(all[8], "[Keyboard] KeybOktave=3");
    EXPECT_EQ(all[11], "[Keyboard] PC vom MIDI-Keyboard=1");
    EXPECT_EQ(all.back(), "[Developer] DSMemMode=1");
}

TEST(Cli, SettingsDumpOfAnUnreadableFileFails) {
    TempDir dir;
    const CliRun r = cli({"settings", "dump", "--file", dir.path().c_str()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir.path().string()), std::string::npos);
}

} // namespace
