// Server table cursors paged by key, and the reading of the server's texts into records.
#include "data/engine/PostgresCursors.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace engine {
namespace {

std::string numberText(double value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Whether a number's text is a whole number (and not a float's form such as 1e5, NaN or Infinity).
bool wholeNumber(const char* text) {
    if (*text == '-' || *text == '+') ++text;
    if (!*text) return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

void bindServerValue(sqlite3_stmt* statement, int parameter, FieldType type, const char* text, int length) {
    switch (type) {
        case FieldType::Float:
            sqlite3_bind_double(statement, parameter, std::strtod(text, nullptr));
            break;
        case FieldType::Integer:
        case FieldType::LargeInt:
            if (wholeNumber(text))
                sqlite3_bind_int64(statement, parameter, std::strtoll(text, nullptr, 10));
            else
                sqlite3_bind_double(statement, parameter, std::strtod(text, nullptr));
            break;
        default:
            sqlite3_bind_text(statement, parameter, text, length, SQLITE_STATIC);
            break;
    }
}

}  // namespace

ServerRecordReader::ServerRecordReader() {
    sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
}

ServerRecordReader::~ServerRecordReader() {
    for (auto& [count, statement] : selects_) sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
}

ServerRecordReader& ServerRecordReader::shared() {
    thread_local ServerRecordReader reader;
    return reader;
}

void ServerRecordReader::read(const RecordLayout& layout, const PGresult* result, int row, int firstColumn,
                              std::uint8_t* record) {
    const std::vector<FieldDesc>& fields = layout.fields();
    sqlite3_stmt*& select = selects_[fields.size()];
    if (!select) {
        std::string sql = "SELECT ";
        for (std::size_t i = 1; i <= fields.size(); ++i) sql += (i > 1 ? ", ?" : "?") + std::to_string(i);
        if (fields.empty()) sql += "1";
        sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &select, nullptr);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int column = firstColumn + static_cast<int>(i);
        const int parameter = static_cast<int>(i) + 1;
        if (PQgetisnull(result, row, column))
            sqlite3_bind_null(select, parameter);
        else
            bindServerValue(select, parameter, fields[i].type, PQgetvalue(result, row, column),
                            PQgetlength(result, row, column));
    }
    if (sqlite3_step(select) == SQLITE_ROW) layout.readRow(select, 0, record);
    sqlite3_reset(select);
    sqlite3_clear_bindings(select);
}

