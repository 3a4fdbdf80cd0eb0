// kovrel-crash-test [--trials N] [--seed S]: kills the crash writer with SIGKILL at random moments while it
// posts and edits rows, and after each kill checks the ledger as the program's next start would find it:
// every change the writer reported is there and whole, no row is half written, SQLite's integrity check
// passes and kovrel-db check calls the ledger sound. Exit status 0 when every trial passes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "crash/CrashRows.h"
#include "engine/Engine.h"
#include "engine/LedgerFile.h"

namespace {

struct Options {
    int trials = 50;
    unsigned seed = std::random_device{}();
};

struct Run {
    std::string output;  // what the writer wrote before it died
    int status = 0;
};

// Starts `argv`, gathers its standard output, kills it after `delay` (or lets it end when `delay` is
// negative) and answers its output and wait status.
Run runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds delay,
               const std::string& errors = "/dev/null") {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int errorFile = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errorFile >= 0) dup2(errorFile, STDERR_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    Run run;
    const auto deadline = std::chrono::steady_clock::now() + delay;
    bool killed = delay.count() < 0;
    char buffer[4096];
    for (;;) {
        int wait = -1;
        if (!killed) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                kill(child, SIGKILL);
                killed = true;
            } else {
                wait = int(left.count());
            }
        }
        pollfd readable{pipeEnds[0], POLLIN, 0};
        if (poll(&readable, 1, wait) <= 0) continue;
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        run.output.append(buffer, std::size_t(count));
    }
    close(pipeEnds[0]);
    waitpid(child, &run.status, 0);
    return run;
}

// The ledger's rows as stored, by key; a duplicate key or a row that does not match its key and version
// is a problem.
std::map<qint64, int> storedVersions(const std::string& path, std::vector<std::string>* problems) {
    std::map<qint64, int> versions;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT * FROM kovrel", -1, &statement, nullptr) != SQLITE_OK) {
        problems->push_back(std::string("the rows cannot be read: ") + sqlite3_errmsg(db));
        sqlite3_close(db);
        return versions;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        crash::StoredRow row;
        for (int i = 0; i < int(row.size()); ++i) {
            switch (sqlite3_column_type(statement, i)) {
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    row[std::size_t(i)] = sqlite3_column_double(statement, i);
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    row[std::size_t(i)] =
                        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
            }
        }
        const auto* key = std::get_if<double>(&row[1]);
        const auto* version = std::get_if<double>(&row[9]);
        if (!key || !version || row != crash::expectedRow(qint64(*key), int(*version))) {
            problems->push_back("a half or mixed row: RedBroj " +
                                (key ? std::to_string(qint64(*key)) : std::string("empty")));
            continue;
        }
        if (!versions.emplace(qint64(*key), int(*version)).second)
            problems->push_back("RedBroj " + std::to_string(qint64(*key)) + " is stored twice");
    }
    sqlite3_finalize(statement);
    char* message = nullptr;
    std::string integrity;
    sqlite3_exec(
        db, "PRAGMA integrity_check",
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) += values[0] ? values[0] : "";
            return 0;
        },
        &integrity, &message);
    if (integrity != "ok") problems->push_back("integrity_check: " + integrity + (message ? message : ""));
    sqlite3_free(message);
    sqlite3_close(db);
    return versions;
}

