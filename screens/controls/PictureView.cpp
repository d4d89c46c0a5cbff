#include "PictureView.h"

#include <QPainter>

namespace tonwerk::ui {

PictureView::PictureView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

QImage PictureView::imageOf(std::span<const std::uint8_t> bitmap, int width, int height) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const auto stride = (static_cast<std::size_t>(width) * 24 + 31) / 32 * 4;
    if (bitmap.size() < kHeaderBytes + stride * static_cast<std::size_t>(height)) {
        return {};
    }
    // The rows in memory run from the bottom line up; the picture is shown the right way up.
    const QImage rows(bitmap.data() + kHeaderBytes, width, height, static_cast<qsizetype>(stride),
                      QImage::Format_BGR888);
    return rows.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

bool PictureView::setPicture(std::span<const std::uint8_t> bitmap, int width, int height) {
    QImage image = imageOf(bitmap, width, height);
    if (image.isNull()) {
        return false;
    }
    setImage(image);
    return true;
}

void PictureView::setImage(const QImage& image) {
    m_picture = image;
    update();
}

void PictureView::clear() {
    m_picture = QImage();
    update();
}

void PictureView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull()) {
        return;
    }
    // The whole picture, as large as it fits without changing its shape (a wide graphics window's
    // picture in the screens' 4:3 monitor keeps black bands above and below).
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    if (fitted.isEmpty()) {
        return;
    }
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

} // namespace tonwerk::ui
