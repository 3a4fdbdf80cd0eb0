// What the table engine's drivers share of the operation table: starting and stopping, error entries,
// and every call on an open cursor.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/PagedCursor.h"

namespace engine {

// A row of a driver's table of error texts.
struct CodeText {
    Result code;
    const char* text;
};

// The text that `texts` gives for `result`; nullptr when it gives none.
inline const char* textOfCode(std::span<const CodeText> texts, Result result) {
    for (const CodeText& entry : texts) {
        if (entry.code == result) return entry.text;
    }
    return nullptr;
}

// The base of a driver. It owns the driver's cursors and the error entries of its last call: a call that
// fails leaves its entries until the next call other than errorText and errorEntry. Each handle it gives
// carries `handleBit`, so the process's engine can tell one driver's handles from another's.
class DriverCore : public TableEngine {
  public:
    ~DriverCore() override = default;

    Result initialise(const StartupRecord& startup) override;
    Result currentSession(SessionHandle* session) override;
    Result shutdown() override;

    Result addPassword(const std::string& password) override;
    Result removePassword(const std::string& password) override;
    Result removeAllPasswords() override;

    Result cursorProperties(CursorHandle cursor, CursorProps* props) override;
    Result fieldDescriptors(CursorHandle cursor, std::vector<FieldDesc>* fields) override;
    Result validityCheck(CursorHandle cursor, std::uint16_t index, ValidityCheck* check) override;

    Result setToBegin(CursorHandle cursor) override;
    Result setToEnd(CursorHandle cursor) override;
    Result getRecord(CursorHandle cursor, GetMode mode, std::uint8_t* record) override;
    Result getBookmark(CursorHandle cursor, std::uint8_t* bookmark) override;
    Result setToBookmark(CursorHandle cursor, const std::uint8_t* bookmark) override;

    Result initRecord(CursorHandle cursor, std::uint8_t* record) override;
    Result getField(CursorHandle cursor, std::uint16_t fieldNumber, const std::uint8_t* record, void* value,
                    bool* isBlank) override;
    Result putField(CursorHandle cursor, std::uint16_t fieldNumber, std::uint8_t* record,
                    const void* value) override;

    Result lockRecord(CursorHandle cursor) override;
    Result releaseLock(CursorHandle cursor) override;
    Result modifyRecord(CursorHandle cursor, const std::uint8_t* record) override;
    Result insertRecord(CursorHandle cursor, const std::uint8_t* record) override;
    Result deleteRecord(CursorHandle cursor, const std::uint8_t* record) override;
    Result closeCursor(CursorHandle cursor) override;

    Result errorText(Result result, std::string* text) override;
    Result errorEntry(std::uint16_t index, ErrorEntry* entry) override;

    Result toNative(const std::string& charset, const std::string& text, std::string* out) override;
    Result toAnsi(const std::string& charset, const std::string& text, std::string* out) override;

    // The open cursor `handle` names, or nullptr.
    virtual Cursor* cursorOf(CursorHandle handle);
    // Closes the cursor `handle` names; false when there is none.
    virtual bool dropCursor(CursorHandle handle);

  protected:
    explicit DriverCore(std::uint32_t handleBit = 0) : handleBit_(handleBit) {}

    // Starts a call: clears the previous call's error entries and checks that the engine runs.
    virtual Result begin();
    Result fail(Result result, const std::string& text);
    Result fail(const Failure& failure) { return fail(failure.code, failure.text); }
    // Records an entry for a failing cursor answer; end-of-data answers are not errors.
    Result answer(Result result, const Failure& failure, const char* what);

    std::uint32_t newHandle() { return handleBit_ | nextHandle_++; }
    CursorHandle addCursor(std::unique_ptr<Cursor> cursor);

  private:
    // Begins a call on the cursor `handle` and answers what `work` answers for it; an unknown handle
    // answers InvalidHandle.
    template <typename Work>
    Result onCursor(CursorHandle handle, Work&& work);

