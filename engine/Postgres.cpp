// Server ledgers over libpq: the connection file, connections and their statements, and the ledger table.
#include "engine/Postgres.h"

#include <poll.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "engine/Journal.h"

namespace engine {
namespace {

namespace fs = std::filesystem;

struct ConnFinish {
    void operator()(PGconn* conn) const { PQfinish(conn); }
};

bool directoryHolds(const fs::path& directory, const std::string& name, fs::path* found) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        if (strcasecmp(entry.path().filename().c_str(), name.c_str()) == 0) {
            if (found) *found = entry.path();
            return true;
        }
    }
    return false;
}

// The value of `keyword` among `options`, which it frees.
std::string optionValue(PQconninfoOption* options, const char* keyword) {
    std::string value;
    for (PQconninfoOption* option = options; option && option->keyword; ++option) {
        if (std::string(option->keyword) == keyword && option->val) value = option->val;
    }
    PQconninfoFree(options);
    return value;
}

std::string connectionValue(const std::string& connection, const char* keyword) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(connection.c_str(), &error);
    PQfreemem(error);
    return optionValue(options, keyword);
}

std::string trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::size_t begin = 0;
    while (begin < text.size() && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    return text.substr(begin);
}

// The connection's connect_timeout in milliseconds (libpq waits at least 2 s), or -1 for no limit.
int connectTimeoutMs(PGconn* conn) {
    const int seconds = std::atoi(optionValue(PQconninfo(conn), "connect_timeout").c_str());
    return seconds > 0 ? std::max(seconds, 2) * 1000 : -1;
}

// Connects as PQconnectdbParams does, except that the server's refusals carry their error codes, which
// read the same in every language the server may answer in. *timedOut tells a wait past connect_timeout.
PGconn* connectWithCodes(const char* const* keywords, const char* const* values, bool* timedOut) {
    PGconn* conn = PQconnectStartParams(keywords, values, 1);
    if (!conn || PQstatus(conn) == CONNECTION_BAD) return conn;
    PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    const int timeoutMs = connectTimeoutMs(conn);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED) {
        pollfd wait{PQsocket(conn), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                    0};
        const int ready = ::poll(&wait, 1, timeoutMs);
        if (ready == 0) {
            *timedOut = true;
            break;
        }
        if (ready > 0 || errno == EINTR)
            polling = PQconnectPoll(conn);
        else
            polling = PGRES_POLLING_FAILED;
    }
    PQsetErrorVerbosity(conn, PQERRORS_DEFAULT);
    return conn;
}

// Whether `line` names where in the server a refusal was raised: "...  function, file.c:123".
bool namesServerSource(std::string_view line) {
    const std::size_t file = line.rfind(".c:");
    return file != std::string_view::npos && file + 3 < line.size() && line.find(", ") < file &&
           std::all_of(line.begin() + file + 3, line.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A refusal's message without the lines that name where in the server it was raised.
std::string refusalText(const std::string& message) {
    std::string text;
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);) {
        if (!namesServerSource(line)) text += line + '\n';
    }
    return trimmed(text);
}

}  // namespace

std::optional<std::string> serverConnectionIn(const std::string& directory) {
    std::error_code error;
    const fs::path dir = directory.empty() ? fs::current_path(error) : fs::path(directory);
    fs::path file;
    if (directoryHolds(dir, LedgerFileName, nullptr) || !directoryHolds(dir, ServerConnectionFileName, &file))
        return std::nullopt;
    std::ifstream in(file);
    std::string line, connection;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        connection += (connection.empty() ? "" : " ") + line;
    }
    return connection;
}

std::string connectionUser(const std::string& connection) {
    return connectionValue(connection, "user");
}

std::string connectionDatabase(const std::string& connection) {
    return connectionValue(connection, "dbname");
}

ServerConnection::~ServerConnection() {
    PQfinish(conn_);
}

