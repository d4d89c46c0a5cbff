#pragma once

#include "Status.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::platform {

// An INI-style profile with the reading and writing rules of the Windows profile functions, so that
// settings files and bpm.inf files written on Windows read the same here:
// - section and key names are matched without regard to (ASCII) case; the first occurrence wins;
// - white space around names and values is trimmed; a value in double quotes loses the quotes;
// - lines starting with ';' are comments; lines before the first section belong to none;
// - an integer is its leading decimal digits with an optional sign, anything else reads as 0,
//   and an empty or missing value gives the default;
// - writing a key replaces its value in place or appends it to its section (the section is created
//   at the end); every other line, comment, line ending and the order are kept byte for byte.
// Lines that are not valid UTF-8 are read as Windows-1252. A value type; not shared between threads.
class ProfileFile {
public:
    ProfileFile() = default;

    // Parses profile text (any bytes).
    [[nodiscard]] static ProfileFile parse(std::string_view bytes);

    // Reads the file at `path`. A missing file gives an empty profile and success; a file that
    // exists but cannot be read gives an empty profile and the failure.
    [[nodiscard]] static ProfileFile load(const std::filesystem::path& path, Status* status = nullptr);

    // The value of the first `key` in a section named `section`, if there is one.
    [[nodiscard]] std::optional<std::string> value(std::string_view section, std::string_view key) const;
    [[nodiscard]] std::string getString(std::string_view section, std::string_view key,
                                        std::string_view fallback) const;
    [[nodiscard]] int getInt(std::string_view section, std::string_view key, int fallback) const;

    // Writes `key=value`. Refused (false, nothing changed) for text the format cannot hold: line
    // breaks anywhere, an empty key, a key with '=' or surrounding blanks, a section with ']'.
    // A value that trimming or unquoting would alter on reading is written in double quotes.
    bool setString(std::string_view section, std::string_view key, std::string_view value);
    bool setInt(std::string_view section, std::string_view key, int value);

    // The text to store: untouched lines exactly as read, changed and new lines in UTF-8.
    [[nodiscard]] std::string serialize() const;

    // Stores the profile at `path` atomically (see writeFileAtomically).
    // Any thread; blocks on disk I/O.
    [[nodiscard]] Status save(const std::filesystem::path& path) const;

private:
    enum class LineKind { Other, Section, Entry };
    struct Line {
        std::string raw;   // bytes as read or written, without the line ending
        bool crlf = false; // the line ended in "\r\n"
        bool hasEnding = true;
        LineKind kind = LineKind::Other;
        std::string name;  // section name or key, trimmed, decoded
        std::string value; // entry value, trimmed and unquoted, decoded
    };

    static Line parseLine(std::string raw);
    [[nodiscard]] std::optional<std::size_t> findEntry(std::string_view section, std::string_view key) const;

    std::vector<Line> m_lines;
    bool m_crlf = false; // line ending for new lines: that of the file's first line
};

// Reads a profile integer with the rules above ("  -12abc" is -12, "abc" is 0); clamps to int.
[[nodiscard]] int parseProfileInt(std::string_view text);

} // namespace tonwerk::platform
