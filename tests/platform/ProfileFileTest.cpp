#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>
#include <string>
#include <vector>

using tonwerk::platform::parseProfileInt;
using tonwerk::platform::ProfileFile;

namespace {

TEST(ProfileFileRead, FollowsTheWindowsProfileRules) {
    const ProfileFile p = ProfileFile::parse("orphan=before any section\n"
                                             "; a comment line\n"
                                             "  [ Options ]   trailing text\n"
                                             "   MidiInDevice   =   3   \n"
                                             "midiindevice=9\n"
                                             "\tQuoted = \"  spaced value  \"\n"
                                             "HalfQuoted=\"open\n"
                                             "  ; Hidden=1\n"
                                             "no equals sign here\n"
                                             "=no key\n"
                                             "Empty=\n"
                                             "[options]\n"
                                             "Later=from the second section\n"
                                             "MidiInDevice=7\n"
                                             "[Path]\n"
                                             "Setup-Pfad=C:\\Setups\\\n");
    // Case-insensitive names, trimmed values, first occurrence wins (also across duplicate sections).
    EXPECT_EQ(p.getString("OPTIONS", "midiINdevice", "x"), "3");
    EXPECT_EQ(p.getInt("options", "MidiInDevice", -1), 3);
    EXPECT_EQ(p.getString("Options", "Later", ""), "from the second section");
    // Double quotes come off; what is inside them stays as it is.
    EXPECT_EQ(p.getString("Options", "Quoted", ""), "  spaced value  ");
    EXPECT_EQ(p.getString("Options", "HalfQuoted", ""), "\"open");
    // Comments, lines without '=' and lines before the first section are not entries.
    EXPECT_EQ(p.value("Options", "Hidden"), std::nullopt);
    EXPECT_EQ(p.value("Options", "no equals sign here"), std::nullopt);
    EXPECT_EQ(p.value("", "orphan"), std::nullopt);
    EXPECT_EQ(p.getString("Options", "Empty", "fallback"), "");
    EXPECT_EQ(p.getInt("Options", "Empty", 42), 42);
    EXPECT_EQ(p.getInt("Options", "Missing", 42), 42);
    EXPECT_EQ(p.getString("Path", "Setup-Pfad", ""), "C:\\Setups\\");
    EXPECT_EQ(p.getString("NoSuchSection", "Setup-Pfad", "def"), "def");
}

TEST(ProfileFileRead, IntegersAreTheirLeadingDigits) {
    EXPECT_EQ(parseProfileInt("42"), 42);
    EXPECT_EQ(parseProfileInt("  -12abc"), -12);
    EXPECT_EQ(parseProfileInt("+7"), 7);
    EXPECT_EQ(parseProfileInt("abc"), 0);
    EXPECT_EQ(parseProfileInt("-"), 0);
    EXPECT_EQ(parseProfileInt("0x10"), 0);
    EXPECT_EQ(parseProfileInt("3.9"), 3);
    EXPECT_EQ(parseProfileInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(parseProfileInt("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(parseProfileInt("-2147483648"), INT_MIN);

    const ProfileFile p = ProfileFile::parse("[Tempo]\nBPM=120 bpm\nBad=fast\nQuoted=\"98\"\n");
    EXPECT_EQ(p.getInt("Tempo", "BPM", 0), 120);
    EXPECT_EQ(p.getInt("Tempo", "Bad", 5), 0);
    EXPECT_EQ(p.getInt("Tempo", "Quoted", 0), 98);
}

TEST(ProfileFileRead, LegacyBytesReadAsWindows1252) {
    // "Grüße" written by a Windows program, and a valid UTF-8 line beside it.
    const ProfileFile p = ProfileFile::parse("[Path]\nWave-Pfad=C:\\Gr\xFC\xDF"
                                             "e\\\nAVI-Pfad=/home/j\xC3\xBCrgen\n");
    EXPECT_EQ(p.getString("Path", "Wave-Pfad", ""), "C:\\Gr\xC3\xBC\xC3\x9F"
                                                    "e\\");
    EXPECT_EQ(p.getString("Path", "AVI-Pfad", ""), "/home/j\xC3\xBCrgen");
    // Lines nobody writes keep their bytes.
    EXPECT_EQ(p.serialize(), "[Path]\nWave-Pfad=C:\\Gr\xFC\xDF"
                             "e\\\nAVI-Pfad=/home/j\xC3\xBCrgen\n");
}

TEST(ProfileFileWrite, KeepsEveryOtherLineAndOrder) {
    const std::string text = "; Tonwerk settings, edited by hand\r\n"
                             "[Options]\r\n"
                             "  MidiInDevice = 3   ; not a comment, part of the value\r\n"
                             "Unknown=kept\r\n"
                             "\r\n"
                             "[Developer]\r\n"
                             "DSMemMode=1\r\n";
    ProfileFile p = ProfileFile::parse(text);
    EXPECT_EQ(p.serialize(), text); // untouched: byte for byte

    ASSERT_TRUE(p.setInt("options", "midiindevice", 5));     // replaced in place, the file's spelling kept
    ASSERT_TRUE(p.setInt("Options", "MidiOutDevice", -1));   // appended after the section's last entry
    ASSERT_TRUE(p.setString("Keyboard", "KeybOktave", "2")); // new section at the end
    EXPECT_EQ(p.serialize(), "; Tonwerk settings, edited by hand\r\n"
                             "[Options]\r\n"
                             "MidiInDevice=5\r\n"
                             "Unknown=kept\r\n"
                             "MidiOutDevice=-1\r\n"
                             "\r\n"
                             "[Developer]\r\n"
                             "DSMemMode=1\r\n"
                             "[Keyboard]\r\n"
                             "KeybOktave=2\r\n");
}

TEST(ProfileFileWrite, EdgesOfTheFile) {
    // A last line without an ending is not glued to what is appended.
    ProfileFile p = ProfileFile::parse("[A]\nx=1");
    ASSERT_TRUE(p.setString("B", "y", "2"));
    EXPECT_EQ(p.serialize(), "[A]\nx=1\n[B]\ny=2\n");

    // An empty section gets its first entry right after the header.
    ProfileFile q = ProfileFile::parse("[A]\n; nothing yet\n[B]\nz=0\n");
    ASSERT_TRUE(q.setString("a", "k", "v"));
    EXPECT_EQ(q.serialize(), "[A]\nk=v\n; nothing yet\n[B]\nz=0\n");

    // An empty profile.
    ProfileFile r;
    ASSERT_TRUE(r.setInt("Options", "Tagestip", 0));
    EXPECT_EQ(r.serialize(), "[Options]\nTagestip=0\n");
}

TEST(ProfileFileWrite, RefusesWhatTheFormatCannotHold) {
    ProfileFile p = ProfileFile::parse("[A]\nk=old\n");
    EXPECT_FALSE(p.setString("A", "k", "two\nlines"));
    EXPECT_FALSE(p.setString("A", "k", "carriage\rreturn"));
    EXPECT_FALSE(p.setString("A", "", "v"));
    EXPECT_FALSE(p.setString("A", "a=b", "v"));
    EXPECT_FALSE(p.setString("A", " padded", "v"));
    EXPECT_FALSE(p.setString("A", ";comment", "v"));
    EXPECT_FALSE(p.setString("A]", "k", "v"));
    EXPECT_EQ(p.serialize(), "[A]\nk=old\n");
}

TEST(ProfileFileWrite, ValuesThatReadingWouldAlterAreQuoted) {
    ProfileFile p;
    for (const std::string v : {"  leading", "trailing\t", "\"quoted\"", "", "\"", "a=b;c", "[x]"}) {
        ASSERT_TRUE(p.setString("S", "k", v));
        const ProfileFile back = ProfileFile::parse(p.serialize());
        EXPECT_EQ(back.getString("S", "k", "missing"), v) << "value [" << v << "]";
    }
}

// Random profiles with junk lines: after any sequence of writes, reading the stored text gives
// exactly the last value written for every key, and lines never written keep their bytes.
TEST(ProfileFileWrite, RandomWritesRoundTrip) {
    std::mt19937 rng(20261208);
    // Values are UTF-8 (the program's own text); junk lines may hold any bytes.
    const std::vector<std::string> tokens = {"a", "X", "0", " ",  "_",  "-",        "=",
                                             ";", "[", "]", "\"", "\t", "\xC3\xBC", "\xE2\x82\xAC"};
    auto randomText = [&](std::size_t maxLength) {
        std::string s;
        const std::size_t n = rng() % (maxLength + 1);
        for (std::size_t i = 0; i < n; ++i) {
            s += tokens[rng() % tokens.size()];
        }
        return s;
    };
    auto randomJunk = [&](std::size_t maxLength) {
        std::string s = randomText(maxLength);
        if (rng() % 4 == 0) {
            s += "\xE4\x80"; // Windows-1252 bytes
        }
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        std::string junk;
        for (int i = 0; i < 6; ++i) {
            junk += randomJunk(12) + (rng() % 2 ? "\n" : "\r\n");
        }
        ProfileFile p = ProfileFile::parse(junk);
        std::map<std::pair<std::string, std::string>, std::string> expected;
        const char* sections[] = {"Options", "Path", "DS-Treiber GUID"};
        const char* keys[] = {"MidiInDevice", "aktuelles Setup", "Data1", "x"};
        for (int w = 0; w < 12; ++w) {
            const std::string section = sections[rng() % 3];
            const std::string key = keys[rng() % 4];
            std::string value = randomText(10);
            if (!p.setString(section, key, value)) {
                continue;
            }
            // Names compare without case: store under lower case.
            std::string ls = section;
            std::string lk = key;
            for (auto* s : {&ls, &lk}) {
                for (char& c : *s) {
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                }
            }
            expected[{ls, lk}] = value;
        }
        const ProfileFile back = ProfileFile::parse(p.serialize());
        for (const auto& [name, value] : expected) {
            const auto got = back.value(name.first, name.second);
            // A junk line may itself have opened one of these sections and defined the key first;
            // then the written value replaced it in place, so the value still matches.
            ASSERT_TRUE(got.has_value()) << "round " << round;
            EXPECT_EQ(*got, value) << "round " << round;
        }
    }
}

} // namespace
