// A ledger on a PostgreSQL server, as the program and kovrel-db reach it: the connection file that points
// at it, and creating, checking, loading, reading and emptying the server's table kovrel.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/Engine.h"
#include "engine/LedgerFile.h"

namespace engine {

// The file in a working directory that holds the connection string of a server ledger.
constexpr const char* ServerConnectionFileName = "Kovrel.server";

// The connection string of the server ledger that `directory` (empty: the working directory) stands for:
// the lines of its Kovrel.server, blank lines and lines beginning with '#' left out, when it holds no
// Kovrel.DB (either name in any letter case). Nothing when it holds a Kovrel.DB or no Kovrel.server.
std::optional<std::string> serverConnectionIn(const std::string& directory);
// The user name a connection string gives, or empty.
std::string connectionUser(const std::string& connection);
// The database name a connection string gives, or empty.
std::string connectionDatabase(const std::string& connection);

// Creates the empty ledger table in the connection's database; refuses (FileOpenFailed) when a table
// kovrel exists there. The password comes from libpq's own sources (PGPASSWORD, the password file).
Result createServerLedger(const std::string& connection, std::string* error = nullptr);
// Checks the server's ledger; *report receives the verdict as checkLedgerFile gives it.
Result checkServerLedger(const std::string& connection, std::string* report);
// Appends rows to the server's ledger in one transaction, as loadLedgerRows does to a file.
Result loadServerLedgerRows(const std::string& connection, const std::function<bool(LedgerValues&)>& next,
                            std::uint64_t* loaded = nullptr, std::string* error = nullptr);
// Removes every row of the server's ledger in one statement.
Result removeServerLedgerRows(const std::string& connection, std::string* error = nullptr);
// Hands every row of the server's ledger to `row`, in stored order, dates as 'YYYY-MM-DD'.
Result readServerLedgerRows(const std::string& connection,
                            const std::function<void(const LedgerValues&)>& row,
                            std::string* error = nullptr);

}  // namespace engine
