// The grid's mouse: a press makes the clicked row current before the context menu opens, a click on
// the current cell opens the editor, title borders resize columns; and re-pointing the data source.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>

#include "runtime/Geometry.h"
#include "tests/GridMouse.h"
#include "tests/data/GridFixture.h"

namespace {

class GridMouseTest : public ControlTest {
  protected:
    void Open(int rows) {
        MakeLedger(rows);
        MakeGrid(true);
        dataSet->Open();
    }
    void Click(Qt::MouseButton button, const QPoint& at) {
        QTest::mouseClick(grid->viewport(), button, {}, at);
    }
    double Transaction() const { return dataSet->FieldByName("Transakcije")->AsFloat(); }
};

TEST_F(GridMouseTest, ARightClickMovesToTheRowBeforeTheMenuOpens) {
    Open(6);
    QMenu menu;
    menu.addAction("Stampa zahteva za GO");
    double transactionWhenShown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, [&] { transactionWhenShown = Transaction(); });
    grid->SetPopupMenu(&menu);

    const QPoint at = grid->CellRect(4, 3).center();
    Click(Qt::RightButton, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &request);

    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(transactionWhenShown, 4);
    EXPECT_EQ(grid->SelectedIndex(), 4);
    menu.hide();
}

TEST_F(GridMouseTest, AClickOnTheCurrentCellOpensTheEditor) {
    Open(3);
    const QPoint at = grid->CellRect(3, 1).center();
    Click(Qt::LeftButton, at);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(Transaction(), 2);
    Click(Qt::LeftButton, at);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->text(), "PETROVIC PETAR");
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(3, 1));
}

TEST_F(GridMouseTest, AClickBelowTheRowsChangesNothing) {
    Open(2);
    Click(Qt::LeftButton, QPoint(grid->CellRect(3, 0).center().x(), grid->CellRect(3, 5).center().y()));
    EXPECT_EQ(Transaction(), 1);
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
}

TEST_F(GridMouseTest, DraggingATitleBorderResizesTheColumn) {
    Open(2);
    dragTitleBorder(*grid, 3, 30);
    EXPECT_EQ(grid->Columns().Items(3)->Width(), 133 + 30);
    EXPECT_EQ(Transaction(), 1);
}

TEST_F(GridMouseTest, RepointingTheDataSourceShowsTheOtherDataSet) {
    Open(3);
    MemoryDataSet totals({{"prezimeime", ftString, 30}, {"stanje", ftFloat}});
    totals.AddRow({QStringLiteral("ZORAN"), 4.0});
    TDataSource other;
    other.SetDataSet(&totals);
    totals.Open();

    grid->SetDataSource(&other);
    EXPECT_EQ(grid->Fields(3)->AsString(), "ZORAN");
    EXPECT_EQ(grid->Fields(0), nullptr);
    EXPECT_EQ(totals.BufferCount(), grid->VisibleRowCount());
    EXPECT_EQ(dataSet->BufferCount(), 1) << "the old dataset no longer buffers for the grid";
    grid->SetDataSource(source);
    EXPECT_EQ(grid->Fields(3)->AsString(), "PETROVIC PETAR");
}

}  // namespace
