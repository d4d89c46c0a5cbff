#pragma once

#include "core/Notifier.h"
#include "midi/Split.h"
#include "platform/VideoFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace tonwerk::audio {
class TempoLookup;
}

namespace tonwerk::video {

inline constexpr int kStreamSlots = 50;

// One slot of the stream table: a stream of an opened file, its frame reader (video streams with
// a decoder) and whether it can be drawn.
struct StreamSlot {
    std::shared_ptr<platform::VideoFile> file;
    int streamIndex = -1;
    platform::VideoStreamInfo info;
    // Shared so a composition running on its own thread keeps a reader it is using alive when the
    // slot is released meanwhile; only that one thread ever decodes through it.
    std::shared_ptr<platform::FrameReader> reader;
    bool drawHandle = false;
    bool failureReported = false; // a frame of this slot failed and was reported once

    [[nodiscard]] bool used() const { return file != nullptr; }
    [[nodiscard]] bool isVideo() const { return used() && info.type == platform::kStreamVideo; }
};

// The process-wide table of 50 stream slots the video splits' clips live in. A split's slots are
// firstStream … endStream−1 of its video block; new files are appended at streamCount(). All calls:
// the thread that owns the splits (the UI thread), except where the renderer says otherwise.
class StreamTable {
public:
    using SplitAccess = std::function<midi::Split&(int)>;

    // `splitAt` reaches the 24 splits of the current setup; `tempo` (may be null) is the clip
    // tempo lookup used on open.
    StreamTable(core::Notifier& notifier, SplitAccess splitAt, audio::TempoLookup* tempo = nullptr);
    ~StreamTable();
    StreamTable(const StreamTable&) = delete;
    StreamTable& operator=(const StreamTable&) = delete;

    // 1 when `path` is a readable clip (and sets `current.loopTempo`), −1 when it does not exist,
    // 0 on any other failure (already reported).
    int openAviFile(const std::filesystem::path& path, midi::Split& current);
    // Takes the file's streams into the table for `split`, releasing its earlier ones first.
    // True when at least one stream was taken.
    bool loadAviStreams(const std::filesystem::path& path, midi::Split& split);
    void openFrameReaders();
    void closeFrameReaders();
    // Frees slots first … end−1 (clamped to the table) and takes `split` off them.
    void releaseSplitStreams(int first, int end, midi::Split& split);
    void releaseAllStreams();
    // Shows the message for a video-file result code.
    void reportAviError(std::uint32_t code);

    [[nodiscard]] int streamCount() const { return m_streamCount; }
    [[nodiscard]] int mixOutputSlot() const { return m_mixOutputSlot; }
    [[nodiscard]] StreamSlot& slot(int index) { return m_slots.at(static_cast<std::size_t>(index)); }
    [[nodiscard]] const StreamSlot& slot(int index) const { return m_slots.at(static_cast<std::size_t>(index)); }
    // Set by a load: the video dialog's range display wants the clip range once.
    [[nodiscard]] bool rangeRefreshPending() const { return m_rangeRefresh; }
    void clearRangeRefresh() { m_rangeRefresh = false; }

private:
    void closeSlotReader(StreamSlot& slot);

    core::Notifier& m_notifier;
    SplitAccess m_splitAt;
    audio::TempoLookup* m_tempo;
    std::array<StreamSlot, kStreamSlots> m_slots;
    int m_streamCount = 0;
    int m_mixOutputSlot = -1;
    bool m_rangeRefresh = false;
};

// The message a video-file result code is shown with.
[[nodiscard]] int aviErrorMessageId(std::uint32_t code);

// Advances a split's framePos by one 40 ms tick (and `framesDue` − 1 missed ones), scaled by
// setupTempo / loopTempo (no scaling when either is 0 or less), reversed by "Reverse Play", looped
// or held at the range's ends. `fraction` carries the part of a frame left over.
void stepFrame(const platform::VideoStreamInfo& stream, midi::VideoBlock& video, int framesDue, int setupTempo,
               int loopTempo, float& fraction);

} // namespace tonwerk::video
