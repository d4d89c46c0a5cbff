#pragma once

#include "FrameBuffer.h"
#include "StreamTable.h"
#include "core/Notifier.h"
#include "midi/Split.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tonwerk::video {

// One layer of a repaint, as decided under the splits' lock: a copy of the split's video block
// after its step, and the reader and frame to fetch.
struct LayerPlan {
    int split = -1;
    midi::VideoBlock video{};
    std::shared_ptr<platform::FrameReader> reader; // null: no frame for this layer
    std::int64_t frame = 0;
    int slot = -1;             // the layer's stream slot, -1 when none
    std::int64_t endFrame = 0; // first frame + length: a frame from here on is past the end, not damaged
};

// Everything a composition needs, taken from the splits in one short step.
struct FramePlan {
    std::vector<LayerPlan> layers; // in split order, at most 24
    int width = 0;
    int height = 0;
};

// What the planning step reads beside the splits.
struct FrameContext {
    int framesDue = 1;                                         // whole 40 ms periods since the previous frame
    int setupTempo = 0;                                        // split 0's setup tempo
    bool liveMode = false;                                     // only splits playing or triggered are layers
    std::array<float, midi::kSplitCount>* fractions = nullptr; // frameFraction per split
};

// Decides the layers of one repaint and advances their frame positions (the first three steps of
// rendering each layer). Runs on the thread that owns the splits, or under their lock; does not
// decode and does not block. `plan` keeps its storage between frames.
void planFrame(StreamTable& table, const StreamTable::SplitAccess& splitAt, const FrameContext& context, int width,
               int height, core::Notifier& notifier, FramePlan& plan);

// The frame renderer of one window: its layer buffer A and mix buffer B, and the composition of a
// planned frame (fetch, scale, effects, mixing). One thread at a time; it may be a thread of its
// own, since it touches no split. Allocates only when the window size changes.
class FrameRenderer {
public:
    explicit FrameRenderer(core::Notifier& notifier) : m_notifier(notifier) {}

    // Frees and allocates both buffers for a width × height picture.
    void resize(int width, int height);
    [[nodiscard]] int width() const { return m_layer.width(); }
    [[nodiscard]] int height() const { return m_layer.height(); }

    // Composes the planned layers. Returns the finished picture (A for one layer, B for several),
    // or null when nothing new is to be drawn: the window keeps its previous picture.
    const FrameBuffer* composeFrame(const FramePlan& plan);

    // Renders one layer (fetch, scale, effects, mix) of `count`, `order` counting from 1. True when
    // this layer produced the picture to draw.
    bool renderSplitFrame(const LayerPlan& layer, int count, int order);

private:
    core::Notifier& m_notifier;
    FrameBuffer m_layer; // A
    FrameBuffer m_mix;   // B
    bool m_fetched = false;
    // The reader whose failing frame was reported last, per slot: a damaged clip is reported once,
    // not every 40 ms.
    std::array<const platform::FrameReader*, kStreamSlots> m_reported{};
};

} // namespace tonwerk::video
