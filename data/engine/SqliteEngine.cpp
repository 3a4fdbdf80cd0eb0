// The SQLite table engine: the operation table over ledger files, and the process's current engine.
#include "data/engine/SqliteEngine.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "data/engine/Journal.h"
#include "data/engine/LedgerFile.h"

namespace engine {
namespace {

namespace fs = std::filesystem;

constexpr SessionHandle TheSession = 1;
constexpr std::size_t MaxErrorText = 128;
constexpr std::size_t ParsedSqlLimit = 128;
constexpr std::size_t LocatedLimit = 64;

struct CodeText {
    Result code;
    const char* text;
};

constexpr CodeText codeTexts[] = {
    {code::BeforeFirst, "At beginning of table."},
    {code::PastLast, "At end of table."},
    {code::RecordGone, "The record no longer exists: it was deleted."},
    {code::NoCurrentRecord, "No current record."},
    {code::AlreadyInitialised, "The table engine is already initialised."},
    {code::NoMoreErrorEntries, "No more error entries."},
    {code::TableReadOnly, "The table can only be opened for reading."},
    {code::PasswordRequired, "A password is required to open the table."},
    {code::LibraryNotFound, "The table engine library cannot be found."},
    {code::LoadFailed, "The table engine library cannot be loaded."},
    {code::OutOfMemory, "Not enough memory."},
    {code::FunctionMissing, "A function of the table engine is missing."},
    {code::NotInitialised, "The table engine is not initialised."},
    {code::ServerMessage, "Message from the database server."},
    {code::FileNotFound, "The table file does not exist."},
    {code::FileOpenFailed, "The table file cannot be opened."},
    {code::NotALedger, "The file is not a ledger table."},
    {code::FileBusy, "The table file is busy: another program holds it locked."},
    {code::WriteFailed, "The change cannot be written to the table file."},
    {code::CursorReadOnly, "The rows of this cursor are read-only and cannot be changed."},
    {code::RecordChanged, "The record was changed by another user."},
    {code::InvalidHandle, "Invalid handle."},
    {code::InvalidParameter, "Invalid parameter."},
    {code::SqlSyntax, "The SQL statement cannot be run."},
    {code::SqlUnknownTable, "The SQL statement names a table that does not exist."},
    {code::NoStatement, "No SQL statement has been prepared."},
};

bool hasExtension(const std::string& name) {
    return fs::path(name).has_extension();
}

// The file in `directory` whose name equals `name` without regard to letter case, if any.
std::optional<fs::path> findNoCase(const fs::path& directory, const std::string& name) {
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

Result SqliteEngine::begin() {
    errors_.clear();
    if (!initialised_) return fail(code::NotInitialised, "The table engine has not been initialised.");
    return code::Ok;
}

Result SqliteEngine::fail(Result result, const std::string& text) {
    errors_.push_back(ErrorEntry{result, 0, text});
    return result;
}

Result SqliteEngine::answer(Result result, const Failure& failure, const char* what) {
    if (result == code::Ok || result == code::PastLast || result == code::BeforeFirst) return result;
    if (!failure.text.empty() && failure.code == result) return fail(failure);
    return fail(result, what);
}

Result SqliteEngine::initialise(const StartupRecord&) {
    errors_.clear();
    if (initialised_) return code::AlreadyInitialised;
    initialised_ = true;
    return code::Ok;
}

Result SqliteEngine::currentSession(SessionHandle* session) {
    if (const Result result = begin()) return result;
    *session = TheSession;
    return code::Ok;
}

Result SqliteEngine::shutdown() {
    errors_.clear();
    cursors_.clear();
    lastCursor_ = {};
    statements_.clear();
    databases_.clear();
    connections_.clear();
    initialised_ = false;
    return code::Ok;
}

SqliteEngine::Database* SqliteEngine::database(DatabaseHandle handle) {
    const auto found = databases_.find(handle);
    return found == databases_.end() ? nullptr : &found->second;
}

SqliteEngine::Statement* SqliteEngine::statement(StatementHandle handle) {
    const auto found = statements_.find(handle);
    return found == statements_.end() ? nullptr : &found->second;
}

Cursor* SqliteEngine::cursor(CursorHandle handle) {
    // Runs of moves ask for the same cursor again and again.
    if (handle == lastCursor_.first && lastCursor_.second) return lastCursor_.second;
    const auto found = cursors_.find(handle);
    if (found == cursors_.end()) return nullptr;
    lastCursor_ = {handle, found->second.get()};
    return lastCursor_.second;
}

Result SqliteEngine::openDatabase(const std::string& name, DatabaseHandle* db) {
    if (const Result result = begin()) return result;
    if (!name.empty()) return fail(code::InvalidParameter, "Unknown database alias: " + name);
    *db = newHandle();
    databases_.emplace(*db, Database{});
    return code::Ok;
}

Result SqliteEngine::closeDatabase(DatabaseHandle db) {
    if (const Result result = begin()) return result;
    if (!databases_.erase(db)) return fail(code::InvalidHandle, "Unknown database handle.");
    if (databases_.empty()) {
        std::erase_if(connections_, [](const auto& entry) { return entry.second.use_count() == 1; });
    }
    return code::Ok;
}

Result SqliteEngine::setDirectory(DatabaseHandle db, const std::string& path) {
    if (const Result result = begin()) return result;
    Database* found = database(db);
    if (!found) return fail(code::InvalidHandle, "Unknown database handle.");
    found->directory = path;
    return code::Ok;
}

Result SqliteEngine::databaseType(DatabaseHandle db, std::string* type) {
    if (const Result result = begin()) return result;
    if (!database(db)) return fail(code::InvalidHandle, "Unknown database handle.");
    *type = "STANDARD";
    return code::Ok;
}

SqliteEngine::TableFile SqliteEngine::tableFile(const Database& db, const std::string& name) {
    const std::string fileName = hasExtension(name) ? name : name + std::string(LedgerFileExtension);
    const fs::path written(fileName);
    if (written.is_absolute()) return {written.string(), {}};
    std::error_code error;
    const fs::path directory =
        db.directory.empty() ? fs::current_path(error) : fs::absolute(db.directory, error);
    const fs::path exact = directory / written;
    if (written.has_parent_path()) return {exact.string(), {}};
    // A file found for this name in another letter case is taken again while it is there, which spares
    // reading the directory, and looking for the name as written, for every statement that writes the
    // table's name unlike its file's.
    const std::string key = exact.string();
    struct stat status {};
    if (const auto found = located_.find(key); found != located_.end()) {
        if (::stat(found->second.c_str(), &status) == 0) return {found->second, status};
        located_.erase(found);
    }
    if (::stat(key.c_str(), &status) == 0) return {key, status};
    const auto found = findNoCase(directory, written.filename().string());
    if (!found) return {key, {}};
    if (located_.size() >= LocatedLimit) located_.clear();
    return {located_.emplace(key, found->string()).first->second, {}};
}

std::shared_ptr<const SqliteEngine::ParsedSql> SqliteEngine::parsed(const std::string& sql,
                                                                    std::string* error) {
    if (auto found = parsed_.find(sql); found != parsed_.end()) return found->second;
    auto made = std::make_shared<ParsedSql>();
    if (!SqlStatement::parse(sql, &made->statement, error)) return nullptr;
    made->sqliteText = made->statement.sqliteText();
    const bool journalOnly = made->statement.tableNames().empty();
    made->seekingText = made->statement.sqliteTextSeekingDistinct();
    if (made->statement.kind() == SqlStatement::Kind::Select &&
        !made->statement.resultFields(journalOnly ? journalFieldSpecs() : ledgerFieldSpecs(), &made->fields,
                                      error))
        return nullptr;
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
    if (const Result result = begin()) return result;
    Database* found = database(db);
    if (!found) return fail(code::InvalidHandle, "Unknown database handle.");
    if (name.empty()) return fail(code::InvalidParameter, "The table name is empty.");
    Failure failure;
    const bool readOnly = open == OpenMode::ReadOnly;
    auto connection = connect(tableFile(*found, name), readOnly, &failure);
    if (!connection) return fail(failure);
    *cursor = newHandle();
    cursors_.emplace(
        *cursor, std::make_unique<TableCursor>(std::move(connection), LedgerTableName, "", !readOnly, false));
    return code::Ok;
}

Result SqliteEngine::addPassword(const std::string&) {
    return begin();
}
Result SqliteEngine::removePassword(const std::string&) {
    return begin();
}
Result SqliteEngine::removeAllPasswords() {
    return begin();
}

Result SqliteEngine::allocateStatement(DatabaseHandle db, StatementHandle* stmt) {
    if (const Result result = begin()) return result;
    if (!database(db)) return fail(code::InvalidHandle, "Unknown database handle.");
    *stmt = newHandle();
    statements_.emplace(*stmt, Statement{db, false, false, nullptr, nullptr, nullptr});
    return code::Ok;
}

Result SqliteEngine::freeStatement(StatementHandle stmt) {
    if (const Result result = begin()) return result;
    if (!statements_.erase(stmt)) return fail(code::InvalidHandle, "Unknown statement handle.");
    return code::Ok;
}

Result SqliteEngine::setStatementProperty(StatementHandle stmt, StatementProperty property, int value) {
    if (const Result result = begin()) return result;
    Statement* found = statement(stmt);
    if (!found) return fail(code::InvalidHandle, "Unknown statement handle.");
    if (property == StatementProperty::LiveWanted) found->liveWanted = value == 1;
    return code::Ok;
}

Result SqliteEngine::prepare(StatementHandle stmt, const std::string& sql) {
    if (const Result result = begin()) return result;
    Statement* found = statement(stmt);
    if (!found) return fail(code::InvalidHandle, "Unknown statement handle.");
    found->prepared = false;
    found->connection.reset();
    std::string error;
    found->sql = parsed(sql, &error);
    if (!found->sql) return fail(code::SqlSyntax, "SQL: " + error);
    const Database* db = database(found->database);
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
    if (const Result result = begin()) return result;
    *cursor = NoHandle;
    Statement* found = statement(stmt);
    if (!found) return fail(code::InvalidHandle, "Unknown statement handle.");
    if (!found->prepared) return fail(code::NoStatement, "Execute without a prepared statement.");
    if (found->sql->statement.kind() == SqlStatement::Kind::Select) return executeSelect(*found, cursor);
    Failure failure;
    sqlite3_stmt* prepared = found->connection->statement(*found->sqliteText, &failure);
    if (!prepared) return fail(failure);
    StatementUse use(prepared);
    if (!found->connection->runWrite(prepared, &failure)) return fail(failure);
    return code::Ok;
}

Result SqliteEngine::executeSelect(Statement& stmt, CursorHandle* cursor) {
    std::unique_ptr<Cursor> made;
    const SqlStatement& sql = stmt.sql->statement;
    if (sql.selectsAllColumnsOfOneTable()) {
        const bool writable = stmt.liveWanted && !stmt.connection->readOnly();
        made = std::make_unique<TableCursor>(stmt.connection, sql.fromText(), sql.whereText(), writable,
                                             !stmt.liveWanted);
    } else {
        Failure failure;
        sqlite3_stmt* prepared = stmt.connection->statement(*stmt.sqliteText, &failure);
        if (prepared) made = ResultCursor::run(*stmt.connection, prepared, stmt.sql->fields, &failure);
        if (!made) return fail(failure);
    }
    *cursor = newHandle();
    cursors_.emplace(*cursor, std::move(made));
    return code::Ok;
}

Result SqliteEngine::cursorProperties(CursorHandle handle, CursorProps* props) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        *props = found.properties();
        return code::Ok;
    });
}

