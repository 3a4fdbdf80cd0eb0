// Record buffers: the layout of fields in a record, and moving values between records and SQLite.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/engine/Engine.h"

namespace engine {

// A field as a cursor presents it, before offsets are assigned.
struct FieldSpec {
    std::string name;
    FieldType type = FieldType::Unknown;
    std::uint16_t size = 0;
};

// The fields of a cursor laid out one after another in a record buffer as Engine.h describes.
class RecordLayout {
  public:
    RecordLayout() = default;
    explicit RecordLayout(const std::vector<FieldSpec>& fields);

    const std::vector<FieldDesc>& fields() const { return fields_; }
    std::uint32_t recordSize() const { return recordSize_; }

    // Fills field `index` (0-based) of `record` from column `column` of a stepped statement.
    void readColumn(sqlite3_stmt* statement, int column, std::size_t index, std::uint8_t* record) const;
    // Binds field `index` of `record` to parameter `parameter` of a statement (empty as NULL).
    void bindField(sqlite3_stmt* statement, int parameter, std::size_t index,
                   const std::uint8_t* record) const;

    // The value bytes of field `number` (1-based) into `value`; answers InvalidParameter for a bad number.
    Result getField(std::uint16_t number, const std::uint8_t* record, void* value, bool* isBlank) const;
    // Stores `value` (nullptr = empty) into field `number`; texts are cut to the field's size.
    Result putField(std::uint16_t number, std::uint8_t* record, const void* value) const;

  private:
    std::vector<FieldDesc> fields_;
    std::uint32_t recordSize_ = 0;
};

}  // namespace engine
