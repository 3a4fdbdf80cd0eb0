// The table engine over SQLite: handles, ledger files, SQL statements, cursors and error entries.
#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Cursors.h"
#include "engine/DriverCore.h"
#include "engine/SqlText.h"
#include "engine/Sqlite.h"

namespace engine {

// What the file driver keeps of an open database.
struct FileDatabase {
    std::string directory;  // empty: the process's working directory
};
// A text of the program's dialect as parsed once: its statement, SQLite text and result fields, and for a
// select of one column's distinct values the text that seeks them through an index.
struct FileSql {
    SqlStatement statement;
    std::string sqliteText;
    std::string seekingText;
    std::vector<FieldSpec> fields;
    std::shared_ptr<const TablePageSql> pages;  // of a select of all columns of one table
};
struct FileStatement {
    DatabaseHandle database = NoHandle;
    bool liveWanted = false;
    bool prepared = false;
    std::shared_ptr<const FileSql> sql;
    std::shared_ptr<Connection> connection;
    const std::string* sqliteText = nullptr;  // of `sql`, the one run on `connection`
};

// The engine the program runs on. Tables are ledger files found by name in a database's directory;
// connections to a file are shared by its cursors and statements and kept until the last database
// closes. Single-threaded, like its callers.
class SqliteEngine : public Driver<FileDatabase, FileStatement> {
  public:
    SqliteEngine() : Driver("STANDARD") {}
    ~SqliteEngine() override;

    // Whether every insert, change and delete writes its entry into the ledger's change journal, in the
    // same transaction (on unless a measurement turns it off).
    void setJournalled(bool journalled);

    // How long a write waits for another program's lock before it fails with FileBusy.
    void setBusyTimeout(int milliseconds);
    static constexpr int DefaultBusyTimeoutMs = 3000;

    Result shutdown() override;

    Result openDatabase(const std::string& name, DatabaseHandle* db) override;
    Result closeDatabase(DatabaseHandle db) override;
    Result setDirectory(DatabaseHandle db, const std::string& path) override;
    Result openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode share,
                     CursorHandle* cursor) override;
    Result readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                        std::vector<Holiday>* days) override;
    Result changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                          const std::vector<std::string>& remove, bool keepExisting) override;

    Result prepare(StatementHandle stmt, const std::string& sql) override;
    Result execute(StatementHandle stmt, CursorHandle* cursor) override;

  private:
    // A table's file as found for the call in progress: its path and, when it was looked at, its status.
    struct TableFile {
        std::string path;
        std::optional<struct stat> status;
    };

    TableFile tableFile(const FileDatabase& db, const std::string& name);
    // The parse of `sql`, kept for the next statement with the same text; nullptr with *error when
    // the text is refused.
    std::shared_ptr<const FileSql> parsed(const std::string& sql, std::string* error);
    std::shared_ptr<Connection> connect(const TableFile& file, bool readOnly, Failure* failure);
    Result executeSelect(FileStatement& stmt, CursorHandle* cursor);

    bool journalled_ = true;
    int busyTimeoutMs_ = DefaultBusyTimeoutMs;
    std::map<std::string, std::shared_ptr<Connection>> connections_;
    std::map<std::string, std::shared_ptr<const FileSql>> parsed_;
    std::map<std::string, std::string> located_;  // a table file's path as written -> as found
};

}  // namespace engine