std::unique_ptr<ServerConnection> ServerConnection::open(const std::string& connection,
                                                         const std::string& user, const std::string& password,
                                                         Failure* failure) {
    // The connection string comes first, so the user and password given here win over its own.
    std::vector<const char*> keywords{"dbname", "client_encoding", "application_name"};
    std::vector<const char*> values{connection.c_str(), "UTF8", "kovrel"};
    if (!user.empty()) keywords.push_back("user"), values.push_back(user.c_str());
    if (!password.empty()) keywords.push_back("password"), values.push_back(password.c_str());
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    bool timedOut = false;
    std::unique_ptr<PGconn, ConnFinish> conn(connectWithCodes(keywords.data(), values.data(), &timedOut));
    const std::string database = connectionDatabase(connection);
    const std::string name = "server database " + (database.empty() ? std::string("(default)") : database);
    if (!conn || timedOut || PQstatus(conn.get()) != CONNECTION_OK) {
        const std::string message = !conn      ? "out of memory"
                                    : timedOut ? "timeout expired"
                                               : refusalText(PQerrorMessage(conn.get()));
        // 28P01 is the server's code for a wrong password, or a user it does not know.
        const bool refused =
            conn && !timedOut &&
            (PQconnectionNeedsPassword(conn.get()) ||
             (PQconnectionUsedPassword(conn.get()) && message.find(" 28P01: ") != std::string::npos));
        *failure = {refused ? code::PasswordRequired : code::FileOpenFailed,
                    name + ": " + (refused ? "the login was refused: " : "cannot connect: ") + message};
        return nullptr;
    }
    // The server's messages outside an answer (such as its word that it ends the session) are not printed.
    PQsetNoticeProcessor(
        conn.get(), [](void*, const char*) {}, nullptr);
    std::unique_ptr<ServerConnection> made(new ServerConnection(conn.release(), name));
    if (!made->startSession(failure)) return nullptr;
    return made;
}

bool ServerConnection::startSession(Failure* failure) {
    // Dates travel as 'YYYY-MM-DD', numbers as their shortest exact text, and a quoted text ends only at
    // its closing quote, whatever the server's default: a backslash in a clerk's text escapes nothing.
    return exec(
               "SET DateStyle = ISO, YMD; SET extra_float_digits = 1; SET client_min_messages = warning; "
               "SET standard_conforming_strings = on",
               failure) &&
           (!journalled_ || keepJournal(failure)) && (channel_.empty() || listen(channel_, failure));
}

bool ServerConnection::reconnectIfLost(Failure* failure) {
    if (restoring_) return true;
    // A session that the server ended between two calls has said so already: its last word, then the end
    // of its input, which the second read of what came in finds.
    for (int read = 0; read < 2 && PQstatus(conn_) == CONNECTION_OK && PQconsumeInput(conn_); ++read)
        PQisBusy(conn_);
    if (PQstatus(conn_) == CONNECTION_OK) return true;
    const bool lostTransaction = inTransaction_;
    inTransaction_ = false;
    restoring_ = true;
    PQreset(conn_);
    prepared_.clear();
    ++changes_;  // notices may have been missed
    const bool reset = PQstatus(conn_) == CONNECTION_OK;
    const bool restored = reset && startSession(failure);
    restoring_ = false;
    if (!reset) {
        *failure = {code::FileOpenFailed, name_ +
                                              ": the connection to the server was lost and cannot be made "
                                              "again: " +
                                              trimmed(PQerrorMessage(conn_))};
        return false;
    }
    if (!restored) return false;
    if (lostTransaction) {
        *failure = {code::WriteFailed, name_ +
                                           ": the connection to the server was lost in the middle of a "
                                           "change, which was not written: repeat the action"};
        return false;
    }
    return true;
}

void ServerConnection::noteTransaction() {
    const PGTransactionStatusType status = PQtransactionStatus(conn_);
    inTransaction_ = status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

bool ServerConnection::prepare(const std::string& sql, Failure* failure) {
    if (!reconnectIfLost(failure)) return false;
    if (prepared_.count(sql)) return true;
    if (prepared_.size() >= 256) {
        PgResult dropped(PQexec(conn_, "DEALLOCATE ALL"));
        prepared_.clear();
    }
    const std::string name = "k" + std::to_string(++preparedCount_);
    PgResult prepared(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
        *failure = this->failure(prepared.get(), "the statement cannot be prepared");
        return false;
    }
    prepared_.emplace(sql, name);
    return true;
}

PgResult ServerConnection::run(const std::string& sql, const std::vector<const char*>& parameters,
                               Failure* failure) {
    // A read that the connection's loss cut short is asked again, once, on the connection made again.
    const bool again = !inTransaction_;
    for (int attempt = 0;; ++attempt) {
        if (!prepare(sql, failure)) return nullptr;
        PgResult result(PQexecPrepared(conn_, prepared_.find(sql)->second.c_str(),
                                       static_cast<int>(parameters.size()), parameters.data(), nullptr,
                                       nullptr, 0));
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
            noteTransaction();
            return result;
        }
        *failure = this->failure(result.get(), "the statement cannot be run");
        if (!again || attempt > 0 || PQstatus(conn_) == CONNECTION_OK) return nullptr;
    }
}