Result SqliteEngine::fieldDescriptors(CursorHandle handle, std::vector<FieldDesc>* fields) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        *fields = found.layout().fields();
        return code::Ok;
    });
}

Result SqliteEngine::validityCheck(CursorHandle handle, std::uint16_t index, ValidityCheck*) {
    return onCursor(handle, [&](Cursor&) {
        return fail(code::InvalidParameter,
                    "The cursor has no validity check " + std::to_string(index) + ".");
    });
}

Result SqliteEngine::setToBegin(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result { return found.setToBegin(); });
}

Result SqliteEngine::setToEnd(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result { return found.setToEnd(); });
}

Result SqliteEngine::getRecord(CursorHandle handle, GetMode mode, std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        Failure failure;
        return answer(found.getRecord(mode, record, &failure), failure, "The record cannot be read.");
    });
}

Result SqliteEngine::getBookmark(CursorHandle handle, std::uint8_t* bookmark) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!bookmark) return fail(code::InvalidParameter, "No bookmark buffer.");
        const Result result = found.getBookmark(bookmark);
        return result == code::Ok ? result : answer(result, {}, "The cursor is not on a record.");
    });
}

Result SqliteEngine::setToBookmark(CursorHandle handle, const std::uint8_t* bookmark) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!bookmark) return fail(code::InvalidParameter, "No bookmark buffer.");
        Failure failure;
        return answer(found.setToBookmark(bookmark, &failure), failure,
                      "The bookmark does not lead to a record.");
    });
}

