// The register window as the clerk uses it: picking a worker, the search with its balance, the row
// colours, returning to the window, deleting a row from the grid, and what the ledger file holds.
#include <QAbstractItemView>
#include <QImage>

#include "WindowFixture.h"
#include "ledger/Ledger.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "runtime/Geometry.h"

namespace {

class Register : public WindowFixture {
  protected:
    void open() {
        createWindows(frmUnos, frmEvidencija, frmNoviunos);
        showActive(*frmEvidencija);
    }
    // The register showing the rows of the worker `name` in a ledger holding `rows`.
    void openSearched(const std::vector<StoredRow>& rows, const QString& name) {
        seed(rows);
        open();
        searchRegister(name);
    }
    QStringList names() const {
        QStringList list;
        for (int i = 0; i < frmEvidencija->ComboBox1->count(); ++i)
            list << frmEvidencija->ComboBox1->itemText(i);
        return list;
    }
    // The names of the rows the grid's query delivers, from the first.
    QStringList gridRows() const {
        QStringList rows;
        TQuery* query = frmEvidencija->Query1;
        if (!query->Active()) return rows;
        query->First();
        while (!query->Eof()) {
            rows << query->FieldByName("Razlog")->AsString();
            query->Next();
        }
        query->First();
        return rows;
    }
    QString balance() const { return frmEvidencija->Edit1->text(); }
    // Keys go through the window, as the keyboard's do, so that the list of offers sees them; the
    // offers come once the keys are handled.
    static void press(Qt::Key key) { QTest::keyClick(frmEvidencija->windowHandle(), key); }
    static void typeName(const char* text) {
        frmEvidencija->ComboBox1->setFocus();
        frmEvidencija->ComboBox1->lineEdit()->selectAll();
        for (const char* c = text; *c; ++c) QTest::keyClick(frmEvidencija->windowHandle(), *c);
        QApplication::processEvents();
    }
    static QStringList offers() {
        const QAbstractItemView* shown = frmEvidencija->ComboBox1->Offers();
        QStringList names;
        for (int row = 0; shown && shown->isVisible() && row < shown->model()->rowCount(); ++row)
            names << shown->model()->index(row, 0).data().toString();
        return names;
    }
};

const std::vector<StoredRow> twoWorkers = {
    {1, "ANIC ANA", "PRENOS", 10, {}, {}}, {2, "BOROVIC BOJAN", "PRENOS", 4, {}, {}},
    {1, "ANIC ANA", "SL.DANI", {}, 3, {}}, {1, "ANIC ANA", "GO 1 DEO 2012", 20, {}, {}},
    {1, "ANIC ANA", "GO", {}, 5, {}},      {1, "ANIC ANA", "OSTATAK OD GO 2 DEO 2015", 2, {}, {}},
};

TEST_F(Register, SearchShowsTheWorkersRowsAndStoresTheBalanceInTheFirst) {
    seed(twoWorkers);
    open();
    EXPECT_EQ(names().size(), 2);
    EXPECT_TRUE(names().contains("ANIC ANA"));
    EXPECT_TRUE(names().contains("BOROVIC BOJAN"));
    EXPECT_EQ(frmEvidencija->ComboBox1->ItemIndex(), 0);
    EXPECT_FALSE(frmEvidencija->Query1->Active()) << "the grid is empty until a search";

    searchRegister("ANIC ANA");
    EXPECT_EQ(balance(), "9");
    EXPECT_EQ(gridRows(),
              (QStringList{"PRENOS", "SL.DANI", "GO 1 DEO 2012", "GO", "OSTATAK OD GO 2 DEO 2015"}));
    EXPECT_TRUE(messages.empty());

    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), twoWorkers.size());
    EXPECT_EQ(rows[0].StanjeDana, 9.0);
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_FALSE(rows[i].StanjeDana) << "row " << i;
    EXPECT_EQ(frmEvidencija->Query1->State(), DataSetState::Browse);
}

