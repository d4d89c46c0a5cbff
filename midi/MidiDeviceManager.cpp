#include "MidiDeviceManager.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tonwerk::midi {

namespace {

int indexOf(const std::vector<std::string>& names, const std::string& name) {
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

} // namespace

MidiDeviceManager::MidiDeviceManager(platform::MidiPorts& ports, core::Notifier& notifier, ScreenFeedback& screen)
    : m_ports(ports), m_notifier(notifier), m_screen(screen) {}

void MidiDeviceManager::reportOpenError(bool output, int code, std::string_view detail) {
    std::string text(platform::midiErrorText(code));
    if (!detail.empty()) {
        text.append(" (").append(detail).append(")");
    }
    m_notifier.notify(core::MessageRequest{
        text, output ? "Tonwerk  -  MIDI-Output   Initialize-Error" : "Tonwerk  -  MIDI-Input    Initialize-Error",
        core::MessageIcon::Error, core::MessageButtons::Ok});
}

int MidiDeviceManager::openInput(int id) {
    if (id == m_inputId && m_ports.inputOpen()) {
        return platform::MidiError::kNone;
    }
    const int code = m_ports.openInput(id);
    if (code != platform::MidiError::kNone) {
        reportOpenError(false, code);
        return code;
    }
    m_inputId = id;
    m_inputName = m_ports.openInputName();
    m_inputGone = false;
    return code;
}

int MidiDeviceManager::openOutput(int id) {
    if (id == m_outputId && m_ports.outputOpen()) {
        return platform::MidiError::kNone;
    }
    const int code = m_ports.openOutput(id);
    if (code != platform::MidiError::kNone) {
        reportOpenError(true, code);
        return code;
    }
    m_outputId = id;
    m_outputName = id == -1 ? std::string() : m_ports.openOutputName();
    m_outputGone = false;
    return code;
}

int MidiDeviceManager::changeInput(int id) {
    if (id == m_inputId && m_ports.inputOpen()) {
        return platform::MidiError::kNone;
    }
    m_ports.closeInput();
    endHeldNotes();
    m_inputId = -2;
    m_inputName.clear();
    m_inputGone = false;
    return id < 0 ? platform::MidiError::kNone : openInput(id);
}

int MidiDeviceManager::changeOutput(int id) {
    if (id == m_outputId && m_ports.outputOpen()) {
        return platform::MidiError::kNone;
    }
    endHeldNotes(); // their note-offs still reach the old output
    m_ports.closeOutput();
    m_outputId = -2;
    m_outputName.clear();
    m_outputGone = false;
    return id < -1 ? platform::MidiError::kNone : openOutput(id);
}

bool MidiDeviceManager::startDevices(int& inputId, std::string& inputName, int& outputId, std::string& outputName) {
    const auto inputs = m_ports.inputNames();
    int in = inputName.empty() ? -1 : indexOf(inputs, inputName);
    if (in < 0 && inputId >= 0 && inputId < static_cast<int>(inputs.size())) {
        in = inputId; // the stored number only when the name is not there
    }
    bool haveInput = false;
    if (in >= 0 && openInput(in) == platform::MidiError::kNone) {
        inputId = in;
        inputName = m_inputName;
        haveInput = true;
    }
    const auto outputs = m_ports.outputNames();
    int out = outputName.empty() ? -2 : indexOf(outputs, outputName);
    if (out < 0 && (outputId == -1 || (outputId >= 0 && outputId < static_cast<int>(outputs.size())))) {
        out = outputId;
    }
    if (out >= -1 && openOutput(out) == platform::MidiError::kNone) {
        outputId = out;
        outputName = m_outputName;
    }
    return haveInput;
}

void MidiDeviceManager::closeDevices() {
    m_ports.closeInput();
    // In small batches: an output port takes only so many events per period, and what is still
    // queued when the port closes is lost.
    int sent = 0;
    for (int channel = 0; channel < 16; ++channel) {
        for (int key = 0; key <= 127; ++key) {
            m_ports.send(shortMessage(0x80 | channel, key, 0));
            if (++sent % 8 == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    m_ports.closeOutput();
}

void MidiDeviceManager::inputLost() {
    m_inputGone = true;
    m_ports.closeInput();
    m_screen.deviceStatus("MIDI input lost: " + m_inputName);
    endHeldNotes(); // its note-offs can never arrive now
}

void MidiDeviceManager::endHeldNotes() {
    if (m_performance == nullptr) {
        return;
    }
    m_performance->releaseHeldNotes();
    for (int channel = 0; channel < 16; ++channel) {
        m_performance->onMidiData(MidiSource::Injected, shortMessage(0xB0 | channel, 64, 0));
    }
}

void MidiDeviceManager::outputLost() {
    m_outputGone = true;
    m_ports.closeOutput();
    m_screen.deviceStatus("MIDI output lost: " + m_outputName);
    if (m_performance != nullptr) {
        m_performance->forgetForwardedNotes();
    }
}

void MidiDeviceManager::watch() {
    if (!m_inputName.empty()) {
        const int at = indexOf(m_ports.inputNames(), m_inputName);
        if (!m_inputGone && at < 0) {
            inputLost();
        } else if (m_inputGone && at >= 0 && m_ports.openInput(at) == platform::MidiError::kNone) {
            m_inputGone = false;
            m_inputId = at;
            m_screen.deviceStatus("MIDI input back: " + m_inputName);
        }
    }
    if (!m_outputName.empty()) {
        const int at = indexOf(m_ports.outputNames(), m_outputName);
        if (!m_outputGone && at < 0) {
            outputLost();
        } else if (m_outputGone && at >= 0 && m_ports.openOutput(at) == platform::MidiError::kNone) {
            m_outputGone = false;
            m_outputId = at;
            m_screen.deviceStatus("MIDI output back: " + m_outputName);
        }
    }
}

} // namespace tonwerk::midi
