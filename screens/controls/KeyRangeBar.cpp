#include "KeyRangeBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tonwerk::ui {

namespace {

const QColor kLabel(222, 214, 0);
const QColor kOctaveLabel(153, 153, 153);
const QColor kRangeHandle(86, 255, 0);
const QColor kSingleHandle(0, 0, 255);

} // namespace

KeyRangeBar::KeyRangeBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("Key range: left button the lowest key, right button the highest, double-click one key "
                              "or the whole span"));
    m_model.setSpan(0, 0, 1, 1, 36, 96);
}

void KeyRangeBar::setSpan(int tableWidth, int tableHeight, int spanLow, int spanHigh) {
    m_tableWidth = std::max(1, tableWidth);
    m_tableHeight = std::max(1, tableHeight);
    m_model.setSpan(0, 0, m_tableWidth, m_tableHeight, spanLow, spanHigh);
    update();
}

void KeyRangeBar::setKeys(int low, int high) {
    m_model.setKeys(low, high);
    update();
}

void KeyRangeBar::setBackground(const QPixmap& background) {
    m_background = background;
    update();
}

double KeyRangeBar::scale() const { return static_cast<double>(width()) / m_tableWidth; }

int KeyRangeBar::widgetX(int tableX) const { return static_cast<int>(std::lround(tableX * scale())); }

QPoint KeyRangeBar::tablePoint(const QPointF& position) const {
    const double s = scale();
    const double sy = static_cast<double>(height()) / m_tableHeight;
    return {static_cast<int>(std::floor(position.x() / s)), static_cast<int>(std::floor(position.y() / sy))};
}

void KeyRangeBar::report(const KeyRangeModel::Report& change) {
    update();
    if (change) {
        emit keysChanged(change->first, change->second);
    }
}

void KeyRangeBar::mousePressEvent(QMouseEvent* event) {
    const QPoint at = tablePoint(event->position());
    if (event->button() == Qt::LeftButton) {
        report(m_model.leftDown(at.x()));
    } else if (event->button() == Qt::RightButton) {
        report(m_model.rightDown(at.x()));
    }
    event->accept();
}

void KeyRangeBar::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = tablePoint(event->position());
    if ((event->buttons() & Qt::LeftButton) != 0) {
        report(m_model.leftMove(at.x(), at.y()));
    } else if ((event->buttons() & Qt::RightButton) != 0) {
        report(m_model.rightMove(at.x(), at.y()));
    }
}

void KeyRangeBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_model.leftUp();
    } else if (event->button() == Qt::RightButton) {
        m_model.rightUp();
    }
}

void KeyRangeBar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        report(m_model.doubleClick(tablePoint(event->position()).x()));
    }
}

QRect KeyRangeBar::labelRect(const QFontMetrics& metrics, int x, int key) const {
    const int fontHeight = m_model.bottom() - m_model.top() - 2;
    const QString label = QString::fromStdString(keyRangeLabel(key));
    return {keyRangeLabelX(x, fontHeight, m_model.right()), m_model.top(), metrics.horizontalAdvance(label) + 2,
            m_model.bottom() - m_model.top()};
}

void KeyRangeBar::paintHandle(QPainter& painter, int x, int key, bool blue) const {
    const int top = m_model.top() + 1;
    const int bottom = m_model.bottom() - 1;
    QPainterPath triangle;
    triangle.moveTo(x, top);
    triangle.lineTo(x + KeyRangeModel::kHandleWidth, top);
    triangle.lineTo(x + KeyRangeModel::kHandleWidth / 2.0, bottom);
    triangle.closeSubpath();
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(blue ? kSingleHandle : kRangeHandle);
    painter.drawPath(triangle);
    painter.setPen(kLabel);
    painter.drawText(labelRect(painter.fontMetrics(), x, key), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(keyRangeLabel(key)));
}

void KeyRangeBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (m_background.isNull()) {
        painter.fillRect(rect(), QColor(0, 74, 0));
    } else {
        painter.drawPixmap(rect(), m_background);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale(), static_cast<double>(height()) / m_tableHeight);
    QFont font = painter.font();
    font.setPixelSize(std::max(6, m_model.bottom() - m_model.top() - 2));
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();

    // Where the handles and their labels are: an octave label there would be written over.
    const bool twoHandles = m_model.twoHandles();
    std::vector<QRect> taken{labelRect(metrics, m_model.lowX(), m_model.lowKey()),
                             QRect(m_model.lowX(), m_model.top(), KeyRangeModel::kHandleWidth + 1, m_model.bottom())};
    if (twoHandles) {
        taken.push_back(labelRect(metrics, m_model.highX(), m_model.highKey()));
        taken.emplace_back(m_model.highX(), m_model.top(), KeyRangeModel::kHandleWidth + 1, m_model.bottom());
    }
    // The octaves along the bar, each label at its octave's first key.
    painter.setPen(kOctaveLabel);
    const int octaves = (m_model.spanHigh() - m_model.spanLow()) / 12;
    for (int i = 1; i <= octaves; ++i) {
        const QString text = QStringLiteral("C%1").arg(i);
        const QRect at(m_model.left() + m_model.octaveWidth() * (i - 1) + 5, m_model.top(),
                       metrics.horizontalAdvance(text) + 2, m_model.bottom() - m_model.top());
        if (std::none_of(taken.begin(), taken.end(), [&at](const QRect& r) { return r.intersects(at); })) {
            painter.drawText(at, Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    }
    paintHandle(painter, m_model.lowX(), m_model.lowKey(), !twoHandles);
    if (twoHandles) {
        paintHandle(painter, m_model.highX(), m_model.highKey(), false);
    }
}

} // namespace tonwerk::ui
