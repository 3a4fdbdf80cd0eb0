// Copying a ledger between a file and a server, both ways, with a value-for-value comparison after it.
#include "tools/LedgerCopy.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "engine/LedgerFile.h"
#include "engine/ServerLedger.h"
#include "tools/EngineSession.h"

namespace kovreldb {
namespace {

std::string filePath(const std::string& directory) {
    return (std::filesystem::path(directory) / engine::LedgerFileName).string();
}

using RowHandler = std::function<void(const engine::LedgerValues&)>;

void readRows(const std::string& ledger, const RowHandler& row) {
    const auto server = serverLedger(ledger);
    std::string error;
    if ((server ? engine::readServerLedgerRows(*server, row, &error)
                : engine::readLedgerRows(filePath(ledger), row, &error)) != engine::code::Ok)
        throw CommandFailure(error);
}

std::vector<engine::LedgerValues> rowsOf(const std::string& ledger) {
    std::vector<engine::LedgerValues> rows;
    readRows(ledger, [&rows](const engine::LedgerValues& values) { rows.push_back(values); });
    return rows;
}

// Removes every row of the ledger `to`, which held none before the copy; throws when it cannot.
void removeCopiedRows(const std::string& to, const std::string& why) {
    const std::string cannot = why + "\nthe rows copied cannot be removed: ";
    std::string error;
    const auto server = serverLedger(to);
    if ((server ? engine::removeServerLedgerRows(*server, &error)
                : engine::removeLedgerRows(filePath(to), &error)) != engine::code::Ok)
        throw CommandFailure(cannot + error);
}

// Makes the ledger `to` unless it exists; an existing one must hold no rows.
void prepareTarget(const std::string& to) {
    const auto server = serverLedger(to);
    std::string error;
    if (!server && !std::filesystem::exists(filePath(to))) {
        if (engine::createLedgerFile(filePath(to), &error) != engine::code::Ok) throw CommandFailure(error);
        return;
    }
    if (server && engine::createServerLedger(*server, &error) == engine::code::Ok) return;
    std::string report;
    const engine::Result sound =
        server ? engine::checkServerLedger(*server, &report) : engine::checkLedgerFile(filePath(to), &report);
    if (sound != engine::code::Ok) throw CommandFailure(report);
    bool holdsRows = false;
    readRows(to, [&holdsRows](const engine::LedgerValues&) { holdsRows = true; });
    if (holdsRows)
        throw CommandFailure(to + ": the ledger to copy into already holds rows; nothing was copied");
}

// The holiday calendar of `ledger`, every day of it.
std::vector<engine::Holiday> calendarOf(const std::string& ledger) {
    std::vector<engine::Holiday> days;
    EngineSession session(ledger);
    check(session.eng(), session.eng().readHolidays(session.database(), "0001-01-01", "9999-12-31", &days));
    return days;
}

// Puts the days of `calendar` into the holiday calendar of `to` beside the days it holds, and reads them
// back: empty when each is there under its name; else why not, with the days it added taken out again.
std::string copyCalendar(const std::vector<engine::Holiday>& calendar, const std::string& to) {
    const std::vector<engine::Holiday> before = calendarOf(to);
    const auto holds = [](const std::vector<engine::Holiday>& days, const engine::Holiday& day) {
        return std::find(days.begin(), days.end(), day) != days.end();
    };
    try {
        EngineSession session(to);
        check(session.eng(), session.eng().changeHolidays(session.database(), calendar, {}, true));
    } catch (const CommandFailure& failure) {
        return std::string("the holiday calendar cannot be copied: ") + failure.what();
    }
    const std::vector<engine::Holiday> after = calendarOf(to);
    if (std::all_of(calendar.begin(), calendar.end(),
                    [&](const engine::Holiday& day) { return holds(after, day); }))
        return {};
    std::vector<std::string> added;
    for (const engine::Holiday& day : after)
        if (!holds(before, day)) added.push_back(day.day);
    EngineSession session(to);
    check(session.eng(), session.eng().changeHolidays(session.database(), {}, added, false));
    return "the holiday calendar's copy is not exact (a day of it is in the calendar under another name)";
}

std::string valueText(const engine::LedgerValue& value) {
    if (const double* number = std::get_if<double>(&value)) return std::to_string(*number);
    if (const std::string* text = std::get_if<std::string>(&value)) return "'" + *text + "'";
    return "empty";
}

}  // namespace

std::optional<std::string> serverLedger(const std::string& name) {
    if (name.find('=') != std::string::npos || name.starts_with("postgresql://") ||
        name.starts_with("postgres://"))
        return name;
    std::string refusal;
    auto connection = engine::serverConnectionIn(name, &refusal);
    if (!refusal.empty()) throw CommandFailure(refusal);
    return connection;
}

std::string copyLedger(const std::string& from, const std::string& to) {
    const std::vector<engine::LedgerValues> rows = rowsOf(from);
    const std::vector<engine::Holiday> calendar = calendarOf(from);
    prepareTarget(to);
    std::size_t next = 0;
    const auto feed = [&](engine::LedgerValues& values) {
        if (next == rows.size()) return false;
        values = rows[next++];
        return true;
    };
    std::string error;
    std::uint64_t loaded = 0;
    const auto server = serverLedger(to);
    const engine::Result stored = server ? engine::loadServerLedgerRows(*server, feed, &loaded, &error)
                                         : engine::loadLedgerRows(filePath(to), feed, &loaded, &error);
    if (stored != engine::code::Ok) throw CommandFailure(error + "\nnothing was copied");
    // The copy is read back and compared with the original row by row as it comes; a copy that is not
    // exact, or that does not check sound, is taken out again, so a copy either is whole or is not there.
    std::size_t copied = 0;
    std::string mismatch;
    readRows(to, [&](const engine::LedgerValues& values) {
        const std::size_t r = copied++;
        if (!mismatch.empty() || r >= rows.size()) return;
        for (std::size_t c = 0; c < engine::LedgerColumnCount && mismatch.empty(); ++c) {
            if (rows[r][c] != values[c])
                mismatch = "row " + std::to_string(r + 1) + ", " + engine::ledgerColumns()[c].name + ": " +
                           valueText(rows[r][c]) + " was copied as " + valueText(values[c]);
        }
    });
    if (mismatch.empty() && copied != rows.size())
        mismatch = "the copy holds " + std::to_string(copied) + " rows, the ledger copied " +
                   std::to_string(rows.size());
    if (!mismatch.empty()) mismatch += ": the copy is not exact";
    std::string report;
    if (mismatch.empty() && (server ? engine::checkServerLedger(*server, &report)
                                    : engine::checkLedgerFile(filePath(to), &report)) != engine::code::Ok)
        mismatch = report;
    if (mismatch.empty() && !calendar.empty()) mismatch = copyCalendar(calendar, to);
    if (!mismatch.empty()) {
        removeCopiedRows(to, mismatch);
        throw CommandFailure(mismatch + "\nnothing was copied");
    }
    return std::to_string(loaded) + " rows copied, every value equal to the original\n" +
           (calendar.empty() ? std::string() : std::to_string(calendar.size()) + " holidays copied\n") +
           report;
}

}  // namespace kovreldb
