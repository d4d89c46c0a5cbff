#include "ProgramShell.h"

#include "JoystickInput.h"
#include "PictureRelay.h"
#include "QtNotifier.h"
#include "StartupTiming.h"
#include "core/ErrorReporting.h"
#include "screens/ScreenDialog.h"
#include "screens/ScreenFeedbackRelay.h"
#include "screens/VideoOutput.h"
#include "session/Commands.h"
#include "session/Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethod>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tonwerk::ui {

namespace {

// Colours given as 0xBBGGRR, as the scheme was written down.
QColor bgr(unsigned value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

} // namespace

QPalette programColourScheme(const QPalette& base) {
    QPalette p = base;
    // Window text, window, highlight, highlight text, button face and text, 3-D light and button
    // highlight map onto their palette roles; the caption colours belong to the window manager.
    p.setColor(QPalette::WindowText, bgr(0x00FFFF));
    p.setColor(QPalette::Text, bgr(0x00FFFF));
    p.setColor(QPalette::Base, bgr(0x004A00));
    p.setColor(QPalette::Highlight, bgr(0x004A00));
    p.setColor(QPalette::HighlightedText, bgr(0xFFFF00));
    p.setColor(QPalette::Button, bgr(0x008000));
    p.setColor(QPalette::ButtonText, bgr(0x00FFFF));
    p.setColor(QPalette::Midlight, bgr(0x00CCCC));
    p.setColor(QPalette::Light, bgr(0x00AAAA));
    // Dialog background and text.
    p.setColor(QPalette::Window, bgr(0x004A00));
    // The shadows and the grey text of disabled controls are system colours the scheme leaves
    // alone: they keep the values they have beside it (3-D shadow 0x808080, dark shadow 0x404040,
    // grey text 0x808080), not the desktop's, which are made for a light ground and vanish on
    // this one, taking the edges of check boxes and fields and the look of a disabled control.
    p.setColor(QPalette::Mid, bgr(0x808080));
    p.setColor(QPalette::Dark, bgr(0x808080));
    p.setColor(QPalette::Shadow, bgr(0x404040));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, bgr(0x808080));
    }
    return p;
}

// The engines' screen feedback goes to the screen now shown; device news also goes to the error
// stream, so it is seen between screens and before the first.
class ProgramShell::Screen final : public ScreenFeedbackRelay {
public:
    void deviceStatus(const std::string& text) override {
        static_cast<void>(std::fprintf(stderr, "Tonwerk: %s\n", text.c_str()));
        ScreenFeedbackRelay::deviceStatus(text);
    }
};

// The composition thread's pictures, handed to the UI thread: at most one hand-over waits at a
// time, and it takes the newest picture when it runs.
class ProgramShell::Pictures final : public session::PictureSink {
public:
    explicit Pictures(ProgramShell& shell) : m_shell(shell) {
        QObject::connect(&m_relay, &PictureRelay::delivered, [this] { deliver(); });
    }

    // Composition thread; never blocks.
    void pictureReady(const video::PictureSlot& /*slot*/) override {
        if (m_waiting.exchange(true)) {
            return;
        }
        m_relay.announce();
    }

private:
    // UI thread.
    void deliver() {
        m_waiting = false;
        if (m_shell.m_videoOutput) {
            m_shell.m_videoOutput->deliver();
        }
    }

    ProgramShell& m_shell;
    PictureRelay m_relay; // lives on the UI thread: the hand-over runs there
    std::atomic<bool> m_waiting{false};
};

ProgramShell::~ProgramShell() = default;

void ProgramShell::startDevices(core::Settings& settings) {
    // The screens' copy of the settings takes what the devices changed (ports found, the PC
    // keyboard playing without a MIDI input, a vanished sound device forgotten).
    m_session->startDevices();
    settings = m_session->settings();

    // Input arrives on the MIDI system's thread and is dispatched here the moment it is queued.
    if (const int descriptor = m_session->midiInputDescriptor(); descriptor >= 0) {
        m_midiInput = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        QObject::connect(m_midiInput.get(), &QSocketNotifier::activated,
                         [this] { m_session->waitAndDeliverMidiInput(0); });
    }
    // The dispatcher's 4 ms tick, on the real clock: every tick due runs, none twice.
    m_clock = std::make_unique<QTimer>();
    m_clock->setTimerType(Qt::PreciseTimer);
    m_clock->setInterval(4);
    m_nextTickMs = m_session->nowMs() + 4;
    QObject::connect(m_clock.get(), &QTimer::timeout, [this] {
        const std::uint32_t now = m_session->nowMs();
        for (; static_cast<std::int32_t>(now - m_nextTickMs) >= 0; m_nextTickMs += 4) {
            m_session->tick(m_nextTickMs);
        }
    });
    m_clock->start();
}

