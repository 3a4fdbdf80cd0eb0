// The holiday calendar: the state holidays of a year, the count that leaves the calendar's days out, and
// the calendar kept in a ledger file and on a server ledger, journalled, refusing bad days whole.
#include "ledger/Holidays.h"

#include <sqlite3.h>

#include "EngineTestSupport.h"
#include "engine/PostgresEngine.h"
#include "ledger/Ledger.h"
#include "tests/ServerLedger.h"

namespace enginetest {
namespace {

using namespace std::chrono;
using ledger::CalendarDay;

struct YearCase {
    int year;
    std::vector<std::string> weekdays;  // the holidays that fall Monday to Friday
};

class StateHolidaysTest : public testing::TestWithParam<YearCase> {};

TEST_P(StateHolidaysTest, AreTheFixedDaysMovedFromASundayChristmasAndEaster) {
    std::vector<std::string> found;
    for (const CalendarDay& holiday : ledger::stateHolidays(GetParam().year)) {
        const weekday wd{sys_days{holiday.day}};
        if (wd != Saturday && wd != Sunday) found.push_back(ledger::isoDate(holiday.day));
    }
    EXPECT_EQ(found, GetParam().weekdays);
}

INSTANTIATE_TEST_SUITE_P(
    Years, StateHolidaysTest,
    testing::Values(
        // Labour Day's 2 May on Easter Sunday: Easter Monday is a holiday, so 4 May is the day off.
        YearCase{2021,
                 {"2021-01-01", "2021-01-07", "2021-02-15", "2021-02-16", "2021-04-30", "2021-05-03",
                  "2021-05-04", "2021-11-11"}},
        // Both New Year days on the weekend, 2 January a Sunday; 1 May a Sunday, 2 May a holiday.
        YearCase{2022,
                 {"2022-01-03", "2022-01-07", "2022-02-15", "2022-02-16", "2022-04-22", "2022-04-25",
                  "2022-05-02", "2022-05-03", "2022-11-11"}},
        // 1 January a Sunday and 2 January a holiday: 3 January; Christmas and Armistice Day a Saturday.
        YearCase{2023,
                 {"2023-01-02", "2023-01-03", "2023-02-15", "2023-02-16", "2023-04-14", "2023-04-17",
                  "2023-05-01", "2023-05-02"}},
        // Christmas on a Sunday does not move.
        YearCase{2024,
                 {"2024-01-01", "2024-01-02", "2024-02-15", "2024-02-16", "2024-05-01", "2024-05-02",
                  "2024-05-03", "2024-05-06", "2024-11-11"}},
        // Statehood Day's second day a Sunday.
        YearCase{2025,
                 {"2025-01-01", "2025-01-02", "2025-01-07", "2025-02-17", "2025-04-18", "2025-04-21",
                  "2025-05-01", "2025-05-02", "2025-11-11"}}));

TEST(StateHolidays, NameTheMovedDayAfterItsHolidayAndADayOfTwoHolidaysOnce) {
    const auto holidays = ledger::stateHolidays(2021);
    ASSERT_EQ(holidays.size(), 11u);
    EXPECT_EQ(holidays[6], (CalendarDay{2021y / May / 1, "Praznik rada, Velika subota"}));
    const auto moved = std::find_if(holidays.begin(), holidays.end(),
                                    [](const CalendarDay& d) { return d.day == 2021y / May / 4; });
    ASSERT_NE(moved, holidays.end());
    EXPECT_EQ(moved->name, "Praznik rada (prenet dan)");
}

// Each derived by hand from the Julian reckoning, then moved by the calendars' difference (13 days from
// 1900 to 2099, 14 in 2100).
TEST(OrthodoxEaster, FallsOnTheSundayTheJulianReckoningGives) {
    const std::vector<std::pair<int, year_month_day>> years = {
        {2021, 2021y / May / 2}, {2022, 2022y / April / 24}, {2023, 2023y / April / 16},
        {2024, 2024y / May / 5}, {2025, 2025y / April / 20}, {2026, 2026y / April / 12},
        {2100, 2100y / May / 2},
    };
    for (const auto& [year, easter] : years) {
        EXPECT_EQ(ledger::isoDate(ledger::orthodoxEaster(year)), ledger::isoDate(easter)) << year;
        EXPECT_EQ(weekday{sys_days{ledger::orthodoxEaster(year)}}, Sunday) << year;
    }
}

struct CountCase {
    year_month_day first, last;
    std::vector<CalendarDay> calendar;
    int expected, leftOut;
};

class CalendarCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(CalendarCountTest, LeavesOutTheCalendarsWeekdaysInThePeriod) {
    int leftOut = -1;
    EXPECT_EQ(ledger::workingDays(GetParam().first, GetParam().last, GetParam().calendar, &leftOut),
              GetParam().expected);
    EXPECT_EQ(leftOut, GetParam().leftOut);
    if (GetParam().calendar.empty()) {
        EXPECT_EQ(GetParam().expected, ledger::workingDays(GetParam().first, GetParam().last));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Periods, CalendarCountTest,
    testing::Values(
        // Two weeks over Easter and Labour Day: Good Friday, Easter Monday and the moved 4 May.
        CountCase{2021y / April / 26, 2021y / May / 7, ledger::stateHolidays(2021), 7, 3},
        // Across the new year: the calendar holds 2021 only.
        CountCase{2020y / December / 28, 2021y / January / 8, ledger::stateHolidays(2021), 8, 2},
        // Holidays on a weekend take nothing away.
        CountCase{2021y / May / 1, 2021y / May / 2, ledger::stateHolidays(2021), 0, 0},
        CountCase{2021y / May / 7, 2021y / April / 26, ledger::stateHolidays(2021), 0, 0},
        // A day listed under two names counts once.
        CountCase{
            2024y / March / 4, 2024y / March / 8, {{2024y / March / 6, "A"}, {2024y / March / 6, "B"}}, 4, 1},
        // An empty calendar counts Monday to Friday as ever.
        CountCase{2021y / April / 26, 2021y / May / 7, {}, 10, 0},
        CountCase{2024y / January / 1, 2024y / December / 31, {}, 262, 0}));

// The calendar in a ledger file, through the engine.
class FileCalendarTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        createLedger({{"PETROVIC MARKO", "PRENOS", 5, std::nullopt, 1}});
    }

