#pragma once

#include "midi/Split.h"
#include "video/FrameBuffer.h"

#include <cstdint>
#include <memory>

namespace tonwerk::video {
class ClipPreview;
}

namespace tonwerk::session {

class Session;

// The video dialog's preview monitor as the Qt side sees it: the split's clip, rendered with the
// dialog's own copy of its video block through a reader of its own (the graphics window's
// composition is never disturbed). UI thread.
class ClipPreviewer {
public:
    explicit ClipPreviewer(Session& session);
    ~ClipPreviewer();
    ClipPreviewer(const ClipPreviewer&) = delete;
    ClipPreviewer& operator=(const ClipPreviewer&) = delete;

    // The split's clip as it is now (after a load or a free, attach again). False when it has none.
    bool attach(int split);
    void detach();
    [[nodiscard]] bool attached() const;

    // The clip's video stream, for the dialog's stream information.
    struct Stream {
        int slot = -1;
        std::uint32_t type = 0;
        std::uint32_t handler = 0;
        int start = 0;
        int length = 0;
        std::uint32_t rate = 0;
        std::uint32_t scale = 1;
        int width = 0;
        int height = 0;
        int bitCount = 0;
        std::uint32_t compression = 0;
    };
    [[nodiscard]] Stream stream() const;
    [[nodiscard]] std::int64_t lastFrameBytes() const;

    // One 40 ms step of `state` at the split's loop tempo and the setup tempo, and its picture:
    // null when there is nothing new to draw.
    const video::FrameBuffer* render(midi::VideoBlock& state, int width, int height);

private:
    Session& m_session;
    int m_split = -1;
    int m_slot = -1;
    std::unique_ptr<video::ClipPreview> m_preview;
};

} // namespace tonwerk::session