Result SqliteEngine::initRecord(CursorHandle handle, std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!record) return fail(code::InvalidParameter, "No record buffer.");
        std::memset(record, 0, found.layout().recordSize());
        return code::Ok;
    });
}

Result SqliteEngine::getField(CursorHandle handle, std::uint16_t fieldNumber, const std::uint8_t* record,
                              void* value, bool* isBlank) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        return answer(found.layout().getField(fieldNumber, record, value, isBlank), {},
                      "No field with that number, or no record buffer.");
    });
}

Result SqliteEngine::putField(CursorHandle handle, std::uint16_t fieldNumber, std::uint8_t* record,
                              const void* value) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        return answer(found.layout().putField(fieldNumber, record, value), {},
                      "No field with that number, no record buffer, a date outside the years 1 to 9999, or a "
                      "number that is not finite.");
    });
}

Result SqliteEngine::lockRecord(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!found.properties().readWrite)
            return fail(code::CursorReadOnly, "The cursor's rows are read-only.");
        Failure failure;
        return answer(found.lockRecord(&failure), failure, "The record cannot be edited.");
    });
}

Result SqliteEngine::releaseLock(CursorHandle handle) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        found.releaseLock();
        return code::Ok;
    });
}

Result SqliteEngine::modifyRecord(CursorHandle handle, const std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!record) return fail(code::InvalidParameter, "No record buffer.");
        Failure failure;
        return answer(found.modifyRecord(record, &failure), failure, "The record cannot be changed.");
    });
}

