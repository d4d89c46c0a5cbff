#include "NsmClient.h"
#include "ProgramShell.h"
#include "QtNotifier.h"
#include "QuitSignals.h"
#include "StartupTiming.h"

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <cstdio>
#include <filesystem>

namespace {

// How long the program waits for a session manager's open after its announce, in ms.
constexpr int kOpenWaitMs = 5000;

} // namespace

int main(int argc, char** argv) {
    using namespace tonwerk;
    ui::TimedApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonwerk"));
    // The desktop matches the windows to the installed launcher entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tonwerk.Tonwerk"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tonwerk.Tonwerk")));
    ui::QtNotifier notifier;

    // Under a session manager the session's folder holds the settings and the setup, so the
    // session brings back the ports, the sound device and the setup it was saved with.
    std::filesystem::path settingsFile = core::settingsFilePath();
    std::filesystem::path sessionSetup;
    std::unique_ptr<ui::NsmClient> manager = ui::NsmClient::fromEnvironment();
    if (manager) {
        manager->announce(argc > 0 ? argv[0] : "tonwerk");
        if (const auto open = manager->waitForOpen(kOpenWaitMs)) {
            const std::filesystem::path folder = open->path;
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            if (error) {
                manager->fail(ui::NsmClient::kOpen, -9, "the session folder cannot be made: " + error.message());
            } else {
                settingsFile = folder / "Tonwerk.ini";
                sessionSetup = folder / "Tonwerk.mks";
                manager->reply(ui::NsmClient::kOpen, "OK");
            }
        } else {
            static_cast<void>(std::fprintf(stderr, "Tonwerk: the session manager did not open a session\n"));
        }
    }

    ui::ProgramShell shell(notifier, settingsFile, core::SettingsEnvironment::current());
    if (!sessionSetup.empty()) {
        shell.setManagedSession(sessionSetup);
    }
    ui::QuitSignals quitSignals([&shell] { shell.quit(); });
    std::unique_ptr<QSocketNotifier> managerSocket;
    if (manager) {
        manager->onSave = [&shell, &manager] {
            const std::string failed = shell.saveSession();
            if (failed.empty()) {
                manager->reply(ui::NsmClient::kSave, "OK");
            } else {
                manager->fail(ui::NsmClient::kSave, -10, failed);
            }
        };
        managerSocket = std::make_unique<QSocketNotifier>(manager->socketDescriptor(), QSocketNotifier::Read);
        QObject::connect(managerSocket.get(), &QSocketNotifier::activated, [&manager] { manager->receive(); });
    }
    shell.run();
    return 0;
}
