// The change journal: the table dnevnik that a ledger file keeps beside kovrel, with one entry for every
// row the engine inserts, changes or deletes, written by the same statement as the change.
#pragma once

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/LedgerFile.h"
#include "engine/Records.h"

namespace engine {

struct Failure;
class Connection;

constexpr const char* JournalTableName = "dnevnik";
constexpr std::size_t JournalColumnCount = 8;

// Operacija of an entry.
constexpr const char* JournalInsert = "unos";
constexpr const char* JournalEdit = "izmena";
constexpr const char* JournalDelete = "brisanje";

// The journal's columns in their stored order: Vreme (UTC, ISO 8601 with milliseconds), Korisnik and
// Racunar (the system user and host), Operacija, Kljuc (the row's rowid in kovrel), PrezimeIme (the
// row's name after the change, before it for a delete), Staro and Novo (a JSON object of the old and
// the new values of the columns that changed; an empty value is null; Staro is empty for an insert,
// Novo for a delete).
const std::array<LedgerColumn, JournalColumnCount>& journalColumns();
std::vector<FieldSpec> journalFieldSpecs();

// CREATE TABLE IF NOT EXISTS for the journal.
std::string createJournalSql();

// Whether `db` holds the journal table; fills *failure (NotALedger) when it holds one of another shape.
bool hasJournal(sqlite3* db, const std::string& path, bool* present, Failure* failure);

// The journal takes its time from this clock; an empty function restores the system clock.
using JournalClock = std::function<std::chrono::system_clock::time_point()>;
void setJournalClock(JournalClock clock);
// An entry's time from the journal clock: 'YYYY-MM-DDTHH:MM:SS.mmmZ'.
std::string journalTime();
// The system user and host an entry names.
const std::string& journalUser();
const std::string& journalHost();

// Makes the changes made through `db` to kovrel write their entries: adds the journal table to the file
// when it lacks it, and gives the connection the entry functions and its own temporary triggers, which
// other programs on the file never see. Answers false with *failure filled when it cannot.
bool startJournal(Connection& connection, Failure* failure);

}  // namespace engine
