// The clerk's actions through the program's windows on two ledgers of 500 rows per worker, one of 1,000
// rows and one of 1,000,000, beside raw SQLite running the statements each action sends; start-up also
// on an empty ledger, each start in a process of its own, with the memory it holds when ready.
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <array>
#include <climits>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <memory>

#include "BenchSupport.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "data/DBTables.h"
#include "engine/Engine.h"
#include "engine/LedgerFile.h"
#include "ledger/AbsenceGrid.h"
#include "ledger/Holidays.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"
#include "ledger/Unit8.h"
#include "ledger/UnitKalendar.h"
#include "runtime/Application.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

namespace {

namespace fs = std::filesystem;

struct LedgerKind {
    const char* label;
    int workers;
    std::int64_t rows;
};

enum Kind { Empty, Small, Large };
constexpr LedgerKind kinds[] = {{"empty", 1, 0}, {"1k", 2, 1000}, {"1M", 2000, 1000000}};

constexpr const char* startUpOption = "--start-up";
constexpr const char* year = "2015";

// The ledgers, each made when a benchmark first needs it, in a temporary directory removed at exit.
class Ledgers {
  public:
    ~Ledgers() {
        if (!root_.empty()) fs::remove_all(root_);
    }

    fs::path directory(Kind kind) {
        if (root_.empty()) {
            char pattern[] = "/tmp/kovrel-bench-actions-XXXXXX";
            bench::require(mkdtemp(pattern) != nullptr, "cannot make a temporary directory");
            root_ = pattern;
        }
        const fs::path made = root_ / kinds[kind].label;
        if (!seeded_[kind]) bench::seedLedger(made, kinds[kind].workers, kinds[kind].rows);
        seeded_[kind] = true;
        return made;
    }

  private:
    fs::path root_;
    std::array<bool, std::size(kinds)> seeded_{};
};

Ledgers& ledgers() {
    static Ledgers instance;
    return instance;
}

// Resident memory of this process, in kB.
long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void waitExposed(QWidget* window) {
    QElapsedTimer waited;
    waited.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) && waited.elapsed() < 5000)
        QApplication::processEvents();
    QApplication::processEvents();
}

// ---- Start-up: the program as it starts, until the main window and the registration window are ready.

int startUp(const char* directory) {
    QDir::setCurrent(QString::fromLocal8Bit(directory));
    {
        TApplication application;
        application.Initialize();
        app::AddMissingLedgerIndexes();
        app::registerComponentClasses();
        app::CreateProgramForms(application);
        frmNavigator->Show();
        waitExposed(frmNavigator);
        std::cout << "ready " << residentKb() << std::endl;
    }
    Session->Close();
    return 0;
}

// Starts the program in a process of its own; answers the wall time until it was ready and its memory.
void timeStartUp(benchmark::State& state, Kind kind) {
    const QString directory = QString::fromStdString(ledgers().directory(kind).string());
    long memoryKb = 0;
    for (auto _ : state) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(startUpOption), directory});
        QByteArray line;
        while (!line.startsWith("ready") && child.waitForReadyRead(30000)) line = child.readLine();
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        bench::require(line.startsWith("ready"), "the program did not start");
        memoryKb = line.mid(6).trimmed().toLong();
        child.waitForFinished();
    }
    state.counters["resident_MB"] = memoryKb / 1024.0;
}

// ---- The program over one ledger, in this process.

// What a ledger's benchmarks need: the program's windows created over it, the name of its first worker,
// and a raw connection to its file.
class Program {
  public:
    static Program& over(Kind kind) {
        std::unique_ptr<Program>& current = running();
        if (!current || current->kind_ != kind) {
            current.reset();
            current.reset(new Program(kind));
        }
        return *current;
    }
    // Ends the program over the ledger benchmarked last, while the application object still lives.
    static void end() { running().reset(); }

    ~Program() {
        application_.reset();
        Session->Close();
        runtime::setMessageHandler({});
    }

    const QString& worker() const { return worker_; }
    bench::RawLedger& raw() { return *raw_; }

    // Fails the run when the program told the clerk anything: each action is meant to go through.
    void expectNoMessages() const {
        bench::require(messages_.isEmpty(), "the program said: " + messages_.join(" | ").toStdString());
    }

    // The register's search for the worker, so that the register holds the worker's rows.
    void search() {
        frmEvidencija->ComboBox1->SetText(worker_);
        frmEvidencija->BitBtn1->click();
        QApplication::processEvents();
        expectNoMessages();
    }

