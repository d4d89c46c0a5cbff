#include "ScreenDialog.h"

#include "res/Strings.h"

#include <QCloseEvent>
#include <QPainter>
#include <QPushButton>

namespace tonwerk::ui {

namespace {

QString screenName(int dialogId) {
    switch (dialogId) {
    case session::kMasterScreenDialogId:
        return QStringLiteral("Master-Screen");
    case session::kRockScreenDialogId:
        return QStringLiteral("Rock-Screen");
    default:
        break;
    }
    return QStringLiteral("DJ-Screen");
}

} // namespace

ScreenDialog::ScreenDialog(int dialogId, core::Settings settings, session::ScreenLoop& loop,
                           const std::string& setupName, QWidget* parent)
    : QDialog(parent), m_dialogId(dialogId), m_settings(std::move(settings)), m_loop(loop) {
    setObjectName(QStringLiteral("screenDialog"));
    setWindowTitle(captionFor(setupName));
    setFixedSize(kClientWidth, kClientHeight);

    struct Command {
        const char* objectName;
        const char* label;
        int x;
        std::function<void()> action;
    };
    const Command commands[] = {
        {"rockScreenButton", "&Rock-Screen", 20, [this] { switchScreen(midi::ScreenKind::Rock); }},
        {"djScreenButton", "&DJ-Screen", 140, [this] { switchScreen(midi::ScreenKind::Dj); }},
        {"masterScreenButton", "&Master-Screen", 260, [this] { switchScreen(midi::ScreenKind::Master); }},
        {"exitButton", "Exit", kClientWidth - 120, [this] { exitCommand(); }},
    };
    for (const Command& command : commands) {
        auto* button = new QPushButton(QString::fromUtf8(command.label), this);
        button->setObjectName(QString::fromUtf8(command.objectName));
        button->setGeometry(command.x, kClientHeight - 50, 100, 30);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, command.action);
    }
}

QString ScreenDialog::captionFor(const std::string& setupName) {
    return QStringLiteral("%1  %2").arg(
        QString::fromUtf8(res::loadString(res::StringId::kProgramTitle).data(),
                          static_cast<qsizetype>(res::loadString(res::StringId::kProgramTitle).size())),
        QString::fromStdString(setupName));
}

void ScreenDialog::exitCommand() {
    if (m_loop.exitCommand()) {
        m_closing = true;
        accept();
    }
}

void ScreenDialog::switchScreen(midi::ScreenKind screen) {
    m_loop.switchScreen(screen);
    m_closing = true;
    accept();
}

void ScreenDialog::reject() { exitCommand(); }

void ScreenDialog::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    // The window's close box is the Exit command.
    event->ignore();
    exitCommand();
}

void ScreenDialog::done(int result) {
    rememberPosition();
    QDialog::done(result);
}

void ScreenDialog::rememberPosition() {
    if (!isMinimized()) {
        m_settings.masterDlgLeft = x();
        m_settings.masterDlgTop = y();
    }
}

void ScreenDialog::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x00, 0x4A, 0x00));
    painter.setPen(QColor(0xFF, 0xFF, 0x00));
    QFont font = painter.font();
    font.setPointSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect().adjusted(0, 0, 0, -80), Qt::AlignCenter, screenName(m_dialogId));
}

} // namespace tonwerk::ui
