// The ledger's SQL catalogue run through the table engine on ledgers made for each case.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "engine/Dates.h"
#include "engine/Engine.h"
#include "engine/LedgerFile.h"
#include "engine/RecordView.h"
#include "ledger/Ledger.h"
#include "tests/ServerLedger.h"

namespace {

using ledger::SqlLines;
using Value = std::optional<std::string>;
using Row = std::vector<Value>;

// A ledger row given by the fields the catalogue reads.
struct Entry {
    std::optional<double> redBroj;
    std::string name;
    std::string razlog;
    std::optional<double> dobijeni;
    std::optional<double> iskorisceni = std::nullopt;
};

Entry carryOver(double number, const std::string& name, double days) {
    return {number, name, "PRENOS", days};
}

struct Answer {
    std::vector<engine::FieldDesc> fields;
    bool readWrite = false;
    std::vector<Row> rows;

    std::vector<Row> sortedRows() const {
        auto sorted = rows;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }
};

std::string numberText(double value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

Value fieldValue(const engine::FieldDesc& field, const std::uint8_t* record) {
    const engine::RecordView view(record);
    if (!view.present(field)) return std::nullopt;
    switch (field.type) {
        case engine::FieldType::String:
            return std::string(view.text(field));
        case engine::FieldType::Float:
            return numberText(view.number(field));
        case engine::FieldType::Integer:
            return std::to_string(view.integer(field));
        case engine::FieldType::LargeInt:
            return std::to_string(view.largeInt(field));
        case engine::FieldType::Date:
            return std::string(view.text(field));
        case engine::FieldType::Unknown:
            break;
    }
    return "?";
}

class CatalogueTest : public testing::Test {
  protected:
    // Runs on a ledger file, or on a server ledger when the suite runs on the server driver.
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const auto started = eng_.initialise(engine::StartupRecord{});
        ASSERT_TRUE(started == engine::code::Ok || started == engine::code::AlreadyInitialised);
        if (servertest::onServer()) {
            std::string error;
            if (!servertest::serverConnection()) GTEST_SKIP() << servertest::NoServerText;
            ASSERT_TRUE(server_.create(&error)) << error;
            ASSERT_EQ(eng_.openServerDatabase(server_.connection(), "", servertest::serverPassword(), &db_),
                      engine::code::Ok);
            return;
        }
        ASSERT_EQ(eng_.openDatabase("", &db_), engine::code::Ok);
        ASSERT_EQ(eng_.setDirectory(db_, dir_.path().toStdString()), engine::code::Ok);
        ASSERT_EQ(engine::createLedgerFile(path()), engine::code::Ok);
    }

    void TearDown() override {
        if (db_ != engine::NoHandle) eng_.closeDatabase(db_);
    }

    std::string path() const { return dir_.filePath(engine::LedgerFileName).toStdString(); }

    void store(const std::vector<Entry>& entries) {
        std::size_t next = 0;
        const auto fill = [&](engine::LedgerValues& values) {
            if (next == entries.size()) return false;
            const Entry& e = entries[next++];
            const auto number = [](std::optional<double> n) {
                return n ? engine::LedgerValue(*n) : engine::LedgerValue();
            };
            values = {};
            values[1] = number(e.redBroj);
            values[3] = e.name;
            values[8] = e.razlog;
            values[10] = number(e.dobijeni);
            values[11] = number(e.iskorisceni);
            return true;
        };
        std::string error;
        ASSERT_EQ(servertest::onServer()
                      ? engine::loadServerLedgerRows(server_.administration(), fill, nullptr, &error)
                      : engine::loadLedgerRows(path(), fill, nullptr, &error),
                  engine::code::Ok)
            << error;
    }

    Answer run(const SqlLines& lines, bool live = false) {
        Answer answer;
        engine::StatementHandle statement = engine::NoHandle;
        engine::CursorHandle cursor = engine::NoHandle;
        EXPECT_EQ(eng_.allocateStatement(db_, &statement), engine::code::Ok);
        EXPECT_EQ(eng_.setStatementProperty(statement, engine::StatementProperty::LiveWanted, live),
                  engine::code::Ok);
        EXPECT_EQ(eng_.prepare(statement, ledger::sqlText(lines)), engine::code::Ok)
            << ledger::sqlText(lines);
        EXPECT_EQ(eng_.execute(statement, &cursor), engine::code::Ok) << ledger::sqlText(lines);
        if (cursor != engine::NoHandle) {
            engine::CursorProps props;
            EXPECT_EQ(eng_.cursorProperties(cursor, &props), engine::code::Ok);
            EXPECT_EQ(eng_.fieldDescriptors(cursor, &answer.fields), engine::code::Ok);
            answer.readWrite = props.readWrite;
            std::vector<std::uint8_t> record(props.recordSize);
            while (eng_.getRecord(cursor, engine::GetMode::Next, record.data()) == engine::code::Ok) {
                Row row;
                for (const auto& field : answer.fields) row.push_back(fieldValue(field, record.data()));
                answer.rows.push_back(row);
            }
            eng_.closeCursor(cursor);
        }
        eng_.freeStatement(statement);
        return answer;
    }

    // The one value of a one-row, one-column answer, checking the column's name and type.
    Value single(const SqlLines& lines, const char* column, engine::FieldType type) {
        const Answer answer = run(lines);
        EXPECT_EQ(answer.fields.size(), 1u);
        EXPECT_EQ(answer.rows.size(), 1u);
        if (answer.fields.size() != 1 || answer.rows.size() != 1) return "?";
        EXPECT_EQ(answer.fields[0].name, column);
        EXPECT_EQ(answer.fields[0].type, type);
        return answer.rows[0][0];
    }

    Value balance(const std::string& name) {
        return single(ledger::balanceSql(name), "ukupno", engine::FieldType::Float);
    }
    Value transactionNumber(const std::string& name) {
        return single(ledger::transactionNumberSql(name), "transakcija", engine::FieldType::Integer);
    }

    engine::TableEngine& eng_ = engine::currentEngine();
    engine::DatabaseHandle db_ = engine::NoHandle;
    QTemporaryDir dir_;
    servertest::ServerLedger server_;
};

// The program reads an empty numeric answer as 0.
bool readsZero(const Value& value) {
    return !value || *value == "0";
}

TEST_F(CatalogueTest, EmptyLedgerGivesEmptyMaximumCountOfOneAndNoNames) {
    EXPECT_EQ(single(ledger::nextWorkerNumberSql(), "redbr", engine::FieldType::Float), std::nullopt);
    EXPECT_EQ(transactionNumber("NIKO"), "1");
    EXPECT_TRUE(readsZero(balance("NIKO")));
    for (const SqlLines& lines : {ledger::nameListSql(), ledger::workerRowsSql("NIKO"),
                                  ledger::balanceReportAllSql(), ledger::annualLeaveReportAllSql("")}) {
        const Answer answer = run(lines);
        EXPECT_FALSE(answer.fields.empty()) << lines[0];
        EXPECT_TRUE(answer.rows.empty()) << lines[0];
    }
}

TEST_F(CatalogueTest, ResultColumnsHaveTheTypesTheWindowsRead) {
    store({carryOver(1, "PETROVIC ANA", 3)});
    const Answer rows = run(ledger::workerRowsSql("PETROVIC ANA"));
    ASSERT_EQ(rows.fields.size(), ledger::ledgerFieldNames.size());
    for (std::size_t i = 0; i < rows.fields.size(); ++i)
        EXPECT_EQ(rows.fields[i].name, ledger::ledgerFieldNames[i]);
    EXPECT_EQ(rows.fields[3].type, engine::FieldType::String);
    EXPECT_EQ(rows.fields[3].size, 30);
    EXPECT_EQ(rows.fields[2].type, engine::FieldType::Date);
    EXPECT_EQ(rows.fields[10].type, engine::FieldType::Float);

    const Answer report = run(ledger::annualLeaveReportAllSql("2012"));
    ASSERT_EQ(report.fields.size(), 3u);
    EXPECT_EQ(report.fields[0].type, engine::FieldType::String);
    EXPECT_EQ(report.fields[1].type, engine::FieldType::String);
    EXPECT_EQ(report.fields[2].name, "stanje");
    EXPECT_EQ(report.fields[2].type, engine::FieldType::Float);
}

TEST_F(CatalogueTest, CarryOverAloneIsTheBalanceAndNumbersFollowIt) {
    store({carryOver(1, "PETROVIC ANA", 12.5), carryOver(2, "JOVIC IVA", 4)});
    EXPECT_EQ(balance("PETROVIC ANA"), "12.5");
    EXPECT_EQ(single(ledger::nextWorkerNumberSql(), "redbr", engine::FieldType::Float), "3");
    EXPECT_EQ(transactionNumber("PETROVIC ANA"), "2");
    EXPECT_EQ(run(ledger::balanceReportOneSql("JOVIC IVA")).rows, (std::vector<Row>{{"JOVIC IVA", "4"}}));
}

TEST_F(CatalogueTest, NameWithApostropheIsFound) {
    store({carryOver(1, "O'BRIEN ANA", 5),
           {1, "O'BRIEN ANA", "SL.DANI", std::nullopt, 2},
           carryOver(2, "OBRIEN ANA", 9)});
    EXPECT_EQ(run(ledger::workerRowsSql("O'BRIEN ANA")).rows.size(), 2u);
    EXPECT_EQ(transactionNumber("O'BRIEN ANA"), "3");
    EXPECT_EQ(balance("O'BRIEN ANA"), "3");
    EXPECT_EQ(run(ledger::balanceReportOneSql("O'BRIEN ANA")).rows, (std::vector<Row>{{"O'BRIEN ANA", "3"}}));
    EXPECT_EQ(run(ledger::annualLeaveReportOneSql("O'BRIEN ANA", "")).rows.size(), 0u);
}

TEST_F(CatalogueTest, NameRegisteredTwiceIsMergedByEveryQuery) {
    store({carryOver(1, "LAZIC MILA", 10),
           carryOver(2, "LAZIC MILA", 5),
           {2, "LAZIC MILA", "BO", std::nullopt, 4},
           carryOver(3, "SAVIC JOVAN", 1)});
    EXPECT_EQ(run(ledger::workerRowsSql("LAZIC MILA")).rows.size(), 3u);
    EXPECT_EQ(transactionNumber("LAZIC MILA"), "4");
    EXPECT_EQ(balance("LAZIC MILA"), "11");
    EXPECT_EQ(run(ledger::nameListSql()).sortedRows(), (std::vector<Row>{{"LAZIC MILA"}, {"SAVIC JOVAN"}}));
    EXPECT_EQ(run(ledger::balanceReportAllSql()).sortedRows(),
              (std::vector<Row>{{"LAZIC MILA", "11"}, {"SAVIC JOVAN", "1"}}));
}

TEST_F(CatalogueTest, BalanceLeavesOutOnlyReasonsBeginningWithCapitalG) {
    store({carryOver(1, "ILIC ZORAN", 2),
           {1, "ILIC ZORAN", "GO 1 DEO 2012", 20},
           {1, "ILIC ZORAN", "GO", std::nullopt, 6},
           {1, "ILIC ZORAN", "OSTATAK OD GO 2 DEO 2012", 5},
           {1, "ILIC ZORAN", "OSTATAK OD GO", std::nullopt, 1},
           {1, "ILIC ZORAN", "go 1 deo 2012", 3},
           {1, "ILIC ZORAN", "SL.DANI", std::nullopt, 4}});
    EXPECT_EQ(balance("ILIC ZORAN"), "5");
    EXPECT_EQ(run(ledger::balanceReportAllSql()).rows, (std::vector<Row>{{"ILIC ZORAN", "5"}}));
    EXPECT_EQ(run(ledger::balanceReportOneSql("ILIC ZORAN")).rows, (std::vector<Row>{{"ILIC ZORAN", "5"}}));
}

TEST_F(CatalogueTest, WorkerWithOnlyAnnualLeaveRowsHasNoCountedBalance) {
    store({{1, "VASIC ANA", "GO 1 DEO 2015", 20}, {1, "VASIC ANA", "GO", std::nullopt, 5}});
    EXPECT_TRUE(readsZero(balance("VASIC ANA")));
}

class AnnualLeaveYearTest : public CatalogueTest {
  protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        store({carryOver(1, "POPOVIC UNA", 1),
               {1, "POPOVIC UNA", "GO 1 DEO 2010", 10},
               {1, "POPOVIC UNA", "GO 2 DEO 2010", 5},
               {1, "POPOVIC UNA", "GO 1 DEO 2019", 8},
               {1, "POPOVIC UNA", "GO 1 DEO 2020", 7},
               {1, "POPOVIC UNA", "GO", std::nullopt, 3},
               {1, "POPOVIC UNA", "OSTATAK OD GO 1 DEO 2010", 2},
               {2, "TODIC RADE", "GO 1 DEO 2010", 12}});
    }

