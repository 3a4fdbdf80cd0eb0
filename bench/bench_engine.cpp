// The table engine beside raw SQLite on seeded ledgers of a thousand and a million rows. The raw side
// does the engine's work as the engine does it: one connection opened once, each statement prepared
// once and reset, every column read. The engine keeps its connections and statements between calls, so
// the cold lines time the first statement on a new connection, on both sides.
#include <stdlib.h>

#include <array>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "engine/Engine.h"
#include "engine/SqliteEngine.h"

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
    std::unique_ptr<bench::RawLedger> raw;
    std::string worker;

    std::string file() const { return (directory / "Kovrel.DB").string(); }
};

// Each ledger is seeded once per run when a benchmark first needs it, in a temporary directory removed
// at exit.
class Ledgers {
  public:
    Ledgers() {
        char pattern[] = "/tmp/kovrel-bench-XXXXXX";
        bench::require(mkdtemp(pattern) != nullptr, "cannot make a temporary directory");
        root_ = pattern;
        const auto started = engine::currentEngine().initialise(engine::StartupRecord{});
        bench::require(started == engine::code::Ok || started == engine::code::AlreadyInitialised,
                       "engine start");
    }

    ~Ledgers() {
        for (auto& ledger : ledgers_) {
            if (!ledger) continue;
            ledger->raw.reset();
            engine::currentEngine().closeDatabase(ledger->database);
        }
        engine::currentEngine().shutdown();
        fs::remove_all(root_);
    }

    SeededLedger& at(std::int64_t index) {
        auto& ledger = ledgers_.at(static_cast<std::size_t>(index));
        if (!ledger) ledger = std::make_unique<SeededLedger>(seed(sizes[index]));
        return *ledger;
    }

  private:
    SeededLedger seed(const LedgerSize& size) {
        SeededLedger ledger;
        ledger.directory = root_ / size.label;
        bench::seedLedger(ledger.directory, size.workers, size.rows);
        auto& eng = engine::currentEngine();
        bench::require(eng.openDatabase("", &ledger.database) == engine::code::Ok, "open database");
        bench::require(eng.setDirectory(ledger.database, ledger.directory.string()) == engine::code::Ok,
                       "directory");
        ledger.raw = std::make_unique<bench::RawLedger>(ledger.file());
        sqlite3_stmt* first = ledger.raw->statement("SELECT PrezimeIme FROM kovrel ORDER BY rowid LIMIT 1");
        bench::require(sqlite3_step(first) == SQLITE_ROW, "the seeded ledger is empty");
        ledger.worker = reinterpret_cast<const char*>(sqlite3_column_text(first, 0));
        sqlite3_reset(first);
        return ledger;
    }

    fs::path root_;
    std::array<std::unique_ptr<SeededLedger>, std::size(sizes)> ledgers_;
};

Ledgers& ledgers() {
    static Ledgers instance;
    return instance;
}

// A catalogue text the benchmarks run, for the ledger's first worker.
struct Text {
    const char* name;
    ledger::SqlLines (*lines)(const std::string& worker);
    bool live;
    bool cold;  // also timed on a new connection
};

const Text texts[] = {
    {"WorkerRows", [](const std::string& worker) { return ledger::workerRowsSql(worker); }, true, true},
    {"Balance", [](const std::string& worker) { return ledger::balanceSql(worker); }, false, true},
    {"NameList", [](const std::string&) { return ledger::nameListSql(); }, false, false},
    {"BalanceReportAll", [](const std::string&) { return ledger::balanceReportAllSql(); }, false, false},
    {"AnnualLeaveReportAll", [](const std::string&) { return ledger::annualLeaveReportAllSql("2015"); },
     false, false},
};

constexpr const char* rawTableText = "SELECT * FROM kovrel ORDER BY rowid";
constexpr std::int64_t tableRows = 20;

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

std::int64_t engineQuery(engine::TableEngine& eng, engine::DatabaseHandle database, const std::string& sql,
                         bool live) {
    engine::StatementHandle statement = engine::NoHandle;
    engine::CursorHandle cursor = engine::NoHandle;
    eng.allocateStatement(database, &statement);
    eng.setStatementProperty(statement, engine::StatementProperty::LiveWanted, live ? 1 : 0);
    bench::require(eng.prepare(statement, sql) == engine::code::Ok, "prepare " + sql);
    bench::require(eng.execute(statement, &cursor) == engine::code::Ok, "execute " + sql);
    const std::int64_t rows = readCursor(eng, cursor, -1);
    eng.freeStatement(statement);
    return rows;
}

std::int64_t engineTableFirstRows(engine::TableEngine& eng, engine::DatabaseHandle database) {
    engine::CursorHandle cursor = engine::NoHandle;
    bench::require(eng.openTable(database, "Kovrel.DB", engine::OpenMode::ReadWrite,
                                 engine::ShareMode::Shared, &cursor) == engine::code::Ok,
                   "open table");
    return readCursor(eng, cursor, tableRows);
}

// A new engine with a database over the ledger's directory: nothing of it is cached yet.
class ColdEngine {
  public:
    explicit ColdEngine(const SeededLedger& ledger) {
        engine_.initialise(engine::StartupRecord{});
        engine_.openDatabase("", &database_);
        engine_.setDirectory(database_, ledger.directory.string());
    }
    engine::TableEngine& eng() { return engine_; }
    engine::DatabaseHandle database() const { return database_; }