PgResult ServerConnection::write(const std::string& sql, const std::vector<const char*>& parameters,
                                 Failure* failure) {
    if (!journalled_) {
        PgResult done = run(sql, parameters, failure);
        if (done) countWrite();
        return done;
    }
    if (!prepare(sql, failure)) return nullptr;
    // Statements before one sync run in one implicit transaction, so the time set for it is the entry's.
    const std::string time = journalTime();
    const char* timeValue = time.c_str();
    const bool sent =
        PQenterPipelineMode(conn_) &&
        PQsendQueryParams(conn_, "SELECT set_config('kovrel.vreme', $1, true)", 1, nullptr, &timeValue,
                          nullptr, nullptr, 0) &&
        PQsendQueryPrepared(conn_, prepared_.find(sql)->second.c_str(), static_cast<int>(parameters.size()),
                            parameters.data(), nullptr, nullptr, 0) &&
        PQpipelineSync(conn_);
    PgResult answer, failed;
    for (int results = 0; sent && results < 2;) {
        PgResult result(PQgetResult(conn_));
        if (!result) {
            ++results;  // the end of one statement's results
            continue;
        }
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            if (!failed && status != PGRES_PIPELINE_ABORTED) failed = std::move(result);
        } else if (results == 1) {
            answer = std::move(result);
        }
    }
    // The sync's own result ends the pipeline.
    while (sent) {
        PgResult result(PQgetResult(conn_));
        if (!result || PQresultStatus(result.get()) == PGRES_PIPELINE_SYNC) break;
    }
    PQexitPipelineMode(conn_);
    if (!sent || failed || !answer) {
        *failure = this->failure(failed.get(), "the statement cannot be run");
        return nullptr;
    }
    countWrite();
    return answer;
}

bool ServerConnection::keepJournal(Failure* failure) {
    const char* values[] = {journalUser().c_str(), journalHost().c_str()};
    PgResult set(PQexecParams(conn_,
                              "SELECT set_config('kovrel.korisnik', $1, false), "
                              "set_config('kovrel.racunar', $2, false)",
                              2, nullptr, values, nullptr, nullptr, 0));
    if (PQresultStatus(set.get()) != PGRES_TUPLES_OK) {
        *failure = this->failure(set.get(), "the change journal cannot be kept");
        return false;
    }
    journalled_ = true;
    return true;
}

bool ServerConnection::exec(const std::string& sql, Failure* failure) {
    if (!reconnectIfLost(failure)) return false;
    PgResult result(PQexec(conn_, sql.c_str()));
    const ExecStatusType status = PQresultStatus(result.get());
    noteTransaction();
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) return true;
    *failure = this->failure(result.get(), "the statement cannot be run");
    return false;
}

bool ServerConnection::listen(const std::string& channel, Failure* failure) {
    char* quoted = PQescapeIdentifier(conn_, channel.c_str(), channel.size());
    const bool listening = quoted && exec(std::string("LISTEN ") + quoted, failure);
    PQfreemem(quoted);
    listening_ = listening;
    if (listening) channel_ = channel;
    return listening;
}

std::uint64_t ServerConnection::changeStamp() {
    if (!listening_ || !PQconsumeInput(conn_)) return ++changes_;
    while (PGnotify* notice = PQnotifies(conn_)) {
        ++changes_;
        PQfreemem(notice);
    }
    return changes_;
}

Failure ServerConnection::failure(const PGresult* result, const std::string& what) const {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* message = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const std::string detail =
        name_ + ": " + what + ": " + (message ? message : trimmed(PQerrorMessage(conn_)));
    const std::string sqlState = state ? state : "";
    if (PQstatus(conn_) != CONNECTION_OK)
        return {code::FileOpenFailed, name_ +
                                          ": the connection to the server was lost, so what was asked may "
                                          "not have been done: repeat the action (" +
                                          (message ? message : trimmed(PQerrorMessage(conn_))) + ")"};
    if (sqlState.starts_with("08") || sqlState.starts_with("57")) return {code::FileOpenFailed, detail};
    if (sqlState == "42P01") return {code::SqlUnknownTable, detail};
    if (sqlState == "40001" || sqlState == "40P01" || sqlState == "55P03") return {code::FileBusy, detail};
    if (sqlState.starts_with("28")) return {code::PasswordRequired, detail};
    if (sqlState == "42501") return {code::TableReadOnly, detail};
    if (sqlState.starts_with("22") || sqlState.starts_with("23") || sqlState.starts_with("53"))
        return {code::WriteFailed, detail};
    return {code::SqlSyntax, detail};
}

}  // namespace engine
