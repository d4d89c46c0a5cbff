#include "QtNotifier.h"

#include <QMessageBox>
#include <QThread>

#include <utility>

namespace tonwerk::ui {

using core::MessageAnswer;
using core::MessageButtons;
using core::MessageIcon;

QtNotifier::QtNotifier(Presenter presenter, QObject* parent) : QObject(parent), m_presenter(std::move(presenter)) {}

MessageAnswer QtNotifier::notify(const core::MessageRequest& request) {
    if (QThread::currentThread() == thread()) {
        return m_presenter(request, m_parent.data());
    }
    QMetaObject::invokeMethod(
        this, [this, request] { m_presenter(request, m_parent.data()); }, Qt::QueuedConnection);
    return core::defaultAnswer(request.buttons);
}

MessageAnswer QtNotifier::showMessageBox(const core::MessageRequest& request, QWidget* parent) {
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text));
    switch (request.icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (request.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MessageButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    default:
        break;
    }
    // Closed without a button (Escape, the window's close box).
    switch (request.buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetryCancel:
        break;
    }
    return MessageAnswer::Cancel;
}

} // namespace tonwerk::ui
