// The holiday calendar window as the clerk uses it: a year's days in the grid, a day added and removed,
// the state holidays filled in beside the clerk's own days, and refused input leaving the calendar as it was.
#include <QLocale>

#include "WindowFixture.h"
#include "data/DBTables.h"
#include "ledger/Holidays.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/UnitPraznici.h"
#include "runtime/Controls.h"

namespace {

class HolidaysWindow : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        if (IsSkipped()) return;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        runtime::setClock([] { return QDateTime(QDate(2026, 3, 2), QTime(9, 30)); });
        createWindows(frmUnos, frmEvidencija, frmPraznici);
        showActive(*frmPraznici);
    }
    void TearDown() override {
        WindowFixture::TearDown();
        runtime::setClock({});
    }
    static void typeInto(TEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // Types the day and its name and presses Enter, as the clerk adds a day.
    static void addDay(const QString& day, const QString& name) {
        typeInto(frmPraznici->Edit1, day);
        typeInto(frmPraznici->Edit2, name);
        QTest::keyClick(frmPraznici->Edit2, Qt::Key_Return);
        QApplication::processEvents();
    }
    // The grid's rows, each its cells joined by "|".
    static QStringList shown() {
        QStringList rows;
        TStringGrid* grid = frmPraznici->StringGrid1;
        for (int row = 0; row < grid->RowCount(); ++row)
            rows << grid->Cells(0, row) + "|" + grid->Cells(1, row) + "|" + grid->Cells(2, row);
        return rows;
    }
    // The calendar's days of `year` as the engine reads them, each its ISO day and name.
    static QList<QStringList> stored(int year = 2026) {
        std::vector<ledger::CalendarDay> days;
        TDatabase* database = Session->OpenDatabase(QString());
        EXPECT_EQ(ledger::readCalendarYear(engine::currentEngine(), database->Handle(), year, &days),
                  engine::code::Ok);
        Session->CloseDatabase(database);
        QList<QStringList> rows;
        for (const ledger::CalendarDay& day : days)
            rows << QStringList{QString::fromStdString(ledger::isoDate(day.day)),
                                QString::fromStdString(day.name)};
        return rows;
    }
};

TEST_F(HolidaysWindow, AddsAndRemovesADayAndFillsTheYearKeepingTheClerksDays) {
    EXPECT_EQ(frmPraznici->ComboBox1->Text(), "2026");
    EXPECT_TRUE(shown().isEmpty());
    addDay("1/2/2026", "SLAVA FIRME");
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(shown(), QStringList{"1/2/26|petak|SLAVA FIRME"});
    EXPECT_TRUE(frmPraznici->Edit1->text().isEmpty());

    QTest::mouseClick(frmPraznici->BitBtn3, Qt::LeftButton);
    const QStringList filled = shown();
    ASSERT_EQ(filled.size(), 13);
    EXPECT_EQ(filled[0], "1/1/26|cetvrtak|Nova godina");
    EXPECT_EQ(filled[1], "1/2/26|petak|SLAVA FIRME") << "the clerk's name stays";
    EXPECT_TRUE(filled.contains("4/12/26|nedelja|Vaskrs"));
    EXPECT_TRUE(filled.contains("11/11/26|sreda|Dan primirja u Prvom svetskom ratu"));
    EXPECT_EQ(stored().size(), 13);

    frmPraznici->StringGrid1->setCurrentCell(1, 0);
    QTest::mouseClick(frmPraznici->BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(shown().contains("1/2/26|petak|SLAVA FIRME"));
    EXPECT_EQ(stored().size(), 12);
    if (servertest::onServer()) return;  // the server's journal is read through its own suite
    const QList<QStringList> journal = rowsOf("select Operacija, Tabela from dnevnik");
    ASSERT_FALSE(journal.isEmpty());
    for (const QStringList& entry : journal) EXPECT_EQ(entry[1], "praznici");
    EXPECT_EQ(journal.back()[0], "brisanje");
}

// A day of a year the grid writes with two digits as those of another century is removed as the day it
// is; the keyboard reaches the grid and leaves it as any control.
TEST_F(HolidaysWindow, RemovesTheDayShownWhateverItsYearLooksLikeAndTabsPastTheGrid) {
    frmPraznici->ComboBox1->setFocus();
    QTest::keyClick(frmPraznici->ComboBox1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(frmPraznici->ComboBox1, "1960");
    addDay("1/2/1960", "STARI PRAZNIK");
    ASSERT_EQ(shown(), QStringList{"1/2/60|subota|STARI PRAZNIK"});
    TStringGrid* grid = frmPraznici->StringGrid1;
    grid->setFocus();
    QTest::keyClick(frmPraznici->windowHandle(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), frmPraznici->BitBtn1);
    QTest::keyClick(frmPraznici->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    QTest::keyClick(frmPraznici->windowHandle(), Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget(), frmPraznici->BitBtn2);
    QTest::keyClick(frmPraznici->windowHandle(), Qt::Key_Space);
    EXPECT_TRUE(stored(1960).isEmpty());
    EXPECT_TRUE(shown().isEmpty());
}

struct RefusalCase {
    const char* name;
    const char* day;
    const char* naziv;
    const char* message;
};

class Refusals : public HolidaysWindow, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, SayWhyAndStoreNothing) {
    addDay("5/6/2026", "SLAVA FIRME");
    messages.clear();
    addDay(GetParam().day, GetParam().naziv);
    EXPECT_EQ(messageTexts(), QStringList{GetParam().message});
    EXPECT_EQ(stored(), (QList<QStringList>{{"2026-05-06", "SLAVA FIRME"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Input, Refusals,
    ::testing::Values(RefusalCase{"DayListed", "5/6/26", "DRUGI", "Dan 5/6/26 je vec u kalendaru."},
                      RefusalCase{"NoDate", "2/30/2026", "DRUGI", "'2/30/2026' nije datum."},
                      RefusalCase{"NoDay", "  ", "DRUGI", "Upisite datum praznika."},
                      RefusalCase{"EmptyName", "5/7/2026", "   ", "Upisite naziv praznika."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
