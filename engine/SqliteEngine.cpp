// The file driver: the operation table over ledger files.
#include "engine/SqliteEngine.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/JournalTable.h"
#include "engine/LedgerFile.h"

namespace engine {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t ParsedSqlLimit = 128;
constexpr std::size_t LocatedLimit = 64;

bool hasExtension(const std::string& name) {
    return fs::path(name).has_extension();
}

// The file in `directory` whose name equals `name` without regard to letter case, if any. The ledger's
// own spelling, the usual one, is tried before the directory is read.
std::optional<fs::path> findNoCase(const fs::path& directory, const std::string& name) {
    struct stat status {};
    if (strcasecmp(name.c_str(), LedgerFileName) == 0 &&
        ::stat((directory / LedgerFileName).c_str(), &status) == 0)
        return directory / LedgerFileName;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        if (strcasecmp(entry.path().filename().c_str(), name.c_str()) == 0) return entry.path();
    }
    return std::nullopt;
}

}  // namespace

SqliteEngine::~SqliteEngine() {
    shutdown();
}

void SqliteEngine::setJournalled(bool journalled) {
    journalled_ = journalled;
    for (auto& [path, connection] : connections_) connection->setJournalled(journalled);
}

void SqliteEngine::setBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    for (auto& [path, connection] : connections_) connection->setBusyTimeout(milliseconds);
}

Result SqliteEngine::shutdown() {
    Driver::shutdown();
    connections_.clear();
    return code::Ok;
}

Result SqliteEngine::openDatabase(const std::string& name, DatabaseHandle* db) {
    if (const Result result = begin()) return result;
    if (!name.empty()) return fail(code::InvalidParameter, "Unknown database alias: " + name);
    *db = addDatabase({});
    return code::Ok;
}

Result SqliteEngine::closeDatabase(DatabaseHandle db) {
    if (const Result result = Driver::closeDatabase(db)) return result;
    if (!hasDatabases()) {
        std::erase_if(connections_, [](const auto& entry) { return entry.second.use_count() == 1; });
    }
    return code::Ok;
}

Result SqliteEngine::setDirectory(DatabaseHandle db, const std::string& path) {
    return onDatabase(db, [&](FileDatabase& found) -> Result {
        found.directory = path;
        return code::Ok;
    });
}

SqliteEngine::TableFile SqliteEngine::tableFile(const FileDatabase& db, const std::string& name) {
    const std::string fileName = hasExtension(name) ? name : name + std::string(LedgerFileExtension);
    std::error_code error;
    const auto baseDirectory = [&] {
        return db.directory.empty() ? fs::current_path(error) : fs::absolute(db.directory, error);
    };
    if (fileName.find('/') != std::string::npos) {
        const fs::path written(fileName);
        return {written.is_absolute() ? written.string() : (baseDirectory() / written).string(), {}};
    }
    // A bare file name, the usual case, is joined to an absolute directory without path arithmetic.
    const std::string directory = db.directory.starts_with('/') ? db.directory : baseDirectory().string();
    const std::string key = directory + (directory.ends_with('/') ? "" : "/") + fileName;
    // A file found for this name in another letter case is taken again while it is there, which spares
    // reading the directory, and looking for the name as written, for every statement that writes the
    // table's name unlike its file's.
    struct stat status {};
    if (const auto found = located_.find(key); found != located_.end()) {
        if (::stat(found->second.c_str(), &status) == 0) return {found->second, status};
        located_.erase(found);
    }
    if (::stat(key.c_str(), &status) == 0) return {key, status};
    const auto found = findNoCase(directory, fileName);
    if (!found) return {key, {}};
    if (located_.size() >= LocatedLimit) located_.clear();
    return {located_.emplace(key, found->string()).first->second, {}};
}

