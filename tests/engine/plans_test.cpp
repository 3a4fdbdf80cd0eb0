// How SQLite runs the catalogue's statements over the ledger's indexes, the order the rows keep, and
// adding the indexes to an older ledger.
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "EngineTestSupport.h"
#include "ledger/Ledger.h"

namespace enginetest {
namespace {

using namespace engine;

// A statement some connection ran, with the connection.
struct Ran {
    sqlite3* db;
    std::string sql;
};

std::vector<Ran>& ranStatements() {
    static std::vector<Ran> ran;
    return ran;
}

int recordStatement(unsigned, void*, void* statement, void*) {
    auto* stmt = static_cast<sqlite3_stmt*>(statement);
    ranStatements().push_back({sqlite3_db_handle(stmt), sqlite3_sql(stmt)});
    return 0;
}

int traceConnection(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, recordStatement, nullptr);
    return SQLITE_OK;
}

using ExtensionEntry = void (*)();

// Records the statements of every connection opened while it lives: the texts SQLite receives.
class StatementLog {
  public:
    StatementLog() {
        ranStatements().clear();
        sqlite3_auto_extension(reinterpret_cast<ExtensionEntry>(traceConnection));
    }
    ~StatementLog() { sqlite3_cancel_auto_extension(reinterpret_cast<ExtensionEntry>(traceConnection)); }

    // The reads of the ledger table run since the last call, each text once.
    std::vector<Ran> take() {
        std::vector<Ran> reads;
        for (const Ran& ran : ranStatements()) {
            const bool read = (ran.sql.starts_with("select") || ran.sql.starts_with("SELECT") ||
                               ran.sql.starts_with("WITH")) &&
                              ran.sql.find("kovrel") != std::string::npos &&
                              ran.sql.find("pragma_") == std::string::npos;
            const bool seen = std::any_of(reads.begin(), reads.end(),
                                          [&ran](const Ran& other) { return other.sql == ran.sql; });
            if (read && !seen) reads.push_back(ran);
        }
        ranStatements().clear();
        return reads;
    }
};

std::vector<std::string> planOf(const Ran& ran) {
    std::vector<std::string> plan;
    sqlite3_stmt* statement = nullptr;
    const std::string explain = "EXPLAIN QUERY PLAN " + ran.sql;
    EXPECT_EQ(sqlite3_prepare_v2(ran.db, explain.c_str(), -1, &statement, nullptr), SQLITE_OK)
        << sqlite3_errmsg(ran.db);
    while (statement && sqlite3_step(statement) == SQLITE_ROW)
        plan.push_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 3)));
    sqlite3_finalize(statement);
    return plan;
}

// Empty when every step of the plan over the ledger table seeks through an index or by rowid; where the
// whole ledger is wanted, a scan of an index that holds every field read is allowed too.
std::string planFault(const std::vector<std::string>& plan, bool wholeLedger) {
    bool readsTable = false;
    for (const std::string& step : plan) {
        if (step.find(" kovrel") == std::string::npos) continue;
        readsTable = true;
        const bool seeks = step.starts_with("SEARCH kovrel USING ");
        const bool walksCoveringIndex = wholeLedger && step.starts_with("SCAN kovrel USING COVERING INDEX ");
        if (!seeks && !walksCoveringIndex) return step;
    }
    return readsTable ? std::string() : "the plan does not read the table";
}

struct CatalogueText {
    const char* label;
    ledger::SqlLines lines;
    bool live;         // run as the register runs it: read forward, one back, the current row again
    bool wholeLedger;  // it sums the whole ledger
};

std::vector<CatalogueText> catalogueTexts(const std::string& name) {
    return {
        {"next_worker_number", ledger::nextWorkerNumberSql(), false, false},
        {"transaction_number", ledger::transactionNumberSql(name), false, false},
        {"name_list", ledger::nameListSql(), false, false},
        {"worker_rows", ledger::workerRowsSql(name), true, false},
        {"balance", ledger::balanceSql(name), false, false},
        {"balance_report_all", ledger::balanceReportAllSql(), false, true},
        {"balance_report_one", ledger::balanceReportOneSql(name), false, false},
        {"annual_leave_report_all", ledger::annualLeaveReportAllSql("2015"), false, true},
        {"annual_leave_report_one", ledger::annualLeaveReportOneSql(name, "2015"), false, false},
        {"absences_of_a_month", ledger::absencesSql("2015-06-01", "2015-06-30"), false, false},
        {"absences_of_a_workers_year", ledger::absencesSql("2015-01-01", "2015-12-31", name), false, false},
    };
}

