#include "ClipPreviewer.h"

#include "Session.h"
#include "video/ClipPreview.h"
#include "video/VideoEngine.h"

#include <mutex>

namespace tonwerk::session {

ClipPreviewer::ClipPreviewer(Session& session)
    : m_session(session), m_preview(std::make_unique<video::ClipPreview>(session.notifier())) {}

ClipPreviewer::~ClipPreviewer() = default;

bool ClipPreviewer::attach(int split) {
    detach();
    if (split < 0 || split >= midi::kSplitCount) {
        return false;
    }
    const midi::Split& record = m_session.performance().split(split);
    if (record.taskKind() != midi::SplitTask::Avi) {
        return false;
    }
    video::VideoEngine& engine = m_session.video();
    const std::lock_guard lock(engine.splitsLock());
    if (!m_preview->attach(engine.streams(), record.video.firstStream, record.video.endStream)) {
        return false;
    }
    m_split = split;
    m_slot = record.video.firstStream;
    return true;
}

void ClipPreviewer::detach() {
    m_preview->detach();
    m_split = -1;
    m_slot = -1;
}

bool ClipPreviewer::attached() const { return m_preview->attached(); }

ClipPreviewer::Stream ClipPreviewer::stream() const {
    const platform::VideoStreamInfo& info = m_preview->stream();
    Stream s;
    s.slot = m_slot;
    s.type = info.type;
    s.handler = info.handler;
    s.start = info.start;
    s.length = info.length;
    s.rate = info.rate;
    s.scale = info.scale;
    s.width = info.width;
    s.height = info.height;
    s.bitCount = info.bitCount;
    s.compression = info.compression;
    return s;
}

std::int64_t ClipPreviewer::lastFrameBytes() const { return m_preview->lastFrameBytes(); }

const video::FrameBuffer* ClipPreviewer::render(midi::VideoBlock& state, int width, int height) {
    if (m_split < 0) {
        return nullptr;
    }
    const int loopTempo = m_session.performance().split(m_split).loopTempo;
    const int setupTempo = m_session.performance().split(0).setupTempo;
    return m_preview->render(state, 1, setupTempo, loopTempo, width, height);
}

} // namespace tonwerk::session
