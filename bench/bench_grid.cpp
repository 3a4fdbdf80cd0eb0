// The data-aware grid over a seeded ledger of a million rows: how many records it buffers, what a page
// of scrolling costs at the start and at the end of the table, and how much a field change repaints.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <memory>
#include <stdexcept>

#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "runtime/Geometry.h"
#include "tests/PaintedArea.h"

namespace {

constexpr int pagesTimed = 100;

// The seeded ledger and a grid like the register window's (size and ten columns) over its table, made
// once per run.
class GridOverLedger {
  public:
    static GridOverLedger& instance() {
        static GridOverLedger ledger;
        return ledger;
    }

    TDBGrid& grid() { return *grid_; }
    TTable& table() { return *table_; }

    void pageDown() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(grid_, &press);
        grid_->viewport()->repaint();
    }

  private:
    GridOverLedger() {
        if (!directory_.isValid()) throw std::runtime_error("no temporary directory");
        QProcess seed;
        seed.start(QStringLiteral(KOVREL_DB_EXE),
                   {"seed", directory_.path(), "--workers", "1000", "--rows", "1000000"});
        if (!seed.waitForFinished(-1) || seed.exitCode() != 0) throw std::runtime_error("seeding failed");
        QDir::setCurrent(directory_.path());
        window_ = std::make_unique<QWidget>();
        window_->resize(711, 474);
        table_ = new TTable(window_.get());
        table_->SetTableName(QStringLiteral("Kovrel.DB"));
        auto* source = new TDataSource(window_.get());
        source->SetDataSet(table_);
        grid_ = new TDBGrid(window_.get());
        grid_->setGeometry(8, 176, 689, 249);
        const std::pair<const char*, int> columns[] = {
            {"RedBroj", 35}, {"Transakcije", 33}, {"Datum", 0},     {"PrezimeIme", 133}, {"Razlog", 87},
            {"Od", 42},      {"Do", 46},          {"Dobijeni", 49}, {"Iskorisceni", 56}, {"StanjeDana", 73}};
        for (const auto& [name, width] : columns) {
            TColumn* column = grid_->Columns().Add();
            column->SetFieldName(QString::fromLatin1(name));
            if (width > 0) column->SetWidth(width);
        }
        grid_->SetDataSource(source);
        window_->show();
        QElapsedTimer waited;
        waited.start();
        while (!window_->windowHandle()->isExposed() && waited.elapsed() < 5000)
            QApplication::processEvents();
        if (!window_->windowHandle()->isExposed()) throw std::runtime_error("the window is not shown");
        table_->Open();
    }

    QTemporaryDir directory_;
    std::unique_ptr<QWidget> window_;
    TTable* table_ = nullptr;
    TDBGrid* grid_ = nullptr;
};

void BM_RecordsBufferedForTheVisibleRows(benchmark::State& state) {
    GridOverLedger& ledger = GridOverLedger::instance();
    for (auto _ : state) {
        ledger.table().First();
        benchmark::DoNotOptimize(ledger.table().RecordCount());
    }
    state.counters["visible_rows"] = ledger.grid().VisibleRowCount();
    state.counters["buffered_records"] = ledger.table().BufferCount();
    state.counters["records_in_window"] = ledger.table().RecordCount();
}
BENCHMARK(BM_RecordsBufferedForTheVisibleRows)->Iterations(10);

// Times `pagesTimed` pages of scrolling down, starting `pagesFromEnd` pages before the end of the
// table (or at the top when it is 0).
void scrollPages(benchmark::State& state, bool atTheEnd) {
    GridOverLedger& ledger = GridOverLedger::instance();
    const int page = ledger.grid().VisibleRowCount();
    for (auto _ : state) {
        state.PauseTiming();
        if (atTheEnd) {
            ledger.table().Last();
            ledger.table().MoveBy(-(pagesTimed + 1) * page);
        } else {
            ledger.table().First();
        }
        ledger.grid().viewport()->repaint();
        state.ResumeTiming();
        for (int p = 0; p < pagesTimed; ++p) ledger.pageDown();
    }
    state.counters["ms_per_page"] = benchmark::Counter(
        double(state.iterations() * pagesTimed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["rows_per_page"] = page;
}

void BM_ScrollFirst100Pages(benchmark::State& state) {
    scrollPages(state, false);
}
void BM_ScrollLast100Pages(benchmark::State& state) {
    scrollPages(state, true);
}
BENCHMARK(BM_ScrollFirst100Pages)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ScrollLast100Pages)->Unit(benchmark::kMillisecond)->Iterations(5);

// A field change in edit state repaints the column of that field only.
void BM_FieldChangeRepaintsOneColumn(benchmark::State& state) {
    GridOverLedger& ledger = GridOverLedger::instance();
    TDBGrid& grid = ledger.grid();
    ledger.table().First();
    int cellsPainted = 0;
    grid.OnDrawColumnCell = [&](const Rect& rect, int column, TColumn* drawn, TGridDrawState drawState) {
        ++cellsPainted;
        grid.DefaultDrawColumnCell(rect, column, drawn, drawState);
    };
    PaintedArea painted;
    grid.viewport()->installEventFilter(&painted);
    ledger.table().Edit();
    QApplication::processEvents();
    TField* reason = ledger.table().FieldByName(QStringLiteral("Razlog"));
    int changes = 0;
    cellsPainted = 0;
    painted.area = Rect();
    for (auto _ : state) {
        reason->SetAsString(changes++ % 2 == 0 ? QStringLiteral("GO") : QStringLiteral("PRENOS"));
        QApplication::processEvents();
    }
    ledger.table().Cancel();
    grid.viewport()->removeEventFilter(&painted);
    grid.OnDrawColumnCell = nullptr;
    state.counters["cells_painted_per_change"] = double(cellsPainted) / double(changes);
    state.counters["cells_in_grid"] = double(grid.VisibleRowCount() * grid.Columns().Count());
    state.counters["painted_width_px"] = painted.area.width();
    state.counters["grid_width_px"] = grid.viewport()->width();
}
BENCHMARK(BM_FieldChangeRepaintsOneColumn)->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
