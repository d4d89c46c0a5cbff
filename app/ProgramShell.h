#pragma once

#include "core/Notifier.h"
#include "core/Settings.h"
#include "screens/MediaSearchRelay.h"
#include "session/ScreenLoop.h"

#include <QPalette>
#include <QRect>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace tonwerk::session {
class Session;
}

namespace tonwerk::ui {

class JoystickInput;
class ScreenDialog;
class StartupTiming;
class VideoOutput;

// The program's lifetime on the Qt side: loads the settings, builds the session (the engines of
// the run), applies the colour scheme, shows the performance screens in the screen loop until Exit
// is confirmed, storing the settings after each, and shuts the session down in order.
// User-interface thread only.
class ProgramShell {
public:
    ProgramShell(core::Notifier& notifier, std::filesystem::path settingsFile, core::SettingsEnvironment environment);
    ~ProgramShell();
    ProgramShell(const ProgramShell&) = delete;
    ProgramShell& operator=(const ProgramShell&) = delete;

    // Runs the whole program; returns when the performer has confirmed Exit (or quit() ended it).
    void run();

    // A session manager's session: the setup lives in `setupFile` (loaded on the first screen when
    // it exists, written by saveSession) beside the settings file the shell was given. Before run().
    void setManagedSession(std::filesystem::path setupFile) { m_sessionSetup = std::move(setupFile); }
    // The session manager's save: the setup, its song (when there is one) and the settings into
    // the session's files. Empty when all were written, else what failed.
    [[nodiscard]] std::string saveSession();
    // Ends the program as a confirmed Exit does, without asking (SIGTERM, SIGINT, the session
    // manager); a screen shown closes, none more opens.
    void quit();

    [[nodiscard]] session::AppState& state() { return m_state; }
    [[nodiscard]] const core::Settings& settings() const { return m_settings; }
    // The session of the run (null before run(); shut down once run() has returned).
    [[nodiscard]] session::Session* session() { return m_session.get(); }

private:
    class Screen;
    class Pictures;
    // The first screen's start: the session's devices (the PC keyboard plays when there is no
    // MIDI input), MIDI input delivery on this thread and the dispatcher's 4 ms tick.
    void startDevices(core::Settings& settings);
    // Where a screen's window opens: the stored position for the first, the last screen's
    // geometry and state (maximised, full screen) after a switch.
    void placeWindow(ScreenDialog& dialog, const core::Settings& settings, bool first);
    // The joystick, read every kJoystickPollMs and handed to the screen shown.
    void startJoystick();
    // Once the first screen shows: the start-up setup and its song, the setup asked for at start.
    void firstScreenShown(ScreenDialog& dialog);

    core::Notifier& m_notifier;
    std::filesystem::path m_settingsFile;
    std::filesystem::path m_sessionSetup; // a session manager's setup file; empty outside one
    core::SettingsEnvironment m_environment;
    session::AppState m_state;
    core::Settings m_settings;
    session::ScreenLoop m_loop;
    struct WindowPlacement {
        QRect geometry;
        Qt::WindowStates state;
    };
    WindowPlacement m_window;
    std::unique_ptr<StartupTiming> m_timing; // TONWERK_TIMING: benchmark timings on stderr
    static constexpr int kJoystickPollMs = 10;
    std::unique_ptr<JoystickInput> m_joystickInput;
    std::unique_ptr<QTimer> m_joystickTimer;
    ScreenDialog* m_shownScreen = nullptr;
    std::unique_ptr<Screen> m_screen;
    MediaSearchRelay m_searchRelay; // the loader's "Search File" question, to the screen shown
    std::unique_ptr<Pictures> m_pictures;
    std::unique_ptr<session::Session> m_session;
    std::unique_ptr<VideoOutput> m_videoOutput; // the graphics window: outlives screen switches
    // TONWERK_TIMING: the graphics window's pictures each second.
    void reportGraphicsSecond();
    std::unique_ptr<QTimer> m_graphicsSecond;
    struct GraphicsCounts {
        const void* window = nullptr;
        std::int64_t drawn = 0;
        std::int64_t received = 0;
        std::uint64_t dropped = 0;
    };
    GraphicsCounts m_graphicsCounts;
    std::unique_ptr<QSocketNotifier> m_midiInput;
    std::unique_ptr<QTimer> m_clock;
    std::uint32_t m_nextTickMs = 0;
};

// The program colour scheme (dark green with yellow and cyan text) as a palette. It is applied to
// this program's own widgets only: the desktop's colours are never touched, so there is nothing to
// restore at exit.
[[nodiscard]] QPalette programColourScheme(const QPalette& base);

} // namespace tonwerk::ui