std::string ProgramShell::saveSession() {
    if (!m_session || m_sessionSetup.empty()) {
        return "Tonwerk has no session open";
    }
    std::string failed;
    if (const platform::Status status = m_session->commands().saveSetup(m_sessionSetup); !status.ok()) {
        failed = status.message();
    }
    // The song beside it: the setup's companion, which loads with it.
    if (m_session->song().hasSong()) {
        std::filesystem::path song = m_sessionSetup;
        song.replace_extension(".mid");
        if (const platform::Status status = m_session->commands().saveSong(song); !status.ok()) {
            failed += (failed.empty() ? "" : "; ") + status.message();
        }
    }
    // The settings as the screen shown holds them now, with what the session keeps itself.
    core::Settings settings = m_shownScreen != nullptr ? m_shownScreen->settings() : m_settings;
    settings.currentSetupPath = m_session->settings().currentSetupPath;
    if (const platform::Status status = core::saveSettingsFile(m_settingsFile, settings); !status.ok()) {
        failed += (failed.empty() ? "" : "; ") + status.message();
    }
    if (m_shownScreen != nullptr) {
        m_shownScreen->setWindowTitle(ScreenDialog::captionFor(m_session->setupName()));
    }
    return failed;
}

void ProgramShell::quit() {
    if (m_shownScreen != nullptr) {
        m_shownScreen->quitProgram();
    } else {
        m_loop.quit(); // between screens, or before the first: none opens
    }
}

void ProgramShell::startJoystick() {
    // The joystick is read on this thread every 10 ms; a stick plugged in later is found then.
    m_joystickInput = std::make_unique<JoystickInput>();
    if (!m_joystickInput->available()) {
        return;
    }
    m_joystickTimer = std::make_unique<QTimer>();
    m_joystickTimer->setInterval(kJoystickPollMs);
    QObject::connect(m_joystickTimer.get(), &QTimer::timeout, [this] {
        StickState state;
        bool lost = false;
        const bool connected = m_joystickInput->poll(state, lost);
        if (m_shownScreen == nullptr) {
            return;
        }
        if (lost) {
            m_shownScreen->joystickLost();
        }
        if (connected) {
            m_shownScreen->joystick(state);
        }
    });
    m_joystickTimer->start();
}

void ProgramShell::reportGraphicsSecond() {
    const CGraphicsWnd* window = m_videoOutput->window();
    if (window == nullptr) {
        m_graphicsCounts = {};
        return;
    }
    GraphicsCounts now{window, window->picturesDrawn(), window->picturesReceived(), m_session->droppedFrameTicks()};
    if (m_graphicsCounts.window == window) {
        static_cast<void>(std::fprintf(stderr,
                                       "tonwerk timing: graphics window second: drew %lld of %lld pictures, %llu "
                                       "frame ticks dropped\n",
                                       static_cast<long long>(now.drawn - m_graphicsCounts.drawn),
                                       static_cast<long long>(now.received - m_graphicsCounts.received),
                                       static_cast<unsigned long long>(now.dropped - m_graphicsCounts.dropped)));
    }
    m_graphicsCounts = now;
}

void ProgramShell::placeWindow(ScreenDialog& dialog, const core::Settings& settings, bool first) {
    if (first) {
        // The first screen opens where the last run left it (when that is on a screen now).
        if (settings.masterDlgLeft != 0 || settings.masterDlgTop != 0) {
            const QPoint stored(settings.masterDlgLeft, settings.masterDlgTop);
            if (QGuiApplication::screenAt(stored + QPoint(40, 40)) != nullptr) {
                dialog.move(stored);
            }
        }
        return;
    }
    // A screen switch keeps the window where it was, as large as it was, full screen or not.
    dialog.setGeometry(m_window.geometry);
    dialog.setWindowState(m_window.state);
}

void ProgramShell::firstScreenShown(ScreenDialog& dialog) {
    // The first screen's start: the setup the performer asked to have loaded at start, else the
    // start-up setup from the program folder (the demo of a fresh installation) with its song,
    // which starts playing. A setup of the performer's own is never replaced by the start-up one.
    bool ownSetup = false;
    std::error_code error;
    if (!m_sessionSetup.empty() && std::filesystem::exists(m_sessionSetup, error)) {
        ownSetup = m_session->commands().loadSetup(m_sessionSetup);
    } else if (m_sessionSetup.empty() && dialog.settings().loadSetupAtStart &&
               !dialog.settings().currentSetupPath.empty()) {
        ownSetup = m_session->commands().loadSetup(dialog.settings().currentSetupPath);
    }
    const std::filesystem::path startup = m_environment.programDirectory / "StartUp.mks";
    if (!ownSetup && m_settings.loadStartupSong != 0 && std::filesystem::exists(startup) &&
        m_session->commands().loadSetup(startup) && m_session->song().hasSong()) {
        m_session->commands().play();
    }
    dialog.setWindowTitle(ScreenDialog::captionFor(m_session->setupName()));
    dialog.refresh();
    // The graphics window was open when the program last ended: it opens again where it was.
    if (dialog.settings().graphicWindowOpen != 0) {
        m_videoOutput->open();
    }
}

