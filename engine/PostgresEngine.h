// The table engine's server driver: the operation table over a ledger on a PostgreSQL server.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/DriverCore.h"
#include "engine/Postgres.h"
#include "engine/SqlText.h"

namespace engine {

// What the server driver keeps of an open database.
struct ServerDatabase {
    std::shared_ptr<ServerConnection> connection;
    bool writable = false;  // the role that logged in may change the ledger's rows
};
// A text of the program's dialect as parsed once: its statement, server text and result fields.
struct ServerSql {
    SqlStatement statement;
    std::string serverText;
    std::vector<FieldSpec> fields;
};
struct ServerStatement {
    DatabaseHandle database = NoHandle;
    bool liveWanted = false;
    bool prepared = false;
    std::shared_ptr<const ServerSql> sql;
};

// The driver for server ledgers. Its databases are opened with openServerDatabase only, each on a
// connection of its own; tables and statements name the server's table kovrel (as "kovrel" or the file's
// name "Kovrel.DB"). SQL texts run through the program's dialect translated into PostgreSQL's, and give
// the rows, field types and liveness they give on a file. Every handle it gives carries HandleBit, so
// the process's engine can tell its handles from the file driver's. Single-threaded, like its callers.
class PostgresEngine : public Driver<ServerDatabase, ServerStatement> {
  public:
    static constexpr std::uint32_t HandleBit = 0x40000000;

    PostgresEngine() : Driver(ServerDatabaseType, HandleBit) {}
    ~PostgresEngine() override;

    Result openDatabase(const std::string& name, DatabaseHandle* db) override;
    Result openServerDatabase(const std::string& connection, const std::string& user,
                              const std::string& password, DatabaseHandle* db) override;
    Result setDirectory(DatabaseHandle db, const std::string& path) override;
    Result openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode share,
                     CursorHandle* cursor) override;
    Result readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                        std::vector<Holiday>* days) override;
    Result changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                          const std::vector<std::string>& remove, bool keepExisting) override;

    Result prepare(StatementHandle stmt, const std::string& sql) override;
    Result execute(StatementHandle stmt, CursorHandle* cursor) override;

    // The texts of the codes whose file driver's words speak of a file, in a server's words.
    Result errorText(Result result, std::string* text) override;

  private:
    std::shared_ptr<const ServerSql> parsed(const std::string& sql, std::string* error);
    Result executeSelect(ServerStatement& stmt, ServerConnection& connection, CursorHandle* cursor);

    std::map<std::string, std::shared_ptr<const ServerSql>> parsed_;
};

// Whether `name` names the ledger table as statements and tables may write it: "kovrel", with or
// without the file's extension, in any letter case.
bool namesLedgerTable(const std::string& name);

}  // namespace engine
