#include "RouteCommand.h"

#include "SkipSearch.h"
#include "StderrNotifier.h"
#include "audio/AudioEngine.h"
#include "audio/WaveWriter.h"
#include "midi/Performance.h"
#include "midi/SplitFields.h"
#include "platform/AtomicFile.h"
#include "platform/PictureFile.h"
#include "session/Commands.h"
#include "session/Session.h"
#include "video/FrameBuffer.h"
#include "video/VideoEngine.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tonwerk::cli {

namespace {

using midi::ShortMessage;

// Prints every action of the engine as "T kind ...": the session's MIDI output, the observer of
// its voice operations and the screen that sees its clip notes.
class Printer final : public midi::MidiOutput, public midi::VoiceOperations, public midi::ScreenFeedback {
public:
    explicit Printer(std::ostream& out) : m_out(&out) {}
    void setTime(std::uint32_t ms) { m_timeMs = ms; }
    // The script has ended: what the session does as it is taken down (its closing note-offs) is
    // not part of the run and is not printed.
    void close() { m_out = &m_closed; }

    void send(ShortMessage message) override {
        const unsigned status = message & 0xFF;
        const int bytes = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 2 : 3;
        line("midi");
        for (int i = 0; i < bytes; ++i) {
            hex(static_cast<unsigned>((message >> (8 * i)) & 0xFF));
        }
        *m_out << '\n';
    }
    void startVoice(int split, std::int16_t& /*voice*/, int key, int velocity) override {
        line("voice-start");
        *m_out << ' ' << split << ' ' << key << ' ' << velocity << '\n';
    }
    void playVoice(int split) override { simple("voice-play", split); }
    void releaseVoice(int split, std::int16_t /*voice*/) override { simple("voice-release", split); }
    void muteSplit(int split) override { simple("voice-mute", split); }
    void unmuteSplit(int split, int velocity) override {
        line("voice-unmute");
        *m_out << ' ' << split << ' ' << velocity << '\n';
    }
    void clipNoteOn(int split, std::uint32_t message, std::int32_t /*clipId*/) override {
        clip("clip-on", split, message);
    }
    void clipNoteOff(int split, std::uint32_t message, std::int32_t /*clipId*/) override {
        clip("clip-off", split, message);
    }
    void keyReleased(int key) override { simple("key-released", key); }

private:
    void line(const char* kind) { *m_out << m_timeMs << ' ' << kind; }
    void hex(unsigned byte) {
        char text[4];
        static_cast<void>(std::snprintf(text, sizeof text, " %02x", byte & 0xFF));
        *m_out << text;
    }
    void simple(const char* kind, int value) {
        line(kind);
        *m_out << ' ' << value << '\n';
    }
    void clip(const char* kind, int split, std::uint32_t message) {
        line(kind);
        *m_out << ' ' << split;
        for (int i = 0; i < 3; ++i) {
            hex((message >> (8 * i)) & 0xFF);
        }
        *m_out << '\n';
    }

