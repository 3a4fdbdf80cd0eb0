// The grid's keyboard: moving between rows and columns, appending and cancelling rows, the in-place
// editor, deleting with the confirmation question and saving as CSV, on rows in memory and on a real
// ledger.
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "tests/CsvReader.h"
#include "tests/XlsxReader.h"
#include "tests/data/GridFixture.h"

namespace {

class GridKeysTest : public ControlTest {
  protected:
    void Open(int rows) {
        MakeLedger(rows);
        MakeGrid(true);
        dataSet->Open();
    }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = grid->EditorMode() ? static_cast<QWidget*>(grid->InplaceEditor()) : grid;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    double Transaction() const { return dataSet->FieldByName("Transakcije")->AsFloat(); }
    // Opens the in-place editor in column `column` of the current row with F2.
    void EditCell(int column) {
        grid->SetSelectedIndex(column);
        Press(Qt::Key_F2);
    }
    // Types `text` into column `column` of the current row, with no editor open before.
    void TypeInto(int column, const char* text) {
        grid->SetSelectedIndex(column);
        QTest::keyClicks(grid, text);
    }
};

TEST_F(GridKeysTest, DownOnTheLastRowAppendsAndUpRemovesTheUntouchedRow) {
    Open(3);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(Transaction(), 3);
    Press(Qt::Key_Down);
    EXPECT_EQ(dataSet->State(), DataSetState::Insert);
    EXPECT_EQ(grid->CurrentRow(), 3);
    Press(Qt::Key_Down);
    EXPECT_EQ(dataSet->State(), DataSetState::Insert) << "Down on an untouched last row does nothing";
    Press(Qt::Key_Up);
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
    EXPECT_EQ(dataSet->RowCount(), 3);
    EXPECT_EQ(Transaction(), 3);
}

TEST_F(GridKeysTest, DownAfterTypingIntoTheAppendedRowStoresIt) {
    Open(2);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    ASSERT_EQ(dataSet->State(), DataSetState::Insert);
    TypeInto(3, "NOVI");
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->text(), "NOVI");
    Press(Qt::Key_Up);
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
    ASSERT_EQ(dataSet->RowCount(), 3);
    EXPECT_EQ(dataSet->Stored(2, 3).toString(), "NOVI");
}

TEST_F(GridKeysTest, InsertStartsARowAndEscapeCancelsIt) {
    Open(3);
    Press(Qt::Key_Insert);
    EXPECT_EQ(dataSet->State(), DataSetState::Insert);
    Press(Qt::Key_Escape);
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
    EXPECT_EQ(dataSet->RowCount(), 3);
}

TEST_F(GridKeysTest, ARefusingDataSetGetsNoNewRows) {
    Open(2);
    dataSet->SetCanModify(false);
    Press(Qt::Key_Insert);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
    TypeInto(3, "X");
    EXPECT_FALSE(grid->EditorMode());
    Press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(dataSet->RowCount(), 2);
}

TEST_F(GridKeysTest, EscapeFirstRestoresTheEditorThenCancelsTheEdit) {
    Open(2);
    EditCell(3);
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(dataSet->State(), DataSetState::Edit);
    QTest::keyClicks(grid->InplaceEditor(), "ZZ");
    Press(Qt::Key_Escape);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(dataSet->State(), DataSetState::Edit);
    Press(Qt::Key_Escape);
    EXPECT_EQ(dataSet->State(), DataSetState::Browse);
    EXPECT_EQ(dataSet->Stored(0, 3).toString(), "PETROVIC PETAR");
}

TEST_F(GridKeysTest, EnterWritesTheEditorTextAndMovingOnPostsIt) {
    Open(3);
    grid->SetSelectedIndex(7);
    Press(Qt::Key_Return);
    ASSERT_TRUE(grid->EditorMode());
    QTest::keyClicks(grid->InplaceEditor(), "12");
    Press(Qt::Key_Return);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(dataSet->FieldByName("Dobijeni")->AsInteger(), 12);
    EXPECT_EQ(dataSet->Stored(0, 10).toDouble(), 5.0) << "not stored before the row is left";
    Press(Qt::Key_Down);
    EXPECT_EQ(dataSet->Stored(0, 10).toDouble(), 12.0);
}

