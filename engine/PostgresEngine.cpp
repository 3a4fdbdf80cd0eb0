// The server driver: the operation table over a ledger on a PostgreSQL server.
#include "engine/PostgresEngine.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

#include "engine/JournalTable.h"
#include "engine/PostgresCursors.h"
#include "engine/PostgresLedger.h"

namespace engine {
namespace {

constexpr std::size_t ParsedSqlLimit = 128;

// The OIDs of the server's built-in types that results carry.
constexpr Oid Int2Oid = 21, Int4Oid = 23, Int8Oid = 20, Float4Oid = 700, Float8Oid = 701, NumericOid = 1700,
              DateOid = 1082, VarcharOid = 1043, BoolOid = 16;

// A result field for a column the statement alone does not type, from the server's type of it.
FieldSpec fieldOfColumn(const PGresult* result, int column) {
    const Oid type = PQftype(result, column);
    const std::string name = PQfname(result, column);
    switch (type) {
        case Int2Oid:
        case Int4Oid:
        case Int8Oid:
        case BoolOid:
            return {name, FieldType::Integer, 0};
        case Float4Oid:
        case Float8Oid:
        case NumericOid:
            return {name, FieldType::Float, 0};
        case DateOid:
            return {name, FieldType::Date, 0};
        case VarcharOid: {
            const int modifier = PQfmod(result, column);
            const long size = modifier > 4 ? modifier - 4 : 255;
            return {name, FieldType::String, static_cast<std::uint16_t>(std::min(size, MaxTextSize))};
        }
        default:
            return {name, FieldType::String, 255};
    }
}

// The type of a result field that holds `text` exactly, as ResultCursor widens a file's answers.
FieldType typeHolding(FieldType type, const char* text) {
    if (type != FieldType::Integer && type != FieldType::LargeInt) return type;
    const std::optional<std::int64_t> number = wholeNumberOf(text);
    if (!number) return FieldType::Float;
    return *number < INT32_MIN || *number > INT32_MAX ? FieldType::LargeInt : type;
}

constexpr CodeText serverTexts[] = {
    {code::FileNotFound, "The server database holds no such table."},
    {code::FileOpenFailed, "The ledger on the server cannot be reached."},
    {code::NotALedger, "The server database holds no ledger the program can read."},
    {code::FileBusy, "The ledger on the server is busy: another user holds its rows locked; try again."},
    {code::WriteFailed, "The change cannot be written to the ledger on the server."},
};

}  // namespace

bool namesLedgerTable(const std::string& name) {
    return strcasecmp(name.c_str(), LedgerTableName) == 0 || strcasecmp(name.c_str(), LedgerFileName) == 0;
}

PostgresEngine::~PostgresEngine() {
    shutdown();
}

Result PostgresEngine::errorText(Result result, std::string* text) {
    if (const char* found = textOfCode(serverTexts, result)) {
        *text = found;
        return code::Ok;
    }
    return Driver::errorText(result, text);
}

Result PostgresEngine::openDatabase(const std::string& name, DatabaseHandle*) {
    if (const Result result = begin()) return result;
    return fail(code::InvalidParameter,
                "A server database is opened with its connection, not by the name '" + name + "'.");
}

Result PostgresEngine::openServerDatabase(const std::string& connection, const std::string& user,
                                          const std::string& password, DatabaseHandle* db) {
    if (const Result result = begin()) return result;
    Failure failure;
    std::shared_ptr<ServerConnection> opened = ServerConnection::open(connection, user, password, &failure);
    ServerLedgerAccess access;
    if (!opened || !hasServerLedgerShape(*opened, &failure) ||
        !completeServerLedger(*opened, &access, &failure) ||
        (!access.channel.empty() && !opened->listen(access.channel, &failure)))
        return fail(failure);
    *db = addDatabase({std::move(opened), access.writable});
    return code::Ok;
}

Result PostgresEngine::setDirectory(DatabaseHandle db, const std::string&) {
    return onDatabase(db, [](ServerDatabase&) -> Result { return code::Ok; });
}

Result PostgresEngine::openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode,
                                 CursorHandle* cursor) {
    return onDatabase(db, [&](ServerDatabase& found) -> Result {
        if (!namesLedgerTable(name))
            return fail(code::FileNotFound, "The server holds no table " + name + "; its table is kovrel.");
        if (open == OpenMode::ReadWrite && !found.writable)
            return fail(code::TableReadOnly,
                        found.connection->name() + ": the role that logged in may only read the ledger");
        *cursor = addCursor(std::make_unique<ServerTableCursor>(found.connection, LedgerTableName, "",
                                                                open == OpenMode::ReadWrite, false));
        return code::Ok;
    });
}