std::shared_ptr<const FileSql> SqliteEngine::parsed(const std::string& sql, std::string* error) {
    if (auto found = parsed_.find(sql); found != parsed_.end()) return found->second;
    auto made = std::make_shared<FileSql>();
    if (!SqlStatement::parse(sql, &made->statement, error)) return nullptr;
    made->sqliteText = made->statement.sqliteText();
    const bool journalOnly = made->statement.tableNames().empty();
    made->seekingText = made->statement.sqliteTextSeekingDistinct();
    if (made->statement.kind() == SqlStatement::Kind::Select &&
        !made->statement.resultFields(journalOnly ? journalFieldSpecs() : ledgerFieldSpecs(), &made->fields,
                                      error))
        return nullptr;
    if (made->statement.selectsAllColumnsOfOneTable())
        made->pages = std::make_shared<TablePageSql>(made->statement.fromText(), made->statement.whereText());
    if (parsed_.size() >= ParsedSqlLimit) parsed_.clear();
    parsed_.emplace(sql, made);
    return made;
}

std::shared_ptr<Connection> SqliteEngine::connect(const TableFile& file, bool readOnly, Failure* failure) {
    const std::string key = file.path + (readOnly ? "\n(read)" : "\n(write)");
    if (auto found = connections_.find(key); found != connections_.end()) {
        if (found->second->stillUsable(!readOnly, file.status ? &*file.status : nullptr))
            return found->second;
        connections_.erase(found);
    }
    std::shared_ptr<Connection> connection = Connection::open(file.path, readOnly, busyTimeoutMs_, failure);
    if (!connection) return nullptr;
    connection->setJournalled(journalled_);
    // Connections to one file share their count of writes, so a cursor reading through one of them drops
    // its rows when the program writes through another.
    for (const auto& [otherKey, other] : connections_) {
        if (other->opensSameFile(*connection)) {
            connection->shareWriteCount(*other);
            break;
        }
    }
    connections_.emplace(key, connection);
    return connection;
}

Result SqliteEngine::openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode,
                               CursorHandle* cursor) {
    return onDatabase(db, [&](FileDatabase& found) -> Result {
        if (name.empty()) return fail(code::InvalidParameter, "The table name is empty.");
        Failure failure;
        const bool readOnly = open == OpenMode::ReadOnly;
        auto connection = connect(tableFile(found, name), readOnly, &failure);
        if (!connection) return fail(failure);
        static const auto wholeTable = std::make_shared<const TablePageSql>(LedgerTableName, "");
        *cursor =
            addCursor(std::make_unique<TableCursor>(std::move(connection), wholeTable, !readOnly, false));
        return code::Ok;
    });
}

