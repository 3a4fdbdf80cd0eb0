// The process's table engine: each call sent to the driver of its handle, and the engine tests replace.
#include "data/engine/Drivers.h"

namespace engine {

TableEngine& Drivers::by(std::uint32_t handle) {
    last_ = (handle & PostgresEngine::HandleBit) ? static_cast<TableEngine*>(&server_) : &files_;
    return *last_;
}

Result Drivers::initialise(const StartupRecord& startup) {
    server_.initialise(startup);
    last_ = &files_;
    return files_.initialise(startup);
}

Result Drivers::currentSession(SessionHandle* session) {
    last_ = &files_;
    return files_.currentSession(session);
}

Result Drivers::shutdown() {
    server_.shutdown();
    last_ = &files_;
    return files_.shutdown();
}

Result Drivers::openDatabase(const std::string& name, DatabaseHandle* db) {
    last_ = &files_;
    return files_.openDatabase(name, db);
}

Result Drivers::openServerDatabase(const std::string& connection, const std::string& user,
                                   const std::string& password, DatabaseHandle* db) {
    last_ = &server_;
    return server_.openServerDatabase(connection, user, password, db);
}

Result Drivers::closeDatabase(DatabaseHandle db) {
    return by(db).closeDatabase(db);
}

Result Drivers::setDirectory(DatabaseHandle db, const std::string& path) {
    return by(db).setDirectory(db, path);
}

Result Drivers::databaseType(DatabaseHandle db, std::string* type) {
    return by(db).databaseType(db, type);
}

Result Drivers::openTable(DatabaseHandle db, const std::string& name, OpenMode open, ShareMode share,
                          CursorHandle* cursor) {
    return by(db).openTable(db, name, open, share, cursor);
}

Result Drivers::addPassword(const std::string& password) {
    last_ = &files_;
    return files_.addPassword(password);
}

Result Drivers::removePassword(const std::string& password) {
    last_ = &files_;
    return files_.removePassword(password);
}

Result Drivers::removeAllPasswords() {
    last_ = &files_;
    return files_.removeAllPasswords();
}

Result Drivers::allocateStatement(DatabaseHandle db, StatementHandle* stmt) {
    return by(db).allocateStatement(db, stmt);
}

Result Drivers::freeStatement(StatementHandle stmt) {
    return by(stmt).freeStatement(stmt);
}

Result Drivers::setStatementProperty(StatementHandle stmt, StatementProperty property, int value) {
    return by(stmt).setStatementProperty(stmt, property, value);
}

Result Drivers::prepare(StatementHandle stmt, const std::string& sql) {
    return by(stmt).prepare(stmt, sql);
}

Result Drivers::execute(StatementHandle stmt, CursorHandle* cursor) {
    return by(stmt).execute(stmt, cursor);
}

Result Drivers::cursorProperties(CursorHandle cursor, CursorProps* props) {
    return by(cursor).cursorProperties(cursor, props);
}

Result Drivers::fieldDescriptors(CursorHandle cursor, std::vector<FieldDesc>* fields) {
    return by(cursor).fieldDescriptors(cursor, fields);
}

Result Drivers::validityCheck(CursorHandle cursor, std::uint16_t index, ValidityCheck* check) {
    return by(cursor).validityCheck(cursor, index, check);
}

Result Drivers::setToBegin(CursorHandle cursor) {
    return by(cursor).setToBegin(cursor);
}

Result Drivers::setToEnd(CursorHandle cursor) {
    return by(cursor).setToEnd(cursor);
}

Result Drivers::getRecord(CursorHandle cursor, GetMode mode, std::uint8_t* record) {
    return by(cursor).getRecord(cursor, mode, record);
}

Result Drivers::getBookmark(CursorHandle cursor, std::uint8_t* bookmark) {
    return by(cursor).getBookmark(cursor, bookmark);
}

Result Drivers::setToBookmark(CursorHandle cursor, const std::uint8_t* bookmark) {
    return by(cursor).setToBookmark(cursor, bookmark);
}

Result Drivers::initRecord(CursorHandle cursor, std::uint8_t* record) {
    return by(cursor).initRecord(cursor, record);
}

Result Drivers::getField(CursorHandle cursor, std::uint16_t fieldNumber, const std::uint8_t* record,
                         void* value, bool* isBlank) {
    return by(cursor).getField(cursor, fieldNumber, record, value, isBlank);
}

Result Drivers::putField(CursorHandle cursor, std::uint16_t fieldNumber, std::uint8_t* record,
                         const void* value) {
    return by(cursor).putField(cursor, fieldNumber, record, value);
}

Result Drivers::lockRecord(CursorHandle cursor) {
    return by(cursor).lockRecord(cursor);
}

Result Drivers::releaseLock(CursorHandle cursor) {
    return by(cursor).releaseLock(cursor);
}

Result Drivers::modifyRecord(CursorHandle cursor, const std::uint8_t* record) {
    return by(cursor).modifyRecord(cursor, record);
}

Result Drivers::insertRecord(CursorHandle cursor, const std::uint8_t* record) {
    return by(cursor).insertRecord(cursor, record);
}

Result Drivers::deleteRecord(CursorHandle cursor, const std::uint8_t* record) {
    return by(cursor).deleteRecord(cursor, record);
}

Result Drivers::closeCursor(CursorHandle cursor) {
    return by(cursor).closeCursor(cursor);
}

Result Drivers::errorText(Result result, std::string* text) {
    return files_.errorText(result, text);
}

Result Drivers::errorEntry(std::uint16_t index, ErrorEntry* entry) {
    return last_->errorEntry(index, entry);
}

Result Drivers::toNative(const std::string& charset, const std::string& text, std::string* out) {
    return files_.toNative(charset, text, out);
}

Result Drivers::toAnsi(const std::string& charset, const std::string& text, std::string* out) {
    return files_.toAnsi(charset, text, out);
}

namespace {

std::unique_ptr<TableEngine>& replacementEngine() {
    static std::unique_ptr<TableEngine> replacement;
    return replacement;
}

}  // namespace

TableEngine& currentEngine() {
    // Never destroyed, so objects that close their cursors while the process ends still find it.
    static Drivers* const drivers = new Drivers;
    if (auto& replacement = replacementEngine()) return *replacement;
    return *drivers;
}

void setCurrentEngine(std::unique_ptr<TableEngine> replacement) {
    replacementEngine() = std::move(replacement);
}

}  // namespace engine
