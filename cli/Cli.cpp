#include "Cli.h"

#include "LiveCommand.h"
#include "RouteCommand.h"
#include "SetupJson.h"
#include "StderrNotifier.h"
#include "core/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/DiagnosticLog.h"
#include "platform/RiffFile.h"
#include "platform/SystemPaths.h"
#include "platform/VideoFile.h"
#include "res/Strings.h"
#include "session/Session.h"
#include "setups/SetupFile.h"
#include "song/Song.h"
#include "tonwerk/Version.h"
#include "video/StreamInfo.h"
#include "video/StreamTable.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace tonwerk::cli {

namespace {

constexpr std::string_view kUsage = R"(Usage: tonwerk-cli [--help | --version] [--verbose] <command> [options]

Runs Tonwerk's engine without a window: for a headless stage computer, for checking
setups before a gig, and for scripted tests.

Commands:
  settings dump [--file F]   Print every setting as "[Section] Key=value" in the order
                             the program reads them, as loaded (defaults where absent).
                             F defaults to the program's settings file.
  devices [--midi-api alsa|jack]
                             List the MIDI ports and sound outputs: "midi-in N NAME",
                             "midi-out N NAME", "audio N API NAME".
  live [--setup FILE] [--midi-in NAME|INDEX] [--midi-out NAME|INDEX|-1]
       [--midi-api alsa|jack] [--audio DEVICE|none] [--frames DIR]
                             Play live through real MIDI ports until SIGINT or SIGTERM;
                             without an option the settings' ports and sound device play;
                             --midi-out -1 opens Tonwerk's own port "Tonwerk Out";
                             --frames writes each picture of the video window (320x240) to
                             DIR/frame-00000.png, ...
  setup dump FILE            Print a setup (.mks) or bank (.mkb) file as JSON, as read.
  setup make OUT             Write a setup or bank file from such JSON on standard input
                             (fields left out take their defaults; several setups, or an
                             OUT ending in .mkb, make a bank).
  song dump FILE.mid         Print a MIDI file as the song holds it: a line
                             "events=N saved=N lengthBeats=N", then "BAR:TICK XX YY ZZ WW".
  clip-info FILE             Print the three lines of stream information of every stream
                             of a clip, at its first frame.
  route [--settings F] [--setup FILE] [--wav OUT.wav] [--frames DIR [--size WxH]] [SCRIPT]
                             Run a script of MIDI input (a file, or standard input) through
                             the dispatcher with a fresh default setup and print every
                             action as "T kind ...", T the virtual time in ms. Without
                             --settings the settings' defaults are used, never the user's.
                             --wav renders the mix of the run (virtual time 0 to the last
                             line) into OUT.wav in the output format of "DSMemMode".
                             --frames writes the video window's picture (WxH, default
                             320x240) every 40 ms of virtual time as DIR/frame-00000.png, ...