    std::vector<Row> allWorkers(const std::string& year) {
        return run(ledger::annualLeaveReportAllSql(year)).sortedRows();
    }
};

TEST_F(AnnualLeaveYearTest, YearSelectsTheGrantsOfThatYear) {
    EXPECT_EQ(allWorkers("2010"), (std::vector<Row>{{"POPOVIC UNA", "GO 1 DEO 2010", "10"},
                                                    {"POPOVIC UNA", "GO 2 DEO 2010", "5"},
                                                    {"TODIC RADE", "GO 1 DEO 2010", "12"}}));
    EXPECT_EQ(run(ledger::annualLeaveReportOneSql("POPOVIC UNA", "2020")).rows,
              (std::vector<Row>{{"POPOVIC UNA", "GO 1 DEO 2020", "7"}}));
}

TEST_F(AnnualLeaveYearTest, PartialYearSelectsEveryYearItBegins) {
    EXPECT_EQ(allWorkers("201"), (std::vector<Row>{{"POPOVIC UNA", "GO 1 DEO 2010", "10"},
                                                   {"POPOVIC UNA", "GO 1 DEO 2019", "8"},
                                                   {"POPOVIC UNA", "GO 2 DEO 2010", "5"},
                                                   {"TODIC RADE", "GO 1 DEO 2010", "12"}}));
}

