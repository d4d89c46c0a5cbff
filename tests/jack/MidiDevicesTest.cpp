// The device manager's choice of ports on a real JACK server (dummy backend, started by
// run-with-jack): other MidiPorts objects of this process stand in for the keyboards and
// instruments, so the ports come and go exactly as plugged devices do.
#include "midi/MidiDeviceManager.h"
#include "platform/MidiPorts.h"
#include "support/RecordingNotifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tonwerk {
namespace {

using platform::MidiApi;
using platform::MidiPorts;

// Polls until `done` holds; JACK registers ports asynchronously. At most 5 s.
bool waitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int indexOf(const std::vector<std::string>& names, const std::string& name) {
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

// The names `now` has that `before` had not.
std::vector<std::string> added(const std::vector<std::string>& before, const std::vector<std::string>& now) {
    std::vector<std::string> out;
    for (const std::string& name : now) {
        if (indexOf(before, name) < 0) {
            out.push_back(name);
        }
    }
    return out;
}

class StatusLines final : public midi::ScreenFeedback {
public:
    void deviceStatus(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

// A keyboard: a MIDI source whose own virtual output port is an input for Tonwerk.
struct Keyboard {
    explicit Keyboard(const char* name) : ports(MidiApi::Jack, name) {}
    MidiPorts ports;
};

class MidiDevices : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tonwerk.available()) << "no JACK server: run under tests/e2e/run-with-jack"; }

    // Plugs a keyboard in and returns the input name Tonwerk sees for it.
    std::string plugIn(Keyboard& keyboard) {
        const auto before = tonwerk.inputNames();
        EXPECT_EQ(keyboard.ports.openOutput(-1), platform::MidiError::kNone);
        std::vector<std::string> fresh;
        EXPECT_TRUE(waitFor([&] {
            fresh = added(before, tonwerk.inputNames());
            return !fresh.empty();
        }));
        return fresh.empty() ? std::string() : fresh.front();
    }

    MidiPorts tonwerk{MidiApi::Jack, "Tonwerk"};
    test::RecordingNotifier notifier;
    StatusLines screen;
    midi::MidiDeviceManager devices{tonwerk, notifier, screen};
};

TEST_F(MidiDevices, OnlyNumbersBelowThePortCountAreOpened) {
    Keyboard keyboard("keyboardA");
    ASSERT_FALSE(plugIn(keyboard).empty());
    int inputId = static_cast<int>(tonwerk.inputNames().size()); // one past the last port
    std::string inputName;
    int outputId = static_cast<int>(tonwerk.outputNames().size());
    std::string outputName;
    EXPECT_FALSE(devices.startDevices(inputId, inputName, outputId, outputName));
    EXPECT_FALSE(tonwerk.inputOpen());
    EXPECT_FALSE(tonwerk.outputOpen());
    EXPECT_TRUE(notifier.shown().empty()) << "a number out of range is no device, not a failure";

    // The last real number opens; -1 is Tonwerk's own output port.
    const auto names = tonwerk.inputNames();
    inputId = static_cast<int>(names.size()) - 1;
    outputId = -1;
    EXPECT_TRUE(devices.startDevices(inputId, inputName, outputId, outputName));
    EXPECT_TRUE(tonwerk.inputOpen());
    EXPECT_EQ(inputName, names.back());
    EXPECT_TRUE(tonwerk.outputOpen());
    EXPECT_EQ(outputId, -1);
}

TEST_F(MidiDevices, ThePortIsFoundByItsNameBeforeItsNumber) {
    Keyboard first("keyboardA");
    Keyboard second("keyboardB");
    const std::string firstName = plugIn(first);
    const std::string secondName = plugIn(second);
    ASSERT_FALSE(firstName.empty());
    ASSERT_FALSE(secondName.empty());
    const auto names = tonwerk.inputNames();

    // The stored number points at the first keyboard, the stored name at the second: the name wins
    // and the number is brought up to date.
    int inputId = indexOf(names, firstName);
    std::string inputName = secondName;
    int outputId = -2;
    std::string outputName;
    ASSERT_TRUE(devices.startDevices(inputId, inputName, outputId, outputName));
    EXPECT_EQ(tonwerk.openInputName(), secondName);
    EXPECT_EQ(inputId, indexOf(names, secondName));

    // A name that is not plugged in: the number decides, and the name is brought up to date.
    tonwerk.closeInput();
    inputId = indexOf(names, firstName);
    inputName = "nobody:Gone Keyboard";
    ASSERT_TRUE(devices.startDevices(inputId, inputName, outputId, outputName));
    EXPECT_EQ(tonwerk.openInputName(), firstName);
    EXPECT_EQ(inputName, firstName);

    // Played through the port opened by name: the message arrives in Tonwerk's input queue.
    first.ports.send(0x643C90);
    std::uint32_t word = 0;
    EXPECT_TRUE(waitFor([&] { return tonwerk.input().pop(word); }));
    EXPECT_EQ(word, 0x643C90U);
}

TEST_F(MidiDevices, APulledKeyboardIsReopenedWhenItsNameReturns) {
    auto keyboard = std::make_unique<Keyboard>("keyboardC");
    const std::string name = plugIn(*keyboard);
    ASSERT_FALSE(name.empty());
    int inputId = -1;
    std::string inputName = name;
    int outputId = -2;
    std::string outputName;
    ASSERT_TRUE(devices.startDevices(inputId, inputName, outputId, outputName));

    keyboard.reset(); // the cable is pulled
    ASSERT_TRUE(waitFor([&] { return indexOf(tonwerk.inputNames(), name) < 0; }));
    devices.watch();
    EXPECT_FALSE(tonwerk.inputOpen());
    devices.watch(); // still gone: nothing more happens
    ASSERT_EQ(screen.lines, std::vector<std::string>{"MIDI input lost: " + name});

    keyboard = std::make_unique<Keyboard>("keyboardC");
    ASSERT_EQ(plugIn(*keyboard), name);
    devices.watch();
    EXPECT_TRUE(tonwerk.inputOpen());
    EXPECT_EQ(tonwerk.openInputName(), name);
    EXPECT_EQ(screen.lines.back(), "MIDI input back: " + name);
    EXPECT_TRUE(notifier.shown().empty()) << "losing a port never shows a box";
}

} // namespace
} // namespace tonwerk
