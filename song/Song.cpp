#include "Song.h"

#include "MidiFile.h"
#include "core/ErrorReporting.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tonwerk::song {

namespace fs = std::filesystem;
using Lock = std::scoped_lock<std::recursive_mutex>;

namespace {

constexpr int kIdle = 0;
constexpr int kPlaying = 1;
constexpr int kRecording = 2;
constexpr std::size_t kMaxTracks = 256;

SongEvent eventAt(std::uint64_t time, midi::ShortMessage m) {
    SongEvent e;
    e.bar = static_cast<std::uint32_t>(std::min<std::uint64_t>(time / kTicksPerBar, 0xFFFFFFFFu));
    e.tick = static_cast<std::uint16_t>(time % kTicksPerBar);
    e.status = static_cast<std::uint8_t>(m & 0xFF);
    e.data1 = static_cast<std::uint8_t>((m >> 8) & 0xFF);
    e.data2 = static_cast<std::uint8_t>((m >> 16) & 0xFF);
    e.data3 = static_cast<std::uint8_t>((m >> 24) & 0xFF);
    return e;
}

} // namespace

Song::Song(SongHost& host, core::Notifier& notifier) : m_host(host), m_notifier(notifier) {}

void Song::setTempo(int beatsPerMinute) {
    const Lock lock(m_mutex);
    m_tempo = beatsPerMinute < 1 ? 1 : beatsPerMinute;
    m_usPerTick = midi::microsecondsPerTick(m_tempo);
}

int Song::setSongTempo(int beatsPerMinute) {
    const int tempo = std::clamp(beatsPerMinute, 50, 260);
    setTempo(tempo);
    return tempo;
}

void Song::setupLoaded(int tempo) {
    const Lock lock(m_mutex);
    m_events.reset();
    m_cursor = 0;
    m_savedCount = 0;
    m_positionBeats = 0;
    m_lengthBeats = 0;
    setTempo(tempo);
    showPosition();
    showLength();
}

void Song::newSetup() {
    stopCommand();
    setTempo(120);
}

void Song::releaseSong() {
    const Lock lock(m_mutex);
    m_events.reset();
    m_cursor = 0;
    m_savedCount = 0;
    m_lengthBeats = 0;
}

bool Song::hasSong() const {
    const Lock lock(m_mutex);
    return m_events.has_value();
}

std::vector<SongEvent> Song::events() const {
    const Lock lock(m_mutex);
    return m_events ? *m_events : std::vector<SongEvent>{};
}

std::size_t Song::savedCount() const {
    const Lock lock(m_mutex);
    return m_savedCount;
}

int Song::positionBeats() const {
    const Lock lock(m_mutex);
    return m_positionBeats;
}

int Song::lengthBeats() const {
    const Lock lock(m_mutex);
    return m_lengthBeats;
}

int Song::tempo() const {
    const Lock lock(m_mutex);
    return m_tempo;
}

void Song::showPosition() {
    const int bar = m_positionBeats / kBeatsPerBar + 1;
    const int beat = m_positionBeats % kBeatsPerBar + 1;
    if (bar != m_shownBar || beat != m_shownBeat) {
        m_shownBar = bar;
        m_shownBeat = beat;
        m_host.showPosition(bar, beat);
    }
}

void Song::showLength() { m_host.showLength(m_lengthBeats / kBeatsPerBar + 1, m_lengthBeats % kBeatsPerBar + 1); }

void Song::record(midi::ShortMessage message) {
    const std::scoped_lock lock(m_queueMutex);
    m_queue.push_back(message);
}

void Song::startPendingPlay() {
    const Lock lock(m_mutex);
    if (m_startPending) {
        m_startPending = false;
        m_state = kPlaying;
    }
}

void Song::playCommand() {
    const Lock lock(m_mutex);
    if (m_state != kIdle) {
        stop(StopKind::Toggle);
        return;
    }
    m_host.allStop();
    if (!m_events) {
        return;
    }
    const std::uint64_t target = static_cast<std::uint64_t>(m_positionBeats) * kTicksPerBeat;
    m_cursor = 0;
    while (m_cursor < m_events->size() && (*m_events)[m_cursor].time() < target) {
        ++m_cursor;
    }
    m_offsetMs = target * m_usPerTick / 1000;
    m_clockStarted = false;
    m_startPending = true;
    m_host.startSynchronisedSamples();
    startPendingPlay(); // in case no synchronised start happened
}

