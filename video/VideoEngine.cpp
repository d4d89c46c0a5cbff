#include "VideoEngine.h"

#include "VideoEffects.h"
#include "core/ErrorReporting.h"

#include <algorithm>

namespace tonwerk::video {

namespace {

constexpr int keyOf(std::uint32_t message) { return static_cast<int>((message >> 8) & 0x7F); }
constexpr int velocityOf(std::uint32_t message) { return static_cast<int>((message >> 16) & 0x7F); }

} // namespace

void PictureSlot::publish(const FrameBuffer& picture) {
    const std::lock_guard guard(m_lock);
    m_bytes.assign(picture.bytes().begin(), picture.bytes().end());
    m_width = picture.width();
    m_height = picture.height();
    ++m_sequence;
}

bool PictureSlot::take(std::vector<std::uint8_t>& out, int& width, int& height, std::uint64_t& sequence) const {
    const std::lock_guard guard(m_lock);
    if (m_sequence == sequence) {
        return false;
    }
    out.assign(m_bytes.begin(), m_bytes.end());
    width = m_width;
    height = m_height;
    sequence = m_sequence;
    return true;
}

VideoEngine::VideoEngine(core::Notifier& notifier, StreamTable::SplitAccess splitAt, std::function<int()> setupTempo,
                         audio::TempoLookup* tempo, ClipScreen* screen)
    : m_notifier(notifier), m_splitAt(std::move(splitAt)), m_setupTempo(std::move(setupTempo)), m_screen(screen),
      m_table(notifier, m_splitAt, tempo), m_renderer(notifier), m_threadRenderer(notifier) {
    m_plan.layers.reserve(midi::kSplitCount);
    m_threadPlan.layers.reserve(midi::kSplitCount);
}

VideoEngine::~VideoEngine() {
    stopComposition();
    releaseAll();
}

bool VideoEngine::loadClip(int index, const std::filesystem::path& path) {
    const std::lock_guard guard(m_splitsLock);
    midi::Split& split = m_splitAt(index);
    const int opened = m_table.openAviFile(path, split);
    if (opened == -1) {
        core::showMessage(m_notifier, 8296, core::MessageKind::Error); // "File not found!"
        return false;
    }
    if (opened == 0 || !m_table.loadAviStreams(path, split)) {
        return false;
    }
    const std::string text = path.string();
    if (!midi::setFieldText(split.fileName, text)) {
        // A path longer than the record holds is refused rather than cut.
        m_table.releaseSplitStreams(split.video.firstStream, split.video.endStream, split);
        core::showMessage(m_notifier, 8243, core::MessageKind::Error);
        return false;
    }
    split.fileTitleOffset = static_cast<std::int32_t>(text.size() - path.filename().string().size());
    split.setTask(midi::SplitTask::Avi);
    if (split.stateKind() == midi::SplitState::Off) {
        split.setState(midi::SplitState::On);
    }
    split.video.framePos = 0;
    split.video.holdAtStart = 0;
    split.video.runFlags |= VideoRun::kRangesUnset;
    m_fractions[static_cast<std::size_t>(index)] = 0.0F;
    return true;
}

void VideoEngine::freeClip(int index) {
    const std::lock_guard guard(m_splitsLock);
    midi::Split& split = m_splitAt(index);
    split.video.runFlags &= ~VideoRun::kTriggered;
    if (split.video.firstStream != -1) {
        m_table.releaseSplitStreams(split.video.firstStream, split.video.endStream, split);
    }
}

void VideoEngine::videoNoteOn(int index, std::uint32_t message) {
    const std::lock_guard guard(m_splitsLock);
    startClip(index, message);
}

void VideoEngine::startClip(int index, std::uint32_t message) {
    midi::VideoBlock& v = m_splitAt(index).video;
    m_live = true;
    v.noteNumber = keyOf(message);
    v.noteVelocity = velocityOf(message);
    v.playing = 1;
    v.runFlags |= VideoRun::kTriggered;
}

void VideoEngine::videoNoteOff(int index) {
    const std::lock_guard guard(m_splitsLock);
    midi::VideoBlock& v = m_splitAt(index).video;
    v.noteNumber = 0;
    v.noteVelocity = 0;
    v.playing = 0;
    v.runFlags &= ~VideoRun::kTriggered;
    m_live = false;
}

void VideoEngine::clipNoteOn(int index, std::uint32_t message) {
    if (index < 0 || index >= midi::kSplitCount) {
        return;
    }
    midi::Split& split = m_splitAt(index);
    const int key = keyOf(message);
    const int root = split.rootNote;
    if (key == root) {
        {
            const std::lock_guard guard(m_splitsLock);
            m_fractions[static_cast<std::size_t>(index)] = 0.0F;
        }
        if (m_screen != nullptr) {
            m_screen->monitorLive();
        }
        videoNoteOn(index, message);
        if (m_screen != nullptr && (split.video.deckMode == 1 || split.video.deckMode == 2)) {
            m_screen->deckLight(split.video.deckMode, true);
        }
        return;
    }
    if (key < root - 11 || key > root - 4) {
        return;
    }
    const int row = key - root + 11; // 0 … 7
    const auto r = static_cast<std::size_t>(row);
    const std::lock_guard guard(m_splitsLock);
    midi::VideoBlock& v = split.video;
    const bool jump = (v.optionFlags & VideoOption::kJumpIntoRange) != 0 && v.rowEnabled[r] != 0 &&
                      v.currentRow != static_cast<std::int32_t>(r);
    if (jump && (v.optionFlags & VideoOption::kPlaySteps) == 0 && (v.runFlags & VideoRun::kTriggered) == 0) {
        // A clip that is not running is started first, as its root key would.
        startClip(index, (message & 0xFF) | static_cast<std::uint32_t>(root & 0x7F) << 8 | 127u << 16);
    }
    if (jump) {
        v.rangeStart = v.rowStart[r];
        v.rangeEnd = v.rowEnd[r];
        v.framePos = v.rowEnd[r];
        v.currentRow = static_cast<std::int32_t>(r);
    }
    if ((v.optionFlags & VideoOption::kPlaySteps) != 0) {
        v.runFlags |= VideoRun::kStepDue;
    }
    if ((v.runFlags & VideoRun::kTriggered) == 0 && (v.optionFlags & VideoOption::kPlaySteps) == 0) {
        return;
    }
    if ((v.optionFlags & VideoOption::kVelocityBrightness) != 0) {
        v.brightness = velocityOf(message) * 512;
    }
    if ((v.optionFlags & VideoOption::kEffectsDisabled) != 0) {
        return;
    }
    switchRowEffectOn(v, v.rowEffect[r]);
}

void VideoEngine::clipNoteOff(int index, std::uint32_t message, bool rowSplitLatched) {
    if (index < 0 || index >= midi::kSplitCount) {
        return;
    }
    midi::Split& split = m_splitAt(index);
    const int key = keyOf(message);
    const int root = split.rootNote;
    if (key == root) {
        if (m_screen != nullptr) {
            m_screen->clipKeyReleased(index);
        }
        videoNoteOff(index);
        if (m_screen != nullptr && (split.video.deckMode == 1 || split.video.deckMode == 2)) {
            m_screen->deckLight(split.video.deckMode, false);
        }
        return;
    }
    if (key < root - 11 || key > root - 4) {
        return;
    }
    const std::lock_guard guard(m_splitsLock);
    midi::VideoBlock& v = split.video;
    if ((v.runFlags & VideoRun::kTriggered) == 0 || (v.optionFlags & VideoOption::kEffectsDisabled) != 0 ||
        rowSplitLatched) {
        return;
    }
    const int row = key - root + 11; // 0 … 7
    switchRowEffectOff(v, v.rowEffect[static_cast<std::size_t>(row)]);
}

bool VideoEngine::anyTriggered() {
    const std::lock_guard guard(m_splitsLock);
    for (int i = 0; i < midi::kSplitCount; ++i) {
        if ((m_splitAt(i).video.runFlags & VideoRun::kTriggered) != 0) {
            return true;
        }
    }
    return false;
}

FrameContext VideoEngine::context(bool liveMode) {
    FrameContext c;
    c.framesDue = std::max(1, m_framesDue.load(std::memory_order_relaxed));
    c.setupTempo = m_setupTempo ? m_setupTempo() : 0;
    c.liveMode = liveMode;
    c.fractions = &m_fractions;
    return c;
}

const FrameBuffer* VideoEngine::renderNow(int width, int height, bool liveMode) {
    {
        const std::lock_guard guard(m_splitsLock);
        planFrame(m_table, m_splitAt, context(liveMode), width, height, m_notifier, m_plan);
    }
    return m_renderer.composeFrame(m_plan);
}

void VideoEngine::startComposition(int width, int height) {
    stopComposition();
    {
        const std::lock_guard guard(m_tickLock);
        m_width = std::max(0, width);
        m_height = std::max(0, height);
    }
    m_stop = false;
    m_thread = std::thread([this] { compositionLoop(); });
}

void VideoEngine::setCompositionSize(int width, int height, bool liveMode) {
    const std::lock_guard guard(m_tickLock);
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_liveMode = liveMode;
}

std::pair<int, int> VideoEngine::compositionSize() {
    const std::lock_guard guard(m_tickLock);
    return {m_width, m_height};
}

void VideoEngine::stopComposition() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        const std::lock_guard guard(m_tickLock);
        m_stop = true;
    }
    m_tickWake.notify_one();
    m_thread.join();
}

