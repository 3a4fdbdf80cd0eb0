// The grid's layout: columns and their fields, row heights, default widths, the rows it asks the
// dataset for, and what an empty or foreign result looks like.
#include <QFontMetrics>
#include <QScrollBar>

#include "runtime/Geometry.h"
#include "tests/data/GridFixture.h"

namespace {

class GridLayoutTest : public ControlTest {};

TEST_F(GridLayoutTest, RegisterColumnsOverATwoColumnResultShowOnlyTheNameColumn) {
    dataSet = std::make_unique<MemoryDataSet>(
        std::vector<MemoryColumn>{{"prezimeime", ftString, 30}, {"stanje", ftFloat}});
    dataSet->AddRow({QStringLiteral("ANA"), 3.0});
    dataSet->AddRow({QStringLiteral("BORA"), -2.0});
    source->SetDataSet(dataSet.get());
    MakeGrid(true);
    dataSet->Open();

    ASSERT_EQ(grid->Columns().Count(), 10);
    for (int c = 0; c < 10; ++c) {
        if (c == 3) {
            ASSERT_NE(grid->Fields(c), nullptr);
            EXPECT_EQ(grid->Fields(c)->AsString(), "ANA");
        } else {
            EXPECT_EQ(grid->Fields(c), nullptr) << "column " << c;
            EXPECT_EQ(grid->Columns().Items(c)->Title().Caption(), registerColumnNames()[c]);
        }
    }
    EXPECT_EQ(grid->Fields(10), nullptr);
    EXPECT_EQ(grid->Fields(-1), nullptr);

    const QImage image = Grab();
    for (int row = 0; row < 2; ++row) {
        EXPECT_GT(pixelsNotOf(image, grid->CellRect(3, row), grid->Color()), 0) << "name of row " << row;
        for (int c : {0, 1, 2, 9}) {
            if (row == 0 && c == 0) continue;  // the current cell may be highlighted
            EXPECT_EQ(pixelsNotOf(image, grid->CellRect(c, row), grid->Color()), 0) << "column " << c;
        }
    }
}

TEST_F(GridLayoutTest, DefaultColumnsFollowTheVisibleFieldsOfEachResult) {
    MakeLedger(3);
    MakeGrid(false);
    dataSet->Open();
    ASSERT_EQ(grid->Columns().Count(), 12);
    EXPECT_EQ(grid->Columns().Items(3)->Title().Caption(), "PrezimeIme");
    EXPECT_EQ(grid->Fields(3)->AsString(), "PETROVIC PETAR");

    dataSet->Close();
    EXPECT_EQ(grid->Columns().Count(), 0);
    auto other = std::make_unique<MemoryDataSet>(std::vector<MemoryColumn>{{"ukupno", ftFloat}});
    other->AddRow({7.0});
    source->SetDataSet(other.get());
    other->Open();
    ASSERT_EQ(grid->Columns().Count(), 1);
    EXPECT_EQ(grid->Fields(0)->AsInteger(), 7);
    source->SetDataSet(nullptr);
}

TEST_F(GridLayoutTest, RowAndTitleHeightsComeFromTheFonts) {
    MakeLedger(1);
    MakeGrid(true);
    const int textHeight = QFontMetrics(grid->Font()).height();
    EXPECT_EQ(grid->DefaultRowHeight(), textHeight + 3 + 1);
    EXPECT_EQ(grid->TitleRowHeight(), QFontMetrics(grid->TitleFont()).height() + 4 + 1);

    grid->SetOptions(grid->Options() & ~TDBGridOptions(dgRowLines));
    EXPECT_EQ(grid->DefaultRowHeight(), textHeight + 3);

    QFont big = grid->TitleFont();
    big.setPixelSize(24);
    grid->Columns().Items(4)->Title().SetFont(big);
    EXPECT_EQ(grid->TitleRowHeight(), QFontMetrics(big).height() + 4);

    grid->SetOptions(grid->Options() & ~TDBGridOptions(dgTitles));
    EXPECT_EQ(grid->TitleRowHeight(), 0);
}

TEST_F(GridLayoutTest, UnsetWidthsComeFromDisplayWidthAndTitle) {
    MakeLedger(1);
    MakeGrid(true);
    TColumn* missing = grid->Columns().Add();
    missing->SetFieldName("Nema");
    dataSet->Open();
    const QFontMetrics metrics(grid->Font());
    const int zero = metrics.horizontalAdvance(QLatin1Char('0'));
    EXPECT_EQ(grid->Columns().Items(2)->Width(), zero * 10 + 4);  // the date column, 10 characters
    EXPECT_EQ(grid->Columns().Items(3)->Width(), 133);            // set explicitly
    EXPECT_EQ(missing->Width(), 64);

    dataSet->FieldByName("Datum")->SetDisplayWidth(1);
    const int titleWidth = QFontMetrics(grid->TitleFont()).horizontalAdvance("Datum") + 4;
    EXPECT_EQ(grid->Columns().Items(2)->Width(), std::max(zero + 4, titleWidth));
}

TEST_F(GridLayoutTest, TheDataSetBuffersExactlyTheVisibleRows) {
    MakeLedger(100);
    MakeGrid(true);
    dataSet->Open();
    const int rows = grid->VisibleRowCount();
    EXPECT_EQ(rows, (grid->viewport()->height() - grid->TitleRowHeight()) / grid->DefaultRowHeight());
    EXPECT_EQ(dataSet->BufferCount(), rows);
    EXPECT_EQ(dataSet->RecordCount(), rows);

    grid->resize(grid->width(), grid->height() + 5 * grid->DefaultRowHeight());
    EXPECT_EQ(grid->VisibleRowCount(), rows + 5);
    EXPECT_EQ(dataSet->BufferCount(), rows + 5);
    EXPECT_EQ(dataSet->RecordCount(), rows + 5);
}

TEST_F(GridLayoutTest, AnEmptyDataSetShowsTitlesAndOneEmptyRowWithTheArrow) {
    MakeLedger(0);
    MakeGrid(true);
    dataSet->Open();
    const QImage image = Grab();

    EXPECT_GT(pixelsNotOf(image, grid->TitleRect(3).adjusted(2, 2, -2, -2),
                          grid->Columns().Items(3)->Title().Color()),
              0);
    const Rect arrow = grid->IndicatorRect(0).adjusted(1, 1, -1, -1);
    EXPECT_GT(pixelsNotOf(image, arrow, grid->FixedColor()), 0) << "the arrow";
    EXPECT_EQ(pixelsNotOf(image, grid->CellRect(3, 0), grid->Color()), 0) << "an empty row";
    const Rect below(0, grid->IndicatorRect(1).top() + 1, grid->viewport()->width(),
                     grid->DefaultRowHeight() - 2);
    EXPECT_EQ(pixelsNotOf(image, below, grid->Color()), 0) << "nothing under the empty row";
    EXPECT_EQ(grid->CurrentRow(), 0);
}

TEST_F(GridLayoutTest, TheIndicatorMarkFollowsTheState) {
    MakeLedger(3);
    MakeGrid(true);
    dataSet->Open();
    const Rect mark = grid->IndicatorRect(0).adjusted(1, 1, -1, -1);
    const QImage browse = Grab().copy(mark);
    dataSet->Edit();
    const QImage edit = Grab().copy(mark);
    dataSet->Cancel();
    dataSet->Insert();
    const QImage insert = Grab().copy(mark);
    EXPECT_NE(browse, edit);
    EXPECT_NE(browse, insert);
    EXPECT_NE(edit, insert);
    const QImage afterRow = Grab().copy(grid->IndicatorRect(1).adjusted(1, 1, -1, -1));
    EXPECT_EQ(pixelsNotOf(afterRow, afterRow.rect(), grid->FixedColor()), 0)
        << "only the current row is marked";
}

TEST_F(GridLayoutTest, MoreThan256ColumnsAreRefused) {
    MakeGrid(false);
    for (int c = 0; c < 256; ++c) grid->Columns().Add()->SetFieldName(QString("c%1").arg(c));
    try {
        grid->Columns().Add();
        FAIL() << "expected an exception";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Grid requested to display more than 256 columns");
    }
}

TEST_F(GridLayoutTest, AClosedDataSetLeavesTheColumnsWithoutFields) {
    MakeLedger(2);
    MakeGrid(true);
    dataSet->Open();
    ASSERT_NE(grid->Fields(0), nullptr);
    dataSet->Close();
    for (int c = 0; c < 10; ++c) EXPECT_EQ(grid->Fields(c), nullptr);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 0);
}

}  // namespace
