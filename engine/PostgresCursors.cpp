// Server table cursors paged by key, and the reading of the server's texts into records.
#include "engine/PostgresCursors.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/Dates.h"
#include "engine/PostgresLedger.h"
#include "engine/RecordView.h"

namespace engine {

bool readServerRow(const RecordLayout& layout, const PGresult* result, int row, int firstColumn,
                   std::vector<TextValue>* texts, std::uint8_t* record, const std::string& source,
                   Failure* failure) {
    const std::size_t count = layout.fields().size();
    texts->resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int column = firstColumn + static_cast<int>(i);
        if (PQgetisnull(result, row, column)) {
            (*texts)[i] = TextValue{};
            continue;
        }
        const std::string_view text(PQgetvalue(result, row, column),
                                    static_cast<std::size_t>(PQgetlength(result, row, column)));
        // The server writes such a date longer ('0044-03-15 BC', '10000-01-01') or as a word ('infinity').
        if (layout.fields()[i].type == FieldType::Date &&
            (text.size() != DateTextLength || !dayNumberFromIso(text))) {
            *failure = {code::NotALedger, source + ": " + layout.fields()[i].name + " holds the date '" +
                                              std::string(text) +
                                              "', which the program cannot show (kovrel-db check names "
                                              "every such row)"};
            return false;
        }
        (*texts)[i] = TextValue{text.data(), text.size()};
    }
    layout.readTexts(texts->data(), record);
    return true;
}

std::optional<std::string> serverFieldText(const RecordLayout& layout, std::size_t index,
                                           const std::uint8_t* record) {
    const FieldDesc& field = layout.fields()[index];
    const RecordView view(record);
    if (!view.present(field)) return std::nullopt;
    switch (field.type) {
        case FieldType::Float:
            return serverNumberText(view.number(field));
        case FieldType::Integer:
            return std::to_string(view.integer(field));
        case FieldType::LargeInt:
            return std::to_string(view.largeInt(field));
        case FieldType::Date:
            return std::string(view.text(field).substr(0, DateTextLength));
        case FieldType::String:
            return std::string(view.text(field));
        case FieldType::Unknown:
            break;
    }
    return std::nullopt;
}

ServerTableCursor::ServerTableCursor(std::shared_ptr<ServerConnection> connection, const std::string& from,
                                     const std::string& where, bool readWrite, bool temporary)
    : PagedCursor(readWrite, temporary, {FirstPageRows, PageRows, 2}), connection_(std::move(connection)) {
    const std::string select = "SELECT id, " + serverColumnList() + " FROM " + from + " WHERE ";
    const std::string limit = where.empty() ? "" : " AND (" + where + ")";
    forwardSql_ = select + "id > $1::int8" + limit + " ORDER BY id LIMIT $2::int8";
    backwardSql_ = select + "id < $1::int8" + limit + " ORDER BY id DESC LIMIT $2::int8";
    currentSql_ = "SELECT id, " + serverColumnList() + " FROM kovrel WHERE id = $1::int8";
}

bool ServerTableCursor::fillPage(bool forward, std::int64_t from, std::size_t wanted, Failure* failure) {
    // Taken before the rows are asked for, so a commit whose notice comes in with them counts as later.
    pageStamp_ = connection_->changeStamp();
    const std::string fromText = std::to_string(from), limitText = std::to_string(wanted);
    PgResult rows = connection_->run(forward ? forwardSql_ : backwardSql_,
                                     {fromText.c_str(), limitText.c_str()}, failure);
    if (!rows) return false;
    const int count = PQntuples(rows.get());
    const std::uint32_t size = layout().recordSize();
    pageKeys_.resize(static_cast<std::size_t>(count));
    std::vector<TextValue> texts;
    for (int r = 0; r < count; ++r) {
        pageKeys_[r] = wholeNumberOf(PQgetvalue(rows.get(), r, 0)).value_or(0);
        if (!readServerRow(layout(), rows.get(), r, 1, &texts, pageRecords_.get() + r * size,
                           connection_->name(), failure))
            return false;
    }
    return true;
}

Result ServerTableCursor::readCurrent(std::uint8_t* record, Failure* failure) {
    ServerRow row;
    const Result result = readStored(&row, failure);
    if (result == code::Ok && record) std::memcpy(record, row.record.data(), row.record.size());
    return result;
}

Result ServerTableCursor::readStored(ServerRow* row, Failure* failure) {
    const std::string idText = std::to_string(key());
    PgResult stored = connection_->run(currentSql_, {idText.c_str()}, failure);
    if (!stored) return failure->code;
    if (PQntuples(stored.get()) == 0) return code::RecordGone;
    row->key = key();
    row->texts.clear();
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        const int column = static_cast<int>(i) + 1;
        if (PQgetisnull(stored.get(), 0, column))
            row->texts.emplace_back();
        else
            row->texts.emplace_back(PQgetvalue(stored.get(), 0, column));
    }
    row->record.resize(layout().recordSize());
    std::vector<TextValue> texts;
    if (!readServerRow(layout(), stored.get(), 0, 1, &texts, row->record.data(), connection_->name(),
                       failure))
        return failure->code;
    return code::Ok;
}

Result ServerTableCursor::writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                                           const std::uint8_t* record, const ServerRow& read,
                                           Failure* failure) {
    std::string sql = action;
    std::vector<std::optional<std::string>> values;
    int parameter = 0;
    for (const std::size_t field : fields) {
        sql += (parameter ? ", " : " ") + serverColumnName(field) + " = ";
        sql += serverParameter(field, ++parameter);
        values.push_back(serverFieldText(layout(), field, record));
    }
    sql += " WHERE id = $" + std::to_string(++parameter) + "::int8";
    values.push_back(std::to_string(read.key));
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        sql += " AND " + serverColumnName(i) + " IS NOT DISTINCT FROM " + serverParameter(i, ++parameter);
        values.push_back(read.texts[i]);
    }
    std::vector<const char*> parameters;
    for (const auto& value : values) parameters.push_back(value ? value->c_str() : nullptr);
    const bool writes = !action.starts_with("SELECT");
    if (writes) dropPage();
    PgResult done =
        writes ? connection_->write(sql, parameters, failure) : connection_->run(sql, parameters, failure);
    if (!done) {
        if (writes && failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
        return failure->code;
    }
    const bool matched = writes ? std::string(PQcmdTuples(done.get())) != "0" : PQntuples(done.get()) > 0;
    return matched ? code::Ok : notMatched(failure);
}

Result ServerTableCursor::recordChanged(Failure* failure) const {
    *failure = {
        code::RecordChanged,
        connection_->name() + ": another user changed the record since it was read; nothing was written"};
    return code::RecordChanged;
}

Result ServerTableCursor::insertRecord(const std::uint8_t* record, Failure* failure) {
    if (!readWrite()) return code::CursorReadOnly;
    std::vector<std::optional<std::string>> values;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        values.push_back(serverFieldText(layout(), i, record));
    const std::string sql = serverInsertSql() + " RETURNING id";
    std::vector<const char*> parameters;
    for (const auto& value : values) parameters.push_back(value ? value->c_str() : nullptr);
    dropPage();
    PgResult inserted = connection_->write(sql, parameters, failure);
    if (!inserted) {
        if (failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
        return failure->code;
    }
    placeOn(wholeNumberOf(PQgetvalue(inserted.get(), 0, 0)).value_or(0));
    return code::Ok;
}

}  // namespace engine
