// Shared helpers of the engine tests: a ledger in a temporary directory and an engine opened on it.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/engine/Engine.h"
#include "data/engine/LedgerFile.h"
#include "data/engine/SqliteEngine.h"

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
