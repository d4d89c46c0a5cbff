#include "session/ScreenLoop.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tonwerk::core;
using namespace tonwerk::session;
using tonwerk::test::readFile;
using tonwerk::test::RecordingNotifier;
using tonwerk::test::TempDir;

namespace {

TEST(ScreenLoop, StartsOnTheDjScreenAndSwitchesUntilExit) {
    TempDir dir;
    AppState state;
    state.currentScreen = tonwerk::midi::ScreenKind::Master; // whatever came before, the run starts on the DJ screen
    RecordingNotifier notifier;
    ScreenLoop loop(state, notifier, dir / "Tonwerk.ini");
    Settings settings;

    std::vector<int> shown;
    std::vector<bool> first;
    loop.run(settings, [&](const Settings& in) {
        shown.push_back(state.screenDialogId);
        first.push_back(state.firstScreen);
        Settings out = in;
        out.masterDlgLeft = static_cast<int>(shown.size()); // the dialog hands back its changes
        switch (shown.size()) {
        case 1:
            loop.switchScreen(tonwerk::midi::ScreenKind::Master);
            break;
        case 2:
            loop.switchScreen(tonwerk::midi::ScreenKind::Rock);
            break;
        case 3:
            notifier.answerNext(MessageAnswer::No);
            EXPECT_FALSE(loop.exitCommand()); // No: the screen stays
            EXPECT_FALSE(state.quitRequested);
            EXPECT_FALSE(state.stopWorker);
            loop.switchScreen(tonwerk::midi::ScreenKind::Dj);
            break;
        default:
            notifier.answerNext(MessageAnswer::Yes);
            EXPECT_TRUE(loop.exitCommand());
            break;
        }
        // Settings are written after every screen, with what the screen handed back.
        if (shown.size() > 1) {
            EXPECT_NE(readFile(dir / "Tonwerk.ini").find("MasterDlgLeft=" + std::to_string(shown.size() - 1)),
                      std::string::npos);
        }
        return out;
    });

    EXPECT_EQ(shown, (std::vector<int>{344, 113, 341, 344}));
    EXPECT_EQ(first, (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(state.quitRequested);
    EXPECT_TRUE(state.stopWorker);
    EXPECT_EQ(settings.masterDlgLeft, 4);
    EXPECT_NE(readFile(dir / "Tonwerk.ini").find("MasterDlgLeft=4"), std::string::npos);

    const auto messages = notifier.shown();
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& m : messages) {
        EXPECT_EQ(m.request.text, "Are you sure you want to exit Tonwerk?");
        EXPECT_EQ(m.request.caption, "Warning");
        EXPECT_EQ(m.request.buttons, MessageButtons::YesNo);
        EXPECT_EQ(m.request.icon, MessageIcon::Question);
    }
}

TEST(ScreenLoop, ExitShutsDownSongAndGraphicsWindow) {
    TempDir dir;
    AppState state;
    RecordingNotifier notifier;
    ScreenLoop loop(state, notifier, dir / "Tonwerk.ini");
    int songStops = 0;
    ExitActions actions{[&] { ++songStops; }, [] { return false; }};
    notifier.answerNext(MessageAnswer::Yes);
    EXPECT_TRUE(loop.exitCommand(actions));
    EXPECT_EQ(songStops, 1);
    ASSERT_EQ(notifier.count(), 2u);
    EXPECT_EQ(notifier.last().text, "Graphic-window wasn't ended correctly!");
    EXPECT_TRUE(state.quitRequested);
}

TEST(ScreenLoop, FailedSettingsSaveIsReported) {
    TempDir dir;
    tonwerk::test::writeFile(dir / "plain", "x");
    AppState state;
    RecordingNotifier notifier;
    ScreenLoop loop(state, notifier, dir / "plain" / "Tonwerk.ini"); // its folder cannot exist
    Settings settings;
    loop.run(settings, [&](const Settings& in) {
        notifier.answerNext(MessageAnswer::Yes);
        loop.exitCommand();
        return in;
    });
    ASSERT_EQ(notifier.count(), 2u);
    EXPECT_EQ(notifier.last().caption, "Error");
    EXPECT_NE(notifier.last().text.find("settings could not be saved"), std::string::npos);
    EXPECT_NE(notifier.last().text.find("plain"), std::string::npos);
}

TEST(ScreenLoop, KeyboardLayoutFromLocale) {
    EXPECT_EQ(keyboardLayoutForLocale("de_DE.UTF-8"), 0x0407u);
    EXPECT_EQ(keyboardLayoutForLocale("de_AT"), 0x0407u);
    EXPECT_EQ(keyboardLayoutForLocale("en_US.UTF-8"), 0x0409u);
    EXPECT_EQ(keyboardLayoutForLocale("en_GB.UTF-8"), 0x0809u);
    EXPECT_EQ(keyboardLayoutForLocale("C.UTF-8"), 0x0409u);
    EXPECT_EQ(keyboardLayoutForLocale(""), 0x0409u);
    EXPECT_EQ(keyboardLayoutForLocale("fr_FR@euro"), 0x040Cu);
    EXPECT_EQ(keyboardLayoutForLocale("den_XX"), 0x0409u); // not German: only whole language codes match
}

} // namespace
