// Clerks posting on one server ledger at once, each a process of its own, for the several-clerks test
// and benchmark. A clerk posts use-of-day rows for the ledger's workers through the engine with the
// catalogue's texts, as the day entry does, and refreshes the worker's balance into its first row.
#pragma once

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "ledger/Ledger.h"

namespace clerks {

constexpr double CarryOver = 100000;

inline std::vector<std::string> workers() {
    return {"RADNIK PRVI", "RADNIK DRUGI", "RADNIK TRECI"};
}

// What a clerk did: rows posted (their KovrelID is clerk * 1e6 + 1, 2, ...), refreshes refused because
// another clerk had changed the row, other failures, and the rows posted for each worker.
struct Outcome {
    long posted = 0, conflicts = 0, failures = 0;
    std::vector<long> perWorker;
};

inline std::string outcomeLine(const Outcome& outcome) {
    std::string line = "clerk " + std::to_string(outcome.posted) + " " + std::to_string(outcome.conflicts) +
                       " " + std::to_string(outcome.failures);
    for (long count : outcome.perWorker) line += " " + std::to_string(count);
    return line;
}

inline bool parseOutcome(const std::string& line, Outcome* outcome) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word >> outcome->posted >> outcome->conflicts >> outcome->failures) || word != "clerk")
        return false;
    outcome->perWorker.assign(workers().size(), 0);
    for (long& count : outcome->perWorker)
        if (!(in >> count)) return false;
    return true;
}

// One clerk's session with the engine on the server ledger.
class Desk {
  public:
    explicit Desk(const std::string& connection, const std::string& password)
        : eng_(engine::currentEngine()) {
        eng_.initialise({});
        opened_ = eng_.openServerDatabase(connection, "", password, &db_) == engine::code::Ok;
    }
    ~Desk() {
        if (opened_) eng_.closeDatabase(db_);
    }
    bool opened() const { return opened_; }

    engine::CursorHandle run(const ledger::SqlLines& lines, bool live) {
        engine::StatementHandle statement = engine::NoHandle;
        engine::CursorHandle cursor = engine::NoHandle;
        eng_.allocateStatement(db_, &statement);
        eng_.setStatementProperty(statement, engine::StatementProperty::LiveWanted, live ? 1 : 0);
        if (eng_.prepare(statement, ledger::sqlText(lines)) || eng_.execute(statement, &cursor))
            cursor = engine::NoHandle;
        eng_.freeStatement(statement);
        if (cursor != engine::NoHandle) {
            engine::CursorProps props;
            eng_.cursorProperties(cursor, &props);
            record_.assign(props.recordSize, 0);
        }
        return cursor;
    }
    // The first row's first field as a number (empty: 0), or -1 when there is no row.
    double firstNumber(const ledger::SqlLines& lines) {
        const engine::CursorHandle cursor = run(lines, false);
        double value = -1;
        if (cursor && eng_.getRecord(cursor, engine::GetMode::Next, record_.data()) == engine::code::Ok) {
            std::vector<engine::FieldDesc> fields;
            eng_.fieldDescriptors(cursor, &fields);
            std::uint8_t raw[8] = {};
            bool blank = true;
            eng_.getField(cursor, 1, record_.data(), raw, &blank);
            value = 0;
            if (!blank && fields[0].type == engine::FieldType::Float) std::memcpy(&value, raw, sizeof value);
            if (!blank && fields[0].type == engine::FieldType::Integer) {
                std::int32_t number;
                std::memcpy(&number, raw, sizeof number);
                value = number;
            }
        }
        if (cursor) eng_.closeCursor(cursor);
        return value;
    }
    // Posts one use of a day for `worker` with its next transaction number, tagged `tag` in KovrelID.
    bool post(const std::string& worker, double tag) {
        const double transaction = firstNumber(ledger::transactionNumberSql(worker));
        const engine::CursorHandle cursor = run(ledger::workerRowsSql(worker), true);
        if (!cursor) return false;
        eng_.initRecord(cursor, record_.data());
        const double one = 1;
        eng_.putField(cursor, 1, record_.data(), &tag);
        eng_.putField(cursor, 4, record_.data(), worker.c_str());
        eng_.putField(cursor, 9, record_.data(), "SL.DANI");
        eng_.putField(cursor, 10, record_.data(), &transaction);
        eng_.putField(cursor, 12, record_.data(), &one);
        const bool posted = eng_.insertRecord(cursor, record_.data()) == engine::code::Ok;
        eng_.closeCursor(cursor);
        return posted;
    }
    // Writes the worker's balance into the worker's first row: the row is read first and the balance
    // counted after, so a refresh that is not refused never writes a balance older than the row it read.
    engine::Result refresh(const std::string& worker) {
        const engine::CursorHandle cursor = run(ledger::workerRowsSql(worker), true);
        if (!cursor) return engine::code::SqlSyntax;
        engine::Result result = eng_.getRecord(cursor, engine::GetMode::Next, record_.data());
        if (result == engine::code::Ok) result = eng_.lockRecord(cursor);
        if (result == engine::code::Ok) {
            std::vector<std::uint8_t> row = record_;
            const double balance = firstNumber(ledger::balanceSql(worker));
            eng_.putField(cursor, 8, row.data(), &balance);
            result = eng_.modifyRecord(cursor, row.data());
            eng_.releaseLock(cursor);
        }
        eng_.closeCursor(cursor);
        return result;
    }

