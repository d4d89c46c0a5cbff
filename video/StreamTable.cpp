#include "StreamTable.h"

#include "VideoEffects.h"
#include "audio/Tempo.h"
#include "core/ErrorReporting.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace tonwerk::video {

int aviErrorMessageId(std::uint32_t code) {
    switch (code) {
    case platform::VideoError::kNoHandler:
        return 8252;
    case platform::VideoError::kBadFormat:
        return 8247;
    case platform::VideoError::kNoMemory:
        return 8248;
    case platform::VideoError::kReadError:
        return 8249;
    case platform::VideoError::kOpenError:
        return 8250;
    case platform::VideoError::kBufferTooSmall:
        return 8251;
    default:
        return 3009;
    }
}

StreamTable::StreamTable(core::Notifier& notifier, SplitAccess splitAt, audio::TempoLookup* tempo)
    : m_notifier(notifier), m_splitAt(std::move(splitAt)), m_tempo(tempo) {}

StreamTable::~StreamTable() { releaseAllStreams(); }

void StreamTable::reportAviError(std::uint32_t code) {
    core::showMessage(m_notifier, aviErrorMessageId(code), core::MessageKind::Error);
}

int StreamTable::openAviFile(const std::filesystem::path& path, midi::Split& current) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        return -1;
    }
    std::uint32_t error = platform::VideoError::kOk;
    const auto file = platform::VideoFile::open(path, error);
    if (!file) {
        if (error == platform::VideoError::kNotFound) {
            return -1;
        }
        reportAviError(error);
        return 0;
    }
    if (m_tempo != nullptr) {
        current.loopTempo = m_tempo->lookupFolderTempo(path);
    }
    return 1;
}

bool StreamTable::loadAviStreams(const std::filesystem::path& path, midi::Split& split) {
    std::uint32_t error = platform::VideoError::kOk;
    std::shared_ptr<platform::VideoFile> file = platform::VideoFile::open(path, error);
    if (!file) {
        reportAviError(error);
        return false;
    }
    if (split.video.firstStream != -1) {
        releaseSplitStreams(split.video.firstStream, split.video.endStream, split);
    }
    const int first = m_streamCount;
    int i = m_streamCount;
    for (int s = 0; s < file->streamCount(); ++s, ++i) {
        if (i >= kStreamSlots) {
            core::showMessage(m_notifier, 8253, core::MessageKind::Error);
            break;
        }
        StreamSlot& slot = m_slots[static_cast<std::size_t>(i)];
        slot.file = file;
        slot.streamIndex = s;
        slot.info = file->stream(s);
    }
    if (i > first || i >= kStreamSlots) {
        closeFrameReaders();
        m_streamCount = i;
        split.video.firstStream = first;
        split.video.endStream = i;
        openFrameReaders();
        m_rangeRefresh = true;
        return i > first;
    }
    core::showMessage(m_notifier, 8243, core::MessageKind::Error);
    return false;
}

void StreamTable::openFrameReaders() {
    for (int i = 0; i < m_streamCount; ++i) {
        StreamSlot& slot = m_slots[static_cast<std::size_t>(i)];
        if (!slot.isVideo()) {
            continue;
        }
        std::uint32_t error = platform::VideoError::kOk;
        slot.reader = slot.file->openFrameReader(slot.streamIndex, error);
        if (slot.reader) {
            slot.drawHandle = true;
            if (m_mixOutputSlot == -1) {
                m_mixOutputSlot = i;
            }
        }
    }
}

void StreamTable::closeSlotReader(StreamSlot& slot) {
    slot.reader.reset();
    slot.drawHandle = false;
}

void StreamTable::closeFrameReaders() {
    for (int i = 0; i < m_streamCount; ++i) {
        closeSlotReader(m_slots[static_cast<std::size_t>(i)]);
    }
    m_mixOutputSlot = -1;
}

void StreamTable::releaseSplitStreams(int first, int end, midi::Split& split) {
    // Slot numbers come from setup files too: only slots of the table are touched.
    const int from = std::clamp(first, 0, kStreamSlots);
    const int to = std::clamp(end, from, kStreamSlots);
    for (int i = from; i < to; ++i) {
        StreamSlot& slot = m_slots[static_cast<std::size_t>(i)];
        closeSlotReader(slot);
        slot = StreamSlot{};
    }
    split.video.firstStream = -1;
    split.video.endStream = -1;
    int count = 0;
    for (int s = 0; s < midi::kSplitCount; ++s) {
        count = std::max(count, std::clamp(m_splitAt(s).video.endStream, 0, kStreamSlots));
    }
    m_streamCount = count;
    if (m_mixOutputSlot >= m_streamCount ||
        (m_mixOutputSlot >= 0 && !m_slots[static_cast<std::size_t>(m_mixOutputSlot)].drawHandle)) {
        m_mixOutputSlot = -1;
        for (int i = 0; i < m_streamCount && m_mixOutputSlot == -1; ++i) {
            if (m_slots[static_cast<std::size_t>(i)].drawHandle) {
                m_mixOutputSlot = i;
            }
        }
    }
}

void StreamTable::releaseAllStreams() {
    closeFrameReaders();
    for (StreamSlot& slot : m_slots) {
        slot = StreamSlot{};
    }
    m_streamCount = 0;
}

void stepFrame(const platform::VideoStreamInfo& stream, midi::VideoBlock& video, int framesDue, int setupTempo,
               int loopTempo, float& fraction) {
    if ((video.runFlags & VideoRun::kRangesUnset) != 0) {
        const std::int64_t last = std::int64_t{stream.start} + stream.length - 1;
        video.clipStart = video.rangeStart = stream.start;
        video.clipEnd = video.rangeEnd =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(last, INT32_MIN, INT32_MAX));
        video.rowStart.fill(video.rangeStart);
        video.rowEnd.fill(video.rangeEnd);
        video.runFlags &= ~VideoRun::kRangesUnset;
    }
    if (video.holdAtStart != 0) {
        video.framePos = video.rangeStart;
        return;
    }
    std::int64_t steps = std::int64_t{video.stepWidth} + framesDue - 1;
    if ((video.effectFlags & Effect::kReversePlay) != 0) {
        steps = -steps;
    }
    // A tempo of 0 (the dialog allows it) or less means the clip plays at its own speed.
    const float ratio =
        setupTempo > 0 && loopTempo > 0 ? static_cast<float>(setupTempo) / static_cast<float>(loopTempo) : 1.0F;
    float fractionIn = std::isfinite(fraction) ? fraction : 0.0F;
    const float x = static_cast<float>(steps) * ratio + fractionIn;
    const float whole = std::trunc(x);
    fraction = x - whole;
    const bool looped = (video.optionFlags & VideoOption::kLooped) != 0;
    const std::int64_t n = std::int64_t{video.framePos} + static_cast<std::int64_t>(std::clamp(whole, -1e9F, 1e9F));
    if (n < video.rangeStart) {
        if (looped) {
            video.framePos = video.rangeEnd;
        }
    } else if (n <= video.rangeEnd) {
        video.framePos = static_cast<std::int32_t>(n);
    } else if (looped) {
        video.framePos = video.rangeStart;
    }
}

} // namespace tonwerk::video
