#pragma once

#include "FrameRenderer.h"
#include "StreamTable.h"
#include "core/Notifier.h"
#include "midi/Split.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tonwerk::audio {
class TempoLookup;
}

namespace tonwerk::video {

// What the performance screen does for clip notes beyond the clip state: its embedded monitor,
// its deck indicators and the released-key display. Do-nothing defaults.
class ClipScreen {
public:
    virtual ~ClipScreen() = default;
    virtual void monitorLive() {}
    virtual void deckLight(int /*deck*/, bool /*on*/) {}
    virtual void clipKeyReleased(int /*split*/) {}
};

// The newest finished picture, handed from the composition to the window. Any thread; the lock is
// held only to copy the bytes in or out.
class PictureSlot {
public:
    // Composition side: copies the picture in (no allocation once the size is steady).
    void publish(const FrameBuffer& picture);
    // Window side: copies the newest picture into `out` when it is newer than `sequence`; true
    // then, with `sequence` updated.
    bool take(std::vector<std::uint8_t>& out, int& width, int& height, std::uint64_t& sequence) const;

private:
    mutable std::mutex m_lock;
    std::vector<std::uint8_t> m_bytes;
    int m_width = 0;
    int m_height = 0;
    std::uint64_t m_sequence = 0;
};

// The video engine: the stream table, the clips' frame fractions, the clip note handlers and the
// graphics window's composition. The splits are shared with the dispatcher: every call that reads
// or changes them takes splitsLock() for microseconds, so a composition running on its own thread
// (startComposition) never holds the dispatcher up while it decodes.
class VideoEngine {
public:
    VideoEngine(core::Notifier& notifier, StreamTable::SplitAccess splitAt, std::function<int()> setupTempo,
                audio::TempoLookup* tempo = nullptr, ClipScreen* screen = nullptr);
    ~VideoEngine();
    VideoEngine(const VideoEngine&) = delete;
    VideoEngine& operator=(const VideoEngine&) = delete;

    // The lock the splits' video blocks and the stream table are changed under. Held briefly.
    [[nodiscard]] std::mutex& splitsLock() { return m_splitsLock; }
    [[nodiscard]] StreamTable& streams() { return m_table; }

    // Loads a clip into `split` as dropping it on a pad does: opens it (clip tempo), takes its
    // streams and makes the split an AVI split that is switched on. False (and reported) when it
    // cannot be loaded. UI thread.
    bool loadClip(int split, const std::filesystem::path& path);
    // Frees a split's clip. UI thread.
    void freeClip(int split);

    // Clip note handlers of the performance screen (the dispatcher's clip note-on and note-off for
    // an AVI split); `rowSplitLatched` says whether the split a row key stands for on the current
    // screen is a sample split that is latched or sounding. UI thread; never block.
    void clipNoteOn(int split, std::uint32_t message);
    void clipNoteOff(int split, std::uint32_t message, bool rowSplitLatched = false);

    // The window's video notes.
    void videoNoteOn(int split, std::uint32_t message);
    void videoNoteOff(int split);

    // The worker thread's count of whole 40 ms periods since the previous frame. Any thread.
    void setFramesDue(int frames) { m_framesDue.store(frames, std::memory_order_relaxed); }
    [[nodiscard]] bool live() const { return m_live.load(std::memory_order_relaxed); }
    // Frames are wanted: some split is triggered. Any thread (reads without the lock; a stale
    // answer delays one frame).
    [[nodiscard]] bool anyTriggered();

    // Renders one picture of the graphics window now, on the calling thread: plans under the lock,
    // composes without it. The finished picture, or null when the previous one stays.
    const FrameBuffer* renderNow(int width, int height, bool liveMode = false);

    // Composition on a thread of its own: each frameTick() (the worker thread's 40 ms tick) asks
    // for one picture; a tick while the previous picture is still being composed is dropped, never
    // queued. Pictures arrive in picture().
    void startComposition(int width, int height);
    // The picture size of the ticks from now on (the graphics window was opened, resized or
    // closed); the picture being composed keeps its size. `liveMode`: only the clips that play
    // are layers (the screens' monitor); otherwise every clip split is (the graphics window).
    // startComposition keeps the mode. Any thread; never blocks for longer than a tick's hand-over.
    void setCompositionSize(int width, int height, bool liveMode = false);
    [[nodiscard]] std::pair<int, int> compositionSize();
    // Told on the composition thread after each new picture is in picture(). Set before
    // startComposition; the listener must not block.
    void setPictureListener(std::function<void(const PictureSlot&)> listener) {
        m_pictureListener = std::move(listener);
    }
    void stopComposition();
    // Any thread; never blocks.
    void frameTick();
    [[nodiscard]] const PictureSlot& picture() const { return m_picture; }
    [[nodiscard]] std::uint64_t droppedTicks() const { return m_droppedTicks.load(std::memory_order_relaxed); }

    // Frees every stream (program end).
    void releaseAll();

private:
    void compositionLoop();
    void startClip(int split, std::uint32_t message); // under splitsLock()
    [[nodiscard]] FrameContext context(bool liveMode);

    core::Notifier& m_notifier;
    StreamTable::SplitAccess m_splitAt;
    std::function<int()> m_setupTempo;
    ClipScreen* m_screen;
    std::mutex m_splitsLock;
    StreamTable m_table;
    std::array<float, midi::kSplitCount> m_fractions{};
    std::atomic<int> m_framesDue{1};
    std::atomic<bool> m_live{false};
    FrameRenderer m_renderer;
    FramePlan m_plan;

    std::thread m_thread;
    std::mutex m_tickLock;
    std::condition_variable m_tickWake;
    bool m_tickPending = false;
    bool m_stop = false;
    std::atomic<bool> m_busy{false};
    std::atomic<std::uint64_t> m_droppedTicks{0};
    int m_width = 0; // the size and mode of the next picture: under m_tickLock
    int m_height = 0;
    bool m_liveMode = false;
    FrameRenderer m_threadRenderer;
    FramePlan m_threadPlan;
    PictureSlot m_picture;
    std::function<void(const PictureSlot&)> m_pictureListener;
};

} // namespace tonwerk::video
