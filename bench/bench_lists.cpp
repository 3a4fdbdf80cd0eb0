// The printed lists on a ledger of 2,000 workers and 1,000,000 rows: the balance list (its query, and its
// pages), a worker's statement of about 500 rows, pages per second, and the memory a 100-page list
// takes beside its stored pages. The balance query also runs on raw SQLite for comparison.
#include <malloc.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>

#include "BenchSupport.h"
#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "ledger/UnitLists.h"
#include "report/RpReport.h"
#include "runtime/Seams.h"

namespace {

constexpr int kWorkers = 2000;
constexpr int kRows = 1000000;

// The seeded ledger, made once and kept in the temporary directory between runs, with the indexes the
// program adds when it starts; it becomes the working directory.
bool enterLedger(benchmark::State& state) {
    const QString dir =
        QDir::temp().filePath(QStringLiteral("kovrel-bench-lists-%1-%2").arg(kWorkers).arg(kRows));
    if (!QFile::exists(dir + QStringLiteral("/Kovrel.DB"))) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        const QString command = QStringLiteral("'%1' seed '%2' --workers %3 --rows %4 > /dev/null")
                                    .arg(QString::fromUtf8(KOVREL_DB_EXE), dir)
                                    .arg(kWorkers)
                                    .arg(kRows);
        if (std::system(command.toUtf8().constData()) != 0) {
            state.SkipWithError("the ledger could not be seeded");
            return false;
        }
    }
    if (engine::addMissingIndexes((dir + QStringLiteral("/Kovrel.DB")).toStdString(), {}) !=
        engine::code::Ok) {
        state.SkipWithError("the ledger's indexes could not be added");
        return false;
    }
    return QDir::setCurrent(dir);
}

// Makes the pages of `kind` over `rows` as a preview does; answers the page count.
int generate(ledger::ListKind kind, TRpDataTable& rows) {
    TReport report;
    ledger::BuildList(report, kind, rows, QStringLiteral("Svi radnici"));
    TRpPrinter printer;
    report.CreateReportOn(printer);
    return printer.PageCount();
}

void setPageCounters(benchmark::State& state, int pages) {
    state.counters["pages"] = pages;
    state.counters["pages_per_s"] =
        benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BalanceListQueryAndPages(benchmark::State& state) {
    if (!enterLedger(state)) return;
    int pages = 0;
    for (auto _ : state) {
        TRpDataTable rows = ledger::BalanceList(true, QString());
        pages = generate(ledger::ListKind::Balance, rows);
    }
    setPageCounters(state, pages);
}
BENCHMARK(BM_BalanceListQueryAndPages)->Unit(benchmark::kMillisecond);

void BM_BalanceListPagesOnly(benchmark::State& state) {
    if (!enterLedger(state)) return;
    TRpDataTable rows = ledger::BalanceList(true, QString());
    int pages = 0;
    for (auto _ : state) pages = generate(ledger::ListKind::Balance, rows);
    setPageCounters(state, pages);
    state.counters["rows"] = rows.RowCount();
}
BENCHMARK(BM_BalanceListPagesOnly)->Unit(benchmark::kMillisecond);

// The balance list's statement run straight on SQLite, prepared once, every column read.
void BM_BalanceListRawSqlite(benchmark::State& state) {
    if (!enterLedger(state)) return;
    bench::RawLedger raw("Kovrel.DB");
    const std::string sql = bench::sqliteText(ledger::balanceReportAllSql());
    std::int64_t rows = 0;
    for (auto _ : state) rows = raw.read(sql);
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_BalanceListRawSqlite)->Unit(benchmark::kMillisecond);

void BM_StatementOfAWorker(benchmark::State& state) {
    if (!enterLedger(state)) return;
    const QString name = QStringLiteral("PETROVIC MARKO");
    int pages = 0, rows = 0;
    for (auto _ : state) {
        TRpDataTable statement = ledger::Statement(name, runtime::today());
        rows = statement.RowCount();
        pages = generate(ledger::ListKind::Statement, statement);
    }
    setPageCounters(state, pages);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_StatementOfAWorker)->Unit(benchmark::kMillisecond);

// A list of 100 pages made in memory: the heap it holds at its largest, page by page, beyond the stored
// pages' own bytes in memory (they move to a temporary file past 100,000 bytes) and the records.
void BM_HundredPageListMemory(benchmark::State& state) {
    TRpDataTable rows;
    rows.AddColumn(QStringLiteral("prezimeime"), QStringLiteral("Prezime i ime"));
    rows.AddColumn(QStringLiteral("stanje"), QStringLiteral("Stanje dana"));
    // 48 rows on the first page, 52 on each later one, and 50 with the summary on the last.
    for (int i = 0; i < 48 + 98 * 52 + 50; ++i)
        rows.AppendRow({QStringLiteral("RADNIK %1").arg(i), double(i % 40)});
    double beyond = 0;
    int pages = 0;
    for (auto _ : state) {
        TReport report;
        ledger::BuildList(report, ledger::ListKind::Balance, rows, QStringLiteral("Svi radnici"));
        TRpPrinter printer;
        const std::size_t before = mallinfo2().uordblks;
        std::size_t peak = before;
        report.OnEndPage = [&](TReport&) { peak = std::max(peak, std::size_t(mallinfo2().uordblks)); };
        report.CreateReportOn(printer);
        pages = printer.PageCount();
        const TRpStream& stream = printer.PageList()->Stream();
        const double storedInMemory = stream.InFile() ? 0.0 : double(stream.Size());
        beyond = double(peak - before) - storedInMemory;
    }
    state.counters["pages"] = pages;
    state.counters["heap_beyond_pages_MB"] = beyond / (1024.0 * 1024.0);
}
BENCHMARK(BM_HundredPageListMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    runtime::setPrinterList(QStringList());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Session->Close();
    return 0;
}
