#pragma once

#include <QObject>

namespace tonwerk::ui {

// Carries "a new picture is waiting" from the composition thread to the user-interface thread:
// announce() may be called on any thread, delivered() fires on the thread the relay lives on.
class PictureRelay : public QObject {
    Q_OBJECT
public:
    PictureRelay() { connect(this, &PictureRelay::announced, this, &PictureRelay::delivered, Qt::QueuedConnection); }
    // Any thread; never blocks.
    void announce() { emit announced(); }

signals:
    void announced();
    void delivered();
};

} // namespace tonwerk::ui
