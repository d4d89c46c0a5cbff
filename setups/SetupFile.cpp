#include "SetupFile.h"

#include "core/ErrorReporting.h"
#include "platform/AtomicFile.h"
#include "platform/RiffFile.h"
#include "res/Strings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <system_error>

namespace tonwerk::setups {

namespace fs = std::filesystem;
using platform::fourCc;
using platform::RiffChunk;
using platform::RiffReader;

static_assert(std::endian::native == std::endian::little, "the split record is stored as it lies in memory");

namespace {

constexpr std::string_view kLoadError = "Error while loading file !";

// Reads one "STUP" list into `setup` (reset to its defaults first). A chunk that ends early ends
// the setup: it is complete as far as it goes.
void readStup(const RiffChunk& list, midi::Setup& setup, int slot, std::int32_t screenMask) {
    setup.setupNumber = slot;
    for (int i = 0; i < midi::kSplitCount; ++i) {
        midi::resetSplit(setup.splits[static_cast<std::size_t>(i)], slot, i, screenMask);
    }
    int current = -1; // no "SPLT" yet: "AVII" and "WAVI" have nowhere to go
    RiffReader::forEachChunk(list.data, 0, [&](const RiffChunk& chunk) {
        const bool isSplit = chunk.id == fourCc("SPLT");
        if (isSplit) {
            ++current;
        }
        if (current < 0 || current >= midi::kSplitCount) {
            return !chunk.truncated(); // before the first split, or more than 24: skipped
        }
        auto* record = reinterpret_cast<unsigned char*>(&setup.splits[static_cast<std::size_t>(current)]);
        std::size_t offset = 0;
        std::size_t room = 0;
        if (isSplit) {
            setup.splits[static_cast<std::size_t>(current)].sample.loopStart = 0;
            offset = 0;
            room = kSettingsBytes;
        } else if (chunk.id == fourCc("AVII")) {
            offset = kSettingsBytes;
            room = kVideoBytes;
        } else if (chunk.id == fourCc("WAVI")) {
            offset = kSettingsBytes + kVideoBytes;
            room = kSampleBytes;
        }
        const std::size_t n = std::min(room, chunk.data.size());
        if (n > 0) {
            std::memcpy(record + offset, chunk.data.data(), n);
        }
        // A read that came up short ends the setup; the splits read so far stay.
        return !(room > 0 && n < std::min<std::size_t>(room, chunk.declaredSize));
    });
}

// Texts stored without their terminating zero are cut to fit, so every reader stays in the field.
void terminateTexts(midi::Split& split) {
    split.comment.back() = '\0';
    split.fileName.back() = '\0';
}

void appendSetup(platform::RiffWriter& writer, const midi::Setup& setup) {
    writer.beginList(fourCc("LIST"), fourCc("STUP"));
    for (const midi::Split& split : setup.splits) {
        const auto* bytes = reinterpret_cast<const std::byte*>(&split);
        writer.addChunk(fourCc("SPLT"), std::span(bytes, kSettingsBytes));
        writer.addChunk(fourCc("AVII"), std::span(bytes + kSettingsBytes, kVideoBytes));
        writer.addChunk(fourCc("WAVI"), std::span(bytes + kSettingsBytes + kVideoBytes, kSampleBytes));
    }
    writer.endList();
}

// The message with its "%d" replaced by the split number.
std::string splitMessage(std::string_view format, int number) {
    std::string text(format);
    if (const std::size_t at = text.find("%d"); at != std::string::npos) {
        text.replace(at, 2, std::to_string(number));
    }
    return text;
}

} // namespace

SetupReadResult readSetupBytes(std::span<const std::byte> bytes, std::int32_t screenMask) {
    SetupReadResult result;
    int error = 0;
    const auto form = RiffReader(bytes).findForm(fourCc("MAKE"), &error);
    if (!form) {
        result.mmioError = error;
        return result;
    }
    SetupFileContents contents;
    RiffReader::forEachChunk(form->data, 0, [&](const RiffChunk& chunk) {
        if (chunk.id == fourCc("LIST") && chunk.type == fourCc("STUP")) {
            contents.setups.emplace_back();
            readStup(chunk, contents.setups.back(), 0, screenMask);
        } else if (chunk.id == fourCc("LIST") && chunk.type == fourCc("STPS")) {
            contents.bank = true;
            RiffReader::forEachChunk(chunk.data, 0, [&](const RiffChunk& inner) {
                if (inner.id == fourCc("LIST") && inner.type == fourCc("STUP")) {
                    contents.setups.emplace_back();
                    readStup(inner, contents.setups.back(), static_cast<int>(contents.setups.size() - 1), screenMask);
                }
                return true;
            });
        }
        return true;
    });
    for (midi::Setup& setup : contents.setups) {
        for (midi::Split& split : setup.splits) {
            terminateTexts(split);
        }
    }
    result.contents = std::move(contents);
    return result;
}

std::string setupFileBytes(const midi::Setup& setup) {
    platform::RiffWriter writer;
    writer.beginList(fourCc("RIFF"), fourCc("MAKE"));
    appendSetup(writer, setup);
    writer.endList();
    return writer.bytes();
}

std::string bankFileBytes(std::span<const midi::Setup> setups) {
    platform::RiffWriter writer;
    writer.beginList(fourCc("RIFF"), fourCc("MAKE"));
    writer.beginList(fourCc("LIST"), fourCc("STPS"));
    for (const midi::Setup& setup : setups) {
        appendSetup(writer, setup);
    }
    writer.endList();
    writer.endList();
    return writer.bytes();
}

std::string bareFileName(const std::string& storedPath) {
    const std::size_t cut = storedPath.find_last_of("\\/");
    return cut == std::string::npos ? storedPath : storedPath.substr(cut + 1);
}

std::optional<fs::path> searchFolder(const fs::path& folder, const std::string& name, const SearchObserver& observer) {
    constexpr int kMaxDepth = 8;
    constexpr std::size_t kMaxEntries = 100000; // a stage computer's disk is searched, not scanned
    std::optional<fs::path> found;
    std::size_t visited = 0;
    std::error_code ec;
    std::vector<std::pair<fs::path, int>> pending{{folder, 0}};
    while (!pending.empty() && visited < kMaxEntries) {
        if (observer.stop != nullptr && observer.stop->load(std::memory_order_relaxed)) {
            break;
        }
        const auto [dir, depth] = pending.back();
        pending.pop_back();
        if (observer.searching) {
            observer.searching(dir);
        }
        std::vector<fs::path> subfolders;
        for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (++visited > kMaxEntries) {
                break;
            }
            const fs::directory_entry& entry = *it;
            const std::string entryName = entry.path().filename().string();
            const auto match = [&] {
                found = entry.path();
                if (observer.found) {
                    observer.found(entry.path());
                }
            };
            if (entry.is_symlink(ec)) {
                if (entryName == name && entry.is_regular_file(ec)) {
                    match();
                }
                continue;
            }
            if (entry.is_directory(ec)) {
                if (!entryName.starts_with(".") && depth < kMaxDepth &&
                    !(observer.skip && observer.skip(entry.path()))) {
                    subfolders.push_back(entry.path());
                }
            } else if (entryName == name) {
                match();
            }
        }
        ec.clear();
        // Depth first, in name order, so the "last match" is the same on every machine.
        std::sort(subfolders.begin(), subfolders.end(), std::greater<>());
        for (const fs::path& sub : subfolders) {
            pending.emplace_back(sub, depth + 1);
        }
    }
    return found;
}

