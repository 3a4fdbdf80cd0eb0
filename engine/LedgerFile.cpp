// The ledger file's column list, and creating, checking and bulk-loading ledger files.
#include "engine/LedgerFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "engine/JournalTable.h"
#include "engine/Records.h"
#include "engine/Sqlite.h"

namespace engine {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Another program may add an index between the look for it and the build, hence IF NOT EXISTS.
std::string createIndexSql(const LedgerIndex& index) {
    return std::string("CREATE INDEX IF NOT EXISTS ") + index.name + " ON kovrel (" + index.columns + ")";
}

std::string createTableSql() {
    std::string sql = "CREATE TABLE kovrel (";
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        sql += (i ? ", " : "") + std::string(ledgerColumns()[i].name) + " " + ledgerColumns()[i].declaredType;
    }
    sql += ");";
    for (const LedgerIndex& index : ledgerIndexes()) sql += "\n" + createIndexSql(index) + ";";
    return sql + "\n" + createJournalSql() + ";\n" + createHolidaysSql() + ";";
}

std::string insertSql() {
    std::string sql = "INSERT INTO kovrel VALUES (";
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) sql += i ? ", ?" : "?";
    return sql + ")";
}

void bindValue(sqlite3_stmt* statement, int index, const LedgerValue& value) {
    if (const double* number = std::get_if<double>(&value)) {
        sqlite3_bind_double(statement, index, *number);
    } else if (const std::string* text = std::get_if<std::string>(&value)) {
        sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_null(statement, index);
    }
}

bool tableIsEmpty(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM kovrel LIMIT 1", -1, &statement, nullptr);
    const bool empty = statement && sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return empty;
}

// Runs `sql` when it is one statement and nothing more: names and definitions read from the file run as
// what they are and never as a statement of their own.
int runOneStatement(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &prepared, &tail);
    const OwnedStatement statement(prepared);
    if (rc != SQLITE_OK) return rc;
    const char* end = sql.c_str() + sql.size();
    if (!prepared || std::any_of(tail, end, [](char c) {
            return c != ';' && !std::isspace(static_cast<unsigned char>(c));
        }))
        return SQLITE_MISUSE;
    const int stepped = sqlite3_step(prepared);
    return stepped == SQLITE_DONE || stepped == SQLITE_ROW ? SQLITE_OK : stepped;
}

// Drops the table's own indexes and answers the statements that make them again.
std::vector<std::string> dropIndexes(sqlite3* db) {
    std::vector<std::pair<std::string, std::string>> indexes;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'kovrel' AND "
                       "sql IS NOT NULL",
                       -1, &statement, nullptr);
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        indexes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                             reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
    }
    sqlite3_finalize(statement);
    std::vector<std::string> definitions;
    for (const auto& [name, sql] : indexes) {
        char* drop = sqlite3_mprintf("DROP INDEX \"%w\"", name.c_str());
        const int rc = drop ? runOneStatement(db, drop) : SQLITE_NOMEM;
        sqlite3_free(drop);
        if (rc == SQLITE_OK) definitions.push_back(sql);
    }
    return definitions;
}

bool createIndexes(Connection& connection, const std::vector<std::string>& definitions, Failure* failure) {
    for (const std::string& sql : definitions) {
        const int rc = runOneStatement(connection.handle(), sql);
        if (rc != SQLITE_OK) {
            *failure = connection.failure(rc, "the table's index cannot be built");
            return false;
        }
    }
    return true;
}

