#pragma once

#include <QWidget>

class QTextBrowser;

namespace tonwerk::ui {

// The manual in a window of its own: the Markdown the program carries, with its pictures, opened at
// a section. It belongs to the window that asked (a screen or a dialog), so it can be used while
// that window's dialog is open, and closes with it. UI thread.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The help window of `over` (made when it has none), shown at the section with the anchor
    // `section` (the top for an unknown one).
    static HelpWindow* showSection(QWidget* over, const QString& section);

    // Scrolls to the heading whose anchor is `section`; false (and the top) when there is none.
    bool scrollToSection(const QString& section);
    // The heading shown at the top now.
    [[nodiscard]] QString topHeading() const;
    [[nodiscard]] QTextBrowser* browser() const { return m_browser; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void keepRoomBelow();
    void fitPictures();

    QTextBrowser* m_browser = nullptr;
};

} // namespace tonwerk::ui
