// The change journal's table inside a ledger file, as the file driver keeps it: its fields, its
// definition, and the entry functions and triggers a journalled connection writes through.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "engine/Journal.h"
#include "engine/Records.h"

namespace engine {

struct Failure;
class Connection;

std::vector<FieldSpec> journalFieldSpecs();

// CREATE TABLE IF NOT EXISTS for the journal.
std::string createJournalSql();

// Whether `db` holds the journal table; fills *failure (NotALedger) when it holds one of another shape.
bool hasJournal(sqlite3* db, const std::string& path, bool* present, Failure* failure);

// Makes the changes made through `db` to kovrel write their entries: adds the journal table to the file
// when it lacks it, and gives the connection the entry functions and its own temporary triggers, which
// other programs on the file never see. Answers false with *failure filled when it cannot.
bool startJournal(Connection& connection, Failure* failure);

}  // namespace engine