ProgramShell::ProgramShell(core::Notifier& notifier, std::filesystem::path settingsFile,
                           core::SettingsEnvironment environment)
    : m_notifier(notifier), m_settingsFile(std::move(settingsFile)), m_environment(std::move(environment)),
      m_loop(m_state, m_notifier, m_settingsFile) {}

void ProgramShell::run() {
    if (StartupTiming::enabled()) {
        m_timing = std::make_unique<StartupTiming>();
    }
    m_state.appDirectory = m_environment.programDirectory;
    // The keyboard layout's language: the input locale Qt reports for the keyboard, else the
    // environment's locale (read once on the UI thread before any other thread of the program runs).
    std::string locale;
    if (QGuiApplication::inputMethod() != nullptr) {
        locale = QGuiApplication::inputMethod()->locale().name().toStdString();
    }
    if (locale.empty() || locale == "C") {
        const char* variable = std::getenv("LC_ALL"); // NOLINT(concurrency-mt-unsafe)
        if (variable == nullptr || *variable == '\0') {
            variable = std::getenv("LANG"); // NOLINT(concurrency-mt-unsafe)
        }
        locale = variable != nullptr ? variable : "";
    }
    m_state.keyboardLayout = session::keyboardLayoutForLocale(locale);

    platform::Status status = platform::Status::success();
    m_settings = core::loadSettingsFile(m_settingsFile, m_environment, &status);
    if (!status.ok()) {
        core::showMessage(m_notifier,
                          "The settings could not be read; Tonwerk starts with its defaults.\n" + status.message(),
                          core::MessageKind::Warning);
    }
    if (m_settings.changeSysColor != 0) {
        QApplication::setPalette(programColourScheme(QApplication::palette()));
    }

    // The engines of the run, before any screen: the worker thread starts here.
    m_screen = std::make_unique<Screen>();
    session::SessionHooks hooks;
    hooks.notifier = &m_notifier;
    hooks.screen = m_screen.get();
    hooks.search = &m_searchRelay;
    m_pictures = std::make_unique<Pictures>(*this);
    hooks.pictures = m_pictures.get();
    session::SessionOptions options;
    options.programDirectory = m_environment.programDirectory;
    options.pcKeyboard = true;
    options.logFile = m_settingsFile.parent_path() / "Tonwerk.log";
    if (qEnvironmentVariableIsSet("TONWERK_AUDIO_NONE")) {
        options.sound = session::SessionOptions::Sound::None; // tests and headless runs
    }
    m_session = std::make_unique<session::Session>(m_settings, hooks, options);
    m_videoOutput = std::make_unique<VideoOutput>(*m_session);
    if (m_timing) {
        m_graphicsSecond = std::make_unique<QTimer>();
        m_graphicsSecond->setInterval(1000);
        QObject::connect(m_graphicsSecond.get(), &QTimer::timeout, [this] { reportGraphicsSecond(); });
        m_graphicsSecond->start();
    }
    m_loop.setExitActions({[this] { m_session->requestExit(); }, {}});

    startJoystick();
    auto* qtNotifier = dynamic_cast<QtNotifier*>(&m_notifier);
    m_loop.run(m_settings, [this, qtNotifier](const core::Settings& handed) {
        core::Settings settings = handed;
        const bool first = m_state.firstScreen;
        if (first) {
            startDevices(settings);
        }
        ScreenDialog dialog(m_state.currentScreen, settings, *m_session, m_loop);
        dialog.setAskLoadSetupAtStart(m_sessionSetup.empty());
        m_screen->setTarget(&dialog);
        m_searchRelay.setTarget(&dialog);
        m_shownScreen = &dialog;
        dialog.setVideoOutput(m_videoOutput.get());
        if (qtNotifier != nullptr) {
            qtNotifier->setParentWidget(&dialog);
        }
        placeWindow(dialog, settings, first);
        if (m_timing) {
            m_timing->watchFirstPaint(dialog, first ? "first screen" : "next screen");
        }
        if (first) {
            QTimer::singleShot(0, &dialog, [this, &dialog] { firstScreenShown(dialog); });
        }
        dialog.exec();
        if (m_timing && !m_state.quitRequested) {
            m_timing->switchStarted();
        }
        m_window = {dialog.geometry(), dialog.windowState()};
        m_screen->setTarget(nullptr);
        m_searchRelay.setTarget(nullptr);
        m_shownScreen = nullptr;
        if (qtNotifier != nullptr) {
            qtNotifier->setParentWidget(nullptr);
        }
        return dialog.settings();
    });
    // The last screen has closed: the session shuts down in order.
    if (m_joystickTimer) {
        m_joystickTimer->stop();
    }
    m_graphicsSecond.reset();
    if (m_clock) {
        m_clock->stop();
    }
    if (m_midiInput) {
        m_midiInput->setEnabled(false);
    }
    m_videoOutput.reset();
    m_session->shutdown();
}

} // namespace tonwerk::ui
