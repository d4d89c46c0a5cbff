#pragma once

#include "core/Notifier.h"
#include "midi/Performance.h"
#include "platform/Status.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tonwerk::setups {

// Setup files (*.mks) and setup banks (*.mkb): RIFF form "MAKE" holding "LIST" "STUP" setups of 24
// splits, each split stored as "SPLT" (record bytes 0–603), "AVII" (604–879), "WAVI" (880–943).

inline constexpr std::size_t kSettingsBytes = 604;
inline constexpr std::size_t kVideoBytes = 276;
inline constexpr std::size_t kSampleBytes = 64;

// What a file holds, as read (no media search, run-time words as stored).
struct SetupFileContents {
    bool bank = false;
    std::vector<midi::Setup> setups; // in file order; a bank may hold more than there are slots
};

struct SetupReadResult {
    std::optional<SetupFileContents> contents;
    int mmioError = 0; // when there are no contents: the multimedia I/O error (e.g. 265)
};

// Parses setup or bank bytes. Splits not in the file keep their defaults (`screenMask` as given).
// Safe on any input: it never reads or writes outside the buffer or a record.
[[nodiscard]] SetupReadResult readSetupBytes(std::span<const std::byte> bytes, std::int32_t screenMask = 4);

// The bytes of a setup file for `setup`, and of a bank of `setups` in slot order.
[[nodiscard]] std::string setupFileBytes(const midi::Setup& setup);
[[nodiscard]] std::string bankFileBytes(std::span<const midi::Setup> setups);

// How the rest of the program takes part in loading a setup. Every call has a do-nothing default.
class SetupLoadHooks {
public:
    virtual ~SetupLoadHooks() = default;
    virtual void stopTransport() {}
    // The song clock takes the loaded setup's tempo; the old song is freed.
    virtual void setupLoaded(int /*tempo*/) {}
    // The setup's companion song (same name, "mid"); a missing file leaves no song.
    virtual void loadCompanionSong(const std::filesystem::path& /*path*/) {}
    // Media of a loaded split: the audio engine loads the sample, the video engine opens the clip.
    virtual void reloadSample(int /*split*/, midi::Split& /*record*/) {}
    virtual void reloadClip(int /*split*/, midi::Split& /*record*/) {}
    virtual void clearMedia(int /*split*/, midi::Split& /*record*/) {}
    // How far the media of a load have come: `done` of `total` samples and clips are loaded
    // (called before each one and once at the end, only when there are any). A host shows it.
    virtual void mediaProgress(int /*done*/, int /*total*/) {}
    // A split of the current setup is about to be replaced: its clip's streams are freed.
    virtual void releaseClip(int /*split*/, midi::Split& /*record*/) {}
    // Runs `write`, which replaces whole split records, while no other thread reads the splits
    // (the audio pump, the video composition). Must not call back into the hooks.
    virtual void writeSplits(const std::function<void()>& write) { write(); }
};

// The "Search File" dialog as the loader sees it.
class MediaSearch {
public:
    enum class Answer { Found, Skip, Cancel };
    struct Result {
        Answer answer = Answer::Skip;
        std::filesystem::path path; // for Found
    };
    virtual ~MediaSearch() = default;
    // Asks for the file `storedPath` of split `split` (0-based).
    virtual Result search(int split, const std::string& storedPath, midi::SplitTask task) = 0;
};

// Where the loader looks for media that are not at their stored path.
struct MediaFolders {
    std::filesystem::path program;
    std::filesystem::path setup;      // Setup-Pfad
    std::filesystem::path lastSearch; // the folder the search dialog last found a file in
};

// Loads and saves setup files for one engine. User-interface thread.
class SetupStore {
public:
    SetupStore(midi::Performance& performance, core::Notifier& notifier, SetupLoadHooks& hooks, MediaSearch& search,
               MediaFolders folders);

    // Reads a setup or bank file and applies it: the splits, their media, a fresh note pool (every
    // sounding note ended first), the program changes, the song clock and the companion song.
    // Returns false (and reports why) when the file cannot be read; the setup in memory then
    // stays as it was.
    bool loadSetupFile(const std::filesystem::path& path);

    // Writes the current setup, or every slot as a bank, atomically. A failure is reported with the
    // file and the reason, and the old file stays as it was.
    platform::Status saveSetup(const std::filesystem::path& path);
    platform::Status saveBank(const std::filesystem::path& path);

    // Finds split `index`'s media (stored path, then its bare name in the program, current, setup
    // and last-search folders, then the search dialog) and has it reloaded. False when the user
    // cancelled the search.
    bool reloadSplitMedia(int index);

    [[nodiscard]] const MediaFolders& folders() const { return m_folders; }

private:
    void applySetup(const midi::Setup& source, int slot);
    void clearSplitMedia(int index);
    platform::Status write(const std::filesystem::path& path, const std::string& bytes);

    midi::Performance& m_performance;
    core::Notifier& m_notifier;
    SetupLoadHooks& m_hooks;
    MediaSearch& m_search;
    MediaFolders m_folders;
};

// Who watches a folder search: each folder as it is searched, each match as it is found, and a flag
// that ends the search early. Every member may be empty. Called on the searching thread.
struct SearchObserver {
    std::function<void(const std::filesystem::path& folder)> searching;
    std::function<void(const std::filesystem::path& file)> found;
    // Subfolders not to enter (another disk's mount point, the kernel's file systems).
    std::function<bool(const std::filesystem::path& folder)> skip;
    const std::atomic<bool>* stop = nullptr;
};

// Searches `folder` and its subfolders (not those starting with '.', no links followed, a bounded
// depth) for a file named `name`; the last match found wins. Any thread; blocks on the disk.
[[nodiscard]] std::optional<std::filesystem::path>
searchFolder(const std::filesystem::path& folder, const std::string& name, const SearchObserver& observer = {});

// The bare file name of a stored path, split at both '\' and '/'.
[[nodiscard]] std::string bareFileName(const std::string& storedPath);

} // namespace tonwerk::setups
