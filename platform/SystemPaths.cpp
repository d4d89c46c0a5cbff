#include "SystemPaths.h"

#include "AtomicFile.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace tonwerk::platform {

namespace fs = std::filesystem;

fs::path homeDirectory() {
    // The environment is only read here, never changed by Tonwerk, so reading it from any thread is safe.
    // NOLINTNEXTLINE(concurrency-mt-unsafe)
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return fs::path(home);
    }
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 4096> text{};
    if (::getpwuid_r(::getuid(), &entry, text.data(), text.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return fs::path(found->pw_dir);
    }
    return fs::path("/");
}

fs::path configDirectory(std::string_view xdgConfigHome, const fs::path& home) {
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/') {
        return fs::path(xdgConfigHome);
    }
    return home / ".config";
}

fs::path settingsFilePath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME"); // NOLINT(concurrency-mt-unsafe)
    return configDirectory(xdg != nullptr ? xdg : "", homeDirectory()) / "tonwerk" / "Tonwerk.ini";
}

fs::path executableDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return fs::current_path(ec);
    }
    return exe.parent_path();
}

fs::path programDirectory(const fs::path& executableFolder) {
    fs::path folder = executableFolder.lexically_normal();
    fs::path clean = folder;
    if (!clean.has_filename()) {
        clean = clean.parent_path(); // "/usr/bin/" -> "/usr/bin"
    }
    if (clean.filename() != "bin") {
        return folder;
    }
    const fs::path prefix = clean.parent_path();
    const bool system = prefix == "/" || prefix == "/usr" || prefix == "/usr/local" || prefix.parent_path() == "/opt";
    std::error_code ec;
    // Any other prefix the program was installed into (~/.local, a test's folder) has the share
    // folder beside its bin folder.
    if (!system && !fs::is_directory(prefix / "share" / "tonwerk", ec)) {
        return folder;
    }
    return (prefix == "/" ? fs::path("/usr") : prefix) / "share" / "tonwerk";
}

namespace {

std::string unescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto digit = [](char c) { return c >= '0' && c <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && digit(field[i + 1]) && digit(field[i + 2]) &&
            digit(field[i + 3])) {
            out.push_back(
                static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(field[i]);
    }
    return out;
}

} // namespace

std::vector<Mount> parseMounts(std::string_view text) {
    std::vector<Mount> mounts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;

        std::string_view fields[3];
        std::size_t count = 0;
        std::size_t pos = 0;
        while (count < 3 && pos < line.size()) {
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
                ++pos;
            }
            const std::size_t fieldStart = pos;
            while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
                ++pos;
            }
            if (pos > fieldStart) {
                fields[count++] = line.substr(fieldStart, pos - fieldStart);
            }
        }
        if (count < 3) {
            continue;
        }
        mounts.push_back(
            Mount{unescapeMountField(fields[0]), fs::path(unescapeMountField(fields[1])), std::string(fields[2])});
    }
    return mounts;
}

std::vector<Mount> currentMounts() {
    const FileContents contents = readWholeFile("/proc/self/mounts");
    return parseMounts(contents.data);
}

bool isRemovableMedia(const Mount& mount) {
    if (mount.fsType == "iso9660" || mount.fsType == "udf") {
        return true;
    }
    const std::string point = mount.mountPoint.string();
    return point.starts_with("/media/") || point.starts_with("/run/media/");
}

std::optional<std::uint64_t> parseAvailableMemory(std::string_view meminfo) {
    constexpr std::string_view kKey = "MemAvailable:";
    std::size_t at = 0;
    while (at < meminfo.size()) {
        const std::size_t end = std::min(meminfo.find('\n', at), meminfo.size());
        const std::string_view line = meminfo.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(kKey)) {
            continue;
        }
        std::string_view rest = line.substr(kKey.size());
        while (!rest.empty() && rest.front() == ' ') {
            rest.remove_prefix(1);
        }
        std::uint64_t kilobytes = 0;
        const auto [next, error] = std::from_chars(rest.data(), rest.data() + rest.size(), kilobytes);
        if (error != std::errc() || next == rest.data() || kilobytes > (UINT64_MAX >> 10)) {
            return std::nullopt;
        }
        return kilobytes << 10; // the file counts in kB of 1024 bytes
    }
    return std::nullopt;
}

std::optional<std::uint64_t> availableMemory() {
    std::ifstream in("/proc/meminfo");
    if (!in) {
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parseAvailableMemory(text);
}

} // namespace tonwerk::platform
