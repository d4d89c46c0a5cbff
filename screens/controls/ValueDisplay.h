#pragma once

#include <QString>
#include <QWidget>

namespace tonwerk::ui {

// A value display of the screens (velocity, tempo, pitch, bar and beat, song length): the text in
// the program's cyan on black, as large as the display allows. Values in. UI thread.
class ValueDisplay : public QWidget {
    Q_OBJECT
public:
    explicit ValueDisplay(QWidget* parent = nullptr) : QWidget(parent) {}

    void setText(const QString& text);
    [[nodiscard]] const QString& text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace tonwerk::ui
