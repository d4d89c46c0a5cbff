#pragma once

#include "core/Settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonwerk::session {

// The PC keyboard's key ranges as the options list them: entry i starts at octave i.
inline constexpr std::array<const char*, 6> kKeyRanges = {"C0-C2", "C1-C3", "C2-C4", "C3-C5", "C4-C6", "C5-C7"};

// The name stored for the default sound output, and the first entry of the sound device list.
inline constexpr const char* kPrimarySoundDriver = "primary sound-driver";
// The MIDI output list's first entry: Tonwerk's own port (output number -1).
inline constexpr const char* kOwnMidiOutput = "Tonwerk Out";

// The devices the options pages list, as found when the sheet opens.
struct DeviceLists {
    std::vector<std::string> midiInputs;
    std::vector<std::string> midiOutputs; // [0] is Tonwerk's own port, then the ports by number
    // The sound outputs: [0] the primary sound driver (the default output, an all-zero id), then
    // every output of every audio system as "api: name".
    std::vector<std::string> soundDevices;
    std::vector<std::array<std::uint8_t, 16>> soundIds;
};

// What the options sheet's pages show and change, in the pages' terms.
struct ProgramOptions {
    // "Other Options"
    bool markNotes = true;           // "display notes on screen-keyboard"
    bool loadStartupSong = true;     // "load initial song on startup"
    bool performanceDisplay = false; // "display CPU-Usage in caption"
    // "MIDI-Settings": rows of the lists (-1: none selected)
    int midiIn = -1;
    int midiOut = -1;
    // "PC-Keyboard Settings"
    int keyboardChannel = 0; // 0-15, shown as 1-16
    int keyboardVelocity = 100;
    int keyboardRange = 2; // row of kKeyRanges
    bool pcKeyboardActive = true;
    bool keyboardLabels = true; // "inscribe screen keyboard"
    // "DirectSound-Driver": row of the list (-1: none selected, the stored device stays)
    int soundDevice = 0;
    bool useTimestretch = false;
    bool noAutoBpm = false;
    bool useWaveLoop = false;

    bool operator==(const ProgramOptions&) const = default;
};

// The settings as the pages show them: the ports by their stored names first, then by number; the
// sound device by its stored identifier (all zeros: the primary sound driver). Values out of range
// are shown in range.
[[nodiscard]] ProgramOptions optionsOf(const core::Settings& settings, const DeviceLists& devices);

// OK of the sheet: the pages' values into the settings. A port row stores the port's number and
// name; the primary sound driver stores an all-zero identifier and its name; rows outside the
// lists leave the stored choice as it was.
void storeOptions(core::Settings& settings, const ProgramOptions& options, const DeviceLists& devices);

// The stored sound device's identifier and its inverse.
[[nodiscard]] std::array<std::uint8_t, 16> soundDeviceIdOf(const core::Settings& settings);
void storeSoundDeviceId(core::Settings& settings, const std::array<std::uint8_t, 16>& id);

// "DirectSound Buffer-Type": the 16 classic PCM formats of the primary buffer. The index encodes
// the format: bit 0 stereo, bit 1 16 bits, bits 2-3 the rate (8000, 11025, 22050, 44100 Hz).
inline constexpr int kBufferTypeCount = 16;
struct PcmFormat {
    int channels = 2;
    int bits = 16;
    int rate = 22050;
    int blockAlign = 4;
    int bytesPerSecond = 88200;
    bool operator==(const PcmFormat&) const = default;
};
[[nodiscard]] const char* bufferTypeName(int index); // the list's text; "" outside 0-15
[[nodiscard]] PcmFormat bufferTypeFormat(int index); // index limited to 0-15
// The entry of a format, when it is one of the 16 (PCM tag 1, 1 or 2 channels, 8 or 16 bits, one
// of the four rates).
[[nodiscard]] std::optional<int> bufferTypeIndex(int formatTag, int channels, int bits, int rate);

} // namespace tonwerk::session
