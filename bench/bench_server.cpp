// The table engine on a PostgreSQL server beside raw libpq running the same statements, each prepared once
// on one connection; and four clerk processes posting at once. Needs the server that KOVREL_PG_TEST names
// (scripts/pg-cluster starts one) with the role's password in PGPASSWORD; seeds its ledger in a schema of
// its own, dropped at exit. Started as `--clerk N SECONDS` it is one of the clerks.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/SqlText.h"
#include "ledger/Ledger.h"
#include "tests/Clerk.h"

namespace {

namespace fs = std::filesystem;

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

bool run(PGconn* conn, const std::string& sql) {
    PGresult* result = PQexec(conn, sql.c_str());
    const bool done = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    return done;
}

// A seeded ledger of 200 workers and 20,000 rows on the server, the engine's database on it, and a raw
// connection to it.
class ServerLedger {
  public:
    ServerLedger() {
        const char* base = std::getenv("KOVREL_PG_TEST");
        require(base && *base,
                "KOVREL_PG_TEST is not set: no server to measure (scripts/pg-cluster starts one)");
        base_ = base;
        schema_ = "kb_" + std::to_string(getpid());
        // The schema and the seeded ledger are the administrator's (scripts/pg-cluster's role kovrel,
        // with the clerk's password); the measured sessions are the clerk's.
        const std::string administrator = base_ + " user=kovrel";
        admin_ = PQconnectdb(administrator.c_str());
        require(PQstatus(admin_) == CONNECTION_OK, PQerrorMessage(admin_));
        run(admin_, "SET client_min_messages = warning");
        require(run(admin_, "CREATE SCHEMA " + schema_), PQerrorMessage(admin_));
        const std::string inSchema = " options='-csearch_path=" + schema_ + "'";
        connection = base_ + inSchema;
        char pattern[] = "/tmp/kovrel-bench-XXXXXX";
        require(mkdtemp(pattern) != nullptr, "cannot make a temporary directory");
        directory_ = pattern;
        const std::string seed = std::string(KOVREL_DB_EXE " seed '") + directory_.string() +
                                 "' --workers 200 --rows 20000 > /dev/null && " + KOVREL_DB_EXE + " copy '" +
                                 directory_.string() + "' \"" + administrator + inSchema + "\" > /dev/null";
        require(std::system(seed.c_str()) == 0, "seeding the server ledger failed");
        auto& eng = engine::currentEngine();
        eng.initialise({});
        const char* password = std::getenv("PGPASSWORD");
        require(
            eng.openServerDatabase(connection, "", password ? password : "", &database) == engine::code::Ok,
            "the engine cannot open the server ledger");
        raw = PQconnectdb(connection.c_str());
        require(PQstatus(raw) == CONNECTION_OK, PQerrorMessage(raw));
        run(raw, "SET extra_float_digits = 1");
        // The server's own clean-up of the fresh rows is done now, not in the middle of a measurement.
        require(run(admin_, "VACUUM ANALYZE " + schema_ + ".kovrel"), PQerrorMessage(admin_));
        PGresult* first = PQexec(raw, "SELECT prezimeime FROM kovrel ORDER BY id LIMIT 1");
        worker = PQgetvalue(first, 0, 0);
        PQclear(first);
    }
    ~ServerLedger() {
        engine::currentEngine().closeDatabase(database);
        engine::currentEngine().shutdown();
        PQfinish(raw);
        run(admin_, "DROP SCHEMA " + schema_ + " CASCADE");
        PQfinish(admin_);
        fs::remove_all(directory_);
    }

    std::string connection;
    engine::DatabaseHandle database = engine::NoHandle;
    PGconn* raw = nullptr;
    std::string worker;

