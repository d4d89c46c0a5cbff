#include "ScreenLoop.h"

#include "core/ErrorReporting.h"
#include "res/Strings.h"

#include <algorithm>
#include <string>
#include <utility>

namespace tonwerk::session {

int screenDialogIdFor(midi::ScreenKind screen) {
    switch (screen) {
    case midi::ScreenKind::Master:
        return kMasterScreenDialogId;
    case midi::ScreenKind::Rock:
        return kRockScreenDialogId;
    case midi::ScreenKind::Dj:
    case midi::ScreenKind::Easy:
        break;
    }
    return kDjScreenDialogId;
}

ScreenLoop::ScreenLoop(AppState& state, core::Notifier& notifier, std::filesystem::path settingsFile)
    : m_state(state), m_notifier(notifier), m_settingsFile(std::move(settingsFile)) {}

void ScreenLoop::run(core::Settings& settings, const ShowScreen& showScreen) {
    // The program always starts on the DJ screen.
    m_state.firstScreen = true;
    m_state.currentScreen = midi::ScreenKind::Dj;
    m_state.screenDialogId = kDjScreenDialogId;
    m_state.quitRequested = false;
    while (!m_state.quitRequested) {
        runScreen(settings, showScreen);
        m_state.firstScreen = false;
    }
}

void ScreenLoop::runScreen(core::Settings& settings, const ShowScreen& showScreen) {
    settings = showScreen(settings);
    const platform::Status saved = core::saveSettingsFile(m_settingsFile, settings);
    if (!saved.ok()) {
        core::showMessage(m_notifier, "The settings could not be saved.\n" + saved.message(), core::MessageKind::Error);
    }
}

void ScreenLoop::switchScreen(midi::ScreenKind screen) {
    m_state.currentScreen = screen;
    m_state.screenDialogId = screenDialogIdFor(screen);
    m_state.quitRequested = false;
}

bool ScreenLoop::exitCommand(const ExitActions& actions) {
    core::MessageRequest question;
    question.text = "Are you sure you want to exit Tonwerk?";
    question.caption = res::loadString(res::StringId::kCaptionWarning);
    question.icon = core::MessageIcon::Question;
    question.buttons = core::MessageButtons::YesNo;
    if (m_notifier.notify(question) != core::MessageAnswer::Yes) {
        return false;
    }
    quit(actions);
    return true;
}

void ScreenLoop::quit(const ExitActions& actions) {
    // The worker thread ends its loop on this flag; its owner joins it at shutdown rather than
    // waiting a fixed time.
    m_state.stopWorker.store(true);
    if (actions.stopSongTransport) {
        actions.stopSongTransport();
    }
    if (actions.closeGraphicsWindow && !actions.closeGraphicsWindow()) {
        core::showMessage(m_notifier, res::StringId::kGraphicWindowNotEnded, core::MessageKind::Error);
    }
    m_state.quitRequested = true;
}

std::uint32_t keyboardLayoutForLocale(std::string_view locale) {
    struct Language {
        std::string_view code;
        std::uint32_t id;
    };
    // Windows language identifiers of the common keyboard languages.
    constexpr Language kLanguages[] = {
        {"de", 0x0407}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en", 0x0809}, {"fr", 0x040C},
        {"it", 0x0410}, {"es", 0x0C0A},    {"nl", 0x0413},    {"sv", 0x041D}, {"da", 0x0406},
        {"nb", 0x0414}, {"fi", 0x040B},    {"pl", 0x0415},    {"cs", 0x0405}, {"pt", 0x0816},
    };
    if (locale.empty() || locale == "C" || locale.starts_with("C.") || locale == "POSIX") {
        return 0x0409;
    }
    for (const Language& language : kLanguages) {
        if (locale.starts_with(language.code) &&
            (locale.size() == language.code.size() || locale[language.code.size()] == '_' ||
             locale[language.code.size()] == '.' || locale[language.code.size()] == '@')) {
            return language.id;
        }
    }
    return 0x0409;
}

} // namespace tonwerk::session
