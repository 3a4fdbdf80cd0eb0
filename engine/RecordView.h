// Reading the fields of a record buffer in place, as FieldDesc lays them out: one inline view that the
// engine, the data layer and the utility share.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "engine/Dates.h"
#include "engine/Engine.h"

namespace engine {

// A record seen through its fields' descriptions. Nothing is copied but the value asked for; the view
// lives no longer than the record.
class RecordView {
  public:
    explicit RecordView(const std::uint8_t* record) : record_(record) {}

    // Whether the field's indicator byte says it holds a value.
    bool present(const FieldDesc& field) const { return slot(field)[0] != 0; }
    // A String's characters (UTF-8) or a Date's stored text, up to the terminating zero.
    std::string_view text(const FieldDesc& field) const {
        const auto* chars = reinterpret_cast<const char*>(valueBytes(field));
        return {chars, strnlen(chars, field.length - 1)};
    }
    std::int32_t integer(const FieldDesc& field) const { return read<std::int32_t>(field); }
    std::int64_t largeInt(const FieldDesc& field) const { return read<std::int64_t>(field); }
    double number(const FieldDesc& field) const { return read<double>(field); }
    // The bytes of the field's value as stored, after its indicator byte: `field.length - 1` of them.
    const std::uint8_t* valueBytes(const FieldDesc& field) const { return slot(field) + 1; }
    // A Date's day number; nothing when the field is empty or its stored text is not a day.
    std::optional<std::int32_t> day(const FieldDesc& field) const {
        if (!present(field)) return std::nullopt;
        return dayNumberFromIso(text(field).substr(0, DateTextLength));
    }

  private:
    const std::uint8_t* slot(const FieldDesc& field) const { return record_ + field.offset; }
    template <typename T>
    T read(const FieldDesc& field) const {
        T value;
        std::memcpy(&value, valueBytes(field), sizeof value);
        return value;
    }

    const std::uint8_t* record_;
};

}  // namespace engine