    std::uint32_t handleBit_;
    bool initialised_ = false;
    std::uint32_t nextHandle_ = 1;
    std::map<CursorHandle, std::unique_ptr<Cursor>> cursors_;
    std::pair<CursorHandle, Cursor*> lastCursor_{NoHandle, nullptr};  // the cursor looked up last
    std::vector<ErrorEntry> errors_;
};

// A driver with databases and statements of its own kinds: `Database` for what an open database keeps,
// `Statement` (with `database`, `liveWanted` and `prepared`) for a statement. `type` is what
// databaseType answers.
template <typename Database, typename Statement>
class Driver : public DriverCore {
  public:
    Result shutdown() override {
        DriverCore::shutdown();
        statements_.clear();
        databases_.clear();
        return code::Ok;
    }

    Result closeDatabase(DatabaseHandle db) override {
        if (const Result result = begin()) return result;
        if (!databases_.erase(db)) return fail(code::InvalidHandle, "Unknown database handle.");
        return code::Ok;
    }

    Result databaseType(DatabaseHandle db, std::string* type) override {
        return onDatabase(db, [&](Database&) -> Result {
            *type = type_;
            return code::Ok;
        });
    }

    Result allocateStatement(DatabaseHandle db, StatementHandle* stmt) override {
        return onDatabase(db, [&](Database&) -> Result {
            *stmt = newHandle();
            statements_[*stmt].database = db;
            return code::Ok;
        });
    }

    Result freeStatement(StatementHandle stmt) override {
        if (const Result result = begin()) return result;
        if (!statements_.erase(stmt)) return fail(code::InvalidHandle, "Unknown statement handle.");
        return code::Ok;
    }

    Result setStatementProperty(StatementHandle stmt, StatementProperty property, int value) override {
        Result result = code::Ok;
        Statement* found = startedStatement(stmt, &result);
        if (!found) return result;
        if (property == StatementProperty::LiveWanted) found->liveWanted = value == 1;
        return code::Ok;
    }

  protected:
    Driver(const char* type, std::uint32_t handleBit = 0) : DriverCore(handleBit), type_(type) {}

    Database* database(DatabaseHandle handle) { return lookUp(databases_, handle); }
    Statement* statement(StatementHandle handle) { return lookUp(statements_, handle); }
    // Begins a call on the database `handle` and answers what `work` answers for it; an unknown handle
    // answers InvalidHandle.
    template <typename Work>
    Result onDatabase(DatabaseHandle handle, Work&& work) {
        if (const Result result = begin()) return result;
        Database* found = database(handle);
        if (!found) return fail(code::InvalidHandle, "Unknown database handle.");
        return work(*found);
    }
    // The statement for `handle` once the engine runs, or nullptr with *result saying why not.
    Statement* startedStatement(StatementHandle handle, Result* result) {
        if ((*result = begin())) return nullptr;
        Statement* found = statement(handle);
        if (!found) *result = fail(code::InvalidHandle, "Unknown statement handle.");
        return found;
    }
    // The same for a statement to execute: one that was prepared.
    Statement* preparedStatement(StatementHandle handle, Result* result) {
        Statement* found = startedStatement(handle, result);
        if (found && !found->prepared) {
            *result = fail(code::NoStatement, "Execute without a prepared statement.");
            return nullptr;
        }
        return found;
    }
    DatabaseHandle addDatabase(Database database) {
        const DatabaseHandle handle = newHandle();
        databases_.emplace(handle, std::move(database));
        return handle;
    }
    bool hasDatabases() const { return !databases_.empty(); }

  private:
    // The entry of `map` for `handle`, or nullptr.
    template <typename Map>
    static typename Map::mapped_type* lookUp(Map& map, std::uint32_t handle) {
        const auto entry = map.find(handle);
        return entry == map.end() ? nullptr : &entry->second;
    }

    const char* type_;
    std::map<DatabaseHandle, Database> databases_;
    std::map<StatementHandle, Statement> statements_;
};

}  // namespace engine
