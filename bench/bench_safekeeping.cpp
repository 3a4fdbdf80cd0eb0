// Keeping the clerk's data safe: a backup of the million-row ledger, alone and beside a writer whose
// longest wait it measures, and the change journal's cost on one day-entry post.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/Backup.h"
#include "engine/LedgerFile.h"
#include "engine/SqliteEngine.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

// A ledger seeded once per run in a temporary directory removed at exit.
class SeededLedger {
  public:
    SeededLedger(int workers, int rows) {
        char pattern[] = "/tmp/kovrel-bench-XXXXXX";
        require(mkdtemp(pattern) != nullptr, "cannot make a temporary directory");
        directory_ = pattern;
        const std::string command = std::string(KOVREL_DB_EXE " seed '") + directory_.string() +
                                    "' --workers " + std::to_string(workers) + " --rows " +
                                    std::to_string(rows) + " > /dev/null";
        require(std::system(command.c_str()) == 0, "kovrel-db seed failed");
    }
    ~SeededLedger() { fs::remove_all(directory_); }
    std::string directory() const { return directory_.string(); }
    std::string path() const { return (directory_ / engine::LedgerFileName).string(); }

  private:
    fs::path directory_;
};

SeededLedger& million() {
    static SeededLedger ledger(1000, 1000000);
    return ledger;
}

// An engine of its own with the ledger's table open for writing, posting day-entry rows as the day entry
// window does: one insert, one committed transaction.
class Poster {
  public:
    Poster(const std::string& directory, bool journalled) {
        engine_.setJournalled(journalled);
        require(engine_.initialise({}) == engine::code::Ok, "engine start");
        require(engine_.openDatabase("", &db_) == engine::code::Ok, "database");
        require(engine_.setDirectory(db_, directory) == engine::code::Ok, "directory");
        require(engine_.openTable(db_, engine::LedgerFileName, engine::OpenMode::ReadWrite,
                                  engine::ShareMode::Shared, &cursor_) == engine::code::Ok,
                "table");
        engine::CursorProps props;
        engine_.cursorProperties(cursor_, &props);
        record_.resize(props.recordSize);
    }
    engine::Result post() {
        engine_.initRecord(cursor_, record_.data());
        const double number = 7, transaction = 12, days = 3;
        const std::int32_t from = 738949, to = 738951;
        engine_.putField(cursor_, 2, record_.data(), &number);
        engine_.putField(cursor_, 4, record_.data(), "PETROVIC MARKO");
        engine_.putField(cursor_, 5, record_.data(), &from);
        engine_.putField(cursor_, 6, record_.data(), &to);
        engine_.putField(cursor_, 9, record_.data(), "SL.DANI");
        engine_.putField(cursor_, 10, record_.data(), &transaction);
        engine_.putField(cursor_, 12, record_.data(), &days);
        return engine_.insertRecord(cursor_, record_.data());
    }

  private:
    engine::SqliteEngine engine_;
    engine::DatabaseHandle db_ = engine::NoHandle;
    engine::CursorHandle cursor_ = engine::NoHandle;
    std::vector<std::uint8_t> record_;
};

void removeCopies(const std::string& ledger) {
    fs::remove_all(engine::backupFolder(ledger));
}

// A backup of the million-row ledger. With a writer, a thread posts a day-entry row every range(0)
// milliseconds (1000: a brisk clerk; 50: twenty times as often), and the longest of its posts is
// reported beside the longest it takes without a backup running.
void BM_Backup1M(benchmark::State& state) {
    const bool writer = state.range(0) > 0;
    const auto period = std::chrono::milliseconds(state.range(0));
    const std::string ledger = million().path();
    double longestPost = 0, longestPostAlone = 0, longestStep = 0;
    int restarts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        removeCopies(ledger);
        std::atomic<bool> backingUp{false}, stop{false};
        std::thread posting;
        if (writer) {
            posting = std::thread([&] {
                Poster poster(million().directory(), true);
                while (!stop) {
                    const auto start = Clock::now();
                    require(poster.post() == engine::code::Ok, "a post failed");
                    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                    (backingUp ? longestPost : longestPostAlone) =
                        std::max(backingUp ? longestPost : longestPostAlone, ms);
                    std::this_thread::sleep_for(period);
                }
            });
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        backingUp = true;
        state.ResumeTiming();
        engine::BackupResult result;
        std::string error;
        require(
            engine::makeBackup(ledger, std::chrono::system_clock::now(), &result, &error) == engine::code::Ok,
            error);
        state.PauseTiming();
        backingUp = false;
        if (writer) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            stop = true;
            posting.join();
        }
        restarts += result.restarts;
        longestStep = std::max(longestStep, result.longestStep.count() / 1000.0);
        state.ResumeTiming();
    }
    removeCopies(ledger);
    state.counters["restarts"] = restarts;
    state.counters["longest_step_ms"] = longestStep;
    if (writer) {
        state.counters["longest_post_during_backup_ms"] = longestPost;
        state.counters["longest_post_without_backup_ms"] = longestPostAlone;
    }
}
BENCHMARK(BM_Backup1M)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(50)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One day-entry post into the million-row ledger, with its journal entry (range 1) and without (0).
void BM_DayEntryPost(benchmark::State& state) {
    Poster poster(million().directory(), state.range(0) == 1);
    require(poster.post() == engine::code::Ok, "first post");
    for (auto _ : state) require(poster.post() == engine::code::Ok, "post");
}
BENCHMARK(BM_DayEntryPost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