Result SqliteEngine::readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                                  std::vector<Holiday>* days) {
    days->clear();
    return onDatabase(db, [&](FileDatabase& found) -> Result {
        Failure failure;
        const TableFile file = tableFile(found, LedgerFileName);
        auto connection = connect(file, false, &failure);
        if (!connection && failure.code == code::TableReadOnly) connection = connect(file, true, &failure);
        // Reading leaves a ledger without a calendar as it is.
        bool present = false;
        if (!connection || !hasHolidays(connection->handle(), connection->path(), &present, &failure))
            return fail(failure);
        if (!present) return code::Ok;
        sqlite3_stmt* statement = connection->statement(
            "SELECT Datum, Naziv FROM praznici WHERE Datum BETWEEN ?1 AND ?2 ORDER BY Datum", &failure);
        if (!statement) return fail(failure);
        StatementUse use(statement);
        sqlite3_bind_text(statement, 1, first.data(), static_cast<int>(first.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, last.data(), static_cast<int>(last.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            const auto text = [statement](int column) {
                const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
                return std::string(value ? value : "");
            };
            days->push_back({text(0), text(1)});
        }
        if (rc != SQLITE_DONE) return fail(connection->failure(rc, "the holiday calendar cannot be read"));
        return code::Ok;
    });
}

Result SqliteEngine::changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                                    const std::vector<std::string>& remove, bool keepExisting) {
    return onDatabase(db, [&](FileDatabase& found) -> Result {
        Failure failure;
        auto connection = connect(tableFile(found, LedgerFileName), false, &failure);
        if (!connection || !connection->writeHolidays(add, remove, keepExisting, &failure))
            return fail(failure);
        return code::Ok;
    });
}

Result SqliteEngine::prepare(StatementHandle stmt, const std::string& sql) {
    Result result = code::Ok;
    FileStatement* found = startedStatement(stmt, &result);
    if (!found) return result;
    found->prepared = false;
    found->connection.reset();
    std::string error;
    found->sql = parsed(sql, &error);
    if (!found->sql) return fail(code::SqlSyntax, "SQL: " + error);
    const FileDatabase* db = database(found->database);
    if (!db) return fail(code::InvalidHandle, "The statement's database is closed.");
    const SqlStatement& parsedSql = found->sql->statement;
    if (parsedSql.usesJournal() && parsedSql.kind() != SqlStatement::Kind::Select)
        return fail(code::SqlSyntax, "SQL: the change journal dnevnik can only be read");
    std::vector<std::string> names = parsedSql.tableNames();
    // The journal lives in the ledger file of the database's directory.
    if (parsedSql.usesJournal()) names.push_back(LedgerFileName);
    TableFile file;
    for (const std::string& name : names) {
        TableFile named = tableFile(*db, name);
        if (!file.path.empty() && named.path != file.path)
            return fail(code::SqlSyntax, "SQL: a statement can use only one table");
        file = std::move(named);
    }
    Failure failure;
    auto connection = connect(file, false, &failure);
    if (!connection && failure.code == code::TableReadOnly &&
        found->sql->statement.kind() == SqlStatement::Kind::Select) {
        connection = connect(file, true, &failure);
    }
    if (!connection && failure.code == code::FileNotFound)
        return fail(code::SqlUnknownTable,
                    "SQL: no table " + names.front() + ": " + file.path + " does not exist");
    if (!connection) return fail(failure);
    if (parsedSql.usesJournal() && !connection->journalReadable(&failure)) return fail(failure);
    const bool seeks = !found->sql->seekingText.empty() &&
                       connection->indexLeadsWith(found->sql->statement.distinctColumn());
    found->sqliteText = seeks ? &found->sql->seekingText : &found->sql->sqliteText;
    if (!connection->statement(*found->sqliteText, &failure)) return fail(failure);
    found->connection = std::move(connection);
    found->prepared = true;
    return code::Ok;
}

Result SqliteEngine::execute(StatementHandle stmt, CursorHandle* cursor) {
    *cursor = NoHandle;
    Result result = code::Ok;
    FileStatement* found = preparedStatement(stmt, &result);
    if (!found) return result;
    if (found->sql->statement.kind() == SqlStatement::Kind::Select) return executeSelect(*found, cursor);
    Failure failure;
    sqlite3_stmt* prepared = found->connection->statement(*found->sqliteText, &failure);
    if (!prepared) return fail(failure);
    StatementUse use(prepared);
    if (!found->connection->runWrite(prepared, &failure)) return fail(failure);
    return code::Ok;
}

Result SqliteEngine::executeSelect(FileStatement& stmt, CursorHandle* cursor) {
    std::unique_ptr<Cursor> made;
    if (stmt.sql->pages) {
        const bool writable = stmt.liveWanted && !stmt.connection->readOnly();
        made = std::make_unique<TableCursor>(stmt.connection, stmt.sql->pages, writable, !stmt.liveWanted);
    } else {
        Failure failure;
        sqlite3_stmt* prepared = stmt.connection->statement(*stmt.sqliteText, &failure);
        if (prepared) made = ResultCursor::run(*stmt.connection, prepared, stmt.sql->fields, &failure);
        if (!made) return fail(failure);
    }
    *cursor = addCursor(std::move(made));
    return code::Ok;
}

}  // namespace engine