Route script lines ('#' starts a comment; a line may begin with @T, T in ms, never
decreasing; the engine's 4 ms clock ticks run up to T first):
  XX [YY [ZZ]]               a short message in hex, status first, from the MIDI input
  user XX [YY [ZZ]]          injected as user input (a note-on takes keyboardVelocity)
  inject XX [YY [ZZ]]        injected as other input
  panic                      all notes off
  set S FIELD=VALUE ...      set fields of split S (0-23), e.g. transpose=-12 sfxFlags=0x10,
                             comment="text", velocityCurve.N=V
  option NAME=VALUE          keyboardVelocity, programChangeSelectsSetup (0/1),
                             markNotes (0/1), screen (1 Master, 2 Rock, 3 DJ),
                             useWaveLoop, useTimestretch, noAutoBpm (0/1)
  sample S PATH [MODEBITS]   load a WAVE file into split S as a drop onto a pad does (mode
                             bits 1 trigger, 2 keyboard, 4 load, 8 preview; default 4)
  clip S PATH                load a clip into split S as a drop onto a pad does
  video S FIELD=VALUE ...    set video fields of split S, e.g. optionFlags=0x3 rowEffect.2=0x8
  load FILE | save FILE      load or save a setup file
  song-load FILE | song-save FILE
  record | play | stop | break   the song transport (songs play as midi lines)
  tempo N                    the setup tempo, 50-260 beats per minute
Output lines: T midi XX YY [ZZ] | T clip-on S XX YY ZZ | T clip-off S XX YY ZZ |
  T key-released K | T voice-start S K V | T voice-play S | T voice-release S |
  T voice-mute S | T voice-unmute S V
A line that cannot be run prints "line N: reason" to stderr and exits with status 2; a
save that fails names the file and the reason and exits with status 1.

Options:
  --help      Show this text and exit.
  --version   Show the version and exit.
  --verbose   Also print what the MIDI and sound libraries say about themselves (ALSA, JACK,
              RtMidi, RtAudio) on the error stream; without it they are quiet.

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
    const core::Settings settings = core::loadSettingsFile(file, core::SettingsEnvironment::current(), &status);
    if (!status.ok()) {
        StderrNotifier notifier(err);
        notifier.notify(
            core::MessageRequest{status.message(), "tonwerk-cli", core::MessageIcon::Error, core::MessageButtons::Ok});
        return kExitFailure;
    }
    for (const core::SettingEntry& entry : core::settingEntries()) {
        out << '[' << entry.section << "] " << entry.key << '=' << core::settingText(settings, entry) << '\n';
    }
    return kExitOk;
}

// `clip-info FILE`: the stream information of every stream of a clip at its first frame.
int clipInfo(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0].empty()) {
        return usageError(err, "'clip-info' needs one file");
    }
    const std::filesystem::path path{std::string(args[0])};
    std::uint32_t error = 0;
    const auto file = platform::VideoFile::open(path, error);
    if (!file) {
        const int id = error == platform::VideoError::kNotFound ? 8296 : video::aviErrorMessageId(error);
        err << "tonwerk-cli: " << path.string() << ": " << res::loadString(id) << '\n';
        return kExitFailure;
    }
    for (int i = 0; i < file->streamCount(); ++i) {
        const platform::VideoStreamInfo& stream = file->stream(i);
        std::int64_t bytes = 0;
        if (const auto reader = file->openFrameReader(i, error); reader && !reader->frame(stream.start).empty()) {
            bytes = reader->lastFrameBytes();
        }
        std::string text = video::streamInfoText(i, stream, stream.start, bytes);
        // The dialog's "\n\r" line ends become plain line ends here.
        for (std::size_t at = text.find("\n\r"); at != std::string::npos; at = text.find("\n\r", at)) {
            text.erase(at + 1, 1);
        }
        out << text << '\n';
    }
    return kExitOk;
}

int route(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::optional<std::filesystem::path> settingsFile;
    std::optional<std::string> scriptFile;
    RouteOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--setup") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError(err, "--setup needs a file name");
            }
            options.setupFile = std::string(args[++i]);
        } else if (args[i] == "--settings") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError(err, "--settings needs a file name");
            }
            settingsFile = std::filesystem::path(std::string(args[++i]));
        } else if (args[i] == "--frames") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError(err, "--frames needs a folder");
            }
            options.framesDir = std::string(args[++i]);
        } else if (args[i] == "--size") {
            int w = 0;
            int h = 0;
            char tail = 0;
            if (i + 1 >= args.size() || std::sscanf(std::string(args[i + 1]).c_str(), "%dx%d%c", &w, &h, &tail) != 2 ||
                w < 1 || h < 1 || w > 4096 || h > 4096) {
                return usageError(err, "--size needs WIDTHxHEIGHT, each 1-4096");
            }
            ++i;
            options.frameWidth = w;
            options.frameHeight = h;
        } else if (args[i] == "--wav") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return usageError(err, "--wav needs a file name");
            }
            options.wavFile = std::string(args[++i]);
        } else if (!scriptFile && (args[i] == "-" || !args[i].starts_with("-"))) {
            scriptFile = std::string(args[i]);
        } else {
            return usageError(err, "unknown argument to 'route': " + std::string(args[i]));
        }
    }

    // Fixed defaults unless a settings file is named, so a script prints the same everywhere.
    if (settingsFile) {
        platform::Status status = platform::Status::success();
        options.settings = core::loadSettingsFile(*settingsFile, core::SettingsEnvironment{}, &status);
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
    return runRouteScript(script, options, out, err);
}

