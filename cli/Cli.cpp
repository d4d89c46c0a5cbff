#include "Cli.h"

#include "RouteCommand.h"
#include "StderrNotifier.h"
#include "app/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/SystemPaths.h"
#include "tonwerk/Version.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace tonwerk::cli {

namespace {

constexpr std::string_view kUsage = R"(Usage: tonwerk-cli [--help | --version] <command> [options]

Runs Tonwerk's engine without a window: for a headless stage computer, for checking
setups before a gig, and for scripted tests.

Commands:
  settings dump [--file F]   Print every setting as "[Section] Key=value" in the order
                             the program reads them, as loaded (defaults where absent).
                             F defaults to the program's settings file.
  route [--settings F] [SCRIPT]
                             Run a script of MIDI input (a file, or standard input) through
                             the dispatcher with a fresh default setup and print every
                             action as "T kind ...", T the virtual time in ms. Without
                             --settings the settings' defaults are used, never the user's.

Route script lines ('#' starts a comment; a line may begin with @T, T in ms, never
decreasing; the engine's 4 ms clock ticks run up to T first):
  XX [YY [ZZ]]               a short message in hex, status first, from the MIDI input
  user XX [YY [ZZ]]          injected as user input (a note-on takes keyboardVelocity)
  inject XX [YY [ZZ]]        injected as other input
  panic                      all notes off
  set S FIELD=VALUE ...      set fields of split S (0-23), e.g. transpose=-12 sfxFlags=0x10,
                             comment="text", velocityCurve.N=V
  option NAME=VALUE          keyboardVelocity, programChangeSelectsSetup (0/1),
                             markNotes (0/1), screen (1 Master, 2 Rock, 3 DJ)
Output lines: T midi XX YY [ZZ] | T clip-on S XX YY ZZ | T clip-off S XX YY ZZ |
  T key-released K | T voice-start S K V | T voice-play S | T voice-release S |
  T voice-mute S | T voice-unmute S V
A line that cannot be run prints "line N: reason" to stderr and exits with status 2.

Options:
  --help      Show this text and exit.
  --version   Show the version and exit.

Exit status: 0 success, 1 the command failed, 2 unknown command or bad arguments.
)";

int usageError(std::ostream& err, std::string_view problem) {
    err << "tonwerk-cli: " << problem << "\n\n" << kUsage;
    return kExitUsage;
}

int settingsDump(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::filesystem::path file = platform::settingsFilePath();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--file") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError(err, "--file needs a file name");
            }
            file = std::filesystem::path(std::string(args[++i]));
        } else {
            return usageError(err, "unknown argument to 'settings dump': " + std::string(args[i]));
        }
    }
    platform::Status status = platform::Status::success();
    const app::Settings settings = app::loadSettingsFile(file, app::SettingsEnvironment::current(), &status);
    if (!status.ok()) {
        StderrNotifier notifier(err);
        notifier.notify(
            app::MessageRequest{status.message(), "tonwerk-cli", app::MessageIcon::Error, app::MessageButtons::Ok});
        return kExitFailure;
    }
    for (const app::SettingEntry& entry : app::settingEntries()) {
        out << '[' << entry.section << "] " << entry.key << '=' << app::settingText(settings, entry) << '\n';
    }
    return kExitOk;
}

int route(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::optional<std::filesystem::path> settingsFile;
    std::optional<std::string> scriptFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--settings") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError(err, "--settings needs a file name");
            }
            settingsFile = std::filesystem::path(std::string(args[++i]));
        } else if (!scriptFile && (args[i] == "-" || !args[i].starts_with("-"))) {
            scriptFile = std::string(args[i]);
        } else {
            return usageError(err, "unknown argument to 'route': " + std::string(args[i]));
        }
    }

    // Fixed defaults unless a settings file is named, so a script prints the same everywhere.
    app::Settings settings;
    if (settingsFile) {
        platform::Status status = platform::Status::success();
        settings = app::loadSettingsFile(*settingsFile, app::SettingsEnvironment{}, &status);
        if (!status.ok()) {
            err << "tonwerk-cli: " << status.message() << '\n';
            return kExitFailure;
        }
    }

    std::string script;
    if (!scriptFile || *scriptFile == "-") {
        char buffer[65536];
        while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
            script.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
        }
    } else {
        const platform::FileContents contents = platform::readWholeFile(*scriptFile);
        if (!contents.status.ok() || !contents.exists) {
            err << "tonwerk-cli: "
                << (contents.exists ? contents.status.message() : "no script file \"" + *scriptFile + "\"") << '\n';
            return kExitFailure;
        }
        script = contents.data;
    }
    return runRouteScript(script, settings.keyboardVelocity, settings.programChangeSelectsSetup != 0,
                          settings.markNotes != 0, out, err);
}

} // namespace

int runCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return usageError(err, "no command given");
    }
    const std::string_view command = args[0];
    if (command == "--help" || command == "-h") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "--version") {
        out << "tonwerk-cli " << kVersion << '\n';
        return kExitOk;
    }
    if (command == "settings") {
        if (args.size() >= 2 && args[1] == "dump") {
            return settingsDump(args.subspan(2), out, err);
        }
        return usageError(err, "'settings' needs the subcommand 'dump'");
    }
    if (command == "route") {
        return route(args.subspan(1), out, err);
    }
    return usageError(err, "unknown command: " + std::string(command));
}

} // namespace tonwerk::cli