void Song::recordCommand() {
    const Lock lock(m_mutex);
    if (m_state != kIdle) {
        stop(StopKind::Toggle);
        return;
    }
    m_host.allStop();
    if (!m_events) {
        m_events.emplace();
        m_cursor = 0;
        m_lengthBeats = 0;
    }
    // Seek: keep what lies before the position, end the notes still on there, drop the rest.
    const std::uint64_t target = static_cast<std::uint64_t>(m_positionBeats) * kTicksPerBeat;
    std::vector<SongEvent>& events = *m_events;
    std::size_t cursor = 0;
    std::vector<SongEvent> notesOn;
    while (cursor < events.size() && events[cursor].time() < target) {
        const SongEvent& e = events[cursor];
        const int kind = e.status & 0xF0;
        const auto same = [&e](const SongEvent& on) {
            return on.data1 == e.data1 && (on.status & 0x0F) == (e.status & 0x0F);
        };
        if (kind == 0x90 && e.data2 > 0) {
            notesOn.push_back(e);
        } else if (kind == 0x80 || kind == 0x90) {
            if (const auto it = std::find_if(notesOn.begin(), notesOn.end(), same); it != notesOn.end()) {
                notesOn.erase(it);
            }
        }
        ++cursor;
    }
    events.resize(cursor);
    for (const SongEvent& on : notesOn) {
        SongEvent off = eventAt(target, 0);
        off.status = static_cast<std::uint8_t>(0x80 | (on.status & 0x0F));
        off.data1 = on.data1;
        off.data2 = on.data2;
        off.data3 = on.data3;
        events.push_back(off);
    }
    m_cursor = events.size();
    m_lengthBeats = m_positionBeats;
    m_restartClock = true;
    m_clockStarted = false;
    m_offsetMs = target * m_usPerTick / 1000;
    m_recordStartTicks = target;
    showLength();
    {
        const std::scoped_lock queueLock(m_queueMutex);
        m_queue.clear();
    }
    m_state = kRecording;
    m_host.retriggerSync();
}

void Song::stop(StopKind kind) {
    m_host.allStop();
    const bool isBreak = kind == StopKind::Break;
    bool waiting = false;
    {
        const std::scoped_lock queueLock(m_queueMutex);
        waiting = !m_queue.empty();
    }
    if (m_state == kRecording || (m_state == kPlaying && kind == StopKind::Toggle)) {
        if (m_tickBusy || waiting) {
            m_stopRequested = true;
            m_breakRequested = isBreak;
        } else {
            m_state = kIdle;
            m_savedCount = m_events ? m_events->size() : 0;
        }
    } else if (m_state == kPlaying) {
        m_state = kIdle;
        if (m_tickBusy) {
            m_stopRequested = true;
            m_breakRequested = isBreak;
        }
    }
    if (!isBreak) {
        m_positionBeats = 0;
    }
    showPosition();
}

void Song::stopCommand() {
    const Lock lock(m_mutex);
    stop(StopKind::Stop);
}

void Song::breakCommand() {
    const Lock lock(m_mutex);
    stop(StopKind::Break);
}

void Song::forward(int beats) {
    const Lock lock(m_mutex);
    if (m_state == kIdle) {
        m_positionBeats = std::min(m_positionBeats + beats, std::max(m_lengthBeats, 0));
        showPosition();
    }
}

void Song::backward(int beats) {
    const Lock lock(m_mutex);
    if (m_state == kIdle) {
        m_positionBeats = std::max(m_positionBeats - beats, 0);
        showPosition();
    }
}

void Song::finishStop() {
    m_state = kIdle;
    // Everything the song holds is saved, also after a playback that stopped half-way.
    m_savedCount = m_events ? m_events->size() : 0;
    if (!m_breakRequested) {
        m_positionBeats = 0;
    }
    m_host.resetControllers();
    m_stopRequested = false;
    m_breakRequested = false;
}

void Song::songTick(std::uint32_t nowMs) {
    const Lock lock(m_mutex);
    if (m_state == kIdle || m_tickBusy) {
        return;
    }
    m_tickBusy = true;
    const double ticksPerMs = 1000.0 / (60000000.0 / (static_cast<double>(m_tempo) * kTicksPerBeat));
    auto position = [&] {
        const std::uint64_t elapsed = static_cast<std::uint32_t>(nowMs - m_startTime) + m_offsetMs;
        m_positionTicks = static_cast<std::uint64_t>(static_cast<double>(elapsed) * ticksPerMs);
    };
    if (!m_clockStarted) {
        m_startTime = nowMs;
        m_clockStarted = true;
    }
    position();

    if (m_state == kPlaying && m_events) {
        while (m_cursor < m_events->size() && (*m_events)[m_cursor].time() <= m_positionTicks) {
            const midi::ShortMessage message = (*m_events)[m_cursor].message();
            ++m_cursor;
            m_host.playEvent(message);
        }
        if (m_cursor >= m_events->size() && m_state == kPlaying) {
            stop(StopKind::Stop); // the end of the song; completed below, as the tick is busy
        }
    }
    if (m_state == kRecording && m_events) {
        std::vector<midi::ShortMessage> queued;
        {
            const std::scoped_lock queueLock(m_queueMutex);
            queued.swap(m_queue);
        }
        if (!queued.empty()) {
            if (m_restartClock) {
                m_startTime = nowMs;
                position();
                m_restartClock = false;
            }
            // Never before the position recording started at, never before the last event.
            std::uint64_t stamp = std::max(m_positionTicks, m_recordStartTicks);
            if (!m_events->empty()) {
                stamp = std::max(stamp, m_events->back().time());
            }
            for (const midi::ShortMessage message : queued) {
                m_events->push_back(eventAt(stamp, message));
            }
            m_cursor = m_events->size();
        }
    }
    m_positionBeats = static_cast<int>(std::min<std::uint64_t>(m_positionTicks / kTicksPerBeat, INT32_MAX));
    if (m_state == kRecording && m_positionBeats > m_lengthBeats) {
        m_lengthBeats = m_positionBeats;
        showLength();
    }
    if (m_stopRequested) {
        finishStop();
    }
    showPosition();
    m_tickBusy = false;
}

