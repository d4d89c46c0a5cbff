// The options sheet's values and the settings: shown and stored, both ways, and the buffer types.
#include "session/ProgramOptions.h"
#include "core/Settings.h"
#include "midi/Split.h"

#include <gtest/gtest.h>

#include <random>

namespace tonwerk::session {
namespace {

DeviceLists someDevices() {
    DeviceLists d;
    d.midiInputs = {"Keystation:in", "Drum Pads:in", "Keystation 2:in"};
    d.midiOutputs = {kOwnMidiOutput, "Synth:out", "Sampler:out"};
    d.soundDevices = {kPrimarySoundDriver, "jack: system", "alsa: hw:1,0"};
    d.soundIds = {{}, {}, {}};
    d.soundIds[1].fill(0x11);
    d.soundIds[2] = {0xFF, 0xFE, 0xFD, 0xFC, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    return d;
}

TEST(ProgramOptions, PortsAreShownByNameFirstThenByNumber) {
    const DeviceLists devices = someDevices();
    core::Settings s;
    s.midiInDevice = 0;
    s.midiInDeviceName = "Keystation 2:in"; // the name moved to another number: the name wins
    s.midiOutDevice = 0;
    s.midiOutDeviceName = "Sampler:out";
    ProgramOptions o = optionsOf(s, devices);
    EXPECT_EQ(o.midiIn, 2);
    EXPECT_EQ(o.midiOut, 2);

    s.midiInDeviceName = "Gone:in"; // unplugged: the number decides
    s.midiInDevice = 1;
    s.midiOutDeviceName.clear();
    s.midiOutDevice = 0; // output number 0 is the list's second row
    o = optionsOf(s, devices);
    EXPECT_EQ(o.midiIn, 1);
    EXPECT_EQ(o.midiOut, 1);

    s.midiInDeviceName.clear();
    s.midiInDevice = 3; // out of range: nothing selected
    s.midiOutDevice = -1;
    o = optionsOf(s, devices);
    EXPECT_EQ(o.midiIn, -1);
    EXPECT_EQ(o.midiOut, 0) << "Tonwerk's own port";

    // Stored back: Tonwerk's own port is output -1 with no name; no selection changes nothing.
    o.midiIn = -1;
    o.midiOut = 0;
    core::Settings stored = s;
    stored.midiOutDevice = 1;
    stored.midiOutDeviceName = "Synth:out";
    storeOptions(stored, o, devices);
    EXPECT_EQ(stored.midiInDevice, 3);
    EXPECT_EQ(stored.midiOutDevice, -1);
    EXPECT_EQ(stored.midiOutDeviceName, "");
    o.midiOut = 2;
    storeOptions(stored, o, devices);
    EXPECT_EQ(stored.midiOutDevice, 1);
    EXPECT_EQ(stored.midiOutDeviceName, "Sampler:out");
}

TEST(ProgramOptions, ThePrimarySoundDriverStoresAnAllZeroIdentifier) {
    const DeviceLists devices = someDevices();
    core::Settings s;
    storeSoundDeviceId(s, devices.soundIds[2]);
    s.soundDeviceName = "alsa: hw:1,0";
    ProgramOptions o = optionsOf(s, devices);
    EXPECT_EQ(o.soundDevice, 2);

    o.soundDevice = 0;
    storeOptions(s, o, devices);
    EXPECT_EQ(soundDeviceIdOf(s), (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(s.soundDeviceData1, "0");
    EXPECT_EQ(s.soundDeviceName, "primary sound-driver");

    // A stored device that is not listed selects nothing, and OK then keeps it.
    storeSoundDeviceId(s, std::array<std::uint8_t, 16>{9, 9, 9});
    s.soundDeviceName = "pulse: gone";
    o = optionsOf(s, devices);
    EXPECT_EQ(o.soundDevice, -1);
    storeOptions(s, o, devices);
    EXPECT_EQ(soundDeviceIdOf(s), (std::array<std::uint8_t, 16>{9, 9, 9}));
    EXPECT_EQ(s.soundDeviceName, "pulse: gone");
}

TEST(ProgramOptions, StoredOptionsAreShownAgainOverRandomValues) {
    const DeviceLists devices = someDevices();
    std::mt19937 random(1234);
    const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 2000; ++round) {
        ProgramOptions o;
        o.markNotes = pick(0, 1) != 0;
        o.loadStartupSong = pick(0, 1) != 0;
        o.performanceDisplay = pick(0, 1) != 0;
        o.midiIn = pick(0, 2);
        o.midiOut = pick(0, 2);
        o.keyboardChannel = pick(0, 15);
        o.keyboardVelocity = pick(0, 127);
        o.keyboardRange = pick(0, 5);
        o.pcKeyboardActive = pick(0, 1) != 0;
        o.keyboardLabels = pick(0, 1) != 0;
        o.soundDevice = pick(0, 2);
        o.useTimestretch = pick(0, 1) != 0;
        o.noAutoBpm = pick(0, 1) != 0;
        o.useWaveLoop = pick(0, 1) != 0;
        core::Settings s;
        s.bpmFlags = pick(0, 0x7FFFFFFF); // bits the page does not show stay as they are
        const int otherBits =
            s.bpmFlags & ~(midi::SampleFlag::kTimestretch | midi::SampleFlag::kNoAutoBpm | midi::SampleFlag::kWaveLoop);
        storeOptions(s, o, devices);
        ASSERT_EQ(optionsOf(s, devices), o) << "round " << round;
        ASSERT_EQ(s.bpmFlags &
                      ~(midi::SampleFlag::kTimestretch | midi::SampleFlag::kNoAutoBpm | midi::SampleFlag::kWaveLoop),
                  otherBits);
    }
    // Hostile stored values are shown in range.
    core::Settings s;
    s.keyboardMidiInChannel = 99;
    s.keyboardVelocity = -5;
    s.keyboardOctave = 40;
    const ProgramOptions shown = optionsOf(s, devices);
    EXPECT_EQ(shown.keyboardChannel, 15);
    EXPECT_EQ(shown.keyboardVelocity, 0);
    EXPECT_EQ(shown.keyboardRange, 5);
}

TEST(ProgramOptions, SoundDeviceIdentifiersSurviveTheSettingsText) {
    std::mt19937 random(77);
    for (int round = 0; round < 500; ++round) {
        std::array<std::uint8_t, 16> id{};
        for (std::uint8_t& byte : id) {
            byte = static_cast<std::uint8_t>(random());
        }
        core::Settings s;
        storeSoundDeviceId(s, id);
        ASSERT_EQ(soundDeviceIdOf(s), id);
    }
}

TEST(BufferTypes, TheSixteenFormatsAndTheirIndexes) {
    const PcmFormat five = bufferTypeFormat(5);
    EXPECT_EQ(five, (PcmFormat{2, 8, 11025, 2, 22050}));
    EXPECT_EQ(bufferTypeFormat(15), (PcmFormat{2, 16, 44100, 4, 176400}));
    EXPECT_EQ(bufferTypeFormat(0), (PcmFormat{1, 8, 8000, 1, 8000}));
    for (int i = 0; i < kBufferTypeCount; ++i) {
        const PcmFormat f = bufferTypeFormat(i);
        EXPECT_EQ(bufferTypeIndex(1, f.channels, f.bits, f.rate), i);
    }
    EXPECT_STREQ(bufferTypeName(0), " 8.000 kHz,  8-Bit, Mono");
    EXPECT_STREQ(bufferTypeName(11), "22,050 kHz, 16-Bit, Stereo");
    EXPECT_STREQ(bufferTypeName(16), "");
    EXPECT_STREQ(bufferTypeName(-1), "");
    EXPECT_EQ(bufferTypeFormat(99), bufferTypeFormat(15));
    // Formats that are not among the 16 select nothing.
    EXPECT_FALSE(bufferTypeIndex(1, 2, 16, 48000));
    EXPECT_FALSE(bufferTypeIndex(3, 2, 16, 44100)); // not PCM
    EXPECT_FALSE(bufferTypeIndex(1, 6, 16, 44100));
    EXPECT_FALSE(bufferTypeIndex(1, 2, 24, 44100));
}

} // namespace
} // namespace tonwerk::session
