// Starting the engine for one command and turning its failures into exceptions with its own texts.
#include "tools/EngineSession.h"

#include "tools/LedgerCopy.h"

namespace kovreldb {

namespace {

std::string errorEntries(engine::TableEngine& eng, engine::Result result) {
    std::string message;
    engine::ErrorEntry entry;
    for (std::uint16_t index = 1; eng.errorEntry(index, &entry) == engine::code::Ok; ++index) {
        if (!message.empty()) message += '\n';
        message += entry.text;
    }
    if (message.empty()) eng.errorText(result, &message);
    if (message.empty()) message = "engine error " + std::to_string(result);
    return message;
}

}  // namespace

std::string tsvField(std::string_view text) {
    std::string field;
    for (const char c : text) {
        switch (c) {
            case '\t':
                field += "\\t";
                break;
            case '\n':
                field += "\\n";
                break;
            case '\r':
                field += "\\r";
                break;
            case '\\':
                field += "\\\\";
                break;
            default:
                field += c;
        }
    }
    return field;
}

void check(engine::TableEngine& eng, engine::Result result) {
    if (result != engine::code::Ok) throw CommandFailure(errorEntries(eng, result));
}

EngineSession::EngineSession(const std::string& directory) : eng_(engine::currentEngine()) {
    const engine::Result started = eng_.initialise(engine::StartupRecord{});
    if (started != engine::code::AlreadyInitialised) check(eng_, started);
    // A server ledger logs in with libpq's own password sources (PGPASSWORD, the password file).
    if (const auto server = serverLedger(directory)) {
        check(eng_, eng_.openServerDatabase(*server, "", "", &db_));
        return;
    }
    check(eng_, eng_.openDatabase("", &db_));
    check(eng_, eng_.setDirectory(db_, directory));
}

EngineSession::~EngineSession() {
    if (db_ != engine::NoHandle) eng_.closeDatabase(db_);
    eng_.shutdown();
}

}  // namespace kovreldb
