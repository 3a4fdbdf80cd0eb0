// Fuzz target: an SQL text translated into SQLite's dialect, typed, and run through the table engine on a
// small ledger, as a query's Open runs it.
// Oracles: a select whose translation SQLite prepares yields, row by row, values of the field types the
// engine declares for it (a number where it declares one, a text where it declares a date), and the
// engine's cursor reads every field of every row.
#include <sqlite3.h>

#include <filesystem>
#include <vector>

#include "engine/Cursors.h"
#include "engine/LedgerFile.h"
#include "engine/SqlText.h"
#include "engine/Sqlite.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace engine;

// A statement that takes more steps than this is cut short: a cross join of the table with itself a few
// times is valid SQL, and slow for reasons of its own.
constexpr int kStepBudget = 200000;

struct Ledger {
    std::string directory;
    std::unique_ptr<Connection> reader;
    DatabaseHandle db = NoHandle;
    StatementHandle statement = NoHandle;
};
Ledger* ledger = nullptr;

LedgerValues row(double id, const char* day, const char* name, double days, const char* reason) {
    return {id,
            1.0,
            std::string(day),
            std::string(name),
            std::string(day),
            std::string("2024-03-08"),
            days,
            10.0 - days,
            std::string(reason),
            1.0,
            days,
            0.0};
}

void makeLedger() {
    ledger = new Ledger;
    ledger->directory =
        (std::filesystem::temp_directory_path() / ("kovrel-fuzz-sql-" + std::to_string(getpid()))).string();
    std::filesystem::remove_all(ledger->directory);
    std::filesystem::create_directories(ledger->directory);
    const std::string path = ledger->directory + "/" + LedgerFileName;
    std::vector<LedgerValues> rows{row(1, "2024-03-07", "PETROVIC MARKO", 2.5, "SL.DANI"),
                                   row(1, "2024-01-02", "PETROVIC MARKO", 10, "PRENOS"),
                                   row(2, "2023-12-30", "O'BRIEN ANA", 0, "GO 1 2023"), LedgerValues{}};
    std::size_t next = 0;
    if (createLedgerFile(path) != code::Ok || loadLedgerRows(path, [&](LedgerValues& values) {
                                                  if (next == rows.size()) return false;
                                                  values = rows[next++];
                                                  return true;
                                              }) != code::Ok)
        fuzz::fail(QStringLiteral("cannot make the ledger"));
    Failure failure;
    ledger->reader = Connection::open(path, true, 0, &failure);
    TableEngine& e = currentEngine();
    if (!ledger->reader || (e.initialise(StartupRecord{}) != code::Ok) || e.openDatabase("", &ledger->db) ||
        e.setDirectory(ledger->db, ledger->directory) ||
        e.allocateStatement(ledger->db, &ledger->statement) ||
        e.setStatementProperty(ledger->statement, StatementProperty::LiveWanted, 1))
        fuzz::fail(QStringLiteral("cannot open the ledger"));
    std::atexit([] { std::filesystem::remove_all(ledger->directory); });
}

// Whether a value of SQLite's storage class `storage` keeps its meaning in a field of `type`. An integer
// field's result column widens to a 64-bit or a floating-point field for the values that need one.
bool holds(FieldType type, int storage) {
    switch (type) {
        case FieldType::Float:
        case FieldType::Integer:
        case FieldType::LargeInt:
            return storage == SQLITE_NULL || storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
        case FieldType::Date:
            return storage == SQLITE_NULL || storage == SQLITE_TEXT;
        case FieldType::String:
        case FieldType::Unknown:
            return true;
    }
    return true;
}

// Runs the translation on SQLite directly and checks each value against the declared fields, as the
// engine's result cursor would take them. Answers false when the statement ran out of its step budget.
bool valuesHaveTheirTypes(const SqlStatement& sql, const std::string& text) {
    std::vector<FieldSpec> fields;
    std::string error;
    if (!sql.resultFields(ledgerFieldSpecs(), &fields, &error)) return true;
    sqlite3* db = ledger->reader->handle();
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(db, text.c_str(), int(text.size()), &prepared, nullptr) != SQLITE_OK) {
        sqlite3_finalize(prepared);
        return true;
    }
    // A result of another width than declared is read by the types SQLite declares for its columns.
    const int columns = sqlite3_column_count(prepared);
    if (std::size_t(columns) != fields.size() || sql.selectsAllColumnsOfOneTable()) {
        fields.clear();
        for (int i = 0; i < columns; ++i) {
            const char* declared = sqlite3_column_decltype(prepared, i);
            fields.push_back({"", fieldTypeOfDeclared(declared ? declared : "VARCHAR(255)").type, 0});
        }
    }
    int steps = 0;
    sqlite3_progress_handler(
        db, 1000, [](void* count) -> int { return ++*static_cast<int*>(count) > kStepBudget / 1000; },
        &steps);
    int rc;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            const int storage = sqlite3_column_type(prepared, i);
            if (!holds(fields[std::size_t(i)].type, storage)) {
                const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(prepared, i));
                fuzz::fail(QStringLiteral("column %1 of \"%2\" is declared %3 and gave \"%4\"")
                               .arg(i + 1)
                               .arg(QString::fromStdString(text), fieldTypeName(fields[std::size_t(i)].type),
                                    QString::fromUtf8(value ? value : "")));
            }
        }
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    sqlite3_finalize(prepared);
    return rc != SQLITE_INTERRUPT;
}

void readThroughTheEngine(const std::string& text) {
    TableEngine& e = currentEngine();
    CursorHandle cursor = NoHandle;
    if (e.execute(ledger->statement, &cursor) != code::Ok || cursor == NoHandle) return;
    CursorProps props;
    std::vector<FieldDesc> fields;
    if (e.cursorProperties(cursor, &props) || e.fieldDescriptors(cursor, &fields))
        fuzz::fail(QStringLiteral("an open cursor has no properties: ") + QString::fromStdString(text));
    std::vector<std::uint8_t> record(props.recordSize);
    std::vector<std::uint8_t> value(props.recordSize + 8);
    while (e.getRecord(cursor, GetMode::Next, record.data()) == code::Ok) {
        for (const FieldDesc& field : fields) {
            bool blank = false;
            if (e.getField(cursor, field.number, record.data(), value.data(), &blank) != code::Ok)
                fuzz::fail(QStringLiteral("field %1 of \"%2\" does not read")
                               .arg(field.number)
                               .arg(QString::fromStdString(text)));
        }
    }
    e.closeCursor(cursor);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeLedger();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SqlStatement sql;
    std::string error;
    const bool parsed = SqlStatement::parse(text, &sql, &error);
    const bool prepared = currentEngine().prepare(ledger->statement, text) == code::Ok;
    if (prepared && !parsed) fuzz::fail(QStringLiteral("the engine prepares a text its dialect refuses"));
    if (!parsed || sql.kind() != SqlStatement::Kind::Select) return 0;
    const std::string translated = sql.sqliteText();
    if (valuesHaveTheirTypes(sql, translated) && prepared) readThroughTheEngine(text);
    return 0;
}
