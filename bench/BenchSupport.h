// What the benchmarks share: ledgers seeded by kovrel-db, the text SQLite receives for a catalogue text,
// and raw SQLite as the baseline, holding one connection and each statement prepared once as the engine
// holds its own.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/SqlText.h"
#include "ledger/Ledger.h"

namespace bench {

inline void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

// Makes `directory` hold a new ledger of `workers` workers and `rows` rows, or an empty one when `rows`
// is 0.
inline void seedLedger(const std::filesystem::path& directory, int workers, std::int64_t rows) {
    std::filesystem::create_directories(directory);
    const std::string target = "'" + directory.string() + "'";
    const std::string command = std::string(KOVREL_DB_EXE) +
                                (rows == 0 ? " create " + target
                                           : " seed " + target + " --workers " + std::to_string(workers) +
                                                 " --rows " + std::to_string(rows)) +
                                " > /dev/null";
    require(std::system(command.c_str()) == 0, "kovrel-db could not make " + directory.string());
}

// The text the engine hands SQLite for a catalogue text over a ledger with its indexes.
inline std::string sqliteText(const ledger::SqlLines& lines) {
    engine::SqlStatement statement;
    std::string error;
    require(engine::SqlStatement::parse(ledger::sqlText(lines), &statement, &error), error);
    const std::string seeking = statement.sqliteTextSeekingDistinct();
    return seeking.empty() ? statement.sqliteText() : seeking;
}

// Steps through up to `limit` rows (all when negative), reading every column as the engine's records
// hold them, then resets the statement. Answers the rows read.
inline std::int64_t readRows(sqlite3_stmt* statement, std::int64_t limit = -1) {
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
    sqlite3_reset(statement);
    return count;
}

// A raw connection to a ledger file with the engine's LIKE rule, and its statements prepared once.
class RawLedger {
  public:
    explicit RawLedger(const std::string& file) {
        require(sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK, file);
        sqlite3_exec(db_, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    }
    ~RawLedger() {
        for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
        sqlite3_close(db_);
    }
    RawLedger(const RawLedger&) = delete;
    RawLedger& operator=(const RawLedger&) = delete;

    sqlite3_stmt* statement(const std::string& sql) {
        auto& prepared = statements_[sql];
        if (!prepared)
            require(sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr) ==
                        SQLITE_OK,
                    sqlite3_errmsg(db_));
        return prepared;
    }
    std::int64_t read(const std::string& sql, std::int64_t limit = -1) {
        return readRows(statement(sql), limit);
    }
    // Runs a write statement with its bound values, as its own committed transaction; answers the rowid
    // of the row it inserted last.
    std::int64_t write(sqlite3_stmt* statement) {
        require(sqlite3_step(statement) == SQLITE_DONE, sqlite3_errmsg(db_));
        sqlite3_reset(statement);
        return sqlite3_last_insert_rowid(db_);
    }

  private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

// The console's report, keeping the median real time of every benchmark (the single run's time when it
// ran once) in milliseconds, with its counters and the spread of its repetitions.
class Figures : public benchmark::ConsoleReporter {
  public:
    Figures() : ConsoleReporter(OO_Tabular) {}

    struct Figure {
        double ms = 0;
        double cpuMs = 0;   // of this process
        double spread = 0;  // coefficient of variation of the repetitions, 0 for one run
        benchmark::UserCounters counters;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            const double ms = run.GetAdjustedRealTime() * unitMs(run.time_unit);
            const double cpuMs = run.GetAdjustedCPUTime() * unitMs(run.time_unit);
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
                figures_[name] = {ms, cpuMs, 0, run.counters};
            } else if (run.aggregate_name == "median") {
                figures_[name].ms = ms;
                figures_[name].cpuMs = cpuMs;
                figures_[name].counters = run.counters;
            } else if (run.aggregate_name == "cv") {
                figures_[name].spread = run.real_accumulated_time;
            }
        }
    }

    // The figure of the benchmark called `name`, or nothing when it did not run.
    const Figure* find(const std::string& name) const {
        const auto found = figures_.find(name);
        return found == figures_.end() ? nullptr : &found->second;
    }
    bool empty() const { return figures_.empty(); }

  private:
    static double unitMs(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond:
                return 1e-6;
            case benchmark::kMicrosecond:
                return 1e-3;
            case benchmark::kMillisecond:
                return 1;
            case benchmark::kSecond:
                return 1e3;
        }
        return 1;
    }

    std::map<std::string, Figure> figures_;
};

// Reads the benchmark options; unless the command line says otherwise, the repetitions of the
// benchmarks run interleaved in random order, so that a change of the machine's load during the run
// falls on every line alike.
inline void initialize(int* argc, char** argv) {
    static char interleaved[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args(argv, argv + *argc);
    args.insert(args.begin() + (args.empty() ? 0 : 1), interleaved);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) std::exit(2);
}

// "12.3" for a time in milliseconds, "-" when there is none.
inline std::string msText(const Figures::Figure* figure) {
    if (!figure) return "-";
    char text[32];
    std::snprintf(text, sizeof text, figure->ms < 10 ? "%.3f" : "%.1f", figure->ms);
    return text;
}

inline std::string ratioText(const Figures::Figure* over, const Figures::Figure* under, bool cpu = false) {
    if (!over || !under || (cpu ? under->cpuMs : under->ms) <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", cpu ? over->cpuMs / under->cpuMs : over->ms / under->ms);
    return text;
}

inline std::string cpuText(const Figures::Figure* figure) {
    if (!figure) return "-";
    char text[32];
    std::snprintf(text, sizeof text, figure->cpuMs < 10 ? "%.3f" : "%.1f", figure->cpuMs);
    return text;
}

// The spread of the repetitions as a percentage of their mean, "-" without repetitions.
inline std::string spreadText(const Figures::Figure* figure) {
    if (!figure || figure->spread <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", figure->spread * 100);
    return text;
}

}  // namespace bench
