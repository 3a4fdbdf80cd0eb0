// Finding, in one pass over the table, the values of each column that do not fit its declared kind.
#include "tools/ValueCheck.h"

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

#include "engine/Dates.h"
#include "engine/LedgerFile.h"
#include "engine/Sqlite.h"
#include "tools/EngineSession.h"

namespace kovreldb {

namespace {

std::string columnsSql() {
    std::string sql = "select rowid";
    for (const auto& column : engine::ledgerColumns()) sql += std::string(", ") + column.name;
    return sql + " from kovrel order by rowid";
}

// Characters of a UTF-8 text: every byte but the continuation bytes.
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    return count;
}

// Whether the engine reads `value` back whole as a value of `column`'s field type.
bool readable(const engine::LedgerColumn& column, sqlite3_value* value) {
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL) return true;
    // SQLite keeps a number beyond the range of a double as infinite, which no field holds.
    if (column.type != engine::FieldType::String && column.type != engine::FieldType::Date)
        return type == SQLITE_INTEGER || (type == SQLITE_FLOAT && std::isfinite(sqlite3_value_double(value)));
    if (type != SQLITE_TEXT) return false;
    const std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                static_cast<std::size_t>(sqlite3_value_bytes(value)));
    // A text with a NUL in it reads only up to the NUL.
    if (text.find('\0') != std::string_view::npos) return false;
    if (column.type == engine::FieldType::Date)
        return text.size() == engine::DateTextLength && engine::dayNumberFromIso(text).has_value();
    return characters(text) <= column.size;
}

}  // namespace

std::vector<std::string> valueProblems(const std::string& path) {
    sqlite3* handle = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    const engine::Database db(handle);
    // As long as the engine's check waits for another program's write.
    sqlite3_busy_timeout(handle, 3000);
    sqlite3_stmt* prepared = nullptr;
    if (opened != SQLITE_OK ||
        sqlite3_prepare_v2(handle, columnsSql().c_str(), -1, &prepared, nullptr) != SQLITE_OK)
        throw CommandFailure(path + ": " + sqlite3_errmsg(handle));
    const engine::OwnedStatement statement(prepared);

    const auto& columns = engine::ledgerColumns();
    std::array<std::vector<sqlite3_int64>, engine::LedgerColumnCount> badRows;
    int rc;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!readable(columns[i], sqlite3_column_value(prepared, static_cast<int>(i + 1))))
                badRows[i].push_back(sqlite3_column_int64(prepared, 0));
        }
    }
    if (rc != SQLITE_DONE) throw CommandFailure(path + ": " + sqlite3_errmsg(handle));

    std::vector<std::string> problems;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::size_t count = badRows[i].size();
        if (count == 0) continue;
        std::string line = std::string(columns[i].name) + ": " + std::to_string(count) + " value" +
                           (count == 1 ? "" : "s") + " of the wrong kind, in row" + (count == 1 ? "" : "s");
        for (std::size_t n = 0; n < count; ++n) line += (n ? ", " : " ") + std::to_string(badRows[i][n]);
        problems.push_back(line);
    }
    return problems;
}

}  // namespace kovreldb