SetupStore::SetupStore(midi::Performance& performance, core::Notifier& notifier, SetupLoadHooks& hooks,
                       MediaSearch& search, MediaFolders folders)
    : m_performance(performance), m_notifier(notifier), m_hooks(hooks), m_search(search),
      m_folders(std::move(folders)) {}

void SetupStore::applySetup(const midi::Setup& source, int slot) {
    m_performance.selectSetup(slot);
    midi::Setup& target = m_performance.currentSetup();
    for (int i = 0; i < midi::kSplitCount; ++i) {
        midi::Split& old = target.splits[static_cast<std::size_t>(i)];
        if (old.video.firstStream != -1) {
            m_hooks.releaseClip(i, old);
        }
    }
    m_hooks.writeSplits([&] {
        const auto name = target.setupName;
        target = source;
        target.setupNumber = slot;
        target.setupName = name;
        for (int i = 0; i < midi::kSplitCount; ++i) {
            // Run-time words are rebuilt, whatever the file says.
            midi::Split& split = target.splits[static_cast<std::size_t>(i)];
            split.heldNotes.fill(0);
            split.heldCount = 0;
            split.noteCounter = split.noteCounterReset;
            split.sample.playFlags = 0;
            split.sample.voiceIndex = 0;
            split.sample.sampleData = 0;
            split.sample.sampleFormat = 0;
            // Stream slots belong to this run's stream table; the file's numbers mean nothing here.
            split.video.firstStream = -1;
            split.video.endStream = -1;
        }
    });
}

