#include "core/Settings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace fs = std::filesystem;
using namespace tonwerk::core;
using tonwerk::platform::Mount;
using tonwerk::platform::ProfileFile;
using tonwerk::platform::Status;
using tonwerk::test::readFile;
using tonwerk::test::TempDir;
using tonwerk::test::writeFile;

namespace {

SettingsEnvironment environmentIn(const TempDir& dir) { return SettingsEnvironment{dir / "home", dir / "program", {}}; }

TEST(Settings, DefaultsWithoutAFile) {
    TempDir dir;
    Status status = Status::failure("unset");
    const Settings s = loadSettingsFile(dir / "config" / "Tonwerk.ini", environmentIn(dir), &status);
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(s.midiInDevice, 0);
    EXPECT_EQ(s.midiOutDevice, 0);
    EXPECT_EQ(s.keyboardVelocity, 127);
    EXPECT_EQ(s.keyboardOctave, 2);
    const std::string home = (dir / "home").string();
    EXPECT_EQ(s.aviPath, home);
    EXPECT_EQ(s.wavePath, home);
    EXPECT_EQ(s.setupPath, home);
    EXPECT_EQ(s.instrumentPath, home);
    EXPECT_EQ(s.currentSetupPath, home);
    EXPECT_EQ(s.stylePath, (dir / "program" / "MusicStyles").string() + "/");
    EXPECT_EQ(s.tipTimeStamp, "00.00.00");
    EXPECT_EQ(s.midiWarning, -1);
    EXPECT_EQ(s.loadStartupSong, 1);
    EXPECT_EQ(s.fileFontName, "Arial");
    EXPECT_EQ(s.soundBufferSize, 40000);
    EXPECT_EQ(s.soundSafety, 2000);
    EXPECT_EQ(s.soundTimeOut, 120);
    EXPECT_EQ(s.sampleMemoryMode, 2);
    EXPECT_FALSE(s.loadSetupAtStart);
}

TEST(Settings, StyleFolderPrefersRemovableMedia) {
    TempDir dir;
    fs::create_directories(dir / "stick");                // removable, but without styles
    fs::create_directories(dir / "cd" / "MusicStyles");   // removable, with styles
    fs::create_directories(dir / "disk" / "MusicStyles"); // fixed disk: never searched
    SettingsEnvironment env = environmentIn(dir);
    env.mounts = {Mount{"/dev/sda1", dir / "disk", "ext4"}, Mount{"/dev/sdb1", dir / "stick", "iso9660"},
                  Mount{"/dev/sr0", dir / "cd", "udf"}};
    EXPECT_EQ(defaultStylePath(env), (dir / "cd" / "MusicStyles").string());
    env.mounts.pop_back();
    EXPECT_EQ(defaultStylePath(env), (dir / "program" / "MusicStyles").string() + "/");
}

TEST(Settings, TableOrderAndNames) {
    const auto entries = settingEntries();
    ASSERT_EQ(entries.size(), 61u);
    EXPECT_EQ(entries.front().key, "Tagestip");
    EXPECT_EQ(entries[56].key, "DSMemMode");
    EXPECT_FALSE(entries[56].stored);
    EXPECT_EQ(entries[58].key, "MidiOutDeviceName");
    EXPECT_EQ(entries[59].key, "ScreenScale");
    EXPECT_EQ(entries.back().key, "Setup beim Start laden");
    std::set<std::pair<std::string, std::string>> seen;
    for (const SettingEntry& e : entries) {
        EXPECT_TRUE(seen.insert({std::string(e.section), std::string(e.key)}).second) << e.key;
        EXPECT_EQ(e.stored, e.key != "DSMemMode") << e.key;
    }
}

TEST(Settings, HandWrittenFileIsReadWithTheProfileRules) {
    const ProfileFile p = ProfileFile::parse("[options]\r\n"
                                             "midiindevice = 4\r\n"
                                             "MidiOutDevice=-1\r\n"
                                             "[Keyboard]\r\n"
                                             "KeybVelocity=loud\r\n"
                                             "PC vom MIDI-Keyboard = 0\r\n"
                                             "[Path]\r\n"
                                             "aktuelles Setup=\"C:\\Gig\\Opener.mks\"\r\n"
                                             "[DS-Treiber GUID]\r\n"
                                             "Data1=2347102112\r\n"
                                             "Data4_8=255\r\n");
    const Settings s = loadSettings(p, SettingsEnvironment{"/home/p", "/opt/tonwerk", {}});
    EXPECT_EQ(s.midiInDevice, 4);
    EXPECT_EQ(s.midiOutDevice, -1);
    EXPECT_EQ(s.keyboardVelocity, 0); // not a number
    EXPECT_EQ(s.programChangeSelectsSetup, 0);
    EXPECT_EQ(s.currentSetupPath, "C:\\Gig\\Opener.mks");
    EXPECT_EQ(s.soundDeviceData1, "2347102112");
    EXPECT_EQ(s.soundDeviceData4[7], 255);
    EXPECT_EQ(s.soundDeviceData4[0], 0);
    EXPECT_EQ(s.wavePath, "/home/p");
}

TEST(Settings, SaveLoadRoundTripKeepsHandEditsAndDsMemMode) {
    TempDir dir;
    const fs::path file = dir / "tonwerk" / "Tonwerk.ini";
    fs::create_directories(file.parent_path());
    writeFile(file, "; my comment\n[Developer]\nDSMemMode=1\nMyOwnKey=keep me\n");
    const SettingsEnvironment env = environmentIn(dir);

    Settings s = loadSettingsFile(file, env);
    EXPECT_EQ(s.sampleMemoryMode, 1);
    s.midiInDevice = 2;
    s.midiOutDevice = -1;
    s.keyboardOctave = 4;
    s.setupPath = "/home/p/Setups mit Umlauten \xC3\xA4\xC3\xB6\xC3\xBC";
    s.soundDeviceData1 = "4294967295";
    s.soundDeviceData2 = -1;    // stored as its 16 bits
    s.soundDeviceData3 = 70000; // stored as its 16 bits
    s.soundDeviceData4 = {1, 2, 3, 4, 5, 6, 7, 250};
    s.soundDeviceName = "  JACK: system  ";
    s.sampleMemoryMode = 0; // never written
    ASSERT_TRUE(saveSettingsFile(file, s).ok());

    const std::string text = readFile(file);
    EXPECT_EQ(text.rfind("; my comment\n[Developer]\nDSMemMode=1\nMyOwnKey=keep me\n", 0), 0u) << text;
    EXPECT_NE(text.find("Data2=65535\n"), std::string::npos);
    EXPECT_NE(text.find("Data3=4464\n"), std::string::npos);

    const Settings back = loadSettingsFile(file, env);
    Settings expected = s;
    expected.sampleMemoryMode = 1;
    expected.soundDeviceData2 = 65535;
    expected.soundDeviceData3 = 4464;
    EXPECT_EQ(back, expected);

    // A second save of the same block changes nothing.
    ASSERT_TRUE(saveSettingsFile(file, back).ok());
    EXPECT_EQ(readFile(file), text);
}

TEST(Settings, FreshFileIsWrittenInTableOrder) {
    TempDir dir;
    const fs::path file = dir / "new" / "folder" / "Tonwerk.ini";
    ASSERT_TRUE(saveSettingsFile(file, defaultSettings(environmentIn(dir))).ok());
    const std::string text = readFile(file);
    const char* order[] = {"[Options]\nTagestip=0\nFilePos=0\nTimeStamp=00.00.00\n",
                           "[Keyboard]\nKeybVelocity=127\n",
                           "[Path]\nAVI-Pfad=",
                           "[Graphic]\nGrafikWndLeft=0\n",
                           "[Setup]\nMasterDlgLeft=0\n",
                           "Performance-Display=0\nBPMFlags=0\nMIDI-Warnung=-1\n",
                           "[DS-Treiber GUID]\nData1=\nData2=0\n",
                           "Data4_8=0\nDS-Treiber Name=\n",
                           "[Developer]\nFileFont_Name=Arial\n",
                           "StyleFont_Height=10\nDSBufferSize=40000\nDSSafety=2000\nDSTimeOut=120\n",
                           "[TonwerkColor]\nChangeSysColor=0\n"};
    std::size_t at = 0;
    for (const char* part : order) {
        const std::size_t found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << part << "\nin\n" << text;
        at = found;
    }
    EXPECT_EQ(text.find("DSMemMode"), std::string::npos);
}

TEST(Settings, UnreadableFileIsNeverOverwritten) {
    TempDir dir;
    const fs::path file = dir / "Tonwerk.ini";
    fs::create_directory(file); // something that is not a readable file
    const Status status = saveSettingsFile(file, Settings{});
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find(file.string()), std::string::npos);
    EXPECT_TRUE(fs::is_directory(file));

    Status readStatus = Status::success();
    const Settings s = loadSettingsFile(file, environmentIn(dir), &readStatus);
    EXPECT_FALSE(readStatus.ok());
    EXPECT_EQ(s.keyboardVelocity, 127);
}

} // namespace

// The sound memory mode is read from the settings file but written only by the screens' choice;
// the rest of the file stays as it was.
TEST(Settings, SampleMemoryModeIsStoredAlone) {
    const TempDir dir;
    const fs::path file = dir / "Tonwerk.ini";
    const SettingsEnvironment env = environmentIn(dir);
    Settings settings = defaultSettings(env);
    settings.keyboardVelocity = 99;
    ASSERT_TRUE(saveSettingsFile(file, settings).ok());
    ASSERT_TRUE(storeSampleMemoryMode(file, 4).ok());
    const Settings read = loadSettingsFile(file, env);
    EXPECT_EQ(read.sampleMemoryMode, 4);
    EXPECT_EQ(read.keyboardVelocity, 99);
    // Saving the whole settings again keeps the stored mode.
    ASSERT_TRUE(saveSettingsFile(file, read).ok());
    EXPECT_EQ(loadSettingsFile(file, env).sampleMemoryMode, 4);
}
