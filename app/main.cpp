#include "ProgramShell.h"
#include "QtNotifier.h"
#include "StartupTiming.h"

#include <QApplication>

int main(int argc, char** argv) {
    tonwerk::ui::TimedApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonwerk"));
    tonwerk::ui::QtNotifier notifier;
    tonwerk::ui::ProgramShell shell(notifier, tonwerk::core::settingsFilePath(),
                                    tonwerk::core::SettingsEnvironment::current());
    shell.run();
    return 0;
}
