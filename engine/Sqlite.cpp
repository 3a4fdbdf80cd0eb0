// SQLite connections to ledger files: opening without creating, statement cache, writes, shape check.
#include "engine/Sqlite.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "engine/JournalTable.h"
#include "engine/LedgerFile.h"
#include "engine/Records.h"

namespace engine {
namespace {

constexpr std::size_t StatementCacheLimit = 128;

bool equalNoCase(const char* a, const char* b) {
    return a && b && strcasecmp(a, b) == 0;
}

Failure fileFailure(Result code, const std::string& path, const std::string& what) {
    return {code, path + ": " + what};
}

// Whether the file at `path`, whose status is `info`, may be written: write permission for this process
// and at least one write bit (the read-only attribute holds even for a process that may write anything),
// and a folder this process may make files in, where SQLite keeps the journal of each write.
bool mayWrite(const std::string& path, const struct stat& info) {
    if ((info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0) return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

// What the schema holds under the ledger table's name, when it is not an ordinary table with row numbers
// (a view, a virtual table, a table WITHOUT ROWID): the engine reads and writes rows by their rowid.
std::optional<std::string> notARowTable(sqlite3* db) {
    sqlite3_stmt* prepared = nullptr;
    sqlite3_prepare_v2(db, "SELECT type, wr FROM pragma_table_list('kovrel') WHERE schema = 'main'", -1,
                       &prepared, nullptr);
    const OwnedStatement statement(prepared);
    if (!prepared || sqlite3_step(prepared) != SQLITE_ROW) return std::nullopt;
    const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(prepared, 0));
    if (!equalNoCase(type, "table"))
        return std::string("kovrel is a ") + (type ? type : "") + ", not a table";
    if (sqlite3_column_int(prepared, 1) != 0)
        return std::string("the table kovrel has no row numbers (WITHOUT ROWID)");
    return std::nullopt;
}

// Triggers that refuse a write putting an infinite number in a number column, which SQLite makes of a
// literal or a product beyond the range of a double, with the message a float field gives for one. A value
// an update leaves as it was stays as it is.
std::string finiteNumbersSql() {
    const auto checks = [](bool update) {
        std::string sql;
        for (const LedgerColumn& column : ledgerColumns()) {
            if (column.type != FieldType::Float) continue;
            const std::string name = column.name;
            for (const char* sign : {"", "-"})
                sql += std::string(" SELECT RAISE(ABORT, '''") + sign +
                       "inf'' is not a valid floating point value for field ''" + name + "''') WHERE NEW." +
                       name + " = " + sign + "9e999" +
                       (update ? " AND OLD." + name + " IS NOT NEW." + name : "") + ";";
        }
        return sql;
    };
    return "CREATE TEMP TRIGGER IF NOT EXISTS kovrel_konacni_unos AFTER INSERT ON main.kovrel BEGIN" +
           checks(false) +
           " END;\nCREATE TEMP TRIGGER IF NOT EXISTS kovrel_konacni_izmena AFTER UPDATE ON main.kovrel "
           "BEGIN" +
           checks(true) + " END;";
}

}  // namespace

Connection::~Connection() {
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
    if (holdFd_ >= 0) close(holdFd_);
}

int openHoldDirectory(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int createFileWithMode(const std::string& path, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return errno;
    const bool exact = fchmod(fd, mode) == 0;
    const int reason = errno;
    ::close(fd);
    if (exact) return 0;
    ::unlink(path.c_str());
    return reason;
}

bool Connection::takeHold(int busyTimeoutMs, Failure* failure) {
    holdFd_ = openHoldDirectory(path_);
    if (holdFd_ < 0) {
        *failure = fileFailure(code::FileOpenFailed, path_, "the table file cannot be opened for reading");
        return false;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs);
    while (flock(holdFd_, LOCK_SH | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) {
            *failure = fileFailure(code::FileBusy, path_,
                                   "the table file is busy: it is being restored from a copy");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::unique_ptr<Connection> Connection::open(const std::string& path, bool readOnly, int busyTimeoutMs,
                                             Failure* failure) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        *failure = fileFailure(code::FileNotFound, path, "the table file does not exist");
        return nullptr;
    }
    if (!S_ISREG(info.st_mode) || access(path.c_str(), R_OK) != 0 || (info.st_mode & 0444) == 0) {
        *failure = fileFailure(code::FileOpenFailed, path, "the table file cannot be opened for reading");
        return nullptr;
    }
    if (!readOnly && !mayWrite(path, info)) {
        *failure = fileFailure(code::TableReadOnly, path, "the table file can only be read");
        return nullptr;
    }
    sqlite3* db = nullptr;
    // The engine and its connections serve one thread, so SQLite's per-call locking is not needed.
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        *failure = fileFailure(code::FileOpenFailed, path,
                               std::string("the table file cannot be opened: ") + sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return nullptr;
    }
    std::unique_ptr<Connection> connection(new Connection(db, path, readOnly));
    connection->device_ = info.st_dev;
    connection->inode_ = info.st_ino;
    connection->mode_ = info.st_mode;
    connection->owner_ = info.st_uid;
    connection->group_ = info.st_gid;
    if (!readOnly && !connection->takeHold(busyTimeoutMs, failure)) return nullptr;
    connection->setBusyTimeout(busyTimeoutMs);
    // Case-sensitive LIKE is the dialect's. SQLite's own page cache size is kept: a larger one spends
    // more on filling it during a scan of a large ledger than it saves.
    sqlite3_exec(db, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    // Durability, chosen on purpose. Journal: SQLite's rollback journal, the mode kovrel-db create makes
    // the file in (a file another tool put in WAL mode is kept in it, and is as safe); unlike WAL it keeps
    // the whole ledger in the one file whenever no write is under way, so copying Kovrel.DB copies every
    // row. Synchronous FULL, set here whatever SQLite's build defaults to: a write returns only after
    // its journal and the table have been flushed to the disk. So neither a crash of the program nor a
    // power loss can lose a row whose write returned, nor leave a half row: the next open rolls back the
    // one write that was under way, which was never reported done. What a power loss can cost is that one
    // write; more only when the disk acknowledges flushes it has not made (a volatile write cache), and a
    // copy of Kovrel.DB taken before the program reopens it lacks the rollback in the journal beside it.
    // The price is a few flushes per write, far below a person's pace.
    sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    if (const int registered = registerRecordFunction(db); registered != SQLITE_OK) {
        *failure = fileFailure(code::FileOpenFailed, path,
                               std::string("the table file cannot be read: ") + sqlite3_errstr(registered));
        return nullptr;
    }
    if (!hasLedgerShape(db, path, failure)) return nullptr;
    return connection;
}

sqlite3_stmt* Connection::statement(const std::string& sql, Failure* failure) {
    if (auto found = statements_.find(sql); found != statements_.end()) return found->second;
    if (statements_.size() >= StatementCacheLimit) {
        for (auto& [text, statement] : statements_) sqlite3_finalize(statement);
        statements_.clear();
    }
    sqlite3_stmt* prepared = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
    if (rc != SQLITE_OK) {
        *failure = this->failure(rc, "the statement cannot be prepared");
        return nullptr;
    }
    statements_.emplace(sql, prepared);
    return prepared;
}

bool Connection::startJournalOnce(Failure* failure) {
    if (!journalStarted_) journalStarted_ = startJournal(*this, failure);
    return journalStarted_;
}

bool Connection::journalReadable(Failure* failure) {
    if (journalled_ && !readOnly_) return startJournalOnce(failure);
    bool present = false;
    if (!hasJournal(db_, path_, &present, failure)) return false;
    if (!present)
        *failure = fileFailure(code::SqlUnknownTable, path_, "the ledger has no change journal yet");
    return present;
}

bool Connection::writeHolidays(const std::vector<Holiday>& add, const std::vector<std::string>& remove,
                               bool keepExisting, Failure* failure) {
    if (const std::string refusal = holidayRefusal(add); !refusal.empty()) {
        *failure = fileFailure(code::WriteFailed, path_, refusal);
        return false;
    }
    bool present = false;
    if (journalled_ ? !startJournalOnce(failure) : !hasHolidays(db_, path_, &present, failure)) return false;
    if (!journalled_ && !present) {
        if (const int rc = sqlite3_exec(db_, createHolidaysSql().c_str(), nullptr, nullptr, nullptr)) {
            *failure = this->failure(rc, "the holiday calendar cannot be added");
            return false;
        }
    }
    if (const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)) {
        *failure = this->failure(rc, "the holiday calendar cannot be changed");
        return false;
    }
    const auto run = [this, failure](const std::string& sql, const std::string& first,
                                     const std::string* second) {
        sqlite3_stmt* prepared = statement(sql, failure);
        if (!prepared) return false;
        StatementUse use(prepared);
        sqlite3_bind_text(prepared, 1, first.data(), static_cast<int>(first.size()), SQLITE_TRANSIENT);
        if (second)
            sqlite3_bind_text(prepared, 2, second->data(), static_cast<int>(second->size()),
                              SQLITE_TRANSIENT);
        if (const int rc = sqlite3_step(prepared); rc != SQLITE_DONE) {
            *failure = this->failure(rc, "the holiday " + first + " cannot be stored");
            if (failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
            return false;
        }
        return true;
    };
    bool done = true;
    for (const std::string& day : remove)
        done = done && run("DELETE FROM praznici WHERE Datum = ?1", day, nullptr);
    const std::string insert = std::string("INSERT ") + (keepExisting ? "OR IGNORE " : "") +
                               "INTO praznici (Datum, Naziv) VALUES (?1, ?2)";
    for (const Holiday& holiday : add) done = done && run(insert, holiday.day, &holiday.name);
    if (done && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
        ++*writes_;
        return true;
    }
    if (done) *failure = this->failure(sqlite3_errcode(db_), "the holiday calendar cannot be changed");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

bool Connection::indexLeadsWith(const std::string& column) {
    // The answers hold until anyone commits to the file, which is how an index comes or goes.
    if (const std::uint64_t stamp = changeStamp(); stamp != leadingColumnsStamp_) {
        leadingColumns_.clear();
        leadingColumnsStamp_ = stamp;
    }
    if (const auto known = leadingColumns_.find(column); known != leadingColumns_.end()) return known->second;
    Failure ignored;
    sqlite3_stmt* statement = this->statement(
        "SELECT 1 FROM pragma_index_list('kovrel') AS list, pragma_index_xinfo(list.name) AS part "
        "WHERE list.partial = 0 AND part.seqno = 0 AND part.coll = 'BINARY' AND part.name = ?1 COLLATE "
        "NOCASE",
        &ignored);
    if (!statement) return false;
    StatementUse use(statement);
    sqlite3_bind_text(statement, 1, column.data(), static_cast<int>(column.size()), SQLITE_TRANSIENT);
    return leadingColumns_[column] = sqlite3_step(statement) == SQLITE_ROW;
}

bool Connection::guardFiniteOnce(Failure* failure) {
    if (finiteGuarded_) return true;
    if (const int rc = sqlite3_exec(db_, finiteNumbersSql().c_str(), nullptr, nullptr, nullptr)) {
        *failure = this->failure(rc, "the change cannot be checked");
        return false;
    }
    return finiteGuarded_ = true;
}

bool Connection::runWrite(sqlite3_stmt* statement, Failure* failure) {
    if (journalled_ && !startJournalOnce(failure)) return false;
    if (!guardFiniteOnce(failure)) return false;
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) {
        ++*writes_;
        return true;
    }
    *failure = this->failure(rc, "the change cannot be written");
    if (failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
    return false;
}

Failure Connection::failure(int rc, const std::string& what) const {
    const std::string detail = what + ": " + sqlite3_errmsg(db_);
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return fileFailure(code::FileBusy, path_,
                               "the table file is busy: another program holds it locked");
        case SQLITE_NOTADB:
            return fileFailure(code::NotALedger, path_, "the file is not a table: " + detail);
        case SQLITE_CORRUPT:
            return fileFailure(code::FileDamaged, path_, "the table file is damaged: " + detail);
        case SQLITE_READONLY:
            return fileFailure(code::TableReadOnly, path_, "the table file can only be read");
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return fileFailure(code::FileOpenFailed, path_, detail);
        case SQLITE_NOMEM:
            return fileFailure(code::OutOfMemory, path_, detail);
        case SQLITE_IOERR:
        case SQLITE_FULL:
        case SQLITE_CONSTRAINT:
            return fileFailure(code::WriteFailed, path_, detail);
        default:
            return fileFailure(code::SqlSyntax, path_, detail);
    }
}

std::optional<std::uint32_t> Connection::rollbackChangeCounter() const {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return std::nullopt;
    // The header's write and read versions are 1 in rollback-journal mode, where every commit
    // raises the counter at offset 24, and 2 in WAL mode, where it may not.
    unsigned char header[28];
    if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK || header[18] != 1 ||
        header[19] != 1)
        return std::nullopt;
    return std::uint32_t{header[24]} << 24 | std::uint32_t{header[25]} << 16 |
           std::uint32_t{header[26]} << 8 | std::uint32_t{header[27]};
}

std::uint64_t Connection::changeStamp() {
    // Reading the header costs one read of the file, where asking SQLite takes and drops a lock.
    // A commit writes page 1 first, so an unchanged counter means every page is still as read.
    if (const auto counter = rollbackChangeCounter()) return (std::uint64_t{1} << 63 | *counter) + *writes_;
    std::uint64_t version = 0;
    Failure ignored;
    if (sqlite3_stmt* statement = this->statement("PRAGMA data_version", &ignored)) {
        StatementUse use(statement);
        if (sqlite3_step(statement) == SQLITE_ROW) version = sqlite3_column_int64(statement, 0);
    }
    return version + *writes_;
}

bool Connection::stillUsable(bool forWriting, const struct stat* status) const {
    struct stat info {};
    if (status) {
        info = *status;
    } else if (stat(path_.c_str(), &info) != 0) {
        return false;
    }
    if (info.st_dev != device_ || info.st_ino != inode_) return false;
    if (!forWriting) return true;
    // Leave to write changes only with the file's mode or owner: while they are as when it was granted,
    // it is not asked for again.
    if (!readOnly_ && info.st_mode == mode_ && info.st_uid == owner_ && info.st_gid == group_) return true;
    return mayWrite(path_, info);
}

bool hasLedgerShape(sqlite3* db, const std::string& path, Failure* failure) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA table_info(kovrel)", -1, &statement, nullptr);
    std::size_t column = 0;
    bool matches = rc == SQLITE_OK;
    while (matches && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto& expected = ledgerColumns();
        matches = column < expected.size() &&
                  equalNoCase(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                              expected[column].name) &&
                  equalNoCase(reinterpret_cast<const char*>(sqlite3_column_text(statement, 2)),
                              expected[column].declaredType);
        ++column;
    }
    sqlite3_finalize(statement);
    const int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        *failure =
            fileFailure(code::FileBusy, path, "the table file is busy: another program holds it locked");
        return false;
    }
    if (primary == SQLITE_NOTADB) {
        *failure = fileFailure(code::NotALedger, path,
                               "the file is not a table of this program (not an SQLite database)");
        return false;
    }
    if (primary == SQLITE_CORRUPT) {
        *failure =
            fileFailure(code::FileDamaged, path, "the table file is damaged: its tables cannot be read");
        return false;
    }
    if (primary != SQLITE_DONE && primary != SQLITE_ROW && primary != SQLITE_OK) {
        *failure = fileFailure(code::FileOpenFailed, path,
                               std::string("the table file cannot be read: ") + sqlite3_errmsg(db));
        return false;
    }
    if (column == 0) {
        *failure = fileFailure(code::NotALedger, path, "the file is not a ledger: it has no table kovrel");
        return false;
    }
    if (!matches || column != ledgerColumns().size()) {
        *failure = fileFailure(code::NotALedger, path,
                               "the file is not a ledger: the table kovrel has other columns");
        return false;
    }
    if (const std::optional<std::string> other = notARowTable(db)) {
        *failure = fileFailure(code::NotALedger, path, "the file is not a ledger: " + *other);
        return false;
    }
    return true;
}

}  // namespace engine