namespace {

// The samples and clips among `count` setups' splits: what a load has to read from disk.
int mediaSplits(const midi::Setup* setups, std::size_t count) {
    int media = 0;
    for (std::size_t s = 0; s < count && setups != nullptr; ++s) {
        for (const midi::Split& split : setups[s].splits) {
            const midi::SplitTask task = split.taskKind();
            media += task == midi::SplitTask::Sample || task == midi::SplitTask::Avi ? 1 : 0;
        }
    }
    return media;
}

// Reports a load's media progress to the host: before each medium, and once when all are in.
class MediaCount {
public:
    MediaCount(SetupLoadHooks& hooks, int total) : m_hooks(hooks), m_total(total) {}
    ~MediaCount() {
        if (m_total > 0) {
            m_hooks.mediaProgress(m_total, m_total);
        }
    }
    MediaCount(const MediaCount&) = delete;
    MediaCount& operator=(const MediaCount&) = delete;

    void next(const midi::Split& split) {
        const midi::SplitTask task = split.taskKind();
        if ((task == midi::SplitTask::Sample || task == midi::SplitTask::Avi) && m_done < m_total) {
            m_hooks.mediaProgress(m_done++, m_total);
        }
    }

private:
    SetupLoadHooks& m_hooks;
    int m_total;
    int m_done = 0;
};

} // namespace

bool SetupStore::loadSetupFile(const fs::path& path) {
    m_hooks.stopTransport();
    const platform::FileContents file = platform::readWholeFile(path);
    if (!file.exists || !file.status.ok()) {
        core::showMessage(m_notifier, kLoadError, core::MessageKind::Error);
        return false;
    }
    const auto* bytes = reinterpret_cast<const std::byte*>(file.data.data());
    const SetupReadResult read = readSetupBytes(std::span(bytes, file.data.size()), 4);
    if (!read.contents) {
        core::showMessage(m_notifier, platform::mmioErrorText(read.mmioError), core::MessageKind::Error);
        return false;
    }
    const SetupFileContents& contents = *read.contents;

    // Every note sounding now ends before the splits it came from are replaced.
    m_performance.releaseAllRunningNotes();

    const std::string name = path.filename().string();
    if (!contents.bank) {
        const int slot = m_performance.currentProgram();
        if (!contents.setups.empty()) {
            applySetup(contents.setups.front(), slot);
        }
        midi::setFieldText(m_performance.currentSetup().setupName, name.substr(0, 259));
        MediaCount progress(m_hooks, mediaSplits(contents.setups.empty() ? nullptr : &contents.setups.front(), 1));
        for (int i = 0; i < midi::kSplitCount; ++i) {
            progress.next(m_performance.split(i));
            if (!reloadSplitMedia(i)) {
                for (int later = i + 1; later < midi::kSplitCount; ++later) {
                    clearSplitMedia(later);
                }
                core::showMessage(m_notifier, splitMessage("All samples and AVIs after split %d were removed !", i + 1),
                                  core::MessageKind::Warning);
                break;
            }
        }
    } else {
        const std::size_t slots = std::min<std::size_t>(contents.setups.size(), midi::kSetupSlots);
        MediaCount progress(m_hooks, mediaSplits(contents.setups.data(), slots));
        for (std::size_t slot = 0; slot < slots; ++slot) {
            applySetup(contents.setups[slot], static_cast<int>(slot));
            midi::setFieldText(m_performance.currentSetup().setupName, name.substr(0, 259));
            for (int i = 0; i < midi::kSplitCount; ++i) {
                progress.next(m_performance.split(i));
                reloadSplitMedia(i);
            }
        }
        m_performance.selectSetup(0);
    }

    m_performance.setCurrentSplit(0);
    // The program plays on while the loader asks for a missing file: a key pressed meanwhile
    // sounds through the new splits and is ended here, not forgotten with the pool.
    m_performance.releaseAllRunningNotes();
    m_performance.initNotePool();
    for (int i = 0; i < midi::kSplitCount; ++i) {
        const midi::Split& split = m_performance.split(i);
        if (split.isOn()) {
            // Through the engine's own output, with the same channel rule as every message.
            m_performance.sendProgramChange(split);
        }
    }
    m_hooks.setupLoaded(m_performance.split(0).setupTempo);
    const std::string text = path.string();
    if (text.size() >= 3) {
        m_hooks.loadCompanionSong(fs::path(text.substr(0, text.size() - 3) + "mid"));
    }
    return true;
}