  private:
    engine::TableEngine& eng_;
    engine::DatabaseHandle db_ = engine::NoHandle;
    bool opened_ = false;
    std::vector<std::uint8_t> record_;
};

// Posts for `seconds`, going round the workers from a place of its own, and refreshes the balance after
// each post; a refused refresh is counted and tried again.
inline Outcome runClerk(const std::string& connection, const std::string& password, int clerk,
                        double seconds) {
    Outcome outcome;
    outcome.perWorker.assign(workers().size(), 0);
    Desk desk(connection, password);
    if (!desk.opened()) {
        outcome.failures = 1;
        return outcome;
    }
    const auto names = workers();
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (std::size_t turn = static_cast<std::size_t>(clerk);; ++turn) {
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) / 1e9 >= seconds) break;
        const std::size_t worker = turn % names.size();
        if (!desk.post(names[worker], clerk * 1e6 + double(outcome.posted + 1))) {
            ++outcome.failures;
            continue;
        }
        ++outcome.posted;
        ++outcome.perWorker[worker];
        for (int attempt = 0; attempt < 50; ++attempt) {
            const engine::Result refreshed = desk.refresh(names[worker]);
            if (refreshed == engine::code::Ok) break;
            if (refreshed == engine::code::RecordChanged)
                ++outcome.conflicts;
            else
                ++outcome.failures;
        }
    }
    return outcome;
}

// Runs `count` clerks at once as processes of `program`, which answers `--clerk N SECONDS` (with the
// connection in KOVREL_CLERK_LEDGER) by printing runClerk's outcome line; answers their outcomes.
inline std::vector<Outcome> runClerks(const std::string& program, int count, double seconds) {
    std::vector<FILE*> pipes;
    for (int clerk = 1; clerk <= count; ++clerk) {
        const std::string command =
            "'" + program + "' --clerk " + std::to_string(clerk) + " " + std::to_string(seconds);
        pipes.push_back(popen(command.c_str(), "r"));
    }
    std::vector<Outcome> outcomes;
    for (FILE* pipe : pipes) {
        std::string output;
        char buffer[256];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        if (pipe) pclose(pipe);
        Outcome outcome;
        if (!parseOutcome(output, &outcome)) outcome.failures = -1;
        outcomes.push_back(outcome);
    }
    return outcomes;
}

// The entry of a program that serves as a clerk: answers true when `argv` asked for one and it ran.
inline bool clerkMain(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], "--clerk") != 0) return false;
    const char* ledger = std::getenv("KOVREL_CLERK_LEDGER");
    const char* password = std::getenv("PGPASSWORD");
    const Outcome outcome =
        runClerk(ledger ? ledger : "", password ? password : "", std::atoi(argv[2]), std::atof(argv[3]));
    std::printf("%s\n", outcomeLine(outcome).c_str());
    return true;
}

}  // namespace clerks
