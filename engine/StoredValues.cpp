// A ledger file's stored values read straight from SQLite, bypassing the cursors: the check that each one
// is of its column's kind, and every row handed over whole for a copy.
#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/Dates.h"
#include "engine/LedgerFile.h"
#include "engine/Sqlite.h"

namespace engine {

namespace {

std::string columnsSql() {
    std::string sql = "select rowid";
    for (const auto& column : ledgerColumns()) sql += std::string(", ") + column.name;
    return sql + " from kovrel order by rowid";
}

// Characters of a UTF-8 text: every byte but the continuation bytes.
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    return count;
}

// Whether the engine reads `value` back whole as a value of `column`'s field type.
bool readable(const LedgerColumn& column, sqlite3_value* value) {
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL) return true;
    // SQLite keeps a number beyond the range of a double as infinite, which no field holds.
    if (column.type != FieldType::String && column.type != FieldType::Date)
        return type == SQLITE_INTEGER || (type == SQLITE_FLOAT && std::isfinite(sqlite3_value_double(value)));
    if (type != SQLITE_TEXT) return false;
    const std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                static_cast<std::size_t>(sqlite3_value_bytes(value)));
    // A text with a NUL in it reads only up to the NUL.
    if (text.find('\0') != std::string_view::npos) return false;
    if (column.type == FieldType::Date)
        return text.size() == DateTextLength && dayNumberFromIso(text).has_value();
    return characters(text) <= column.size;
}

std::string problemLine(const LedgerColumn& column, const std::vector<sqlite3_int64>& rows) {
    const std::size_t count = rows.size();
    std::string line = std::string(column.name) + ": " + std::to_string(count) + " value" +
                       (count == 1 ? "" : "s") + " of the wrong kind, in row" + (count == 1 ? "" : "s");
    for (std::size_t n = 0; n < count; ++n) line += (n ? ", " : " ") + std::to_string(rows[n]);
    return line;
}

// The file at `path` opened with `flags`, with the statement `sql` prepared on it; *error receives
// "PATH: WHAT: SQLite's message" when either fails.
struct RawRead {
    Database db;
    OwnedStatement statement;
};

bool openRaw(const std::string& path, int flags, const std::string& sql, const std::string& what,
             RawRead* read, std::string* error) {
    sqlite3* handle = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
    read->db.reset(handle);
    // As long as the engine's check waits for another program's write.
    sqlite3_busy_timeout(handle, 3000);
    sqlite3_stmt* prepared = nullptr;
    if (opened == SQLITE_OK && sqlite3_prepare_v2(handle, sql.c_str(), -1, &prepared, nullptr) == SQLITE_OK) {
        read->statement.reset(prepared);
        return true;
    }
    if (error) *error = path + what + sqlite3_errmsg(handle);
    return false;
}

}  // namespace

Result storedValueProblems(const std::string& path, std::vector<std::string>* problems, std::string* error) {
    problems->clear();
    RawRead read;
    if (!openRaw(path, SQLITE_OPEN_READONLY, columnsSql(), ": ", &read, error)) return code::FileOpenFailed;
    sqlite3_stmt* statement = read.statement.get();
    const auto& columns = ledgerColumns();
    std::array<std::vector<sqlite3_int64>, LedgerColumnCount> badRows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!readable(columns[i], sqlite3_column_value(statement, static_cast<int>(i + 1))))
                badRows[i].push_back(sqlite3_column_int64(statement, 0));
        }
    }
    if (rc != SQLITE_DONE) {
        if (error) *error = path + ": " + sqlite3_errmsg(read.db.get());
        return code::FileOpenFailed;
    }
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (!badRows[i].empty()) problems->push_back(problemLine(columns[i], badRows[i]));
    return code::Ok;
}

Result readLedgerRows(const std::string& path, const std::function<void(const LedgerValues&)>& row,
                      std::string* error) {
    std::string sql = "SELECT ";
    for (const auto& column : ledgerColumns()) sql += std::string(sql.size() > 7 ? ", " : "") + column.name;
    sql += " FROM kovrel ORDER BY rowid";
    const std::string what = ": the ledger cannot be read: ";
    RawRead read;
    if (!openRaw(path, SQLITE_OPEN_READONLY, sql, what, &read, error)) return code::FileOpenFailed;
    sqlite3_stmt* statement = read.statement.get();
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        LedgerValues values;
        for (int i = 0; i < static_cast<int>(LedgerColumnCount); ++i) {
            switch (sqlite3_column_type(statement, i)) {
                case SQLITE_NULL:
                    break;
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    values[i] = sqlite3_column_double(statement, i);
                    break;
                default:
                    values[i] = std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)),
                                            static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
            }
        }
        row(values);
    }
    if (rc != SQLITE_DONE) {
        if (error) *error = path + what + sqlite3_errmsg(read.db.get());
        return code::FileOpenFailed;
    }
    return code::Ok;
}

Result removeLedgerRows(const std::string& path, std::string* error) {
    sqlite3* handle = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    const Database db(handle);
    sqlite3_busy_timeout(handle, 3000);
    if (opened == SQLITE_OK &&
        sqlite3_exec(handle, "DELETE FROM kovrel", nullptr, nullptr, nullptr) == SQLITE_OK)
        return code::Ok;
    if (error) *error = sqlite3_errmsg(handle);
    return code::WriteFailed;
}

}  // namespace engine
