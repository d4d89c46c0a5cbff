#include "ProgramShell.h"
#include "QtNotifier.h"
#include "StartupTiming.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    tonwerk::ui::TimedApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonwerk"));
    // The desktop matches the windows to the installed launcher entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tonwerk.Tonwerk"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tonwerk.Tonwerk")));
    tonwerk::ui::QtNotifier notifier;
    tonwerk::ui::ProgramShell shell(notifier, tonwerk::core::settingsFilePath(),
                                    tonwerk::core::SettingsEnvironment::current());
    shell.run();
    return 0;
}
