// The table engine beside raw SQLite on seeded ledgers of a thousand and a million rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/engine/Engine.h"
#include "ledger/Ledger.h"

namespace {

namespace fs = std::filesystem;

struct LedgerSize {
    const char* label;
    int workers;
    int rows;
};

constexpr LedgerSize sizes[] = {{"1k", 50, 1000}, {"1M", 1000, 1000000}};

// One seeded ledger: its directory, an engine database over it, a raw connection to its file and the
// name of its first worker.
struct SeededLedger {
    fs::path directory;
    engine::DatabaseHandle database = engine::NoHandle;
    sqlite3* raw = nullptr;
    std::string worker;
};

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

std::string firstWorker(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "select PrezimeIme from kovrel order by rowid limit 1", -1, &statement, nullptr);
    require(sqlite3_step(statement) == SQLITE_ROW, "the seeded ledger is empty");
    std::string name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return name;
}

// The ledgers are seeded once per run, in a temporary directory removed at exit.
class Ledgers {
  public:
    Ledgers() {
        char pattern[] = "/tmp/kovrel-bench-XXXXXX";
        require(mkdtemp(pattern) != nullptr, "cannot make a temporary directory");
        root_ = pattern;
        const auto started = engine::currentEngine().initialise(engine::StartupRecord{});
        require(started == engine::code::Ok || started == engine::code::AlreadyInitialised, "engine start");
        for (const auto& size : sizes) ledgers_.push_back(seed(size));
    }

    ~Ledgers() {
        for (auto& ledger : ledgers_) {
            sqlite3_close(ledger.raw);
            engine::currentEngine().closeDatabase(ledger.database);
        }
        engine::currentEngine().shutdown();
        fs::remove_all(root_);
    }

    SeededLedger& at(std::int64_t index) { return ledgers_.at(static_cast<std::size_t>(index)); }

  private:
    SeededLedger seed(const LedgerSize& size) {
        SeededLedger ledger;
        ledger.directory = root_ / size.label;
        fs::create_directories(ledger.directory);
        const std::string command = std::string(KOVREL_DB_EXE) + " seed '" + ledger.directory.string() +
                                    "' --workers " + std::to_string(size.workers) + " --rows " +
                                    std::to_string(size.rows) + " > /dev/null";
        require(std::system(command.c_str()) == 0, "kovrel-db seed failed");
        auto& eng = engine::currentEngine();
        require(eng.openDatabase("", &ledger.database) == engine::code::Ok, "open database");
        require(eng.setDirectory(ledger.database, ledger.directory.string()) == engine::code::Ok,
                "directory");
        const std::string file = (ledger.directory / "Kovrel.DB").string();
        require(sqlite3_open_v2(file.c_str(), &ledger.raw, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK,
                file);
        sqlite3_exec(ledger.raw, "PRAGMA case_sensitive_like=ON", nullptr, nullptr, nullptr);
        ledger.worker = firstWorker(ledger.raw);
        return ledger;
    }

    fs::path root_;
    std::vector<SeededLedger> ledgers_;
};

Ledgers& ledgers() {
    static Ledgers instance;
    return instance;
}

// The catalogue's double-quoted LIKE constants written the way SQLite reads constants.
std::string rawText(const ledger::SqlLines& lines) {
    std::string text = ledger::sqlText(lines);
    for (char& c : text)
        if (c == '"') c = '\'';
    return text;
}

// Reads up to `limit` records of a cursor (all when negative), then closes it.
std::int64_t readCursor(engine::TableEngine& eng, engine::CursorHandle cursor, std::int64_t limit) {
    engine::CursorProps props;
    eng.cursorProperties(cursor, &props);
    std::vector<std::uint8_t> record(props.recordSize);
    std::int64_t count = 0;
    while (count != limit &&
           eng.getRecord(cursor, engine::GetMode::Next, record.data()) == engine::code::Ok) {
        benchmark::DoNotOptimize(record.data());
        ++count;
    }
    eng.closeCursor(cursor);
    return count;
}

// Steps through up to `limit` rows (all when negative), reading every column, then finalizes.
std::int64_t readStatement(sqlite3_stmt* statement, std::int64_t limit) {
    std::int64_t count = 0;
    while (count != limit && sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0, columns = sqlite3_column_count(statement); column < columns; ++column) {
            if (sqlite3_column_type(statement, column) == SQLITE_TEXT)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
            else
                benchmark::DoNotOptimize(sqlite3_column_double(statement, column));
        }
        ++count;
    }
    sqlite3_finalize(statement);
    return count;
}