// The editor stays open while its window is hidden, and what was typed into it is posted.
TEST_F(GridKeysTest, AnEditorInAHiddenWindowStaysOpenAndItsTextIsPosted) {
    Open(2);
    EditCell(3);
    QTest::keyClicks(grid->InplaceEditor(), "NOVI");
    window->hide();
    EXPECT_TRUE(grid->EditorMode());
    dataSet->Post();
    EXPECT_EQ(dataSet->Stored(0, 3).toString(), "NOVI");
    ShowWindow();
    EXPECT_TRUE(grid->InplaceEditor()->isVisible());
}

// The grid keeps the editor's state itself: an editor hidden behind its back is a fault it stops at.
TEST_F(GridKeysTest, AnEditorHiddenBehindTheGridsBackStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Open(1);
    EditCell(3);
    EXPECT_DEATH(
        {
            grid->InplaceEditor()->hide();
            grid->EditorMode();
        },
        "editorState_ == EditorState::Hidden");
}

TEST_F(GridKeysTest, TheEditorRefusesCharactersThatTheFieldCannotTake) {
    Open(1);
    EditCell(7);
    QTest::keyClicks(grid->InplaceEditor(), "1x2e-");
    EXPECT_EQ(grid->InplaceEditor()->text(), "12e-");
}

TEST_F(GridKeysTest, ATextTheFieldRejectsKeepsTheRowAndReportsTheError) {
    Open(2);
    EditCell(7);
    QTest::keyClicks(grid->InplaceEditor(), "--");
    Press(Qt::Key_Down);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Error);
    EXPECT_EQ(messages.shown[0].text, "'--' is not a valid floating point value for field 'Dobijeni'");
    EXPECT_EQ(Transaction(), 1);
    EXPECT_EQ(dataSet->State(), DataSetState::Edit);
    EXPECT_TRUE(grid->EditorMode());
}

struct MoveCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    int startColumn;
    int expectedColumn;
    int expectedTransaction;
};

class GridMoveTest : public GridKeysTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(GridMoveTest, KeysMoveTheCurrentCell) {
    const MoveCase& move = GetParam();
    Open(40);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    grid->SetSelectedIndex(move.startColumn);
    Press(move.key, move.modifiers);
    EXPECT_EQ(grid->SelectedIndex(), move.expectedColumn);
    EXPECT_EQ(Transaction(), move.expectedTransaction);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, GridMoveTest,
    ::testing::Values(MoveCase{"Right", Qt::Key_Right, Qt::NoModifier, 4, 5, 3},
                      MoveCase{"LeftAtTheFirstColumn", Qt::Key_Left, Qt::NoModifier, 0, 0, 3},
                      MoveCase{"Home", Qt::Key_Home, Qt::NoModifier, 4, 0, 3},
                      MoveCase{"End", Qt::Key_End, Qt::NoModifier, 4, 9, 3},
                      MoveCase{"CtrlRight", Qt::Key_Right, Qt::ControlModifier, 4, 9, 3},
                      MoveCase{"Tab", Qt::Key_Tab, Qt::NoModifier, 4, 5, 3},
                      MoveCase{"TabWrapsToTheNextRow", Qt::Key_Tab, Qt::NoModifier, 9, 0, 4},
                      MoveCase{"ShiftTabWrapsToThePreviousRow", Qt::Key_Backtab, Qt::ShiftModifier, 0, 9, 2},
                      MoveCase{"CtrlHome", Qt::Key_Home, Qt::ControlModifier, 4, 4, 1},
                      MoveCase{"CtrlEnd", Qt::Key_End, Qt::ControlModifier, 4, 4, 40},
                      MoveCase{"Up", Qt::Key_Up, Qt::NoModifier, 4, 4, 2},
                      MoveCase{"CtrlPageUp", Qt::Key_PageUp, Qt::ControlModifier, 4, 4, 1}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

TEST_F(GridKeysTest, PageDownMovesByTheVisibleRows) {
    Open(40);
    const int page = grid->VisibleRowCount();
    Press(Qt::Key_PageDown);
    EXPECT_EQ(Transaction(), 1 + page);
    Press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(grid->CurrentRow(), page - 1);
    Press(Qt::Key_PageUp);
    EXPECT_EQ(Transaction(), 1);
}

// A real ledger in a temporary directory, opened through a table.
class LedgerGridTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        ASSERT_TRUE(directory.isValid());
        const std::string path = directory.filePath("Kovrel.DB").toStdString();
        ASSERT_EQ(engine::createLedgerFile(path), engine::code::Ok);
        int made = 0;
        const auto next = [&made](engine::LedgerValues& row) {
            if (made == 3) return false;
            ++made;
            row.fill(std::monostate{});
            for (std::size_t c = 0; c < engine::LedgerColumnCount; ++c) {
                const QString name = engine::ledgerColumns()[c].name;
                if (name == "KovrelID" || name == "RedBroj") row[c] = double(made);
                if (name == "PrezimeIme") row[c] = std::string("RADNIK ") + char('A' + made - 1);
                if (name == "Razlog") row[c] = std::string("PRENOS");
            }
            return true;
        };
        ASSERT_EQ(engine::loadLedgerRows(path, next), engine::code::Ok);
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(directory.path());
        table = std::make_unique<TTable>();
        table->setObjectName("Table1");
        table->SetTableName("Kovrel.DB");
        source->SetDataSet(table.get());
        MakeGrid(false);
        table->Open();
    }
    void TearDown() override {
        window.reset();
        table.reset();
        Session->Close();
        QDir::setCurrent(previousDirectory);
        ControlTest::TearDown();
    }
    QStringList StoredNames() {
        TTable reader;
        reader.SetTableName("Kovrel.DB");
        reader.Open();
        QStringList names;
        for (; !reader.Eof(); reader.Next()) names << reader.FieldByName("PrezimeIme")->AsString();
        return names;
    }

