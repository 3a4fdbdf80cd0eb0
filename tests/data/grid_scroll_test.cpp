// The grid's vertical scroll bar and wheel, and cancelling an untouched new row when the focus leaves.
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include "tests/data/GridFixture.h"

namespace {

class GridScrollTest : public ControlTest {
  protected:
    void Open(int rows) {
        MakeLedger(rows);
        MakeGrid(true);
        dataSet->Open();
    }
    double Transaction() const { return dataSet->FieldByName("Transakcije")->AsFloat(); }
};

TEST_F(GridScrollTest, TheThumbShowsTopMiddleAndBottom) {
    Open(50);
    QScrollBar* bar = grid->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->minimum());
    dataSet->MoveBy(20);
    EXPECT_GT(bar->value(), bar->minimum());
    EXPECT_LT(bar->value(), bar->maximum());
    dataSet->Last();
    dataSet->Next();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(GridScrollTest, ScrollBarStepsAndPagesMoveTheCurrentRecord) {
    Open(50);
    QScrollBar* bar = grid->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Transaction(), 2);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Transaction(), 2 + grid->VisibleRowCount());
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Transaction(), 50);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Transaction(), 1);
}

TEST_F(GridScrollTest, TheWheelMovesOneRecordPerNotch) {
    Open(10);
    const QPointF at = grid->CellRect(3, 2).center();
    QWheelEvent down(at, grid->viewport()->mapToGlobal(at), {}, QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &down);
    EXPECT_EQ(Transaction(), 3);
}

TEST_F(GridScrollTest, LeavingTheGridCancelsAnUntouchedNewRowButKeepsATypedOne) {
    Open(3);
    auto* other = new QLineEdit(window.get());
    other->move(0, 270);
    other->show();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    ASSERT_EQ(dataSet->State(), DataSetState::Insert);
    other->setFocus();
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
    EXPECT_EQ(dataSet->RowCount(), 3);

    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    grid->SetSelectedIndex(3);
    QTest::keyClicks(grid, "NOVA");
    other->setFocus();
    EXPECT_EQ(dataSet->State(), DataSetState::Insert);
}

}  // namespace
