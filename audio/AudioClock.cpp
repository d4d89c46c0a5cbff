#include "AudioClock.h"

#include "AudioEngine.h"

#include "platform/SteadyClock.h"
#include "platform/ThreadPriority.h"

#include <chrono>
#include <cstdio>

namespace tonwerk::audio {

std::string loadReportText(unsigned long all, unsigned long video, unsigned long sound, int voices) {
    char text[160];
    static_cast<void>(std::snprintf(
        text, sizeof text, " ORVAN Tonwerk  CPU-Usage: %lu %% ALL ( %lu %% Video %lu %% Sound ) %d Voices playing", all,
        video, sound, voices));
    return text;
}

AudioClock::AudioClock(AudioEngine& engine) : m_engine(engine) {}

AudioClock::~AudioClock() { stop(); }

void AudioClock::startWorker() {
    if (m_worker.joinable()) {
        return;
    }
    m_stopWorker.store(false);
    m_worker = std::thread([this] {
        platform::lowerThreadPriority(); // below the dispatcher and the timer
        workerLoop();
    });
}

void AudioClock::startAudioClock() {
    startWorker();
    if (m_timer.joinable()) {
        return;
    }
    m_stop.store(false);
    m_timer = std::thread([this] { timerLoop(); });
}

void AudioClock::stopWorker() {
    m_stopWorker.store(true);
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void AudioClock::stop() {
    stopWorker();
    m_stop.store(true);
    if (m_timer.joinable()) {
        m_timer.join();
    }
}

void AudioClock::audioTick(std::uint32_t now) {
    if (m_first) {
        m_first = false;
        m_lastReport = now;
        m_lastTick = now;
    }
    m_engine.pumpIfDue(now);
    const std::uint32_t gap = now - m_lastTick;
    if (gap < 40) {
        return;
    }
    ++m_tickCount;
    if (m_tickCount >= 25 && m_reportEnabled.load()) {
        const std::uint32_t period = now - m_lastReport;
        if (period == 0) {
            return; // the mark is taken again at the next tick
        }
        m_lastReport = now;
        const unsigned long sound = static_cast<unsigned long>(m_engine.takeSoundTime()) * 100 / period;
        const unsigned long video = static_cast<unsigned long>(m_videoTime.exchange(0)) * 100 / period;
        if (m_onReport) {
            m_onReport(loadReportText(sound + video, video, sound, m_engine.voicesPlaying()));
        }
        m_tickCount = 0;
    }
    m_lastTick = now;
}

void AudioClock::timerLoop() {
    auto next = std::chrono::steady_clock::now();
    while (!m_stop.load()) {
        next += std::chrono::milliseconds(4);
        std::this_thread::sleep_until(next);
        audioTick(platform::steadyMilliseconds());
    }
}

int FramePacer::due(std::uint32_t nowMs) {
    const auto late = static_cast<std::int32_t>(nowMs - m_next);
    if (late < 0) {
        return 0;
    }
    const auto periods = static_cast<std::uint32_t>(late) / kPeriodMs + 1;
    if (static_cast<std::uint32_t>(late) >= kResyncMs) {
        m_next = nowMs + kPeriodMs;
    } else {
        m_next += periods * kPeriodMs;
    }
    return static_cast<int>(periods);
}

void AudioClock::workerLoop() {
    FramePacer frames(platform::steadyMilliseconds());
    while (!m_stopWorker.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::uint32_t now = platform::steadyMilliseconds();
        if (const int due = frames.due(now); m_drawFrame && due > 0) {
            m_drawFrame(due);
        }
        m_engine.pumpIfDue(now);
    }
}

} // namespace tonwerk::audio