  private:
    static std::unique_ptr<Program>& running() {
        static std::unique_ptr<Program> program;
        return program;
    }

    explicit Program(Kind kind) : kind_(kind) {
        const fs::path directory = ledgers().directory(kind);
        QDir::setCurrent(QString::fromStdString(directory.string()));
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            messages_ << request.text;
            return runtime::MessageAnswer::Ok;
        });
        application_ = std::make_unique<TApplication>();
        application_->Initialize();
        app::AddMissingLedgerIndexes();
        app::registerComponentClasses();
        app::CreateProgramForms(*application_);
        for (TForm* form : {static_cast<TForm*>(frmNavigator), static_cast<TForm*>(frmEvidencija),
                            static_cast<TForm*>(frmIzvestaji)}) {
            form->Show();
            waitExposed(form);
        }
        raw_ = std::make_unique<bench::RawLedger>((directory / engine::LedgerFileName).string());
        sqlite3_stmt* first = raw_->statement("SELECT PrezimeIme FROM kovrel ORDER BY rowid LIMIT 1");
        bench::require(sqlite3_step(first) == SQLITE_ROW, "the ledger is empty");
        worker_ = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(first, 0)));
        sqlite3_reset(first);
    }

    Kind kind_;
    QStringList messages_;
    std::unique_ptr<TApplication> application_;
    std::unique_ptr<bench::RawLedger> raw_;
    QString worker_;
};

// ---- Raw SQLite running what the actions send.

std::string columnList() {
    std::string list;
    for (const auto& column : engine::ledgerColumns())
        list += (list.empty() ? "" : ", ") + std::string(column.name);
    return list;
}

// A page of a worker's rows after (or before) a rowid, as the register's query fetches it.
std::string pageSql(const QString& worker, bool forward) {
    return "SELECT rowid, " + columnList() + " FROM kovrel WHERE rowid " + (forward ? ">" : "<") +
           " ?1 AND (prezimeime = " + engine::quotedConstant(worker.toStdString()) + ") ORDER BY rowid " +
           (forward ? "ASC" : "DESC") + " LIMIT ?2";
}

std::string insertSql() {
    std::string values;
    for (std::size_t i = 1; i <= engine::LedgerColumnCount; ++i)
        values += (i > 1 ? ", ?" : "?") + std::to_string(i);
    return "INSERT INTO kovrel (" + columnList() + ") VALUES (" + values + ")";
}

// `action` for the row whose rowid is bound after `parameters` values, as long as it holds the values
// bound after that.
std::string guardedSql(const std::string& action, int parameters) {
    std::string sql = action + " WHERE rowid = ?" + std::to_string(++parameters);
    for (const auto& column : engine::ledgerColumns())
        sql += std::string(" AND ") + column.name + " IS ?" + std::to_string(++parameters);
    return sql;
}

// The statements of the register's search in the order the engine sends them: the first page of the
// worker's rows, the balance, the first row read again and its stored values read for the guard, the
// balance written into it, guarded by those values, when it differs from the one stored (otherwise the
// guard alone is run), the row read back, and the page after it as the register moves back to it. A row
// just stored is read back with the rows around it first.
class RawRegister {
  public:
    RawRegister(bench::RawLedger& raw, const QString& worker)
        : raw_(raw),
          page_(pageSql(worker, true)),
          pageBack_(pageSql(worker, false)),
          balance_(bench::sqliteText(ledger::balanceSql(worker.toStdString()))),
          row_("SELECT rowid, " + columnList() + " FROM kovrel WHERE rowid = ?1"),
          stored_("SELECT " + columnList() + " FROM kovrel WHERE rowid = ?1"),
          unchanged_(guardedSql("SELECT 1 FROM kovrel", 0)),
          update_(guardedSql("UPDATE kovrel SET StanjeDana = ?1", 1)) {}

