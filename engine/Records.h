// Record buffers: the layout of fields in a record, and moving values between records and SQLite.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Engine.h"

namespace engine {

// A field as a cursor presents it, before offsets are assigned.
struct FieldSpec {
    std::string name;
    FieldType type = FieldType::Unknown;
    std::uint16_t size = 0;
};

// A value as a text (a server's answer): nullptr for an empty value.
struct TextValue {
    const char* text = nullptr;
    std::size_t length = 0;
};

// The whole number `text` spells: decimal digits after an optional sign and nothing else; nothing for any
// other text or for a number outside 64 bits. The engine's one reader of whole numbers written as text.
std::optional<std::int64_t> wholeNumberOf(std::string_view text);

// The fields of a cursor laid out one after another in a record buffer as Engine.h describes.
class RecordLayout {
  public:
    RecordLayout() = default;
    explicit RecordLayout(const std::vector<FieldSpec>& fields);

    const std::vector<FieldDesc>& fields() const { return fields_; }
    std::uint32_t recordSize() const { return recordSize_; }

    // Fills every field of `record` from the columns of a stepped statement, field 1 from column
    // `firstColumn` and the others from the columns after it.
    void readRow(sqlite3_stmt* statement, int firstColumn, std::uint8_t* record) const;
    // Fills every field of `record` from `values`, one per field in order.
    void readValues(sqlite3_value** values, std::uint8_t* record) const;
    // The same from texts, converted as SQLite converts a text bound with the field's kind: a Float's
    // and an Integer's text read as a number, any other kept as the text.
    void readTexts(const TextValue* values, std::uint8_t* record) const;
    // Binds field `index` of `record` to parameter `parameter` of a statement (empty as NULL).
    void bindField(sqlite3_stmt* statement, int parameter, std::size_t index,
                   const std::uint8_t* record) const;
    // Whether field `index` holds the same value in records `a` and `b`.
    bool sameValue(std::size_t index, const std::uint8_t* a, const std::uint8_t* b) const;

    // The value bytes of field `number` (1-based) into `value`; answers InvalidParameter for a bad number.
    Result getField(std::uint16_t number, const std::uint8_t* record, void* value, bool* isBlank) const;
    // Stores `value` (nullptr = empty) into field `number`; texts are cut to the field's size. Answers
    // InvalidParameter for a float that is not a finite number.
    Result putField(std::uint16_t number, std::uint8_t* record, const void* value) const;

  private:
    std::vector<FieldDesc> fields_;
    std::uint32_t recordSize_ = 0;
};

// Records filled inside SQLite. A statement that selects `kovrel_record(?N, rowid, column, ...)` hands
// each row's rowid and columns to the sink bound to parameter N, which converts them into its next record:
// cheaper than reading the columns back one call at a time. Rows past the sink's capacity are counted,
// not stored.
struct RecordSink {
    const RecordLayout* layout = nullptr;
    std::uint8_t* records = nullptr;  // room for `capacity` records of the layout
    std::int64_t* rowids = nullptr;   // room for `capacity` rowids
    std::size_t capacity = 0;
    std::size_t count = 0;  // rows handed to the sink
};

constexpr const char* RecordFunctionName = "kovrel_record";

// Makes kovrel_record available to the statements of `db`; answers SQLite's result. Outside this engine's
// own statements (no sink bound) it does nothing and answers NULL.
int registerRecordFunction(sqlite3* db);
void bindRecordSink(sqlite3_stmt* statement, int parameter, RecordSink* sink);

}  // namespace engine
