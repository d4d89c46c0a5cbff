// The options' sound device changed while a sample sounds, on a real JACK server (dummy backend,
// started by run-with-jack): the mix moves to the new output and the voice plays on.
#include "audio/AudioEngine.h"
#include "audio/WaveBuilder.h"
#include "midi/SplitFields.h"
#include "session/Commands.h"
#include "session/ProgramOptions.h"
#include "session/Session.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

namespace tonwerk {
namespace {

// How far split 0's voice read in `ms` of real time (bytes); it moves only while an output pulls
// the mix.
int readDuring(session::Commands& commands, int ms) {
    const int from = commands.voiceProgress(0).readPos;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return commands.voiceProgress(0).readPos - from;
}

TEST(SoundOutput, TheOptionsMoveTheMixToAnotherDeviceWhileAVoicePlays) {
    test::TempDir dir;
    test::WaveBuilder wave;
    wave.channels = 2;
    wave.rate = 22050;
    for (int i = 0; i < 22050 * 8; ++i) {
        const auto v = static_cast<std::int16_t>(6000 * std::sin(i * 0.05));
        wave.words({v, v});
    }
    const auto bytes = wave.bytes();
    std::ofstream(dir / "tone.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

    core::Settings settings;
    test::RecordingNotifier notifier;
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    session::SessionOptions options;
    options.midiSystem = session::SessionOptions::MidiSystem::Jack;
    session::Session session(settings, hooks, options);
    session.startDevices();
    session::Commands& commands = session.commands();
    ASSERT_NE(commands.soundOutputDescription().find("jack"), std::string::npos) << commands.soundOutputDescription();
    ASSERT_TRUE(commands.assignSample(0, dir / "tone.wav", 4));
    const auto field = [](const char* name) { return *midi::findSplitField("", name); };
    ASSERT_TRUE(commands.setSplitField(0, field("keyLow"), 0, 0).ok());
    ASSERT_TRUE(commands.setSplitField(0, field("keyHigh"), 0, 127).ok());
    commands.userInput(midi::shortMessage(0x90, 60, 100));
    ASSERT_TRUE(commands.voiceProgress(0).sounding);
    // 22050 frames of 4 bytes a second: about 35000 bytes in 400 ms.
    EXPECT_GT(readDuring(commands, 400), 20000);

    // The JACK output by name, then the primary sound driver again: each time the voice reads on
    // at its pace through the new output.
    const session::DeviceLists devices = commands.deviceLists();
    const auto named = std::find(devices.soundDevices.begin(), devices.soundDevices.end(), "jack: system");
    ASSERT_NE(named, devices.soundDevices.end());
    for (const int row : {static_cast<int>(named - devices.soundDevices.begin()), 0}) {
        session::ProgramOptions chosen = session::optionsOf(session.settings(), devices);
        chosen.soundDevice = row;
        const auto applied = commands.applyOptions(chosen, devices);
        EXPECT_TRUE(applied.soundChanged);
        EXPECT_EQ(session.settings().soundDeviceName, devices.soundDevices[static_cast<std::size_t>(row)]);
        EXPECT_EQ(session::soundDeviceIdOf(session.settings()), devices.soundIds[static_cast<std::size_t>(row)]);
        EXPECT_NE(commands.soundOutputDescription().find("jack"), std::string::npos);
        EXPECT_TRUE(commands.voiceProgress(0).sounding);
        EXPECT_GT(readDuring(commands, 400), 20000) << "row " << row;
    }
    // The same device again changes nothing.
    EXPECT_FALSE(commands.applyOptions(session::optionsOf(session.settings(), devices), devices).soundChanged);

    commands.userInput(midi::shortMessage(0x80, 60, 0));
    EXPECT_TRUE(notifier.shown().empty());
    session.shutdown();
}

// A sound device stored by an earlier run that is not there now: the default output plays, the
// performer is told once, and the settings forget the device.
TEST(SoundOutput, AStoredDeviceThatIsGoneIsSaidOnceAndTheDefaultPlays) {
    class Status final : public midi::ScreenFeedback {
    public:
        void deviceStatus(const std::string& text) override { lines.push_back(text); }
        std::vector<std::string> lines;
    } status;
    core::Settings settings;
    std::array<std::uint8_t, 16> gone{};
    gone.fill(0x5A);
    session::storeSoundDeviceId(settings, gone);
    settings.soundDeviceName = "alsa: USB Audio CODEC (unplugged)";
    test::RecordingNotifier notifier;
    session::SessionHooks hooks;
    hooks.notifier = &notifier;
    hooks.screen = &status;
    session::SessionOptions options;
    options.midiSystem = session::SessionOptions::MidiSystem::Jack;
    session::Session session(settings, hooks, options);
    session.startDevices();
    EXPECT_NE(session.commands().soundOutputDescription().find("jack"), std::string::npos);
    const auto said = std::count_if(status.lines.begin(), status.lines.end(), [](const std::string& line) {
        return line.find("USB Audio CODEC (unplugged)") != std::string::npos;
    });
    EXPECT_EQ(said, 1);
    EXPECT_EQ(session::soundDeviceIdOf(settings), (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(settings.soundDeviceName, "primary sound-driver");
    EXPECT_TRUE(notifier.shown().empty()) << "no box: the show goes on";
    session.shutdown();
}

} // namespace
} // namespace tonwerk