// Opens the ledger table in `directory` for writing through the engine, as the program's next start does;
// empty when it opens, else the engine's message.
std::string openFailure(const std::string& directory) {
    engine::TableEngine& eng = engine::currentEngine();
    engine::DatabaseHandle db = engine::NoHandle;
    engine::CursorHandle cursor = engine::NoHandle;
    engine::Result result = eng.initialise(engine::StartupRecord{});
    if (result == engine::code::AlreadyInitialised) result = engine::code::Ok;
    if (result == engine::code::Ok) result = eng.openDatabase("", &db);
    if (result == engine::code::Ok) result = eng.setDirectory(db, directory);
    if (result == engine::code::Ok)
        result = eng.openTable(db, engine::LedgerFileName, engine::OpenMode::ReadWrite,
                               engine::ShareMode::Shared, &cursor);
    engine::ErrorEntry entry;
    const std::string message = result == engine::code::Ok ? ""
                                : eng.errorEntry(1, &entry) == engine::code::Ok
                                    ? entry.text
                                    : "engine error " + std::to_string(result);
    if (cursor != engine::NoHandle) eng.closeCursor(cursor);
    if (db != engine::NoHandle) eng.closeDatabase(db);
    eng.shutdown();
    return message;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--trials") {
            options.trials = std::stoi(argv[i + 1]);
        } else if (name == "--seed") {
            options.seed = unsigned(std::stoul(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: kovrel-crash-test [--trials N] [--seed S]\n");
            return 2;
        }
    }
    QTemporaryDir directory;
    const std::string dir = directory.path().toStdString();
    const std::string path = dir + "/" + engine::LedgerFileName;
    if (runProcess({KOVREL_DB, "create", dir}, std::chrono::milliseconds(-1)).status != 0) {
        std::fprintf(stderr, "kovrel-db create failed\n");
        return 1;
    }
    std::mt19937 random(options.seed);
    std::map<qint64, int> reported;  // the last version of each key the writer reported
    long changes = 0;
    std::vector<std::string> problems;
    int trial = 1;
    for (; trial <= options.trials && problems.empty(); ++trial) {
        // The writer starts in about a tenth of a second and then commits a change every few milliseconds.
        const std::chrono::milliseconds delay(100 + random() % 1100);
        const std::string errors = dir + "/writer-errors.txt";
        const Run run = runProcess(
            {KOVREL_CRASH_WRITER, dir, std::to_string(qint64(trial) * 1000000), std::to_string(random())},
            delay, errors);
        if (!WIFSIGNALED(run.status) || WTERMSIG(run.status) != SIGKILL) {
            QFile said(QString::fromStdString(errors));
            said.open(QIODevice::ReadOnly);
            problems.push_back("the writer ended by itself (status " + std::to_string(run.status) +
                               "): " + said.readAll().toStdString());
        }
        std::istringstream lines(run.output);
        std::string what, line;
        while (std::getline(lines, line) && !lines.eof()) {  // a last line without its break is unfinished
            std::istringstream words(line);
            qint64 key;
            int version;
            if (words >> what >> key >> version) {
                reported[key] = version;
                ++changes;
            }
        }
        // The next start of the program opens the ledger for writing, which rolls back what a killed
        // writer left half done.
        if (const std::string failure = openFailure(dir); !failure.empty())
            problems.push_back("the ledger does not open after the kill: " + failure);
        const std::map<qint64, int> stored = storedVersions(path, &problems);
        for (const auto& [key, version] : reported) {
            const auto found = stored.find(key);
            if (found == stored.end())
                problems.push_back("reported RedBroj " + std::to_string(key) + " is lost");
            else if (found->second < version)
                problems.push_back("RedBroj " + std::to_string(key) + " lost its edit " +
                                   std::to_string(version));
        }
        const Run check = runProcess({KOVREL_DB, "check", dir}, std::chrono::milliseconds(-1));
        if (!WIFEXITED(check.status) || WEXITSTATUS(check.status) != 0 ||
            check.output.find("Verdict: sound ledger") == std::string::npos)
            problems.push_back("kovrel-db check: " + check.output);
        if (!problems.empty())
            std::fprintf(stderr, "trial %d (killed after %lld ms):\n", trial, (long long)delay.count());
    }
    for (const std::string& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    std::printf("Crash test: %d trials (seed %u), %ld committed changes reported, %zu rows checked: %s\n",
                trial - 1, options.seed, changes, reported.size(), problems.empty() ? "passed" : "FAILED");
    return problems.empty() ? 0 : 1;
}