void VideoEngine::frameTick() {
    if (m_busy.load()) {
        m_droppedTicks.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    {
        const std::lock_guard guard(m_tickLock);
        if (m_tickPending) {
            m_droppedTicks.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        m_tickPending = true;
    }
    m_tickWake.notify_one();
}

void VideoEngine::compositionLoop() {
    for (;;) {
        int width = 0;
        int height = 0;
        bool liveMode = false;
        {
            std::unique_lock lock(m_tickLock);
            m_tickWake.wait(lock, [this] { return m_tickPending || m_stop; });
            if (m_stop) {
                return;
            }
            m_tickPending = false;
            m_busy = true;
            width = m_width;
            height = m_height;
            liveMode = m_liveMode;
        }
        {
            const std::lock_guard guard(m_splitsLock);
            planFrame(m_table, m_splitAt, context(liveMode), width, height, m_notifier, m_threadPlan);
        }
        if (const FrameBuffer* picture = m_threadRenderer.composeFrame(m_threadPlan); picture != nullptr) {
            m_picture.publish(*picture);
            if (m_pictureListener) {
                m_pictureListener(m_picture);
            }
        }
        m_busy = false;
    }
}

void VideoEngine::releaseAll() {
    const std::lock_guard guard(m_splitsLock);
    m_table.releaseAllStreams();
}

} // namespace tonwerk::video
