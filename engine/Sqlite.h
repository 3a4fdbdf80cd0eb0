// Thin owners of SQLite connections and statements, and the classification of a file as a ledger.
#pragma once

#include <sqlite3.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "engine/Engine.h"

namespace engine {

// A failed engine step: the code the caller answers and the text of its error entry.
struct Failure {
    Result code = code::Ok;
    std::string text;
};

// Resets a statement (and clears its bindings) when the scope ends, so no statement stays pending
// on a shared connection and no read lock outlives the call that took it.
class StatementUse {
  public:
    explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementUse() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;
    sqlite3_stmt* get() const { return statement_; }

  private:
    sqlite3_stmt* statement_;
};

// One open ledger file: an SQLite connection with case-sensitive LIKE, a busy timeout, and a cache of
// prepared statements keyed by their text. All statements are reset after each use. A connection that may
// write holds a shared lock (flock) on the file's directory for as long as it is open: the mark by which a
// restore knows that a program has the ledger open for writing. The hold is on the directory, not the
// file, because closing any descriptor of the file would drop every POSIX lock this process holds on it,
// SQLite's own among them (those of a copy being made in another thread, say). With its journal kept,
// the first write adds the change journal to the file and every write puts its entry there in the same
// statement.
class Connection {
  public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing ledger file; never creates one. readOnly opens it for reading only.
    static std::unique_ptr<Connection> open(const std::string& path, bool readOnly, int busyTimeoutMs,
                                            Failure* failure);

    sqlite3* handle() const { return db_; }
    const std::string& path() const { return path_; }
    bool readOnly() const { return readOnly_; }
    void setBusyTimeout(int ms) { sqlite3_busy_timeout(db_, ms); }

    // A cached prepared statement for `sql`, or nullptr with *failure filled. The pointer stays valid
    // until the next call of statement(), which may empty the cache.
    sqlite3_stmt* statement(const std::string& sql, Failure* failure);
    // Whether an index of the ledger table, over all its rows, begins with `column` in its own order.
    bool indexLeadsWith(const std::string& column);
    // Runs one write statement whose parameters are bound; it is its own committed transaction.
    bool runWrite(sqlite3_stmt* statement, Failure* failure);
    // Whether this connection's writes are journalled (the engine's connections are; bulk loads are not).
    void setJournalled(bool journalled) { journalled_ = journalled; }
    // Makes the change journal ready to be read: present in the file, added to it when this connection
    // keeps the journal. Fills *failure when the file has none and cannot get one.
    bool journalReadable(Failure* failure);
    // Removes the days `remove` and adds `add` to the holiday calendar in one committed transaction, the
    // calendar added first when the file lacks it (see TableEngine::changeHolidays).
    bool writeHolidays(const std::vector<Holiday>& add, const std::vector<std::string>& remove,
                       bool keepExisting, Failure* failure);
    // Maps an SQLite result of this connection to a failure naming the file.
    Failure failure(int rc, const std::string& what) const;

    // Counts the committed writes of this connection and of those that share its count, so a cursor
    // knows when rows it holds were changed through another cursor of this program.
    std::uint64_t writeCount() const { return *writes_; }
    // Whether `other` has the same file open (under any path).
    bool opensSameFile(const Connection& other) const {
        return device_ == other.device_ && inode_ == other.inode_;
    }
    // Counts this connection's writes together with `other`'s from now on.
    void shareWriteCount(const Connection& other) { writes_ = other.writes_; }
    // Changes whenever anyone commits to the file, this program or another.
    std::uint64_t changeStamp();

    // Whether the file now at path() is still the one this connection opened and, when `forWriting`,
    // may still be written. `status` is the file's status when the caller has just looked it up.
    bool stillUsable(bool forWriting, const struct stat* status = nullptr) const;

  private:
    // The file's change counter when it is in rollback-journal mode, read from its header.
    std::optional<std::uint32_t> rollbackChangeCounter() const;

    Connection(sqlite3* db, std::string path, bool readOnly)
        : db_(db), path_(std::move(path)), readOnly_(readOnly) {}
    // Takes the shared hold on the file, waiting up to `busyTimeoutMs` while a restore holds it alone.
    bool takeHold(int busyTimeoutMs, Failure* failure);
    bool startJournalOnce(Failure* failure);
    // Makes the writes of this connection refuse an infinite number in a number column.
    bool guardFiniteOnce(Failure* failure);

    sqlite3* db_;
    int holdFd_ = -1;
    bool journalled_ = false;
    bool journalStarted_ = false;
    bool finiteGuarded_ = false;
    std::string path_;
    bool readOnly_;
    std::uint64_t device_ = 0, inode_ = 0;
    std::uint32_t mode_ = 0, owner_ = 0, group_ = 0;  // of the file when it was opened
    std::shared_ptr<std::uint64_t> writes_ = std::make_shared<std::uint64_t>(0);
    std::map<std::string, sqlite3_stmt*> statements_;
    std::map<std::string, bool> leadingColumns_;  // answers of indexLeadsWith
    std::uint64_t leadingColumnsStamp_ = 0;       // the change stamp they hold for
};

// A descriptor of the directory of the file at `path`, on which the hold above is taken; -1 when it
// cannot be opened.
int openHoldDirectory(const std::string& path);

// Makes the empty file `path`, which must not exist yet, with exactly the permission bits `mode` whatever
// the umask, for SQLite to open as a new database (SQLite would make it as readable as the umask lets
// it, and gives a file's journals the file's own permissions). Answers the system's error number when
// it cannot, 0 when made.
int createFileWithMode(const std::string& path, mode_t mode);

// Owners of a connection and a statement made outside Connection.
struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, SqliteCloser>;
using OwnedStatement = std::unique_ptr<sqlite3_stmt, SqliteCloser>;

// Checks that `db` holds the ledger table with its columns; fills *failure (NotALedger) when not.
bool hasLedgerShape(sqlite3* db, const std::string& path, Failure* failure);

}  // namespace engine
