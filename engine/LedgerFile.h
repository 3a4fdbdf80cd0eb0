// The ledger file Kovrel.DB: its table and columns, and creating, checking, bulk-loading and reading it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/Engine.h"

namespace engine {

constexpr const char* LedgerFileName = "Kovrel.DB";
constexpr const char* LedgerTableName = "kovrel";
constexpr std::string_view LedgerFileExtension = ".DB";

struct LedgerColumn {
    const char* name;
    const char* declaredType;  // as written in the file's table definition
    FieldType type;
    std::uint16_t size;  // characters for String, 0 otherwise
};

constexpr std::size_t LedgerColumnCount = 12;

// The ledger table's columns in their stored order.
const std::array<LedgerColumn, LedgerColumnCount>& ledgerColumns();

// The most characters a text field holds.
constexpr long MaxTextSize = 8192;

// A field type and size from a declared column type (FLOAT, DATE, VARCHAR(30), INTEGER, ...); a text
// size is cut to MaxTextSize.
LedgerColumn fieldTypeOfDeclared(const std::string& declaredType);

// An index the ledger file carries beside its table, so that every statement of the program's
// catalogue walks only the entries it needs: a worker's rows in stored order, balances and reports
// read from the index alone, the highest worker number.
struct LedgerIndex {
    const char* name;
    const char* columns;  // as written in its definition
};

const std::array<LedgerIndex, 4>& ledgerIndexes();

// The version of the SQLite library that keeps ledger files, as "3.40.1".
std::string sqliteVersion();

// Creates a new empty ledger file at `path` with its table and indexes, readable and writable by its
// owner alone (0600) whatever the umask; refuses (FileOpenFailed) when anything exists there.
Result createLedgerFile(const std::string& path, std::string* error = nullptr);

// Called now and then during long work (index builds, checks), with the estimated share done (0 to 1).
using WorkProgress = std::function<void(double done)>;

// Adds the indexes of ledgerIndexes() that the ledger at `path` lacks, in one transaction; the table
// itself is left as it is. Answers Ok at once when none is missing, and TableReadOnly, leaving the file
// alone, when it can only be read; *added receives the number of indexes built.
Result addMissingIndexes(const std::string& path, const WorkProgress& progress, int* added = nullptr,
                         std::string* error = nullptr);

// Runs SQLite's integrity check and the shape check on `path`, after rolling back a write left
// unfinished when the file may be written. Answers Ok when the file is a sound ledger, FileDamaged when
// SQLite's check finds parts of it it cannot read, and FileBusy, with the verdict that it could not be
// judged, while another program holds it locked; *report receives the verdict in one or more lines either
// way. `progress`, when given, hears how far SQLite's check is.
Result checkLedgerFile(const std::string& path, std::string* report, const WorkProgress& progress = {});

// One value to load: empty, a number, or a text (dates as 'YYYY-MM-DD').
using LedgerValue = std::variant<std::monostate, double, std::string>;
using LedgerValues = std::array<LedgerValue, LedgerColumnCount>;

// Appends rows to an existing ledger in one transaction: `next` fills one row and answers true,
// or answers false when there are no more. Nothing is stored unless every row is; *loaded receives
// the number of rows stored.
Result loadLedgerRows(const std::string& path, const std::function<bool(LedgerValues&)>& next,
                      std::uint64_t* loaded = nullptr, std::string* error = nullptr);

// The stored values of a file that passed checkLedgerFile that the engine does not read back whole (dates
// that are not a day written 'YYYY-MM-DD', numbers not numeric, texts not text, longer than their size or
// holding a NUL): one line in *problems per column holding any, with the rows (rowids) that hold them;
// none when every value is sound.
Result storedValueProblems(const std::string& path, std::vector<std::string>* problems,
                           std::string* error = nullptr);

// Hands every row of the ledger file at `path` to `row` in stored order, as stored: a number stored as
// an integer reads as a double, any other value as its text.
Result readLedgerRows(const std::string& path, const std::function<void(const LedgerValues&)>& row,
                      std::string* error = nullptr);

// Removes every row of the ledger file at `path` in one statement, unjournalled; *error receives SQLite's
// message when it cannot.
Result removeLedgerRows(const std::string& path, std::string* error = nullptr);

}  // namespace engine
