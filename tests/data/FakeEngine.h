// A table engine double: every answer can be set by the test, and every call of interest is recorded.
#pragma once

#include <deque>
#include <map>

#include "engine/Engine.h"

class FakeEngine : public engine::TableEngine {
  public:
    engine::Result initialiseResult = engine::code::Ok;
    std::string languageSeen;
    int databasesOpened = 0;
    std::string directorySet = "unset";
    std::deque<engine::Result> openTableResults;  // answers before Ok
    std::vector<engine::OpenMode> openModes;
    std::vector<std::string> passwords;
    std::map<engine::Result, std::string> texts;
    std::vector<engine::ErrorEntry> entries;
    std::vector<std::string> prepared;
    std::map<engine::StatementProperty, int> properties;
    engine::Result prepareResult = engine::code::Ok;
    bool executeGivesCursor = true;
    int statementsFreed = 0;
    int shutdowns = 0;

    engine::Result initialise(const engine::StartupRecord& startup) override {
        languageSeen = startup.languageId;
        return initialiseResult;
    }
    engine::Result currentSession(engine::SessionHandle* session) override {
        *session = 1;
        return engine::code::Ok;
    }
    engine::Result shutdown() override {
        ++shutdowns;
        return engine::code::Ok;
    }
    engine::Result openDatabase(const std::string&, engine::DatabaseHandle* db) override {
        ++databasesOpened;
        *db = 7;
        return engine::code::Ok;
    }
    engine::Result closeDatabase(engine::DatabaseHandle) override { return engine::code::Ok; }
    engine::Result setDirectory(engine::DatabaseHandle, const std::string& path) override {
        directorySet = path;
        return engine::code::Ok;
    }
    engine::Result databaseType(engine::DatabaseHandle db, std::string* type) override {
        *type = db == 8 ? engine::ServerDatabaseType : "STANDARD";
        return engine::code::Ok;
    }
    // A server that takes the password serverPassword only.
    std::string serverPassword = "geslo";
    std::vector<std::string> serverLogins;  // "user/password" of each login tried
    engine::Result openServerDatabase(const std::string&, const std::string& user,
                                      const std::string& password, engine::DatabaseHandle* db) override {
        serverLogins.push_back(user + "/" + password);
        if (password != serverPassword) return engine::code::PasswordRequired;
        *db = 8;
        return engine::code::Ok;
    }
    engine::Result openTable(engine::DatabaseHandle, const std::string&, engine::OpenMode open,
                             engine::ShareMode, engine::CursorHandle* cursor) override {
        openModes.push_back(open);
        if (!openTableResults.empty()) {
            const engine::Result answer = openTableResults.front();
            if (answer != engine::code::PasswordRequired || passwords.empty()) {
                openTableResults.pop_front();
                return answer;
            }
            openTableResults.pop_front();
        }
        readWrite_ = open == engine::OpenMode::ReadWrite;
        *cursor = 11;
        return engine::code::Ok;
    }
    engine::Result addPassword(const std::string& password) override {
        passwords.push_back(password);
        return engine::code::Ok;
    }
    engine::Result removePassword(const std::string& password) override {
        std::erase(passwords, password);
        return engine::code::Ok;
    }
    engine::Result removeAllPasswords() override {
        passwords.clear();
        return engine::code::Ok;
    }
    engine::Result allocateStatement(engine::DatabaseHandle, engine::StatementHandle* stmt) override {
        *stmt = 21;
        return engine::code::Ok;
    }
    engine::Result freeStatement(engine::StatementHandle) override {
        ++statementsFreed;
        return engine::code::Ok;
    }
    engine::Result setStatementProperty(engine::StatementHandle, engine::StatementProperty property,
                                        int value) override {
        properties[property] = value;
        return engine::code::Ok;
    }
    engine::Result prepare(engine::StatementHandle, const std::string& sql) override {
        prepared.push_back(sql);
        return prepareResult;
    }
    engine::Result execute(engine::StatementHandle, engine::CursorHandle* cursor) override {
        readWrite_ = properties[engine::StatementProperty::LiveWanted] != 0;
        *cursor = executeGivesCursor ? 12 : engine::NoHandle;
        return engine::code::Ok;
    }
    engine::Result cursorProperties(engine::CursorHandle, engine::CursorProps* props) override {
        props->recordSize = 40;
        props->bookmarkSize = 4;
        props->readWrite = readWrite_;
        props->fieldCount = 1;
        return engine::code::Ok;
    }
    engine::Result fieldDescriptors(engine::CursorHandle, std::vector<engine::FieldDesc>* fields) override {
        fields->push_back(engine::FieldDesc{1, "PrezimeIme", engine::FieldType::String, 8, 0, 34});
        return engine::code::Ok;
    }
    engine::Result validityCheck(engine::CursorHandle, std::uint16_t, engine::ValidityCheck*) override {
        return engine::code::InvalidParameter;
    }
    engine::Result setToBegin(engine::CursorHandle) override { return engine::code::Ok; }
    engine::Result setToEnd(engine::CursorHandle) override { return engine::code::Ok; }
    engine::Result getRecord(engine::CursorHandle, engine::GetMode mode, std::uint8_t*) override {
        return mode == engine::GetMode::Prior ? engine::code::BeforeFirst : engine::code::PastLast;
    }
    engine::Result getBookmark(engine::CursorHandle, std::uint8_t*) override { return engine::code::Ok; }
    engine::Result setToBookmark(engine::CursorHandle, const std::uint8_t*) override {
        return engine::code::Ok;
    }
    engine::Result initRecord(engine::CursorHandle, std::uint8_t* record) override {
        std::fill(record, record + 40, 0);
        return engine::code::Ok;
    }
    engine::Result getField(engine::CursorHandle, std::uint16_t, const std::uint8_t*, void*, bool*) override {
        return engine::code::Ok;
    }
    engine::Result putField(engine::CursorHandle, std::uint16_t, std::uint8_t*, const void*) override {
        return engine::code::Ok;
    }
    engine::Result lockRecord(engine::CursorHandle) override { return engine::code::Ok; }
    engine::Result releaseLock(engine::CursorHandle) override { return engine::code::Ok; }
    engine::Result modifyRecord(engine::CursorHandle, const std::uint8_t*) override {
        return engine::code::Ok;
    }
    engine::Result insertRecord(engine::CursorHandle, const std::uint8_t*) override {
        return engine::code::Ok;
    }
    engine::Result deleteRecord(engine::CursorHandle, const std::uint8_t*) override {
        return engine::code::Ok;
    }
    engine::Result closeCursor(engine::CursorHandle) override { return engine::code::Ok; }
    engine::Result errorText(engine::Result result, std::string* text) override {
        const auto found = texts.find(result);
        *text = found == texts.end() ? std::string() : found->second;
        return engine::code::Ok;
    }
    engine::Result errorEntry(std::uint16_t index, engine::ErrorEntry* entry) override {
        if (index > entries.size()) return engine::code::NoMoreErrorEntries;
        *entry = entries[index - 1];
        return engine::code::Ok;
    }
    engine::Result toNative(const std::string&, const std::string& text, std::string* out) override {
        *out = text;
        return engine::code::Ok;
    }
    engine::Result toAnsi(const std::string&, const std::string& text, std::string* out) override {
        *out = text;
        return engine::code::Ok;
    }

  private:
    bool readWrite_ = false;
};
