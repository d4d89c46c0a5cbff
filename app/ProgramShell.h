#pragma once

#include "audio/AudioClock.h"
#include "audio/AudioEngine.h"
#include "core/Notifier.h"
#include "core/Settings.h"
#include "session/Engine.h"
#include "session/ScreenLoop.h"

#include <QPalette>

#include <filesystem>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace tonwerk::platform {
class MidiPorts;
}
namespace tonwerk::midi {
class MidiDeviceManager;
}

namespace tonwerk::ui {

// The program's lifetime on the Qt side: loads the settings, applies the colour scheme, shows the
// performance screens in the screen loop until Exit is confirmed, storing the settings after each.
// User-interface thread only.
class ProgramShell {
public:
    ProgramShell(core::Notifier& notifier, std::filesystem::path settingsFile, core::SettingsEnvironment environment);

    // Runs the whole program; returns when the performer has confirmed Exit.
    void run();

    [[nodiscard]] session::AppState& state() { return m_state; }
    [[nodiscard]] const core::Settings& settings() const { return m_settings; }
    // The engines, once the first screen has started the devices (null before).
    [[nodiscard]] session::Engine* engine() { return m_engine.get(); }
    ~ProgramShell();

private:
    class Screen;
    class Search;
    // The first screen's start-up: MIDI devices (the PC keyboard plays when there is no input),
    // the engines, MIDI input delivery and the 4 ms clock. They live until the program ends.
    void startDevices(core::Settings& settings);
    // The end of the program: every sounding note ended, a note-off for every key on every
    // channel, the devices closed.
    void closeDevices();
    // Opens the sound device and starts the audio clock, on the first screen.
    void startAudio(core::Settings& settings);

    core::Notifier& m_notifier;
    std::filesystem::path m_settingsFile;
    core::SettingsEnvironment m_environment;
    session::AppState m_state;
    core::Settings m_settings;
    session::ScreenLoop m_loop;
    std::string m_setupName;
    std::unique_ptr<platform::MidiPorts> m_ports;
    std::unique_ptr<Screen> m_screen;
    std::unique_ptr<Search> m_search;
    std::unique_ptr<midi::MidiDeviceManager> m_devices;
    std::unique_ptr<audio::AudioEngine> m_audio;
    std::unique_ptr<audio::AudioClock> m_audioClock;
    std::unique_ptr<session::Engine> m_engine;
    std::unique_ptr<QSocketNotifier> m_midiInput;
    std::unique_ptr<QTimer> m_clock;
    std::uint32_t m_clockMs = 0;
};

// The program colour scheme (dark green with yellow and cyan text) as a palette. It is applied to
// this program's own widgets only: the desktop's colours are never touched, so there is nothing to
// restore at exit.
[[nodiscard]] QPalette programColourScheme(const QPalette& base);

} // namespace tonwerk::ui
