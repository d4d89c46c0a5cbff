#include "cli/Cli.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
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
    ASSERT_EQ(all.size(), 61u);
    EXPECT_EQ(all.front(), "[Options] Tagestip=0");
    EXPECT_EQ(all[8], "[Keyboard] KeybOktave=3");
    EXPECT_EQ(all[11], "[Keyboard] PC vom MIDI-Keyboard=1");
    EXPECT_EQ(all[56], "[Developer] DSMemMode=1");
    EXPECT_EQ(all[58], "[Options] MidiOutDeviceName=");
    EXPECT_EQ(all[59], "[Setup] ScreenScale=0");
    EXPECT_EQ(all.back(), "[Setup] Setup beim Start laden=0");
}

TEST(Cli, SettingsDumpOfAnUnreadableFileFails) {
    TempDir dir;
    const CliRun r = cli({"settings", "dump", "--file", dir.path().c_str()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir.path().string()), std::string::npos);
}

} // namespace

namespace {

std::string runWithInput(const std::string& input, std::vector<std::string_view> args, int& status) {
    std::istringstream in(input);
    std::streambuf* old = std::cin.rdbuf(in.rdbuf());
    std::ostringstream out;
    std::ostringstream err;
    status = runCli(args, out, err);
    std::cin.rdbuf(old);
    return out.str() + err.str();
}

TEST(Cli, SetupMakeAndDumpRoundTrip) {
    TempDir dir;
    const std::string first = (dir / "a.mks").string();
    int status = -1;
    runWithInput(R"({"setups":[{"splits":[{"state":1,"transpose":-12,"comment":"Bass",
                   "video":{"mixX":5},"sample":{"volume":-300}}]}]})",
                 {"setup", "make", first}, status);
    ASSERT_EQ(status, 0);
    std::ostringstream dump;
    std::ostringstream err;
    ASSERT_EQ(runCli(std::vector<std::string_view>{"setup", "dump", first}, dump, err), 0) << err.str();
    const std::string json = dump.str();
    EXPECT_NE(json.find("\"transpose\": -12"), std::string::npos);
    EXPECT_NE(json.find("\"reserved220\": -30000"), std::string::npos);
    EXPECT_NE(json.find("\"reserved728\": 0"), std::string::npos);
    // What dump prints, make writes back byte for byte.
    const std::string second = (dir / "b.mks").string();
    runWithInput(json, {"setup", "make", second}, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(tonwerk::test::readFile(second), tonwerk::test::readFile(first));
    // Two setups, or the bank extension, make a bank.
    const std::string bank = (dir / "c.mkb").string();
    runWithInput(R"({"setups":[{}]})", {"setup", "make", bank}, status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(tonwerk::test::readFile(bank).find("STPS"), std::string::npos);
}

// Flag and bit-field words are unsigned: bit 31 prints as 2147483657, not as a negative number, and
// both that and the negative form of older dumps are taken back.
TEST(Cli, FlagWordsAreUnsignedInTheJson) {
    TempDir dir;
    int status = -1;
    const std::string unsignedForm = (dir / "u.mks").string();
    runWithInput(R"({"setups":[{"splits":[{"screenMask":4294967295,"sample":{"sampleFlags":2147483657},
                   "video":{"effectFlags":2147483648,"rowEffect":[4294967295,0,0,0,0,0,0,1]}}]}]})",
                 {"setup", "make", unsignedForm}, status);
    ASSERT_EQ(status, 0);
    const std::string negativeForm = (dir / "n.mks").string();
    runWithInput(R"({"setups":[{"splits":[{"screenMask":-1,"sample":{"sampleFlags":-2147483639},
                   "video":{"effectFlags":-2147483648,"rowEffect":[-1,0,0,0,0,0,0,1]}}]}]})",
                 {"setup", "make", negativeForm}, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(tonwerk::test::readFile(unsignedForm), tonwerk::test::readFile(negativeForm));
    std::ostringstream dump;
    std::ostringstream err;
    ASSERT_EQ(runCli(std::vector<std::string_view>{"setup", "dump", unsignedForm}, dump, err), 0) << err.str();
    EXPECT_NE(dump.str().find("\"sampleFlags\": 2147483657"), std::string::npos);
    EXPECT_NE(dump.str().find("\"screenMask\": 4294967295"), std::string::npos);
    EXPECT_NE(dump.str().find("\"effectFlags\": 2147483648"), std::string::npos);
    EXPECT_EQ(dump.str().find(": -2147483"), std::string::npos);
    // Beyond 32 bits either way is still refused.
    runWithInput(R"({"setups":[{"splits":[{"sample":{"sampleFlags":4294967296}}]}]})", {"setup", "make", unsignedForm},
                 status);
    EXPECT_EQ(status, 2);
    runWithInput(R"({"setups":[{"splits":[{"sample":{"sampleFlags":-2147483649}}]}]})", {"setup", "make", unsignedForm},
                 status);
    EXPECT_EQ(status, 2);
}

TEST(Cli, SetupMakeRefusesBadInput) {
    TempDir dir;
    const std::string file = (dir / "x.mks").string();
    for (const char* input : {"not json", R"({"setups":[]})", R"({"setups":[{"splits":[{"nosuch":1}]}]})",
                              R"({"setups":[{"splits":[{"noteTarget":256}]}]})",
                              R"({"setups":[{"splits":[{"comment":"much too long for twenty bytes"}]}]})"}) {
        int status = -1;
        const std::string output = runWithInput(input, {"setup", "make", file}, status);
        EXPECT_EQ(status, 2) << input;
        EXPECT_NE(output.find("setup make"), std::string::npos) << output;
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(Cli, SongDump) {
    TempDir dir;
    const std::string smf = std::string("MThd\0\0\0\6\0\0\0\1\1\x80", 14) + std::string("MTrk\0\0\0\x0d", 8) +
                            std::string("\x00\x90\x3c\x40\x83\x00\x80\x3c\x00\x00\xff\x2f\x00", 13);
    writeFile(dir / "s.mid", smf);
    const CliRun r = cli({"song", "dump", (dir / "s.mid").c_str()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "events=2 saved=2 lengthBeats=4\n0:0 90 3c 40 00\n0:384 80 3c 00 00\n");
    EXPECT_EQ(cli({"song", "dump", (dir / "none.mid").c_str()}).status, 1);
}

} // namespace
