// The change journal: the table dnevnik that a ledger file keeps beside kovrel and the holiday calendar
// praznici, with one entry for every row the engine inserts, changes or deletes in either, written by the
// same statement as the change.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/LedgerFile.h"

namespace engine {

constexpr const char* JournalTableName = "dnevnik";
constexpr std::size_t JournalColumnCount = 9;
constexpr const char* HolidayTableName = "praznici";

// Operacija of an entry.
constexpr const char* JournalInsert = "unos";
constexpr const char* JournalEdit = "izmena";
constexpr const char* JournalDelete = "brisanje";

// The journal's columns in their stored order: Vreme (UTC, ISO 8601 with milliseconds), Korisnik and
// Racunar (the system user and host), Operacija, Kljuc (the row's rowid in kovrel), PrezimeIme (the
// row's name after the change, before it for a delete), Staro and Novo (a JSON object of the old and
// the new values of the columns that changed; an empty value is null; Staro is empty for an insert,
// Novo for a delete), Tabela (the table changed: kovrel, or praznici, whose entries have no Kljuc and no
// PrezimeIme and hold the day's Datum and Naziv). A journal written before Tabela existed has the first
// eight columns alone; it reads as it is and gets Tabela, its entries 'kovrel', when it is next written.
const std::array<LedgerColumn, JournalColumnCount>& journalColumns();

// The journal takes its time from this clock; an empty function restores the system clock.
using JournalClock = std::function<std::chrono::system_clock::time_point()>;
void setJournalClock(JournalClock clock);
// An entry's time from the journal clock: 'YYYY-MM-DDTHH:MM:SS.mmmZ'.
std::string journalTime();
// The system user and host an entry names.
const std::string& journalUser();
const std::string& journalHost();

// Runs `sql`, a read of the journal of the ledger file at `path`, straight on SQLite, so that every entry
// comes whole however long its texts: `row` hears the result's column names first, then each row's
// values as texts (an empty value as empty text). Fails when the file has no journal yet.
Result readJournalRows(const std::string& path, const std::string& sql,
                       const std::function<void(const std::vector<std::string>&)>& row, std::string* error);

}  // namespace engine
