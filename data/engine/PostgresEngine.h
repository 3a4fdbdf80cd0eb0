// The table engine's server driver: the operation table over a ledger on a PostgreSQL server.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/engine/Cursors.h"
#include "data/engine/Engine.h"
#include "data/engine/Postgres.h"
#include "data/engine/SqlText.h"

namespace engine {

// The driver for server ledgers. Its databases are opened with openServerDatabase only, each on a
// connection of its own; tables and statements name the server's table kovrel (as "kovrel" or the file's
// name "Kovrel.DB"). SQL texts run through the program's dialect translated into PostgreSQL's, and give
// the rows, field types and liveness they give on a file. Every handle it gives carries HandleBit, so
// the process's engine can tell its handles from the file driver's. Single-threaded, like its callers.
class PostgresEngine : public TableEngine {
  public:
    static constexpr std::uint32_t HandleBit = 0x40000000;

    PostgresEngine() = default;
    ~PostgresEngine() override;

    Result initialise(const StartupRecord& startup) override;
    Result currentSession(SessionHandle* session) override;
    Result shutdown() override;

    Result openDatabase(const std::string& name, DatabaseHandle* db) override;
    Result openServerDatabase(const std::string& connection, const std::string& user,
                              const std::string& password, DatabaseHandle* db) override;
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
        std::shared_ptr<ServerConnection> connection;
    };
    // A text of the program's dialect as parsed once: its statement, server text and result fields.
    struct ParsedSql {
        SqlStatement statement;
        std::string serverText;
        std::vector<FieldSpec> fields;
    };
    struct Statement {
        DatabaseHandle database = NoHandle;
        bool liveWanted = false;
        bool prepared = false;
        std::shared_ptr<const ParsedSql> sql;
    };

    Result begin();
    Result fail(Result result, const std::string& text);
    Result fail(const Failure& failure) { return fail(failure.code, failure.text); }
    Result answer(Result result, const Failure& failure, const char* what);

    Database* database(DatabaseHandle handle);
    Statement* statement(StatementHandle handle);
    Cursor* cursor(CursorHandle handle);
    std::shared_ptr<const ParsedSql> parsed(const std::string& sql, std::string* error);
    Result executeSelect(Statement& stmt, ServerConnection& connection, CursorHandle* cursor);
    std::uint32_t newHandle() { return HandleBit | nextHandle_++; }

    bool initialised_ = false;
    std::uint32_t nextHandle_ = 1;
    std::map<DatabaseHandle, Database> databases_;
    std::map<StatementHandle, Statement> statements_;
    std::map<CursorHandle, std::unique_ptr<Cursor>> cursors_;
    std::map<std::string, std::shared_ptr<const ParsedSql>> parsed_;
    std::vector<ErrorEntry> errors_;
};

// Whether `name` names the ledger table as statements and tables may write it: "kovrel", with or
// without the file's extension, in any letter case.
bool namesLedgerTable(const std::string& name);

}  // namespace engine
