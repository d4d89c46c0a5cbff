#pragma once

#include "core/Notifier.h"
#include "core/Settings.h"
#include "midi/Split.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>

namespace tonwerk::session {

// The dialog resource that shows each performance screen.
inline constexpr int kMasterScreenDialogId = 113;
inline constexpr int kRockScreenDialogId = 341;
inline constexpr int kDjScreenDialogId = 344;

[[nodiscard]] int screenDialogIdFor(midi::ScreenKind screen);

// The program's lifetime state: which screen shows next and whether the loop must end.
struct AppState {
    midi::ScreenKind currentScreen = midi::ScreenKind::Dj;
    int screenDialogId = kDjScreenDialogId;
    bool quitRequested = false;
    bool firstScreen = true;
    std::atomic<bool> stopWorker{false}; // read by the worker thread
    std::filesystem::path appDirectory;
    std::uint32_t keyboardLayout = 0x0409;
};

// What the Exit command shuts down before the loop ends. Each action is optional until the engine
// it belongs to exists.
struct ExitActions {
    std::function<void()> stopSongTransport;   // the session's requestExit: worker joined, song stopped
    std::function<bool()> closeGraphicsWindow; // false: the window refused to close
};

// Shows the performance screens one after another until Exit is confirmed, and writes the settings
// after each. The screen itself is the host's (a Qt dialog, a test's fake).
// User-interface thread only.
class ScreenLoop {
public:
    // Shows one screen dialog modally for `state.screenDialogId` with a copy of the settings and
    // returns the settings the dialog hands back when it closes.
    using ShowScreen = std::function<core::Settings(const core::Settings&)>;

    ScreenLoop(AppState& state, core::Notifier& notifier, std::filesystem::path settingsFile);

    // Repeats runScreen until quitRequested; the first screen is the DJ screen.
    void run(core::Settings& settings, const ShowScreen& showScreen);

    // One screen: show it, take its settings back and store them. A failed store is reported.
    void runScreen(core::Settings& settings, const ShowScreen& showScreen);

    // A screen-switch command: the current dialog ends and the loop shows `screen` next.
    void switchScreen(midi::ScreenKind screen);

    // The Exit command: asks "Are you sure you want to exit Tonwerk?". On Yes it stops the worker,
    // the song transport and the graphics window, sets quitRequested and returns true (the caller
    // ends the dialog); on No nothing changes and it returns false.
    // Without actions, the ones set with setExitActions run.
    bool exitCommand(const ExitActions& actions);
    bool exitCommand() { return exitCommand(m_exitActions); }
    // What a confirmed Exit does, without the question: the program is told to end (a signal, the
    // session manager). The caller ends the dialog.
    void quit(const ExitActions& actions);
    void quit() { quit(m_exitActions); }
    void setExitActions(ExitActions actions) { m_exitActions = std::move(actions); }

    [[nodiscard]] AppState& state() { return m_state; }
    [[nodiscard]] const std::filesystem::path& settingsFile() const { return m_settingsFile; }

private:
    AppState& m_state;
    core::Notifier& m_notifier;
    std::filesystem::path m_settingsFile;
    ExitActions m_exitActions;
};

// The keyboard layout identifier (language in the low 16 bits) for a POSIX locale name such as
// "de_DE.UTF-8": German 0x0407, US English 0x0409, and so on; unknown languages give 0x0409.
[[nodiscard]] std::uint32_t keyboardLayoutForLocale(std::string_view locale);

} // namespace tonwerk::session
