#include "DiagnosticLog.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdarg>
#include <iostream>
#include <mutex>

namespace tonwerk::platform {

namespace {

std::mutex& logLock() {
    static std::mutex lock;
    return lock;
}

std::FILE* logStream = nullptr; // guarded by logLock()

// The ALSA library's messages: file, line, function, an error number and a printf format.
// NOLINTNEXTLINE(cert-dcl50-cpp): the library's handler type is a C variadic function
void alsaMessage(const char* file, int line, const char* function, int error, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    static_cast<void>(std::vsnprintf(text, sizeof text, format, args)); // NOLINT(clang-diagnostic-format-nonliteral)
    va_end(args);
    std::string message = text;
    if (error != 0) {
        message += std::string(" (") + snd_strerror(error) + ")";
    }
    char where[160];
    static_cast<void>(std::snprintf(where, sizeof where, " [%s:%d %s]", file != nullptr ? file : "?", line,
                                    function != nullptr ? function : "?"));
    logDiagnostic("ALSA", message + where);
}

void jackError(const char* text) { logDiagnostic("JACK", text != nullptr ? text : ""); }

} // namespace

void setDiagnosticLog(std::FILE* stream) {
    const std::lock_guard guard(logLock());
    logStream = stream;
}

void logDiagnostic(std::string_view source, std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    while (!text.empty() && text.front() == '\n') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return;
    }
    const std::lock_guard guard(logLock());
    if (logStream == nullptr) {
        return;
    }
    const std::string line = std::string(source) + ": " + std::string(text) + "\n";
    static_cast<void>(std::fputs(line.c_str(), logStream));
    static_cast<void>(std::fflush(logStream));
}

void routeLibraryDiagnostics() {
    static std::once_flag once;
    std::call_once(once, [] {
        static_cast<void>(snd_lib_error_set_handler(alsaMessage));
        jack_set_error_function(jackError);
        jack_set_info_function(jackError);
    });
}

CerrToLog::CerrToLog(std::string source) : m_source(std::move(source)), m_previous(std::cerr.rdbuf()) {
    std::cerr.rdbuf(m_capture.rdbuf());
}

CerrToLog::~CerrToLog() {
    std::cerr.rdbuf(m_previous);
    std::istringstream lines(m_capture.str());
    for (std::string line; std::getline(lines, line);) {
        logDiagnostic(m_source, line);
    }
}

} // namespace tonwerk::platform
