#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tonwerk::ui {

// SIGTERM, SIGINT and SIGHUP end the program the way a confirmed Exit does (every note gets its
// note-off, the settings are written) instead of killing it: a session manager, a service manager
// or Ctrl+C in a terminal stop Tonwerk cleanly. The handler only writes a byte to a pipe; the
// program's own thread reads it and calls `quit`. One instance per process. UI thread.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(std::function<void()> quit);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void()> m_quit;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tonwerk::ui