  private:
    engine::SqliteEngine engine_;
    engine::DatabaseHandle database_ = engine::NoHandle;
};

// A new raw connection running one statement: opened with the settings and the reading of the table's
// columns that the engine's new connection sends to SQLite, prepared, read, finalized and closed.
std::int64_t rawColdQuery(const SeededLedger& ledger, const std::string& sql, std::int64_t limit) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(ledger.file().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA case_sensitive_like = ON; PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA table_info(kovrel)", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    bench::require(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK,
                   sqlite3_errmsg(db));
    const std::int64_t rows = bench::readRows(statement, limit);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

void finish(benchmark::State& state, std::int64_t rows) {
    state.counters["rows"] = static_cast<double>(rows);
}

// Registers one benchmark per ledger size, named side/what/size. `make` gives, for a ledger, the work of
// one iteration, answering the rows read; what it prepares beforehand is not timed.
using Work = std::function<std::int64_t()>;

void add(const std::string& side, const std::string& what, std::function<Work(SeededLedger&)> make,
         benchmark::TimeUnit unit) {
    for (std::int64_t size = 0; size < std::ssize(sizes); ++size) {
        benchmark::RegisterBenchmark((side + "/" + what + "/" + sizes[size].label).c_str(),
                                     [make, size](benchmark::State& state) {
                                         const Work work = make(ledgers().at(size));
                                         std::int64_t rows = 0;
                                         for (auto _ : state) rows = work();
                                         finish(state, rows);
                                     })
            ->Unit(unit)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
}

void addAll() {
    const auto us = benchmark::kMicrosecond;
    add(
        "Engine", "OpenTableFirst20",
        [](SeededLedger& ledger) -> Work {
            return [&ledger] { return engineTableFirstRows(engine::currentEngine(), ledger.database); };
        },
        us);
    add(
        "Raw", "OpenTableFirst20",
        [](SeededLedger& ledger) -> Work {
            return [&ledger] { return ledger.raw->read(rawTableText, tableRows); };
        },
        us);
    add(
        "EngineCold", "OpenTableFirst20",
        [](SeededLedger& ledger) -> Work {
            return [&ledger] {
                ColdEngine cold(ledger);
                return engineTableFirstRows(cold.eng(), cold.database());
            };
        },
        us);
    add(
        "RawCold", "OpenTableFirst20",
        [](SeededLedger& ledger) -> Work {
            return [&ledger] { return rawColdQuery(ledger, rawTableText, tableRows); };
        },
        us);
    for (const Text& text : texts) {
        const auto unit = text.cold ? us : benchmark::kMillisecond;
        const auto programText = [&text](const SeededLedger& ledger) {
            return ledger::sqlText(text.lines(ledger.worker));
        };
        const auto sqliteText = [&text](const SeededLedger& ledger) {
            return bench::sqliteText(text.lines(ledger.worker));
        };
        add(
            "Engine", text.name,
            [&text, programText](SeededLedger& ledger) -> Work {
                return [&ledger, &text, sql = programText(ledger)] {
                    return engineQuery(engine::currentEngine(), ledger.database, sql, text.live);
                };
            },
            unit);
        add(
            "Raw", text.name,
            [sqliteText](SeededLedger& ledger) -> Work {
                return [&ledger, sql = sqliteText(ledger)] { return ledger.raw->read(sql); };
            },
            unit);
        if (!text.cold) continue;
        add(
            "EngineCold", text.name,
            [&text, programText](SeededLedger& ledger) -> Work {
                return [&ledger, &text, sql = programText(ledger)] {
                    ColdEngine cold(ledger);
                    return engineQuery(cold.eng(), cold.database(), sql, text.live);
                };
            },
            unit);
        add(
            "RawCold", text.name,
            [sqliteText](SeededLedger& ledger) -> Work {
                return [&ledger, sql = sqliteText(ledger)] { return rawColdQuery(ledger, sql, -1); };
            },
            unit);
    }
}

// Each engine line beside its raw line, and the cold lines beside theirs: wall time, and the time this
// process spent on the processor, which a busy machine disturbs less.
void printRatios(const bench::Figures& figures) {
    std::cout
        << "\nmedian ms                         engine      raw   engine/raw   cpu engine/raw   spread\n";
    std::vector<std::string> whats = {"OpenTableFirst20"};
    for (const Text& text : texts) whats.push_back(text.name);
    for (const std::string warmth : {"", "Cold"}) {
        for (const std::string& what : whats) {
            for (const auto& size : sizes) {
                const std::string tail = what + "/" + size.label;
                const auto* engineFigure = figures.find("Engine" + warmth + "/" + tail);
                const auto* rawFigure = figures.find("Raw" + warmth + "/" + tail);
                if (!engineFigure || !rawFigure) continue;
                std::cout << std::left << std::setw(30) << (warmth.empty() ? tail : warmth + " " + tail)
                          << std::right << std::setw(9) << bench::msText(engineFigure) << std::setw(9)
                          << bench::msText(rawFigure) << std::setw(13)
                          << bench::ratioText(engineFigure, rawFigure) << std::setw(17)
                          << bench::ratioText(engineFigure, rawFigure, true) << "   "
                          << bench::spreadText(engineFigure) << " / " << bench::spreadText(rawFigure) << "\n";
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(&argc, argv);
    addAll();
    bench::Figures figures;
    benchmark::RunSpecifiedBenchmarks(&figures);
    printRatios(figures);
    benchmark::Shutdown();
    return 0;
}