TEST_F(Register, GridColumnsKeepTheirOrderAndWidths) {
    openSearched(twoWorkers, "BOROVIC BOJAN");
    const char* fields[] = {"RedBroj", "Transakcije", "Datum",    "PrezimeIme",  "Razlog",
                            "Od",      "Do",          "Dobijeni", "Iskorisceni", "StanjeDana"};
    const int widths[] = {35, 33, -1, 133, 87, 42, 46, 49, 56, 73};
    TDBGrid* grid = frmEvidencija->DBGrid1;
    ASSERT_EQ(grid->Columns().Count(), 10);
    for (int i = 0; i < 10; ++i) {
        ASSERT_NE(grid->Fields(i), nullptr) << i;
        EXPECT_EQ(grid->Fields(i)->FieldName(), fields[i]);
        if (widths[i] > 0) {
            EXPECT_EQ(grid->Columns().Items(i)->Width(), widths[i]) << fields[i];
        }
    }
    EXPECT_EQ(grid->Fields(3)->AsString(), "BOROVIC BOJAN");
    EXPECT_EQ(grid->Fields(9)->AsInteger(), 4);
}

struct BalanceCase {
    const char* title;
    std::vector<StoredRow> rows;
    const char* shown;
};

class Balance : public Register, public ::testing::WithParamInterface<BalanceCase> {};

TEST_P(Balance, IsShownAsAnIntegerWithHalvesToEvenAndStoredInTheFirstRow) {
    seed(GetParam().rows);
    open();
    searchRegister("RADNIK");
    EXPECT_EQ(balance(), GetParam().shown);
    EXPECT_TRUE(messages.empty());
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].StanjeDana, QString(GetParam().shown).toDouble());
}

INSTANTIATE_TEST_SUITE_P(
    Sums, Balance,
    ::testing::Values(BalanceCase{"HalfDownToEven", {{1, "RADNIK", "PRENOS", 2.5, {}, {}}}, "2"},
                      BalanceCase{"HalfUpToEven", {{1, "RADNIK", "PRENOS", 3.5, {}, {}}}, "4"},
                      BalanceCase{"NegativeHalf",
                                  {{1, "RADNIK", "PRENOS", 1, {}, {}}, {1, "RADNIK", "SL.DANI", {}, 2.5, {}}},
                                  "-2"},
                      BalanceCase{"OnlyAnnualLeave",
                                  {{1, "RADNIK", "GO 1 DEO 2013", 20, {}, 7}, {1, "RADNIK", "GO", {}, 4, {}}},
                                  "0"},
                      BalanceCase{"EarlierBalanceOverwritten",
                                  {{1, "RADNIK", "PRENOS", 6, {}, 99}, {1, "RADNIK", "BO", {}, 1, {}}},
                                  "5"}),
    [](const ::testing::TestParamInfo<BalanceCase>& info) { return info.param.title; });

TEST_F(Register, ANameWithAnApostropheIsFound) {
    seed({{1, "O'BRIEN PETAR", "PRENOS", 6, {}, {}}, {2, "OBRIEN PETAR", "PRENOS", 1, {}, {}}});
    open();
    searchRegister("O'BRIEN PETAR");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(balance(), "6");
    EXPECT_EQ(gridRows(), QStringList{"PRENOS"});
    EXPECT_EQ(storedRows()[0].StanjeDana, 6.0);
    EXPECT_FALSE(storedRows()[1].StanjeDana);
}

TEST_F(Register, ANameWithoutRowsShowsZeroAndAddsNoRow) {
    openSearched(twoWorkers, "NEPOZNAT");
    EXPECT_EQ(balance(), "0");
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(frmEvidencija->Query1->Active());
    EXPECT_TRUE(frmEvidencija->Query1->IsEmpty());
    EXPECT_EQ(frmEvidencija->Query1->State(), DataSetState::Browse);
    EXPECT_EQ(storedRows().size(), twoWorkers.size());
}

TEST_F(Register, ASearchOnAnEmptyLedgerAddsNoRow) {
    open();
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(frmEvidencija->ComboBox1->currentText().isEmpty());
    QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(balance(), "0");
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(storedRows().empty());
}

TEST_F(Register, AFailingSearchSaysSoOnceWithTheProgramsNotice) {
    seed(twoWorkers);
    open();
    runOnLedger("alter table kovrel rename to drugo");

    searchRegister("ANIC ANA");
    // Closing the notice activates the window again, whose name list then fails in its own right.
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().text, "Doslo je do greske");
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Notice);
    EXPECT_EQ(messageTexts().count("Doslo je do greske"), 1);
    for (std::size_t i = 1; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].kind, runtime::MessageKind::Error);
}