TEST_F(AnnualLeaveYearTest, EmptyYearListsEveryGroupBeginningWithG) {
    const auto rows = allWorkers("");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (Row{"POPOVIC UNA", "GO", "-3"}));
}

TEST_F(AnnualLeaveYearTest, TypedDoubleQuoteStaysInsideThePattern) {
    EXPECT_TRUE(allWorkers("20\"10").empty());
    EXPECT_TRUE(allWorkers("\"").empty());
    EXPECT_TRUE(allWorkers("%\" or razlog like \"").empty());
    EXPECT_TRUE(
        run(ledger::annualLeaveReportOneSql("POPOVIC UNA", "%\" or prezimeime like \"")).rows.empty());
}

TEST_F(CatalogueTest, OnlyTheWorkerRowsQueryIsLiveAndOnlyWhenAsked) {
    store({carryOver(1, "PETROVIC ANA", 3)});
    EXPECT_TRUE(run(ledger::workerRowsSql("PETROVIC ANA"), true).readWrite);
    EXPECT_TRUE(run(ledger::initialWorkerRowsSql(), true).readWrite);
    EXPECT_FALSE(run(ledger::workerRowsSql("PETROVIC ANA"), false).readWrite);
    for (const SqlLines& lines :
         {ledger::nameListSql(), ledger::balanceSql("PETROVIC ANA"), ledger::balanceReportAllSql(),
          ledger::balanceReportOneSql("PETROVIC ANA"), ledger::annualLeaveReportAllSql("2012"),
          ledger::annualLeaveReportOneSql("PETROVIC ANA", "2012"), ledger::nextWorkerNumberSql(),
          ledger::transactionNumberSql("PETROVIC ANA")})
        EXPECT_FALSE(run(lines, true).readWrite) << lines[0];
}

TEST_F(CatalogueTest, CreationTimeTextsRunOverTheWholeTable) {
    store({carryOver(1, "PETROVIC ANA", 3),
           {1, "PETROVIC ANA", "BO", std::nullopt, 1},
           carryOver(2, "JOVIC IVA", 4)});
    EXPECT_EQ(single(ledger::initialTransactionNumberSql(), "transakcija", engine::FieldType::Integer), "4");
    EXPECT_EQ(single(ledger::initialBalanceSql(), "ukupno", engine::FieldType::Float), "6");
    EXPECT_EQ(run(ledger::initialWorkerRowsSql()).rows.size(), 3u);
}

}  // namespace
