#pragma once

#include "FrameRenderer.h"
#include "StreamTable.h"

#include <memory>

namespace tonwerk::video {

// The video dialog's preview monitor: one split's clip rendered with the dialog's own copy of its
// video block, through a frame reader of its own, so the graphics window's composition (which may
// be decoding the same clip on its thread) is never disturbed. UI thread.
class ClipPreview {
public:
    explicit ClipPreview(core::Notifier& notifier) : m_renderer(notifier) {}

    // Takes the first video stream of the split's slots `first` … `end`−1 from the table and opens
    // a reader of its own for it. False (and nothing attached) when there is none.
    bool attach(const StreamTable& table, int first, int end);
    void detach();
    [[nodiscard]] bool attached() const { return m_reader != nullptr; }
    [[nodiscard]] const platform::VideoStreamInfo& stream() const { return m_info; }
    // The stored size of the frame shown last (bytes), 0 when none.
    [[nodiscard]] std::int64_t lastFrameBytes() const { return m_reader ? m_reader->lastFrameBytes() : 0; }

    // One 40 ms step of `state` (when it plays, `framesDue` periods at `setupTempo` / `loopTempo`,
    // as the graphics window steps it) and its picture at width × height: the finished picture, or
    // null when there is nothing to draw (no clip, or the frame could not be decoded).
    const FrameBuffer* render(midi::VideoBlock& state, int framesDue, int setupTempo, int loopTempo, int width,
                              int height);

private:
    std::shared_ptr<platform::VideoFile> m_file;
    std::shared_ptr<platform::FrameReader> m_reader;
    platform::VideoStreamInfo m_info;
    FrameRenderer m_renderer;
    FramePlan m_plan;
    float m_fraction = 0;
};

} // namespace tonwerk::video
