#pragma once

#include "JackMidiInput.h"
#include "MidiInputQueue.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

namespace tonwerk::platform {

// The MIDI system ports are opened on.
enum class MidiApi { Auto, Alsa, Jack };

// MIDI error codes the program reports, with the texts of its error box.
namespace MidiError {
inline constexpr int kNone = 0;
inline constexpr int kBadDevice = 2; // "Device is out of range."
inline constexpr int kInvalidHandle = 5;
inline constexpr int kNoDriver = 6; // "No device-driver installed."
inline constexpr int kNoMemory = 7; // "System cannot allocate memory."
inline constexpr int kStillPlaying = 65;
} // namespace MidiError

// The error box text for a MIDI error code; empty for codes that are not reported.
[[nodiscard]] std::string_view midiErrorText(int code);

// One MIDI input and one MIDI output over RtMidi: the ALSA sequencer where it exists, otherwise JACK.
// On JACK the input is read by Tonwerk's own client (JackMidiInput), which checks every event it
// fetches; RtMidi still lists the ports. Input arrives on RtMidi's or JACK's thread and goes
// straight into the input queue (system messages — clock, active sensing, system exclusive and
// the rest of F0–FF — are dropped there). All other calls: the dispatcher's thread. Nothing here
// throws.
class MidiPorts {
public:
    static constexpr int kMaxPorts = 16;
    static constexpr std::size_t kMaxNameLength = 63;
    static constexpr const char* kVirtualOutputName = "Tonwerk Out";

    explicit MidiPorts(MidiApi api = MidiApi::Auto, const std::string& clientName = "Tonwerk");
    MidiPorts(const MidiPorts&) = delete;
    MidiPorts& operator=(const MidiPorts&) = delete;
    ~MidiPorts();

    // Which system is in use, or false when neither could be reached (no MIDI at all).
    [[nodiscard]] bool available() const { return m_in != nullptr && m_out != nullptr; }
    [[nodiscard]] MidiApi api() const { return m_api; }

    // Port names by identifier (at most 16, at most 63 characters each), freshly enumerated.
    [[nodiscard]] std::vector<std::string> inputNames();
    [[nodiscard]] std::vector<std::string> outputNames();

    // Opens input `id` (closing the one open before); returns a MidiError code. An id below 0
    // closes the input only.
    int openInput(int id);
    // Opens output `id`; -1 opens Tonwerk's own virtual port "Tonwerk Out", below -1 closes only.
    int openOutput(int id);
    void closeInput();
    void closeOutput();
    [[nodiscard]] bool inputOpen() const { return m_inputOpen; }
    [[nodiscard]] bool outputOpen() const { return m_outputOpen; }
    [[nodiscard]] const std::string& openInputName() const { return m_inputName; }
    [[nodiscard]] const std::string& openOutputName() const { return m_outputName; }

    // Sends a short message (1–3 bytes by its status) to the open output; nothing when closed.
    void send(std::uint32_t message);

    [[nodiscard]] MidiInputQueue& input() { return m_queue; }

    // Traffic counts since construction, for the exit report: channel messages taken from the MIDI
    // system (any thread may read; RtMidi's thread writes), messages handed to the output, and
    // those the output refused (its buffer full). Dispatcher thread for the last two.
    [[nodiscard]] std::uint64_t receivedCount() const { return m_received.load(std::memory_order_relaxed); }
    [[nodiscard]] std::uint64_t sentCount() const { return m_sent; }
    [[nodiscard]] std::uint64_t refusedCount() const { return m_refused; }

private:
    static void onInput(double stamp, std::vector<unsigned char>* message, void* self);
    static void onJackInput(const unsigned char* bytes, std::size_t size, void* self);
    // The input threads' common path: a channel message of `size` bytes into the queue.
    void take(const unsigned char* bytes, std::size_t size);

    // The queue is declared first so that it outlives the input threads, which write to it.
    MidiInputQueue m_queue;
    std::unique_ptr<JackMidiInput> m_jackIn; // on JACK only
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    std::atomic<std::uint64_t> m_received{0};
    std::uint64_t m_sent = 0;
    std::uint64_t m_refused = 0;
    std::string m_inputName;
    std::string m_outputName;
    MidiApi m_api = MidiApi::Auto;
    int m_lastError = 0;
    bool m_inputOpen = false;
    bool m_outputOpen = false;
    bool m_sendFailed = false; // set by RtMidi's error callback during one send
};

} // namespace tonwerk::platform
