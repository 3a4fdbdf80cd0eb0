// The absence calendar window over a ledger of the test's own: the month of all workers and of one, a
// worker's year, the cells a screen reader reads, and the calendar printed and saved from its preview.
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <set>

#include "PreviewFixture.h"
#include "ledger/AbsenceGrid.h"
#include "ledger/Absences.h"
#include "ledger/Holidays.h"
#include "ledger/UnitKalendar.h"
#include "runtime/Controls.h"
#include "tests/CsvReader.h"
#include "tests/XlsxReader.h"

namespace {

using namespace std::chrono;

TEST(AbsenceReason, IsTheWholeLeadingCodeOfTheReason) {
    const std::pair<const char*, ledger::AbsenceReason> cases[] = {
        {"GO", ledger::AbsenceReason::GO},
        {"GO 1 DEO 2015", ledger::AbsenceReason::GO},
        {"OSTATAK OD GO", ledger::AbsenceReason::OstatakOdGo},
        {"SL.DANI", ledger::AbsenceReason::SlDani},
        {"BO", ledger::AbsenceReason::Bo},
        {"DRUGO(OSTALO)", ledger::AbsenceReason::Drugo},
        {"PLACENO", ledger::AbsenceReason::Placeno},
        {"GOST", ledger::AbsenceReason::Other},
        {"BOLOVANJE", ledger::AbsenceReason::Other},
        {"", ledger::AbsenceReason::Other}};
    for (const auto& [razlog, reason] : cases) EXPECT_EQ(ledger::absenceReasonOf(razlog), reason) << razlog;
    std::set<unsigned> colors;
    for (int i = 0; i < ledger::AbsenceReasonCount; ++i)
        colors.insert(ledger::absenceReasonColor(static_cast<ledger::AbsenceReason>(i)));
    colors.insert(ledger::WeekendColor);
    colors.insert(ledger::HolidayColor);
    EXPECT_EQ(colors.size(), std::size_t(ledger::AbsenceReasonCount + 2)) << "every colour its own";
}

// Where two absences of a worker meet, the one begun later colours the days they share, whatever the
// order of the rows.
TEST(AbsenceMonth, TheAbsenceBegunLaterColoursTheDaysTwoShare) {
    const std::vector<ledger::Absence> absences = {
        {"ANIC ANA", 2026y / December / 10, 2026y / December / 12, "BO"},
        {"ANIC ANA", 2026y / December / 1, 2026y / December / 11, "GO"}};
    const ledger::AbsenceCalendar month = ledger::monthCalendar(2026, 12, absences, {});
    ASSERT_EQ(month.rows.size(), 1u);
    const std::vector<ledger::CalendarCell>& cells = month.rows[0].cells;
    EXPECT_EQ(cells[8].reason, ledger::AbsenceReason::GO);
    EXPECT_EQ(cells[9].reason, ledger::AbsenceReason::Bo);
    EXPECT_EQ(cells[11].reason, ledger::AbsenceReason::Bo);
    EXPECT_FALSE(cells[12].reason);
}

class AbsenceCalendarWindow : public PreviewFixture {
  protected:
    AbsenceCalendarWindow() : PreviewFixture(QDate(2026, 12, 9)) {}

    // Ana's leave runs from November into December; Bojan's grant is no absence, his sick days are;
    // Cveta's row has no last day; 31 December is a holiday of the calendar.
    void open() {
        runOnLedger(
            "insert into kovrel (PrezimeIme, Razlog, Dobijeni) values ('ANIC ANA', 'PRENOS', 20);"
            "insert into kovrel (PrezimeIme, Razlog, Dobijeni) values ('CVETIC CVETA', 'PRENOS', 20);"
            "insert into kovrel (PrezimeIme, Od, Do, Razlog, Iskorisceni) "
            "values ('ANIC ANA', '2026-11-28', '2026-12-02', 'GO', 3);"
            "insert into kovrel (PrezimeIme, Od, Do, Razlog, Dobijeni) "
            "values ('BOROVIC BOJAN', '2026-12-10', '2026-12-11', 'SL.DANI', 2);"
            "insert into kovrel (PrezimeIme, Od, Do, Razlog, Iskorisceni) "
            "values ('BOROVIC BOJAN', '2026-12-24', '2026-12-25', 'BO', 2);"
            "insert into kovrel (PrezimeIme, Od, Razlog, Iskorisceni) "
            "values ('CVETIC CVETA', '2026-12-15', 'SL.DANI', 1);");
        createWindows(frmKalendar);
        TQuery query;
        query.SQL().Add(QStringLiteral("select * from kovrel"));
        query.Open();
        ASSERT_EQ(ledger::addCalendarDays(engine::currentEngine(), query.Database()->Handle(),
                                          {{2026y / December / 31, "Test praznik"}}),
                  engine::code::Ok);
        query.Close();
        showActive(*frmKalendar);
    }

