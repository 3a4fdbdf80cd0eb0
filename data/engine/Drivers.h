// The process's table engine: the file driver and the server driver behind one operation table.
#pragma once

#include "data/engine/Engine.h"
#include "data/engine/PostgresEngine.h"
#include "data/engine/SqliteEngine.h"

namespace engine {

// Chooses the driver of each call: openDatabase opens a file database, openServerDatabase a server one,
// and every later call goes to the driver whose handle it names (the server driver's carry
// PostgresEngine::HandleBit). Error entries are those of the driver that served the last call.
class Drivers : public TableEngine {
  public:
    SqliteEngine& files() { return files_; }
    PostgresEngine& server() { return server_; }

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
    // The driver of `handle`, which then answers the error entries.
    TableEngine& by(std::uint32_t handle);

    SqliteEngine files_;
    PostgresEngine server_;
    TableEngine* last_ = &files_;
};

}  // namespace engine
