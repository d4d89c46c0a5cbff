#include "JackMidiInput.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <cstring>

namespace tonwerk::platform {

struct JackMidiInput::Jack {
    jack_client_t* client = nullptr;
    std::atomic<jack_port_t*> port{nullptr}; // written once, before the first connection
};

JackMidiInput::JackMidiInput(const std::string& clientName, Handler handler, void* context)
    : m_handler(handler), m_context(context) {
    jack_status_t status{};
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        return;
    }
    m_jack = std::make_unique<Jack>();
    m_jack->client = client;
    if (jack_set_process_callback(client, &JackMidiInput::process, this) != 0 || jack_activate(client) != 0) {
        static_cast<void>(jack_client_close(client));
        m_jack.reset();
    }
}

JackMidiInput::~JackMidiInput() {
    if (m_jack) {
        // Deactivating waits for the process callback to return; only then does the client go.
        static_cast<void>(jack_deactivate(m_jack->client));
        static_cast<void>(jack_client_close(m_jack->client));
    }
}

bool JackMidiInput::open(const std::string& source, const std::string& portName) {
    if (!m_jack) {
        return false;
    }
    jack_port_t* port = m_jack->port.load(std::memory_order_acquire);
    if (port == nullptr) {
        port = jack_port_register(m_jack->client, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (port == nullptr) {
            return false;
        }
        m_jack->port.store(port, std::memory_order_release);
    }
    static_cast<void>(jack_port_disconnect(m_jack->client, port));
    return jack_connect(m_jack->client, source.c_str(), jack_port_name(port)) == 0;
}

void JackMidiInput::close() {
    if (!m_jack) {
        return;
    }
    if (jack_port_t* port = m_jack->port.load(std::memory_order_acquire); port != nullptr) {
        static_cast<void>(jack_port_disconnect(m_jack->client, port));
    }
}

int JackMidiInput::process(std::uint32_t frames, void* self) {
    auto* input = static_cast<JackMidiInput*>(self);
    jack_port_t* port = input->m_jack->port.load(std::memory_order_acquire);
    if (port == nullptr) {
        return 0;
    }
    void* buffer = jack_port_get_buffer(port, frames);
    if (buffer == nullptr) {
        return 0;
    }
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event{};
        if (jack_midi_event_get(&event, buffer, i) != 0) {
            break; // the buffer changed under the reader: the rest of this cycle is not there
        }
        // Longer events (system exclusive) are no channel messages; their bytes are not read.
        if (event.size == 0 || event.size > 3 || event.buffer == nullptr) {
            continue;
        }
        std::array<unsigned char, 3> bytes{};
        std::memcpy(bytes.data(), event.buffer, event.size);
        input->m_handler(bytes.data(), event.size, input->m_context);
    }
    return 0;
}

} // namespace tonwerk::platform
