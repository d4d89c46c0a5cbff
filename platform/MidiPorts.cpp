#include "MidiPorts.h"

#include "DiagnosticLog.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <utility>

namespace tonwerk::platform {

namespace {

int codeFor(RtMidiError::Type type) {
    switch (type) {
    case RtMidiError::INVALID_DEVICE:
    case RtMidiError::INVALID_PARAMETER:
        return MidiError::kBadDevice;
    case RtMidiError::MEMORY_ERROR:
        return MidiError::kNoMemory;
    case RtMidiError::NO_DEVICES_FOUND:
    case RtMidiError::DRIVER_ERROR:
    case RtMidiError::SYSTEM_ERROR:
    case RtMidiError::THREAD_ERROR:
    case RtMidiError::UNSPECIFIED:
    case RtMidiError::INVALID_USE:
        return MidiError::kNoDriver;
    case RtMidiError::WARNING:
    case RtMidiError::DEBUG_WARNING:
        break;
    }
    return MidiError::kNone;
}

// Records errors instead of letting RtMidi print or throw them; their text goes to the log.
void recordError(RtMidiError::Type type, const std::string& text, void* target) {
    logDiagnostic("RtMidi", text);
    if (const int code = codeFor(type); code != MidiError::kNone) {
        *static_cast<int*>(target) = code;
    }
}

// Whether a JACK server takes clients (the one JACK_DEFAULT_SERVER names); none is started.
bool jackServerRunning() {
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("Tonwerk probe", JackNoStartServer, &status);
    if (probe == nullptr) {
        return false;
    }
    static_cast<void>(jack_client_close(probe));
    return true;
}

RtMidi::Api rtApi(MidiApi api) { return api == MidiApi::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA; }

std::string shortName(std::string name) {
    if (name.size() > MidiPorts::kMaxNameLength) {
        name.resize(MidiPorts::kMaxNameLength);
    }
    return name;
}

} // namespace

std::string_view midiErrorText(int code) {
    switch (code) {
    case MidiError::kBadDevice:
        return "Device is out of range.";
    case MidiError::kInvalidHandle:
        return "Given device-handle is not available.";
    case MidiError::kNoDriver:
        return "No device-driver installed.";
    case MidiError::kNoMemory:
        return "System cannot allocate memory.";
    case MidiError::kStillPlaying:
        return "Still buffers in queuing line.";
    default:
        break;
    }
    return {};
}

MidiPorts::MidiPorts(MidiApi api, const std::string& clientName) {
    // What the libraries say while a system is tried goes to the log, not to the performer.
    routeLibraryDiagnostics();
    const CerrToLog capture("RtMidi");
    const MidiApi order[] = {MidiApi::Alsa, MidiApi::Jack};
    for (const MidiApi candidate : order) {
        if (api != MidiApi::Auto && api != candidate) {
            continue;
        }
        if (candidate == MidiApi::Jack && !jackServerRunning()) {
            continue; // RtMidi would open a JACK client that never reaches a server
        }
        try {
            auto in = std::make_unique<RtMidiIn>(rtApi(candidate), clientName, 1000);
            auto out = std::make_unique<RtMidiOut>(rtApi(candidate), clientName);
            in->setErrorCallback(recordError, &m_lastError);
            // The output's errors are recorded like the input's; any error or warning during a
            // send (the port's buffer is full) marks that message as refused.
            out->setErrorCallback(
                [](RtMidiError::Type type, const std::string& text, void* self) {
                    logDiagnostic("RtMidi", text);
                    auto* ports = static_cast<MidiPorts*>(self);
                    if (const int code = codeFor(type); code != MidiError::kNone) {
                        ports->m_lastError = code;
                    }
                    ports->m_sendFailed = true;
                },
                this);
            in->ignoreTypes(true, true, true);
            if (candidate == MidiApi::Jack) {
                auto jackIn = std::make_unique<JackMidiInput>(clientName, &MidiPorts::onJackInput, this);
                if (jackIn->available()) {
                    m_jackIn = std::move(jackIn);
                }
            }
            if (!m_jackIn) {
                in->setCallback(&MidiPorts::onInput, this);
            }
            m_in = std::move(in);
            m_out = std::move(out);
            m_api = candidate;
            return;
        } catch (const RtMidiError&) {
            // This system is not there (no ALSA sequencer device, no JACK server): try the next.
        }
    }
}

MidiPorts::~MidiPorts() {
    closeInput();
    closeOutput();
}

std::vector<std::string> MidiPorts::inputNames() {
    std::vector<std::string> names;
    if (m_in) {
        const unsigned count = m_in->getPortCount();
        for (unsigned i = 0; i < count && names.size() < kMaxPorts; ++i) {
            names.push_back(shortName(m_in->getPortName(i)));
        }
    }
    return names;
}

std::vector<std::string> MidiPorts::outputNames() {
    std::vector<std::string> names;
    if (m_out) {
        const unsigned count = m_out->getPortCount();
        for (unsigned i = 0; i < count && names.size() < kMaxPorts; ++i) {
            names.push_back(shortName(m_out->getPortName(i)));
        }
    }
    return names;
}

void MidiPorts::onInput(double /*stamp*/, std::vector<unsigned char>* message, void* self) {
    if (message != nullptr) {
        static_cast<MidiPorts*>(self)->take(message->data(), message->size());
    }
}

void MidiPorts::onJackInput(const unsigned char* bytes, std::size_t size, void* self) {
    static_cast<MidiPorts*>(self)->take(bytes, size);
}

void MidiPorts::take(const unsigned char* bytes, std::size_t size) {
    if (size == 0 || size > 3) {
        return;
    }
    const unsigned char status = bytes[0];
    if (status < 0x80 || status >= 0xF0) {
        return; // system messages never reach the dispatcher
    }
    std::uint32_t word = status;
    for (std::size_t i = 1; i < size; ++i) {
        word |= static_cast<std::uint32_t>(bytes[i] & 0x7F) << (8 * i);
    }
    m_received.fetch_add(1, std::memory_order_relaxed);
    m_queue.push(word);
}

int MidiPorts::openInput(int id) {
    closeInput();
    if (id < 0) {
        return MidiError::kNone;
    }
    if (!m_in) {
        return MidiError::kNoDriver;
    }
    if (static_cast<unsigned>(id) >= m_in->getPortCount()) {
        return MidiError::kBadDevice;
    }
    m_lastError = MidiError::kNone;
    const std::string name = m_in->getPortName(static_cast<unsigned>(id));
    if (m_jackIn) {
        if (name.empty() || !m_jackIn->open(name, "Tonwerk In")) {
            return MidiError::kBadDevice; // the port went between listing and opening
        }
    } else {
        m_in->openPort(static_cast<unsigned>(id), "Tonwerk In");
        if (m_lastError != MidiError::kNone || !m_in->isPortOpen()) {
            return m_lastError != MidiError::kNone ? m_lastError : MidiError::kNoDriver;
        }
    }
    m_inputOpen = true;
    m_inputName = shortName(name);
    return MidiError::kNone;
}

int MidiPorts::openOutput(int id) {
    closeOutput();
    if (id < -1) {
        return MidiError::kNone;
    }
    if (!m_out) {
        return MidiError::kNoDriver;
    }
    m_lastError = MidiError::kNone;
    std::string name = kVirtualOutputName;
    if (id == -1) {
        m_out->openVirtualPort(kVirtualOutputName);
    } else {
        if (static_cast<unsigned>(id) >= m_out->getPortCount()) {
            return MidiError::kBadDevice;
        }
        name = m_out->getPortName(static_cast<unsigned>(id));
        m_out->openPort(static_cast<unsigned>(id), kVirtualOutputName);
    }
    if (m_lastError != MidiError::kNone) {
        return m_lastError;
    }
    m_outputOpen = true;
    m_outputName = shortName(name);
    return MidiError::kNone;
}

void MidiPorts::closeInput() {
    if (m_jackIn) {
        m_jackIn->close();
    } else if (m_in && m_inputOpen) {
        m_in->closePort();
    }
    m_inputOpen = false;
    m_inputName.clear();
}

void MidiPorts::closeOutput() {
    if (m_out && m_outputOpen) {
        m_out->closePort();
    }
    m_outputOpen = false;
    m_outputName.clear();
}

void MidiPorts::send(std::uint32_t message) {
    if (!m_outputOpen) {
        return;
    }
    const unsigned char status = static_cast<unsigned char>(message & 0xFF);
    const int kind = status & 0xF0;
    const std::size_t size = (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    const unsigned char bytes[3] = {status, static_cast<unsigned char>((message >> 8) & 0x7F),
                                    static_cast<unsigned char>((message >> 16) & 0x7F)};
    m_sendFailed = false;
    m_out->sendMessage(bytes, size);
    ++m_sent;
    if (m_sendFailed) {
        ++m_refused;
    }
}

} // namespace tonwerk::platform