  private:
    std::string base_, schema_;
    PGconn* admin_ = nullptr;
    fs::path directory_;
};

ServerLedger& ledger() {
    static ServerLedger instance;
    return instance;
}

ledger::SqlLines catalogue(int which, const std::string& worker) {
    switch (which) {
        case 0:
            return ledger::balanceSql(worker);
        case 1:
            return ledger::transactionNumberSql(worker);
        case 2:
            return ledger::workerRowsSql(worker);
        case 3:
            return ledger::nameListSql();
        case 4:
            return ledger::balanceReportAllSql();
        default:
            return ledger::annualLeaveReportAllSql("2015");
    }
}

const char* const catalogueNames[] = {"balance", "transaction", "worker rows",
                                      "names",   "balances",    "annual leave"};

// The statement prepared once; each iteration runs it and reads every record, as a query reopened does.
void BM_EngineCatalogue(benchmark::State& state) {
    auto& eng = engine::currentEngine();
    ServerLedger& server = ledger();
    const ledger::SqlLines lines = catalogue(static_cast<int>(state.range(0)), server.worker);
    engine::StatementHandle statement = engine::NoHandle;
    eng.allocateStatement(server.database, &statement);
    require(eng.prepare(statement, ledger::sqlText(lines)) == engine::code::Ok, "prepare " + lines[0]);
    std::int64_t rows = 0;
    for (auto _ : state) {
        engine::CursorHandle cursor = engine::NoHandle;
        require(eng.execute(statement, &cursor) == engine::code::Ok, "execute " + lines[0]);
        engine::CursorProps props;
        eng.cursorProperties(cursor, &props);
        std::vector<std::uint8_t> record(props.recordSize);
        rows = 0;
        while (eng.getRecord(cursor, engine::GetMode::Next, record.data()) == engine::code::Ok) {
            benchmark::DoNotOptimize(record.data());
            ++rows;
        }
        eng.closeCursor(cursor);
    }
    eng.freeStatement(statement);
    state.SetLabel(catalogueNames[state.range(0)]);
    state.counters["rows"] = static_cast<double>(rows);
}

// The same statement as the engine sends it, prepared once on the raw connection; each iteration runs it
// and reads every value.
void BM_RawLibpqCatalogue(benchmark::State& state) {
    ServerLedger& server = ledger();
    const ledger::SqlLines lines = catalogue(static_cast<int>(state.range(0)), server.worker);
    engine::SqlStatement parsed;
    std::string error;
    require(engine::SqlStatement::parse(ledger::sqlText(lines), &parsed, &error), error);
    const std::string name = "raw" + std::to_string(state.range(0));
    PGresult* prepared = PQprepare(server.raw, name.c_str(), parsed.postgresText().c_str(), 0, nullptr);
    require(PQresultStatus(prepared) == PGRES_COMMAND_OK, PQerrorMessage(server.raw));
    PQclear(prepared);
    std::int64_t rows = 0;
    for (auto _ : state) {
        PGresult* result = PQexecPrepared(server.raw, name.c_str(), 0, nullptr, nullptr, nullptr, 0);
        rows = PQntuples(result);
        for (int r = 0; r < rows; ++r)
            for (int c = 0, columns = PQnfields(result); c < columns; ++c)
                benchmark::DoNotOptimize(PQgetvalue(result, r, c));
        PQclear(result);
    }
    run(server.raw, "DEALLOCATE " + name);
    state.SetLabel(catalogueNames[state.range(0)]);
    state.counters["rows"] = static_cast<double>(rows);
}

// Four clerks posting at once for KOVREL_BENCH_CLERK_SECONDS seconds (10 unless set).
void BM_FourClerks(benchmark::State& state) {
    ServerLedger& server = ledger();
    const char* configured = std::getenv("KOVREL_BENCH_CLERK_SECONDS");
    const double seconds = configured ? std::atof(configured) : 10;
    setenv("KOVREL_CLERK_LEDGER", server.connection.c_str(), 1);
    long posted = 0, conflicts = 0, failures = 0;
    for (auto _ : state) {
        for (const auto& outcome :
             clerks::runClerks(fs::read_symlink("/proc/self/exe").string(), 4, seconds)) {
            posted += outcome.posted;
            conflicts += outcome.conflicts;
            failures += outcome.failures;
        }
    }
    state.counters["posts_per_s"] = double(posted) / seconds;
    state.counters["conflicts"] = static_cast<double>(conflicts);
    state.counters["failures"] = static_cast<double>(failures);
}

BENCHMARK(BM_EngineCatalogue)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RawLibpqCatalogue)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FourClerks)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (clerks::clerkMain(argc, argv)) return 0;
    // Engine and raw runs take turns, so a change in the server's load falls on both alike.
    std::string interleaved = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, interleaved.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    try {
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