std::int64_t engineQuery(const SeededLedger& ledger, const ledger::SqlLines& lines, bool live) {
    auto& eng = engine::currentEngine();
    engine::StatementHandle statement = engine::NoHandle;
    engine::CursorHandle cursor = engine::NoHandle;
    eng.allocateStatement(ledger.database, &statement);
    eng.setStatementProperty(statement, engine::StatementProperty::LiveWanted, live ? 1 : 0);
    require(eng.prepare(statement, ledger::sqlText(lines)) == engine::code::Ok, "prepare " + lines[0]);
    require(eng.execute(statement, &cursor) == engine::code::Ok, "execute " + lines[0]);
    const std::int64_t rows = readCursor(eng, cursor, -1);
    eng.freeStatement(statement);
    return rows;
}

std::int64_t rawQuery(const SeededLedger& ledger, const ledger::SqlLines& lines) {
    sqlite3_stmt* statement = nullptr;
    require(sqlite3_prepare_v2(ledger.raw, rawText(lines).c_str(), -1, &statement, nullptr) == SQLITE_OK,
            sqlite3_errmsg(ledger.raw));
    return readStatement(statement, -1);
}

void finish(benchmark::State& state, std::int64_t rows) {
    state.SetLabel(sizes[state.range(0)].label);
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_EngineOpenTableFirst20(benchmark::State& state) {
    const SeededLedger& ledger = ledgers().at(state.range(0));
    auto& eng = engine::currentEngine();
    std::int64_t rows = 0;
    for (auto _ : state) {
        engine::CursorHandle cursor = engine::NoHandle;
        require(eng.openTable(ledger.database, "Kovrel.DB", engine::OpenMode::ReadWrite,
                              engine::ShareMode::Shared, &cursor) == engine::code::Ok,
                "open table");
        rows = readCursor(eng, cursor, 20);
    }
    finish(state, rows);
}

void BM_RawOpenTableFirst20(benchmark::State& state) {
    const SeededLedger& ledger = ledgers().at(state.range(0));
    const std::string file = (ledger.directory / "Kovrel.DB").string();
    std::int64_t rows = 0;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "select * from kovrel", -1, &statement, nullptr);
        rows = readStatement(statement, 20);
        sqlite3_close(db);
    }
    finish(state, rows);
}

template <ledger::SqlLines (*Text)(std::string_view), bool Live>
void BM_EngineWorkerQuery(benchmark::State& state) {
    const SeededLedger& ledger = ledgers().at(state.range(0));
    std::int64_t rows = 0;
    for (auto _ : state) rows = engineQuery(ledger, Text(ledger.worker), Live);
    finish(state, rows);
}

template <ledger::SqlLines (*Text)(std::string_view)>
void BM_RawWorkerQuery(benchmark::State& state) {
    const SeededLedger& ledger = ledgers().at(state.range(0));
    std::int64_t rows = 0;
    for (auto _ : state) rows = rawQuery(ledger, Text(ledger.worker));
    finish(state, rows);
}

void BM_EngineBalanceReport(benchmark::State& state) {
    const SeededLedger& ledger = ledgers().at(state.range(0));
    std::int64_t rows = 0;
    for (auto _ : state) rows = engineQuery(ledger, ledger::balanceReportAllSql(), true);
    finish(state, rows);
}

void BM_RawBalanceReport(benchmark::State& state) {
    const SeededLedger& ledger = ledgers().at(state.range(0));
    std::int64_t rows = 0;
    for (auto _ : state) rows = rawQuery(ledger, ledger::balanceReportAllSql());
    finish(state, rows);
}

BENCHMARK(BM_EngineOpenTableFirst20)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawOpenTableFirst20)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineWorkerQuery<ledger::workerRowsSql, true>)
    ->Name("BM_EngineWorkerRows")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawWorkerQuery<ledger::workerRowsSql>)
    ->Name("BM_RawWorkerRows")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineWorkerQuery<ledger::balanceSql, true>)
    ->Name("BM_EngineBalance")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawWorkerQuery<ledger::balanceSql>)
    ->Name("BM_RawBalance")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineBalanceReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawBalanceReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
