#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::ui {

// What a file list shows of a folder, as plain functions over the file system: folders in
// brackets with the parent "[..]", the places files live ("drives") between "[-" and "-]", then
// the files that match the pattern; folders and files each sorted without regard to case.

// The fill flags: which entries a fill lists.
namespace ListFill {
inline constexpr unsigned kHidden = 0x2;       // names starting with a dot too
inline constexpr unsigned kDirectories = 0x10; // the folder's subfolders and "[..]"
inline constexpr unsigned kDrives = 0x4000;    // the drive entries
inline constexpr unsigned kExclusive = 0x8000; // no files
} // namespace ListFill

enum class EntryKind { Parent, Folder, Drive, File };

struct FolderEntry {
    EntryKind kind = EntryKind::File;
    std::string name; // the folder's, drive's or file's own name ("..", "home", "kick.wav")
    std::string text; // as the list shows it: "[..]", "[Drums]", "[-home-]", "kick.wav"
    bool operator==(const FolderEntry&) const = default;
};

// A place a performer's files live, standing in for a drive letter: the home folder, the root
// of the file system, and every mounted removable medium and network share.
struct Drive {
    std::string name;
    std::filesystem::path root;
};

// The drives from a mount table (the text of /proc/self/mounts: device, mount point with octal
// escapes, type, …): `home` as "home", "/" as "/", then every mount under /media, /run/media and
// /mnt by its folder's name. Mount points that are not folders any more are left out.
[[nodiscard]] std::vector<Drive> drivesFromMountTable(std::string_view mountTable, const std::filesystem::path& home);
// The drives of this machine (reads /proc/self/mounts and $HOME). UI thread; reads files.
[[nodiscard]] std::vector<Drive> machineDrives();

// Whether `name` matches `pattern`: '*' any run of characters, '?' one, letters without regard to
// case; several patterns separated by ';' ("*.wav;*.aif"). "*.*" matches every name.
[[nodiscard]] bool matchesPattern(std::string_view name, std::string_view pattern);
// The order of the lists: byte-wise after folding ASCII letters to lower case.
[[nodiscard]] bool lessWithoutCase(std::string_view a, std::string_view b);

// Lists `folder` with `flags` and `pattern`: folder entries (with "[..]" unless the folder is the
// root), the drives when asked, the matching files. Nothing (no value) when the folder cannot be
// read: it does not exist, is no folder, or may not be listed.
[[nodiscard]] std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder, unsigned flags,
                                                                 std::string_view pattern,
                                                                 std::span<const Drive> drives);

// `folder` in its plain form: "." and ".." resolved, no trailing separator except the root's.
[[nodiscard]] std::filesystem::path normalFolder(const std::filesystem::path& folder);

// The drive whose root `folder` is (none: it is no drive's root).
[[nodiscard]] const Drive* driveRootedAt(const std::filesystem::path& folder, std::span<const Drive> drives);

} // namespace tonwerk::ui