    void otherProgram(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // Rows of `sql` read past the engine, each as its values joined by '|'.
    std::vector<std::string> rows(const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(ledgerPath().c_str(), &db);
        sqlite3_stmt* statement = nullptr;
        std::vector<std::string> found;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                std::string row;
                for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                    row += (c ? "|" : "") + std::string(text ? text : "");
                }
                found.push_back(row);
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return found;
    }

    std::vector<CalendarDay> year(int year) {
        std::vector<CalendarDay> days;
        EXPECT_EQ(ledger::readCalendarYear(engine_, db_, year, &days), engine::code::Ok);
        return days;
    }
};

TEST_F(FileCalendarTest, AnOlderLedgerGetsTheCalendarAndTheJournalsTableColumnAtItsFirstFill) {
    otherProgram(
        "drop table praznici; drop table dnevnik; create table dnevnik (Vreme VARCHAR(24), Korisnik "
        "VARCHAR(64), Racunar VARCHAR(64), Operacija VARCHAR(8), Kljuc INTEGER, PrezimeIme VARCHAR(30), "
        "Staro VARCHAR(512), Novo VARCHAR(512)); insert into dnevnik (Operacija, Kljuc) values ('unos', 1)");
    EXPECT_TRUE(year(2021).empty());
    EXPECT_TRUE(rows("select name from sqlite_master where name = 'praznici'").empty());

    ASSERT_EQ(ledger::fillStateHolidays(engine_, db_, 2021), engine::code::Ok);
    EXPECT_EQ(year(2021), ledger::stateHolidays(2021));
    EXPECT_TRUE(year(2022).empty());
    const auto entries =
        rows("select Tabela, Operacija, Kljuc, PrezimeIme, Staro, Novo from dnevnik order by rowid");
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[0], "kovrel|unos|1|||");
    EXPECT_EQ(entries[1], "praznici|unos||||{\"Datum\":\"2021-01-01\",\"Naziv\":\"Nova godina\"}");

    // A second fill keeps the clerk's own name of a day and adds nothing twice.
    otherProgram("update praznici set Naziv = 'Nova godina, prvi dan' where Datum = '2021-01-01'");
    ASSERT_EQ(ledger::fillStateHolidays(engine_, db_, 2021), engine::code::Ok);
    EXPECT_EQ(year(2021).front().name, "Nova godina, prvi dan");
    EXPECT_EQ(year(2021).size(), 11u);
    EXPECT_EQ(rows("select 1 from dnevnik").size(), 12u);

    ASSERT_EQ(ledger::removeCalendarDays(engine_, db_, {2021y / January / 7}), engine::code::Ok);
    EXPECT_EQ(year(2021).size(), 10u);
    EXPECT_EQ(rows("select Tabela, Operacija, Staro, Novo from dnevnik order by rowid desc limit 1").front(),
              "praznici|brisanje|{\"Datum\":\"2021-01-07\",\"Naziv\":\"Bozic\"}|");
    std::string report;
    EXPECT_EQ(engine::checkLedgerFile(ledgerPath(), &report), engine::code::Ok);
    EXPECT_NE(report.find("change journal dnevnik, holiday calendar praznici"), std::string::npos) << report;
}

struct RefusedCase {
    const char* name;
    std::vector<engine::Holiday> add;
    const char* said;
};

