#include "Cli.h"

#include "StderrNotifier.h"
#include "app/Settings.h"
#include "platform/SystemPaths.h"
#include "tonwerk/Version.h"

#include <filesystem>
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
    return usageError(err, "unknown command: " + std::string(command));
}

} // namespace tonwerk::cli