int setupDump(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0].empty()) {
        return usageError(err, "'setup dump' needs one file");
    }
    const std::filesystem::path path{std::string(args[0])};
    const platform::FileContents file = platform::readWholeFile(path);
    if (!file.exists || !file.status.ok()) {
        err << "tonwerk-cli: " << (file.exists ? file.status.message() : "no file \"" + path.string() + "\"") << '\n';
        return kExitFailure;
    }
    const auto read =
        setups::readSetupBytes(std::span(reinterpret_cast<const std::byte*>(file.data.data()), file.data.size()));
    if (!read.contents) {
        err << "tonwerk-cli: " << path.string() << ": " << platform::mmioErrorText(read.mmioError) << '\n';
        return kExitFailure;
    }
    out << setupsToJson(read.contents->setups, path.filename().string()).dump(1) << '\n';
    return kExitOk;
}

int setupMake(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    (void)out;
    if (args.size() != 1 || args[0].empty()) {
        return usageError(err, "'setup make' needs one output file");
    }
    const std::string outFile(args[0]);
    std::vector<midi::Setup> setups;
    try {
        const nlohmann::json json = nlohmann::json::parse(std::cin);
        setups = setupsFromJson(json);
    } catch (const std::exception& e) {
        err << "tonwerk-cli: setup make: " << e.what() << '\n';
        return kExitUsage;
    }
    const bool bank =
        setups.size() > 1 || (outFile.size() >= 4 && (outFile.ends_with(".mkb") || outFile.ends_with(".MKB")));
    const std::string bytes = bank ? setups::bankFileBytes(setups) : setups::setupFileBytes(setups.front());
    const platform::Status status = platform::writeFileAtomically(outFile, bytes);
    if (!status.ok()) {
        err << "tonwerk-cli: " << status.message() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

class NoHost final : public song::SongHost {
public:
    void playEvent(midi::ShortMessage /*message*/) override {}
};

int songDump(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0].empty()) {
        return usageError(err, "'song dump' needs one file");
    }
    NoHost host;
    StderrNotifier notifier(err);
    song::Song song(host, notifier);
    const std::filesystem::path path{std::string(args[0])};
    if (!song.loadSong(path)) {
        err << "tonwerk-cli: cannot read the MIDI file \"" << path.string() << "\"\n";
        return kExitFailure;
    }
    const auto events = song.events();
    out << "events=" << events.size() << " saved=" << song.savedCount() << " lengthBeats=" << song.lengthBeats()
        << '\n';
    char line[64];
    for (const song::SongEvent& e : events) {
        static_cast<void>(std::snprintf(line, sizeof line, "%u:%u %02x %02x %02x %02x\n", e.bar,
                                        static_cast<unsigned>(e.tick), e.status, e.data1, e.data2, e.data3));
        out << line;
    }
    return kExitOk;
}

} // namespace

int runCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args[0] == "--verbose") {
        platform::setDiagnosticLog(stderr);
        args = args.subspan(1);
    }
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
    if (command == "devices") {
        return runDevices(args.subspan(1), out, err);
    }
    if (command == "live") {
        return runLive(args.subspan(1), out, err);
    }
    if (command == "clip-info") {
        return clipInfo(args.subspan(1), out, err);
    }
    if (command == "route") {
        return route(args.subspan(1), out, err);
    }
    if (command == "setup") {
        if (args.size() >= 2 && args[1] == "dump") {
            return setupDump(args.subspan(2), out, err);
        }
        if (args.size() >= 2 && args[1] == "make") {
            return setupMake(args.subspan(2), out, err);
        }
        return usageError(err, "'setup' needs the subcommand 'dump' or 'make'");
    }
    if (command == "song") {
        if (args.size() >= 2 && args[1] == "dump") {
            return songDump(args.subspan(2), out, err);
        }
        return usageError(err, "'song' needs the subcommand 'dump'");
    }
    return usageError(err, "unknown command: " + std::string(command));
}

} // namespace tonwerk::cli
