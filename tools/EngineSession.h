// The utility's hold on the table engine: one started engine and one database whose directory is DIR.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/Engine.h"

namespace kovreldb {

// A command that failed; the message is what the person is told, for an engine call its error entries.
class CommandFailure : public std::runtime_error {
  public:
    explicit CommandFailure(const std::string& message) : std::runtime_error(message) {}
};

// Throws CommandFailure carrying the entries of the last failing call when `result` is not Ok.
void check(engine::TableEngine& eng, engine::Result result);

// A value as one field of a tab-separated line of the utility's output: a tab, a line break, a carriage
// return or a backslash in it is written \t, \n, \r or \\, so every line is one row.
std::string tsvField(std::string_view text);

// Starts the engine and opens the standard database over `directory`, or the server ledger it names (see
// serverLedger); shuts the engine down at the end.
class EngineSession {
  public:
    explicit EngineSession(const std::string& directory);
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    engine::TableEngine& eng() { return eng_; }
    engine::DatabaseHandle database() const { return db_; }

  private:
    engine::TableEngine& eng_;
    engine::DatabaseHandle db_ = engine::NoHandle;
};

}  // namespace kovreldb
