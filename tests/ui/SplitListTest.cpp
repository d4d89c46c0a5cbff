#include "screens/controls/SplitList.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace tonwerk::ui;

namespace {

std::unique_ptr<SplitList> list() {
    auto l = std::make_unique<SplitList>();
    l->resize(508, 119);
    for (int row = 0; row < SplitList::kRows; ++row) {
        l->setLine(row, QStringLiteral("Split %1\tAcoustic Grand Piano\t1\t0-127\tC-1-G9\t1\t0").arg(row + 1));
    }
    return l;
}

QPoint cellCentre(const SplitList& l, int visibleRow, int column) {
    const ColumnSpan span = l.columns()[static_cast<std::size_t>(column - 1)];
    return {(span.left + span.right) / 2, l.rowTop(visibleRow) + l.rowHeight() / 2};
}

void wheel(SplitList& l, int delta, Qt::KeyboardModifiers modifiers = {}) {
    QWheelEvent event(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&l, &event);
}

} // namespace

// Nine rows of 13 pixels fit the Master screen's list; a long name is shortened with "..." and
// never reaches the output-channel column, at every scale.
TEST(SplitList, RowsColumnsAndShortening) {
    auto l = list();
    EXPECT_EQ(l->rowHeight(), 13);
    EXPECT_EQ(l->visibleRows(), 9);
    const QString longName(200, QLatin1Char('W'));
    for (const double scale : {1.0, 1.5, 2.0}) {
        l->setScale(scale);
        l->resize(static_cast<int>(508 * scale), static_cast<int>(119 * scale));
        EXPECT_EQ(l->visibleRows(), 9) << scale;
        l->setLine(3, QStringLiteral("Split 4\t") + longName + QStringLiteral("\t1\t0-127\tC1-C5\t1\t0"));
        const QString shown = l->shownName(3);
        EXPECT_TRUE(shown.endsWith(QStringLiteral("..."))) << shown.toStdString();
        const auto spans = l->columns();
        const QFontMetrics metrics(l->font());
        EXPECT_LT(spans[1].left + metrics.horizontalAdvance(shown), spans[2].left) << scale;
        // A short name is shown whole.
        l->setLine(4, QStringLiteral("Split 5\tBass\t1\t0-127\tC1-C5\t1\t0"));
        EXPECT_EQ(l->shownName(4), QStringLiteral("Bass"));
    }
}

// A right click on a row that is not selected selects it first, then asks for its column's menu;
// the column is remembered.
TEST(SplitList, RightClickSelectsThenAsksForTheMenu) {
    auto l = list();
    l->setSelected(0);
    QSignalSpy selection(l.get(), &SplitList::selectionChanged);
    QSignalSpy menu(l.get(), &SplitList::menuRequested);
    const QPoint at = cellCentre(*l, 2, 3);
    QTest::mousePress(l.get(), Qt::RightButton, {}, at);
    ASSERT_EQ(selection.count(), 1);
    EXPECT_EQ(selection.at(0).at(0).toInt(), 2);
    EXPECT_EQ(menu.count(), 0);
    QTest::mouseRelease(l.get(), Qt::RightButton, {}, at);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toInt(), 2);
    EXPECT_EQ(menu.at(0).at(1).toInt(), 3);
    EXPECT_EQ(l->clickedColumn(), 3);
    // Right of the last column there is no column and no menu.
    QTest::mousePress(l.get(), Qt::RightButton, {}, QPoint(l->width() - 2, 5));
    QTest::mouseRelease(l.get(), Qt::RightButton, {}, QPoint(l->width() - 2, 5));
    EXPECT_EQ(menu.count(), 1);
}

// The wheel scrolls one row a notch unless Shift or Ctrl is held; scrolling keeps the selection
// among the six rows from the top and never leaves rows 0-15.
TEST(SplitList, WheelAndTheScrollRule) {
    auto l = list();
    l->setSelected(0);
    QSignalSpy selection(l.get(), &SplitList::selectionChanged);
    QSignalSpy scrolled(l.get(), &SplitList::scrolled);
    wheel(*l, -120, Qt::ShiftModifier);
    wheel(*l, -120, Qt::ControlModifier);
    wheel(*l, 0);
    EXPECT_EQ(l->topRow(), 0);
    EXPECT_EQ(scrolled.count(), 0);
    wheel(*l, -120);
    EXPECT_EQ(l->topRow(), 1);
    // The selected row left the top: the new top row is selected.
    ASSERT_EQ(selection.count(), 1);
    EXPECT_EQ(l->selected(), 1);
    for (int i = 0; i < 30; ++i) {
        wheel(*l, -120);
    }
    EXPECT_EQ(l->topRow(), SplitList::kMaxTopRow);
    EXPECT_EQ(l->selected(), SplitList::kMaxTopRow);
    // Up again: a selection more than five rows below the top moves up with it.
    l->setSelected(23);
    l->scrollTo(10);
    EXPECT_EQ(l->selected(), 22);
    wheel(*l, 120);
    EXPECT_EQ(l->topRow(), 9);
    l->scrollTo(-4);
    EXPECT_EQ(l->topRow(), 0);

    // A fine wheel: 15 units at a time make one line per 120; turning back starts over.
    l->scrollTo(5);
    for (int i = 0; i < 7; ++i) {
        wheel(*l, -15);
    }
    EXPECT_EQ(l->topRow(), 5);
    wheel(*l, -15);
    EXPECT_EQ(l->topRow(), 6);
    for (int i = 0; i < 4; ++i) {
        wheel(*l, -15);
    }
    wheel(*l, 60);
    wheel(*l, 60);
    EXPECT_EQ(l->topRow(), 5);
    wheel(*l, -360);
    EXPECT_EQ(l->topRow(), 8);
}

// The in-place field: a left click into the list hands its text on, Enter too, the right button
// and Escape drop it.
TEST(SplitList, InPlaceFieldHandsOnOrDrops) {
    auto l = list();
    l->show();
    l->setSelected(1);
    QSignalSpy edited(l.get(), &SplitList::cellEdited);
    l->editCell(3, QStringLiteral("5"));
    ASSERT_TRUE(l->editing());
    auto* field = l->findChild<QLineEdit*>(QStringLiteral("splitListField"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->selectedText(), QStringLiteral("5"));
    EXPECT_EQ(field->geometry().left(), l->columns()[2].left);
    field->setText(QStringLiteral("12"));
    QTest::mousePress(l.get(), Qt::LeftButton, {}, cellCentre(*l, 5, 2));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 1);
    EXPECT_EQ(edited.at(0).at(1).toInt(), 3);
    EXPECT_EQ(edited.at(0).at(2).toString(), QStringLiteral("12"));
    EXPECT_FALSE(l->editing());

    l->editCell(7, QStringLiteral("0"));
    QTest::mousePress(l.get(), Qt::RightButton, {}, cellCentre(*l, 5, 2));
    QTest::mouseRelease(l.get(), Qt::RightButton, {}, cellCentre(*l, 5, 2));
    EXPECT_FALSE(l->editing());
    EXPECT_EQ(edited.count(), 1);

    l->editCell(6, QStringLiteral("3"));
    field = l->findChild<QLineEdit*>(QStringLiteral("splitListField"));
    ASSERT_NE(field, nullptr);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(edited.count(), 2);
    l->editCell(6, QStringLiteral("3"));
    field = l->findChild<QLineEdit*>(QStringLiteral("splitListField"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(edited.count(), 2);
    EXPECT_FALSE(l->editing());
}
