#include "QuitSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tonwerk::ui {

namespace {

int quitPipe[2] = {-1, -1}; // written by the handler, read by the program's thread

extern "C" void onQuitSignal(int /*signal*/) {
    const char byte = 1;
    // Async-signal-safe; a full pipe already says the same.
    static_cast<void>(::write(quitPipe[1], &byte, 1));
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> quit) : m_quit(std::move(quit)) {
    if (::pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // without the pipe the signals keep their default action
    }
    m_notifier = std::make_unique<QSocketNotifier>(quitPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(quitPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (m_quit) {
            m_quit();
        }
    });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

QuitSignals::~QuitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    m_notifier.reset();
    for (int& end : quitPipe) {
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
    }
}

} // namespace tonwerk::ui