Result PostgresEngine::readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                                    std::vector<Holiday>* days) {
    days->clear();
    return onDatabase(db, [&](ServerDatabase& found) -> Result {
        Failure failure;
        ServerConnection& connection = *found.connection;
        PgResult present = connection.run("SELECT to_regclass('praznici') IS NOT NULL", {}, &failure);
        if (!present) return fail(failure);
        if (std::string(PQgetvalue(present.get(), 0, 0)) != "t") return code::Ok;
        PgResult rows = connection.run(
            "SELECT to_char(datum, 'YYYY-MM-DD'), naziv FROM praznici "
            "WHERE datum BETWEEN $1::date AND $2::date ORDER BY datum",
            {first.c_str(), last.c_str()}, &failure);
        if (!rows) return fail(failure);
        for (int r = 0; r < PQntuples(rows.get()); ++r)
            days->push_back({PQgetvalue(rows.get(), r, 0), PQgetvalue(rows.get(), r, 1)});
        return code::Ok;
    });
}

Result PostgresEngine::changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                                      const std::vector<std::string>& remove, bool keepExisting) {
    return onDatabase(db, [&](ServerDatabase& found) -> Result {
        ServerConnection& connection = *found.connection;
        if (const std::string refusal = holidayRefusal(add); !refusal.empty())
            return fail(code::WriteFailed, connection.name() + ": " + refusal);
        Failure failure;
        bool done = connection.exec("BEGIN", &failure);
        for (const std::string& day : remove)
            done = done &&
                   connection.run("DELETE FROM praznici WHERE datum = $1::date", {day.c_str()}, &failure);
        const std::string insert =
            std::string("INSERT INTO praznici (datum, naziv) VALUES ($1::date, $2::varchar)") +
            (keepExisting ? " ON CONFLICT (datum) DO NOTHING" : "");
        for (const Holiday& holiday : add)
            done = done && connection.run(insert, {holiday.day.c_str(), holiday.name.c_str()}, &failure);
        if (done && connection.exec("COMMIT", &failure)) {
            connection.countWrite();
            return code::Ok;
        }
        Failure ignored;
        connection.exec("ROLLBACK", &ignored);
        return fail(failure.code == code::SqlSyntax ? code::WriteFailed : failure.code, failure.text);
    });
}

std::shared_ptr<const ServerSql> PostgresEngine::parsed(const std::string& sql, std::string* error) {
    if (auto found = parsed_.find(sql); found != parsed_.end()) return found->second;
    auto made = std::make_shared<ServerSql>();
    if (!SqlStatement::parse(sql, &made->statement, error)) return nullptr;
    made->serverText = made->statement.postgresText();
    if (made->statement.kind() == SqlStatement::Kind::Select &&
        !made->statement.resultFields(
            made->statement.tableNames().empty() ? journalFieldSpecs() : ledgerFieldSpecs(), &made->fields,
            error))
        return nullptr;
    if (parsed_.size() >= ParsedSqlLimit) parsed_.clear();
    parsed_.emplace(sql, made);
    return made;
}