    void search() {
        const sqlite3_int64 first = readPage(page_, LLONG_MIN, 24);
        bench::require(first != 0, "the worker has no rows");
        sqlite3_stmt* balance = raw_.statement(balance_);
        sqlite3_step(balance);
        const double days = std::nearbyint(sqlite3_column_double(balance, 0));
        sqlite3_reset(balance);
        readRow(first);
        sqlite3_stmt* stored = raw_.statement(stored_);
        sqlite3_bind_int64(stored, 1, first);
        bench::require(sqlite3_step(stored) == SQLITE_ROW, "the first row has gone");
        readRow(first);
        const bool same =
            sqlite3_column_type(stored, 7) != SQLITE_NULL && sqlite3_column_double(stored, 7) == days;
        sqlite3_stmt* write = raw_.statement(same ? unchanged_ : update_);
        int parameter = 0;
        if (!same) sqlite3_bind_double(write, ++parameter, days);
        sqlite3_bind_int64(write, ++parameter, first);
        for (int column = 0; column < int(engine::LedgerColumnCount); ++column)
            sqlite3_bind_value(write, ++parameter, sqlite3_column_value(stored, column));
        sqlite3_reset(stored);
        if (same) {
            bench::readRows(write);
        } else {
            raw_.write(write);
        }
        readRow(first);
        readPage(page_, first, 24);
    }

    void readStored(sqlite3_int64 rowid) {
        readRow(rowid);
        readPage(page_, rowid, 96);
        readRow(rowid);
        readPage(pageBack_, rowid, 24);
    }

  private:
    // Reads a page of up to `size` rows from `rowid` on; answers the rowid of its first row, 0 when
    // there is none.
    sqlite3_int64 readPage(const std::string& sql, sqlite3_int64 rowid, int size) {
        sqlite3_stmt* page = raw_.statement(sql);
        sqlite3_bind_int64(page, 1, rowid);
        sqlite3_bind_int(page, 2, size);
        if (sqlite3_step(page) != SQLITE_ROW) {
            sqlite3_reset(page);
            return 0;
        }
        const sqlite3_int64 first = sqlite3_column_int64(page, 0);
        bench::readRows(page);
        return first;
    }

    void readRow(sqlite3_int64 rowid) {
        sqlite3_stmt* row = raw_.statement(row_);
        sqlite3_bind_int64(row, 1, rowid);
        bench::require(bench::readRows(row) == 1, "the first row has gone");
    }

    bench::RawLedger& raw_;
    std::string page_, pageBack_, balance_, row_, stored_, unchanged_, update_;
};

void deleteLastRow(bench::RawLedger& raw) {
    raw.write(raw.statement("DELETE FROM kovrel WHERE rowid = (SELECT max(rowid) FROM kovrel)"));
}

// ---- The actions.

using Action = void (*)(benchmark::State&, Kind);

void search(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    for (auto _ : state) program.search();
}

void rawSearchAction(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    RawRegister rawRegister(program.raw(), program.worker());
    for (auto _ : state) rawRegister.search();
}

void storeDayEntry(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    program.search();
    frmNoviunos->Edit1->SetText(program.worker());
    frmNoviunos->Edit4->SetText(QStringLiteral("1"));
    frmNoviunos->Edit5->SetText(QStringLiteral("2"));
    frmNoviunos->ComboBox1->SetText(QStringLiteral("BO"));
    frmNoviunos->DateTimePicker1->SetDate(QDate(2015, 3, 2));
    frmNoviunos->DateTimePicker2->SetDate(QDate(2015, 3, 2));
    frmNoviunos->Edit3->SetText(QStringLiteral("1"));
    for (auto _ : state) {
        frmNoviunos->BitBtn1->click();
        QApplication::processEvents();
        state.PauseTiming();
        program.expectNoMessages();
        deleteLastRow(program.raw());
        state.ResumeTiming();
    }
}

void rawStoreDayEntry(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    sqlite3_stmt* insert = program.raw().statement(insertSql());
    const std::string name = program.worker().toStdString();
    sqlite3_bind_double(insert, 2, 1);
    sqlite3_bind_text(insert, 4, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 5, "2015-03-02", -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 6, "2015-03-02", -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 9, "BO", -1, SQLITE_STATIC);
    sqlite3_bind_double(insert, 10, 2);
    sqlite3_bind_double(insert, 11, 1);
    RawRegister rawRegister(program.raw(), program.worker());
    for (auto _ : state) {
        rawRegister.readStored(program.raw().write(insert));
        rawRegister.search();
        state.PauseTiming();
        deleteLastRow(program.raw());
        state.ResumeTiming();
    }
}

struct Report {
    const char* name;
    bool annualLeave;
    bool allWorkers;
};

constexpr Report reports[] = {{"BalanceReportAll", false, true},
                              {"BalanceReportOne", false, false},
                              {"AnnualLeaveReportAll", true, true},
                              {"AnnualLeaveReportOne", true, false}};

ledger::SqlLines reportSql(const Report& report, const QString& worker) {
    const std::string name = worker.toStdString();
    if (report.annualLeave)
        return report.allWorkers ? ledger::annualLeaveReportAllSql(year)
                                 : ledger::annualLeaveReportOneSql(name, year);
    return report.allWorkers ? ledger::balanceReportAllSql() : ledger::balanceReportOneSql(name);
}

