// Reading ledgers through TTable and TQuery, beside raw SQLite reading the same rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <map>

#include "data/DBTables.h"

namespace {

// A seeded ledger of `rows` rows (1000 workers, or fewer for small ledgers), made once and kept in the
// temporary directory between runs.
QString seededLedger(int rows) {
    static std::map<int, QString> made;
    if (const auto found = made.find(rows); found != made.end()) return found->second;
    const QString dir = QDir::temp().filePath(QStringLiteral("kovrel-bench-data-%1").arg(rows));
    if (!QFile::exists(dir + QStringLiteral("/Kovrel.DB"))) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        const int workers = std::min(rows, 1000);
        const QString command = QStringLiteral("'%1' seed '%2' --workers %3 --rows %4")
                                    .arg(QString::fromUtf8(KOVREL_DB_EXE), dir)
                                    .arg(workers)
                                    .arg(rows);
        if (std::system(command.toUtf8().constData()) != 0) return QString();
    }
    made[rows] = dir;
    return dir;
}

// Runs the benchmark with the ledger's directory as the working directory.
bool enterLedger(benchmark::State& state, int rows) {
    const QString dir = seededLedger(rows);
    if (dir.isEmpty() || !QDir::setCurrent(dir)) {
        state.SkipWithError("the ledger could not be seeded");
        return false;
    }
    return true;
}

void BM_TableReadAll(benchmark::State& state) {
    if (!enterLedger(state, int(state.range(0)))) return;
    TTable table;
    table.SetTableName(QStringLiteral("Kovrel.DB"));
    table.Open();
    TField* name = table.FieldByName(QStringLiteral("PrezimeIme"));
    TField* reason = table.FieldByName(QStringLiteral("Razlog"));
    std::int64_t rows = 0;
    for (auto _ : state) {
        for (table.First(); !table.Eof(); table.Next()) {
            QString first = name->AsString();
            QString second = reason->AsString();
            benchmark::DoNotOptimize(first);
            benchmark::DoNotOptimize(second);
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
    table.Close();
    Session->Close();
}

// Raw SQLite reading every row and the same two texts; with EveryColumn it also reads every other column
// of each row, as a record-based cursor must.
template <bool EveryColumn>
void BM_RawSqliteReadAll(benchmark::State& state) {
    if (!enterLedger(state, int(state.range(0)))) return;
    sqlite3* db = nullptr;
    sqlite3_open_v2("Kovrel.DB", &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM kovrel ORDER BY rowid", -1, &statement, nullptr);
    std::int64_t rows = 0;
    for (auto _ : state) {
        sqlite3_reset(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0, columns = EveryColumn ? sqlite3_column_count(statement) : 0;
                 column < columns; ++column) {
                if (sqlite3_column_type(statement, column) == SQLITE_TEXT)
                    benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
                else
                    benchmark::DoNotOptimize(sqlite3_column_double(statement, column));
            }
            QString first =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 3)));
            QString second =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 8)));
            benchmark::DoNotOptimize(first);
            benchmark::DoNotOptimize(second);
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// The engine's own cursor, without the dataset: how much of TTable's time is the engine's.
void BM_EngineCursorReadAll(benchmark::State& state) {
    if (!enterLedger(state, int(state.range(0)))) return;
    engine::TableEngine& api = engine::currentEngine();
    Session->Open();
    engine::DatabaseHandle db = engine::NoHandle;
    engine::CursorHandle cursor = engine::NoHandle;
    api.openDatabase("", &db);
    api.setDirectory(db, "");
    api.openTable(db, "Kovrel.DB", engine::OpenMode::ReadOnly, engine::ShareMode::Shared, &cursor);
    engine::CursorProps props;
    api.cursorProperties(cursor, &props);
    std::vector<std::uint8_t> record(props.recordSize);
    std::int64_t rows = 0;
    for (auto _ : state) {
        api.setToBegin(cursor);
        while (api.getRecord(cursor, engine::GetMode::Next, record.data()) == engine::code::Ok) {
            benchmark::DoNotOptimize(record.data());
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
    api.closeCursor(cursor);
    api.closeDatabase(db);
    Session->Close();
}

void BM_QueryOpenFirst20(benchmark::State& state) {
    if (!enterLedger(state, int(state.range(0)))) return;
    TQuery query;
    query.SetRequestLive(true);
    query.SQL().Add(QStringLiteral("select * from kovrel"));
    for (auto _ : state) {
        query.Open();
        for (int i = 0; i < 20 && !query.Eof(); ++i) {
            QString name = query.FieldByName(QStringLiteral("PrezimeIme"))->AsString();
            benchmark::DoNotOptimize(name);
            query.Next();
        }
        query.Close();
    }
    Session->Close();
}

}  // namespace

BENCHMARK(BM_TableReadAll)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineCursorReadAll)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSqliteReadAll<false>)
    ->Name("BM_RawSqliteReadAll")
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSqliteReadAll<true>)
    ->Name("BM_RawSqliteReadAllColumns")
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryOpenFirst20)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