// What ANALYZE writes for a ledger of a million rows of 2000 workers.
constexpr const char* millionRowStatistics =
    "INSERT INTO sqlite_stat1 VALUES ('kovrel', 'kovrel_prezimeime', '1000000 500'), "
    "('kovrel', 'kovrel_stanje', '1000000 500 12 4 3'), ('kovrel', 'kovrel_redbroj', '1000000 500')";

enum class Statistics { None, MillionRows, OwnRows };

void PrintTo(const CatalogueText& text, std::ostream* out) {
    *out << text.label;
}

std::string statisticsName(Statistics statistics) {
    switch (statistics) {
        case Statistics::None:
            return "plain";
        case Statistics::MillionRows:
            return "million_statistics";
        case Statistics::OwnRows:
            return "own_statistics";
    }
    return {};
}

void PrintTo(Statistics statistics, std::ostream* out) {
    *out << statisticsName(statistics);
}

class PlanTest : public EngineTest {
  protected:
    void runSql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // Gives the ledger the planner's statistics; the engine's connections opened later read them.
    void setStatistics(Statistics statistics) {
        if (statistics == Statistics::None) return;
        runSql("ANALYZE");
        if (statistics == Statistics::MillionRows)
            runSql(std::string("DELETE FROM sqlite_stat1;") + millionRowStatistics);
    }

    // Runs a catalogue text as the program does and answers the faults of the plans of what SQLite ran.
    std::vector<std::string> planFaults(const CatalogueText& text) {
        log_.take();
        const CursorHandle cursor = query(ledger::sqlText(text.lines), text.live);
        auto record = newRecord(cursor);
        while (engine_.getRecord(cursor, GetMode::Next, record.data()) == code::Ok) {
        }
        engine_.getRecord(cursor, GetMode::Prior, record.data());
        engine_.getRecord(cursor, GetMode::Current, record.data());
        engine_.closeCursor(cursor);
        std::vector<std::string> faults;
        const std::vector<Ran> ran = log_.take();
        if (ran.empty()) faults.push_back("no statement ran");
        for (const Ran& statement : ran) {
            if (const std::string fault = planFault(planOf(statement), text.wholeLedger); !fault.empty())
                faults.push_back(fault + "  <-  " + statement.sql);
        }
        return faults;
    }

    void expectEveryTextWalksAnIndex(const std::string& worker) {
        for (const CatalogueText& text : catalogueTexts(worker))
            EXPECT_EQ(planFaults(text), std::vector<std::string>{}) << text.label;
    }

    // The field `number` of every row of a select, in the order delivered.
    std::vector<std::string> column(const ledger::SqlLines& lines, std::size_t number, bool live = false) {
        std::vector<std::string> values;
        for (const std::string& row : readAll(query(ledger::sqlText(lines), live))) {
            std::size_t begin = 0;
            for (std::size_t n = 1; n < number; ++n) begin = row.find('|', begin) + 1;
            values.push_back(row.substr(begin, row.find('|', begin) - begin));
        }
        return values;
    }

    StatementLog log_;
};

class PlanOfEachText : public PlanTest,
                       public testing::WithParamInterface<std::tuple<Statistics, CatalogueText>> {};

