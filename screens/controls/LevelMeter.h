#pragma once

#include <QWidget>

namespace tonwerk::ui {

// One of the screens' 16 level meters: a vertical bar of segments for a level 0-127, green, then
// yellow above two thirds and red at the top, so a glance from a metre away tells loud from soft.
// Values in, nothing out. UI thread.
class LevelMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSegments = 16;

    explicit LevelMeter(QWidget* parent = nullptr) : QWidget(parent) {}

    // The level, limited to 0-127; repaints only when it changes.
    void setLevel(int level);
    [[nodiscard]] int level() const { return m_level; }
    // Segments lit for a level (0-16).
    [[nodiscard]] static int litSegments(int level);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_level = 0;
};

} // namespace tonwerk::ui
