#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace tonwerk::cli {

// `tonwerk-cli devices`: one line per MIDI port ("midi-in N NAME", "midi-out N NAME").
int runDevices(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

// `tonwerk-cli live`: the engine with real MIDI ports until SIGINT or SIGTERM; then every sounding
// note gets its note-off and the program exits with status 0. Main thread.
int runLive(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace tonwerk::cli