Result PostgresEngine::prepare(StatementHandle stmt, const std::string& sql) {
    Result result = code::Ok;
    ServerStatement* found = startedStatement(stmt, &result);
    if (!found) return result;
    found->prepared = false;
    std::string error;
    found->sql = parsed(sql, &error);
    if (!found->sql) return fail(code::SqlSyntax, "SQL: " + error);
    ServerDatabase* db = database(found->database);
    if (!db) return fail(code::InvalidHandle, "The statement's database is closed.");
    if (found->sql->statement.usesJournal() && found->sql->statement.kind() != SqlStatement::Kind::Select)
        return fail(code::SqlSyntax, "SQL: the change journal dnevnik can only be read");
    for (const std::string& name : found->sql->statement.tableNames()) {
        if (!namesLedgerTable(name))
            return fail(code::SqlUnknownTable,
                        "SQL: no table " + name + " on the server; its table is kovrel");
    }
    // Preparing the text on the server checks it there; the live form prepares its own statements.
    Failure failure;
    if (!found->sql->statement.selectsAllColumnsOfOneTable() &&
        !db->connection->prepare(found->sql->serverText, &failure))
        return fail(failure);
    found->prepared = true;
    return code::Ok;
}

Result PostgresEngine::execute(StatementHandle stmt, CursorHandle* cursor) {
    *cursor = NoHandle;
    Result result = code::Ok;
    ServerStatement* found = preparedStatement(stmt, &result);
    if (!found) return result;
    ServerDatabase* db = database(found->database);
    if (!db) return fail(code::InvalidHandle, "The statement's database is closed.");
    if (found->sql->statement.kind() == SqlStatement::Kind::Select)
        return executeSelect(*found, *db->connection, cursor);
    Failure failure;
    if (!db->connection->write(found->sql->serverText, {}, &failure)) {
        if (failure.code == code::SqlSyntax) failure.code = code::WriteFailed;
        return fail(failure);
    }
    return code::Ok;
}

Result PostgresEngine::executeSelect(ServerStatement& stmt, ServerConnection& connection,
                                     CursorHandle* cursor) {
    const SqlStatement& sql = stmt.sql->statement;
    std::unique_ptr<Cursor> made;
    if (sql.selectsAllColumnsOfOneTable()) {
        const ServerDatabase& db = *database(stmt.database);
        made = std::make_unique<ServerTableCursor>(db.connection, sql.postgresFromText(),
                                                   sql.postgresWhereText(), stmt.liveWanted && db.writable,
                                                   !stmt.liveWanted);
    } else {
        Failure failure;
        PgResult rows = connection.run(stmt.sql->serverText, {}, &failure);
        if (!rows) return fail(failure);
        const int columns = PQnfields(rows.get()), count = PQntuples(rows.get());
        std::vector<FieldSpec> fields = stmt.sql->fields;
        if (fields.size() != static_cast<std::size_t>(columns)) {
            fields.clear();
            for (int c = 0; c < columns; ++c) fields.push_back(fieldOfColumn(rows.get(), c));
        }
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < columns; ++c) {
                if (!PQgetisnull(rows.get(), r, c))
                    fields[c].type = typeHolding(fields[c].type, PQgetvalue(rows.get(), r, c));
            }
        }
        const RecordLayout layout(fields);
        const std::uint32_t size = layout.recordSize();
        std::vector<std::uint8_t> records(static_cast<std::size_t>(count) * size);
        std::set<std::vector<std::uint8_t>> seen;
        std::vector<TextValue> texts;
        std::size_t kept = 0;
        for (int r = 0; r < count; ++r) {
            std::uint8_t* record = records.data() + kept * size;
            std::memset(record, 0, size);
            if (!readServerRow(layout, rows.get(), r, 0, &texts, record, connection.name(), &failure))
                return fail(failure);
            if (sql.postgresDropsDistinct() && !seen.emplace(record, record + size).second) continue;
            ++kept;
        }
        records.resize(kept * size);
        made = ResultCursor::holding(std::move(fields), std::move(records));
    }
    *cursor = addCursor(std::move(made));
    return code::Ok;
}

}  // namespace engine
