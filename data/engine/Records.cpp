// Record buffer layout and the conversions between record slots and SQLite values.
#include "data/engine/Records.h"

#include <cstring>

#include "data/engine/Dates.h"

namespace engine {
namespace {

std::uint32_t valueLength(const FieldSpec& field) {
    switch (field.type) {
        case FieldType::Float:
            return sizeof(double);
        case FieldType::Integer:
        case FieldType::Date:
            return sizeof(std::int32_t);
        case FieldType::String:
            return field.size * 4u + 1u;
        case FieldType::Unknown:
            break;
    }
    return 0;
}

template <typename T>
void store(std::uint8_t* slot, T value) {
    slot[0] = 1;
    std::memcpy(slot + 1, &value, sizeof value);
}

template <typename T>
T load(const std::uint8_t* slot) {
    T value;
    std::memcpy(&value, slot + 1, sizeof value);
    return value;
}

std::int32_t clampToInt32(std::int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// The length of the first `characters` UTF-8 characters of `text` (never splitting a character), at most
// `bytes` bytes.
std::size_t cutLength(const char* text, std::size_t length, std::size_t characters, std::size_t bytes) {
    std::size_t end = 0, counted = 0;
    while (end < length && counted < characters) {
        std::size_t next = end + 1;
        while (next < length && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
        if (next > bytes) break;
        end = next;
        ++counted;
    }
    return end;
}

}  // namespace

RecordLayout::RecordLayout(const std::vector<FieldSpec>& fields) {
    std::uint32_t offset = 0;
    std::uint16_t number = 0;
    for (const FieldSpec& field : fields) {
        FieldDesc desc;
        desc.number = ++number;
        desc.name = field.name;
        desc.type = field.type;
        desc.size = field.type == FieldType::String ? field.size : 0;
        desc.offset = offset;
        desc.length = 1 + valueLength(field);
        offset += desc.length;
        fields_.push_back(desc);
    }
    recordSize_ = offset;
}

void RecordLayout::readColumn(sqlite3_stmt* statement, int column, std::size_t index,
                              std::uint8_t* record) const {
    const FieldDesc& field = fields_[index];
    std::uint8_t* slot = record + field.offset;
    std::memset(slot, 0, field.length);
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) return;
    switch (field.type) {
        case FieldType::Float:
            store(slot, sqlite3_column_double(statement, column));
            break;
        case FieldType::Integer:
            store(slot, clampToInt32(sqlite3_column_int64(statement, column)));
            break;
        case FieldType::Date: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            if (auto day = text ? dayNumberFromIso(text) : std::nullopt) store(slot, *day);
            break;
        }
        case FieldType::String: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            const std::size_t length = sqlite3_column_bytes(statement, column);
            slot[0] = 1;
            if (text) std::memcpy(slot + 1, text, cutLength(text, length, field.size, field.length - 1));
            break;
        }
        case FieldType::Unknown:
            break;
    }
}

void RecordLayout::bindField(sqlite3_stmt* statement, int parameter, std::size_t index,
                             const std::uint8_t* record) const {
    const FieldDesc& field = fields_[index];
    const std::uint8_t* slot = record + field.offset;
    if (slot[0] == 0) {
        sqlite3_bind_null(statement, parameter);
        return;
    }
    switch (field.type) {
        case FieldType::Float:
            sqlite3_bind_double(statement, parameter, load<double>(slot));
            break;
        case FieldType::Integer:
            sqlite3_bind_int(statement, parameter, load<std::int32_t>(slot));
            break;
        case FieldType::Date: {
            const auto text = isoFromDayNumber(load<std::int32_t>(slot));
            if (text) {
                sqlite3_bind_text(statement, parameter, text->c_str(), -1, SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(statement, parameter);
            }
            break;
        }
        case FieldType::String: {
            const auto* text = reinterpret_cast<const char*>(slot + 1);
            sqlite3_bind_text(statement, parameter, text, static_cast<int>(strnlen(text, field.length - 1)),
                              SQLITE_TRANSIENT);
            break;
        }
        case FieldType::Unknown:
            sqlite3_bind_null(statement, parameter);
            break;
    }
}

Result RecordLayout::getField(std::uint16_t number, const std::uint8_t* record, void* value,
                              bool* isBlank) const {
    if (number < 1 || number > fields_.size() || !record) return code::InvalidParameter;
    const FieldDesc& field = fields_[number - 1];
    const std::uint8_t* slot = record + field.offset;
    const bool blank = slot[0] == 0;
    if (isBlank) *isBlank = blank;
    if (!value) return code::Ok;
    if (blank) {
        std::memset(value, 0, field.length - 1);
    } else if (field.type == FieldType::String) {
        const auto* text = reinterpret_cast<const char*>(slot + 1);
        const std::size_t length = strnlen(text, field.length - 1);
        std::memcpy(value, text, length);
        static_cast<char*>(value)[length] = '\0';
    } else {
        std::memcpy(value, slot + 1, field.length - 1);
    }
    return code::Ok;
}

Result RecordLayout::putField(std::uint16_t number, std::uint8_t* record, const void* value) const {
    if (number < 1 || number > fields_.size() || !record) return code::InvalidParameter;
    const FieldDesc& field = fields_[number - 1];
    std::uint8_t* slot = record + field.offset;
    std::memset(slot, 0, field.length);
    if (!value) return code::Ok;
    if (field.type == FieldType::String) {
        const auto* text = static_cast<const char*>(value);
        std::memcpy(slot + 1, text, cutLength(text, std::strlen(text), field.size, field.length - 1));
    } else {
        std::memcpy(slot + 1, value, field.length - 1);
    }
    slot[0] = 1;
    return code::Ok;
}

}  // namespace engine
