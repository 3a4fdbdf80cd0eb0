// The process's table engine: the file driver and the server driver behind one operation table.
#pragma once

#include "engine/DriverCore.h"
#include "engine/PostgresEngine.h"
#include "engine/SqliteEngine.h"

namespace engine {

// Chooses the driver of each call: openDatabase opens a file database, openServerDatabase a server one,
// and every later call goes to the driver whose handle it names (the server driver's carry
// PostgresEngine::HandleBit). The calls on cursors run here on the cursor the driver holds. Error entries
// are those of the driver that served the last call, and the texts of the codes are in the words of the
// driver whose database, statement or cursor it named: a file's, or a server's.
class Drivers : public DriverCore {
  public:
    SqliteEngine& files() { return files_; }
    PostgresEngine& server() { return server_; }

    Result initialise(const StartupRecord& startup) override;
    Result shutdown() override;

    Result openDatabase(const std::string& name, DatabaseHandle* db) override;
    Result openServerDatabase(const std::string& connection, const std::string& user,
                              const std::string& password, DatabaseHandle* db) override;
    Result closeDatabase(DatabaseHandle db) override;
    Result setDirectory(DatabaseHandle db, const std::string& path) override;
    Result databaseType(DatabaseHandle db, std::string* type) override;
    Result openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode share,
                     CursorHandle* cursor) override;
    Result readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                        std::vector<Holiday>* days) override;
    Result changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                          const std::vector<std::string>& remove, bool keepExisting) override;

    Result allocateStatement(DatabaseHandle db, StatementHandle* stmt) override;
    Result freeStatement(StatementHandle stmt) override;
    Result setStatementProperty(StatementHandle stmt, StatementProperty property, int value) override;
    Result prepare(StatementHandle stmt, const std::string& sql) override;
    Result execute(StatementHandle stmt, CursorHandle* cursor) override;

    Result errorText(Result result, std::string* text) override;
    Result errorEntry(std::uint16_t index, ErrorEntry* entry) override;

    Cursor* cursorOf(CursorHandle handle) override { return (words_ = &driverOf(handle))->cursorOf(handle); }
    bool dropCursor(CursorHandle handle) override { return (words_ = &driverOf(handle))->dropCursor(handle); }

  private:
    Result begin() override;
    DriverCore& driverOf(std::uint32_t handle);
    // The driver of `handle`, which then answers the error entries.
    DriverCore& by(std::uint32_t handle) { return *(words_ = last_ = &driverOf(handle)); }

    SqliteEngine files_;
    PostgresEngine server_;
    DriverCore* last_ = this;
    DriverCore* words_ = &files_;
};

}  // namespace engine
