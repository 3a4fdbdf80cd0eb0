// The utility's commands over the ledger's backup copies and its change journal.
#include "tools/Safekeeping.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/Backup.h"
#include "engine/Dates.h"
#include "engine/Journal.h"
#include "engine/LedgerFile.h"
#include "engine/RecordView.h"
#include "ledger/Ledger.h"
#include "tools/EngineSession.h"
#include "tools/LedgerCopy.h"

namespace kovreldb {

namespace {

std::string ledgerOf(const std::string& directory) {
    return (std::filesystem::path(directory) / engine::LedgerFileName).string();
}

std::optional<std::chrono::year_month_day> dayOf(const std::string& text) {
    int year = 0;
    unsigned month = 0, day = 0;
    int length = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2u%n", &year, &month, &day, &length) != 3 || length != 10 ||
        text.size() != 10)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month),
                                           std::chrono::day(day)};
    if (!date.ok()) return std::nullopt;
    return date;
}

// The journal of a file is read straight from SQLite and printed as it is read, whole, however many
// entries it has.
void printEntries(const std::string& ledger, const std::string& sql, std::ostream& out) {
    std::string error;
    const auto print = [&out](const std::vector<std::string>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) out << (i ? "\t" : "") << tsvField(values[i]);
        out << '\n';
    };
    if (engine::readJournalRows(ledger, sql, print, &error) != engine::code::Ok) throw CommandFailure(error);
}

// A server ledger's journal, read through the engine as the program reads it.
void printServerEntries(const std::string& directory, const std::string& sql, std::ostream& out) {
    EngineSession session(directory);
    engine::TableEngine& eng = session.eng();
    engine::StatementHandle statement = engine::NoHandle;
    engine::CursorHandle cursor = engine::NoHandle;
    check(eng, eng.allocateStatement(session.database(), &statement));
    check(eng, eng.prepare(statement, sql));
    check(eng, eng.execute(statement, &cursor));
    std::vector<engine::FieldDesc> fields;
    engine::CursorProps props;
    check(eng, eng.fieldDescriptors(cursor, &fields));
    check(eng, eng.cursorProperties(cursor, &props));
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "\t" : "") << tsvField(fields[i].name);
    out << '\n';
    std::vector<std::uint8_t> record(props.recordSize);
    engine::Result result;
    while ((result = eng.getRecord(cursor, engine::GetMode::Next, record.data())) == engine::code::Ok) {
        const engine::RecordView view(record.data());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out << (i ? "\t" : "");
            if (!view.present(fields[i])) continue;
            if (fields[i].type == engine::FieldType::Integer)
                out << view.integer(fields[i]);
            else if (fields[i].type == engine::FieldType::LargeInt)
                out << view.largeInt(fields[i]);
            else
                out << tsvField(view.text(fields[i]));
        }
        out << '\n';
    }
    if (result != engine::code::PastLast) check(eng, result);
    eng.closeCursor(cursor);
    eng.freeStatement(statement);
}

// A ledger on a server has no copies of this program's making.
void refuseServerCopies(const std::string& directory) {
    if (serverLedger(directory))
        throw CommandFailure("Knjiga je na serveru: njene kopije pravi server, ne ovaj program.");
}

}  // namespace

bool listBackups(const std::string& directory, std::ostream& out, std::ostream& err) {
    refuseServerCopies(directory);
    const std::vector<engine::BackupCopy> copies =
        engine::listBackups(engine::backupFolder(ledgerOf(directory)));
    bool sound = true;
    out << "copy\ttime\trows\n";
    for (auto copy = copies.rbegin(); copy != copies.rend(); ++copy) {
        std::uint64_t rows = 0;
        std::string error;
        const bool counted = engine::countLedgerRows(copy->ledger, &rows, &error) == engine::code::Ok;
        if (!counted) err << error << '\n';
        sound = sound && counted;
        out << copy->name << '\t' << engine::utcText(copy->time, engine::UtcStyle::Seconds) << '\t'
            << (counted ? std::to_string(rows) : "?") << '\n';
    }
    return sound;
}

void restoreBackup(const std::string& directory, const std::string& copy, std::ostream& out) {
    refuseServerCopies(directory);
    const std::string ledger = ledgerOf(directory);
    const std::string copyLedger = engine::resolveCopy(ledger, copy);
    engine::RestoreResult result;
    std::string error;
    if (engine::restoreLedger(ledger, copyLedger, std::chrono::system_clock::now(), &result, &error) !=
        engine::code::Ok)
        throw CommandFailure(error);
    out << ledger << ": the ledger as it was is kept as the copy " << result.saved.name << '\n'
        << ledger << ": restored from " << copyLedger << ", " << result.rows << " rows\n"
        << result.checkReport << '\n';
}

bool printJournal(const std::string& directory, const std::vector<std::string>& args, std::ostream& out) {
    ledger::JournalFilter filter;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return false;
        const std::string& value = args[i + 1];
        if (args[i] == "--worker") {
            filter.name = value;
            continue;
        }
        const std::optional<std::chrono::year_month_day> day = dayOf(value);
        if (!day) return false;
        if (args[i] == "--from")
            filter.fromUtc = ledger::utcStartOfLocalDay(*day);
        else if (args[i] == "--to")
            filter.toUtc = ledger::utcStartOfLocalDay(std::chrono::sys_days(*day) + std::chrono::days(1));
        else
            return false;
    }
    const std::string sql = ledger::sqlText(ledger::journalSql(filter));
    if (serverLedger(directory))
        printServerEntries(directory, sql, out);
    else
        printEntries(ledgerOf(directory), sql, out);
    return true;
}

}  // namespace kovreldb