    QTemporaryDir directory;
    QString previousDirectory;
    std::unique_ptr<TTable> table;
};

TEST_F(LedgerGridTest, CtrlDeleteAsksAndDeletesTheRowOnOk) {
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Question);
    EXPECT_EQ(messages.shown[0].text, "Delete record?");
    EXPECT_EQ(StoredNames(), QStringList({"RADNIK A", "RADNIK C"}));
    EXPECT_EQ(grid->Fields(3)->AsString(), "RADNIK C");
}

TEST_F(LedgerGridTest, CtrlDeleteAnsweredWithCancelKeepsTheRow) {
    messages.answer = runtime::MessageAnswer::Cancel;
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(StoredNames(), QStringList({"RADNIK A", "RADNIK B", "RADNIK C"}));
    EXPECT_EQ(grid->Fields(3)->AsString(), "RADNIK B");
}

TEST_F(LedgerGridTest, DownThenUpOnTheLastRowLeavesTheTableUnchanged) {
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(table->State(), DataSetState::Insert);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(table->State(), DataSetState::Browse);
    EXPECT_EQ(StoredNames(), QStringList({"RADNIK A", "RADNIK B", "RADNIK C"}));
    EXPECT_EQ(grid->Fields(3)->AsString(), "RADNIK C");
}

TEST_F(LedgerGridTest, AnEditedCellIsWrittenToTheLedgerWhenTheRowIsLeft) {
    grid->SetSelectedIndex(grid->Columns().IndexOf(grid->Columns().Items(3)));
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClicks(grid->InplaceEditor(), "NOVAK");
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(StoredNames(), QStringList({"NOVAK", "RADNIK B", "RADNIK C"}));
}

}  // namespace