bool Song::loadSong(const fs::path& path) {
    const Lock lock(m_mutex);
    m_events.reset();
    m_cursor = 0;
    m_savedCount = 0;
    m_lengthBeats = 0;
    int format = 0;
    const std::unique_ptr<MidiFile> file = MidiFile::openForReading(path, format);
    if (!file || file->timeDivision() < 1) {
        return false;
    }
    const std::size_t tracks = std::min<std::size_t>(static_cast<std::size_t>(file->trackCount()), kMaxTracks);
    const std::uint64_t ticksPerBar = static_cast<std::uint64_t>(file->timeDivision()) * 4;

    std::size_t counted = 0;
    std::array<MidiFileEvent, 256> batch{};
    for (std::size_t t = 0; t < tracks; ++t) {
        for (int n = static_cast<int>(batch.size()); n == static_cast<int>(batch.size());) {
            n = file->readTrackEvents(static_cast<int>(t), batch.data(), static_cast<int>(batch.size()));
            counted += static_cast<std::size_t>(n);
        }
    }
    file->rewindTracks();

    constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
    std::vector<MidiFileEvent> next(tracks);
    std::vector<std::uint64_t> at(tracks, kNever);
    for (std::size_t t = 0; t < tracks; ++t) {
        if (file->readTrackEvents(static_cast<int>(t), &next[t], 1) == 1) {
            at[t] = next[t].time;
        }
    }
    std::vector<SongEvent> events;
    events.reserve(counted);
    std::uint64_t last = 0;
    while (events.size() < counted) {
        const auto it = std::min_element(at.begin(), at.end()); // the lowest track on equal times
        if (it == at.end() || *it == kNever) {
            break;
        }
        const auto t = static_cast<std::size_t>(it - at.begin());
        const std::uint64_t time = *it;
        SongEvent e;
        const std::uint64_t bar = time / ticksPerBar;
        e.bar = static_cast<std::uint32_t>(std::min<std::uint64_t>(bar, 0xFFFFFFFFu));
        e.tick = static_cast<std::uint16_t>((time % ticksPerBar) * kTicksPerBar / ticksPerBar);
        e.status = next[t].status;
        e.data1 = next[t].data1;
        e.data2 = next[t].data2;
        e.data3 = next[t].data3;
        events.push_back(e);
        last = time;
        if (file->readTrackEvents(static_cast<int>(t), &next[t], 1) == 1) {
            at[t] = time + next[t].time;
        } else {
            at[t] = kNever;
        }
    }
    m_savedCount = std::min(counted, events.size());
    m_lengthBeats = static_cast<int>(std::min<std::uint64_t>((last + ticksPerBar - 1) / ticksPerBar * 4, INT32_MAX));
    m_events = std::move(events);
    m_cursor = 0;
    showLength();
    return true;
}

platform::Status Song::saveSong(const fs::path& path) {
    const Lock lock(m_mutex);
    if (!m_events) {
        return platform::Status::success();
    }
    const std::unique_ptr<MidiFile> file = MidiFile::openForWriting(0);
    file->setTimeDivision(kTicksPerBeat);
    std::uint64_t previous = 0;
    const std::size_t count = std::min(m_savedCount, m_events->size());
    for (std::size_t i = 0; i < count; ++i) {
        const SongEvent& e = (*m_events)[i];
        const std::uint64_t time = e.time();
        MidiFileEvent out;
        // The song is in time order, so deltas are never negative; a file's own oddities cannot
        // make one either.
        out.time =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(time > previous ? time - previous : 0, 0x0FFFFFFF));
        previous = std::max(previous, time);
        out.status = e.status;
        out.data1 = e.data1;
        out.data2 = e.data2;
        out.data3 = e.data3;
        file->writeTrackEvents(1, &out, 1);
    }
    platform::Status status = file->closeTo(path);
    if (!status.ok()) {
        core::showMessage(m_notifier, status.message(), core::MessageKind::Error);
    }
    return status;
}

bool loadStartupSong(const fs::path& programDirectory, const std::function<bool(const fs::path&)>& loadSetup,
                     Song& song) {
    std::error_code ec;
    const fs::path startup = programDirectory / "StartUp.mks";
    if (!fs::is_regular_file(startup, ec)) {
        return false;
    }
    loadSetup(startup);
    song.playCommand();
    return true;
}

} // namespace tonwerk::song