TEST_P(PlanOfEachText, WalksOnlyIndexEntriesOrRowsItNeeds) {
    createLedger({{"PETROVIC MARKO", "PRENOS", 3, {}, 1},
                  {"ILIC ANA", "PRENOS", 2, {}, 2},
                  {"PETROVIC MARKO", "GO 1 DEO 2015", 20, {}, 1},
                  {"PETROVIC MARKO", "SL.DANI", {}, 1, 1}});
    setStatistics(std::get<0>(GetParam()));
    EXPECT_EQ(planFaults(std::get<1>(GetParam())), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PlanOfEachText,
                         testing::Combine(testing::Values(Statistics::None, Statistics::MillionRows),
                                          testing::ValuesIn(catalogueTexts("PETROVIC MARKO"))),
                         [](const testing::TestParamInfo<std::tuple<Statistics, CatalogueText>>& info) {
                             return std::string(std::get<0>(info.param) == Statistics::None
                                                    ? "plain_"
                                                    : "million_statistics_") +
                                    std::get<1>(info.param).label;
                         });

// Without statistics SQLite plans alike for any number of rows, and with them it goes by their numbers,
// so the cases above stand for a large ledger; this one checks a real one, before and after ANALYZE.
TEST_F(PlanTest, MillionRowLedgerWalksAnIndexForEveryText) {
    ASSERT_EQ(createLedgerFile(ledgerPath()), code::Ok);
    constexpr std::uint32_t workers = 2000;
    constexpr std::uint64_t rows = 1000000;
    const auto name = [](std::uint32_t worker) { return "RADNIK " + std::to_string(worker + 1); };
    std::uint64_t made = 0;
    std::uint32_t random = 20100101;
    std::string error;
    ASSERT_EQ(loadLedgerRows(
                  ledgerPath(),
                  [&](LedgerValues& values) {
                      if (made == rows) return false;
                      random = random * 1664525 + 1013904223;
                      const std::uint32_t worker = made < workers ? std::uint32_t(made) : random % workers;
                      const auto& reasons = ledger::reasonItems();
                      const bool used = (random >> 8) % 2 == 1;
                      const std::string reason =
                          made < workers
                              ? "PRENOS"
                              : ledger::compositeReason(reasons[(random >> 9) % reasons.size()],
                                                        ledger::partItems()[(random >> 12) % 2],
                                                        ledger::yearItems()[(random >> 13) % 11], used);
                      values = valuesOf({name(worker), reason, used ? std::nullopt : std::optional(1.0),
                                         used ? std::optional(1.0) : std::nullopt, worker + 1.0});
                      ++made;
                      return true;
                  },
                  nullptr, &error),
              code::Ok)
        << error;
    expectEveryTextWalksAnIndex(name(0));

    runSql("ANALYZE");
    ASSERT_EQ(engine_.closeDatabase(db_), code::Ok);
    ASSERT_EQ(engine_.openDatabase("", &db_), code::Ok);
    ASSERT_EQ(engine_.setDirectory(db_, dir_.path().toStdString()), code::Ok);
    expectEveryTextWalksAnIndex(name(0));
}

// The balance refresh writes into the first row the worker-rows query delivers, and the name box lists
// names as the query gives them: both must come in stored order whatever index SQLite walks.
class StoredOrder : public PlanTest, public testing::WithParamInterface<Statistics> {};

TEST_P(StoredOrder, RowsAndNamesComeInTheOrderTheyWereStored) {
    createLedger({{"ZORIC ANA", "PRENOS", 5, {}, 1},
                  {"ADAMOVIC IVA", "PRENOS", 3, {}, 2},
                  {"ZORIC ANA", "SL.DANI", {}, 1, 1},
                  {"MARIC UNA", "PRENOS", 2, {}, 3},
                  {"ZORIC ANA", "BO", 2, {}, 1},
                  {"ADAMOVIC IVA", "GO 1 DEO 2015", 10, {}, 2},
                  {"ZORIC ANA", "DRUGO(OSTALO)", {}, 1, 1},
                  {"MARIC UNA", "GO 2 DEO 2015", 4, {}, 3},
                  {"ZORIC ANA", "BO", {}, 3, 1},
                  {"ADAMOVIC IVA", "GO 2 DEO 2015", 7, {}, 2}});
    setStatistics(GetParam());
    const std::vector<std::string> stored = {"PRENOS", "SL.DANI", "BO", "DRUGO(OSTALO)", "BO"};
    for (const bool live : {true, false})
        EXPECT_EQ(column(ledger::workerRowsSql("ZORIC ANA"), 9, live), stored) << "live " << live;
    const std::vector<std::string> names = {"ZORIC ANA", "ADAMOVIC IVA", "MARIC UNA"};
    EXPECT_EQ(column(ledger::nameListSql(), 1), names);
    EXPECT_EQ(column(ledger::balanceReportAllSql(), 1), names);
    EXPECT_EQ(column(ledger::annualLeaveReportAllSql("2015"), 2),
              (std::vector<std::string>{"GO 1 DEO 2015", "GO 2 DEO 2015", "GO 2 DEO 2015"}));
}

INSTANTIATE_TEST_SUITE_P(Statistics, StoredOrder,
                         testing::Values(Statistics::None, Statistics::MillionRows, Statistics::OwnRows),
                         [](const testing::TestParamInfo<Statistics>& info) {
                             return statisticsName(info.param);
                         });

// The name list seeks from name to name when an index leads with the name, and walks the table when
// none does; either way it gives every distinct name, the empty one included, in the order stored.
class NameListTest : public PlanTest, public testing::WithParamInterface<bool> {};

TEST_P(NameListTest, GivesEveryNameOnceInStoredOrder) {
    const bool indexed = GetParam();
    createLedger({{"ZORIC ANA", "PRENOS", 5}, {"", "BO", 1}, {"ADAMOVIC IVA", "PRENOS", 3}});
    runSql("INSERT INTO kovrel (PrezimeIme) VALUES ('ZORIC ANA'), (''), ('MARIC UNA'), (NULL), ('A''B')");
    const char* const dropIndexes =
        "DROP INDEX IF EXISTS kovrel_prezimeime; DROP INDEX IF EXISTS kovrel_stanje";
    if (!indexed) runSql(dropIndexes);
    // Another program adding or dropping the index shows in the next run of the text.
    for (const bool seeks : {indexed, !indexed}) {
        log_.take();
        EXPECT_EQ(column(ledger::nameListSql(), 1),
                  (std::vector<std::string>{"ZORIC ANA", "", "ADAMOVIC IVA", "", "MARIC UNA", "A'B"}));
        const std::vector<Ran> ran = log_.take();
        ASSERT_EQ(ran.size(), 1u);
        EXPECT_EQ(ran[0].sql.starts_with("WITH RECURSIVE"), seeks) << ran[0].sql;
        runSql(seeks ? dropIndexes : "CREATE INDEX kovrel_prezimeime ON kovrel (PrezimeIme)");
    }
}

INSTANTIATE_TEST_SUITE_P(Index, NameListTest, testing::Bool(), [](const testing::TestParamInfo<bool>& info) {
    return info.param ? "indexed" : "without_index";
});

// The definitions of the ledger's objects and its rows, in stored order, read past the engine.
std::vector<std::string> fileContents(const std::string& path) {
    std::vector<std::string> contents;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const char* sql :
         {"SELECT type || ' ' || name || ' ' || sql FROM sqlite_master ORDER BY name",
          "SELECT quote(PrezimeIme) || quote(Razlog) || quote(Dobijeni) FROM kovrel ORDER BY rowid"}) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            contents.push_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return contents;
}

