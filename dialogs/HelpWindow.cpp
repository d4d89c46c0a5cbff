#include "HelpWindow.h"

#include "HelpTopics.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextFrame>
#include <QVBoxLayout>

#include <algorithm>

namespace tonwerk::ui {

namespace {

// Each heading block of the manual, in order.
template <typename Visit>
void forEachHeading(const QTextDocument& document, Visit visit) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() > 0 && !visit(block)) {
            return;
        }
    }
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Tonwerk Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("manual"));
    // Links inside the manual move to their section; links out of it open in the desktop's viewer.
    m_browser->setOpenLinks(false);
    m_browser->setSource(QUrl(QStringLiteral("qrc:/manual/manual.md")), QTextDocument::MarkdownResource);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme().isEmpty() || url.scheme() == QStringLiteral("qrc")) {
            scrollToSection(url.fragment());
        } else {
            QDesktopServices::openUrl(url);
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    const int em = fontMetrics().averageCharWidth();
    resize(em * 110, em * 90);
}

HelpWindow* HelpWindow::showSection(QWidget* over, const QString& section) {
    HelpWindow* window =
        over != nullptr ? over->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (window == nullptr) {
        window = new HelpWindow(over);
    }
    window->show();
    window->scrollToSection(section);
    window->raise();
    window->activateWindow();
    return window;
}

void HelpWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitPictures();
    keepRoomBelow();
}

void HelpWindow::fitPictures() {
    // Pictures as wide as the text at most (the screens' pictures are 801 pixels wide), their
    // height following.
    QTextDocument* document = m_browser->document();
    const int room = m_browser->viewport()->width() - static_cast<int>(2 * document->documentMargin()) - 8;
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid()) {
                continue;
            }
            const QImage picture = document->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (picture.isNull()) {
                continue;
            }
            const int width = std::max(64, std::min(picture.width(), room));
            if (static_cast<int>(image.width()) == width) {
                continue;
            }
            image.setWidth(width);
            image.setHeight(static_cast<double>(width) * picture.height() / picture.width());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
    cursor.endEditBlock();
}

void HelpWindow::keepRoomBelow() {
    // Room below the last section, so every section can come to the top of the window.
    QTextFrame* root = m_browser->document()->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    const int height = m_browser->viewport()->height();
    if (static_cast<int>(format.bottomMargin()) != height) {
        format.setBottomMargin(height);
        root->setFrameFormat(format);
    }
}

bool HelpWindow::scrollToSection(const QString& section) {
    QTextDocument* document = m_browser->document();
    fitPictures();
    keepRoomBelow();
    // The layout of the whole document, so the heading's place is known before it was shown.
    document->documentLayout()->documentSize();
    const std::string wanted = section.toStdString();
    int top = -1;
    forEachHeading(*document, [&](const QTextBlock& block) {
        if (sectionAnchor(block.text().toStdString()) != wanted) {
            return true;
        }
        top = static_cast<int>(document->documentLayout()->blockBoundingRect(block).top());
        return false;
    });
    m_browser->verticalScrollBar()->setValue(std::max(top, 0));
    return top >= 0;
}

QString HelpWindow::topHeading() const {
    const QTextDocument* document = m_browser->document();
    const int scrolled = m_browser->verticalScrollBar()->value();
    QString heading;
    forEachHeading(*document, [&](const QTextBlock& block) {
        if (document->documentLayout()->blockBoundingRect(block).top() > scrolled + document->documentMargin() + 1) {
            return false;
        }
        heading = block.text();
        return true;
    });
    return heading;
}

} // namespace tonwerk::ui