bool insertRows(Connection& connection, const std::function<bool(LedgerValues&)>& next, std::uint64_t* count,
                Failure* failure) {
    sqlite3_stmt* insert = connection.statement(insertSql(), failure);
    if (!insert) return false;
    LedgerValues values;
    while ((values = LedgerValues{}, next(values))) {
        for (std::size_t i = 0; i < LedgerColumnCount; ++i)
            bindValue(insert, static_cast<int>(i + 1), values[i]);
        const int rc = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (rc != SQLITE_DONE) {
            *failure = connection.failure(rc, "row " + std::to_string(*count + 1) + " cannot be stored");
            return false;
        }
        ++*count;
    }
    return true;
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

Result failed(const Failure& failure, std::string* error) {
    setError(error, failure.text);
    return failure.code;
}

// Takes the file's write lock for a transaction of several statements.
bool beginWriting(Connection& connection, const char* what, Failure* failure) {
    if (sqlite3_exec(connection.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    *failure = connection.failure(sqlite3_errcode(connection.handle()), what);
    return false;
}

// Commits the transaction begun by beginWriting when its work is `done`, else rolls it back and answers
// the work's `failure`.
Result endWriting(Connection& connection, bool done, Failure failure, const char* what, std::string* error) {
    sqlite3* db = connection.handle();
    if (done && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return code::Ok;
    if (done) failure = connection.failure(sqlite3_errcode(db), what);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    setError(error, failure.text);
    return failure.code == code::SqlSyntax ? code::WriteFailed : failure.code;
}

bool hasIndex(sqlite3* db, const char* name) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1", -1, &statement,
                       nullptr);
    sqlite3_bind_text(statement, 1, name, -1, SQLITE_STATIC);
    const bool found = statement && sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

std::int64_t rowCount(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM kovrel", -1, &statement, nullptr);
    const std::int64_t rows =
        statement && sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    return rows;
}

// SQLite's integrity check of a ledger, its indexes and journal runs about this many steps per page.
constexpr double IntegrityCheckStepsPerPage = 1200;

double pageCount(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &statement, nullptr);
    const double pages =
        statement && sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_double(statement, 0) : 0;
    sqlite3_finalize(statement);
    return pages;
}

// Reports the progress of long statements from SQLite's progress handler, as the share of the steps
// they are expected to take. Building an index runs about one step per column and seven more for each
// row (reading it, sorting, inserting the entry).
class StepProgress {
  public:
    static constexpr int StepsPerCall = 4096;

    StepProgress(sqlite3* db, const WorkProgress& report, double expectedSteps)
        : db_(db), report_(report), expected_(std::max(expectedSteps, 1.0)) {
        if (!report_) return;
        report_(0);
        sqlite3_progress_handler(db_, StepsPerCall, &StepProgress::called, this);
    }
    ~StepProgress() { sqlite3_progress_handler(db_, 0, nullptr, nullptr); }
    StepProgress(const StepProgress&) = delete;
    StepProgress& operator=(const StepProgress&) = delete;

    void finished() {
        if (report_) report_(1.0);
    }

  private:
    static int called(void* self) {
        auto* progress = static_cast<StepProgress*>(self);
        progress->steps_ += StepsPerCall;
        progress->report_(std::min(progress->steps_ / progress->expected_, 0.99));
        return 0;
    }

    sqlite3* db_;
    const WorkProgress& report_;
    double expected_;
    double steps_ = 0;
};

// The last line of a check's report on a file it could not judge as sound.
std::string failedVerdict(Result result) {
    return result == code::FileBusy ? "Verdict: could not be judged: another program holds the ledger locked"
                                    : "Verdict: not a sound ledger";
}

int columnCount(const LedgerIndex& index) {
    return 1 + static_cast<int>(std::count(index.columns, index.columns + std::strlen(index.columns), ','));
}

}  // namespace

const std::array<LedgerIndex, 4>& ledgerIndexes() {
    // kovrel_prezimeime walks a worker's rows in stored order and counts them; kovrel_stanje holds every
    // field the balances and reports read, grouped by worker and reason; kovrel_redbroj ends at the
    // highest worker number; kovrel_odsustva holds what the absence calendar reads, by last and first day,
    // so a month's absences are found from its first day on.
    static const std::array<LedgerIndex, 4> indexes{{
        {"kovrel_prezimeime", "PrezimeIme"},
        {"kovrel_stanje", "PrezimeIme, Razlog, Dobijeni, Iskorisceni"},
        {"kovrel_redbroj", "RedBroj"},
        {"kovrel_odsustva", "Do, Od, PrezimeIme, Razlog, Iskorisceni"},
    }};
    return indexes;
}

const std::array<LedgerColumn, LedgerColumnCount>& ledgerColumns() {
    static const std::array<LedgerColumn, LedgerColumnCount> columns{{
        {"KovrelID", "FLOAT", FieldType::Float, 0},
        {"RedBroj", "FLOAT", FieldType::Float, 0},
        {"Datum", "DATE", FieldType::Date, 0},
        {"PrezimeIme", "VARCHAR(30)", FieldType::String, 30},
        {"Od", "DATE", FieldType::Date, 0},
        {"Do", "DATE", FieldType::Date, 0},
        {"Dana", "FLOAT", FieldType::Float, 0},
        {"StanjeDana", "FLOAT", FieldType::Float, 0},
        {"Razlog", "VARCHAR(30)", FieldType::String, 30},
        {"Transakcije", "FLOAT", FieldType::Float, 0},
        {"Dobijeni", "FLOAT", FieldType::Float, 0},
        {"Iskorisceni", "FLOAT", FieldType::Float, 0},
    }};
    return columns;
}

namespace {

// The length in a declared type such as "VARCHAR(40)" or "NUMERIC( 10, 2 )": its first number.
std::optional<std::int64_t> declaredLength(const std::string& type) {
    const auto open = type.find('(');
    if (open == std::string::npos) return std::nullopt;
    const auto first = type.find_first_not_of(' ', open + 1);
    if (first == std::string::npos) return std::nullopt;
    const auto end = type.find_first_of(" ,)", first);
    const std::string_view digits =
        std::string_view(type).substr(first, end == std::string::npos ? end : end - first);
    if (const auto length = wholeNumberOf(digits)) return length;
    // Digits too many for any number still declare a length past every limit.
    if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos)
        return std::numeric_limits<std::int64_t>::max();
    return std::nullopt;
}

}  // namespace

