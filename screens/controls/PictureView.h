#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <span>

namespace tonwerk::ui {

// Shows the video picture: the graphics window's whole client area and the screens' embedded
// monitor. It only draws: the picture comes finished (a bitmap in memory: the 40-byte header,
// then 24-bit blue-green-red rows from the bottom up, each padded to 4 bytes) and is scaled with
// smooth filtering to the widget's real pixels, keeping nothing but black around it. UI thread.
class PictureView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kHeaderBytes = 40;

    explicit PictureView(QWidget* parent = nullptr);

    // Takes a picture of width × height; false (and nothing shown changed) when the bytes are too
    // few for that size.
    bool setPicture(std::span<const std::uint8_t> bitmap, int width, int height);
    // The bitmap as an upright image, made once for every view that shows it; null when the
    // bytes are too few for the size.
    [[nodiscard]] static QImage imageOf(std::span<const std::uint8_t> bitmap, int width, int height);
    // Takes an image made by imageOf (shared, not copied).
    void setImage(const QImage& image);
    void clear();
    [[nodiscard]] const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture; // top-down RGB
};

} // namespace tonwerk::ui
