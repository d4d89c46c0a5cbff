#pragma once

#include "core/Notifier.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace tonwerk::ui {

// Message boxes for the program. A call on the user-interface thread shows a modal QMessageBox and
// returns the answer; a call from any other thread posts the message to the user-interface thread
// (Qt's event queue) and returns the box's default answer at once.
class QtNotifier final : public QObject, public core::Notifier {
    Q_OBJECT
public:
    // Shows one message and returns the answer; the default is a QMessageBox. Tests put their own.
    using Presenter = std::function<core::MessageAnswer(const core::MessageRequest&, QWidget* parent)>;

    // Construct on the user-interface thread: the object belongs to the thread it is made on.
    explicit QtNotifier(Presenter presenter = showMessageBox, QObject* parent = nullptr);

    // Any thread except the audio callback; blocks only on the user-interface thread.
    core::MessageAnswer notify(const core::MessageRequest& request) override;

    // The window the boxes are centred on (the screen now shown). User-interface thread.
    void setParentWidget(QWidget* widget) { m_parent = widget; }

    static core::MessageAnswer showMessageBox(const core::MessageRequest& request, QWidget* parent);

private:
    Presenter m_presenter;
    QPointer<QWidget> m_parent;
};

} // namespace tonwerk::ui
