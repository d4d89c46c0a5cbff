#pragma once

#include "core/Settings.h"

#include <ostream>
#include <string>
#include <string_view>

namespace tonwerk::cli {

// `tonwerk-cli route`: runs a script of MIDI input through the dispatcher with a fresh default setup
// and prints every action with its virtual time. `script` is the whole script text.
// `setupFile`, when not empty, is loaded before the script runs.
// Returns the exit status: 0; 1 when a save failed or the setup could not be loaded; 2 for a line
// that cannot be run (reported as "line N: reason"). Main thread.
struct RouteOptions {
    core::Settings settings; // the keyboard velocity, the program-change rule, the sound layout
    std::string setupFile;
    std::string wavFile;   // when set, the mix of the run is rendered into this WAVE file
    std::string framesDir; // when set, the graphics window's picture every 40 ms goes here as PNG
    int frameWidth = 320;
    int frameHeight = 240;
};
int runRouteScript(std::string_view script, const RouteOptions& options, std::ostream& out, std::ostream& err);

} // namespace tonwerk::cli
