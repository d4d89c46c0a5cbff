#pragma once

#include <cstdio>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>

namespace tonwerk::platform {

// The log of what the libraries under Tonwerk say about themselves (the ALSA library, the JACK
// client library, RtMidi, RtAudio): a performer never sees it unless asked for. Lines go to one
// stream: none (the default: dropped), the error stream (`tonwerk-cli --verbose`) or the program's
// log file beside the settings. Tonwerk's own findings ("no MIDI system: ...") are said by each
// host in its own way and are also written here.

// Where the lines go from now on; null: nowhere. The stream is not closed here. Any thread.
void setDiagnosticLog(std::FILE* stream);

// Writes one line "source: text" (a trailing newline of `text` is dropped; empty lines are
// skipped). Any thread except the audio callback; blocks briefly on the log's lock.
void logDiagnostic(std::string_view source, std::string_view text);

// Routes the ALSA library's and the JACK client library's own messages into the log. Once per
// process; later calls do nothing. Before the first MIDI or sound system is opened.
void routeLibraryDiagnostics();

// While it lives, what is written to std::cerr goes into the log under `source` instead (RtMidi
// prints its start-up errors there before an error callback can be set). The thread that makes it,
// at start-up only: std::cerr is process-wide.
class CerrToLog {
public:
    explicit CerrToLog(std::string source);
    ~CerrToLog();
    CerrToLog(const CerrToLog&) = delete;
    CerrToLog& operator=(const CerrToLog&) = delete;

private:
    std::string m_source;
    std::ostringstream m_capture;
    std::streambuf* m_previous;
};

} // namespace tonwerk::platform