// Ctrl+E saves the grid's list as CSV: a column per grid column under its title, every record in order,
// values in their plain forms; a pending edit is posted first and the current record stays current.
TEST_F(GridKeysTest, CtrlESavesEveryRecordAsCsvAndKeepsTheCurrentOne) {
    MakeLedger(0);
    const auto day = [](const QDate& date) {
        return int(datetime::fromQDate(date)) + datetime::DayNumberOfZero;
    };
    dataSet->AddRow({1.0, 7.0, day(QDate(2024, 3, 7)), "ANIC, ANA", day(QDate(2024, 1, 10)),
                     day(QDate(2024, 1, 12)), 3.0, -1.5, "SL.DANI", 2.0, QVariant(), 3.0});
    for (int r = 0; r < 30; ++r) dataSet->AddRow(ledgerRow(2, r + 1, "PETROVIC \"PERA\"", 2.5 * r));
    MakeGrid(true);
    grid->Columns().Items(3)->Title().SetCaption("Prezime i ime");
    dataSet->Open();
    dataSet->MoveBy(20);
    dataSet->Edit();
    dataSet->FieldByName("Razlog")->SetAsString("BO");
    QTemporaryDir directory;
    runtime::setDialogHandler([&](QDialog& dialog) {
        static_cast<QFileDialog&>(dialog).selectFile(directory.filePath("lista"));
        return int(QDialog::Accepted);
    });
    Press(Qt::Key_E, Qt::ControlModifier);
    runtime::setDialogHandler({});
    EXPECT_EQ(Transaction(), 20) << "the record current before stays current";

    const CsvFile csv = readCsv(directory.filePath("lista.csv"));
    ASSERT_TRUE(csv.wellFormed);
    ASSERT_EQ(csv.rows.size(), 32u);
    EXPECT_EQ(csv.rows[0].join(','), registerColumnNames().join(',').replace("PrezimeIme", "Prezime i ime"));
    EXPECT_EQ(csv.rows[1].join('|'), "7|2|2024-03-07|ANIC, ANA|SL.DANI|2024-01-10|2024-01-12||3|-1.5");
    for (int r = 1; r < dataSet->RowCount(); ++r) {
        const QStringList& written = csv.rows[std::size_t(r) + 1];
        EXPECT_EQ(written[1].toDouble(), dataSet->Stored(r, 9).toDouble());
        EXPECT_EQ(written[3], dataSet->Stored(r, 3).toString());
        EXPECT_EQ(written[4], r == 20 ? "BO" : "PRENOS");
        EXPECT_EQ(written[9].toDouble(), dataSet->Stored(r, 7).toDouble());
    }
}

// The same list as a workbook, under a locale whose decimal mark is a comma: numbers are number cells,
// dates date cells in the locale's style with four-digit years, texts text cells, the header in bold,
// and each column as wide as its longest text.
TEST_F(GridKeysTest, CtrlESavesTheListAsAWorkbookOfTypedCells) {
    const QLocale kept;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    MakeLedger(0);
    const auto day = [](const QDate& date) {
        return int(datetime::fromQDate(date)) + datetime::DayNumberOfZero;
    };
    dataSet->AddRow({1.0, 7.0, day(QDate(2024, 3, 7)), "ANIC, ANA", day(QDate(2024, 1, 10)),
                     day(QDate(2024, 1, 12)), 3.0, -1.5, "=SUM(A1:A2)", 2.0, QVariant(), 3.0});
    MakeGrid(true);
    grid->Columns().Items(3)->Title().SetCaption("Prezime i ime");
    dataSet->Open();
    QTemporaryDir directory;
    QStringList offered;
    runtime::setDialogHandler([&](QDialog& dialog) {
        offered = static_cast<QFileDialog&>(dialog).nameFilters();
        static_cast<QFileDialog&>(dialog).selectFile(directory.filePath("lista.xlsx"));
        return int(QDialog::Accepted);
    });
    Press(Qt::Key_E, Qt::ControlModifier);
    runtime::setDialogHandler({});
    QLocale::setDefault(kept);

    EXPECT_EQ(offered, QStringList({"CSV file (*.csv)", "Excel workbook (*.xlsx)"}));
    const XlsxSheet sheet = readXlsx(directory.filePath("lista.xlsx"));
    ASSERT_TRUE(sheet.read);
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[0].join('|'),
              "s:RedBroj*|s:Transakcije*|s:Datum*|s:Prezime i ime*|s:Razlog*|s:Od*|s:Do*|s:Dobijeni*|"
              "s:Iskorisceni*|s:StanjeDana*");
    EXPECT_EQ(sheet.rows[1].join('|'),
              "n:7|n:2|d:45358|s:ANIC, ANA|s:=SUM(A1:A2)|d:45301|d:45303|b:|n:3|n:-1.5");
    EXPECT_EQ(sheet.dateFormats, QStringList{"dd.mm.yyyy"});
    ASSERT_EQ(sheet.widths.size(), 10u);
    EXPECT_EQ(sheet.widths[2].toDouble(), sheet.widths[5].toDouble()) << "dates 10 characters wide";
    EXPECT_GT(sheet.widths[2].toDouble(), 10);
    EXPECT_GT(sheet.widths[3].toDouble(), sheet.widths[2].toDouble()) << "the title is the longest text";
}