Result SqliteEngine::insertRecord(CursorHandle handle, const std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        if (!record) return fail(code::InvalidParameter, "No record buffer.");
        Failure failure;
        return answer(found.insertRecord(record, &failure), failure, "The record cannot be inserted.");
    });
}

Result SqliteEngine::deleteRecord(CursorHandle handle, const std::uint8_t* record) {
    return onCursor(handle, [&](Cursor& found) -> Result {
        Failure failure;
        return answer(found.deleteRecord(record, &failure), failure, "The record cannot be deleted.");
    });
}

Result SqliteEngine::closeCursor(CursorHandle handle) {
    if (const Result result = begin()) return result;
    if (!cursors_.erase(handle)) return fail(code::InvalidHandle, "Unknown cursor handle.");
    if (lastCursor_.first == handle) lastCursor_ = {};
    return code::Ok;
}

Result SqliteEngine::errorText(Result result, std::string* text) {
    const auto found = std::find_if(std::begin(codeTexts), std::end(codeTexts),
                                    [result](const CodeText& entry) { return entry.code == result; });
    *text = found == std::end(codeTexts) ? std::string() : std::string(found->text).substr(0, MaxErrorText);
    return code::Ok;
}

Result SqliteEngine::errorEntry(std::uint16_t index, ErrorEntry* entry) {
    if (index < 1 || index > errors_.size()) return code::NoMoreErrorEntries;
    *entry = errors_[index - 1];
    return code::Ok;
}

Result SqliteEngine::toNative(const std::string&, const std::string& text, std::string* out) {
    *out = text;
    return code::Ok;
}

Result SqliteEngine::toAnsi(const std::string&, const std::string& text, std::string* out) {
    *out = text;
    return code::Ok;
}

}  // namespace engine
