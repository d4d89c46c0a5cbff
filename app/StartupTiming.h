#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>

namespace tonwerk::ui {

// Timings for the benchmarks, reported on stderr when TONWERK_TIMING is set in the environment:
// when a screen has painted first (after the start, after a switch) and, at exit, the longest
// the user-interface thread spent on one event of the kinds that run while a performer plays
// (timers, painting, MIDI input, pointer moves): while it handles an event, no MIDI is dispatched.
// UI thread only.
class StartupTiming : public QObject {
    Q_OBJECT
public:
    [[nodiscard]] static bool enabled();

    // The next paint of `screen` ends a measurement that started `started` ago ("start" or "switch").
    void watchFirstPaint(QWidget& screen, const char* what);
    // A screen switch was asked for: the next screen's first paint ends the measurement.
    void switchStarted() { m_switch.start(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer m_switch;
    const char* m_what = "";
};

// The program's application object: with TONWERK_TIMING set it times every event it delivers and
// says, once a second, the longest of that second.
class TimedApplication : public QApplication {
    Q_OBJECT
public:
    TimedApplication(int& argc, char** argv);
    ~TimedApplication() override;
    TimedApplication(const TimedApplication&) = delete;
    TimedApplication& operator=(const TimedApplication&) = delete;
    bool notify(QObject* receiver, QEvent* event) override;

private:
    void reportSecond();

    bool m_timed = false;
    std::int64_t m_secondLongestNs = 0;
    std::int64_t m_secondLongestCpuNs = 0;
    int m_secondLongestType = 0;
    std::int64_t m_longestNs = 0;
    int m_longestType = 0;
    std::int64_t m_events = 0;
    QTimer m_second;
};

} // namespace tonwerk::ui