// The colour inside a data cell, clear of its text.
QColor cellColour(const QImage& image, const Rect& cell) {
    return image.pixelColor(cell.left() + 1, cell.bottom() - 1);
}

TEST_F(Register, RowsWithANegativeBalanceArePaintedRedAndTheOthersGreen) {
    seed({{1, "MINUS", "PRENOS", 1, {}, {}},
          {1, "MINUS", "SL.DANI", {}, 4, {}},
          {1, "MINUS", "BO", {}, 1, -7}});
    open();
    searchRegister("MINUS");
    ASSERT_EQ(balance(), "-4");
    TDBGrid* grid = frmEvidencija->DBGrid1;
    grid->setFocus();
    QApplication::processEvents();
    const QImage image = grid->viewport()->grab().toImage();
    const QColor red(255, 0, 0), green(0, 128, 0);
    for (int column = 0; column < 10; ++column) {
        const Rect first = grid->CellRect(column, 0);
        if (first.right() >= image.width()) break;
        EXPECT_EQ(cellColour(image, first), red) << "row 0 column " << column;
        EXPECT_EQ(cellColour(image, grid->CellRect(column, 1)), green) << "row 1 column " << column;
        EXPECT_EQ(cellColour(image, grid->CellRect(column, 2)), red) << "row 2 column " << column;
    }
    EXPECT_NE(cellColour(image, grid->TitleRect(0)), red);
    EXPECT_NE(cellColour(image, grid->IndicatorRect(0)), red);
    EXPECT_TRUE(messages.empty());
}

// A balance outside the integer range cannot colour its row: the row keeps the grid's colours, the
// failure is reported once after the paint, and closing its box does not bring it back.
TEST_F(Register, ABalanceThatIsNoIntegerLeavesItsRowUncolouredAndIsReportedOnce) {
    seed({{1, "VELIKI", "PRENOS", 1, {}, {}}, {1, "VELIKI", "BO", {}, 1, 3000000000.0}});
    open();
    messagesTakeTheFocus();
    searchRegister("VELIKI");
    ASSERT_EQ(balance(), "0");
    TDBGrid* grid = frmEvidencija->DBGrid1;
    for (int repaint = 0; repaint < 3; ++repaint) {
        grid->viewport()->repaint();
        QApplication::processEvents();
    }
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmEvidencija));

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Error);
    const QImage image = grid->viewport()->grab().toImage();
    EXPECT_EQ(cellColour(image, grid->CellRect(3, 0)), QColor(0, 128, 0));
    EXPECT_EQ(cellColour(image, grid->CellRect(3, 1)), grid->Color());
    EXPECT_EQ(messages.size(), 1u);

    searchRegister("VELIKI");
    EXPECT_EQ(balance(), "0") << "the window stays usable";
}

TEST_F(Register, AResultWithoutBalanceKeepsTheGridsColours) {
    openSearched(twoWorkers, "ANIC ANA");
    TQuery* query = frmEvidencija->Query1;
    query->Close();
    query->SQL().Clear();
    for (const std::string& line : ledger::balanceReportAllSql())
        query->SQL().Add(QString::fromStdString(line));
    query->Open();
    TDBGrid* grid = frmEvidencija->DBGrid1;
    ASSERT_EQ(grid->Fields(9), nullptr);
    const QImage image = grid->viewport()->grab().toImage();
    const QColor cell = cellColour(image, grid->CellRect(3, 0));
    EXPECT_NE(cell, QColor(255, 0, 0));
    EXPECT_NE(cell, QColor(0, 128, 0));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Register, ReturningToTheWindowRefillsTheNamesAndKeepsTheGrid) {
    openSearched(twoWorkers, "BOROVIC BOJAN");
    ASSERT_EQ(balance(), "4");
    typeName("vet");
    EXPECT_TRUE(offers().isEmpty());

    showActive(*frmUnos);
    frmUnos->DBEdit2->setFocus();
    QTest::keyClicks(frmUnos->DBEdit2, "CVETIC CVETA");
    frmUnos->DBEdit3->setFocus();
    QTest::keyClicks(frmUnos->DBEdit3, "8");
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    showActive(*frmEvidencija);

    EXPECT_EQ(names().size(), 3);
    EXPECT_TRUE(names().contains("CVETIC CVETA"));
    EXPECT_EQ(frmEvidencija->ComboBox1->ItemIndex(), 0);
    EXPECT_EQ(frmEvidencija->ComboBox1->currentText(), names().front());
    EXPECT_EQ(gridRows(), QStringList{"PRENOS"});
    EXPECT_EQ(frmEvidencija->DBGrid1->Fields(3)->AsString(), "BOROVIC BOJAN");
    EXPECT_EQ(balance(), "4");
    typeName("vet");
    EXPECT_EQ(offers(), QStringList{"CVETIC CVETA"}) << "the new worker is offered at once";
}

