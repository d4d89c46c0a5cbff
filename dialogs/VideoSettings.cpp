#include "VideoSettings.h"

#include "video/VideoEffects.h"

namespace tonwerk::ui {

void takeClipRange(midi::VideoBlock& video, int first, int last, bool initialiseRows) {
    video.clipStart = first;
    video.clipEnd = last;
    if (initialiseRows) {
        video.rangeStart = first;
        video.rangeEnd = last;
        video.rowStart.fill(first);
        video.rowEnd.fill(last);
    }
}

void divideRows(midi::VideoBlock& video) {
    int count = 0;
    for (const std::int32_t enabled : video.rowEnabled) {
        count += enabled != 0 ? 1 : 0;
    }
    if (count == 0) {
        return;
    }
    const std::int64_t length = (std::int64_t{video.clipEnd} - video.clipStart + 1) / count;
    std::int64_t at = video.clipStart;
    for (std::size_t r = 0; r < video.rowEnabled.size(); ++r) {
        if (video.rowEnabled[r] != 0) {
            video.rowStart[r] = static_cast<std::int32_t>(at);
            video.rowEnd[r] = static_cast<std::int32_t>(at + length - 1);
            at += length;
        }
    }
}

void setPlaySteps(midi::VideoBlock& video, bool steps) {
    using namespace video::VideoOption;
    video.optionFlags = steps ? (video.optionFlags | kPlaySteps | kEffectsDisabled)
                              : (video.optionFlags & ~(kPlaySteps | kEffectsDisabled));
}

void resetVideoEffects(midi::VideoBlock& video) {
    using namespace video::VideoOption;
    video.effectFlags = 0x04000000;
    setPlaySteps(video, (video.optionFlags & kPlaySteps) != 0);
    video.optionFlags &= ~(kJumpIntoRange | kVelocityBrightness);
}

int effectListIndex(std::int32_t rowEffect) {
    for (std::size_t i = 0; i < video::kEffectTable.size(); ++i) {
        if ((video::kEffectTable[i].value & rowEffect) != 0) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

} // namespace tonwerk::ui
