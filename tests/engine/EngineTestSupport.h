// Shared helpers of the engine tests: a ledger in a temporary directory and an engine opened on it.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/LedgerFile.h"
#include "engine/SqliteEngine.h"

namespace enginetest {

// One stored row, with the fields the tests care about; the rest stay empty.
struct Row {
    Row(std::string name, std::string reason, std::optional<double> granted = std::nullopt,
        std::optional<double> used = std::nullopt, std::optional<double> number = std::nullopt,
        std::string from = {})
        : name(std::move(name)),
          reason(std::move(reason)),
          granted(granted),
          used(used),
          number(number),
          from(std::move(from)) {}

    std::string name;
    std::string reason;
    std::optional<double> granted;
    std::optional<double> used;
    std::optional<double> number;
    std::string from;  // 'YYYY-MM-DD' or empty
};

engine::LedgerValues valuesOf(const Row& row);

// The text of field `number` of a record: numbers in shortest form, texts and dates as held, empty as "".
std::string fieldText(const std::vector<engine::FieldDesc>& fields, const std::uint8_t* record,
                      std::uint16_t number);

// The rows of a ledger's table by rowid, each as an object of its non-empty columns, numbers and texts
// as SQLite holds them.
using TableState = std::map<std::int64_t, QJsonObject>;
TableState tableState(const std::string& ledgerPath);

// Replays the ledger's change journal over `before`, the table as it was when the journal was empty,
// and compares the result with the table as it is: the same rows with the same values exactly when every
// change has its entry and every entry its change. Answers what differs, or nothing.
std::string journalMismatch(const std::string& ledgerPath, TableState before);

// Another process writing the ledger in `directory` through the engine without end, inserting, changing
// and deleting rows in an order drawn from `seed`, resting `pauseMs` between two writes, until it is
// killed: this test program started again with --ledger-writer.
class WriterProcess {
  public:
    WriterProcess(const std::string& directory, unsigned seed, int pauseMs = 0);
    ~WriterProcess() { kill(); }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;
    // Kills it at once, wherever it is, and waits for its end.
    void kill();

  private:
    pid_t pid_ = -1;
};
// The writer's own loop, run by the test program's main for --ledger-writer DIR SEED PAUSE.
int runLedgerWriter(const std::string& directory, unsigned seed, int pauseMs);

// A temporary directory holding a ledger, and an initialised engine whose database looks there.
class EngineTest : public testing::Test {
  protected:
    void SetUp() override;

    std::string ledgerPath() const { return path(engine::LedgerFileName); }
    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    void createLedger(const std::vector<Row>& rows = {});
    void addRows(const std::vector<Row>& rows);

    engine::CursorHandle openTable(engine::OpenMode mode = engine::OpenMode::ReadWrite);
    // Runs an SQL text; expects success and answers its cursor (NoHandle for a write).
    engine::CursorHandle query(const std::string& sql, bool live = false);
    engine::Result tryQuery(const std::string& sql, bool live, engine::CursorHandle* cursor);

    std::vector<engine::FieldDesc> fields(engine::CursorHandle cursor);
    std::vector<std::uint8_t> newRecord(engine::CursorHandle cursor);
    // Every remaining row from the cursor's position forward, each as its field texts joined by '|'.
    std::vector<std::string> readAll(engine::CursorHandle cursor);
    std::string rowText(engine::CursorHandle cursor, const std::uint8_t* record);
    // The value of field `number` of the current record.
    std::string current(engine::CursorHandle cursor, std::uint16_t number);
    void putText(engine::CursorHandle cursor, std::uint8_t* record, std::uint16_t number,
                 const std::string& text);
    void putFloat(engine::CursorHandle cursor, std::uint8_t* record, std::uint16_t number, double value);
    std::string firstEntryText();

    QTemporaryDir dir_;
    engine::SqliteEngine engine_;
    engine::DatabaseHandle db_ = engine::NoHandle;
};

}  // namespace enginetest
