// The ledger on a PostgreSQL server as the server driver keeps it: its table kovrel and what the
// program keeps beside it.
#pragma once

#include <string>

#include "engine/LedgerFile.h"
#include "engine/Postgres.h"
#include "engine/ServerLedger.h"

namespace engine {

// The ledger's columns as the server's statements name them ("kovrelid", ..., "do"), and their types.
std::string serverColumnName(std::size_t column);
std::string serverColumnList();
const char* serverColumnType(std::size_t column);
// A parameter `$number` cast to the type of `column`.
std::string serverParameter(std::size_t column, int number);
// The insert of a row of the ledger's columns from the parameters $1 to $12.
std::string serverInsertSql();
// A number as the server is sent it: the shortest text that reads back as `value`.
std::string serverNumberText(double value);

// Checks that the connection's database holds the ledger table with its key and columns.
bool hasServerLedgerShape(ServerConnection& connection, Failure* failure);

// What a session may do with the ledger once it is complete.
struct ServerLedgerAccess {
    std::string channel;    // where the trigger notices committed changes; empty when there is no trigger
    bool writable = false;  // the session's role may insert, change and delete rows of kovrel
};

// Adds to the connection's ledger what the program keeps beside its table and the ledger lacks, when the
// session's role has the rights of the table's owner: the file's indexes, the change journal dnevnik
// (with a key id after the file's columns), the trigger that journals every change of kovrel, whoever
// makes it, and notices every committed change on the channel access->channel names, and the rights of
// the database's clerks. A ledger whose owner alone may add them is used without them (channel empty);
// any other failure fills *failure.
bool completeServerLedger(ServerConnection& connection, ServerLedgerAccess* access, Failure* failure);

}  // namespace engine
