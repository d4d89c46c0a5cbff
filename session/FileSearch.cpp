#include "FileSearch.h"

#include "audio/WaveLoader.h"
#include "platform/SystemPaths.h"
#include "platform/VideoFile.h"
#include "setups/SetupFile.h"

#include <algorithm>
#include <utility>

namespace tonwerk::session {

namespace fs = std::filesystem;

void rememberSearchFolder(std::vector<std::string>& folders, const std::string& folder) {
    std::erase(folders, folder);
    folders.insert(folders.begin(), folder);
}

void trimSearchFolders(std::vector<std::string>& folders) {
    if (folders.size() > kSearchFoldersShown) {
        folders.resize(kSearchFoldersShown);
    }
}

std::string proposedPath(const std::string& folder, const std::string& fileName) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') {
        return folder + fileName;
    }
    return folder + '/' + fileName;
}

bool usableMediaFile(const fs::path& path, midi::SplitTask task) {
    if (task == midi::SplitTask::Sample) {
        return audio::checkSampleFile(path) == audio::SampleFileCheck::Loadable;
    }
    std::uint32_t error = 0;
    const std::unique_ptr<platform::VideoFile> file = platform::VideoFile::open(path, error);
    if (file == nullptr) {
        return false;
    }
    for (int i = 0; i < file->streamCount(); ++i) {
        if (file->stream(i).type == platform::kStreamVideo && file->stream(i).decodable) {
            return true;
        }
    }
    return false;
}

std::vector<fs::path> searchRoots(const std::string& storedPath, const fs::path& home,
                                  const std::vector<SearchDisk>& disks) {
    // The disk of the stored path: the fixed disk whose root is the longest prefix of it.
    const bool driveLetter = storedPath.size() >= 2 && storedPath[1] == ':';
    fs::path first;
    if (driveLetter || storedPath.empty() || storedPath.front() != '/') {
        first = home;
    } else {
        std::size_t longest = 0;
        for (const SearchDisk& disk : disks) {
            const std::string root = disk.root.string();
            const bool under = storedPath.starts_with(root) &&
                               (root.size() == 1 || storedPath.size() == root.size() || storedPath[root.size()] == '/');
            if (disk.fixed && under && root.size() >= longest) {
                longest = root.size();
                first = disk.root;
            }
        }
        if (first.empty()) {
            first = "/";
        }
    }
    std::vector<fs::path> roots{first};
    std::vector<fs::path> others;
    for (const SearchDisk& disk : disks) {
        if (disk.fixed && disk.root != first && std::find(others.begin(), others.end(), disk.root) == others.end()) {
            others.push_back(disk.root);
        }
    }
    std::sort(others.begin(), others.end());
    roots.insert(roots.end(), others.begin(), others.end());
    return roots;
}

std::vector<fs::path> searchRoots(const std::string& storedPath) {
    // Disks are file systems on a block device (and the root); kernel and memory file systems are
    // not where a performer keeps samples.
    std::vector<SearchDisk> disks{{"/", true}};
    for (const platform::Mount& mount : platform::currentMounts()) {
        if (mount.device.starts_with("/dev/") && mount.mountPoint != "/" &&
            !mount.mountPoint.string().starts_with("/boot")) {
            disks.push_back({mount.mountPoint, !platform::isRemovableMedia(mount)});
        }
    }
    return searchRoots(storedPath, platform::homeDirectory(), disks);
}

FileSearch::FileSearch(std::string fileName, std::vector<fs::path> roots)
    : m_thread([this, name = std::move(fileName), places = std::move(roots)] { run(name, places); }) {}

FileSearch::~FileSearch() {
    m_stop.store(true);
    m_thread.join();
}

FileSearch::Progress FileSearch::progress() const {
    const std::scoped_lock lock(m_mutex);
    return m_progress;
}

void FileSearch::run(const std::string& fileName, const std::vector<fs::path>& roots) {
    setups::SearchObserver observer;
    observer.stop = &m_stop;
    observer.searching = [this](const fs::path& folder) {
        const std::scoped_lock lock(m_mutex);
        m_progress.searching = folder.string();
    };
    // Each disk is searched on its own; the kernel's and the runtime's file systems are no disks.
    observer.skip = [&roots](const fs::path& folder) {
        static const fs::path kSystem[] = {"/proc", "/sys", "/dev", "/run"};
        return std::find(roots.begin(), roots.end(), folder) != roots.end() ||
               std::find(std::begin(kSystem), std::end(kSystem), folder) != std::end(kSystem);
    };
    observer.found = [this](const fs::path& file) {
        const std::scoped_lock lock(m_mutex);
        m_progress.foundFolders.push_back(file.parent_path().string());
    };
    std::optional<fs::path> found;
    for (const fs::path& root : roots) {
        if (m_stop.load() || fileName.empty()) {
            break;
        }
        found = setups::searchFolder(root, fileName, observer);
        if (found) {
            break; // the first disk that has the file
        }
    }
    const std::scoped_lock lock(m_mutex);
    m_progress.found = found;
    m_progress.finished = true;
}

} // namespace tonwerk::session
