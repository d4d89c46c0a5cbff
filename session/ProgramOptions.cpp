#include "ProgramOptions.h"

#include "midi/Split.h"

#include <algorithm>
#include <cstdlib>

namespace tonwerk::session {

namespace {

int rowOf(const std::vector<std::string>& names, const std::string& name) {
    if (name.empty()) {
        return -1;
    }
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

bool validRow(int row, std::size_t size) { return row >= 0 && static_cast<std::size_t>(row) < size; }

void setBit(int& flags, int bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

constexpr std::array<const char*, kBufferTypeCount> kBufferTypeNames = {
    " 8.000 kHz,  8-Bit, Mono", " 8.000 kHz,  8-Bit, Stereo", " 8.000 kHz, 16-Bit, Mono", " 8.000 kHz, 16-Bit, Stereo",
    "11.025 kHz,  8-Bit, Mono", "11.025 kHz,  8-Bit, Stereo", "11.025 kHz, 16-Bit, Mono", "11.025 kHz, 16-Bit, Stereo",
    "22.050 kHz,  8-Bit, Mono", "22.050 kHz,  8-Bit, Stereo", "22.050 kHz, 16-Bit, Mono", "22,050 kHz, 16-Bit, Stereo",
    "44.100 kHz,  8-Bit, Mono", "44.100 kHz,  8-Bit, Stereo", "44.100 kHz, 16-Bit, Mono", "44.100 kHz, 16-Bit, Stereo",
};
constexpr std::array<int, 4> kBufferRates = {8000, 11025, 22050, 44100};

} // namespace

std::array<std::uint8_t, 16> soundDeviceIdOf(const core::Settings& settings) {
    // Data1 (32 bits, decimal text), Data2 and Data3 (16 bits each), Data4 (8 bytes).
    std::array<std::uint8_t, 16> id{};
    const auto data1 = static_cast<std::uint32_t>(std::strtoul(settings.soundDeviceData1.c_str(), nullptr, 10));
    for (std::size_t i = 0; i < 4; ++i) {
        id[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
    }
    for (std::size_t i = 0; i < 2; ++i) {
        id[4 + i] = static_cast<std::uint8_t>(settings.soundDeviceData2 >> (8 * i));
        id[6 + i] = static_cast<std::uint8_t>(settings.soundDeviceData3 >> (8 * i));
    }
    for (std::size_t i = 0; i < 8; ++i) {
        id[8 + i] = static_cast<std::uint8_t>(settings.soundDeviceData4[i]);
    }
    return id;
}

void storeSoundDeviceId(core::Settings& settings, const std::array<std::uint8_t, 16>& id) {
    std::uint32_t data1 = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        data1 |= static_cast<std::uint32_t>(id[i]) << (8 * i);
    }
    settings.soundDeviceData1 = std::to_string(data1);
    settings.soundDeviceData2 = id[4] | (id[5] << 8);
    settings.soundDeviceData3 = id[6] | (id[7] << 8);
    for (std::size_t i = 0; i < 8; ++i) {
        settings.soundDeviceData4[i] = id[8 + i];
    }
}

ProgramOptions optionsOf(const core::Settings& settings, const DeviceLists& devices) {
    ProgramOptions o;
    o.markNotes = settings.markNotes != 0;
    o.loadStartupSong = settings.loadStartupSong != 0;
    o.performanceDisplay = settings.performanceDisplay != 0;

    o.midiIn = rowOf(devices.midiInputs, settings.midiInDeviceName);
    if (o.midiIn < 0 && validRow(settings.midiInDevice, devices.midiInputs.size())) {
        o.midiIn = settings.midiInDevice;
    }
    if (settings.midiOutDevice == -1) {
        o.midiOut = devices.midiOutputs.empty() ? -1 : 0;
    } else {
        o.midiOut = rowOf(devices.midiOutputs, settings.midiOutDeviceName);
        if (o.midiOut <= 0 && validRow(settings.midiOutDevice + 1, devices.midiOutputs.size())) {
            o.midiOut = settings.midiOutDevice + 1;
        }
        o.midiOut = o.midiOut <= 0 ? -1 : o.midiOut;
    }

    o.keyboardChannel = std::clamp(settings.keyboardMidiInChannel, 0, 15);
    o.keyboardVelocity = std::clamp(settings.keyboardVelocity, 0, 127);
    o.keyboardRange = std::clamp(settings.keyboardOctave, 0, static_cast<int>(kKeyRanges.size()) - 1);
    o.pcKeyboardActive = settings.pcKeyboardActive != 0;
    o.keyboardLabels = settings.keyboardLabels != 0;

    const std::array<std::uint8_t, 16> stored = soundDeviceIdOf(settings);
    const auto found = std::find(devices.soundIds.begin(), devices.soundIds.end(), stored);
    o.soundDevice = found == devices.soundIds.end() ? -1 : static_cast<int>(found - devices.soundIds.begin());
    o.useTimestretch = (settings.bpmFlags & midi::SampleFlag::kTimestretch) != 0;
    o.noAutoBpm = (settings.bpmFlags & midi::SampleFlag::kNoAutoBpm) != 0;
    o.useWaveLoop = (settings.bpmFlags & midi::SampleFlag::kWaveLoop) != 0;
    return o;
}

void storeOptions(core::Settings& settings, const ProgramOptions& options, const DeviceLists& devices) {
    settings.markNotes = options.markNotes ? 1 : 0;
    settings.loadStartupSong = options.loadStartupSong ? 1 : 0;
    settings.performanceDisplay = options.performanceDisplay ? 1 : 0;

    if (validRow(options.midiIn, devices.midiInputs.size())) {
        settings.midiInDevice = options.midiIn;
        settings.midiInDeviceName = devices.midiInputs[static_cast<std::size_t>(options.midiIn)];
    }
    if (options.midiOut == 0 && !devices.midiOutputs.empty()) {
        settings.midiOutDevice = -1;
        settings.midiOutDeviceName.clear();
    } else if (validRow(options.midiOut, devices.midiOutputs.size())) {
        settings.midiOutDevice = options.midiOut - 1;
        settings.midiOutDeviceName = devices.midiOutputs[static_cast<std::size_t>(options.midiOut)];
    }

    settings.keyboardMidiInChannel = std::clamp(options.keyboardChannel, 0, 15);
    settings.keyboardVelocity = std::clamp(options.keyboardVelocity, 0, 127);
    settings.keyboardOctave = std::clamp(options.keyboardRange, 0, static_cast<int>(kKeyRanges.size()) - 1);
    settings.pcKeyboardActive = options.pcKeyboardActive ? 1 : 0;
    settings.keyboardLabels = options.keyboardLabels ? 1 : 0;

    if (validRow(options.soundDevice, std::min(devices.soundDevices.size(), devices.soundIds.size()))) {
        const auto row = static_cast<std::size_t>(options.soundDevice);
        storeSoundDeviceId(settings, devices.soundIds[row]);
        settings.soundDeviceName = devices.soundDevices[row];
    }
    setBit(settings.bpmFlags, midi::SampleFlag::kTimestretch, options.useTimestretch);
    setBit(settings.bpmFlags, midi::SampleFlag::kNoAutoBpm, options.noAutoBpm);
    setBit(settings.bpmFlags, midi::SampleFlag::kWaveLoop, options.useWaveLoop);
}

const char* bufferTypeName(int index) {
    return index >= 0 && index < kBufferTypeCount ? kBufferTypeNames[static_cast<std::size_t>(index)] : "";
}

PcmFormat bufferTypeFormat(int index) {
    const int i = std::clamp(index, 0, kBufferTypeCount - 1);
    PcmFormat f;
    f.channels = (i & 1) != 0 ? 2 : 1;
    f.bits = (i & 2) != 0 ? 16 : 8;
    f.blockAlign = f.bits == 16 ? f.channels * 2 : f.channels;
    f.rate = kBufferRates[static_cast<std::size_t>(i >> 2)];
    f.bytesPerSecond = f.blockAlign * f.rate;
    return f;
}

std::optional<int> bufferTypeIndex(int formatTag, int channels, int bits, int rate) {
    const auto at = std::find(kBufferRates.begin(), kBufferRates.end(), rate);
    if (formatTag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) || at == kBufferRates.end()) {
        return std::nullopt;
    }
    return static_cast<int>(at - kBufferRates.begin()) << 2 | (bits == 16 ? 2 : 0) | (channels == 2 ? 1 : 0);
}

} // namespace tonwerk::session