TEST_F(Register, CtrlDeleteConfirmedRemovesTheRowFromTheLedger) {
    openSearched(twoWorkers, "ANIC ANA");
    TDBGrid* grid = frmEvidencija->DBGrid1;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_EQ(grid->Fields(4)->AsString(), "SL.DANI");
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);

    EXPECT_EQ(messageTexts(), QStringList{"Delete record?"});
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), twoWorkers.size() - 1);
    for (const StoredRow& row : rows) EXPECT_NE(row.Razlog, "SL.DANI");
    EXPECT_EQ(gridRows(), (QStringList{"PRENOS", "GO 1 DEO 2012", "GO", "OSTATAK OD GO 2 DEO 2015"}));
    EXPECT_EQ(balance(), "9") << "the balance waits for the next search";
}

// Tab moves between the grid's columns; Ctrl+Tab and Ctrl+Shift+Tab leave the grid, also from its
// editor, for the window's next and previous control.
TEST_F(Register, CtrlTabLeavesTheGridAndTabStaysInIt) {
    openSearched(twoWorkers, "ANIC ANA");
    TDBGrid* grid = frmEvidencija->DBGrid1;
    grid->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    press(Qt::Key_Tab);
    QTest::keyClick(frmEvidencija->windowHandle(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), frmEvidencija->BitBtn1);

    grid->setFocus();
    press(Qt::Key_F2);
    ASSERT_NE(QApplication::focusWidget(), grid) << "the editor is open";
    QTest::keyClick(frmEvidencija->windowHandle(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), frmEvidencija->Edit1);
}

TEST_F(Register, NameBoxOffersNamesContainingTheTypedTextAndEnterPicksOneForTheSearch) {
    seed({{1, "ANIC ANA", "PRENOS", 10, {}, {}},
          {2, "PETROVIC MARKO", "PRENOS", 4, {}, {}},
          {3, "STEPANOVIC PETAR", "PRENOS", 7, {}, {}},
          {2, "PETROVIC MARKO", "SL.DANI", {}, 1, {}}});
    open();
    typeName("pet");
    EXPECT_EQ(offers(), QStringList({"PETROVIC MARKO", "STEPANOVIC PETAR"}));
    EXPECT_EQ(frmEvidencija->ComboBox1->Text(), "pet");
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(frmEvidencija->ComboBox1->Text(), "PETROVIC MARKO");
    EXPECT_TRUE(offers().isEmpty());
    EXPECT_FALSE(frmEvidencija->Query1->Active()) << "Enter in the name box runs no search";

    // A whole name typed still shows its offer; one click of the mouse on "Pretraga" searches.
    typeName("PETROVIC MARKO");
    ASSERT_EQ(offers(), QStringList{"PETROVIC MARKO"});
    TBitBtn* pretraga = frmEvidencija->BitBtn1;
    QTest::mouseClick(frmEvidencija->windowHandle(), Qt::LeftButton, {},
                      pretraga->mapTo(frmEvidencija, pretraga->rect().center()));
    EXPECT_TRUE(offers().isEmpty());
    EXPECT_EQ(gridRows(), QStringList({"PRENOS", "SL.DANI"}));
    EXPECT_EQ(balance(), "3");
}

TEST_F(Register, UnosShowsTheDayEntryWindow) {
    openSearched(twoWorkers, "ANIC ANA");
    QTest::mouseClick(frmEvidencija->BitBtn2, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(frmNoviunos->isVisible());
}

}  // namespace
