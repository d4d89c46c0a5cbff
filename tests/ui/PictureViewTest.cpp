#include "screens/controls/PictureView.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

using tonwerk::ui::PictureView;

namespace {

// A bitmap in memory of width × height, every pixel from `colour(x, y)` with y = 0 at the top.
template <typename Colour>
std::vector<std::uint8_t> bitmap(int width, int height, Colour colour) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> bytes(PictureView::kHeaderBytes + stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = PictureView::kHeaderBytes + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const QColor c = colour(x, y);
            bytes[row + 3 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(c.blue());
            bytes[row + 3 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(c.green());
            bytes[row + 3 * static_cast<std::size_t>(x) + 2] = static_cast<std::uint8_t>(c.red());
        }
    }
    return bytes;
}

} // namespace

// Bottom-up blue-green-red rows with padded strides (an odd width) are shown the right way up in
// their colours, scaled to the view; short data is refused and the old picture stays.
TEST(PictureView, ShowsTheBitmapUprightAndScaled) {
    PictureView view;
    view.resize(150, 100);
    const auto bytes = bitmap(3, 2, [](int x, int y) {
        if (y == 0) {
            return x == 0 ? QColor(255, 0, 0) : QColor(0, 0, 255);
        }
        return QColor(0, 255, 0);
    });
    ASSERT_TRUE(view.setPicture(bytes, 3, 2));
    EXPECT_EQ(view.picture().pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(view.picture().pixelColor(2, 0), QColor(0, 0, 255));
    EXPECT_EQ(view.picture().pixelColor(1, 1), QColor(0, 255, 0));
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(2, 2).red(), 255);
    EXPECT_GT(shown.pixelColor(75, 95).green(), 200);

    EXPECT_FALSE(view.setPicture(std::span(bytes).first(bytes.size() - 1), 3, 2));
    EXPECT_FALSE(view.setPicture(bytes, 0, 2));
    EXPECT_EQ(view.picture().pixelColor(0, 0), QColor(255, 0, 0));
    view.clear();
    EXPECT_EQ(view.grab().toImage().pixelColor(75, 50), QColor(0, 0, 0));
}

// A picture of another shape keeps its shape: a wide one in a square view has black bands above
// and below, a tall one at the sides; the picture touches the view's edges in the other direction.
TEST(PictureView, KeepsThePicturesShape) {
    PictureView view;
    view.resize(200, 200);
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    view.setImage(wide);
    QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 10), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(100, 190), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(100, 100), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(1, 100), QColor(Qt::red));
    QImage tall(10, 40, QImage::Format_RGB32);
    tall.fill(Qt::blue);
    view.setImage(tall);
    shown = view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(10, 100), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(100, 1), QColor(Qt::blue));
    view.resize(0, 0);
    static_cast<void>(view.grab()); // an empty view paints nothing and survives
}