TEST_F(PlanTest, OlderLedgerGetsTheMissingIndexesOnceAndKeepsItsTable) {
    createLedger({{"ZORIC ANA", "PRENOS", 5}, {"ADAMOVIC IVA", "PRENOS", 3}, {"ZORIC ANA", "BO", 1}});
    const std::vector<std::string> complete = fileContents(ledgerPath());
    runSql("DROP INDEX kovrel_stanje; DROP INDEX kovrel_redbroj");
    std::vector<double> reported;
    const WorkProgress progress = [&reported](double done) { reported.push_back(done); };
    int added = -1;
    std::string error;
    ASSERT_EQ(addMissingIndexes(ledgerPath(), progress, &added, &error), code::Ok) << error;
    EXPECT_EQ(added, 2);
    EXPECT_EQ(fileContents(ledgerPath()), complete);
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), 1.0);

    reported.clear();
    ASSERT_EQ(addMissingIndexes(ledgerPath(), progress, &added), code::Ok);
    EXPECT_EQ(added, 0);
    EXPECT_TRUE(reported.empty());
}

TEST_F(PlanTest, ReadOnlyLedgerIsLeftAsItIs) {
    createLedger({{"ZORIC ANA", "PRENOS", 5}});
    runSql("DROP INDEX kovrel_stanje; DROP INDEX kovrel_redbroj");
    const std::vector<std::string> before = fileContents(ledgerPath());
    ASSERT_EQ(::chmod(ledgerPath().c_str(), 0444), 0);
    int added = -1;
    EXPECT_EQ(addMissingIndexes(ledgerPath(), {}, &added), code::TableReadOnly);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(fileContents(ledgerPath()), before);
    EXPECT_EQ(column(ledger::balanceSql("ZORIC ANA"), 1), std::vector<std::string>{"5"});
}

}  // namespace
}  // namespace enginetest