void showReport(benchmark::State& state, Kind kind, const Report& report) {
    Program& program = Program::over(kind);
    frmIzvestaji->CheckBox1->SetChecked(report.allWorkers);
    frmIzvestaji->ComboBox1->SetText(program.worker());
    frmIzvestaji->ComboBox2->SetText(QString::fromLatin1(year));
    TBitBtn* command = report.annualLeave ? frmIzvestaji->BitBtn4 : frmIzvestaji->BitBtn1;
    for (auto _ : state) {
        command->click();
        QApplication::processEvents();
    }
    program.expectNoMessages();
}

void rawReport(benchmark::State& state, Kind kind, const Report& report) {
    Program& program = Program::over(kind);
    const std::string sql = bench::sqliteText(reportSql(report, program.worker()));
    std::int64_t rows = 0;
    for (auto _ : state) rows = program.raw().read(sql);
    state.counters["rows"] = static_cast<double>(rows);
}

// From the command to the preview window showing the request's page; the preview is closed untimed.
void previewRequest(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    program.search();
    bool generated = false;
    frmZahtevgo->OnEndPage = [&generated](TReport&) { generated = true; };
    for (auto _ : state) {
        generated = false;
        QElapsedTimer clock;
        clock.start();
        double shownAfter = 0;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!generated) return;
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (!window->inherits("TRpStandardPreview") || !window->isVisible()) continue;
                window->repaint();
                shownAfter = clock.nsecsElapsed() / 1e9;
                poll.stop();
                window->close();
                break;
            }
        });
        poll.start();
        frmEvidencija->StampazahtevazaGO1Click(nullptr);
        bench::require(shownAfter > 0, "the preview did not show the request");
        state.SetIterationTime(shownAfter);
    }
    frmZahtevgo->OnEndPage = nullptr;
    program.expectNoMessages();
}

// The absence calendar's month of all workers, in the middle of the ledger's years: the absences read,
// the cells laid out and the grid drawn.
constexpr int calendarYear = 2015;
constexpr unsigned calendarMonth = 6;

void showMonthCalendar(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    frmKalendar->Show();
    waitExposed(frmKalendar);
    frmKalendar->CheckBox1->SetChecked(true);
    frmKalendar->CheckBox2->SetChecked(false);
    frmKalendar->ComboBox2->SetItemIndex(int(calendarMonth) - 1);
    frmKalendar->ComboBox3->SetText(QString::number(calendarYear));
    for (auto _ : state) {
        frmKalendar->BitBtn1->click();
        frmKalendar->KalendarGrid1->viewport()->repaint();
        QApplication::processEvents();
    }
    state.counters["workers"] = static_cast<double>(frmKalendar->KalendarGrid1->Calendar().rows.size());
    program.expectNoMessages();
}

void rawMonthCalendar(benchmark::State& state, Kind kind) {
    Program& program = Program::over(kind);
    const std::chrono::year_month month{std::chrono::year{calendarYear}, std::chrono::month{calendarMonth}};
    const std::string sql = bench::sqliteText(ledger::absencesSql(
        ledger::isoDate(month / 1), ledger::isoDate(std::chrono::year_month_day{month / std::chrono::last})));
    std::int64_t rows = 0;
    for (auto _ : state) rows = program.raw().read(sql);
    state.counters["rows"] = static_cast<double>(rows);
}

// What the program runs while it starts: the ledger opened, its first page and the next worker number.
void rawStartUp(benchmark::State& state, Kind kind) {
    const std::string file = (ledgers().directory(kind) / engine::LedgerFileName).string();
    const std::string nextNumber = bench::sqliteText(ledger::nextWorkerNumberSql());
    for (auto _ : state) {
        bench::RawLedger raw(file);
        raw.read("SELECT rowid, " + columnList() +
                 " FROM kovrel WHERE rowid > -9223372036854775808 ORDER BY rowid ASC LIMIT 24");
        raw.read(nextNumber);
    }
}

// ---- Registration and the table of figures.

struct Line {
    std::string name;
    std::string title;
    bool sameWorkAsRaw;  // the raw side runs all the action's statements, not only some of its work
};

std::vector<Line> lines;

