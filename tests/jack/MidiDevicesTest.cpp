// The device manager's choice of ports on a real JACK server (dummy backend, started by
// run-with-jack): other MidiPorts objects of this process stand in for the keyboards and
// instruments, so the ports come and go exactly as plugged devices do.
#include "midi/MidiDeviceManager.h"
#include "midi/SplitFields.h"
#include "platform/MidiPorts.h"
#include "session/Commands.h"
#include "session/ProgramOptions.h"
#include "session/Session.h"
#include "support/RecordingNotifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
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

// What an instrument heard within 300 ms: every word its input queue took.
std::vector<std::uint32_t> heard(MidiPorts& instrument) {
    std::vector<std::uint32_t> words;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) {
        std::uint32_t word = 0;
        while (instrument.input().pop(word)) {
            words.push_back(word);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return words;
}

bool isNoteOff(std::uint32_t word, int key) {
    const unsigned status = word & 0xF0U;
    const bool sameKey = ((word >> 8) & 0x7FU) == static_cast<unsigned>(key);
    return sameKey && (status == 0x80 || (status == 0x90 && ((word >> 16) & 0x7FU) == 0));
}

// A session on JACK whose split 0 plays the whole keyboard from `inputName` to Tonwerk's own port.
struct PlayingSession {
    explicit PlayingSession(const std::string& inputName) {
        settings.midiInDeviceName = inputName;
        settings.midiOutDevice = -1; // Tonwerk's own port
        hooks.notifier = &notifier;
        options.clock = session::SessionOptions::Clock::Virtual;
        options.sound = session::SessionOptions::Sound::None;
        options.midiSystem = session::SessionOptions::MidiSystem::Jack;
    }

    // Opens the ports and turns split 0 on; false when anything of it failed.
    bool start() {
        session.emplace(settings, hooks, options);
        session::Commands& commands = session->commands();
        const auto field = [](const char* name) { return *midi::findSplitField("", name); };
        return session->startDevices() && commands.setSplitField(0, field("state"), 0, 1).ok() &&
               commands.setSplitField(0, field("keyLow"), 0, 0).ok() &&
               commands.setSplitField(0, field("keyHigh"), 0, 127).ok();
    }

    // Delivers the keyboard's input until `instrument` takes a word for which `wanted` holds; false
    // after 5 s.
    bool deliversTo(MidiPorts& instrument, const std::function<bool(std::uint32_t)>& wanted) {
        return waitFor([&] {
            session->waitAndDeliverMidiInput(10);
            std::uint32_t word = 0;
            return instrument.input().pop(word) && wanted(word);
        });
    }

    core::Settings settings;
    test::RecordingNotifier notifier;
    session::SessionHooks hooks;
    session::SessionOptions options;
    std::optional<session::Session> session;
};

// The number under which `instrument` sees Tonwerk's own output port once it is there; -1 if it
// does not appear.
int ownPortOf(MidiPorts& instrument) {
    int found = -1;
    waitFor([&] {
        const auto names = instrument.inputNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].find("Tonwerk Out") != std::string::npos) {
                found = static_cast<int>(i);
            }
        }
        return found >= 0;
    });
    return found;
}

