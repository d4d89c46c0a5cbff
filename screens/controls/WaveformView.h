#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

namespace tonwerk::ui {

// A picture of a sample: both channels one above the other, each column the lowest and highest
// word of its stretch; the loop (from its start to the end) shaded, the play position as a line.
// Values in, nothing out. UI thread.
class WaveformView : public QWidget {
    Q_OBJECT
public:
    // Per column: low and high of the left channel, low and high of the right.
    using Column = std::array<std::int16_t, 4>;

    explicit WaveformView(QWidget* parent = nullptr);

    void setOutline(std::vector<Column> columns);
    // The loop's start as a fraction of the sample (0-1), or below 0 for no loop.
    void setLoopStart(double fraction);
    // The play position as a fraction of the sample, or below 0 when nothing plays.
    void setPosition(double fraction);
    [[nodiscard]] const std::vector<Column>& outline() const { return m_columns; }

    [[nodiscard]] QSize sizeHint() const override { return {480, 96}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {160, 64}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Column> m_columns;
    double m_loopStart = -1;
    double m_position = -1;
};

} // namespace tonwerk::ui
