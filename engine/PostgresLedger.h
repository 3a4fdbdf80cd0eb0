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

// Adds to the connection's ledger what the program keeps beside its table and the ledger lacks: the
// file's indexes, the change journal dnevnik (with a key id after the file's columns), and the trigger
// that writes a journalled connection's entries and notices every committed change on the channel
// *channel names. Another program's ledger
// whose owner alone may add them is used without them (*channel empty); any other failure fills *failure.
bool completeServerLedger(ServerConnection& connection, std::string* channel, Failure* failure);

}  // namespace engine
