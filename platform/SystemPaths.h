#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::platform {

// Where things live on this machine. Functions taking the environment's text (mount table, variables)
// as arguments are pure, so tests can feed them; the ones without arguments read the real system.

// The user's home folder: $HOME, else the password database, else "/".
[[nodiscard]] std::filesystem::path homeDirectory();

// $XDG_CONFIG_HOME when it is set to an absolute path, else `home`/.config.
[[nodiscard]] std::filesystem::path configDirectory(std::string_view xdgConfigHome, const std::filesystem::path& home);

// The settings file: <config>/tonwerk/Tonwerk.ini for the real environment.
[[nodiscard]] std::filesystem::path settingsFilePath();

// The folder of the running executable.
[[nodiscard]] std::filesystem::path executableDirectory();

// The program folder for a given executable folder: the folder itself, except for an installed
// program's `bin` folder, where the share folder (<prefix>/share/tonwerk) stands in, since data
// never lives beside binaries: always for the system prefixes (/usr, /usr/local, /, /opt/<x>),
// for any other prefix when that share folder exists.
[[nodiscard]] std::filesystem::path programDirectory(const std::filesystem::path& executableFolder);

struct Mount {
    std::string device;
    std::filesystem::path mountPoint;
    std::string fsType;
};

// Parses /proc/self/mounts text (octal escapes such as "\040" decoded). Malformed lines are skipped.
[[nodiscard]] std::vector<Mount> parseMounts(std::string_view text);

// The mounted file systems of this machine.
[[nodiscard]] std::vector<Mount> currentMounts();

// Removable media stand in for the CD-ROM drives of old setups: optical file systems (iso9660, udf)
// and anything mounted below /media or /run/media.
[[nodiscard]] bool isRemovableMedia(const Mount& mount);

// The memory the machine can still give a program (MemAvailable), in bytes, from the text of
// /proc/meminfo; nothing when the line is missing or unreadable.
[[nodiscard]] std::optional<std::uint64_t> parseAvailableMemory(std::string_view meminfo);
// The same for this machine now. Reads a small file; any thread.
[[nodiscard]] std::optional<std::uint64_t> availableMemory();

} // namespace tonwerk::platform
