#include "SplitList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tonwerk::ui {

namespace {

const QColor kSelectedFill(255, 192, 0);
const QColor kListGround(0x00, 0x26, 0x00);
const QColor kListText(0x00, 0xFF, 0xFF);

} // namespace

SplitList::SplitList(QWidget* parent) : QWidget(parent) {
    for (int row = 0; row < kRows; ++row) {
        m_lines.append(QString());
    }
    setScale(1.0);
    setFocusPolicy(Qt::ClickFocus);
}

void SplitList::setScale(double scale) {
    m_scale = scale > 0 ? scale : 1.0;
    QFont f = font();
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(kFontPixels * m_scale))));
    f.setWeight(QFont::Normal);
    setFont(f);
    cancelEdit();
    update();
}

void SplitList::setLine(int row, const QString& line) {
    if (row < 0 || row >= kRows || m_lines[row] == line) {
        return;
    }
    m_lines[row] = line;
    update();
}

QString SplitList::line(int row) const { return row >= 0 && row < kRows ? m_lines[row] : QString(); }

void SplitList::setSelected(int row) {
    const int next = row >= 0 && row < kRows ? row : -1;
    if (next != m_selected) {
        m_selected = next;
        update();
    }
}

void SplitList::scrollTo(int topRow) {
    const int top = std::clamp(topRow, 0, kMaxTopRow);
    if (top != m_top) {
        m_top = top;
        cancelEdit();
        update();
    }
    if (m_selected >= 0) {
        const int kept = selectionAfterScroll(m_selected, m_top);
        if (kept != m_selected) {
            m_selected = kept;
            emit selectionChanged(kept);
        }
    }
    emit scrolled(m_top);
}

int SplitList::rowHeight() const { return std::max(1, static_cast<int>(std::lround(kRowPixels * m_scale))); }

int SplitList::rowTop(int visible) const { return static_cast<int>(std::lround(visible * kRowPixels * m_scale)); }

int SplitList::visibleRows() const {
    return std::max(1, static_cast<int>(std::floor((height() + 0.5) / (kRowPixels * m_scale))));
}

TextWidth SplitList::textWidth() const {
    const QFontMetrics metrics(font());
    return [metrics](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    };
}

std::array<ColumnSpan, kSplitListColumns> SplitList::columns() const { return splitListColumns(width(), textWidth()); }

QString SplitList::shownName(int row) const {
    const QStringList fields = line(row).split(QLatin1Char('\t'));
    if (fields.size() < 2) {
        return {};
    }
    const auto spans = columns();
    const std::string shortened = shortenedName(fields[1].toStdString(), spans[1].right - spans[1].left, textWidth());
    return QString::fromStdString(shortened);
}

int SplitList::rowAt(int y) const {
    return m_top + static_cast<int>(std::floor(std::max(0, y) / (kRowPixels * m_scale)));
}

void SplitList::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), kListGround);
    const auto spans = columns();
    for (int visible = 0; visible < visibleRows() + 1; ++visible) {
        const int row = m_top + visible;
        if (row >= kRows) {
            break;
        }
        const QRect rowRect(0, rowTop(visible), width(), rowTop(visible + 1) - rowTop(visible));
        const bool selectedRow = row == m_selected;
        if (selectedRow) {
            painter.fillRect(rowRect, kSelectedFill);
        }
        painter.setPen(selectedRow ? QColor(Qt::black) : kListText);
        const QStringList fields = m_lines[row].split(QLatin1Char('\t'));
        for (int column = 0; column < kSplitListColumns && column < fields.size(); ++column) {
            const ColumnSpan span = spans[static_cast<std::size_t>(column)];
            const QRect cell(span.left, rowRect.top() + 1, std::max(0, span.right - span.left), rowRect.height() - 2);
            if (column == 1) {
                painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, shownName(row));
            } else {
                painter.drawText(cell, Qt::AlignHCenter | Qt::AlignVCenter, fields[column]);
            }
        }
    }
}

void SplitList::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        commitEdit();
        const int row = rowAt(at.y());
        if (row < kRows && row != m_selected) {
            setSelected(row);
            emit selectionChanged(row);
        }
        return;
    }
    if (event->button() == Qt::RightButton) {
        m_clickedColumn = columnAt(columns(), at.x());
        const int row = rowAt(at.y());
        if (row >= kRows) {
            return;
        }
        if (row != m_selected) {
            setSelected(row);
            emit selectionChanged(row);
        }
    }
}

void SplitList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        return;
    }
    // The right button's release hides the in-place field without applying it; the menu of the
    // clicked column follows.
    cancelEdit();
    const int row = rowAt(event->position().toPoint().y());
    if (row < kRows && m_clickedColumn) {
        emit menuRequested(row, *m_clickedColumn, event->globalPosition().toPoint());
    }
}

void SplitList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    m_clickedColumn = columnAt(columns(), at.x());
    const int row = rowAt(at.y());
    if (row < kRows) {
        emit doubleClicked(row, m_clickedColumn.value_or(0));
    }
}

void SplitList::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0 || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) != 0) {
        event->ignore();
        return;
    }
    // One line per notch of 120 units: a fine-grained wheel or a touchpad sends many small steps
    // that add up, a turn back in between starts over.
    if ((delta > 0) != (m_wheelRest > 0)) {
        m_wheelRest = 0;
    }
    m_wheelRest += delta;
    while (m_wheelRest >= kWheelNotch) {
        m_wheelRest -= kWheelNotch;
        scrollTo(m_top - 1);
    }
    while (m_wheelRest <= -kWheelNotch) {
        m_wheelRest += kWheelNotch;
        scrollTo(m_top + 1);
    }
    event->accept();
}

void SplitList::editCell(int column, const QString& value) {
    if (m_selected < 0 || column < 1 || column > kSplitListColumns) {
        return;
    }
    if (m_edit == nullptr) {
        m_edit = new QLineEdit(this);
        m_edit->setObjectName(QStringLiteral("splitListField"));
        m_edit->installEventFilter(this);
    }
    const ColumnSpan span = columns()[static_cast<std::size_t>(column - 1)];
    m_edit->setFont(font());
    m_edit->setGeometry(span.left, rowTop(m_selected - m_top), std::max(span.right - span.left, 1), rowHeight());
    m_edit->setText(value);
    m_editRow = m_selected;
    m_editColumn = column;
    m_edit->show();
    m_edit->setFocus();
    m_edit->selectAll();
}

bool SplitList::editing() const { return m_edit != nullptr && m_edit->isVisible(); }

bool SplitList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitEdit();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cancelEdit();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SplitList::commitEdit() {
    if (!editing()) {
        return;
    }
    const QString text = m_edit->text();
    const int row = m_editRow;
    const int column = m_editColumn;
    cancelEdit();
    emit cellEdited(row, column, text);
}

void SplitList::cancelEdit() {
    // The field is kept hidden for the next edit.
    if (m_edit != nullptr) {
        m_edit->hide();
    }
    m_editRow = -1;
}

} // namespace tonwerk::ui
