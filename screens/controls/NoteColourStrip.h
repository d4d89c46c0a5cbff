#pragma once

#include "NoteColours.h"

#include <QImage>
#include <QWidget>

#include <optional>

namespace tonwerk::ui {

// The Master screen's note colour bar (control 1240): a tall narrow strip where every note-on
// draws a line at the height of its velocity in its pitch class's colour, and every note-off a
// black line where the key was struck. The lines stay until drawn over. Values in. UI thread.
class NoteColourStrip : public QWidget {
    Q_OBJECT
public:
    explicit NoteColourStrip(QWidget* parent = nullptr);

    void noteOn(int key, int velocity);
    void noteOff(int key);
    // A new setup or device: every line cleared, nothing remembered.
    void reset();
    // The velocity display's value: the newest note-on's while a remembered key sounds.
    [[nodiscard]] std::optional<int> shownVelocity() const { return m_bar.shownVelocity(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureCanvas();
    void drawLine(const ColourLine& line);

    NoteColourBar m_bar;
    QImage m_lines; // what has been drawn, at the widget's size
};

} // namespace tonwerk::ui
