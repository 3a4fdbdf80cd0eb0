// The table engine over SQLite: handles, ledger files, SQL statements, cursors and error entries.
#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/engine/Cursors.h"
#include "data/engine/Engine.h"
#include "data/engine/SqlText.h"
#include "data/engine/Sqlite.h"

namespace engine {

// The engine the program runs on. Tables are ledger files found by name in a database's directory;
// connections to a file are shared by its cursors and statements and kept until the last database
// closes. A call that fails leaves its error entries until the next call other than errorText and
// errorEntry. Single-threaded, like its callers.
class SqliteEngine : public TableEngine {
  public:
    SqliteEngine() = default;
    ~SqliteEngine() override;

    // Whether every insert, change and delete writes its entry into the ledger's change journal, in the
    // same transaction (on unless a measurement turns it off).
    void setJournalled(bool journalled);

    // How long a write waits for another program's lock before it fails with FileBusy.
    void setBusyTimeout(int milliseconds);
    static constexpr int DefaultBusyTimeoutMs = 3000;

    Result initialise(const StartupRecord& startup) override;
    Result currentSession(SessionHandle* session) override;
    Result shutdown() override;

    Result openDatabase(const std::string& name, DatabaseHandle* db) override;
    Result closeDatabase(DatabaseHandle db) override;
    Result setDirectory(DatabaseHandle db, const std::string& path) override;
    Result databaseType(DatabaseHandle db, std::string* type) override;

    Result openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode share,
                     CursorHandle* cursor) override;
    Result addPassword(const std::string& password) override;
    Result removePassword(const std::string& password) override;
    Result removeAllPasswords() override;

    Result allocateStatement(DatabaseHandle db, StatementHandle* stmt) override;
    Result freeStatement(StatementHandle stmt) override;
    Result setStatementProperty(StatementHandle stmt, StatementProperty property, int value) override;
    Result prepare(StatementHandle stmt, const std::string& sql) override;
    Result execute(StatementHandle stmt, CursorHandle* cursor) override;

    Result cursorProperties(CursorHandle cursor, CursorProps* props) override;
    Result fieldDescriptors(CursorHandle cursor, std::vector<FieldDesc>* fields) override;
    Result validityCheck(CursorHandle cursor, std::uint16_t index, ValidityCheck* check) override;

    Result setToBegin(CursorHandle cursor) override;
    Result setToEnd(CursorHandle cursor) override;
    Result getRecord(CursorHandle cursor, GetMode mode, std::uint8_t* record) override;
    Result getBookmark(CursorHandle cursor, std::uint8_t* bookmark) override;
    Result setToBookmark(CursorHandle cursor, const std::uint8_t* bookmark) override;

    Result initRecord(CursorHandle cursor, std::uint8_t* record) override;
    Result getField(CursorHandle cursor, std::uint16_t fieldNumber, const std::uint8_t* record, void* value,
                    bool* isBlank) override;
    Result putField(CursorHandle cursor, std::uint16_t fieldNumber, std::uint8_t* record,
                    const void* value) override;

    Result lockRecord(CursorHandle cursor) override;
    Result releaseLock(CursorHandle cursor) override;
    Result modifyRecord(CursorHandle cursor, const std::uint8_t* record) override;
    Result insertRecord(CursorHandle cursor, const std::uint8_t* record) override;
    Result deleteRecord(CursorHandle cursor, const std::uint8_t* record) override;
    Result closeCursor(CursorHandle cursor) override;

    Result errorText(Result result, std::string* text) override;
    Result errorEntry(std::uint16_t index, ErrorEntry* entry) override;

    Result toNative(const std::string& charset, const std::string& text, std::string* out) override;
    Result toAnsi(const std::string& charset, const std::string& text, std::string* out) override;

  private:
    struct Database {
        std::string directory;  // empty: the process's working directory
    };
    // A text of the program's dialect as parsed once: its statement, SQLite text and result fields, and
    // for a select of one column's distinct values the text that seeks them through an index.
    struct ParsedSql {
        SqlStatement statement;
        std::string sqliteText;
        std::string seekingText;
        std::vector<FieldSpec> fields;
    };
    struct Statement {
        DatabaseHandle database = NoHandle;
        bool liveWanted = false;
        bool prepared = false;
        std::shared_ptr<const ParsedSql> sql;
        std::shared_ptr<Connection> connection;
        const std::string* sqliteText = nullptr;  // of `sql`, the one run on `connection`
    };

    // Starts a call: clears the previous call's error entries and checks that the engine runs.
    Result begin();
    Result fail(Result result, const std::string& text);
    Result fail(const Failure& failure) { return fail(failure.code, failure.text); }
    // Records an entry for a failing cursor answer; end-of-data answers are not errors.
    Result answer(Result result, const Failure& failure, const char* what);

    // A table's file as found for the call in progress: its path and, when it was looked at, its status.
    struct TableFile {
        std::string path;
        std::optional<struct stat> status;
    };

    Database* database(DatabaseHandle handle);
    Statement* statement(StatementHandle handle);
    Cursor* cursor(CursorHandle handle);
    TableFile tableFile(const Database& db, const std::string& name);
    // Begins a call on the cursor `handle` and answers what `work` answers for it; an unknown handle
    // answers InvalidHandle.
    template <typename Work>
    Result onCursor(CursorHandle handle, Work&& work) {
        if (const Result result = begin()) return result;
        Cursor* found = cursor(handle);
        if (!found) return fail(code::InvalidHandle, "Unknown cursor handle.");
        return work(*found);
    }
    // The parse of `sql`, kept for the next statement with the same text; nullptr with *error when
    // the text is refused.
    std::shared_ptr<const ParsedSql> parsed(const std::string& sql, std::string* error);
    std::shared_ptr<Connection> connect(const TableFile& file, bool readOnly, Failure* failure);
    Result executeSelect(Statement& stmt, CursorHandle* cursor);
    std::uint32_t newHandle() { return nextHandle_++; }

    bool initialised_ = false;
    bool journalled_ = true;
    int busyTimeoutMs_ = DefaultBusyTimeoutMs;
    std::uint32_t nextHandle_ = 1;
    std::map<DatabaseHandle, Database> databases_;
    std::map<StatementHandle, Statement> statements_;
    std::map<CursorHandle, std::unique_ptr<Cursor>> cursors_;
    std::pair<CursorHandle, Cursor*> lastCursor_{NoHandle, nullptr};  // the cursor looked up last
    std::map<std::string, std::shared_ptr<Connection>> connections_;
    std::map<std::string, std::shared_ptr<const ParsedSql>> parsed_;
    std::map<std::string, std::string> located_;  // a table file's path as written -> as found
    std::vector<ErrorEntry> errors_;
};

}  // namespace engine
