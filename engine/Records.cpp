// Record buffer layout and the conversions between record slots and SQLite values.
#include "engine/Records.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "engine/Dates.h"
#include "engine/RecordView.h"

namespace engine {
namespace {

std::uint32_t valueLength(const FieldSpec& field) {
    switch (field.type) {
        case FieldType::Float:
            return sizeof(double);
        case FieldType::Integer:
            return sizeof(std::int32_t);
        case FieldType::LargeInt:
            return sizeof(std::int64_t);
        case FieldType::Date:
            return DateTextLength + 1u;
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

// The most bytes a text field's slot holds before its terminating zero.
std::size_t textBytes(const FieldDesc& field) {
    return field.length - 2;
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

// How much of a stored text a date slot keeps: all of a text of up to 'YYYY-MM-DD' length, so that it is
// written back as it was even when it is not a day; of a day with a time of day the day. A longer text
// of another kind does not fit and is not kept at all (-1).
std::ptrdiff_t keptDateLength(const char* text, std::size_t length) {
    if (length <= DateTextLength) return static_cast<std::ptrdiff_t>(length);
    if (dayNumberFromIso({text, length})) return DateTextLength;
    return -1;
}

// putField of a date from its day number; a day outside the years 1 to 9999 has no stored form.
Result putDate(std::uint8_t* slot, const void* value) {
    std::int32_t day;
    std::memcpy(&day, value, sizeof day);
    const std::optional<std::string> text = isoFromDayNumber(day);
    if (!text) return code::InvalidParameter;
    slot[0] = 1;
    std::memcpy(slot + 1, text->c_str(), DateTextLength + 1);
    return code::Ok;
}

// Marks a slot empty: a number's value is zero, a text's or a date's first byte the terminator.
template <typename T>
void storeEmpty(std::uint8_t* slot) {
    store(slot, T{});
    slot[0] = 0;
}

void storeEmptyText(std::uint8_t* slot) {
    slot[0] = 0;
    slot[1] = 0;
}

// SQLite's values of a row, by field index.
template <typename ValueOf>
struct SqliteValues {
    ValueOf valueOf;
    // SQLite answers the number 0 for an empty value, so only a 0 needs asking whether the value is empty.
    double number(std::size_t index) const { return sqlite3_value_double(valueOf(index)); }
    bool null(std::size_t index) const { return sqlite3_value_type(valueOf(index)) == SQLITE_NULL; }
    std::int64_t integer(std::size_t index) const { return sqlite3_value_int64(valueOf(index)); }
    const char* text(std::size_t index, std::size_t* length) const {
        sqlite3_value* value = valueOf(index);
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        *length = static_cast<std::size_t>(sqlite3_value_bytes(value));
        return text;
    }
};

// A row of texts, by field index, read as SQLite reads a text bound for a number: a number's text up to
// where it stops being one, a whole number's exactly, any other number's cut towards zero and held to
// the range of 64 bits.
struct TextValues {
    const TextValue* values;
    double number(std::size_t index) const {
        const TextValue& value = values[index];
        double number = 0;
        if (value.text) std::from_chars(value.text, value.text + value.length, number);
        return number;
    }
    bool null(std::size_t index) const { return !values[index].text; }
    std::int64_t integer(std::size_t index) const {
        const TextValue& value = values[index];
        if (!value.text) return 0;
        if (const auto whole = wholeNumberOf({value.text, value.length})) return *whole;
        const double number = this->number(index);
        if (std::isnan(number)) return 0;
        if (number <= -9223372036854775808.0) return INT64_MIN;
        if (number >= 9223372036854775807.0) return INT64_MAX;
        return static_cast<std::int64_t>(number);
    }
    const char* text(std::size_t index, std::size_t* length) const {
        *length = values[index].length;
        return values[index].text;
    }
};

// Fills every field of `record` from `values`. Numbers are asked for directly; only a 0 needs asking
// whether the value is empty.
template <typename Values>
void fillRecord(const std::vector<FieldDesc>& fields, std::uint8_t* record, const Values& values) {
    std::size_t index = 0;
    for (const FieldDesc& field : fields) {
        const std::size_t at = index++;
        std::uint8_t* slot = record + field.offset;
        switch (field.type) {
            case FieldType::Float: {
                const double number = values.number(at);
                if (number == 0 && values.null(at))
                    storeEmpty<double>(slot);
                else
                    store(slot, number);
                break;
            }
            // A result whose integers do not all fit 32 bits has a LargeInt field (see ResultCursor).
            case FieldType::Integer:
                if (values.null(at))
                    storeEmpty<std::int32_t>(slot);
                else
                    store(slot, static_cast<std::int32_t>(values.integer(at)));
                break;
            case FieldType::LargeInt:
                if (values.null(at))
                    storeEmpty<std::int64_t>(slot);
                else
                    store(slot, values.integer(at));
                break;
            case FieldType::Date: {
                // The stored text is kept as it is; whether it makes a day is asked when the field is
                // read, so that a scan of the table does not pay for dates nobody looks at.
                std::size_t length = 0;
                const char* text = values.text(at, &length);
                const std::ptrdiff_t kept = text ? keptDateLength(text, length) : -1;
                if (kept < 0) {
                    storeEmptyText(slot);
                    break;
                }
                slot[0] = 1;
                std::memcpy(slot + 1, text, static_cast<std::size_t>(kept));
                slot[1 + kept] = 0;
                break;
            }
            case FieldType::String: {
                std::size_t length = 0;
                const char* text = values.text(at, &length);
                if (!text) {
                    storeEmptyText(slot);
                    break;
                }
                // Only the text and its terminator are written; the slot's remaining bytes are left as they
                // were. A text of no more bytes than the field has characters always fits whole.
                const std::size_t kept =
                    length <= field.size ? length : cutLength(text, length, field.size, textBytes(field));
                slot[0] = 1;
                std::memcpy(slot + 1, text, kept);
                slot[1 + kept] = 0;
                break;
            }
            case FieldType::Unknown:
                std::memset(slot, 0, field.length);
                break;
        }
    }
}

template <typename ValueOf>
SqliteValues<ValueOf> sqliteValues(ValueOf valueOf) {
    return {valueOf};
}

}  // namespace

std::optional<std::int64_t> wholeNumberOf(std::string_view text) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return std::nullopt;
    }
    std::int64_t whole = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, whole);
    if (parsed.ec != std::errc() || parsed.ptr != end) return std::nullopt;
    return whole;
}

RecordLayout::RecordLayout(const std::vector<FieldSpec>& fields) {
    std::uint32_t offset = 0;
    std::uint16_t number = 0;
    fields_.reserve(fields.size());
    for (const FieldSpec& field : fields) {
        FieldDesc desc;
        desc.number = ++number;
        desc.name = field.name;
        desc.type = field.type;
        desc.size = field.type == FieldType::String ? field.size : 0;
        desc.offset = offset;
        desc.length = 1 + valueLength(field);
        offset += desc.length;
        fields_.push_back(std::move(desc));
    }
    recordSize_ = offset;
}

void RecordLayout::readRow(sqlite3_stmt* statement, int firstColumn, std::uint8_t* record) const {
    fillRecord(fields_, record, sqliteValues([statement, firstColumn](std::size_t index) {
                   return sqlite3_column_value(statement, firstColumn + static_cast<int>(index));
               }));
}

void RecordLayout::readValues(sqlite3_value** values, std::uint8_t* record) const {
    fillRecord(fields_, record, sqliteValues([values](std::size_t index) { return values[index]; }));
}

void RecordLayout::readTexts(const TextValue* values, std::uint8_t* record) const {
    fillRecord(fields_, record, TextValues{values});
}

void RecordLayout::bindField(sqlite3_stmt* statement, int parameter, std::size_t index,
                             const std::uint8_t* record) const {
    const FieldDesc& field = fields_[index];
    const RecordView view(record);
    if (!view.present(field)) {
        sqlite3_bind_null(statement, parameter);
        return;
    }
    switch (field.type) {
        case FieldType::Float:
            sqlite3_bind_double(statement, parameter, view.number(field));
            break;
        case FieldType::Integer:
            sqlite3_bind_int(statement, parameter, view.integer(field));
            break;
        case FieldType::LargeInt:
            sqlite3_bind_int64(statement, parameter, view.largeInt(field));
            break;
        // A date is written back as read, so a stored text that is not a day survives a change to other
        // fields.
        case FieldType::Date:
        case FieldType::String: {
            const std::string_view text = view.text(field);
            sqlite3_bind_text(statement, parameter, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
            break;
        }
        case FieldType::Unknown:
            sqlite3_bind_null(statement, parameter);
            break;
    }
}

bool RecordLayout::sameValue(std::size_t index, const std::uint8_t* a, const std::uint8_t* b) const {
    const FieldDesc& field = fields_[index];
    const RecordView viewA(a), viewB(b);
    if (viewA.present(field) != viewB.present(field)) return false;
    if (!viewA.present(field)) return true;
    // Only a text up to its terminator counts; the bytes after it are left over from earlier values.
    if (field.type == FieldType::String || field.type == FieldType::Date)
        return viewA.text(field) == viewB.text(field);
    return std::memcmp(viewA.valueBytes(field), viewB.valueBytes(field), field.length - 1) == 0;
}

Result RecordLayout::getField(std::uint16_t number, const std::uint8_t* record, void* value,
                              bool* isBlank) const {
    if (number < 1 || number > fields_.size() || !record) return code::InvalidParameter;
    const FieldDesc& field = fields_[number - 1];
    const RecordView view(record);
    if (field.type == FieldType::Date) {
        // A date goes out as its day number, empty when the stored text is not a day.
        const std::optional<std::int32_t> day = view.day(field);
        if (isBlank) *isBlank = !day;
        if (value) {
            const std::int32_t dayNumber = day.value_or(0);
            std::memcpy(value, &dayNumber, sizeof dayNumber);
        }
        return code::Ok;
    }
    const bool blank = !view.present(field);
    if (isBlank) *isBlank = blank;
    if (!value) return code::Ok;
    if (blank) {
        std::memset(value, 0, field.length - 1);
    } else if (field.type == FieldType::String) {
        const std::string_view text = view.text(field);
        std::memcpy(value, text.data(), text.size());
        static_cast<char*>(value)[text.size()] = '\0';
    } else {
        std::memcpy(value, view.valueBytes(field), field.length - 1);
    }
    return code::Ok;
}

Result RecordLayout::putField(std::uint16_t number, std::uint8_t* record, const void* value) const {
    if (number < 1 || number > fields_.size() || !record) return code::InvalidParameter;
    const FieldDesc& field = fields_[number - 1];
    std::uint8_t* slot = record + field.offset;
    if (value && field.type == FieldType::Date) return putDate(slot, value);
    if (value && field.type == FieldType::Float) {
        double number;
        std::memcpy(&number, value, sizeof number);
        if (!std::isfinite(number)) return code::InvalidParameter;
    }
    std::memset(slot, 0, field.length);
    if (!value) return code::Ok;
    if (field.type == FieldType::String) {
        const auto* text = static_cast<const char*>(value);
        std::memcpy(slot + 1, text, cutLength(text, std::strlen(text), field.size, textBytes(field)));
    } else {
        std::memcpy(slot + 1, value, field.length - 1);
    }
    slot[0] = 1;
    return code::Ok;
}

namespace {

constexpr const char* RecordSinkType = "kovrel-record-sink";

// The sink bound to the first argument. SQLite keeps it as the call's auxiliary data while the
// statement runs and drops it when the statement halts or is reset, so a later run, with another sink
// bound, looks its own up again.
RecordSink* boundSink(sqlite3_context* context, sqlite3_value* argument) {
    if (auto* kept = static_cast<RecordSink*>(sqlite3_get_auxdata(context, 0))) return kept;
    auto* sink = static_cast<RecordSink*>(sqlite3_value_pointer(argument, RecordSinkType));
    if (sink) sqlite3_set_auxdata(context, 0, sink, nullptr);
    return sink;
}

void recordFunction(sqlite3_context* context, int count, sqlite3_value** values) {
    if (count < 2) return;
    RecordSink* sink = boundSink(context, values[0]);
    if (!sink || static_cast<std::size_t>(count - 2) != sink->layout->fields().size()) return;
    if (sink->count < sink->capacity) {
        sink->rowids[sink->count] = sqlite3_value_int64(values[1]);
        sink->layout->readValues(values + 2, sink->records + sink->count * sink->layout->recordSize());
    }
    ++sink->count;
}

}  // namespace

int registerRecordFunction(sqlite3* db) {
    return sqlite3_create_function_v2(db, RecordFunctionName, -1, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr,
                                      recordFunction, nullptr, nullptr, nullptr);
}

void bindRecordSink(sqlite3_stmt* statement, int parameter, RecordSink* sink) {
    sqlite3_bind_pointer(statement, parameter, sink, RecordSinkType, nullptr);
}

}  // namespace engine
