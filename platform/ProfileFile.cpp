#include "ProfileFile.h"

#include "AtomicFile.h"
#include "TextEncoding.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace tonwerk::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool isQuoted(std::string_view s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

} // namespace

int parseProfileInt(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        magnitude = std::min<std::int64_t>(magnitude * 10 + (c - '0'), std::int64_t{INT_MAX} + 1);
    }
    const std::int64_t v = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

ProfileFile::Line ProfileFile::parseLine(std::string raw) {
    Line line;
    const std::string text = decodeLegacyText(raw);
    line.raw = std::move(raw);
    const std::string_view t = trim(text);
    if (t.empty() || t.front() == ';') {
        return line;
    }
    if (t.front() == '[') {
        const std::size_t close = t.find(']');
        line.kind = LineKind::Section;
        line.name =
            std::string(trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        return line;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return line;
    }
    const std::string_view key = trim(t.substr(0, eq));
    if (key.empty()) {
        return line;
    }
    std::string_view value = trim(t.substr(eq + 1));
    if (isQuoted(value)) {
        value = value.substr(1, value.size() - 2);
    }
    line.kind = LineKind::Entry;
    line.name = std::string(key);
    line.value = std::string(value);
    return line;
}

ProfileFile ProfileFile::parse(std::string_view bytes) {
    ProfileFile profile;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        const bool hasEnding = end != std::string_view::npos;
        std::string_view raw = bytes.substr(start, hasEnding ? end - start : std::string_view::npos);
        const bool crlf = hasEnding && !raw.empty() && raw.back() == '\r';
        if (crlf) {
            raw.remove_suffix(1);
        }
        Line line = parseLine(std::string(raw));
        line.crlf = crlf;
        line.hasEnding = hasEnding;
        profile.m_lines.push_back(std::move(line));
        start = hasEnding ? end + 1 : bytes.size();
    }
    profile.m_crlf = !profile.m_lines.empty() && profile.m_lines.front().crlf;
    return profile;
}

ProfileFile ProfileFile::load(const std::filesystem::path& path, Status* status) {
    FileContents contents = readWholeFile(path);
    if (status != nullptr) {
        *status = contents.status;
    }
    if (!contents.status.ok()) {
        return ProfileFile{};
    }
    return parse(contents.data);
}

std::optional<std::size_t> ProfileFile::findEntry(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section) {
            inSection = equalsIgnoreCase(line.name, trim(section));
        } else if (inSection && line.kind == LineKind::Entry && equalsIgnoreCase(line.name, trim(key))) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::value(std::string_view section, std::string_view key) const {
    if (const auto i = findEntry(section, key)) {
        return m_lines[*i].value;
    }
    return std::nullopt;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key, std::string_view fallback) const {
    if (auto v = value(section, key)) {
        return std::move(*v);
    }
    return std::string(fallback);
}

int ProfileFile::getInt(std::string_view section, std::string_view key, int fallback) const {
    const auto v = value(section, key);
    if (!v || v->empty()) {
        return fallback;
    }
    return parseProfileInt(*v);
}

bool ProfileFile::setString(std::string_view section, std::string_view key, std::string_view value) {
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) || trim(key).empty() || trim(key) != key ||
        key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[' ||
        trim(section) != section || section.find(']') != std::string_view::npos) {
        return false;
    }
    std::string stored(value);
    if (trim(value) != value || isQuoted(value)) {
        stored = "\"" + stored + "\"";
    }

    if (const auto i = findEntry(section, key)) {
        Line& line = m_lines[*i];
        line.raw = line.name + "=" + stored;
        line.value = std::string(value);
        return true;
    }

    Line entry;
    entry.raw = std::string(key) + "=" + stored;
    entry.kind = LineKind::Entry;
    entry.name = std::string(key);
    entry.value = std::string(value);

    // Append after the last entry of the first section of that name.
    std::optional<std::size_t> insertAfter;
    bool inSection = false;
    bool found = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section) {
            if (found && inSection) {
                break; // the first matching section has ended
            }
            inSection = equalsIgnoreCase(line.name, section);
            if (inSection) {
                found = true;
                insertAfter = i;
            }
        } else if (inSection && line.kind == LineKind::Entry) {
            insertAfter = i;
        }
    }

    if (!m_lines.empty() && !m_lines.back().hasEnding) {
        // The last line gains an ending so nothing can be appended onto it.
        m_lines.back().hasEnding = true;
        m_lines.back().crlf = m_crlf;
    }
    if (insertAfter) {
        entry.crlf = m_crlf;
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1), std::move(entry));
        return true;
    }
    Line header;
    header.raw = "[" + std::string(section) + "]";
    header.kind = LineKind::Section;
    header.name = std::string(section);
    header.crlf = m_crlf;
    entry.crlf = m_crlf;
    m_lines.push_back(std::move(header));
    m_lines.push_back(std::move(entry));
    return true;
}

bool ProfileFile::setInt(std::string_view section, std::string_view key, int value) {
    return setString(section, key, std::to_string(value));
}

std::string ProfileFile::serialize() const {
    std::string out;
    for (const Line& line : m_lines) {
        out += line.raw;
        if (line.hasEnding) {
            out += line.crlf ? "\r\n" : "\n";
        }
    }
    return out;
}

Status ProfileFile::save(const std::filesystem::path& path) const { return writeFileAtomically(path, serialize()); }

} // namespace tonwerk::platform
