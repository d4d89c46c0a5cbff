#pragma once

#include "app/Notifier.h"
#include "app/ScreenLoop.h"
#include "app/Settings.h"

#include <QPalette>

#include <filesystem>
#include <string>

namespace tonwerk::ui {

// The program's lifetime on the Qt side: loads the settings, applies the colour scheme, shows the
// performance screens in the screen loop until Exit is confirmed, storing the settings after each.
// User-interface thread only.
class ProgramShell {
public:
    ProgramShell(app::Notifier& notifier, std::filesystem::path settingsFile, app::SettingsEnvironment environment);

    // Runs the whole program; returns when the performer has confirmed Exit.
    void run();

    [[nodiscard]] app::AppState& state() { return m_state; }
    [[nodiscard]] const app::Settings& settings() const { return m_settings; }

private:
    app::Notifier& m_notifier;
    std::filesystem::path m_settingsFile;
    app::SettingsEnvironment m_environment;
    app::AppState m_state;
    app::Settings m_settings;
    app::ScreenLoop m_loop;
    std::string m_setupName;
};

// The program colour scheme (dark green with yellow and cyan text) as a palette. It is applied to
// this program's own widgets only: the desktop's colours are never touched, so there is nothing to
// restore at exit.
[[nodiscard]] QPalette programColourScheme(const QPalette& base);

} // namespace tonwerk::ui