    std::ostream* m_out;
    std::ostream m_closed{nullptr}; // no buffer: everything written is dropped
    std::uint32_t m_timeMs = 0;
};

// A split field by its bare name: the split's own fields first, then the sample and video blocks.
const midi::SplitField* fieldNamed(std::string_view name) {
    for (const std::string_view block : {"", "sample", "video"}) {
        if (const midi::SplitField* field = midi::findSplitField(block, name)) {
            return field;
        }
    }
    return nullptr;
}

// A decimal number with optional sign, or 0x hex.
std::optional<long long> parseNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 16) {
        return std::nullopt;
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<int> parseHexByte(std::string_view text) {
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Splits a line into words at blanks; a double-quoted part belongs to its word and may hold '#'
// and blanks; an unquoted '#' ends the line. Returns false for an unterminated quote.
bool splitWords(std::string_view line, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (quoted) {
            word.push_back(c);
            if (c == '"') {
                quoted = false;
            }
            continue;
        }
        if (c == '#') {
            break;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        word.push_back(c);
        if (c == '"') {
            quoted = true;
        }
    }
    if (quoted) {
        return false;
    }
    if (inWord) {
        words.push_back(word);
    }
    return true;
}

class RouteRunner {
public:
    RouteRunner(std::ostream& out, std::ostream& err, const RouteOptions& routeOptions)
        : m_printer(out), m_err(err), m_notifier(err), m_search(err), m_settings(routeOptions.settings),
          m_session(m_settings, hooks(), sessionOptions()), m_commands(m_session.commands()),
          m_performance(m_session.performance()), m_wavFile(routeOptions.wavFile), m_framesDir(routeOptions.framesDir),
          m_frameWidth(routeOptions.frameWidth), m_frameHeight(routeOptions.frameHeight) {
        m_session.startDevices(); // the offline output; no MIDI ports: the printer is the output
        if (!m_wavFile.empty() && m_session.audio().offlineOutput() != nullptr) {
            // The mix goes to the file as it is made: memory stays flat however long the render.
            const platform::SoundFormat format = m_session.audio().outputFormat();
            m_wavStatus = m_wav.open(m_wavFile, format.channels, format.rate);
            if (m_wavStatus.ok()) {
                m_session.audio().offlineOutput()->setSink(
                    [this](std::span<const std::int16_t> block) { m_wav.append(block); });
            }
        }
    }
    ~RouteRunner() { m_printer.close(); }
    RouteRunner(const RouteRunner&) = delete;
    RouteRunner& operator=(const RouteRunner&) = delete;

    // Loads the setup given on the command line; false when it could not be read.
    bool loadSetup(const std::string& file) { return m_commands.loadSetup(file); }

    int run(std::string_view script) {
        std::size_t start = 0;
        int number = 0;
        while (start <= script.size()) {
            std::size_t end = script.find('\n', start);
            if (end == std::string_view::npos) {
                end = script.size();
            }
            ++number;
            const std::string error = runLine(script.substr(start, end - start));
            if (m_saveFailed) {
                return 1; // the notifier has named the file and the reason
            }
            if (!error.empty()) {
                m_err << "line " << number << ": " << error << '\n';
                return 2;
            }
            if (end == script.size()) {
                break;
            }
            start = end + 1;
        }
        return finish();
    }

private:
    std::string runLine(std::string_view line) {
        std::vector<std::string> words;
        if (!splitWords(line, words)) {
            return "unterminated quote";
        }
        if (words.empty()) {
            return {};
        }
        std::size_t first = 0;
        if (words[0].front() == '@') {
            const auto time = parseNumber(std::string_view(words[0]).substr(1));
            if (!time || words[0].size() < 2 || words[0][1] == '-' || words[0][1] == '+' || *time > 0xFFFFFFFFLL) {
                return "bad time: " + words[0];
            }
            if (*time < m_timeMs) {
                return "time goes backwards: " + words[0];
            }
            m_timeMs = *time;
            first = 1;
        }
        // The clock advances (with its 4 ms ticks) even for a line that holds only a time.
        m_session.advanceTo(static_cast<std::uint32_t>(m_timeMs), [this](std::uint32_t now) {
            renderFramesBefore(now);
            m_printer.setTime(now);
            renderAudio(now);
        });
        renderAudio(static_cast<std::uint32_t>(m_timeMs));
        m_printer.setTime(static_cast<std::uint32_t>(m_timeMs));
        if (first == words.size()) {
            return {};
        }
        const std::string& command = words[first];
        const std::vector<std::string> args(words.begin() + static_cast<std::ptrdiff_t>(first) + 1, words.end());
        if (command == "user" || command == "inject") {
            ShortMessage message = 0;
            if (std::string e = parseMessage(args, message); !e.empty()) {
                return e;
            }
            m_performance.onMidiData(command == "user" ? midi::MidiSource::User : midi::MidiSource::Injected, message);
            return {};
        }
        if (command == "panic") {
            if (!args.empty()) {
                return "panic takes no arguments";
            }
            m_commands.panic();
            return {};
        }
        if (command == "set") {
            return setFields(args);
        }
        if (std::string e = transport(command, args); e != "unknown") {
            return e;
        }
        if (command == "option") {
            return setOptions(args);
        }
        if (command == "sample") {
            return assignSample(args);
        }
        if (command == "clip") {
            return assignClip(args);
        }
        if (command == "video") {
            return setFields(args, "video");
        }
        ShortMessage message = 0;
        std::vector<std::string> bytes(words.begin() + static_cast<std::ptrdiff_t>(first), words.end());
        if (const std::string e = parseMessage(bytes, message); !e.empty()) {
            return "unknown command or " + e;
        }
        m_performance.onMidiData(midi::MidiSource::Device, message);
        return {};
    }

    // Setup and song files and the transport. Returns "unknown" for a command that is not one of them.
    std::string transport(const std::string& command, const std::vector<std::string>& args) {
        const bool takesFile =
            command == "load" || command == "save" || command == "song-load" || command == "song-save";
        const bool plain = command == "record" || command == "play" || command == "stop" || command == "break";
        if (!takesFile && !plain && command != "tempo") {
            return "unknown";
        }
        if ((takesFile || command == "tempo") && args.size() != 1) {
            return command + " takes one argument";
        }
        if (plain && !args.empty()) {
            return command + " takes no arguments";
        }
        if (command == "load") {
            m_commands.loadSetup(args[0]); // a file that cannot be read is reported and changes nothing
        } else if (command == "save") {
            m_saveFailed = !m_commands.saveSetup(args[0]).ok();
        } else if (command == "song-load") {
            m_commands.loadSong(args[0]);
        } else if (command == "song-save") {
            m_saveFailed = !m_commands.saveSong(args[0]).ok();
        } else if (command == "record") {
            m_commands.record();
        } else if (command == "play") {
            m_commands.play();
        } else if (command == "stop") {
            m_commands.stop();
        } else if (command == "break") {
            m_commands.pause();
        } else {
            const auto bpm = parseNumber(args[0]);
            if (!bpm || *bpm < INT32_MIN || *bpm > INT32_MAX) {
                return "bad tempo: " + args[0];
            }
            m_commands.setTempo(static_cast<int>(*bpm));
        }
        return {};
    }

    static std::string parseMessage(const std::vector<std::string>& args, ShortMessage& message) {
        if (args.empty() || args.size() > 3) {
            return "a message is 1 to 3 hex bytes";
        }
        message = 0;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const auto byte = parseHexByte(args[i]);
            if (!byte) {
                return "bad hex byte: " + args[i];
            }
            message |= static_cast<ShortMessage>(*byte) << (8 * i);
        }
        return {};
    }

    // FIELD=VALUE assignments to split S; `block` limits the names to one block ("video").
    std::string setFields(const std::vector<std::string>& args, std::string_view block = {}) {
        if (args.size() < 2) {
            return block.empty() ? "set needs a split and FIELD=VALUE" : "video needs a split and FIELD=VALUE";
        }
        const auto index = parseNumber(args[0]);
        if (!index || *index < 0 || *index >= midi::kSplitCount) {
            return "split out of range: " + args[0];
        }
        const int split = static_cast<int>(*index);
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& assignment = args[i];
            const std::size_t eq = assignment.find('=');
            if (eq == std::string::npos || eq == 0) {
                return "expected FIELD=VALUE: " + assignment;
            }
            std::string name = assignment.substr(0, eq);
            const std::string value = assignment.substr(eq + 1);
            // NAME.N addresses entry N of an array field (velocityCurve.60=100).
            std::size_t element = 0;
            bool indexed = false;
            if (const std::size_t dot = name.find('.'); dot != std::string::npos) {
                const auto n = parseNumber(std::string_view(name).substr(dot + 1));
                name.resize(dot);
                if (!n || *n < 0) {
                    return "bad entry number in " + assignment.substr(0, eq);
                }
                element = static_cast<std::size_t>(*n);
                indexed = true;
            }
            const midi::SplitField* field = block.empty() ? fieldNamed(name) : midi::findSplitField(block, name);
            if (field == nullptr) {
                return "unknown field: " + name;
            }
            if (field->kind == midi::FieldKind::Text) {
                if (indexed || value.size() < 2 || value.front() != '"' || value.back() != '"') {
                    return name + " needs a quoted text";
                }
                if (const auto result = m_commands.setSplitText(split, *field, value.substr(1, value.size() - 2));
                    !result.ok()) {
                    return result.error;
                }
                continue;
            }
            if (indexed != (field->count > 1) || element >= field->count) {
                return field->count > 1 ? name + " needs an entry number 0-" + std::to_string(field->count - 1)
                                        : name + " has no entries";
            }
            const auto v = parseNumber(value);
            if (!v) {
                return std::string("bad value for ").append(name).append(": ").append(value);
            }
            if (!midi::fieldHolds(field->kind, *v)) {
                return std::string("value out of range for ").append(name).append(": ").append(value);
            }
            if (const auto result = m_commands.setSplitField(split, *field, element, *v); !result.ok()) {
                return result.error;
            }
        }
        return {};
    }

    std::string setOptions(const std::vector<std::string>& args) {
        if (args.empty()) {
            return "option needs NAME=VALUE";
        }
        auto& options = m_performance.options();
        for (const std::string& assignment : args) {
            const std::size_t eq = assignment.find('=');
            const std::string name = assignment.substr(0, eq);
            const auto v = eq == std::string::npos ? std::nullopt : parseNumber(assignment.substr(eq + 1));
            if (!v) {
                return "expected NAME=VALUE: " + assignment;
            }
            if (name == "keyboardVelocity") {
                if (*v < INT32_MIN || *v > INT32_MAX) {
                    return "value out of range: " + assignment;
                }
                options.keyboardVelocity = static_cast<int>(*v);
            } else if (name == "programChangeSelectsSetup" || name == "markNotes") {
                if (*v != 0 && *v != 1) {
                    return name + " is 0 or 1";
                }
                (name == "markNotes" ? options.markNotes : options.programChangeSelectsSetup) = *v == 1;
            } else if (name == "screen") {
                if (*v < 1 || *v > 3) {
                    return "screen is 1 (Master), 2 (Rock) or 3 (DJ)";
                }
                options.screen = static_cast<midi::ScreenKind>(*v);
            } else if (name == "useWaveLoop" || name == "useTimestretch" || name == "noAutoBpm") {
                if (*v != 0 && *v != 1) {
                    return name + " is 0 or 1";
                }
                audio::AudioSettings& a = m_session.audio().settings();
                (name == "useWaveLoop"      ? a.useWaveLoop
                 : name == "useTimestretch" ? a.useTimestretch
                                            : a.noAutoBpm) = *v == 1;
            } else {
                return "unknown option: " + name;
            }
        }
        return {};
    }

    // The drop of a WAVE file onto a pad: a sample split that is switched on, with its tempo.
    std::string assignSample(const std::vector<std::string>& args) {
        if (args.size() < 2 || args.size() > 3) {
            return "sample needs a split, a file and optional mode bits";
        }
        const auto index = parseNumber(args[0]);
        if (!index || *index < 0 || *index >= midi::kSplitCount) {
            return "split out of range: " + args[0];
        }
        long long bits = 4;
        if (args.size() == 3) {
            const auto b = parseNumber(args[2]);
            if (!b || *b < 0 || *b > 0xF) {
                return "bad mode bits: " + args[2];
            }
            bits = *b;
        }
        m_commands.assignSample(static_cast<int>(*index), args[1], static_cast<int>(bits));
        return {}; // a file that cannot be loaded has its message on stderr; the script goes on
    }

    // `clip S PATH`: loads a clip into split S as a drop onto a pad does.
    std::string assignClip(const std::vector<std::string>& args) {
        if (args.size() != 2) {
            return "clip needs a split and a file";
        }
        const auto index = parseNumber(args[0]);
        if (!index || *index < 0 || *index >= midi::kSplitCount) {
            return "split out of range: " + args[0];
        }
        m_commands.assignClip(static_cast<int>(*index), args[1]); // a failure is on stderr; the script goes on
        return {};
    }

    // The graphics window's picture at 40·k ms for every frame k before `nowMs` not yet written.
    void renderFramesBefore(std::uint32_t nowMs) {
        while (!m_framesDir.empty() && !m_framesFailed && m_nextFrame * 40 < nowMs) {
            writeFrame();
        }
    }

    void writeFrame() {
        if (m_picture.width() == 0) {
            m_picture.resize(m_frameWidth, m_frameHeight); // black until a clip shows
            std::error_code ec;
            std::filesystem::create_directories(m_framesDir, ec);
        }
        if (const video::FrameBuffer* picture = m_session.video().renderNow(m_frameWidth, m_frameHeight)) {
            std::copy(picture->pixels().begin(), picture->pixels().end(), m_picture.pixels().begin());
        }
        char name[32];
        static_cast<void>(std::snprintf(name, sizeof name, "frame-%05u.png", m_nextFrame));
        const platform::Status status = platform::writePng(std::filesystem::path(m_framesDir) / name,
                                                           m_picture.pixels(), m_frameWidth, m_frameHeight);
        if (!status.ok()) {
            m_err << "tonwerk-cli: " << status.message() << '\n';
            m_framesFailed = true;
        }
        ++m_nextFrame;
    }

    void renderAudio(std::uint32_t nowMs) {
        if (!m_wavFile.empty() && m_session.audio().offlineOutput() != nullptr) {
            m_session.audio().offlineOutput()->renderUntilMs(nowMs);
        }
    }

    int finish() {
        // Frames up to and including the last line's time.
        while (!m_framesDir.empty() && !m_framesFailed && static_cast<long long>(m_nextFrame) * 40 <= m_timeMs) {
            writeFrame();
        }
        const int wave = writeWave();
        return m_framesFailed ? 1 : wave;
    }

    int writeWave() {
        if (m_wavFile.empty() || m_session.audio().offlineOutput() == nullptr) {
            return 0;
        }
        renderAudio(static_cast<std::uint32_t>(m_timeMs));
        if (m_wavStatus.ok()) {
            m_wavStatus = m_wav.finish();
        }
        if (!m_wavStatus.ok()) {
            m_err << "tonwerk-cli: " << m_wavStatus.message() << '\n';
            return 1;
        }
        return 0;
    }

    session::SessionHooks hooks() {
        session::SessionHooks h;
        h.notifier = &m_notifier;
        h.screen = &m_printer;
        h.search = &m_search;
        h.midiOutput = &m_printer;
        h.voiceObserver = &m_printer;
        return h;
    }
    static session::SessionOptions sessionOptions() {
        session::SessionOptions o;
        o.clock = session::SessionOptions::Clock::Virtual;
        o.sound = session::SessionOptions::Sound::Offline;
        return o;
    }

    Printer m_printer;
    std::ostream& m_err;
    StderrNotifier m_notifier;
    SkipSearch m_search;
    core::Settings m_settings;
    session::Session m_session;
    session::Commands& m_commands;
    midi::Performance& m_performance;
    bool m_saveFailed = false;
    long long m_timeMs = 0;
    std::string m_wavFile;
    audio::WaveWriter m_wav;
    platform::Status m_wavStatus = platform::Status::success();
    std::string m_framesDir;
    int m_frameWidth;
    int m_frameHeight;
    unsigned m_nextFrame = 0;
    bool m_framesFailed = false;
    video::FrameBuffer m_picture; // the window's picture: the last one drawn stays
};

} // namespace

int runRouteScript(std::string_view script, const RouteOptions& options, std::ostream& out, std::ostream& err) {
    RouteRunner runner(out, err, options);
    if (!options.setupFile.empty() && !runner.loadSetup(options.setupFile)) {
        return 1;
    }
    return runner.run(script);
}

} // namespace tonwerk::cli
