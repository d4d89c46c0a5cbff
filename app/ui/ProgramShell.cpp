#include "ProgramShell.h"

#include "QtNotifier.h"
#include "app/ErrorReporting.h"
#include "screens/ScreenDialog.h"

#include <QApplication>

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

ProgramShell::ProgramShell(app::Notifier& notifier, std::filesystem::path settingsFile,
                           app::SettingsEnvironment environment)
    : m_notifier(notifier), m_settingsFile(std::move(settingsFile)), m_environment(std::move(environment)),
      m_loop(m_state, m_notifier, m_settingsFile) {}

void ProgramShell::run() {
    m_state.appDirectory = m_environment.programDirectory;
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr || *locale == '\0') {
        locale = std::getenv("LANG");
    }
    m_state.keyboardLayout = app::keyboardLayoutForLocale(locale != nullptr ? locale : "");

    platform::Status status = platform::Status::success();
    m_settings = app::loadSettingsFile(m_settingsFile, m_environment, &status);
    if (!status.ok()) {
        app::showMessage(m_notifier,
                         "The settings could not be read; Tonwerk starts with its defaults.\n" + status.message(),
                         app::MessageKind::Warning);
    }
    if (m_settings.changeSysColor != 0) {
        QApplication::setPalette(programColourScheme(QApplication::palette()));
    }

    auto* qtNotifier = dynamic_cast<QtNotifier*>(&m_notifier);
    m_loop.run(m_settings, [this, qtNotifier](const app::Settings& settings) {
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
}

} // namespace tonwerk::ui
