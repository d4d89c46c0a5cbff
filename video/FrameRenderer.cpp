#include "FrameRenderer.h"

#include "FrameMixer.h"
#include "VideoEffects.h"
#include "core/ErrorReporting.h"

#include <algorithm>

namespace tonwerk::video {

void planFrame(StreamTable& table, const StreamTable::SplitAccess& splitAt, const FrameContext& context, int width,
               int height, core::Notifier& notifier, FramePlan& plan) {
    plan.layers.clear();
    plan.width = width;
    plan.height = height;
    if (width <= 0 || height <= 0) {
        return;
    }
    for (int i = 0; i < midi::kSplitCount; ++i) {
        midi::Split& split = splitAt(i);
        if (split.taskKind() != midi::SplitTask::Avi) {
            continue;
        }
        midi::VideoBlock& v = split.video;
        if (context.liveMode && v.playing == 0 && (v.runFlags & VideoRun::kTriggered) == 0) {
            continue;
        }
        v.mixWidth = width;
        v.mixHeight = height;
        LayerPlan layer;
        layer.split = i;
        if (v.restartPending != 0) {
            v.framePos = v.restartFrame;
            v.restartPending = 0;
        }
        // The layer's stream: the first used slot of the split's range; empty slots are reported.
        const int first = std::clamp(v.firstStream, 0, kStreamSlots);
        const int end = std::clamp(v.endStream, first, std::min(kStreamSlots, table.streamCount()));
        for (int s = first; s < end; ++s) {
            if (!table.slot(s).used()) {
                core::showMessage(notifier, 8256, core::MessageKind::Error);
                continue;
            }
            layer.slot = s;
            break;
        }
        if (layer.slot >= 0) {
            StreamSlot& slot = table.slot(layer.slot);
            if ((v.playing != 0 || (v.runFlags & VideoRun::kStepDue) != 0)) {
                float unused = 0.0F;
                float& fraction =
                    context.fractions != nullptr ? (*context.fractions)[static_cast<std::size_t>(i)] : unused;
                stepFrame(slot.info, v, context.framesDue, context.setupTempo, split.loopTempo, fraction);
            }
            const std::int64_t start = slot.info.start;
            if (slot.isVideo() && slot.reader && v.framePos >= start && v.framePos <= start + slot.info.length) {
                layer.reader = slot.reader;
                layer.frame = v.framePos;
                layer.endFrame = start + slot.info.length;
            }
        }
        layer.video = v;
        if (context.liveMode && (v.optionFlags & VideoOption::kPlaySteps) != 0) {
            v.playing = 0; // a stepping clip shows one step per trigger
            v.runFlags &= ~VideoRun::kStepDue;
        }
        plan.layers.push_back(std::move(layer));
    }
    // A layer that is not the last of several draws nothing; its hold at start is handed back.
    for (std::size_t k = 0; k + 1 < plan.layers.size(); ++k) {
        midi::VideoBlock& v = splitAt(plan.layers[k].split).video;
        if (v.holdAtStart != 0) {
            v.holdAtStart = 0;
        }
    }
}

void FrameRenderer::resize(int width, int height) {
    m_layer.resize(width, height);
    m_mix.resize(width, height);
}

bool FrameRenderer::renderSplitFrame(const LayerPlan& layer, int count, int order) {
    m_fetched = false;
    const int w = m_layer.width();
    const int h = m_layer.height();
    const midi::VideoBlock& v = layer.video;
    int blendLevel = kOpaque;
    if (layer.reader) {
        const std::span<const std::uint8_t> frame = layer.reader->frame(layer.frame);
        if (frame.empty()) {
            if (layer.frame < layer.endFrame && layer.slot >= 0 && layer.slot < kStreamSlots &&
                m_reported[static_cast<std::size_t>(layer.slot)] != layer.reader.get()) {
                m_reported[static_cast<std::size_t>(layer.slot)] = layer.reader.get();
                core::showMessage(m_notifier, 8247, core::MessageKind::Error);
            }
            return false; // the window keeps its previous picture
        }
        const PictureRect dest =
            (v.effectFlags & MixBit::kStamp) != 0 ? PictureRect{w / 4, h / 4, w / 2, h / 2} : PictureRect{0, 0, w, h};
        if (!scaleFrameInto(frame, m_layer, dest)) {
            return false;
        }
        m_fetched = true;
        blendLevel = applyEffects(v, m_layer);
    }
    if (count > 1 && v.mixWidth != 0 && v.mixHeight != 0) {
        if (order == 1) {
            std::copy(m_layer.pixels().begin(), m_layer.pixels().end(), m_mix.pixels().begin());
        } else {
            mixLayer(v, blendLevel, m_layer, m_mix);
        }
    }
    return count == 1 ? m_fetched : order == count;
}

const FrameBuffer* FrameRenderer::composeFrame(const FramePlan& plan) {
    if (plan.width <= 0 || plan.height <= 0 || plan.layers.empty()) {
        return nullptr;
    }
    if (plan.width != m_layer.width() || plan.height != m_layer.height()) {
        resize(plan.width, plan.height);
    }
    const int count = static_cast<int>(plan.layers.size());
    bool draw = false;
    for (int k = 0; k < count; ++k) {
        draw = renderSplitFrame(plan.layers[static_cast<std::size_t>(k)], count, k + 1);
    }
    if (!draw) {
        return nullptr;
    }
    return count == 1 ? &m_layer : &m_mix;
}

} // namespace tonwerk::video
