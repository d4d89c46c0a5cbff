#pragma once

#include "midi/Split.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tonwerk::session {

// The "Search File" dialog's bookkeeping: the folders where the performer found samples and clips
// before, newest first, and where a missing file is looked for on the disks.

// How many remembered folders the dialog lists.
inline constexpr std::size_t kSearchFoldersShown = 6;

// A folder where a file was found goes to the front (an older entry of the same folder goes).
void rememberSearchFolder(std::vector<std::string>& folders, const std::string& folder);
// The list as the dialog shows it: cut from the back to kSearchFoldersShown entries.
void trimSearchFolders(std::vector<std::string>& folders);
// The path a listed folder proposes for `fileName`: joined with one separator ("/" unless the entry
// already ends in "/" or "\").
[[nodiscard]] std::string proposedPath(const std::string& folder, const std::string& fileName);

// Whether a chosen file can stand in for a missing one: a sample the loader decodes, or a clip the
// video reader opens with a picture stream. Blocks on the disk.
[[nodiscard]] bool usableMediaFile(const std::filesystem::path& path, midi::SplitTask task);

// A mounted file system as the disk search sees it.
struct SearchDisk {
    std::filesystem::path root;
    bool fixed = true; // false for removable media, which the search leaves out
};
// Where Find looks, in order: the disk of the stored path first (the disk whose root is the
// longest prefix of a path of this machine; the home folder for a drive-letter path, which stands
// in for its "C:\"), then every other fixed disk in the order of their roots.
[[nodiscard]] std::vector<std::filesystem::path>
searchRoots(const std::string& storedPath, const std::filesystem::path& home, const std::vector<SearchDisk>& disks);
// The same for this machine: "/" and the mounted disks of the mount table.
[[nodiscard]] std::vector<std::filesystem::path> searchRoots(const std::string& storedPath);

// Find: looks for a file name on the disks, on a thread of its own, so the dialog stays live and
// shows where it looks. The first disk with a match ends the search; within it the last match wins.
// Created, polled and stopped on the UI thread; the destructor stops and joins the thread.
class FileSearch {
public:
    FileSearch(std::string fileName, std::vector<std::filesystem::path> roots);
    ~FileSearch();
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    struct Progress {
        std::string searching;                 // the folder being searched now
        std::vector<std::string> foundFolders; // folders with a match, in the order found
        std::optional<std::filesystem::path> found;
        bool finished = false;
    };
    // What the search has come to. Never blocks for longer than a copy.
    [[nodiscard]] Progress progress() const;
    // Ends the search early (the dialog closes). Never blocks.
    void stop() { m_stop.store(true); }

private:
    void run(const std::string& fileName, const std::vector<std::filesystem::path>& roots);

    mutable std::mutex m_mutex;
    Progress m_progress;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace tonwerk::session
