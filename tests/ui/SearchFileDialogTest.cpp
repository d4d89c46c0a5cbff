// The "Search File" dialog: the remembered folders, Browse, Find and Skip, and the setup loader
// asking through the screen when a sample is not where the setup says.
#include "dialogs/SearchFileDialog.h"
#include "audio/WaveBuilder.h"
#include "midi/SplitFields.h"
#include "session/FileSearch.h"
#include "support/ScreenRig.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace tonwerk;
namespace fs = std::filesystem;

namespace {

void writeTone(const fs::path& path) {
    fs::create_directories(path.parent_path());
    test::WaveBuilder wave;
    for (int i = 0; i < 2205; ++i) {
        wave.words({static_cast<std::int16_t>(3000 * std::sin(i * 0.05))});
    }
    const auto bytes = wave.bytes();
    test::writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> shownTexts(const test::RecordingNotifier& notifier) {
    std::vector<std::string> texts;
    for (const auto& shown : notifier.shown()) {
        texts.push_back(shown.request.text);
    }
    return texts;
}

QString listed(const QListWidget* list, int row) { return list->item(row)->text(); }

TEST(SearchFileDialog, RememberedFoldersBrowseAndSkip) {
    test::TempDir dir;
    writeTone(dir / "found" / "kick.wav");
    test::writeFile(dir / "bad" / "kick.wav", "not a sound");
    fs::create_directories(dir / "empty");
    std::vector<std::string> remembered;
    for (int i = 7; i >= 2; --i) {
        remembered.push_back((dir / ("old" + std::to_string(i))).string());
    }
    remembered.insert(remembered.begin(), (dir / "found").string());
    ASSERT_EQ(remembered.size(), 7U);
    test::RecordingNotifier notifier;
    std::vector<QString> chooserAnswers;
    const auto chooser = [&](QWidget*, const QString& title, const QString&, const QString&) {
        EXPECT_EQ(title, QStringLiteral("Open Sample File"));
        const QString answer = chooserAnswers.empty() ? QString() : chooserAnswers.front();
        if (!chooserAnswers.empty()) {
            chooserAnswers.erase(chooserAnswers.begin());
        }
        return answer;
    };
    const auto usable = [](const fs::path& p) { return session::usableMediaFile(p, midi::SplitTask::Sample); };
    ui::SearchFileDialog dialog({"C:\\Gig\\Drums\\kick.wav", midi::SplitTask::Sample, {}}, remembered, notifier,
                                chooser, usable);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search File : kick.wav"));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("original"))->text(),
              QStringLiteral("C:\\Gig\\Drums\\kick.wav"));
    // Seven remembered folders: six are listed, the oldest is gone; the newest has the file and is
    // proposed at once.
    EXPECT_EQ(remembered.size(), 6U);
    ASSERT_EQ(dialog.folders()->count(), 6);
    EXPECT_EQ(dialog.chosenPath(), dir / "found" / "kick.wav");
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    // A folder without the file: "File not found!", nothing proposed.
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.folders()->viewport(), Qt::LeftButton, {},
                      dialog.folders()->visualItemRect(dialog.folders()->item(1)).center());
    EXPECT_EQ(shownTexts(notifier), std::vector<std::string>{"File not found!"});
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(dialog.proposed()->text().isEmpty());

    // Browse: a file the loader refuses is said so and the file dialog opens again; the next one
    // is proposed and its folder goes to the front of the list and of the remembered folders.
    chooserAnswers = {QString::fromStdString((dir / "bad" / "kick.wav").string()),
                      QString::fromStdString((dir / "found" / "kick.wav").string())};
    dialog.browse();
    EXPECT_EQ(shownTexts(notifier).back(),
              "The selected Wave file is not a PCM encoded file and cannot be opened by this application.");
    EXPECT_EQ(dialog.chosenPath(), dir / "found" / "kick.wav");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_EQ(listed(dialog.folders(), 0), QString::fromStdString((dir / "found").string()));
    EXPECT_EQ(remembered.front(), (dir / "found").string());
    EXPECT_EQ(dialog.folders()->findItems(QString::fromStdString((dir / "found").string()), Qt::MatchExactly).size(),
              1);
    // A cancelled file dialog leaves nothing proposed, even after a proposal.
    dialog.browse();
    EXPECT_FALSE(dialog.okButton()->isEnabled());

    // Skip ends with its own result.
    dialog.skip();
    EXPECT_EQ(dialog.result(), ui::SearchFileDialog::kSkip);
}

