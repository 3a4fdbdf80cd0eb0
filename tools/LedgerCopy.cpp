// Copying a ledger between a file and a server, both ways, with a value-for-value comparison after it.
#include "tools/LedgerCopy.h"

#include <sqlite3.h>

#include <filesystem>
#include <vector>

#include "data/engine/LedgerFile.h"
#include "data/engine/Postgres.h"
#include "tools/EngineSession.h"

namespace kovreldb {
namespace {

std::string filePath(const std::string& directory) {
    return (std::filesystem::path(directory) / engine::LedgerFileName).string();
}

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Every row of a ledger file in stored order; a number stored as an integer reads as a double.
std::vector<engine::LedgerValues> fileRows(const std::string& path) {
    sqlite3* handle = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, Closer> db(handle);
    std::string sql = "SELECT ";
    for (const auto& column : engine::ledgerColumns())
        sql += std::string(sql.size() > 7 ? ", " : "") + column.name;
    sql += " FROM kovrel ORDER BY rowid";
    sqlite3_stmt* prepared = nullptr;
    if (opened != SQLITE_OK || sqlite3_prepare_v2(handle, sql.c_str(), -1, &prepared, nullptr) != SQLITE_OK)
        throw CommandFailure(path + ": the ledger cannot be read: " + sqlite3_errmsg(handle));
    std::unique_ptr<sqlite3_stmt, Closer> statement(prepared);
    std::vector<engine::LedgerValues> rows;
    int rc;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
        engine::LedgerValues values;
        for (int i = 0; i < static_cast<int>(engine::LedgerColumnCount); ++i) {
            switch (sqlite3_column_type(prepared, i)) {
                case SQLITE_NULL:
                    break;
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    values[i] = sqlite3_column_double(prepared, i);
                    break;
                default:
                    values[i] = std::string(reinterpret_cast<const char*>(sqlite3_column_text(prepared, i)),
                                            static_cast<std::size_t>(sqlite3_column_bytes(prepared, i)));
            }
        }
        rows.push_back(values);
    }
    if (rc != SQLITE_DONE)
        throw CommandFailure(path + ": the ledger cannot be read: " + sqlite3_errmsg(handle));
    return rows;
}

std::vector<engine::LedgerValues> rowsOf(const std::string& ledger) {
    if (const auto server = serverLedger(ledger)) {
        std::vector<engine::LedgerValues> rows;
        std::string error;
        if (engine::readServerLedgerRows(
                *server, [&](const engine::LedgerValues& v) { rows.push_back(v); }, &error) !=
            engine::code::Ok)
            throw CommandFailure(error);
        return rows;
    }
    return fileRows(filePath(ledger));
}

// Makes the ledger `to` unless it exists; an existing one must hold no rows.
void prepareTarget(const std::string& to) {
    const auto server = serverLedger(to);
    std::string error;
    if (!server && !std::filesystem::exists(filePath(to))) {
        if (engine::createLedgerFile(filePath(to), &error) != engine::code::Ok) throw CommandFailure(error);
        return;
    }
    if (server && engine::createServerLedger(*server, &error) == engine::code::Ok) return;
    std::string report;
    const engine::Result sound =
        server ? engine::checkServerLedger(*server, &report) : engine::checkLedgerFile(filePath(to), &report);
    if (sound != engine::code::Ok) throw CommandFailure(report);
    if (!rowsOf(to).empty())
        throw CommandFailure(to + ": the ledger to copy into already holds rows; nothing was copied");
}

std::string valueText(const engine::LedgerValue& value) {
    if (const double* number = std::get_if<double>(&value)) return std::to_string(*number);
    if (const std::string* text = std::get_if<std::string>(&value)) return "'" + *text + "'";
    return "empty";
}

}  // namespace

std::optional<std::string> serverLedger(const std::string& name) {
    if (name.find('=') != std::string::npos || name.starts_with("postgresql://") ||
        name.starts_with("postgres://"))
        return name;
    return engine::serverConnectionIn(name);
}

std::string copyLedger(const std::string& from, const std::string& to) {
    const std::vector<engine::LedgerValues> rows = rowsOf(from);
    prepareTarget(to);
    std::size_t next = 0;
    const auto feed = [&](engine::LedgerValues& values) {
        if (next == rows.size()) return false;
        values = rows[next++];
        return true;
    };
    std::string error;
    std::uint64_t loaded = 0;
    const auto server = serverLedger(to);
    const engine::Result stored = server ? engine::loadServerLedgerRows(*server, feed, &loaded, &error)
                                         : engine::loadLedgerRows(filePath(to), feed, &loaded, &error);
    if (stored != engine::code::Ok) throw CommandFailure(error + "\nnothing was copied");
    const std::vector<engine::LedgerValues> copied = rowsOf(to);
    for (std::size_t r = 0; r < std::max(rows.size(), copied.size()); ++r) {
        if (r >= rows.size() || r >= copied.size())
            throw CommandFailure("the copy holds " + std::to_string(copied.size()) +
                                 " rows, the ledger copied " + std::to_string(rows.size()) +
                                 ": the copy is not exact");
        for (std::size_t c = 0; c < engine::LedgerColumnCount; ++c) {
            if (rows[r][c] != copied[r][c])
                throw CommandFailure("row " + std::to_string(r + 1) + ", " + engine::ledgerColumns()[c].name +
                                     ": " + valueText(rows[r][c]) + " was copied as " +
                                     valueText(copied[r][c]) + ": the copy is not exact");
        }
    }
    std::string report;
    const engine::Result sound =
        server ? engine::checkServerLedger(*server, &report) : engine::checkLedgerFile(filePath(to), &report);
    if (sound != engine::code::Ok) throw CommandFailure(report);
    return std::to_string(loaded) + " rows copied, every value equal to the original\n" + report;
}

}  // namespace kovreldb