template <class Body>
void add(const std::string& name, const std::string& title, Kind kind, Body body, bool manualTime = false,
         bool sameWorkAsRaw = true) {
    benchmark::internal::Benchmark* registered =
        benchmark::RegisterBenchmark((name + "/" + kinds[kind].label).c_str(),
                                     [body, kind](benchmark::State& state) { body(state, kind); });
    registered->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
    if (manualTime) registered->UseManualTime()->Iterations(3);
    if (kind == Large && !title.empty()) lines.push_back({name, title, sameWorkAsRaw});
}

void addAll() {
    for (const Kind kind : {Empty, Small, Large}) {
        add("StartUp", "start-up until main and registration windows", kind, timeStartUp, true, false);
        add("Raw/StartUp", "", kind, rawStartUp);
    }
    for (const Kind kind : {Small, Large}) {
        add("Search", "search one worker: rows and balance", kind, search);
        add("Raw/Search", "", kind, rawSearchAction);
        add("StoreDayEntry", "store a day entry and refresh the balance", kind, storeDayEntry);
        add("Raw/StoreDayEntry", "", kind, rawStoreDayEntry);
        for (const Report& report : reports) {
            add(report.name, std::string("report: ") + report.name, kind,
                [&report](benchmark::State& state, Kind k) { showReport(state, k, report); });
            add(std::string("Raw/") + report.name, "", kind,
                [&report](benchmark::State& state, Kind k) { rawReport(state, k, report); });
        }
        add("PreviewRequest", "preview of a printed request", kind, previewRequest, true);
        add("MonthCalendar", "absence calendar: a month of all workers", kind, showMonthCalendar);
        add("Raw/MonthCalendar", "", kind, rawMonthCalendar);
    }
}

// Wall times, with this process's processor time on the large ledger beside them and beside raw
// SQLite's, which a busy machine disturbs less (not for start-up and the preview, which are timed from
// the clock).
void printTable(const bench::Figures& figures) {
    const auto at = [&figures](const std::string& name, Kind kind) {
        return figures.find(name + "/" + kinds[kind].label);
    };
    std::cout << "\n"
              << std::left << std::setw(46) << "median ms (spread of 5)" << std::right << std::setw(10)
              << "1k" << std::setw(10) << "1M" << std::setw(8) << "1M/1k" << std::setw(10) << "raw 1k"
              << std::setw(10) << "raw 1M" << std::setw(9) << "1M/raw" << std::setw(10) << "1M cpu"
              << std::setw(12) << "cpu 1M/raw"
              << "\n";
    for (const Line& line : lines) {
        const auto* small = at(line.name, Small);
        const auto* large = at(line.name, Large);
        const auto* rawSmall = at("Raw/" + line.name, Small);
        const auto* rawLarge = at("Raw/" + line.name, Large);
        const bool clocked = line.name == "StartUp" || line.name == "PreviewRequest";
        std::cout << std::left << std::setw(46) << line.title << std::right << std::setw(10)
                  << bench::msText(small) << std::setw(10) << bench::msText(large) << std::setw(8)
                  << bench::ratioText(large, small) << std::setw(10) << bench::msText(rawSmall)
                  << std::setw(10) << bench::msText(rawLarge) << std::setw(9)
                  << (line.sameWorkAsRaw ? bench::ratioText(large, rawLarge) : "-") << std::setw(10)
                  << (clocked ? "-" : bench::cpuText(large)) << std::setw(12)
                  << (line.sameWorkAsRaw ? bench::ratioText(large, rawLarge, true) : "-") << "   ("
                  << bench::spreadText(small) << ", " << bench::spreadText(large) << ")\n";
    }
    const auto* empty = at("StartUp", Empty);
    const auto* large = at("StartUp", Large);
    if (empty && large) {
        const double emptyMb = empty->counters.at("resident_MB");
        const double largeMb = large->counters.at("resident_MB");
        std::cout << "start-up on the empty ledger " << bench::msText(empty) << " ms, on the 1M ledger "
                  << bench::msText(large) << " ms (" << bench::ratioText(large, empty) << " times); resident "
                  << std::fixed << std::setprecision(1) << emptyMb << " MB and " << largeMb << " MB ("
                  << largeMb - emptyMb << " MB more)\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApplication(argc, argv);
    if (argc == 3 && std::string(argv[1]) == startUpOption) return startUp(argv[2]);
    bench::initialize(&argc, argv);
    addAll();
    bench::Figures figures;
    benchmark::RunSpecifiedBenchmarks(&figures);
    Program::end();
    if (!figures.empty()) printTable(figures);
    benchmark::Shutdown();
    return 0;
}