TEST(SearchFileDialog, FindLooksOnTheDisksWhileTheDialogStaysLive) {
    test::TempDir dir;
    writeTone(dir / "disk2" / "samples" / "snare.wav");
    fs::create_directories(dir / "disk1" / "nothing");
    std::vector<std::string> remembered;
    test::RecordingNotifier notifier;
    ui::SearchFileDialog dialog({"/gone/snare.wav", midi::SplitTask::Sample, {dir / "disk1", dir / "disk2"}},
                                remembered, notifier, {}, {});
    EXPECT_EQ(dialog.folders()->count(), 0);
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    dialog.show();
    QTest::mouseClick(dialog.findButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.findButton()->isEnabled()) << "one search at a time";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.searching(); }, 10000));
    EXPECT_EQ(dialog.chosenPath(), dir / "disk2" / "samples" / "snare.wav");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(dialog.findButton()->isEnabled());
    EXPECT_EQ(remembered, std::vector<std::string>{(dir / "disk2" / "samples").string()});
    EXPECT_EQ(listed(dialog.folders(), 0), QString::fromStdString((dir / "disk2" / "samples").string()));
    // Return is OK.
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // A search that finds nothing leaves the dialog as it was; closing during a search ends it.
    ui::SearchFileDialog again({"/gone/none.wav", midi::SplitTask::Sample, {dir / "disk1"}}, remembered, notifier, {},
                               {});
    again.show();
    again.find();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !again.searching(); }, 10000));
    EXPECT_FALSE(again.okButton()->isEnabled());
    ui::SearchFileDialog closing({"/gone/none.wav", midi::SplitTask::Sample, {fs::path("/")}}, remembered, notifier, {},
                                 {});
    closing.show();
    closing.find();
    closing.reject();
    EXPECT_FALSE(closing.searching());
    EXPECT_TRUE(notifier.shown().empty());
}

// A setup whose sample has moved: the loader asks through the screen; a browsed file is loaded
// and its folder remembered, Skip empties the split, Cancel stops the loading.
TEST(SearchFileDialog, TheSetupLoaderAsksThroughTheScreen) {
    test::TempDir elsewhere;
    test::ScreenRig rig;
    const fs::path original = elsewhere / "gig" / "lost-tone-5311.wav";
    writeTone(original);
    session::Commands& commands = rig.session->commands();
    ASSERT_TRUE(commands.assignSample(3, original, 4));
    ASSERT_TRUE(commands.saveSetup(rig.dir / "Gig.mks").ok());
    const fs::path moved = elsewhere / "moved" / "lost-tone-5311.wav";
    fs::create_directories(moved.parent_path());
    fs::rename(original, moved);

    enum class Answer { Browse, Skip, Cancel };
    Answer answer = Answer::Browse;
    int asked = 0;
    ui::ScreenHost host;
    host.chooseFile = [&](QWidget*, ui::ScreenHost::FileDialog, const QString&, const QString&, const QString&,
                          const QString&) { return QString::fromStdString(moved.string()); };
    host.runDialog = [&](QDialog& dialog) {
        auto* search = qobject_cast<ui::SearchFileDialog*>(&dialog);
        if (search == nullptr) {
            return int{QDialog::Rejected};
        }
        ++asked;
        EXPECT_EQ(search->windowTitle(), QStringLiteral("Search File : lost-tone-5311.wav"));
        switch (answer) {
        case Answer::Browse:
            search->browse();
            return search->okButton()->isEnabled() ? int{QDialog::Accepted} : int{QDialog::Rejected};
        case Answer::Skip:
            return ui::SearchFileDialog::kSkip;
        case Answer::Cancel:
            break;
        }
        return int{QDialog::Rejected};
    };
    auto screen = rig.open(midi::ScreenKind::Master, host);

    ASSERT_TRUE(commands.loadSetup(rig.dir / "Gig.mks"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(midi::fieldText(rig.session->performance().split(3).fileName), moved.string());
    EXPECT_NE(rig.session->performance().split(3).sample.sampleData, 0);
    EXPECT_EQ(rig.session->searchFolders(midi::SplitTask::Sample).front(), moved.parent_path().string());

    // The setup as saved still names the old place.
    answer = Answer::Skip;
    ASSERT_TRUE(commands.loadSetup(rig.dir / "Gig.mks")) << "the last search folder finds it now";
    EXPECT_EQ(asked, 1);
    fs::remove(moved);
    rig.notifier.clear();
    ASSERT_TRUE(commands.loadSetup(rig.dir / "Gig.mks"));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(shownTexts(rig.notifier), std::vector<std::string>{"Sample in split 4 removed !"});
    EXPECT_EQ(rig.session->performance().split(3).sample.sampleData, 0);

    answer = Answer::Cancel;
    rig.notifier.clear();
    ASSERT_TRUE(commands.loadSetup(rig.dir / "Gig.mks"));
    EXPECT_EQ(asked, 3);
    ASSERT_EQ(rig.notifier.shown().size(), 1U);
    EXPECT_NE(rig.notifier.shown().front().request.text.find("All samples and AVIs after split"), std::string::npos);
    rig.close();
}

} // namespace
