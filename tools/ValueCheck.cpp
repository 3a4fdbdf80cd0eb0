// Counting, in one pass over the table, the values of each column that do not fit its declared kind.
#include "tools/ValueCheck.h"

#include <sqlite3.h>

#include "data/engine/LedgerFile.h"
#include "tools/EngineSession.h"

namespace kovreldb {

namespace {

// An SQL condition true for a value of `column` that the engine cannot read as its field type.
std::string badValue(const engine::LedgerColumn& column) {
    const std::string name = column.name;
    switch (column.type) {
        case engine::FieldType::Date:
            return "typeof(" + name + ") not in ('null','text') or (" + name + " is not null and (length(" +
                   name + ") <> 10 or date(" + name + ") is not " + name + "))";
        case engine::FieldType::String:
            return "typeof(" + name + ") not in ('null','text') or length(" + name + ") > " +
                   std::to_string(column.size);
        default:
            return "typeof(" + name + ") not in ('null','real','integer')";
    }
}

std::string countingSql() {
    std::string sql = "select ";
    const auto& columns = engine::ledgerColumns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + ("coalesce(sum(" + badValue(columns[i]) + "), 0)");
    return sql + " from kovrel";
}

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

}  // namespace

std::vector<std::string> valueProblems(const std::string& path) {
    sqlite3* handle = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, Closer> db(handle);
    sqlite3_stmt* prepared = nullptr;
    if (opened != SQLITE_OK ||
        sqlite3_prepare_v2(handle, countingSql().c_str(), -1, &prepared, nullptr) != SQLITE_OK)
        throw CommandFailure(path + ": " + sqlite3_errmsg(handle));
    std::unique_ptr<sqlite3_stmt, Closer> statement(prepared);
    if (sqlite3_step(prepared) != SQLITE_ROW) throw CommandFailure(path + ": " + sqlite3_errmsg(handle));

    std::vector<std::string> problems;
    const auto& columns = engine::ledgerColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto count = sqlite3_column_int64(prepared, static_cast<int>(i));
        if (count > 0)
            problems.push_back(std::string(columns[i].name) + ": " + std::to_string(count) + " value" +
                               (count == 1 ? "" : "s") + " of the wrong kind");
    }
    return problems;
}

}  // namespace kovreldb
