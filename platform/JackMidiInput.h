#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tonwerk::platform {

// Tonwerk's MIDI input on the JACK system: a JACK client of its own with one input port, connected
// to the port the performer chose. A reader of a JACK port shares the writer's buffer; when the
// server runs a cycle again under load, the writer may already be filling its next cycle while
// this one is read, so every event is fetched with its result checked, and only events of one to
// three bytes are handed on. The port stays registered until the client closes: closing the input
// only disconnects it, so the process callback never meets a port that is going away.
class JackMidiInput {
public:
    // Receives each event of one to three bytes; called on JACK's process thread, must not block.
    using Handler = void (*)(const unsigned char* bytes, std::size_t size, void* context);

    // Opens the client (no server is started). Dispatcher thread; blocks for a server round trip.
    JackMidiInput(const std::string& clientName, Handler handler, void* context);
    JackMidiInput(const JackMidiInput&) = delete;
    JackMidiInput& operator=(const JackMidiInput&) = delete;
    ~JackMidiInput();

    [[nodiscard]] bool available() const { return m_jack != nullptr; }

    // Connects the input port (named `portName` when it is first made) to `source`, a full JACK
    // port name; the connections made before are undone first. False when the port or the
    // connection could not be made. Dispatcher thread; blocks for server round trips.
    bool open(const std::string& source, const std::string& portName);
    // Disconnects the input port: nothing reaches the handler any more. Dispatcher thread.
    void close();

private:
    static int process(std::uint32_t frames, void* self); // JACK's process thread

    struct Jack;                  // the client and its port, in JACK's own types
    std::unique_ptr<Jack> m_jack; // null when no client could be opened
    Handler m_handler;
    void* m_context;
};

} // namespace tonwerk::platform
