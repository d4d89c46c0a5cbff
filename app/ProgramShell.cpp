#include "ProgramShell.h"

#include "QtNotifier.h"
#include "core/ErrorReporting.h"
#include "screens/ScreenDialog.h"

#include "midi/MidiDeviceManager.h"
#include "platform/MidiPorts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

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
    return p;
}

// What the screens show of the engine for now: device losses and returns go to the error stream
// until the screens have their status line.
class ProgramShell::Screen final : public midi::ScreenFeedback {
public:
    void deviceStatus(const std::string& text) override {
        static_cast<void>(std::fprintf(stderr, "Tonwerk: %s\n", text.c_str()));
    }
};

// The search dialog comes with the dialogs; until then a missing media file is skipped.
class ProgramShell::Search final : public setups::MediaSearch {
public:
    Result search(int /*split*/, const std::string& /*storedPath*/, midi::SplitTask /*task*/) override { return {}; }
};

ProgramShell::~ProgramShell() = default;

void ProgramShell::startDevices(core::Settings& settings) {
    m_ports = std::make_unique<platform::MidiPorts>();
    m_screen = std::make_unique<Screen>();
    m_search = std::make_unique<Search>();
    m_audio = std::make_unique<audio::AudioEngine>(m_notifier, session::audioSettingsOf(settings));
    m_devices = std::make_unique<midi::MidiDeviceManager>(*m_ports, m_notifier, *m_screen);
    const bool haveInput = m_devices->startDevices(settings.midiInDevice, settings.midiInDeviceName,
                                                   settings.midiOutDevice, settings.midiOutDeviceName);
    if (!haveInput) {
        // No MIDI input: the PC keyboard plays, with velocity 100.
        settings.pcKeyboardActive = 1;
        settings.keyboardVelocity = 100;
    }
    m_engine =
        std::make_unique<session::Engine>(*m_devices, *m_audio, *m_screen, m_notifier, *m_search,
                                          setups::MediaFolders{m_environment.programDirectory, settings.setupPath, {}});
    m_devices->attach(m_engine->performance());
    startAudio(settings);
    auto& options = m_engine->performance().options();
    options.keyboardVelocity =
        (settings.keyboardVelocity < 0 || settings.keyboardVelocity > 127) ? 127 : settings.keyboardVelocity;
    options.programChangeSelectsSetup = settings.programChangeSelectsSetup != 0;
    options.markNotes = settings.markNotes != 0;

    // Input arrives on the MIDI system's thread and is dispatched here the moment it is queued.
    m_midiInput = std::make_unique<QSocketNotifier>(m_ports->input().wakeDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_midiInput.get(), &QSocketNotifier::activated, [this] {
        m_ports->input().wait(0); // takes the wake-up
        std::uint32_t message = 0;
        while (m_ports->input().pop(message)) {
            m_engine->performance().onMidiData(midi::MidiSource::Device, message);
        }
    });
    m_clock = std::make_unique<QTimer>();
    m_clock->setTimerType(Qt::PreciseTimer);
    m_clock->setInterval(4);
    QObject::connect(m_clock.get(), &QTimer::timeout, [this] {
        m_clockMs += 4;
        m_engine->clockTick(m_clockMs);
        if (m_clockMs % 500 == 0) {
            m_devices->watch();
        }
    });
    m_clock->start();
}

void ProgramShell::startAudio(core::Settings& settings) {
    midi::Performance& performance = m_engine->performance();
    m_audio->attach([&performance](int index) -> midi::Split& { return performance.split(index); });
    m_engine->attachAudio(m_audio.get());
    // The stored device: Data1 (32 bits, decimal text), Data2, Data3 (16 bits), Data4 (8 bytes).
    audio::OutputChoice choice;
    const std::uint32_t data1 =
        static_cast<std::uint32_t>(std::strtoul(settings.soundDeviceData1.c_str(), nullptr, 10));
    for (int i = 0; i < 4; ++i) {
        choice.id[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data1 >> (8 * i));
    }
    for (int i = 0; i < 2; ++i) {
        choice.id[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(settings.soundDeviceData2 >> (8 * i));
        choice.id[6 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(settings.soundDeviceData3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i) {
        choice.id[8 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(settings.soundDeviceData4[static_cast<std::size_t>(i)]);
    }
    if (qEnvironmentVariableIsSet("TONWERK_AUDIO_NONE")) {
        choice.kind = audio::OutputChoice::Kind::None; // tests and headless runs
    }
    const bool stored = !platform::isDefaultDevice(choice.id);
    m_audio->initDirectSound(choice);
    if (stored && platform::isDefaultDevice(choice.id)) {
        // A stored device that is gone is forgotten: the default device from now on.
        settings.soundDeviceData1 = "0";
        settings.soundDeviceData2 = settings.soundDeviceData3 = 0;
        settings.soundDeviceData4.fill(0);
    }
    m_audioClock = std::make_unique<audio::AudioClock>(*m_audio);
    m_audioClock->startAudioClock();
}

void ProgramShell::closeDevices() {
    if (!m_engine) {
        return;
    }
    m_clock->stop();
    m_midiInput->setEnabled(false);
    m_engine->shutdown();
    m_devices->closeDevices();
    m_audioClock->stop();
    m_audio->shutdownAudio();
}

ProgramShell::ProgramShell(core::Notifier& notifier, std::filesystem::path settingsFile,
                           core::SettingsEnvironment environment)
    : m_notifier(notifier), m_settingsFile(std::move(settingsFile)), m_environment(std::move(environment)),
      m_loop(m_state, m_notifier, m_settingsFile) {}

void ProgramShell::run() {
    m_state.appDirectory = m_environment.programDirectory;
    // Read once on the UI thread before any other thread of the program runs.
    const char* locale = std::getenv("LC_ALL"); // NOLINT(concurrency-mt-unsafe)
    if (locale == nullptr || *locale == '\0') {
        locale = std::getenv("LANG"); // NOLINT(concurrency-mt-unsafe)
    }
    m_state.keyboardLayout = session::keyboardLayoutForLocale(locale != nullptr ? locale : "");

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

    auto* qtNotifier = dynamic_cast<QtNotifier*>(&m_notifier);
    m_loop.run(m_settings, [this, qtNotifier](const core::Settings& handed) {
        core::Settings settings = handed;
        if (m_state.firstScreen) {
            startDevices(settings);
        }
        ScreenDialog dialog(m_state.screenDialogId, settings, m_loop, m_setupName);
        if (qtNotifier != nullptr) {
            qtNotifier->setParentWidget(&dialog);
        }
        dialog.exec();
        if (qtNotifier != nullptr) {
            qtNotifier->setParentWidget(nullptr);
        }
        return dialog.settings();
    });
    closeDevices();
}

} // namespace tonwerk::ui