LedgerColumn fieldTypeOfDeclared(const std::string& declaredType) {
    const std::string type = upper(declaredType);
    const auto has = [&type](const char* word) { return type.find(word) != std::string::npos; };
    if (has("CHAR") || has("TEXT") || has("CLOB")) {
        // A declared length past what a string field holds is cut to that most; no length reads as 255.
        const std::int64_t size = declaredLength(type).value_or(255);
        return {"", "", FieldType::String,
                static_cast<std::uint16_t>(size > 0 ? std::min<std::int64_t>(size, MaxTextSize) : 255)};
    }
    if (type == "DATE") return {"", "", FieldType::Date, 0};
    if (has("INT")) return {"", "", FieldType::Integer, 0};
    return {"", "", FieldType::Float, 0};
}

std::string sqliteVersion() {
    return sqlite3_libversion();
}

Result createLedgerFile(const std::string& path, std::string* error) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        setError(error, path + ": a file of that name already exists; it is left as it is");
        return code::FileOpenFailed;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code missing;
    if (!folder.empty() && !std::filesystem::is_directory(folder, missing)) {
        setError(error,
                 path + ": the file cannot be created: the folder " + folder.string() + " does not exist");
        return code::FileOpenFailed;
    }
    // Workers' data: the new ledger is its owner's alone, whatever the umask.
    if (const int reason = createFileWithMode(path, S_IRUSR | S_IWUSR)) {
        setError(error, path + ": the file cannot be created: " + std::strerror(reason));
        return code::FileOpenFailed;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) {
        setError(error, path + ": the file cannot be created: " + sqlite3_errstr(rc));
        return code::FileOpenFailed;
    }
    char* message = nullptr;
    if (sqlite3_exec(db.get(), createTableSql().c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        setError(error, path + ": the table cannot be created: " + (message ? message : ""));
        sqlite3_free(message);
        return code::WriteFailed;
    }
    return code::Ok;
}

