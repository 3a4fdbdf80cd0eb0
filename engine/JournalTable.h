// The change journal's table inside a ledger file, as the file driver keeps it: its fields, its
// definition, the holiday calendar journalled beside kovrel, and the entry functions and triggers a
// journalled connection writes through.
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

// Whether `db` holds the journal table, and in *current whether it has all of journalColumns() (one
// written before Tabela has all but that); fills *failure (NotALedger) when it holds one of another shape.
bool hasJournal(sqlite3* db, const std::string& path, bool* present, Failure* failure,
                bool* current = nullptr);

// CREATE TABLE IF NOT EXISTS for the holiday calendar praznici (Datum 'YYYY-MM-DD' and its Naziv) and its
// unique index on Datum.
std::string createHolidaysSql();
// Why the days `add` cannot go into a holiday calendar (a day that is no 'YYYY-MM-DD' date, a day twice,
// a name empty or longer than HolidayNameSize), or empty when they can.
std::string holidayRefusal(const std::vector<Holiday>& add);
// Whether `db` holds the holiday calendar; fills *failure (NotALedger) when it holds one of another shape.
bool hasHolidays(sqlite3* db, const std::string& path, bool* present, Failure* failure);

// Makes the changes made through `db` to kovrel and praznici write their entries: adds the journal (or
// its column Tabela) and the holiday calendar to the file when it lacks them, and gives the connection the
// entry functions and its own temporary triggers, which other programs on the file never see. Answers false
// with *failure filled when it cannot.
bool startJournal(Connection& connection, Failure* failure);

}  // namespace engine
