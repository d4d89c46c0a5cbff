#pragma once

#include "core/Settings.h"
#include "session/ScreenLoop.h"

#include <QDialog>

#include <string>

class QPushButton;

namespace tonwerk::ui {

// One performance screen, shown modally by the screen loop. The client area is 801 × 584 pixels.
// For now the screen paints a placeholder with the Exit command and the screen-switch commands; the
// screen layouts fill it.
class ScreenDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 801;
    static constexpr int kClientHeight = 584;

    // `settings` is the dialog's own copy, handed back by settings() when it closes.
    ScreenDialog(int dialogId, core::Settings settings, session::ScreenLoop& loop, const std::string& setupName,
                 QWidget* parent = nullptr);

    [[nodiscard]] int dialogId() const { return m_dialogId; }
    [[nodiscard]] const core::Settings& settings() const { return m_settings; }

    // "%s  %s": the program title and the setup name.
    [[nodiscard]] static QString captionFor(const std::string& setupName);

    // The Exit command: ends the dialog (and the program) when the performer confirms.
    void exitCommand();
    void switchScreen(midi::ScreenKind screen);

public slots: // NOLINT(readability-redundant-access-specifiers): moc reads the slots
    // Escape ends a plain dialog; a performance screen asks first, like Exit.
    void reject() override;
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void rememberPosition();

    int m_dialogId;
    core::Settings m_settings;
    session::ScreenLoop& m_loop;
    bool m_closing = false;
};

} // namespace tonwerk::ui
