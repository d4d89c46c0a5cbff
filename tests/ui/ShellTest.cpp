#include "app/ProgramShell.h"
#include "app/QtNotifier.h"
#include "screens/ScreenCommands.h"
#include "screens/ScreenDialog.h"
#include "screens/controls/BitmapButton.h"
#include "session/Session.h"
#include "support/RecordingNotifier.h"
#include "support/ScreenRig.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

using namespace tonwerk;
using tonwerk::test::readFile;
using tonwerk::test::RecordingNotifier;
using tonwerk::test::TempDir;
using tonwerk::ui::ScreenDialog;

namespace {

ScreenDialog* visibleScreen() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<ScreenDialog*>(w); dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// A plain left click at the centre of a screen control.
void click(ScreenDialog* dialog, int id) {
    ui::BitmapButton* button = dialog->button(id);
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Drives the modal screens from inside their event loops: each step runs once a screen is visible
// and returns true when it is done. A run that stalls is ended and fails.
class Script {
public:
    using Step = std::function<bool(ScreenDialog*)>;

    explicit Script(std::vector<Step> steps, RecordingNotifier& notifier)
        : m_steps(std::move(steps)), m_notifier(notifier) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
        m_clock.start();
    }
    [[nodiscard]] bool finished() const { return m_next == m_steps.size(); }

private:
    void tick() {
        ScreenDialog* dialog = visibleScreen();
        if (m_clock.elapsed() > 10000) {
            ADD_FAILURE() << "the screen loop stalled at step " << m_next;
            m_timer.stop();
            if (dialog != nullptr) {
                m_notifier.answerNext(core::MessageAnswer::Yes);
                dialog->exitCommand();
            }
            return;
        }
        if (dialog == nullptr || finished()) {
            return;
        }
        if (m_steps[m_next](dialog)) {
            ++m_next;
        }
        if (finished()) {
            m_timer.stop();
        }
    }

    std::vector<Step> m_steps;
    RecordingNotifier& m_notifier;
    std::size_t m_next = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

TEST(ProgramShell, ShowsTheDjScreenAndEndsOnlyOnConfirmedExit) {
    TempDir dir;
    const auto settingsFile = dir / "config" / "tonwerk" / "Tonwerk.ini";
    RecordingNotifier notifier;
    ui::ProgramShell shell(notifier, settingsFile, core::SettingsEnvironment{dir.path(), dir.path(), {}});

    ScreenDialog* first = nullptr;
    Script script({
                      [&](ScreenDialog* d) {
                          first = d;
                          EXPECT_EQ(d->dialogId(), session::kDjScreenDialogId);
                          EXPECT_EQ(d->width(), 801);
                          EXPECT_EQ(d->height(), 584);
                          EXPECT_EQ(d->windowTitle(), QStringLiteral("ORVAN Tonwerk  "));
                          // Real rendering: the ground is the program's dark green.
                          const QImage picture = d->grab().toImage();
                          const QColor ground = picture.pixelColor(5, 300);
                          EXPECT_GT(ground.green(), 0x30);
                          EXPECT_LT(ground.red(), 0x10);
                          EXPECT_LT(ground.blue(), 0x10);
                          notifier.answerNext(core::MessageAnswer::No);
                          click(d, ui::CommandId::kExit);
                          return true;
                      },
                      [&](ScreenDialog* d) {
                          EXPECT_EQ(d, first) << "Exit answered No must keep the screen";
                          notifier.answerNext(core::MessageAnswer::No);
                          d->close(); // the window's close box asks too
                          return true;
                      },
                      [&](ScreenDialog* d) {
                          EXPECT_EQ(d, first);
                          EXPECT_EQ(notifier.count(), 2u);
                          click(d, ui::CommandId::kMasterButton);
                          return true;
                      },
                      [&](ScreenDialog* d) {
                          if (d->dialogId() != session::kMasterScreenDialogId) {
                              return false; // the switch has not reached the loop yet
                          }
                          EXPECT_FALSE(shell.state().firstScreen);
                          notifier.answerNext(core::MessageAnswer::Yes);
                          click(d, ui::CommandId::kExit);
                          return true;
                      },
                  },
                  notifier);

    shell.run();

    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(shell.state().quitRequested);
    EXPECT_TRUE(shell.state().stopWorker);
    const auto shown = notifier.shown();
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& m : shown) {
        EXPECT_EQ(m.request.text, "Are you sure you want to exit Tonwerk?");
        EXPECT_EQ(m.request.caption, "Warning");
        EXPECT_EQ(m.request.buttons, core::MessageButtons::YesNo);
    }
    // No MIDI input on a test machine: the PC keyboard plays, with velocity 100, and the engines run.
    ASSERT_NE(shell.session(), nullptr);
    EXPECT_EQ(shell.settings().pcKeyboardActive, 1);
    EXPECT_EQ(shell.settings().keyboardVelocity, 100);
    EXPECT_EQ(shell.session()->performance().options().keyboardVelocity, 100);
    // The program's log beside the settings says, in Tonwerk's words, why the PC keyboard plays.
    const std::string log = readFile(settingsFile.parent_path() / "Tonwerk.log");
    EXPECT_NE(log.find("Tonwerk: no MIDI"), std::string::npos) << log;
    // The settings were written after each screen.
    const std::string text = readFile(settingsFile);
    EXPECT_NE(text.find("[Options]\nTagestip=0\n"), std::string::npos);
    EXPECT_NE(text.find("MasterDlgLeft="), std::string::npos);
}

// The first screen loads "StartUp.mks" from the program folder with its song and starts playing
// it; the caption names the setup.
TEST(ProgramShell, StartUpSetupAndSongOnTheFirstScreen) {
    TempDir dir;
    {
        // The start-up setup, written by a session of its own.
        test::ScreenRig rig;
        ASSERT_TRUE(rig.session->commands().saveSetup(dir / "StartUp.mks").ok());
    }
    // Its song: format 0, one note and the end of the track.
    const std::string track = std::string("\x00\x90\x3c\x64\x83\x00\x80\x3c\x00\x00\xff\x2f\x00", 13);
    std::string song = std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\x80", 14);
    song += std::string("MTrk\x00\x00\x00", 7) + static_cast<char>(track.size()) + track;
    test::writeFile(dir / "StartUp.mid", song);

    const auto settingsFile = dir / "config" / "Tonwerk.ini";
    RecordingNotifier notifier;
    ui::ProgramShell shell(notifier, settingsFile, core::SettingsEnvironment{dir.path(), dir.path(), {}});
    Script script({[&](ScreenDialog* d) {
                      if (d->windowTitle() != QStringLiteral("ORVAN Tonwerk  StartUp.mks")) {
                          return false; // the start-up setup loads once the screen shows
                      }
                      EXPECT_TRUE(shell.session()->song().hasSong());
                      EXPECT_NE(shell.session()->song().state(), song::Song::State::Stopped);
                      // A switch is refused while the song plays.
                      click(d, ui::CommandId::kMasterButton);
                      EXPECT_EQ(d->screen(), midi::ScreenKind::Dj);
                      click(d, ui::CommandId::kStop);
                      notifier.answerNext(core::MessageAnswer::Yes);
                      click(d, ui::CommandId::kExit);
                      return true;
                  }},
                  notifier);
    shell.run();
    EXPECT_TRUE(script.finished());
    // The program's own start-up setup is not offered for the next start: one question only.
    EXPECT_EQ(notifier.count(), 1U);
}

// Exit offers the setup loaded now for the next start; Yes loads it on the first screen of the
// next run, No stops that again, and a run without a setup of its own does not ask.
TEST(ProgramShell, TheLoadAtStartQuestionReachesTheNextStart) {
    TempDir dir;
    {
        test::ScreenRig rig;
        ASSERT_TRUE(rig.session->commands().saveSetup(dir / "Gig.mks").ok());
    }
    const auto settingsFile = dir / "config" / "Tonwerk.ini";
    // Each run: `onScreen` on the first screen until it returns true, then Exit.
    const auto run = [&](const std::function<bool(ui::ProgramShell&, ScreenDialog*)>& onScreen,
                         core::MessageAnswer loadAtStart) {
        RecordingNotifier notifier;
        ui::ProgramShell shell(notifier, settingsFile, core::SettingsEnvironment{dir.path(), dir.path(), {}});
        Script script({[&](ScreenDialog* d) {
                          if (!onScreen(shell, d)) {
                              return false;
                          }
                          notifier.answerNext(core::MessageAnswer::Yes);
                          notifier.answerNext(loadAtStart);
                          click(d, ui::CommandId::kExit);
                          return true;
                      }},
                      notifier);
        shell.run();
        EXPECT_TRUE(script.finished());
        std::vector<std::string> texts;
        for (const auto& shown : notifier.shown()) {
            texts.push_back(shown.request.text);
        }
        return texts;
    };
    const std::string exit = "Are you sure you want to exit Tonwerk?";
    const std::string question = "Setup beim nächsten Programmstart laden ?";

    // A fresh start: nothing loaded, so Exit asks only whether to exit.
    const auto nothing = [](ui::ProgramShell&, ScreenDialog*) { return true; };
    EXPECT_EQ(run(nothing, core::MessageAnswer::Yes), std::vector<std::string>{exit});

    // A setup loaded during the run (as the setup list or Open loads it): Exit offers it, and Yes
    // is stored with the setup's path.
    const auto loadGig = [&](ui::ProgramShell& shell, ScreenDialog*) {
        EXPECT_TRUE(shell.session()->commands().loadSetup(dir / "Gig.mks"));
        return true;
    };
    EXPECT_EQ(run(loadGig, core::MessageAnswer::Yes), (std::vector<std::string>{exit, question}));
    const std::string text = readFile(settingsFile);
    EXPECT_NE(text.find("Setup beim Start laden=1"), std::string::npos) << text;
    EXPECT_NE(text.find("aktuelles Setup=" + (dir / "Gig.mks").string()), std::string::npos) << text;

    // The next start opens with it; No at its Exit stops that.
    const auto gigShown = [](ui::ProgramShell&, ScreenDialog* d) {
        return d->windowTitle() == QStringLiteral("ORVAN Tonwerk  Gig.mks");
    };
    EXPECT_EQ(run(gigShown, core::MessageAnswer::No), (std::vector<std::string>{exit, question}));
    EXPECT_NE(readFile(settingsFile).find("Setup beim Start laden=0"), std::string::npos);
    EXPECT_EQ(run(nothing, core::MessageAnswer::Yes), std::vector<std::string>{exit});
}

// quit() (SIGTERM, the session manager) ends the program without asking, also while a dialog is
// open over the screen, and the settings are written as after Exit.
TEST(ProgramShell, QuitEndsTheProgramWithoutAskingEvenOverADialog) {
    TempDir dir;
    const auto settingsFile = dir / "config" / "Tonwerk.ini";
    RecordingNotifier notifier;
    ui::ProgramShell shell(notifier, settingsFile, core::SettingsEnvironment{dir.path(), dir.path(), {}});
    bool dialogEnded = false;
    Script script({[&](ScreenDialog* d) {
                      QTimer::singleShot(100, [&shell] { shell.quit(); });
                      d->command(ui::CommandId::kAbout); // modal: returns once quit() closed it
                      dialogEnded = true;
                      return true;
                  }},
                  notifier);
    shell.run();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(dialogEnded);
    EXPECT_TRUE(shell.state().quitRequested);
    EXPECT_TRUE(shell.state().stopWorker);
    EXPECT_EQ(notifier.count(), 0U) << "nothing is asked";
    EXPECT_NE(readFile(settingsFile).find("[Options]"), std::string::npos);
}

TEST(ProgramShell, ColourSchemeAppliesToTheProgramsOwnPalette) {
    const QPalette p = ui::programColourScheme(QPalette());
    EXPECT_EQ(p.color(QPalette::Window), QColor(0x00, 0x4A, 0x00));
    EXPECT_EQ(p.color(QPalette::WindowText), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(p.color(QPalette::HighlightedText), QColor(0x00, 0xFF, 0xFF));
    EXPECT_EQ(p.color(QPalette::Button), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(p.color(QPalette::Light), QColor(0xAA, 0xAA, 0x00));
    // Disabled controls and the edges of boxes stay visible on the dark ground.
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(p.color(QPalette::Dark), QColor(0x80, 0x80, 0x80));

    TempDir dir;
    const auto settingsFile = dir / "Tonwerk.ini";
    tonwerk::test::writeFile(settingsFile, "[TonwerkColor]\nChangeSysColor=1\n");
    const QPalette before = QApplication::palette();
    RecordingNotifier notifier;
    ui::ProgramShell shell(notifier, settingsFile, core::SettingsEnvironment{dir.path(), dir.path(), {}});
    Script script({[&](ScreenDialog* d) {
                      EXPECT_EQ(d->palette().color(QPalette::Window), QColor(0x00, 0x4A, 0x00));
                      notifier.answerNext(core::MessageAnswer::Yes);
                      click(d, ui::CommandId::kExit);
                      return true;
                  }},
                  notifier);
    shell.run();
    EXPECT_TRUE(script.finished());
    QApplication::setPalette(before);
}

TEST(QtNotifier, MessagesFromOtherThreadsAreQueuedToTheUserInterfaceThread) {
    std::vector<std::thread::id> presentedOn;
    ui::QtNotifier notifier([&](const core::MessageRequest& request, QWidget*) {
        presentedOn.push_back(std::this_thread::get_id());
        return request.buttons == core::MessageButtons::YesNo ? core::MessageAnswer::No : core::MessageAnswer::Ok;
    });

    // On the user-interface thread: shown at once, with the answer given.
    EXPECT_EQ(
        notifier.notify(core::MessageRequest{"q", "Warning", core::MessageIcon::Question, core::MessageButtons::YesNo}),
        core::MessageAnswer::No);
    ASSERT_EQ(presentedOn.size(), 1u);

    // From a timer-like thread: the call returns at once with the default answer, the box comes later.
    core::MessageAnswer fromThread = core::MessageAnswer::Cancel;
    std::thread worker([&] {
        fromThread = notifier.notify(core::MessageRequest{"Timer could not created!", "Error", core::MessageIcon::Error,
                                                          core::MessageButtons::YesNo});
    });
    worker.join();
    EXPECT_EQ(fromThread, core::MessageAnswer::Yes);
    EXPECT_EQ(presentedOn.size(), 1u);
    QElapsedTimer clock;
    clock.start();
    while (presentedOn.size() < 2 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ASSERT_EQ(presentedOn.size(), 2u);
    EXPECT_EQ(presentedOn[1], std::this_thread::get_id());
}

} // namespace
