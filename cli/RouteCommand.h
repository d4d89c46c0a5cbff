#pragma once

#include <ostream>
#include <string_view>

namespace tonwerk::cli {

// `tonwerk-cli route`: runs a script of MIDI input through the dispatcher with a fresh default setup
// and prints every action with its virtual time. `script` is the whole script text.
// Returns the exit status: 0, or 2 for a line that cannot be run (reported as "line N: reason").
// Main thread.
int runRouteScript(std::string_view script, int keyboardVelocity, bool programChangeSelectsSetup, bool markNotes,
                   std::ostream& out, std::ostream& err);

} // namespace tonwerk::cli