    static const ledger::AbsenceCalendar& shown() { return frmKalendar->KalendarGrid1->Calendar(); }
    static QStringList rowTitles() {
        QStringList titles;
        for (const auto& row : shown().rows) titles << QString::fromStdString(row.title);
        return titles;
    }
    // The reasons' letters of a row's days, '.' for a day without, '#' for a day the month lacks.
    static QString marks(std::size_t row) {
        QStringList days;
        for (const auto& cell : shown().rows.at(row).cells)
            days << (!cell.day     ? "#"
                     : cell.reason ? QString::fromUtf8(ledger::absenceReasonMark(*cell.reason))
                                   : ".");
        return days.join(' ');
    }
    static QString spoken(int row, int column) {
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(frmKalendar->KalendarGrid1);
        QAccessibleInterface* cell =
            grid && grid->tableInterface() ? grid->tableInterface()->cellAt(row, column) : nullptr;
        return cell ? cell->text(QAccessible::Name) : QStringLiteral("(no cell)");
    }
    static QColor drawn(int row, int column) {
        TKalendarGrid* grid = frmKalendar->KalendarGrid1;
        grid->scrollTo(grid->model()->index(row, column));
        const auto cell = grid->visualRect(grid->model()->index(row, column));
        return grid->viewport()->grab().toImage().pixelColor(cell.topLeft() + QPoint(2, 2));
    }
    static void show() { QTest::mouseClick(frmKalendar->BitBtn1, Qt::LeftButton); }
    static void choose(const char* name) {
        frmKalendar->ComboBox1->SetItemIndex(frmKalendar->ComboBox1->findText(QString::fromLatin1(name)));
    }
};

TEST_F(AbsenceCalendarWindow, ShowsTheMonthOfTheWorkersAwayAndOfOneWorkerChosen) {
    open();
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(frmKalendar->ComboBox2->Text(), "decembar");
    EXPECT_EQ(frmKalendar->ComboBox3->Text(), "2026");
    EXPECT_EQ(rowTitles(), (QStringList{"ANIC ANA", "BOROVIC BOJAN"}))
        << "the worker without an absence is left out";
    EXPECT_EQ(shown().columnTitles.size(), 31u);
    EXPECT_EQ(shown().columnTitles.front(), "1\nU");
    EXPECT_EQ(shown().columnTitles[6], "7\nP");
    // 1 and 2 December of the leave begun in November; the grant of 10 and 11 December is not there.
    EXPECT_EQ(marks(0), "GO GO . . . . . . . . . . . . . . . . . . . . . . . . . . . . .");
    EXPECT_EQ(marks(1), ". . . . . . . . . . . . . . . . . . . . . . . BO BO . . . . . .");
    EXPECT_EQ(spoken(0, 0), "GO");
    EXPECT_EQ(spoken(1, 23), "BO");
    EXPECT_EQ(spoken(0, 4), "vikend") << "5 December is a Saturday";
    EXPECT_EQ(spoken(0, 30), "Test praznik");
    EXPECT_EQ(spoken(0, 2), "");
    EXPECT_EQ(drawn(0, 0), QColor::fromRgb(ledger::absenceReasonColor(ledger::AbsenceReason::GO)));
    EXPECT_EQ(drawn(1, 23), QColor::fromRgb(ledger::absenceReasonColor(ledger::AbsenceReason::Bo)));
    EXPECT_EQ(drawn(0, 4), QColor::fromRgb(ledger::WeekendColor));
    EXPECT_EQ(drawn(1, 30), QColor::fromRgb(ledger::HolidayColor));
    EXPECT_EQ(drawn(0, 2), QColor(Qt::white));

    QTest::mouseClick(frmKalendar->CheckBox1, Qt::LeftButton, {}, QPoint(4, 8));
    choose("CVETIC CVETA");
    show();
    EXPECT_EQ(rowTitles(), QStringList{"CVETIC CVETA"}) << "a row also without an absence";
    EXPECT_EQ(marks(0).count('.'), 31) << "a row with only Od is no absence";
    frmKalendar->ComboBox2->SetItemIndex(10);
    choose("ANIC ANA");
    show();
    EXPECT_EQ(marks(0).section(' ', 27), "GO GO GO");
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();

    // The keyboard leaves the grid as any control (Tab for the first box, Ctrl+Shift+Tab for "Zatvori"),
    // and Esc closes the window.
    frmKalendar->KalendarGrid1->setFocus();
    QTest::keyClick(frmKalendar->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), frmKalendar->CheckBox1);
    frmKalendar->KalendarGrid1->setFocus();
    QTest::keyClick(frmKalendar->windowHandle(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), frmKalendar->BitBtn4);
    QTest::keyClick(frmKalendar->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(frmKalendar->isVisible());
}

TEST_F(AbsenceCalendarWindow, ShowsAWorkersYearByMonth) {
    open();
    QTest::mouseClick(frmKalendar->CheckBox2, Qt::LeftButton, {}, QPoint(4, 8));
    EXPECT_FALSE(frmKalendar->ComboBox2->isEnabled());
    EXPECT_TRUE(frmKalendar->ComboBox1->isEnabled());
    choose("ANIC ANA");
    show();
    ASSERT_EQ(shown().rows.size(), 12u);
    EXPECT_EQ(shown().rows[1].title, "februar");
    EXPECT_EQ(marks(1).section(' ', 28), "# # #") << "2026 has no 29 February";
    EXPECT_EQ(spoken(1, 29), "nema dana");
    EXPECT_EQ(marks(10).section(' ', 27), "GO GO GO #");
    EXPECT_EQ(marks(11).section(' ', 0, 2), "GO GO .");
    EXPECT_EQ(spoken(11, 30), "Test praznik");
    EXPECT_EQ(drawn(1, 30), QColor::fromRgb(ledger::MissingDayColor));
}

// Enough workers away for two pages; the preview saves the absent days, not the printed grid.
TEST_F(AbsenceCalendarWindow, PrintsTheMonthOnNumberedPagesAndSavesTheAbsentDays) {
    std::string sql;
    for (int i = 0; i < 60; ++i)
        sql += "insert into kovrel (PrezimeIme, Od, Do, Razlog, Iskorisceni) values ('RADNIK " +
               QString::number(i).rightJustified(2, '0').toStdString() + "', '2026-12-07', '2026-12-07', '" +
               (i % 2 ? "=SL.DANI" : "PLACENO") + "', 1);";
    runOnLedger(sql.c_str());
    open();
    ASSERT_EQ(shown().rows.size(), 62u);
    onNextPreview({{"Text file (*.TXT)", "kalendar.txt"},
                   {"CSV file (*.CSV)", "kalendar.csv"},
                   {"Excel workbook (*.XLSX)", "kalendar.xlsx"}});
    QTest::mouseClick(frmKalendar->BitBtn2, Qt::LeftButton);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();

    QFile text(path("kalendar.txt"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QString pages = QString::fromUtf8(text.readAll());
    qsizetype at = 0;
    for (const char* line : {"Odsustva za decembar 2026.", "Svi radnici", "Prezime i ime", "ANIC ANA", "GO",
                             "Strana 1 od 2", "RADNIK 59", "SL.DANI", "vikend", "praznik", "Strana 2 od 2"}) {
        at = pages.indexOf(QString::fromLatin1(line), at);
        ASSERT_GE(at, 0) << line << " in order in\n" << pages.toStdString();
    }
    // Each printed row holds its own days' letters, and no other's.
    const auto printedRow = [&pages](const char* name) {
        for (const QString& line : pages.split(QLatin1Char('\n')))
            if (line.contains(QString::fromLatin1(name))) return line.simplified().toStdString();
        return std::string();
    };
    EXPECT_EQ(printedRow("ANIC ANA"), "ANIC ANA GO GO");
    EXPECT_EQ(printedRow("RADNIK 00"), "RADNIK 00 PL");
    EXPECT_EQ(printedRow("RADNIK 01"), "RADNIK 01 ?") << "=SL.DANI is another reason";

    const CsvFile csv = readCsv(path("kalendar.csv"));
    ASSERT_TRUE(csv.wellFormed);
    ASSERT_EQ(csv.rows.size(), 1u + 2 + 2 + 60);
    EXPECT_EQ(csv.rows[0], (QStringList{"Prezime i ime", "Datum", "Razlog"}));
    EXPECT_EQ(csv.rows[1], (QStringList{"ANIC ANA", "2026-12-01", "GO"}));
    EXPECT_EQ(csv.rows[3], (QStringList{"BOROVIC BOJAN", "2026-12-24", "BO"}));
    EXPECT_EQ(csv.rows[6], (QStringList{"RADNIK 01", "2026-12-07", "'=SL.DANI"})) << "no formula";
    const XlsxSheet sheet = readXlsx(path("kalendar.xlsx"));
    ASSERT_TRUE(sheet.read);
    ASSERT_EQ(sheet.rows.size(), csv.rows.size());
    ASSERT_EQ(sheet.rows[1].size(), 3);
    EXPECT_EQ(sheet.rows[1][0], "s:ANIC ANA");
    EXPECT_TRUE(sheet.rows[1][1].startsWith("d:")) << "a date cell";
    EXPECT_EQ(sheet.rows[1][2], "s:GO");
}

}  // namespace
