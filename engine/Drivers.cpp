// The process's table engine: each call sent to the driver of its handle, and the engine tests replace.
#include "engine/Drivers.h"

namespace engine {

DriverCore& Drivers::driverOf(std::uint32_t handle) {
    if (handle & PostgresEngine::HandleBit) return server_;
    return files_;
}

Result Drivers::begin() {
    last_ = this;
    return DriverCore::begin();
}

Result Drivers::initialise(const StartupRecord& startup) {
    files_.initialise(startup);
    server_.initialise(startup);
    return DriverCore::initialise(startup);
}

Result Drivers::shutdown() {
    files_.shutdown();
    server_.shutdown();
    last_ = this;
    return DriverCore::shutdown();
}

Result Drivers::openDatabase(const std::string& name, DatabaseHandle* db) {
    words_ = last_ = &files_;
    return files_.openDatabase(name, db);
}

Result Drivers::openServerDatabase(const std::string& connection, const std::string& user,
                                   const std::string& password, DatabaseHandle* db) {
    words_ = last_ = &server_;
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

Result Drivers::readHolidays(DatabaseHandle db, const std::string& first, const std::string& last,
                             std::vector<Holiday>* days) {
    return by(db).readHolidays(db, first, last, days);
}

Result Drivers::changeHolidays(DatabaseHandle db, const std::vector<Holiday>& add,
                               const std::vector<std::string>& remove, bool keepExisting) {
    return by(db).changeHolidays(db, add, remove, keepExisting);
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

Result Drivers::errorText(Result result, std::string* text) {
    return words_->errorText(result, text);
}

Result Drivers::errorEntry(std::uint16_t index, ErrorEntry* entry) {
    return last_ == this ? DriverCore::errorEntry(index, entry) : last_->errorEntry(index, entry);
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
