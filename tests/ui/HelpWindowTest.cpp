// The manual the program carries: every screen and dialog has its section, every context number
// and link leads to one, the pictures are inside, and the help window opens at the section.
#include "dialogs/HelpWindow.h"
#include "dialogs/HelpTopics.h"

#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <set>

using namespace tonwerk;

namespace {

QString manualText() {
    QFile file(QStringLiteral(":/manual/manual.md"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

std::set<std::string> manualAnchors() {
    std::set<std::string> anchors;
    static const QRegularExpression kHeading(QStringLiteral("^#+ (.+)$"), QRegularExpression::MultilineOption);
    for (auto it = kHeading.globalMatch(manualText()); it.hasNext();) {
        anchors.insert(ui::sectionAnchor(it.next().captured(1).trimmed().toStdString()));
    }
    return anchors;
}

TEST(Help, EveryScreenAndDialogHasItsSectionAndEveryLinkLeadsToOne) {
    const QString text = manualText();
    ASSERT_FALSE(text.isEmpty()) << "the manual is inside the program";
    const std::set<std::string> anchors = manualAnchors();
    for (const char* section :
         {"contents", "the-dj-screen", "the-rock-screen", "the-master-screen", "the-file-browser", "wave-dialog",
          "video-dialog", "velocity-curve", "sfx-masterkeyboard-settings", "midi-configuration", "options",
          "other-options", "midi-settings", "pc-keyboard-settings", "directsound-driver", "directsound-buffer-type",
          "search-file", "about", "sessions"}) {
        EXPECT_TRUE(anchors.contains(section)) << section;
    }
    for (const int context : {ui::kHelpMasterScreen, ui::kHelpRockScreen, ui::kHelpDjScreen, ui::kHelpContents,
                              ui::kHelpSfxDialog, ui::kHelpVelocityDialog, ui::kHelpMidiDialog, ui::kHelpVideoDialog}) {
        EXPECT_TRUE(anchors.contains(ui::helpSection(context))) << context;
    }
    EXPECT_STREQ(ui::helpSection(12345), "contents");
    static const QRegularExpression kLink(QStringLiteral("\\]\\(#([^)]+)\\)"));
    for (auto it = kLink.globalMatch(text); it.hasNext();) {
        const std::string target = it.next().captured(1).toStdString();
        EXPECT_TRUE(anchors.contains(target)) << "a link to #" << target;
    }
    static const QRegularExpression kPicture(QStringLiteral("!\\[[^]]*\\]\\(([^)]+)\\)"));
    for (auto it = kPicture.globalMatch(text); it.hasNext();) {
        const QString picture = it.next().captured(1);
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/manual/") + picture)) << picture.toStdString();
    }
}

TEST(Help, AnchorsAsMarkdownViewersMakeThem) {
    EXPECT_EQ(ui::sectionAnchor("SFX Masterkeyboard-Settings"), "sfx-masterkeyboard-settings");
    EXPECT_EQ(ui::sectionAnchor("The DJ screen"), "the-dj-screen");
    EXPECT_EQ(ui::sectionAnchor("Options: a (b) c!"), "options-a-b-c");
    EXPECT_EQ(ui::sectionAnchor("Über Tonwerk"), "Über-tonwerk"); // beyond ASCII kept as written
    EXPECT_EQ(ui::sectionAnchor(""), "");
}

TEST(Help, TheWindowOpensAtTheSectionOverTheWindowThatAsked) {
    QDialog dialog;
    dialog.show();
    ui::HelpWindow* window = ui::HelpWindow::showSection(&dialog, QStringLiteral("velocity-curve"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->parentWidget(), &dialog) << "usable while the dialog is modal, closed with it";
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->topHeading(), QStringLiteral("Velocity-Curve"));
    // Asked again: the same window, at the new section; an unknown section shows the top.
    EXPECT_EQ(ui::HelpWindow::showSection(&dialog, QStringLiteral("search-file")), window);
    EXPECT_EQ(window->topHeading(), QStringLiteral("Search File"));
    EXPECT_FALSE(window->scrollToSection(QStringLiteral("no-such-section")));
    EXPECT_EQ(window->topHeading(), QStringLiteral("Tonwerk — the manual"));
    // A link inside the manual moves to its section.
    emit window->browser()->anchorClicked(QUrl(QStringLiteral("#the-master-screen")));
    EXPECT_EQ(window->topHeading(), QStringLiteral("The Master screen"));
    // The pictures are drawn from inside the program.
    EXPECT_FALSE(window->browser()
                     ->document()
                     ->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("pictures/dj-100.png")))
                     .isNull());
}

} // namespace