Result addMissingIndexes(const std::string& path, const WorkProgress& progress, int* added,
                         std::string* error) {
    if (added) *added = 0;
    Failure failure;
    auto connection = Connection::open(path, false, 3000, &failure);
    if (!connection) return failed(failure, error);
    sqlite3* db = connection->handle();
    std::vector<const LedgerIndex*> missing;
    for (const LedgerIndex& index : ledgerIndexes())
        if (!hasIndex(db, index.name)) missing.push_back(&index);
    if (missing.empty()) return code::Ok;
    if (!beginWriting(*connection, "the indexes cannot be added", &failure)) return failed(failure, error);
    std::vector<std::string> definitions;
    double steps = 0;
    const auto rows = static_cast<double>(rowCount(db));
    for (const LedgerIndex* index : missing) {
        definitions.push_back(createIndexSql(*index));
        steps += rows * (columnCount(*index) + 7);
    }
    StepProgress reporter(db, progress, steps);
    const bool built = createIndexes(*connection, definitions, &failure);
    if (const Result result = endWriting(*connection, built, failure, "the indexes cannot be added", error))
        return result;
    reporter.finished();
    if (added) *added = static_cast<int>(missing.size());
    return code::Ok;
}

Result checkLedgerFile(const std::string& path, std::string* report, const WorkProgress& progress) {
    // Opened for writing where the file allows it: SQLite then rolls back a write that a killed program
    // left unfinished before anything is read, as the program's own next open would.
    Failure failure;
    auto connection = Connection::open(path, false, 3000, &failure);
    if (!connection && failure.code == code::TableReadOnly)
        connection = Connection::open(path, true, 3000, &failure);
    if (!connection) {
        *report = failure.text + "\n" + failedVerdict(failure.code);
        return failure.code;
    }
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(connection->handle(), "PRAGMA integrity_check", -1, &statement, nullptr);
    std::string problems;
    int rc = SQLITE_ERROR;
    {
        StepProgress reporter(connection->handle(), progress,
                              IntegrityCheckStepsPerPage * pageCount(connection->handle()));
        while (statement && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
            const auto* line = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            if (line && std::string(line) != "ok") problems += std::string(line) + "\n";
        }
    }
    sqlite3_finalize(statement);
    if (const int primary = rc & 0xff; primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        *report =
            connection->failure(rc, "the check cannot read it").text + "\n" + failedVerdict(code::FileBusy);
        return code::FileBusy;
    }
    if (rc != SQLITE_DONE)
        problems += std::string("integrity check failed: ") + sqlite3_errmsg(connection->handle()) + "\n";
    if (!problems.empty()) {
        *report = path + ": the file is damaged:\n" + problems + "Verdict: not a sound ledger";
        return code::FileDamaged;
    }
    bool journal = false, holidays = false;
    if (!hasJournal(connection->handle(), path, &journal, &failure) ||
        !hasHolidays(connection->handle(), path, &holidays, &failure)) {
        *report = failure.text + "\n" + failedVerdict(failure.code);
        return failure.code;
    }
    *report = path + ": integrity ok, table kovrel with its 12 columns, " +
              (journal ? "change journal dnevnik" : "no change journal yet") +
              (holidays ? ", holiday calendar praznici" : ", no holiday calendar yet") +
              "\nVerdict: sound ledger";
    return code::Ok;
}

Result loadLedgerRows(const std::string& path, const std::function<bool(LedgerValues&)>& next,
                      std::uint64_t* loaded, std::string* error) {
    if (loaded) *loaded = 0;
    Failure failure;
    auto connection = Connection::open(path, false, 3000, &failure);
    if (!connection) return failed(failure, error);
    sqlite3* db = connection->handle();
    if (!beginWriting(*connection, "the load cannot begin", &failure)) return failed(failure, error);
    // Filling an empty table is quicker with its indexes built once at the end.
    const std::vector<std::string> indexes = tableIsEmpty(db) ? dropIndexes(db) : std::vector<std::string>{};
    std::uint64_t count = 0;
    const bool stored =
        insertRows(*connection, next, &count, &failure) && createIndexes(*connection, indexes, &failure);
    if (const Result result = endWriting(*connection, stored, failure, "the load cannot be committed", error))
        return result;
    if (loaded) *loaded = count;
    return code::Ok;
}

}  // namespace engine
