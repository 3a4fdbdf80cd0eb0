// Shared helpers of the engine tests.
#include "EngineTestSupport.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <cstring>
#include <random>
#include <thread>

#include "engine/Journal.h"
#include "engine/RecordView.h"

namespace enginetest {

using namespace engine;

TableState tableState(const std::string& ledgerPath) {
    TableState state;
    sqlite3* db = nullptr;
    sqlite3_open_v2(ledgerPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, * FROM kovrel", -1, &statement, nullptr);
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        QJsonObject row;
        for (int column = 1; column < sqlite3_column_count(statement); ++column) {
            const QString name = QString::fromUtf8(sqlite3_column_name(statement, column));
            switch (sqlite3_column_type(statement, column)) {
                case SQLITE_NULL:
                    break;
                case SQLITE_TEXT:
                    row[name] = QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
                    break;
                default:
                    row[name] = sqlite3_column_double(statement, column);
            }
        }
        state[sqlite3_column_int64(statement, 0)] = row;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return state;
}

std::string journalMismatch(const std::string& ledgerPath, TableState state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(ledgerPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, Operacija, Kljuc, Staro, Novo FROM dnevnik ORDER BY rowid", -1,
                       &statement, nullptr);
    const auto object = [&](int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return text ? QJsonDocument::fromJson(text).object() : QJsonObject();
    };
    std::string mismatch;
    while (mismatch.empty() && statement && sqlite3_step(statement) == SQLITE_ROW) {
        const std::string entry = "entry " + std::to_string(sqlite3_column_int64(statement, 0));
        const std::string operation = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
        const std::int64_t key = sqlite3_column_int64(statement, 2);
        const QJsonObject before = object(3), after = object(4);
        const auto found = state.find(key);
        if (operation == JournalInsert) {
            if (found != state.end()) mismatch = entry + ": an insert over row " + std::to_string(key);
            state[key] = after;
            continue;
        }
        if (found == state.end()) {
            mismatch = entry + ": no row " + std::to_string(key);
            continue;
        }
        for (auto value = before.begin(); value != before.end(); ++value) {
            const QJsonValue held = found->second.value(value.key());
            if (held != value.value() && !(held.isUndefined() && value.value().isNull()))
                mismatch = entry + ": row " + std::to_string(key) + " did not hold the old " +
                           value.key().toStdString();
        }
        if (operation == JournalDelete) {
            if (found->second.size() != before.size())
                mismatch = entry + ": the deleted row held other values";
            state.erase(found);
            continue;
        }
        for (auto value = after.begin(); value != after.end(); ++value) {
            if (value.value().isNull())
                found->second.remove(value.key());
            else
                found->second[value.key()] = value.value();
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    if (!mismatch.empty()) return mismatch;
    const TableState now = tableState(ledgerPath);
    if (now == state) return {};
    for (const auto& [key, row] : now) {
        const auto replayed = state.find(key);
        if (replayed == state.end()) return "row " + std::to_string(key) + " has no entry";
        if (replayed->second != row)
            return "row " + std::to_string(key) + " differs from its entries: " +
                   QJsonDocument(row).toJson(QJsonDocument::Compact).toStdString() + " against " +
                   QJsonDocument(replayed->second).toJson(QJsonDocument::Compact).toStdString();
    }
    return "entries of rows the table does not hold";
}

WriterProcess::WriterProcess(const std::string& directory, unsigned seed, int pauseMs) {
    const std::string seedText = std::to_string(seed), pauseText = std::to_string(pauseMs);
    pid_ = fork();
    if (pid_ == 0) {
        // Started afresh, so that nothing of this process's SQLite state carries over.
        execl("/proc/self/exe", "tests_engine", "--ledger-writer", directory.c_str(), seedText.c_str(),
              pauseText.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

void WriterProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

int runLedgerWriter(const std::string& directory, unsigned seed, int pauseMs) {
    SqliteEngine eng;
    DatabaseHandle db = NoHandle;
    CursorHandle table = NoHandle;
    if (eng.initialise({}) != code::Ok || eng.openDatabase("", &db) != code::Ok ||
        eng.setDirectory(db, directory) != code::Ok ||
        eng.openTable(db, LedgerFileName, OpenMode::ReadWrite, ShareMode::Shared, &table) != code::Ok)
        return 1;
    CursorProps props;
    eng.cursorProperties(table, &props);
    std::vector<std::uint8_t> record(props.recordSize);
    std::minstd_rand random(seed);
    StatementHandle statement = NoHandle;
    eng.allocateStatement(db, &statement);
    for (double n = 1;; ++n) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        const unsigned choice = random() % 10;
        if (choice < 5) {
            eng.initRecord(table, record.data());
            const std::string name = "RADNIK " + std::to_string(random() % 7);
            eng.putField(table, 4, record.data(), name.c_str());
            eng.putField(table, 9, record.data(), "SL.DANI");
            eng.putField(table, 11, record.data(), &n);
            eng.insertRecord(table, record.data());
        } else if (choice < 8) {
            eng.setToBegin(table);
            for (unsigned skip = random() % 5; skip > 0; --skip) eng.getRecord(table, GetMode::Next, nullptr);
            if (eng.getRecord(table, GetMode::Next, record.data()) != code::Ok ||
                eng.lockRecord(table) != code::Ok)
                continue;
            eng.putField(table, 8, record.data(), &n);
            eng.putField(table, 12, record.data(), choice == 7 ? &n : nullptr);
            eng.modifyRecord(table, record.data());
        } else {
            // Through SQL, as kovrel-db runs a statement that writes.
            eng.prepare(statement, "delete from kovrel where rowid = (select min(rowid) + " +
                                       std::to_string(random() % 4) + " from kovrel)");
            CursorHandle none = NoHandle;
            eng.execute(statement, &none);
        }
    }
}

LedgerValues valuesOf(const Row& row) {
    LedgerValues values;
    if (row.number) values[1] = *row.number;
    if (!row.name.empty()) values[3] = row.name;
    if (!row.from.empty()) values[4] = row.from;
    if (!row.reason.empty()) values[8] = row.reason;
    if (row.granted) values[10] = *row.granted;
    if (row.used) values[11] = *row.used;
    return values;
}

std::string fieldText(const std::vector<FieldDesc>& fields, const std::uint8_t* record,
                      std::uint16_t number) {
    const FieldDesc& field = fields.at(number - 1);
    const engine::RecordView view(record);
    if (!view.present(field)) return "";
    char text[64];
    switch (field.type) {
        case FieldType::Float:
            std::snprintf(text, sizeof text, "%.15g", view.number(field));
            return text;
        case FieldType::Integer:
            return std::to_string(view.integer(field));
        case FieldType::LargeInt:
            return std::to_string(view.largeInt(field));
        case FieldType::Date:
        case FieldType::String:
            return std::string(view.text(field));
        case FieldType::Unknown:
            break;
    }
    return "?";
}

void EngineTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    engine_.setBusyTimeout(100);
    ASSERT_EQ(engine_.initialise(StartupRecord{}), code::Ok);
    ASSERT_EQ(engine_.openDatabase("", &db_), code::Ok);
    ASSERT_EQ(engine_.setDirectory(db_, dir_.path().toStdString()), code::Ok);
}

void EngineTest::createLedger(const std::vector<Row>& rows) {
    ASSERT_EQ(createLedgerFile(ledgerPath()), code::Ok);
    addRows(rows);
}

void EngineTest::addRows(const std::vector<Row>& rows) {
    std::size_t next = 0;
    std::string error;
    const Result result = loadLedgerRows(
        ledgerPath(),
        [&](LedgerValues& values) {
            if (next == rows.size()) return false;
            values = valuesOf(rows[next++]);
            return true;
        },
        nullptr, &error);
    ASSERT_EQ(result, code::Ok) << error;
}

CursorHandle EngineTest::openTable(OpenMode mode) {
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(engine_.openTable(db_, LedgerFileName, mode, ShareMode::Shared, &cursor), code::Ok)
        << firstEntryText();
    return cursor;
}

Result EngineTest::tryQuery(const std::string& sql, bool live, CursorHandle* cursor) {
    *cursor = NoHandle;
    StatementHandle stmt = NoHandle;
    Result result = engine_.allocateStatement(db_, &stmt);
    if (result == code::Ok)
        result = engine_.setStatementProperty(stmt, StatementProperty::LiveWanted, live ? 1 : 0);
    if (result == code::Ok) result = engine_.prepare(stmt, sql);
    if (result == code::Ok) result = engine_.execute(stmt, cursor);
    // Keep the failing call's entries: free the statement through a second engine call only on success.
    if (result == code::Ok) engine_.freeStatement(stmt);
    return result;
}

CursorHandle EngineTest::query(const std::string& sql, bool live) {
    CursorHandle cursor = NoHandle;
    const Result result = tryQuery(sql, live, &cursor);
    EXPECT_EQ(result, code::Ok) << sql << ": " << firstEntryText();
    return cursor;
}

std::vector<FieldDesc> EngineTest::fields(CursorHandle cursor) {
    std::vector<FieldDesc> result;
    EXPECT_EQ(engine_.fieldDescriptors(cursor, &result), code::Ok);
    return result;
}

std::vector<std::uint8_t> EngineTest::newRecord(CursorHandle cursor) {
    CursorProps props;
    EXPECT_EQ(engine_.cursorProperties(cursor, &props), code::Ok);
    std::vector<std::uint8_t> record(props.recordSize);
    EXPECT_EQ(engine_.initRecord(cursor, record.data()), code::Ok);
    return record;
}

std::string EngineTest::rowText(CursorHandle cursor, const std::uint8_t* record) {
    const auto descs = fields(cursor);
    std::string text;
    for (std::uint16_t n = 1; n <= descs.size(); ++n)
        text += (n > 1 ? "|" : "") + fieldText(descs, record, n);
    return text;
}

std::vector<std::string> EngineTest::readAll(CursorHandle cursor) {
    std::vector<std::string> rows;
    auto record = newRecord(cursor);
    Result result;
    while ((result = engine_.getRecord(cursor, GetMode::Next, record.data())) == code::Ok)
        rows.push_back(rowText(cursor, record.data()));
    EXPECT_EQ(result, code::PastLast);
    return rows;
}

std::string EngineTest::current(CursorHandle cursor, std::uint16_t number) {
    auto record = newRecord(cursor);
    const Result result = engine_.getRecord(cursor, GetMode::Current, record.data());
    if (result != code::Ok) return "<" + std::to_string(result) + ">";
    return fieldText(fields(cursor), record.data(), number);
}

void EngineTest::putText(CursorHandle cursor, std::uint8_t* record, std::uint16_t number,
                         const std::string& text) {
    ASSERT_EQ(engine_.putField(cursor, number, record, text.c_str()), code::Ok);
}

void EngineTest::putFloat(CursorHandle cursor, std::uint8_t* record, std::uint16_t number, double value) {
    ASSERT_EQ(engine_.putField(cursor, number, record, &value), code::Ok);
}

std::string EngineTest::firstEntryText() {
    ErrorEntry entry;
    return engine_.errorEntry(1, &entry) == code::Ok ? entry.text : std::string("(no entry)");
}

}  // namespace enginetest
