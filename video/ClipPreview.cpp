#include "ClipPreview.h"

#include "VideoEffects.h"

#include <algorithm>

namespace tonwerk::video {

bool ClipPreview::attach(const StreamTable& table, int first, int end) {
    detach();
    const int from = std::clamp(first, 0, kStreamSlots);
    const int to = std::clamp(end, from, std::min(kStreamSlots, table.streamCount()));
    for (int s = from; s < to; ++s) {
        const StreamSlot& slot = table.slot(s);
        if (!slot.isVideo() || !slot.info.decodable) {
            continue;
        }
        std::uint32_t error = 0;
        std::unique_ptr<platform::FrameReader> reader = slot.file->openFrameReader(slot.streamIndex, error);
        if (reader) {
            m_file = slot.file;
            m_info = slot.info;
            m_reader = std::move(reader);
            m_fraction = 0;
            return true;
        }
    }
    return false;
}

void ClipPreview::detach() {
    m_reader.reset();
    m_file.reset();
    m_info = {};
}

const FrameBuffer* ClipPreview::render(midi::VideoBlock& state, int framesDue, int setupTempo, int loopTempo, int width,
                                       int height) {
    if (!m_reader || width <= 0 || height <= 0) {
        return nullptr;
    }
    state.mixWidth = width;
    state.mixHeight = height;
    if (state.restartPending != 0) {
        state.framePos = state.restartFrame;
        state.restartPending = 0;
    }
    if (state.playing != 0 || (state.runFlags & VideoRun::kStepDue) != 0) {
        stepFrame(m_info, state, std::max(1, framesDue), setupTempo, loopTempo, m_fraction);
        state.runFlags &= ~VideoRun::kStepDue;
    }
    m_plan.width = width;
    m_plan.height = height;
    m_plan.layers.resize(1);
    LayerPlan& layer = m_plan.layers.front();
    layer.split = 0;
    layer.video = state;
    layer.slot = -1;
    layer.reader.reset();
    const std::int64_t start = m_info.start;
    if (state.framePos >= start && state.framePos <= start + m_info.length) {
        layer.reader = m_reader;
        layer.frame = state.framePos;
        layer.endFrame = start + m_info.length;
    }
    return m_renderer.composeFrame(m_plan);
}

} // namespace tonwerk::video
