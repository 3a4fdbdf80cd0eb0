// The change journal's table, the entry functions and the per-connection triggers that fill it.
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>

#include "engine/Dates.h"
#include "engine/JournalTable.h"
#include "engine/Sqlite.h"

namespace engine {
namespace {

JournalClock& journalClock() {
    static JournalClock clock;
    return clock;
}

std::mutex& clockLock() {
    static std::mutex lock;
    return lock;
}

// A value as an entry's JSON holds it: a stored blob, which JSON cannot hold, as its hex digits.
std::string jsonValue(const std::string& value) {
    return "CASE typeof(" + value + ") WHEN 'blob' THEN hex(" + value + ") ELSE " + value + " END";
}

// A JSON object of the columns for which `condition` (with % standing for the column) holds, each
// with its value in the row `row` (OLD or NEW).
std::string valuesObject(const char* row, const std::string& condition) {
    std::string arms;
    for (const LedgerColumn& column : ledgerColumns()) {
        const std::string name = column.name;
        std::string when = condition;
        for (std::size_t at; (at = when.find('%')) != std::string::npos;) when.replace(at, 1, name);
        const bool first = arms.empty();
        arms += (first ? "SELECT '" : " UNION ALL SELECT '") + name + (first ? "' AS k, " : "', ") +
                jsonValue(std::string(row) + "." + name) + (first ? " AS v" : "") + " WHERE " + when;
    }
    return "(SELECT json_group_object(k, v) FROM (" + arms + "))";
}

// The journal's columns as an entry's insert names them.
std::string entryColumns() {
    std::string columns;
    for (std::size_t i = 0; i < JournalColumnCount; ++i)
        columns += (i ? ", " : "") + std::string(journalColumns()[i].name);
    return columns;
}

std::string entrySql(const char* operation, const char* nameRow, const std::string& before,
                     const std::string& after) {
    const char* keyRow = std::string(operation) == JournalDelete ? "OLD" : "NEW";
    return "INSERT INTO dnevnik (" + entryColumns() +
           ") VALUES (kovrel_journal_time(), kovrel_journal_user(), kovrel_journal_host(), '" + operation +
           "', " + keyRow + ".rowid, " + nameRow + ".PrezimeIme, " + before + ", " + after + ", 'kovrel');";
}

// A holiday's entry: the day's values whole on either side.
std::string holidayEntrySql(const char* operation, const char* before, const char* after) {
    const auto day = [](const char* row) {
        return std::string(row) == "NULL"
                   ? std::string("NULL")
                   : "json_object('Datum', " + std::string(row) + ".Datum, 'Naziv', " + row + ".Naziv)";
    };
    return "INSERT INTO dnevnik (" + entryColumns() +
           ") VALUES (kovrel_journal_time(), kovrel_journal_user(), kovrel_journal_host(), '" + operation +
           "', NULL, NULL, " + day(before) + ", " + day(after) + ", 'praznici');";
}

std::string holidayTriggersSql() {
    return "CREATE TEMP TRIGGER IF NOT EXISTS praznici_dnevnik_unos AFTER INSERT ON main.praznici BEGIN " +
           holidayEntrySql(JournalInsert, "NULL", "NEW") +
           " END;\n"
           "CREATE TEMP TRIGGER IF NOT EXISTS praznici_dnevnik_izmena AFTER UPDATE ON main.praznici WHEN "
           "OLD.Datum IS NOT NEW.Datum OR OLD.Naziv IS NOT NEW.Naziv BEGIN " +
           holidayEntrySql(JournalEdit, "OLD", "NEW") +
           " END;\n"
           "CREATE TEMP TRIGGER IF NOT EXISTS praznici_dnevnik_brisanje AFTER DELETE ON main.praznici "
           "BEGIN " +
           holidayEntrySql(JournalDelete, "OLD", "NULL") + " END;";
}

// The names of the columns of `table` in the main file, in their stored order.
bool tableColumnNames(sqlite3* db, const char* table, std::vector<std::string>* names) {
    sqlite3_stmt* statement = nullptr;
    const std::string sql = std::string("PRAGMA main.table_info(") + table + ")";
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        names->push_back(name ? name : "");
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

std::string triggersSql() {
    std::string changed;
    for (const LedgerColumn& column : ledgerColumns())
        changed += (changed.empty() ? "" : " OR ") + std::string("OLD.") + column.name + " IS NOT NEW." +
                   column.name;
    return "CREATE TEMP TRIGGER IF NOT EXISTS kovrel_dnevnik_unos AFTER INSERT ON main.kovrel BEGIN " +
           entrySql(JournalInsert, "NEW", "NULL", valuesObject("NEW", "NEW.% IS NOT NULL")) +
           " END;\n"
           "CREATE TEMP TRIGGER IF NOT EXISTS kovrel_dnevnik_izmena AFTER UPDATE ON main.kovrel WHEN " +
           changed + " BEGIN " +
           entrySql(JournalEdit, "NEW", valuesObject("OLD", "OLD.% IS NOT NEW.%"),
                    valuesObject("NEW", "OLD.% IS NOT NEW.%")) +
           " END;\n"
           "CREATE TEMP TRIGGER IF NOT EXISTS kovrel_dnevnik_brisanje AFTER DELETE ON main.kovrel BEGIN " +
           entrySql(JournalDelete, "OLD", valuesObject("OLD", "OLD.% IS NOT NULL"), "NULL") + " END;";
}

void textResult(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

bool registerEntryFunctions(sqlite3* db) {
    const auto time = [](sqlite3_context* context, int, sqlite3_value**) {
        textResult(context, journalTime());
    };
    const auto user = [](sqlite3_context* context, int, sqlite3_value**) {
        textResult(context, journalUser());
    };
    const auto host = [](sqlite3_context* context, int, sqlite3_value**) {
        textResult(context, journalHost());
    };
    return sqlite3_create_function_v2(db, "kovrel_journal_time", 0, SQLITE_UTF8, nullptr, time, nullptr,
                                      nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, "kovrel_journal_user", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, user, nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, "kovrel_journal_host", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, host, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string systemUser() {
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    for (const char* variable : {"USER", "LOGNAME"})
        if (const char* value = std::getenv(variable); value && *value) return value;
    return std::to_string(geteuid());
}

std::string systemHost() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !*name) return "localhost";
    return name;
}

}  // namespace

const std::array<LedgerColumn, JournalColumnCount>& journalColumns() {
    static const std::array<LedgerColumn, JournalColumnCount> columns{{
        {"Vreme", "VARCHAR(24)", FieldType::String, 24},
        {"Korisnik", "VARCHAR(64)", FieldType::String, 64},
        {"Racunar", "VARCHAR(64)", FieldType::String, 64},
        {"Operacija", "VARCHAR(8)", FieldType::String, 8},
        {"Kljuc", "INTEGER", FieldType::Integer, 0},
        {"PrezimeIme", "VARCHAR(30)", FieldType::String, 30},
        {"Staro", "VARCHAR(512)", FieldType::String, 512},
        {"Novo", "VARCHAR(512)", FieldType::String, 512},
        {"Tabela", "VARCHAR(10)", FieldType::String, 10},
    }};
    return columns;
}

std::vector<FieldSpec> journalFieldSpecs() {
    std::vector<FieldSpec> fields;
    for (const LedgerColumn& column : journalColumns())
        fields.push_back({column.name, column.type, column.size});
    return fields;
}

std::string createJournalSql() {
    std::string sql = "CREATE TABLE IF NOT EXISTS dnevnik (";
    for (std::size_t i = 0; i < JournalColumnCount; ++i)
        sql +=
            (i ? ", " : "") + std::string(journalColumns()[i].name) + " " + journalColumns()[i].declaredType;
    return sql + " DEFAULT 'kovrel')";
}

std::string createHolidaysSql() {
    // A named index rather than a column constraint, so that every piece of the file has its definition.
    return "CREATE TABLE IF NOT EXISTS praznici (Datum DATE NOT NULL, Naziv VARCHAR(" +
           std::to_string(HolidayNameSize) +
           ") NOT NULL);\nCREATE UNIQUE INDEX IF NOT EXISTS praznici_datum ON praznici (Datum)";
}

std::string holidayRefusal(const std::vector<Holiday>& add) {
    std::set<std::string> days;
    for (const Holiday& holiday : add) {
        const auto day = dayNumberFromIso(holiday.day);
        if (holiday.day.size() != DateTextLength || !day || isoFromDayNumber(*day) != holiday.day)
            return "the holiday's day " + holiday.day + " is not a date written YYYY-MM-DD";
        if (!days.insert(holiday.day).second) return "the day " + holiday.day + " is listed twice";
        const auto characters = std::count_if(holiday.name.begin(), holiday.name.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        });
        if (holiday.name.find_first_not_of(" \t") == std::string::npos)
            return "the holiday " + holiday.day + " has no name";
        if (static_cast<std::size_t>(characters) > HolidayNameSize)
            return "the name of the holiday " + holiday.day + " is longer than " +
                   std::to_string(HolidayNameSize) + " characters";
    }
    return {};
}

bool hasHolidays(sqlite3* db, const std::string& path, bool* present, Failure* failure) {
    std::vector<std::string> names;
    if (!tableColumnNames(db, HolidayTableName, &names)) {
        *failure = {code::FileOpenFailed,
                    path + ": the holiday calendar cannot be read: " + sqlite3_errmsg(db)};
        return false;
    }
    *present = !names.empty();
    if (*present && (names.size() != 2 || strcasecmp(names[0].c_str(), "Datum") != 0 ||
                     strcasecmp(names[1].c_str(), "Naziv") != 0)) {
        *failure = {code::NotALedger, path + ": the table praznici is not this program's holiday calendar"};
        return false;
    }
    return true;
}

bool hasJournal(sqlite3* db, const std::string& path, bool* present, Failure* failure, bool* current) {
    std::vector<std::string> names;
    if (!tableColumnNames(db, JournalTableName, &names)) {
        *failure = {code::FileOpenFailed,
                    path + ": the change journal cannot be read: " + sqlite3_errmsg(db)};
        return false;
    }
    bool matches = names.size() == JournalColumnCount || names.size() == JournalColumnCount - 1;
    for (std::size_t column = 0; matches && column < names.size(); ++column)
        matches = strcasecmp(names[column].c_str(), journalColumns()[column].name) == 0;
    *present = !names.empty();
    if (current) *current = names.size() == JournalColumnCount;
    if (*present && !matches) {
        *failure = {code::NotALedger, path + ": the table dnevnik is not this program's change journal"};
        return false;
    }
    return true;
}

void setJournalClock(JournalClock clock) {
    std::lock_guard lock(clockLock());
    journalClock() = std::move(clock);
}

std::string journalTime() {
    std::chrono::system_clock::time_point now;
    {
        std::lock_guard lock(clockLock());
        now = journalClock() ? journalClock()() : std::chrono::system_clock::now();
    }
    return utcText(now, UtcStyle::Milliseconds);
}

const std::string& journalUser() {
    static const std::string user = systemUser();
    return user;
}

const std::string& journalHost() {
    static const std::string host = systemHost();
    return host;
}

bool startJournal(Connection& connection, Failure* failure) {
    sqlite3* db = connection.handle();
    bool journal = false, current = false, holidays = false;
    if (!hasJournal(db, connection.path(), &journal, failure, &current) ||
        !hasHolidays(db, connection.path(), &holidays, failure))
        return false;
    std::string missing;
    if (!journal) missing += createJournalSql() + ";";
    if (journal && !current) missing += "ALTER TABLE dnevnik ADD COLUMN Tabela VARCHAR(10) DEFAULT 'kovrel';";
    if (!holidays) missing += createHolidaysSql() + ";";
    if (!missing.empty()) {
        if (const int rc = sqlite3_exec(db, ("BEGIN IMMEDIATE;" + missing + "COMMIT").c_str(), nullptr,
                                        nullptr, nullptr)) {
            *failure = connection.failure(rc, "the change journal cannot be added");
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            if (failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
            return false;
        }
    }
    if (!registerEntryFunctions(db) || sqlite3_exec(db, (triggersSql() + "\n" + holidayTriggersSql()).c_str(),
                                                    nullptr, nullptr, nullptr) != SQLITE_OK) {
        *failure = {code::WriteFailed,
                    connection.path() + ": the change journal cannot be kept: " + sqlite3_errmsg(db)};
        return false;
    }
    return true;
}

Result readJournalRows(const std::string& path, const std::string& sql,
                       const std::function<void(const std::vector<std::string>&)>& row, std::string* error) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const Database db(raw);
    if (opened != SQLITE_OK) {
        *error = path + ": the ledger cannot be opened: " + sqlite3_errmsg(raw);
        return code::FileOpenFailed;
    }
    bool present = false;
    Failure failure;
    if (!hasJournal(raw, path, &present, &failure)) {
        *error = failure.text;
        return failure.code;
    }
    if (!present) {
        *error = path + ": the ledger has no change journal yet";
        return code::NotALedger;
    }
    sqlite3_stmt* prepared = nullptr;
    const int ready = sqlite3_prepare_v2(raw, sql.c_str(), -1, &prepared, nullptr);
    const OwnedStatement statement(prepared);
    if (ready != SQLITE_OK) {
        *error = path + ": the journal cannot be read: " + sqlite3_errmsg(raw);
        return code::SqlSyntax;
    }
    const int columns = sqlite3_column_count(prepared);
    std::vector<std::string> values(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) values[static_cast<std::size_t>(i)] = sqlite3_column_name(prepared, i);
    row(values);
    int rc;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(prepared, i));
            values[static_cast<std::size_t>(i)] = text ? text : "";
        }
        row(values);
    }
    if (rc != SQLITE_DONE) {
        *error = path + ": the journal cannot be read: " + sqlite3_errmsg(raw);
        return code::FileOpenFailed;
    }
    return code::Ok;
}

}  // namespace engine
