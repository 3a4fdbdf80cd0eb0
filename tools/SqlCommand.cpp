// Running a statement through the engine's operation table and printing its cursor row by row.
#include "tools/SqlCommand.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "engine/RecordView.h"
#include "ledger/Ledger.h"
#include "tools/EngineSession.h"

namespace kovreldb {

namespace {

using engine::FieldDesc;
using engine::FieldType;

std::string typeName(const FieldDesc& field) {
    if (field.type == FieldType::String) return "ftString(" + std::to_string(field.size) + ")";
    return engine::fieldTypeName(field.type);
}

// The shortest text that reads back as exactly `value`: 12, 2.5, 1e308, 1e-7.
std::string numberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    const auto exponent = text.find('e');
    if (exponent == std::string::npos) return text;
    std::size_t digits = exponent + 1;
    if (text[digits] == '+') text.erase(digits, 1);
    if (text[digits] == '-') ++digits;
    while (text[digits] == '0' && digits + 1 < text.size()) text.erase(digits, 1);
    return text;
}

// The value of one field of a record as the utility prints it; empty when the field holds none.
std::string valueText(const FieldDesc& field, const engine::RecordView& record) {
    if (!record.present(field)) return {};
    switch (field.type) {
        case FieldType::String:
            return std::string(record.text(field));
        case FieldType::Integer:
            return std::to_string(record.integer(field));
        case FieldType::LargeInt:
            return std::to_string(record.largeInt(field));
        case FieldType::Float:
            return numberText(record.number(field));
        case FieldType::Date:
            // As the program reads it: a stored text that is not a day is empty.
            return record.day(field) ? std::string(record.text(field)) : std::string();
        case FieldType::Unknown:
            break;
    }
    return {};
}

template <typename Item, typename Text>
void printLine(std::ostream& out, const std::vector<Item>& items, Text text) {
    for (std::size_t i = 0; i < items.size(); ++i) out << (i ? "\t" : "") << tsvField(text(items[i]));
    out << '\n';
}

void printRows(engine::TableEngine& eng, engine::CursorHandle cursor, const std::vector<FieldDesc>& fields,
               std::uint32_t recordSize, std::ostream& out) {
    std::vector<std::uint8_t> record(recordSize);
    std::vector<std::string> values(fields.size());
    engine::Result result;
    while ((result = eng.getRecord(cursor, engine::GetMode::Next, record.data())) == engine::code::Ok) {
        const engine::RecordView view(record.data());
        for (std::size_t i = 0; i < fields.size(); ++i) values[i] = valueText(fields[i], view);
        printLine(out, values, [](const std::string& v) { return v; });
    }
    if (result != engine::code::PastLast) check(eng, result);
}

// Frees a statement or closes a cursor when the command ends, by any way.
class Handles {
  public:
    explicit Handles(engine::TableEngine& eng) : eng_(eng) {}
    ~Handles() {
        if (cursor != engine::NoHandle) eng_.closeCursor(cursor);
        if (statement != engine::NoHandle) eng_.freeStatement(statement);
    }
    engine::StatementHandle statement = engine::NoHandle;
    engine::CursorHandle cursor = engine::NoHandle;

  private:
    engine::TableEngine& eng_;
};

}  // namespace

void runSql(const std::string& directory, const std::vector<std::string>& lines, bool live,
            std::ostream& out) {
    EngineSession session(directory);
    auto& eng = session.eng();
    Handles handles(eng);
    check(eng, eng.allocateStatement(session.database(), &handles.statement));
    check(eng,
          eng.setStatementProperty(handles.statement, engine::StatementProperty::LiveWanted, live ? 1 : 0));
    check(eng, eng.prepare(handles.statement, ledger::sqlText(lines)));
    check(eng, eng.execute(handles.statement, &handles.cursor));
    if (handles.cursor == engine::NoHandle) return;

    engine::CursorProps props;
    check(eng, eng.cursorProperties(handles.cursor, &props));
    std::vector<FieldDesc> fields;
    check(eng, eng.fieldDescriptors(handles.cursor, &fields));
    if (live) out << (props.readWrite ? "live" : "read-only") << '\n';
    printLine(out, fields, [](const FieldDesc& f) { return f.name; });
    printLine(out, fields, typeName);
    printRows(eng, handles.cursor, fields, props.recordSize, out);
}

}  // namespace kovreldb
