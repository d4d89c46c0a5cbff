#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace tonwerk::audio {

class AudioEngine;

// The two sources of time that keep the voices fed: a 4 ms timer thread and a worker thread that
// sleeps 5 ms at a time. Both run the pump when 40 ms have passed since its last start, so the
// voices stay fed when one of them is late; the worker also paces video frames at 40 ms. Once a
// second (25 marks of 40 ms) the timer builds the load report when it is asked for.
// The song and the beat display run on the dispatcher's own 4 ms timer: they feed the dispatcher,
// which belongs to the user-interface thread.
// The video frame grid of the worker thread: a frame every 40 ms on a fixed grid, so that the
// picture runs at 25 frames a second however late the worker wakes. due() says how many 40 ms
// periods have passed since the last frame (0: none due); a worker that slept for more than a
// second starts a new grid rather than catching up. Times in ms of the steady clock (wrapping).
class FramePacer {
public:
    static constexpr std::uint32_t kPeriodMs = 40;
    static constexpr std::uint32_t kResyncMs = 1000;

    explicit FramePacer(std::uint32_t nowMs) : m_next(nowMs + kPeriodMs) {}
    [[nodiscard]] int due(std::uint32_t nowMs);

private:
    std::uint32_t m_next;
};

class AudioClock {
public:
    explicit AudioClock(AudioEngine& engine);
    ~AudioClock();
    AudioClock(const AudioClock&) = delete;
    AudioClock& operator=(const AudioClock&) = delete;

    // Starts the worker thread alone, at below-normal priority (the program does this before any
    // screen; a second call does nothing). UI thread.
    void startWorker();
    // Starts the 4 ms timer thread, and the worker if it is not running (a second call does
    // nothing). UI thread.
    void startAudioClock();
    // Ends the worker and joins it (the confirmed Exit). UI thread; blocks for at most one period.
    void stopWorker();
    // Ends both threads and joins them. UI thread; blocks for at most one period.
    void stop();

    // The report " ORVAN Tonwerk  CPU-Usage: ..." goes to `onReport` (on the timer thread; the host
    // queues it to the window) while `enabled` is true.
    void setLoadReport(std::function<void(const std::string&)> onReport) { m_onReport = std::move(onReport); }
    void setReportEnabled(bool enabled) { m_reportEnabled.store(enabled); }
    // The worker's video frame: called with the number of whole 40 ms periods that passed.
    void setVideoFrame(std::function<void(int)> drawFrame) { m_drawFrame = std::move(drawFrame); }
    void addVideoTime(std::uint32_t ms) { m_videoTime.fetch_add(ms); }

    // One 4 ms tick at `nowMs` (the timer thread, or the caller on a virtual clock).
    void audioTick(std::uint32_t nowMs);

private:
    void timerLoop();
    void workerLoop();

    AudioEngine& m_engine;
    std::function<void(const std::string&)> m_onReport;
    std::function<void(int)> m_drawFrame;
    std::atomic<bool> m_reportEnabled{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stopWorker{false};
    std::thread m_timer;
    std::thread m_worker;

    // Meter state: written by the timer thread, a lost update only disturbs one report.
    bool m_first = true;
    std::uint32_t m_lastTick = 0;
    std::uint32_t m_lastReport = 0;
    int m_tickCount = 0;
    std::atomic<std::uint32_t> m_videoTime{0};
};

// The load report line for shares in percent and the playing voices.
[[nodiscard]] std::string loadReportText(unsigned long all, unsigned long video, unsigned long sound, int voices);

} // namespace tonwerk::audio
