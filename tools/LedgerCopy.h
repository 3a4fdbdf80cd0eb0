// Ledgers named on kovrel-db's command line, in a file or on a server, and copying one into another.
#pragma once

#include <optional>
#include <string>

namespace kovreldb {

// Where a ledger named on the command line lives: the connection string of a server ledger (an argument
// holding '=' or beginning with postgresql://, or a directory with a Kovrel.server and no Kovrel.DB), or
// nothing for the ledger file in the directory `name`.
std::optional<std::string> serverLedger(const std::string& name);

// Copies every row of the ledger `from` into the ledger `to`, in stored order and in one transaction:
// `to` is made when it does not exist and must be empty when it does. Then `to` is read back and compared
// with `from` value for value, and checked; a copy that is not exact or not sound is removed from `to`
// again. Answers the report; throws CommandFailure when a step fails or the copy is not exact, saying
// that nothing was copied.
std::string copyLedger(const std::string& from, const std::string& to);

}  // namespace kovreldb
