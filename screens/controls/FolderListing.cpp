#include "FolderListing.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace tonwerk::ui {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// One pattern without ';', iteratively with the last star to fall back on.
bool matchOne(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") {
        return true;
    }
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// A mount point as the mount table writes it: space, tab, newline and backslash as octal escapes.
std::string unescapeMountPoint(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits(field.substr(i + 1, 3));
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(static_cast<char>(std::strtol(digits.c_str(), nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

} // namespace

bool lessWithoutCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
    std::size_t start = 0;
    while (start <= pattern.size()) {
        const std::size_t end = std::min(pattern.find(';', start), pattern.size());
        const std::string_view one = pattern.substr(start, end - start);
        if (!one.empty() && matchOne(name, one)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::vector<Drive> drivesFromMountTable(std::string_view mountTable, const std::filesystem::path& home) {
    std::vector<Drive> drives;
    if (!home.empty() && isFolder(home)) {
        drives.push_back({"home", home});
    }
    drives.push_back({"/", "/"});
    std::istringstream lines{std::string(mountTable)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string point;
        if (!(fields >> device >> point)) {
            continue;
        }
        const std::filesystem::path root = unescapeMountPoint(point);
        const std::string text = root.string();
        const bool removable =
            text.starts_with("/media/") || text.starts_with("/run/media/") || text.starts_with("/mnt/");
        if (!removable || !isFolder(root)) {
            continue;
        }
        const bool known =
            std::any_of(drives.begin(), drives.end(), [&root](const Drive& d) { return d.root == root; });
        if (!known) {
            drives.push_back({root.filename().string(), root});
        }
    }
    return drives;
}

std::vector<Drive> machineDrives() {
    std::ifstream in("/proc/self/mounts");
    const std::string table((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* home = std::getenv("HOME"); // NOLINT(concurrency-mt-unsafe): read on the UI thread
    return drivesFromMountTable(table, home != nullptr ? std::filesystem::path(home) : std::filesystem::path());
}

std::filesystem::path normalFolder(const std::filesystem::path& folder) {
    std::filesystem::path normal = folder.lexically_normal();
    if (normal.has_filename() || normal == normal.root_path()) {
        return normal;
    }
    return normal.parent_path(); // without the trailing separator
}

const Drive* driveRootedAt(const std::filesystem::path& folder, std::span<const Drive> drives) {
    const std::filesystem::path wanted = normalFolder(folder);
    for (const Drive& drive : drives) {
        if (normalFolder(drive.root) == wanted) {
            return &drive;
        }
    }
    return nullptr;
}

std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder, unsigned flags,
                                                   std::string_view pattern, std::span<const Drive> drives) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        return std::nullopt;
    }
    std::vector<FolderEntry> folders;
    std::vector<FolderEntry> files;
    const bool hidden = (flags & ListFill::kHidden) != 0;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return std::nullopt; // the folder went away while it was read
        }
        const std::string name = it->path().filename().string();
        if (name.empty() || (name.front() == '.' && !hidden)) {
            continue;
        }
        std::error_code typeError;
        const bool directory = it->is_directory(typeError);
        if (directory) {
            if ((flags & ListFill::kDirectories) != 0) {
                folders.push_back({EntryKind::Folder, name, "[" + name + "]"});
            }
        } else if ((flags & ListFill::kExclusive) == 0 && it->is_regular_file(typeError) &&
                   matchesPattern(name, pattern)) {
            files.push_back({EntryKind::File, name, name});
        }
    }
    const auto byText = [](const FolderEntry& a, const FolderEntry& b) { return lessWithoutCase(a.text, b.text); };
    std::sort(folders.begin(), folders.end(), byText);
    std::sort(files.begin(), files.end(), byText);
    std::vector<FolderEntry> entries;
    const std::filesystem::path normal = folder.lexically_normal();
    if ((flags & ListFill::kDirectories) != 0 && normal != normal.root_path()) {
        entries.push_back({EntryKind::Parent, "..", "[..]"});
    }
    entries.insert(entries.end(), folders.begin(), folders.end());
    if ((flags & ListFill::kDrives) != 0) {
        for (const Drive& drive : drives) {
            entries.push_back({EntryKind::Drive, drive.name, "[-" + drive.name + "-]"});
        }
    }
    entries.insert(entries.end(), files.begin(), files.end());
    return entries;
}

} // namespace tonwerk::ui