// The options sheet's new MIDI ports while a key is held: the note the old keyboard started ends
// on the old instrument at once, the new instrument never hears of it, and the new keyboard plays
// the new instrument.
TEST_F(MidiDevices, TheOptionsChangePortsWithoutAStuckNote) {
    Keyboard first("keyboardD");
    Keyboard second("keyboardE");
    const std::string firstName = plugIn(first);
    const std::string secondName = plugIn(second);
    ASSERT_FALSE(firstName.empty());
    ASSERT_FALSE(secondName.empty());

    PlayingSession playing(firstName);
    ASSERT_TRUE(playing.start());
    session::Session& session = *playing.session;
    session::Commands& commands = session.commands();

    // Instrument A listens to Tonwerk's own port; instrument B has an input port of its own (fed
    // by a keyboard nobody plays), which Tonwerk can send to.
    MidiPorts synthA(MidiApi::Jack, "synthA");
    ASSERT_EQ(synthA.openInput(ownPortOf(synthA)), platform::MidiError::kNone);
    Keyboard silent("keyboardSilent");
    const std::string silentName = plugIn(silent);
    MidiPorts synthB(MidiApi::Jack, "synthB");
    const auto outputsBefore = session.ports()->outputNames();
    ASSERT_EQ(synthB.openInput(indexOf(synthB.inputNames(), silentName)), platform::MidiError::kNone);
    std::vector<std::string> synthBPorts;
    ASSERT_TRUE(waitFor([&] {
        synthBPorts = added(outputsBefore, session.ports()->outputNames());
        return !synthBPorts.empty();
    }));

    // Key 60 held on the first keyboard sounds on instrument A.
    first.ports.send(0x643C90);
    ASSERT_TRUE(playing.deliversTo(synthA, [](std::uint32_t word) { return word == 0x643C90U; }));

    // The output changes alone: key 60 ends on instrument A, where it sounds.
    const session::DeviceLists devices = commands.deviceLists();
    session::ProgramOptions chosen = session::optionsOf(session.settings(), devices);
    chosen.midiOut = indexOf(devices.midiOutputs, synthBPorts.front());
    ASSERT_GT(chosen.midiOut, 0);
    EXPECT_TRUE(commands.applyOptions(chosen, devices).midiChanged);
    EXPECT_EQ(session.settings().midiOutDeviceName, synthBPorts.front());
    const std::vector<std::uint32_t> onA = heard(synthA);
    EXPECT_TRUE(std::any_of(onA.begin(), onA.end(), [](std::uint32_t w) { return isNoteOff(w, 60); }))
        << "the held note ends on the instrument it sounds on";

    // Key 62 held on the first keyboard now sounds on instrument B; then the input changes alone:
    // key 62 ends there, and the old keyboard's late releases reach nobody.
    first.ports.send(0x643E90);
    std::vector<std::uint32_t> onB;
    // Delivers the keyboards' input and keeps what instrument B takes; true once it has `word`.
    const auto collectB = [&](std::uint32_t word) {
        session.waitAndDeliverMidiInput(10);
        std::uint32_t taken = 0;
        while (synthB.input().pop(taken)) {
            onB.push_back(taken);
        }
        return std::find(onB.begin(), onB.end(), word) != onB.end();
    };
    ASSERT_TRUE(waitFor([&] { return collectB(0x643E90U); }));
    chosen.midiIn = indexOf(devices.midiInputs, secondName);
    ASSERT_GE(chosen.midiIn, 0);
    EXPECT_TRUE(commands.applyOptions(chosen, devices).midiChanged);
    EXPECT_EQ(session.ports()->openInputName(), secondName);
    EXPECT_EQ(session.settings().midiInDeviceName, secondName);
    first.ports.send(0x003C80);
    first.ports.send(0x003E80);
    // Sent again until heard: JACK keeps no backlog for a reader that misses a cycle on a busy
    // machine, and this one message is what the test waits for.
    auto last = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    ASSERT_TRUE(waitFor([&] {
        if (std::chrono::steady_clock::now() - last > std::chrono::milliseconds(250)) {
            second.ports.send(0x504090);
            last = std::chrono::steady_clock::now();
        }
        return collectB(0x504090U);
    }));
    EXPECT_TRUE(std::any_of(onB.begin(), onB.end(), [](std::uint32_t w) { return isNoteOff(w, 62); }));
    for (const std::uint32_t word : onB) {
        EXPECT_NE((word >> 8) & 0x7FU, 60U) << "instrument B never hears of key 60: " << std::hex << word;
    }
    EXPECT_TRUE(playing.notifier.shown().empty());
}

// OK in the options with the ports unchanged, after a port before them went away (their numbers
// are one lower now): nothing is reopened, and the note that sounds goes on until its key is up.
TEST_F(MidiDevices, TheSamePortsUnderNewNumbersAreNoChange) {
    auto before = std::make_unique<Keyboard>("keyboardF");
    Keyboard played("keyboardG");
    ASSERT_FALSE(plugIn(*before).empty());
    const std::string playedName = plugIn(played);
    ASSERT_FALSE(playedName.empty());

    PlayingSession playing(playedName);
    ASSERT_TRUE(playing.start());
    session::Session& session = *playing.session;
    session::Commands& commands = session.commands();
    MidiPorts synth(MidiApi::Jack, "synthC");
    ASSERT_EQ(synth.openInput(ownPortOf(synth)), platform::MidiError::kNone);

    played.ports.send(0x643C90);
    ASSERT_TRUE(playing.deliversTo(synth, [](std::uint32_t word) { return word == 0x643C90U; }));
    const int numberBefore = indexOf(session.ports()->inputNames(), playedName);
    before.reset(); // the port listed before the played one goes
    ASSERT_TRUE(waitFor([&] { return indexOf(session.ports()->inputNames(), playedName) < numberBefore; }));

    const session::DeviceLists devices = commands.deviceLists();
    const session::ProgramOptions same = session::optionsOf(session.settings(), devices);
    EXPECT_EQ(same.midiIn, indexOf(devices.midiInputs, playedName));
    EXPECT_FALSE(commands.applyOptions(same, devices).midiChanged);
    EXPECT_EQ(session.settings().midiInDevice, same.midiIn) << "the number is brought up to date";
    EXPECT_EQ(session.ports()->openInputName(), playedName);
    for (const std::uint32_t word : heard(synth)) {
        EXPECT_FALSE(isNoteOff(word, 60)) << "the held note goes on";
    }

    played.ports.send(0x003C80);
    EXPECT_TRUE(playing.deliversTo(synth, [](std::uint32_t word) { return isNoteOff(word, 60); }))
        << "the key still reaches the note";
}

} // namespace
} // namespace tonwerk