std::optional<std::string> serverFieldText(const RecordLayout& layout, std::size_t index,
                                           const std::uint8_t* record) {
    const FieldDesc& field = layout.fields()[index];
    const std::uint8_t* slot = record + field.offset;
    if (!slot[0]) return std::nullopt;
    switch (field.type) {
        case FieldType::Float: {
            double value;
            std::memcpy(&value, slot + 1, sizeof value);
            return numberText(value);
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
            return std::string(reinterpret_cast<const char*>(slot + 1),
                               strnlen(reinterpret_cast<const char*>(slot + 1), DateTextLength));
        case FieldType::String:
            return std::string(reinterpret_cast<const char*>(slot + 1));
        case FieldType::Unknown:
            break;
    }
    return std::nullopt;
}

ServerTableCursor::ServerTableCursor(std::shared_ptr<ServerConnection> connection, const std::string& from,
                                     const std::string& where, bool readWrite, bool temporary)
    : Cursor(RecordLayout(ledgerFieldSpecs())),
      connection_(std::move(connection)),
      readWrite_(readWrite),
      temporary_(temporary) {
    const std::string select = "SELECT id, " + serverColumnList() + " FROM " + from + " WHERE ";
    const std::string limit = where.empty() ? "" : " AND (" + where + ")";
    forwardSql_ = select + "id > $1::int8" + limit + " ORDER BY id LIMIT $2::int8";
    backwardSql_ = select + "id < $1::int8" + limit + " ORDER BY id DESC LIMIT $2::int8";
    currentSql_ = "SELECT id, " + serverColumnList() + " FROM kovrel WHERE id = $1::int8";
}

CursorProps ServerTableCursor::properties() const {
    CursorProps props;
    props.recordSize = layout().recordSize();
    props.bookmarkSize = BookmarkSize;
    props.readWrite = readWrite_;
    props.temporary = temporary_;
    props.fieldCount = static_cast<std::uint16_t>(layout().fields().size());
    return props;
}

Result ServerTableCursor::setToBegin() {
    pageRows_ = FirstPageRows;
    place_ = Place::BeforeFirst;
    deleted_ = false;
    pageIds_.clear();
    return code::Ok;
}

Result ServerTableCursor::setToEnd() {
    pageRows_ = FirstPageRows;
    place_ = Place::PastLast;
    deleted_ = false;
    pageIds_.clear();
    return code::Ok;
}

bool ServerTableCursor::fetchPage(bool forward, std::int64_t from, Failure* failure) {
    pageIds_.clear();
    pageWrites_ = connection_->writeCount();
    const std::string fromText = std::to_string(from), limitText = std::to_string(pageRows_);
    PgResult rows = connection_->run(forward ? forwardSql_ : backwardSql_,
                                     {fromText.c_str(), limitText.c_str()}, failure);
    if (!rows) return false;
    pageRows_ = std::min(2 * pageRows_, PageRows);
    const int count = PQntuples(rows.get());
    const std::uint32_t size = layout().recordSize();
    pageRecords_.resize(static_cast<std::size_t>(count) * size);
    pageIds_.resize(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r) {
        // Rows fetched backwards are kept in ascending order like the others.
        const std::size_t at = static_cast<std::size_t>(forward ? r : count - 1 - r);
        pageIds_[at] = std::strtoll(PQgetvalue(rows.get(), r, 0), nullptr, 10);
        ServerRecordReader::shared().read(layout(), rows.get(), r, 1, pageRecords_.data() + at * size);
    }
    return true;
}

Result ServerTableCursor::leave(bool forward) {
    pageIds_.clear();
    place_ = forward ? Place::PastLast : Place::BeforeFirst;
    deleted_ = false;
    return forward ? code::PastLast : code::BeforeFirst;
}

Result ServerTableCursor::step(bool forward, std::uint8_t* record, Failure* failure) {
    const bool pageHolds = !pageIds_.empty() && place_ == Place::OnRow && pageIds_[pageIndex_] == id_ &&
                           pageWrites_ == connection_->writeCount();
    if (pageHolds && (forward ? pageIndex_ + 1 < pageIds_.size() : pageIndex_ > 0)) {
        pageIndex_ = forward ? pageIndex_ + 1 : pageIndex_ - 1;
    } else {
        const std::int64_t from = place_ == Place::OnRow ? id_ : (forward ? LLONG_MIN : LLONG_MAX);
        if (!fetchPage(forward, from, failure)) return failure->code;
        if (pageIds_.empty()) return leave(forward);
        pageIndex_ = forward ? 0 : pageIds_.size() - 1;
    }
    place_ = Place::OnRow;
    deleted_ = false;
    id_ = pageIds_[pageIndex_];
    if (record)
        std::memcpy(record, pageRecords_.data() + pageIndex_ * layout().recordSize(), layout().recordSize());
    return code::Ok;
}

Result ServerTableCursor::getRecord(GetMode mode, std::uint8_t* record, Failure* failure) {
    switch (mode) {
        case GetMode::Current: {
            StoredRow row;
            const Result result = readStored(&row, failure);
            if (result == code::Ok && record) std::memcpy(record, row.record.data(), row.record.size());
            return result;
        }
        case GetMode::Next:
            if (place_ == Place::PastLast) return code::PastLast;
            return step(true, record, failure);
        case GetMode::Prior:
            if (place_ == Place::BeforeFirst) return code::BeforeFirst;
            return step(false, record, failure);
    }
    return code::InvalidParameter;
}

Result ServerTableCursor::getBookmark(std::uint8_t* bookmark) const {
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    std::memcpy(bookmark, &id_, sizeof id_);
    return code::Ok;
}

Result ServerTableCursor::setToBookmark(const std::uint8_t* bookmark, Failure* failure) {
    std::memcpy(&id_, bookmark, sizeof id_);
    place_ = Place::OnRow;
    deleted_ = false;
    pageRows_ = FirstPageRows;
    pageIds_.clear();
    StoredRow row;
    const Result result = readStored(&row, failure);
    if (result == code::RecordGone) deleted_ = true;
    return result;
}

Result ServerTableCursor::readStored(StoredRow* row, Failure* failure) {
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    if (deleted_) return code::RecordGone;
    const std::string idText = std::to_string(id_);
    PgResult stored = connection_->run(currentSql_, {idText.c_str()}, failure);
    if (!stored) return failure->code;
    if (PQntuples(stored.get()) == 0) return code::RecordGone;
    row->id = id_;
    row->texts.clear();
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        const int column = static_cast<int>(i) + 1;
        if (PQgetisnull(stored.get(), 0, column))
            row->texts.emplace_back();
        else
            row->texts.emplace_back(PQgetvalue(stored.get(), 0, column));
    }
    row->record.resize(layout().recordSize());
    ServerRecordReader::shared().read(layout(), stored.get(), 0, 1, row->record.data());
    return code::Ok;
}

