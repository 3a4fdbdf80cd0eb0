// Painting the grid's data cells: the draw hook sees the painted row as the active record, a brush
// set in the hook fills the whole cell, and a change of one field repaints only its column.
#include "runtime/Geometry.h"
#include "tests/PaintedArea.h"
#include "tests/data/GridFixture.h"

namespace {

class GridPaintTest : public ControlTest {
  protected:
    // Colours every cell by the sign of its row's balance, as the register window does.
    void InstallBalanceHook() {
        grid->OnDrawColumnCell = [this](const Rect& rect, int dataCol, TColumn* column,
                                        TGridDrawState state) {
            TField* balance = grid->Fields(9);
            const int value = balance ? balance->AsInteger() : 0;
            grid->Canvas()->Brush().SetColor(value < 0 ? QColor(255, 0, 0) : QColor(0, 128, 0));
            grid->DefaultDrawColumnCell(rect, dataCol, column, state);
        };
    }
};

TEST_F(GridPaintTest, TheHookReadsThePaintedRowAndTheCurrentRecordIsRestored) {
    MakeLedger(6);
    MakeGrid(true);
    dataSet->Open();
    dataSet->MoveBy(2);
    std::map<int, double> balanceByRow;
    std::map<int, QString> transactionByRow;
    grid->OnDrawColumnCell = [&](const Rect& rect, int dataCol, TColumn*, TGridDrawState) {
        const int row = (rect.top() - grid->TitleRowHeight()) / grid->DefaultRowHeight();
        if (dataCol == 9) balanceByRow[row] = grid->Fields(9)->AsFloat();
        if (dataCol == 1) transactionByRow[row] = dataSet->FieldByName("Transakcije")->AsString();
    };
    Grab();

    ASSERT_EQ(balanceByRow.size(), 6u);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(balanceByRow[row], dataSet->Stored(row, 7).toDouble()) << "row " << row;
        EXPECT_EQ(transactionByRow[row], QString::number(row + 1)) << "row " << row;
    }
    EXPECT_EQ(dataSet->FieldByName("Transakcije")->AsInteger(), 3);
}

TEST_F(GridPaintTest, ABrushSetInTheHookFillsEveryCellOfTheRowToItsEdges) {
    MakeLedger(4);
    MakeGrid(true);
    InstallBalanceHook();
    dataSet->Open();
    const QImage image = Grab();
    const QColor red(255, 0, 0);
    const QColor green(0, 128, 0);
    for (int row = 0; row < 4; ++row) {
        const QColor expected = dataSet->Stored(row, 7).toDouble() < 0 ? red : green;
        for (int c = 0; c < 10; ++c) {
            if (row == 0 && c == 0) continue;  // the focused cell carries the focus rectangle
            const Rect cell = grid->CellRect(c, row);
            const QPoint corners[] = {cell.topLeft(), cell.topRight(), cell.bottomLeft(), cell.bottomRight()};
            for (const QPoint& corner : corners) {
                EXPECT_EQ(image.pixelColor(corner), expected) << "row " << row << " column " << c;
            }
            const Rect margin(cell.left(), cell.top(), 2, cell.height());
            EXPECT_EQ(pixelsNotOf(image, margin, expected), 0) << "row " << row << " column " << c;
        }
    }
    EXPECT_EQ(image.pixelColor(grid->CellRect(0, 0).topLeft() + QPoint(1, 1)), red) << "the focused cell";
    EXPECT_EQ(image.pixelColor(grid->IndicatorRect(1).center()), grid->FixedColor()) << "the indicator stays";
}

TEST_F(GridPaintTest, TheSelectedCellKeepsTheHookColourAndTheHighlightTextColour) {
    MakeLedger(2);
    MakeGrid(true);
    InstallBalanceHook();
    grid->SetOptions(grid->Options() | dgAlwaysShowSelection);
    dataSet->Open();
    grid->SetSelectedIndex(3);
    const QImage image = Grab();
    const Rect cell = grid->CellRect(3, 0);
    EXPECT_EQ(image.pixelColor(cell.topLeft() + QPoint(1, 1)), QColor(255, 0, 0));
    const QColor highlightText = grid->palette().color(QPalette::HighlightedText);
    const QColor normalText = grid->palette().color(QPalette::Text);
    int highlightPixels = 0;
    int normalPixels = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (image.pixelColor(x, y) == highlightText) ++highlightPixels;
            if (image.pixelColor(x, y) == normalText) ++normalPixels;
        }
    }
    EXPECT_GT(highlightPixels, 0);
    EXPECT_EQ(normalPixels, 0);
}

TEST_F(GridPaintTest, AHookWithoutTheBalanceColumnKeepsTheDefaultColours) {
    dataSet = std::make_unique<MemoryDataSet>(std::vector<MemoryColumn>{{"prezimeime", ftString, 30}});
    dataSet->AddRow({QStringLiteral("ANA")});
    dataSet->AddRow({QStringLiteral("BORA")});
    source->SetDataSet(dataSet.get());
    MakeGrid(true);
    InstallBalanceHook();
    dataSet->Open();
    const QImage image = Grab();
    EXPECT_EQ(image.pixelColor(grid->CellRect(5, 1).topLeft()), QColor(0, 128, 0));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(GridPaintTest, AFailingHookLeavesItsRowInTheGridsColoursAndIsReportedOnceAfterThePaint) {
    MakeLedger(2);
    dataSet->AddRow(ledgerRow(1, 3, QStringLiteral("PETROVIC PETAR"), 3000000000.0));
    MakeGrid(true);
    InstallBalanceHook();
    dataSet->Open();
    const QImage image = Grab();
    EXPECT_TRUE(messages.shown.empty()) << "painting opens no window";
    EXPECT_EQ(image.pixelColor(grid->CellRect(5, 1).topLeft()), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(grid->CellRect(5, 2).topLeft()), grid->Color());
    EXPECT_GT(pixelsNotOf(image, grid->CellRect(3, 2), grid->Color()), 0) << "the cell's text is drawn";

    QApplication::processEvents();
    Grab();
    QApplication::processEvents();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Error);

    dataSet->Close();
    dataSet->Open();
    Grab();
    QApplication::processEvents();
    EXPECT_EQ(messages.shown.size(), 2u) << "a result opened again is reported again";
}

TEST_F(GridPaintTest, AFieldChangeRepaintsOnlyItsColumn) {
    MakeLedger(8);
    MakeGrid(true);
    dataSet->Open();
    QApplication::processEvents();
    PaintedArea recorder;
    grid->viewport()->installEventFilter(&recorder);
    dataSet->Edit();
    QApplication::processEvents();
    recorder.area = Rect();

    dataSet->FieldByName("Razlog")->SetAsString("GO");
    QApplication::processEvents();

    const Rect column = grid->CellRect(4, 0);
    const Rect painted = recorder.area;
    EXPECT_EQ(painted.left(), column.left());
    EXPECT_LE(painted.right(), column.right() + 1);
    EXPECT_LT(painted.width(), grid->viewport()->width() / 4);
}

}  // namespace