void SetupStore::clearSplitMedia(int index) {
    midi::Split& split = m_performance.split(index);
    midi::setFieldText(split.fileName, res::loadString(res::StringId::kNoMediaLoaded));
    split.fileTitleOffset = 0;
    m_hooks.clearMedia(index, split);
}

bool SetupStore::reloadSplitMedia(int index) {
    midi::Split& split = m_performance.split(index);
    const midi::SplitTask task = split.taskKind();
    if (task != midi::SplitTask::Sample && task != midi::SplitTask::Avi) {
        return true;
    }
    const std::string stored = midi::fieldText(split.fileName);
    auto useFile = [&](const fs::path& found) {
        const std::string text = found.string();
        if (!midi::setFieldText(split.fileName, text)) {
            return false; // a path too long for the record is not taken
        }
        split.fileTitleOffset = static_cast<std::int32_t>(text.size() - found.filename().string().size());
        return true;
    };

    std::error_code ec;
    bool located = !stored.empty() && fs::is_regular_file(fs::path(stored), ec);
    const std::string bare = bareFileName(stored);
    if (!located && !bare.empty()) {
        const fs::path folders[] = {m_folders.program, fs::current_path(ec), m_folders.setup, m_folders.lastSearch};
        for (const fs::path& folder : folders) {
            if (folder.empty()) {
                continue;
            }
            if (const auto found = searchFolder(folder, bare); found && useFile(*found)) {
                located = true;
                break;
            }
        }
    }
    while (!located) {
        const MediaSearch::Result result = m_search.search(index, stored, task);
        if (result.answer == MediaSearch::Answer::Cancel) {
            return false;
        }
        if (result.answer == MediaSearch::Answer::Skip) {
            clearSplitMedia(index);
            core::showMessage(m_notifier,
                              splitMessage(task == midi::SplitTask::Avi ? "AVI in split %d removed !"
                                                                        : "Sample in split %d removed !",
                                           index + 1),
                              core::MessageKind::Warning);
            return true;
        }
        if (useFile(result.path)) {
            m_folders.lastSearch = result.path.parent_path();
            located = true;
        }
    }
    if (task == midi::SplitTask::Sample) {
        m_hooks.reloadSample(index, split);
    } else {
        m_hooks.reloadClip(index, split);
    }
    return true;
}

platform::Status SetupStore::write(const fs::path& path, const std::string& bytes) {
    platform::Status status = platform::writeFileAtomically(path, bytes);
    if (!status.ok()) {
        core::showMessage(m_notifier, status.message(), core::MessageKind::Error);
    }
    return status;
}

platform::Status SetupStore::saveSetup(const fs::path& path) {
    return write(path, setupFileBytes(m_performance.currentSetup()));
}

platform::Status SetupStore::saveBank(const fs::path& path) {
    std::vector<midi::Setup> slots;
    const int current = m_performance.currentProgram();
    for (int slot = 0; slot < midi::kSetupSlots; ++slot) {
        m_performance.selectSetup(slot);
        slots.push_back(m_performance.currentSetup());
    }
    m_performance.selectSetup(current);
    return write(path, bankFileBytes(slots));
}

} // namespace tonwerk::setups
