// Server ledgers over libpq: the connection file, connections and their statements, and the ledger table.
#include "engine/Postgres.h"

#include <poll.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
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

// The server's type of each ledger column.
const char* typeOf(const LedgerColumn& column) {
    switch (column.type) {
        case FieldType::Date:
            return "date";
        case FieldType::String:
            return "varchar(30)";
        default:
            return "float8";
    }
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::unique_ptr<ServerConnection> connectForTool(const std::string& connection, std::string* error,
                                                 Result* result) {
    Failure failure;
    auto opened = ServerConnection::open(connection, "", "", &failure);
    if (!opened) {
        setError(error, failure.text);
        *result = failure.code;
    }
    return opened;
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

bool ServerConnection::whole(Failure* failure) {
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
    if (!whole(failure)) return false;
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
    if (!whole(failure)) return false;
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

std::string serverColumnName(std::size_t column) {
    std::string lower = ledgerColumns()[column].name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "\"" + lower + "\"";
}

std::string serverColumnList() {
    std::string list;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) list += (i ? ", " : "") + serverColumnName(i);
    return list;
}

const char* serverColumnType(std::size_t column) {
    return typeOf(ledgerColumns()[column]);
}

std::string serverParameter(std::size_t column, int number) {
    const char* type = serverColumnType(column);
    // A text parameter is cast to varchar without a length, so the column's own length check applies.
    return "$" + std::to_string(number) + "::" + (type[0] == 'v' ? "varchar" : type);
}

std::string serverInsertSql() {
    std::string sql = "INSERT INTO kovrel (" + serverColumnList() + ") VALUES (";
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        sql += (i ? ", " : "") + serverParameter(i, static_cast<int>(i) + 1);
    return sql + ")";
}

std::string serverNumberText(double value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

bool hasServerLedgerShape(ServerConnection& connection, Failure* failure) {
    PgResult result = connection.run(
        "SELECT column_name, data_type FROM information_schema.columns WHERE table_schema = current_schema() "
        "AND table_name = 'kovrel' ORDER BY ordinal_position",
        {}, failure);
    if (!result) return false;
    const int rows = PQntuples(result.get());
    if (rows == 0) {
        *failure = {code::NotALedger, connection.name() + ": the database holds no table kovrel"};
        return false;
    }
    bool matches = rows == static_cast<int>(LedgerColumnCount) + 1 &&
                   std::string(PQgetvalue(result.get(), 0, 0)) == "id";
    for (std::size_t i = 0; matches && i < LedgerColumnCount; ++i) {
        const std::string name = PQgetvalue(result.get(), static_cast<int>(i) + 1, 0);
        const std::string type = PQgetvalue(result.get(), static_cast<int>(i) + 1, 1);
        const std::string want = typeOf(ledgerColumns()[i]);
        matches = strcasecmp(name.c_str(), ledgerColumns()[i].name) == 0 &&
                  (want == "date"     ? type == "date"
                   : want == "float8" ? type == "double precision"
                                      : type == "character varying");
    }
    if (!matches) {
        *failure = {code::NotALedger,
                    connection.name() + ": the table kovrel has other columns than the ledger's"};
        return false;
    }
    return true;
}

namespace {

// The trigger functions behind every change of kovrel. Each change sends a notice on the channel of the
// ledger's schema, so cursors that hold rows learn of it without asking. The change of a journalled
// connection (one that set kovrel.korisnik) writes its journal entry as the file's triggers do (see
// Journal.h): the same texts, a number's JSON with a decimal point as SQLite writes a REAL.
const char* const ChangeFunctionTemplate =
    "CREATE OR REPLACE FUNCTION kovrel_vrednosti(vrednosti json, poredjenje json) RETURNS text LANGUAGE "
    "plpgsql IMMUTABLE AS $body$\n"
    "DECLARE\n"
    "  imena CONSTANT text[] := ARRAY[@COLUMNS@];\n"
    "  rezultat text := '';\n"
    "  vrednost text;\n"
    "BEGIN\n"
    "  FOR i IN 1 .. array_length(imena, 1) LOOP\n"
    "    vrednost := coalesce((vrednosti -> lower(imena[i]))::text, 'null');\n"
    "    IF vrednost IS DISTINCT FROM coalesce((poredjenje -> lower(imena[i]))::text, 'null') THEN\n"
    "      IF json_typeof(vrednosti -> lower(imena[i])) = 'number' AND vrednost !~ '[.eE]' THEN\n"
    "        vrednost := vrednost || '.0';\n"
    "      END IF;\n"
    "      rezultat := rezultat || CASE WHEN rezultat = '' THEN '' ELSE ',' END || to_json(imena[i])::text "
    "|| "
    "':' || vrednost;\n"
    "    END IF;\n"
    "  END LOOP;\n"
    "  RETURN '{' || rezultat || '}';\n"
    "END\n"
    "$body$;\n"
    "CREATE OR REPLACE FUNCTION kovrel_promena() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
    "DECLARE\n"
    "  staro text;\n"
    "  novo text;\n"
    "BEGIN\n"
    "  PERFORM pg_notify(TG_TABLE_SCHEMA || '.kovrel', '');\n"
    "  IF coalesce(current_setting('kovrel.korisnik', true), '') = '' THEN\n"
    "    RETURN NULL;\n"
    "  END IF;\n"
    "  IF TG_OP = 'INSERT' THEN\n"
    "    novo := kovrel_vrednosti(row_to_json(NEW), NULL);\n"
    "  ELSIF TG_OP = 'DELETE' THEN\n"
    "    staro := kovrel_vrednosti(row_to_json(OLD), NULL);\n"
    "  ELSE\n"
    "    staro := kovrel_vrednosti(row_to_json(OLD), row_to_json(NEW));\n"
    "    IF staro = '{}' THEN\n"
    "      RETURN NULL;\n"
    "    END IF;\n"
    "    novo := kovrel_vrednosti(row_to_json(NEW), row_to_json(OLD));\n"
    "  END IF;\n"
    "  INSERT INTO dnevnik (vreme, korisnik, racunar, operacija, kljuc, prezimeime, staro, novo) VALUES (\n"
    "    coalesce(nullif(current_setting('kovrel.vreme', true), ''),\n"
    "             to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')),\n"
    "    current_setting('kovrel.korisnik'), current_setting('kovrel.racunar', true),\n"
    "    CASE TG_OP WHEN 'INSERT' THEN 'unos' WHEN 'UPDATE' THEN 'izmena' ELSE 'brisanje' END,\n"
    "    CASE TG_OP WHEN 'DELETE' THEN OLD.id ELSE NEW.id END,\n"
    "    CASE TG_OP WHEN 'DELETE' THEN OLD.prezimeime ELSE NEW.prezimeime END, staro, novo);\n"
    "  RETURN NULL;\n"
    "END\n"
    "$body$";

const char* const JournalTableSql =
    "CREATE TABLE IF NOT EXISTS dnevnik (vreme varchar, korisnik varchar, racunar varchar, operacija "
    "varchar, "
    "kljuc bigint, prezimeime varchar, staro varchar, novo varchar, id bigserial PRIMARY KEY)";

const char* const ChangeTriggerSql =
    "CREATE TRIGGER kovrel_promena AFTER INSERT OR UPDATE OR DELETE ON kovrel FOR EACH ROW EXECUTE FUNCTION "
    "kovrel_promena()";

// The file's indexes (ledgerIndexes) on the server. A worker's rows are paged in key order, so the index on
// the name ends with the key.
std::string createServerIndexSql(const LedgerIndex& index) {
    std::string columns = index.columns;
    for (char& c : columns) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (columns == "prezimeime") columns += ", id";
    return std::string("CREATE INDEX IF NOT EXISTS ") + index.name + " ON kovrel (" + columns + ")";
}

// Whether the ledger lacks one of the pieces completeServerLedger adds, and the schema it lives in.
bool lacksExtras(ServerConnection& connection, bool* lacks, std::string* schema, Failure* failure) {
    std::string names;
    for (const LedgerIndex& index : ledgerIndexes())
        names += (names.empty() ? "'" : ", '") + std::string(index.name) + "'";
    PgResult found = connection.run(
        "SELECT (SELECT count(*) FROM pg_trigger WHERE tgrelid = 'kovrel'::regclass AND tgname = "
        "'kovrel_promena') + (SELECT count(*) FROM pg_tables WHERE schemaname = current_schema() AND "
        "tablename = 'dnevnik') + (SELECT count(*) FROM pg_indexes WHERE schemaname = current_schema() AND "
        "tablename = 'kovrel' AND indexname IN (" +
            names + ")), current_schema()",
        {}, failure);
    if (!found) return false;
    *lacks = std::string(PQgetvalue(found.get(), 0, 0)) != std::to_string(2 + ledgerIndexes().size());
    *schema = PQgetvalue(found.get(), 0, 1);
    return true;
}

// The statements that add what lacksExtras looks for; each leaves a piece that is there already as it is.
std::string extrasSql() {
    std::string columns;
    for (const LedgerColumn& column : ledgerColumns())
        columns += (columns.empty() ? "'" : ", '") + std::string(column.name) + "'";
    std::string function = ChangeFunctionTemplate;
    function.replace(function.find("@COLUMNS@"), 9, columns);
    std::string sql = std::string(JournalTableSql) + ";\n" + function + ";\n";
    for (const LedgerIndex& index : ledgerIndexes()) sql += createServerIndexSql(index) + ";\n";
    return sql + "DROP TRIGGER IF EXISTS kovrel_promena ON kovrel;\n" + ChangeTriggerSql;
}

}  // namespace

bool completeServerLedger(ServerConnection& connection, std::string* channel, Failure* failure) {
    channel->clear();
    bool lacks = false;
    std::string schema;
    if (!lacksExtras(connection, &lacks, &schema, failure)) return false;
    if (lacks) {
        // The lock keeps two clerks who open the ledger at once from adding the pieces twice.
        Failure refused;
        const bool added =
            connection.exec("BEGIN; LOCK TABLE kovrel IN SHARE ROW EXCLUSIVE MODE", &refused) &&
            lacksExtras(connection, &lacks, &schema, &refused) &&
            (!lacks || connection.exec(extrasSql(), &refused)) && connection.exec("COMMIT", &refused);
        if (!added) {
            connection.exec("ROLLBACK", failure);
            if (refused.code != code::TableReadOnly) {
                *failure = refused;
                return false;
            }
            return true;
        }
    }
    *channel = schema + ".kovrel";
    return true;
}

Result createServerLedger(const std::string& connection, std::string* error) {
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    std::string columns;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        columns += ", " + serverColumnName(i) + " " + serverColumnType(i);
    Failure failure;
    // The key keeps the stored order and lets a live result write through it; the program never sees it.
    // The indexes, and the trigger, come as for an older ledger opened.
    std::string channel;
    if (!conn->exec("CREATE TABLE kovrel (id bigserial PRIMARY KEY" + columns + ")", &failure) ||
        !completeServerLedger(*conn, &channel, &failure)) {
        setError(error, failure.text);
        return failure.code == code::SqlSyntax ? code::FileOpenFailed : failure.code;
    }
    return code::Ok;
}

Result checkServerLedger(const std::string& connection, std::string* report) {
    Result result = code::Ok;
    std::string error;
    auto conn = connectForTool(connection, &error, &result);
    Failure failure;
    if (conn && !hasServerLedgerShape(*conn, &failure)) {
        error = failure.text;
        result = failure.code;
    }
    PgResult count;
    if (conn && result == code::Ok) {
        count = conn->run("SELECT count(*) FROM kovrel", {}, &failure);
        if (!count) error = failure.text, result = failure.code;
    }
    if (result != code::Ok) {
        *report = error + "\nVerdict: not a sound ledger";
        return result;
    }
    *report = connectionDatabase(connection) + " on the server: table kovrel with its 12 columns and key, " +
              PQgetvalue(count.get(), 0, 0) + " rows\nVerdict: sound ledger";
    return code::Ok;
}

Result loadServerLedgerRows(const std::string& connection, const std::function<bool(LedgerValues&)>& next,
                            std::uint64_t* loaded, std::string* error) {
    if (loaded) *loaded = 0;
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    Failure failure;
    if (!hasServerLedgerShape(*conn, &failure) || !conn->exec("BEGIN", &failure)) {
        setError(error, failure.text);
        return failure.code;
    }
    const std::string sql = serverInsertSql();
    std::uint64_t count = 0;
    LedgerValues values;
    std::vector<std::string> texts(LedgerColumnCount);
    std::vector<const char*> parameters(LedgerColumnCount);
    bool stored = true;
    while (stored && (values = LedgerValues{}, next(values))) {
        for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
            if (const double* number = std::get_if<double>(&values[i])) {
                texts[i] = serverNumberText(*number);
                parameters[i] = texts[i].c_str();
            } else if (const std::string* text = std::get_if<std::string>(&values[i])) {
                parameters[i] = text->c_str();
            } else {
                parameters[i] = nullptr;
            }
        }
        if (conn->run(sql, parameters, &failure)) {
            ++count;
        } else {
            failure.text += " (row " + std::to_string(count + 1) + ")";
            stored = false;
        }
    }
    if (!stored || !conn->exec("COMMIT", &failure)) {
        conn->exec("ROLLBACK", &failure);
        setError(error, failure.text);
        return failure.code == code::SqlSyntax ? code::WriteFailed : failure.code;
    }
    if (loaded) *loaded = count;
    return code::Ok;
}

Result readServerLedgerRows(const std::string& connection,
                            const std::function<void(const LedgerValues&)>& row, std::string* error) {
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    Failure failure;
    PgResult rows;
    if (!hasServerLedgerShape(*conn, &failure) ||
        !(rows = conn->run("SELECT " + serverColumnList() + " FROM kovrel ORDER BY id", {}, &failure))) {
        setError(error, failure.text);
        return failure.code;
    }
    LedgerValues values;
    for (int r = 0; r < PQntuples(rows.get()); ++r) {
        for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
            const int c = static_cast<int>(i);
            if (PQgetisnull(rows.get(), r, c))
                values[i] = std::monostate{};
            else if (ledgerColumns()[i].type == FieldType::Float)
                values[i] = std::strtod(PQgetvalue(rows.get(), r, c), nullptr);
            else
                values[i] = std::string(PQgetvalue(rows.get(), r, c));
        }
        row(values);
    }
    return code::Ok;
}

}  // namespace engine
