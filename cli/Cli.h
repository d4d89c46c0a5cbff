#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace tonwerk::cli {

// Exit statuses of tonwerk-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the command ran and failed (a file could not be read)
inline constexpr int kExitUsage = 2;   // unknown subcommand or bad arguments

// Runs tonwerk-cli with its arguments (without the program name).
// Main thread.
int runCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace tonwerk::cli