Result ServerTableCursor::lockRecord(Failure* failure) {
    if (!readWrite_) return code::CursorReadOnly;
    locked_.reset();
    StoredRow row;
    if (const Result result = readStored(&row, failure)) return result;
    locked_ = std::move(row);
    return code::Ok;
}

const ServerTableCursor::StoredRow* ServerTableCursor::lockedRow() const {
    const bool locked = locked_ && place_ == Place::OnRow && !deleted_ && locked_->id == id_;
    return locked ? &*locked_ : nullptr;
}

Result ServerTableCursor::writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                                           const std::uint8_t* record, const StoredRow& read,
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
    values.push_back(std::to_string(read.id));
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        sql += " AND " + serverColumnName(i) + " IS NOT DISTINCT FROM " + serverParameter(i, ++parameter);
        values.push_back(read.texts[i]);
    }
    std::vector<const char*> parameters;
    for (const auto& value : values) parameters.push_back(value ? value->c_str() : nullptr);
    const bool writes = !action.starts_with("SELECT");
    if (writes) pageIds_.clear();
    PgResult done = connection_->run(sql, parameters, failure);
    if (!done) {
        if (writes && failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
        return failure->code;
    }
    if (writes) connection_->countWrite();
    const bool matched = writes ? std::string(PQcmdTuples(done.get())) != "0" : PQntuples(done.get()) > 0;
    if (matched) return code::Ok;
    StoredRow now;
    const Result found = readStored(&now, failure);
    return found != code::Ok ? found : recordChanged(failure);
}

Result ServerTableCursor::recordChanged(Failure* failure) const {
    *failure = {
        code::RecordChanged,
        connection_->name() + ": another user changed the record since it was read; nothing was written"};
    return code::RecordChanged;
}

Result ServerTableCursor::modifyRecord(const std::uint8_t* record, Failure* failure) {
    if (!readWrite_) return code::CursorReadOnly;
    StoredRow unlocked;
    const StoredRow* read = lockedRow();
    if (!read) {
        if (const Result result = readStored(&unlocked, failure)) return result;
        read = &unlocked;
    }
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < layout().fields().size(); ++i) {
        if (!layout().sameValue(i, record, read->record.data())) changed.push_back(i);
    }
    const Result result = writeIfUnchanged(changed.empty() ? "SELECT 1 FROM kovrel" : "UPDATE kovrel SET",
                                           changed, record, *read, failure);
    if (result == code::Ok) locked_.reset();
    return result;
}

Result ServerTableCursor::insertRecord(const std::uint8_t* record, Failure* failure) {
    if (!readWrite_) return code::CursorReadOnly;
    std::string sql = "INSERT INTO kovrel (" + serverColumnList() + ") VALUES (";
    std::vector<std::optional<std::string>> values;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        sql += (i ? ", " : "") + serverParameter(i, static_cast<int>(i) + 1);
        values.push_back(serverFieldText(layout(), i, record));
    }
    sql += ") RETURNING id";
    std::vector<const char*> parameters;
    for (const auto& value : values) parameters.push_back(value ? value->c_str() : nullptr);
    pageIds_.clear();
    PgResult inserted = connection_->run(sql, parameters, failure);
    if (!inserted) {
        if (failure->code == code::SqlSyntax) failure->code = code::WriteFailed;
        return failure->code;
    }
    connection_->countWrite();
    place_ = Place::OnRow;
    deleted_ = false;
    id_ = std::strtoll(PQgetvalue(inserted.get(), 0, 0), nullptr, 10);
    return code::Ok;
}

Result ServerTableCursor::deleteRecord(const std::uint8_t* record, Failure* failure) {
    if (!readWrite_) return code::CursorReadOnly;
    StoredRow unlocked;
    const StoredRow* read = lockedRow();
    if (!read) {
        if (const Result result = readStored(&unlocked, failure)) return result;
        for (std::size_t i = 0; record && i < layout().fields().size(); ++i) {
            if (!layout().sameValue(i, record, unlocked.record.data())) return recordChanged(failure);
        }
        read = &unlocked;
    }
    const Result result = writeIfUnchanged("DELETE FROM kovrel", {}, nullptr, *read, failure);
    if (result != code::Ok) return result;
    locked_.reset();
    deleted_ = true;
    return code::Ok;
}

}  // namespace engine