class RefusedCalendarTest : public FileCalendarTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedCalendarTest, StoresNothingOfTheChange) {
    ASSERT_EQ(ledger::addCalendarDays(engine_, db_, {{2024y / May / 1, "Praznik rada"}}), engine::code::Ok);
    const auto before = rows("select * from praznici");
    const auto entries = rows("select * from dnevnik");
    EXPECT_EQ(engine_.changeHolidays(db_, GetParam().add, {"2024-05-01"}, false), engine::code::WriteFailed);
    EXPECT_NE(firstEntryText().find(GetParam().said), std::string::npos) << firstEntryText();
    EXPECT_EQ(rows("select * from praznici"), before);
    EXPECT_EQ(rows("select * from dnevnik"), entries);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, RefusedCalendarTest,
    testing::Values(
        RefusedCase{"Twice", {{"2024-05-02", "Praznik rada"}, {"2024-05-02", "Drugi"}}, "is listed twice"},
        RefusedCase{"NoDate", {{"2024-02-30", "Praznik"}}, "is not a date"},
        RefusedCase{"NotIso", {{"1.5.2024", "Praznik"}}, "is not a date"},
        RefusedCase{"EmptyName", {{"2024-05-02", "  "}}, "has no name"},
        RefusedCase{"LongName", {{"2024-05-02", std::string(61, 'A')}}, "longer than 60"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

// The day already there, asked for after a new one: the new one is not stored either.
TEST_F(FileCalendarTest, ADayAlreadyInTheCalendarIsRefusedWithNothingStored) {
    ASSERT_EQ(ledger::addCalendarDays(engine_, db_, {{2024y / May / 1, "Praznik rada"}}), engine::code::Ok);
    EXPECT_EQ(
        ledger::addCalendarDays(engine_, db_, {{2024y / May / 2, "Praznik rada"}, {2024y / May / 1, "X"}}),
        engine::code::WriteFailed);
    EXPECT_EQ(year(2024), (std::vector<CalendarDay>{{2024y / May / 1, "Praznik rada"}}));
}

// The calendar on a server ledger, kept by a clerk, journalled by the server, and added to an older
// ledger when its owner opens it.
TEST(ServerCalendar, AClerkFillsAndChangesItJournalledAsOnAFile) {
    servertest::ServerLedger server;
    std::string error;
    if (!servertest::serverConnection()) GTEST_SKIP() << servertest::NoServerText;
    ASSERT_TRUE(server.createWith("DROP TABLE praznici; ALTER TABLE dnevnik DROP COLUMN tabela", &error))
        << error;
    std::string report;
    EXPECT_EQ(engine::checkServerLedger(server.connection(), &report), engine::code::NotALedger);
    EXPECT_NE(report.find("the holiday calendar praznici is missing"), std::string::npos) << report;

    engine::PostgresEngine eng;
    ASSERT_EQ(eng.initialise({}), engine::code::Ok);
    engine::DatabaseHandle owner = engine::NoHandle, clerk = engine::NoHandle;
    ASSERT_EQ(eng.openServerDatabase(server.administration(), "", "", &owner), engine::code::Ok);
    EXPECT_EQ(engine::checkServerLedger(server.connection(), &report), engine::code::Ok) << report;

    ASSERT_EQ(eng.openServerDatabase(server.connection(), "", "", &clerk), engine::code::Ok);
    ASSERT_EQ(ledger::fillStateHolidays(eng, clerk, 2021), engine::code::Ok);
    ASSERT_EQ(ledger::fillStateHolidays(eng, clerk, 2021), engine::code::Ok);
    std::vector<CalendarDay> days;
    ASSERT_EQ(ledger::readCalendarYear(eng, clerk, 2021, &days), engine::code::Ok);
    EXPECT_EQ(days, ledger::stateHolidays(2021));
    EXPECT_EQ(eng.changeHolidays(clerk, {{"2021-12-31", "A"}, {"2021-01-01", "B"}}, {"2021-01-07"}, false),
              engine::code::WriteFailed);
    ASSERT_EQ(ledger::removeCalendarDays(eng, clerk, {2021y / January / 7}), engine::code::Ok);
    ASSERT_EQ(ledger::readCalendarYear(eng, clerk, 2021, &days), engine::code::Ok);
    EXPECT_EQ(days.size(), 10u);

    const auto entries = server.runAsClerk(
        "SELECT tabela, operacija, coalesce(kljuc::text, ''), coalesce(prezimeime, ''), coalesce(staro, ''), "
        "coalesce(novo, '') FROM dnevnik ORDER BY id",
        &error);
    ASSERT_TRUE(entries) << error;
    ASSERT_EQ(entries->size(), 12u);
    EXPECT_EQ(entries->front(),
              (servertest::Rows::value_type{"praznici", "unos", "", "", "",
                                            "{\"Datum\":\"2021-01-01\",\"Naziv\":\"Nova godina\"}"}));
    EXPECT_EQ(entries->back(),
              (servertest::Rows::value_type{"praznici", "brisanje", "", "",
                                            "{\"Datum\":\"2021-01-07\",\"Naziv\":\"Bozic\"}", ""}));
    // The clerk writes the calendar, never the journal.
    EXPECT_FALSE(server.runAsClerk("DELETE FROM dnevnik", &error));
    eng.shutdown();
}

}  // namespace
}  // namespace enginetest
