#pragma once

#include "platform/ProfileFile.h"
#include "platform/Status.h"
#include "platform/SystemPaths.h"

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::core {

// The settings block: everything the program keeps between runs. Read once at start, handed to each
// screen as a copy, written back to the settings file whenever a screen closes.
struct Settings {
    // [Options]
    int tipOfTheDay = 0;
    int tipFilePos = 0;
    std::string tipTimeStamp = "00.00.00";
    int midiInDevice = 0;
    int midiOutDevice = 0; // -1 = Tonwerk's own output port
    // The chosen ports' names: port numbers change when devices are plugged in another order, so
    // a port is found by its name first and by its number only when the name is absent.
    std::string midiInDeviceName;
    std::string midiOutDeviceName;
    int markNotes = 1;
    // [Keyboard]
    int keyboardVelocity = 127;
    int keyboardMidiInChannel = 0;
    int keyboardOctave = 2;
    int keyboardLabels = 1;
    int pcKeyboardActive = 1;
    int programChangeSelectsSetup = 1;
    // [Path]
    std::string aviPath;
    std::string wavePath;
    std::string setupPath;
    std::string stylePath;
    int stylePos = 1;
    std::string instrumentPath;
    std::string currentSetupPath;
    // [Graphic]
    int graphicWndLeft = 0;
    int graphicWndRight = 0;
    int graphicWndTop = 0;
    int graphicWndBottom = 0;
    int graphicWndMinimized = 0;
    int graphicWndMaximized = 0;
    // [Setup]
    int masterDlgLeft = 0;
    int masterDlgTop = 0;
    int graphicWindowOpen = 0;
    int loadStartupSong = 1;
    int performanceDisplay = 0;
    // The screens' scale: 0 fits the screen to the window, 100, 150 or 200 fix it in percent.
    int screenScale = 0;
    int bpmFlags = 0;
    int midiWarning = -1;
    // [DS-Treiber GUID]: the chosen sound device's 16-byte identifier and its name.
    std::string soundDeviceData1; // first field as decimal text
    int soundDeviceData2 = 0;     // 16 bits
    int soundDeviceData3 = 0;     // 16 bits
    std::array<int, 8> soundDeviceData4{};
    std::string soundDeviceName;
    // [Developer]
    std::string fileFontName = "Arial";
    int fileFontHeight = 10;
    std::string instrumentFontName = "Arial";
    int instrumentFontHeight = 10;
    std::string setupFontName = "Arial";
    int setupFontHeight = 10;
    std::string styleFontName = "Arial";
    int styleFontHeight = 10;
    int soundBufferSize = 40000; // bytes
    int soundSafety = 2000;      // bytes
    int soundTimeOut = 120;
    int sampleMemoryMode = 2; // read, never written
    // [TonwerkColor]
    int changeSysColor = 0;
    // [Setup] "Setup beim Start laden": load the setup named by currentSetupPath when the first
    // screen opens. Set by the performer's answer to "Setup beim nächsten Programmstart laden ?" at
    // Exit; stored, so the answer reaches the next start.
    int loadSetupAtStart = 0;

    bool operator==(const Settings&) const = default;
};

// The facts of the machine that some defaults depend on.
struct SettingsEnvironment {
    std::filesystem::path home;             // stands in for "C:\" of the original defaults
    std::filesystem::path programDirectory; // where the program's data lives
    std::vector<platform::Mount> mounts;    // searched for removable media with "MusicStyles"

    // The real machine: $HOME, the executable's program folder, /proc/self/mounts.
    [[nodiscard]] static SettingsEnvironment current();
};

// The built-in defaults: directories are the home folder, the style folder is found as below.
[[nodiscard]] Settings defaultSettings(const SettingsEnvironment& environment);

// The default music-style folder: "MusicStyles" at the root of the first removable medium that has
// one, else "MusicStyles/" in the program folder.
[[nodiscard]] std::string defaultStylePath(const SettingsEnvironment& environment);

enum class SettingType { Int, UInt16, String };

// One entry of the settings file, in the order the program reads and writes them.
struct SettingEntry {
    std::string_view section;
    std::string_view key;
    SettingType type;
    bool stored; // false for entries that are read but never written
    int Settings::*intField;
    std::string Settings::*stringField;
    int arrayIndex; // for the eight soundDeviceData4 bytes, else -1
};

[[nodiscard]] std::span<const SettingEntry> settingEntries();

// The value of an entry as the settings file holds it.
[[nodiscard]] std::string settingText(const Settings& settings, const SettingEntry& entry);

// Reads every entry in table order, each with its default.
[[nodiscard]] Settings loadSettings(const platform::ProfileFile& profile, const SettingsEnvironment& environment);

// Writes every stored entry in table order (never sampleMemoryMode); other lines stay.
void saveSettings(platform::ProfileFile& profile, const Settings& settings);

// File-level forms. Loading a missing file gives the defaults; a file that cannot be read gives the
// defaults and the failure. Saving keeps every line of the existing file the block does not own,
// creates the folder when needed and replaces the file atomically; if the existing file cannot be
// read it is left alone and the failure is returned, so no hand-made line is ever lost.
// User-interface thread (or the CLI's main thread); blocks on disk I/O.
[[nodiscard]] Settings loadSettingsFile(const std::filesystem::path& path, const SettingsEnvironment& environment,
                                        platform::Status* status = nullptr);
[[nodiscard]] platform::Status saveSettingsFile(const std::filesystem::path& path, const Settings& settings);
// The sound memory mode chosen on a screen, stored under "Developer"/"DSMemMode" (the one place it
// is written; it takes effect at the next start).
[[nodiscard]] platform::Status storeSampleMemoryMode(const std::filesystem::path& path, int mode);

// The settings file of this user: $XDG_CONFIG_HOME/tonwerk/Tonwerk.ini (~/.config by default).
[[nodiscard]] std::filesystem::path settingsFilePath();

} // namespace tonwerk::core
