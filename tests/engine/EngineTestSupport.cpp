// Shared helpers of the engine tests.
#include "EngineTestSupport.h"

#include <cstring>

namespace enginetest {

using namespace engine;

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
    const std::uint8_t* slot = record + field.offset;
    if (slot[0] == 0) return "";
    char text[64];
    switch (field.type) {
        case FieldType::Float: {
            double value;
            std::memcpy(&value, slot + 1, sizeof value);
            std::snprintf(text, sizeof text, "%.15g", value);
            return text;
        }
        case FieldType::Integer: {
            std::int32_t value;
            std::memcpy(&value, slot + 1, sizeof value);
            return std::to_string(value);
        }
        case FieldType::LargeInt: {
            std::int64_t value;
            std::memcpy(&value, slot + 1, sizeof value);
            return std::to_string(value);
        }
        case FieldType::Date:
        case FieldType::String:
            return reinterpret_cast<const char*>(slot + 1);
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
