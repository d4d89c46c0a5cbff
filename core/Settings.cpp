#include "Settings.h"

#include <cstdint>
#include <system_error>

namespace tonwerk::core {

namespace fs = std::filesystem;
using platform::ProfileFile;
using platform::Status;

namespace {

constexpr int kNoIndex = -1;

constexpr SettingEntry intEntry(std::string_view section, std::string_view key, int Settings::*field,
                                bool stored = true) {
    return SettingEntry{section, key, SettingType::Int, stored, field, nullptr, kNoIndex};
}
constexpr SettingEntry u16Entry(std::string_view section, std::string_view key, int Settings::*field) {
    return SettingEntry{section, key, SettingType::UInt16, true, field, nullptr, kNoIndex};
}
constexpr SettingEntry stringEntry(std::string_view section, std::string_view key, std::string Settings::*field) {
    return SettingEntry{section, key, SettingType::String, true, nullptr, field, kNoIndex};
}
constexpr SettingEntry guidByte(std::string_view key, int index) {
    return SettingEntry{"DS-Treiber GUID", key, SettingType::Int, true, nullptr, nullptr, index};
}

// Reading and writing order of the settings file.
constexpr SettingEntry kEntries[] = {
    intEntry("Options", "Tagestip", &Settings::tipOfTheDay),
    intEntry("Options", "FilePos", &Settings::tipFilePos),
    stringEntry("Options", "TimeStamp", &Settings::tipTimeStamp),
    intEntry("Options", "MidiInDevice", &Settings::midiInDevice),
    intEntry("Options", "MidiOutDevice", &Settings::midiOutDevice),
    intEntry("Options", "Mark_Notes", &Settings::markNotes),
    intEntry("Keyboard", "KeybVelocity", &Settings::keyboardVelocity),
    intEntry("Keyboard", "KeybMIDIInKanal", &Settings::keyboardMidiInChannel),
    intEntry("Keyboard", "KeybOktave", &Settings::keyboardOctave),
    intEntry("Keyboard", "Keyboardlabels", &Settings::keyboardLabels),
    intEntry("Keyboard", "PC-Keyboard", &Settings::pcKeyboardActive),
    intEntry("Keyboard", "PC vom MIDI-Keyboard", &Settings::programChangeSelectsSetup),
    stringEntry("Path", "AVI-Pfad", &Settings::aviPath),
    stringEntry("Path", "Wave-Pfad", &Settings::wavePath),
    stringEntry("Path", "Setup-Pfad", &Settings::setupPath),
    stringEntry("Path", "Style-Pfad", &Settings::stylePath),
    intEntry("Path", "Style-Pos", &Settings::stylePos),
    stringEntry("Path", "Instrument-Pfad", &Settings::instrumentPath),
    stringEntry("Path", "aktuelles Setup", &Settings::currentSetupPath),
    intEntry("Graphic", "GrafikWndLeft", &Settings::graphicWndLeft),
    intEntry("Graphic", "GrafikWndRight", &Settings::graphicWndRight),
    intEntry("Graphic", "GrafikWndTop", &Settings::graphicWndTop),
    intEntry("Graphic", "GrafikWndBottom", &Settings::graphicWndBottom),
    intEntry("Graphic", "GrafikWndIcon", &Settings::graphicWndMinimized),
    intEntry("Graphic", "GrafikWndMaximized", &Settings::graphicWndMaximized),
    intEntry("Setup", "MasterDlgLeft", &Settings::masterDlgLeft),
    intEntry("Setup", "MasterDlgTop", &Settings::masterDlgTop),
    intEntry("Setup", "Grafikfenster offen", &Settings::graphicWindowOpen),
    intEntry("Setup", "StartUp Song laden", &Settings::loadStartupSong),
    intEntry("Setup", "Performance-Display", &Settings::performanceDisplay),
    stringEntry("DS-Treiber GUID", "Data1", &Settings::soundDeviceData1),
    u16Entry("DS-Treiber GUID", "Data2", &Settings::soundDeviceData2),
    u16Entry("DS-Treiber GUID", "Data3", &Settings::soundDeviceData3),
    guidByte("Data4_1", 0),
    guidByte("Data4_2", 1),
    guidByte("Data4_3", 2),
    guidByte("Data4_4", 3),
    guidByte("Data4_5", 4),
    guidByte("Data4_6", 5),
    guidByte("Data4_7", 6),
    guidByte("Data4_8", 7),
    intEntry("Setup", "BPMFlags", &Settings::bpmFlags),
    stringEntry("DS-Treiber GUID", "DS-Treiber Name", &Settings::soundDeviceName),
    intEntry("Setup", "MIDI-Warnung", &Settings::midiWarning),
    stringEntry("Developer", "FileFont_Name", &Settings::fileFontName),
    intEntry("Developer", "FileFont_Height", &Settings::fileFontHeight),
    stringEntry("Developer", "InstrumentFont_Name", &Settings::instrumentFontName),
    intEntry("Developer", "InstrumentFont_Height", &Settings::instrumentFontHeight),
    stringEntry("Developer", "SetupFont_Name", &Settings::setupFontName),
    intEntry("Developer", "SetupFont_Height", &Settings::setupFontHeight),
    stringEntry("Developer", "StyleFont_Name", &Settings::styleFontName),
    intEntry("Developer", "StyleFont_Height", &Settings::styleFontHeight),
    intEntry("TonwerkColor", "ChangeSysColor", &Settings::changeSysColor),
    intEntry("Developer", "DSBufferSize", &Settings::soundBufferSize),
    intEntry("Developer", "DSSafety", &Settings::soundSafety),
    intEntry("Developer", "DSTimeOut", &Settings::soundTimeOut),
    intEntry("Developer", "DSMemMode", &Settings::sampleMemoryMode, false),
    // Kept beside the device numbers; after the entries older settings files have.
    stringEntry("Options", "MidiInDeviceName", &Settings::midiInDeviceName),
    stringEntry("Options", "MidiOutDeviceName", &Settings::midiOutDeviceName),
    intEntry("Setup", "ScreenScale", &Settings::screenScale),
    intEntry("Setup", "Setup beim Start laden", &Settings::loadSetupAtStart),
};

int& intRef(Settings& s, const SettingEntry& e) {
    return e.arrayIndex >= 0 ? s.soundDeviceData4[static_cast<std::size_t>(e.arrayIndex)] : s.*(e.intField);
}
int intValue(const Settings& s, const SettingEntry& e) { return intRef(const_cast<Settings&>(s), e); }

} // namespace

SettingsEnvironment SettingsEnvironment::current() {
    return SettingsEnvironment{platform::homeDirectory(), platform::programDirectory(platform::executableDirectory()),
                               platform::currentMounts()};
}

std::string defaultStylePath(const SettingsEnvironment& environment) {
    for (const platform::Mount& mount : environment.mounts) {
        if (!platform::isRemovableMedia(mount)) {
            continue;
        }
        std::error_code ec;
        const fs::path styles = mount.mountPoint / "MusicStyles";
        if (fs::is_directory(styles, ec)) {
            return styles.string();
        }
    }
    return (environment.programDirectory / "MusicStyles").string() + "/";
}

Settings defaultSettings(const SettingsEnvironment& environment) {
    Settings s;
    const std::string home = environment.home.string();
    s.aviPath = home;
    s.wavePath = home;
    s.setupPath = home;
    s.instrumentPath = home;
    s.currentSetupPath = home;
    s.stylePath = defaultStylePath(environment);
    return s;
}

std::span<const SettingEntry> settingEntries() { return kEntries; }

std::string settingText(const Settings& settings, const SettingEntry& entry) {
    switch (entry.type) {
    case SettingType::String:
        return settings.*(entry.stringField);
    case SettingType::UInt16:
        return std::to_string(static_cast<std::uint16_t>(intValue(settings, entry)));
    case SettingType::Int:
        break;
    }
    return std::to_string(intValue(settings, entry));
}

Settings loadSettings(const ProfileFile& profile, const SettingsEnvironment& environment) {
    Settings s = defaultSettings(environment);
    for (const SettingEntry& e : kEntries) {
        if (e.type == SettingType::String) {
            std::string& field = s.*(e.stringField);
            field = profile.getString(e.section, e.key, field);
        } else {
            int& field = intRef(s, e);
            field = profile.getInt(e.section, e.key, field);
        }
    }
    return s;
}

void saveSettings(ProfileFile& profile, const Settings& settings) {
    for (const SettingEntry& e : kEntries) {
        if (e.stored) {
            // A value the format cannot hold (a line break in a path) keeps the file's old value.
            profile.setString(e.section, e.key, settingText(settings, e));
        }
    }
}

Settings loadSettingsFile(const fs::path& path, const SettingsEnvironment& environment, Status* status) {
    Status readStatus = Status::success();
    const ProfileFile profile = ProfileFile::load(path, &readStatus);
    if (status != nullptr) {
        *status = readStatus;
    }
    return loadSettings(profile, environment);
}

Status saveSettingsFile(const fs::path& path, const Settings& settings) {
    Status readStatus = Status::success();
    ProfileFile profile = ProfileFile::load(path, &readStatus);
    if (!readStatus.ok()) {
        return readStatus;
    }
    std::error_code ec;
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), ec);
        if (ec) {
            return Status::failure("Cannot create the folder \"" + path.parent_path().string() + "\": " + ec.message());
        }
    }
    saveSettings(profile, settings);
    return profile.save(path);
}

Status storeSampleMemoryMode(const fs::path& path, int mode) {
    Status readStatus = Status::success();
    ProfileFile profile = ProfileFile::load(path, &readStatus);
    if (!readStatus.ok()) {
        return readStatus;
    }
    profile.setInt("Developer", "DSMemMode", mode);
    return profile.save(path);
}

std::filesystem::path settingsFilePath() { return platform::settingsFilePath(); }

} // namespace tonwerk::core
