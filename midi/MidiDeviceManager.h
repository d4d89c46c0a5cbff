#pragma once

#include "EngineHooks.h"
#include "Performance.h"
#include "core/Notifier.h"
#include "platform/MidiPorts.h"

#include <string>
#include <string_view>

namespace tonwerk::midi {

// The one MIDI input and output of the program, chosen by the settings, and what happens when a
// cable is pulled: notes the lost input left sounding are ended, notes sent to a lost output are
// forgotten, and a port of the same name that comes back is reopened. Dispatcher's thread only.
class MidiDeviceManager final : public MidiOutput {
public:
    MidiDeviceManager(platform::MidiPorts& ports, core::Notifier& notifier, ScreenFeedback& screen);

    void attach(Performance& performance) { m_performance = &performance; }

    // Opens the input and output the settings name: by the stored port name first, by the number
    // only when the name is empty or absent; only numbers below the port count are opened (-1 for
    // the output is Tonwerk's own port). Returns false when there is no MIDI input (the PC
    // keyboard then plays). The ids and names chosen are written back.
    bool startDevices(int& inputId, std::string& inputName, int& outputId, std::string& outputName);

    // Opens one device, reporting a failure in the box of its kind. A request for the device that
    // is already open does nothing.
    int openInput(int id);
    int openOutput(int id);
    // The options' choice while the program runs. A new input first ends what the old one left
    // sounding (its note-offs would never come) and lifts the pedal; a new output first gets the
    // note-offs of the notes sent to the old one, there. Failures are reported as by openInput and
    // openOutput; the old device is then closed. Returns the MIDI error code.
    int changeInput(int id);
    int changeOutput(int id);
    [[nodiscard]] int inputId() const { return m_inputId; }
    [[nodiscard]] int outputId() const { return m_outputId; }

    // The Initialize-Error box of an input or output for a MIDI error code, with what was asked
    // for when it helps ("Device is out of range. (Keystation)").
    void reportOpenError(bool output, int code, std::string_view detail = {});

    void send(ShortMessage message) override { m_ports.send(message); }

    // The end of the program: the input closes, every key of every channel (key 127 included)
    // gets a note-off, and the output closes once they are out. Blocks for about half a second.
    void closeDevices();

    // Looks for lost and returned ports; call it about every half second (reconnects within 2 s).
    void watch();

    [[nodiscard]] platform::MidiPorts& ports() { return m_ports; }

private:
    void inputLost();
    void outputLost();
    // Every held note ends (its note-off sent) and the pedal is lifted on all 16 channels.
    void endHeldNotes();

    platform::MidiPorts& m_ports;
    core::Notifier& m_notifier;
    ScreenFeedback& m_screen;
    Performance* m_performance = nullptr;
    int m_inputId = -2;
    int m_outputId = -2;
    std::string m_inputName;  // remembered while the port is gone
    std::string m_outputName; // empty for Tonwerk's own port, which cannot go away
    bool m_inputGone = false;
    bool m_outputGone = false;
};

} // namespace tonwerk::midi
