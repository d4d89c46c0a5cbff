#include "StartupTiming.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace tonwerk::ui {

namespace {

// The events that run while a performer plays; a click or a key may open a box that waits for a
// person inside its handler, which is no measure of the thread's load.
bool playingEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::Timer:
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::SockAct:
    case QEvent::MetaCall:
    case QEvent::MouseMove:
        return true;
    default:
        return false;
    }
}

// The CPU time this thread has used, in ns: beside the wall time it tells an event that worked
// long from one that was only preempted.
std::int64_t threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

bool StartupTiming::enabled() {
    // Read on the UI thread before the engines' threads start.
    return std::getenv("TONWERK_TIMING") != nullptr; // NOLINT(concurrency-mt-unsafe)
}

void StartupTiming::watchFirstPaint(QWidget& screen, const char* what) {
    m_what = what;
    screen.installEventFilter(this);
}

bool StartupTiming::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        if (m_switch.isValid()) {
            static_cast<void>(std::fprintf(stderr, "tonwerk timing: %s painted %.2f ms after the switch\n", m_what,
                                           static_cast<double>(m_switch.nsecsElapsed()) / 1e6));
            m_switch.invalidate();
        } else {
            static_cast<void>(std::fprintf(stderr, "tonwerk timing: %s painted\n", m_what));
        }
    }
    return QObject::eventFilter(watched, event);
}

TimedApplication::TimedApplication(int& argc, char** argv)
    : QApplication(argc, argv), m_timed(StartupTiming::enabled()) {
    if (m_timed) {
        m_second.setInterval(1000);
        connect(&m_second, &QTimer::timeout, this, &TimedApplication::reportSecond);
        m_second.start();
    }
}

void TimedApplication::reportSecond() {
    static_cast<void>(std::fprintf(
        stderr, "tonwerk timing: longest event of the second %.3f ms (type %d), longest on the CPU %.3f ms\n",
        static_cast<double>(m_secondLongestNs) / 1e6, m_secondLongestType,
        static_cast<double>(m_secondLongestCpuNs) / 1e6));
    m_secondLongestNs = 0;
    m_secondLongestCpuNs = 0;
    m_secondLongestType = 0;
}

TimedApplication::~TimedApplication() {
    if (m_timed) {
        static_cast<void>(std::fprintf(stderr, "tonwerk timing: longest event %.3f ms (type %d) of %lld\n",
                                       static_cast<double>(m_longestNs) / 1e6, m_longestType,
                                       static_cast<long long>(m_events)));
    }
}

bool TimedApplication::notify(QObject* receiver, QEvent* event) {
    if (!m_timed || !playingEvent(event->type())) {
        return QApplication::notify(receiver, event);
    }
    const QEvent::Type type = event->type(); // the event may be gone after delivery
    QElapsedTimer clock;
    clock.start();
    const std::int64_t cpuBefore = threadCpuNs();
    const bool handled = QApplication::notify(receiver, event);
    const std::int64_t ns = clock.nsecsElapsed();
    m_secondLongestCpuNs = std::max(m_secondLongestCpuNs, threadCpuNs() - cpuBefore);
    ++m_events;
    if (ns > m_longestNs) {
        m_longestNs = ns;
        m_longestType = static_cast<int>(type);
    }
    if (ns > m_secondLongestNs) {
        m_secondLongestNs = ns;
        m_secondLongestType = static_cast<int>(type);
    }
    return handled;
}

} // namespace tonwerk::ui
