// Table cursors paged by rowid over a ledger file, and in-memory read-only answers.
#include "data/engine/Cursors.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "data/engine/LedgerFile.h"

namespace engine {
namespace {

std::string columnList() {
    std::string list;
    for (const LedgerColumn& column : ledgerColumns())
        list += (list.empty() ? "" : ", ") + std::string(column.name);
    return list;
}

std::string selectSql(const std::string& columns, const std::string& table, const std::string& where,
                      const std::string& condition, const char* order) {
    std::string sql = "SELECT " + columns + " FROM " + table + " WHERE " + condition;
    if (!where.empty()) sql += " AND (" + where + ")";
    if (order) sql += std::string(" ORDER BY rowid ") + order + " LIMIT ?2";
    return sql;
}

// Pages of the whole table are read in rowid order, never sorted, so SQLite computes their columns only
// for the rows it returns, in order: they are converted straight into the page through a record sink
// bound to ?3. A where clause may make SQLite sort, computing every matching row's columns first, so
// those pages read their columns back one by one.
bool pagesThroughSink(const std::string& where) {
    return where.empty();
}

std::string pageSql(const std::string& table, const std::string& where, const char* condition,
                    const char* order) {
    const std::string columns = pagesThroughSink(where)
                                    ? std::string(RecordFunctionName) + "(?3, rowid, " + columnList() + ")"
                                    : "rowid, " + columnList();
    return selectSql(columns, table, where, condition, order);
}

std::string insertSql() {
    std::string values;
    for (std::size_t i = 1; i <= LedgerColumnCount; ++i) values += (i > 1 ? ", ?" : "?") + std::to_string(i);
    return "INSERT INTO kovrel (" + columnList() + ") VALUES (" + values + ")";
}

// The type of a result field that holds `value` exactly: an Integer field becomes LargeInt for an integer
// beyond 32 bits, and Float, like a LargeInt field, for a floating-point value.
FieldType typeHolding(FieldType type, sqlite3_value* value) {
    if (type != FieldType::Integer && type != FieldType::LargeInt) return type;
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: {
            const sqlite3_int64 number = sqlite3_value_int64(value);
            return number < INT32_MIN || number > INT32_MAX ? FieldType::LargeInt : type;
        }
        case SQLITE_FLOAT:
            return FieldType::Float;
        default:
            return type;
    }
}

}  // namespace

std::vector<FieldSpec> ledgerFieldSpecs() {
    std::vector<FieldSpec> fields;
    for (const LedgerColumn& column : ledgerColumns())
        fields.push_back({column.name, column.type, column.size});
    return fields;
}

TableCursor::TableCursor(std::shared_ptr<Connection> connection, const std::string& table,
                         const std::string& where, bool readWrite, bool temporary)
    : Cursor(RecordLayout(ledgerFieldSpecs())),
      connection_(std::move(connection)),
      readWrite_(readWrite),
      temporary_(temporary),
      sinkRows_(pagesThroughSink(where)),
      forwardSql_(pageSql(table, where, "rowid > ?1", "ASC")),
      backwardSql_(pageSql(table, where, "rowid < ?1", "DESC")),
      currentSql_(selectSql("rowid, " + columnList(), table, "", "rowid = ?1", nullptr)) {}

CursorProps TableCursor::properties() const {
    CursorProps props;
    props.recordSize = layout().recordSize();
    props.bookmarkSize = BookmarkSize;
    props.readWrite = readWrite_;
    props.temporary = temporary_;
    props.fieldCount = static_cast<std::uint16_t>(layout().fields().size());
    return props;
}

Result TableCursor::setToBegin() {
    pageRows_ = FirstPageRows;
    place_ = Place::BeforeFirst;
    deleted_ = false;
    dropPage();
    return code::Ok;
}

Result TableCursor::setToEnd() {
    pageRows_ = FirstPageRows;
    place_ = Place::PastLast;
    deleted_ = false;
    dropPage();
    return code::Ok;
}

bool TableCursor::fetchPage(bool forward, std::int64_t from, Failure* failure) {
    dropPage();
    pageWrites_ = connection_->writeCount();
    pageStamp_ = connection_->changeStamp();
    sqlite3_stmt* statement = connection_->statement(forward ? forwardSql_ : backwardSql_, failure);
    if (!statement) return false;
    StatementUse use(statement);
    sqlite3_bind_int64(statement, 1, from);
    sqlite3_bind_int(statement, 2, pageRows_);
    const std::size_t wanted = static_cast<std::size_t>(pageRows_);
    pageRows_ = std::min(4 * pageRows_, PageRows);
    const std::uint32_t size = layout().recordSize();
    if (pageCapacity_ < wanted) {
        // Left uninitialised: only the records a fetch fills are ever read.
        pageRecords_ = std::make_unique_for_overwrite<std::uint8_t[]>(wanted * size);
        pageCapacity_ = wanted;
    }
    const int rc = sinkRows_ ? fillPageThroughSink(statement, wanted) : fillPageByColumns(statement, wanted);
    if (rc != SQLITE_DONE) {
        *failure = connection_->failure(rc, "the table cannot be read");
        dropPage();
        return false;
    }
    pageForward_ = forward;
    pageReachesEnd_ = pageRowids_.size() < wanted;
    if (!forward) {
        // Rows fetched backwards are kept in ascending order like the others.
        const std::size_t count = pageRowids_.size();
        std::reverse(pageRowids_.begin(), pageRowids_.end());
        for (std::size_t i = 0; i < count / 2; ++i) {
            std::uint8_t* low = pageRecords_.get() + i * size;
            std::swap_ranges(low, low + size, pageRecords_.get() + (count - 1 - i) * size);
        }
    }
    return true;
}

// The limit keeps a page within its buffer; a row past it would be a fault, reported as a failed read.
int TableCursor::fillPageThroughSink(sqlite3_stmt* statement, std::size_t wanted) {
    pageRowids_.resize(wanted);
    RecordSink sink{&layout(), pageRecords_.get(), pageRowids_.data(), wanted};
    bindRecordSink(statement, 3, &sink);
    std::size_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) ++rows;
    pageRowids_.resize(std::min(rows, wanted));
    if (rc == SQLITE_DONE && (sink.count != rows || rows > wanted)) return SQLITE_INTERNAL;
    return rc;
}

int TableCursor::fillPageByColumns(sqlite3_stmt* statement, std::size_t wanted) {
    const std::uint32_t size = layout().recordSize();
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (pageRowids_.size() == wanted) return SQLITE_INTERNAL;
        layout().readRow(statement, 1, pageRecords_.get() + pageRowids_.size() * size);
        pageRowids_.push_back(sqlite3_column_int64(statement, 0));
    }
    return rc;
}

Result TableCursor::leave(bool forward) {
    dropPage();
    place_ = forward ? Place::PastLast : Place::BeforeFirst;
    deleted_ = false;
    return forward ? code::PastLast : code::BeforeFirst;
}

Result TableCursor::step(bool forward, std::uint8_t* record, Failure* failure) {
    const bool pageHolds = !pageRowids_.empty() && place_ == Place::OnRow &&
                           pageRowids_[pageIndex_] == rowid_ && pageWrites_ == connection_->writeCount();
    const bool inPage = pageHolds && (forward ? pageIndex_ + 1 < pageRowids_.size() : pageIndex_ > 0);
    if (pageHolds && !inPage && forward == pageForward_ && pageReachesEnd_ &&
        pageStamp_ == connection_->changeStamp())
        return leave(forward);
    if (inPage) {
        pageIndex_ = forward ? pageIndex_ + 1 : pageIndex_ - 1;
    } else {
        const std::int64_t from = place_ == Place::OnRow ? rowid_ : (forward ? LLONG_MIN : LLONG_MAX);
        if (!fetchPage(forward, from, failure)) return failure->code;
        if (pageRowids_.empty()) return leave(forward);
        pageIndex_ = forward ? 0 : pageRowids_.size() - 1;
    }
    place_ = Place::OnRow;
    deleted_ = false;
    rowid_ = pageRowids_[pageIndex_];
    if (record)
        std::memcpy(record, pageRecords_.get() + pageIndex_ * layout().recordSize(), layout().recordSize());
    return code::Ok;
}

Result TableCursor::readCurrent(std::uint8_t* record, Failure* failure) {
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    if (deleted_) return code::RecordGone;
    sqlite3_stmt* statement = connection_->statement(currentSql_, failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    sqlite3_bind_int64(statement, 1, rowid_);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) return code::RecordGone;
    if (rc != SQLITE_ROW) {
        *failure = connection_->failure(rc, "the record cannot be read");
        return failure->code;
    }
    if (record) {
        layout().readRow(statement, 1, record);
    }
    return code::Ok;
}

Result TableCursor::getRecord(GetMode mode, std::uint8_t* record, Failure* failure) {
    switch (mode) {
        case GetMode::Current:
            return readCurrent(record, failure);
        case GetMode::Next:
            if (place_ == Place::PastLast) return code::PastLast;
            return step(true, record, failure);
        case GetMode::Prior:
            if (place_ == Place::BeforeFirst) return code::BeforeFirst;
            return step(false, record, failure);
    }
    return code::InvalidParameter;
}

Result TableCursor::getBookmark(std::uint8_t* bookmark) const {
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    std::memcpy(bookmark, &rowid_, sizeof rowid_);
    return code::Ok;
}

Result TableCursor::setToBookmark(const std::uint8_t* bookmark, Failure* failure) {
    std::int64_t rowid;
    std::memcpy(&rowid, bookmark, sizeof rowid);
    place_ = Place::OnRow;
    rowid_ = rowid;
    deleted_ = false;
    pageRows_ = FirstPageRows;
    dropPage();
    const Result result = readCurrent(nullptr, failure);
    if (result == code::RecordGone) deleted_ = true;
    return result;
}

Result TableCursor::checkWritable() const {
    return readWrite_ ? code::Ok : code::CursorReadOnly;
}

Result TableCursor::readStored(StoredRow* row, Failure* failure) {
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    if (deleted_) return code::RecordGone;
    sqlite3_stmt* statement =
        connection_->statement("SELECT " + columnList() + " FROM kovrel WHERE rowid = ?1", failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    sqlite3_bind_int64(statement, 1, rowid_);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) return code::RecordGone;
    if (rc != SQLITE_ROW) {
        *failure = connection_->failure(rc, "the record cannot be read");
        return failure->code;
    }
    row->rowid = rowid_;
    row->values.clear();
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        row->values.emplace_back(sqlite3_value_dup(sqlite3_column_value(statement, static_cast<int>(i))));
    row->record.resize(layout().recordSize());
    layout().readRow(statement, 0, row->record.data());
    return code::Ok;
}

Result TableCursor::lockRecord(Failure* failure) {
    if (const Result result = checkWritable()) return result;
    locked_.reset();
    StoredRow row;
    if (const Result result = readStored(&row, failure)) return result;
    locked_ = std::move(row);
    return code::Ok;
}

Result TableCursor::writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                                     const std::uint8_t* record, const StoredRow& read, Failure* failure) {
    // `IS` matches an empty value with an empty one; the stored values are bound as they were read, with
    // their own kinds, so a text kept in a number column is compared as that text.
    std::string sql = action;
    int parameter = 0;
    for (const std::size_t field : fields) {
        sql += (parameter ? ", " : " ") + layout().fields()[field].name;
        sql += " = ?" + std::to_string(++parameter);
    }
    sql += " WHERE rowid = ?" + std::to_string(++parameter);
    for (const LedgerColumn& column : ledgerColumns())
        sql += std::string(" AND ") + column.name + " IS ?" + std::to_string(++parameter);
    sqlite3_stmt* statement = connection_->statement(sql, failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    parameter = 0;
    for (const std::size_t field : fields) layout().bindField(statement, ++parameter, field, record);
    sqlite3_bind_int64(statement, ++parameter, read.rowid);
    for (const auto& value : read.values) sqlite3_bind_value(statement, ++parameter, value.get());
    bool matched;
    if (action.starts_with("SELECT")) {
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            *failure = connection_->failure(rc, "the record cannot be read");
            return failure->code;
        }
        matched = rc == SQLITE_ROW;
    } else {
        dropPage();
        if (!connection_->runWrite(statement, failure)) return failure->code;
        matched = sqlite3_changes(connection_->handle()) > 0;
    }
    if (matched) return code::Ok;
    StoredRow now;
    const Result found = readStored(&now, failure);
    return found != code::Ok ? found : recordChanged(failure);
}

Result TableCursor::recordChanged(Failure* failure) const {
    *failure = {
        code::RecordChanged,
        connection_->path() + ": another program changed the record since it was read; nothing was written"};
    return code::RecordChanged;
}

Result TableCursor::modifyRecord(const std::uint8_t* record, Failure* failure) {
    if (const Result result = checkWritable()) return result;
    StoredRow unlocked;
    const bool locked = locked_ && place_ == Place::OnRow && !deleted_ && locked_->rowid == rowid_;
    if (!locked) {
        if (const Result result = readStored(&unlocked, failure)) return result;
    }
    const StoredRow& read = locked ? *locked_ : unlocked;
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < layout().fields().size(); ++i) {
        if (!layout().sameValue(i, record, read.record.data())) changed.push_back(i);
    }
    const Result result = writeIfUnchanged(changed.empty() ? "SELECT 1 FROM kovrel" : "UPDATE kovrel SET",
                                           changed, record, read, failure);
    if (result == code::Ok) locked_.reset();
    return result;
}

Result TableCursor::insertRecord(const std::uint8_t* record, Failure* failure) {
    if (const Result result = checkWritable()) return result;
    sqlite3_stmt* statement = connection_->statement(insertSql(), failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    for (std::size_t i = 0; i < layout().fields().size(); ++i)
        layout().bindField(statement, static_cast<int>(i + 1), i, record);
    dropPage();
    if (!connection_->runWrite(statement, failure)) return failure->code;
    place_ = Place::OnRow;
    deleted_ = false;
    rowid_ = sqlite3_last_insert_rowid(connection_->handle());
    return code::Ok;
}

Result TableCursor::deleteRecord(const std::uint8_t* record, Failure* failure) {
    if (const Result result = checkWritable()) return result;
    StoredRow unlocked;
    const bool locked = locked_ && place_ == Place::OnRow && !deleted_ && locked_->rowid == rowid_;
    if (!locked) {
        if (const Result result = readStored(&unlocked, failure)) return result;
        for (std::size_t i = 0; record && i < layout().fields().size(); ++i) {
            if (!layout().sameValue(i, record, unlocked.record.data())) return recordChanged(failure);
        }
    }
    const Result result =
        writeIfUnchanged("DELETE FROM kovrel", {}, nullptr, locked ? *locked_ : unlocked, failure);
    if (result != code::Ok) return result;
    locked_.reset();
    deleted_ = true;
    return code::Ok;
}

std::unique_ptr<ResultCursor> ResultCursor::run(Connection& connection, sqlite3_stmt* statement,
                                                std::vector<FieldSpec> fields, Failure* failure) {
    StatementUse use(statement);
    const int columns = sqlite3_column_count(statement);
    if (static_cast<std::size_t>(columns) != fields.size()) {
        fields.clear();
        for (int i = 0; i < columns; ++i) {
            const char* declared = sqlite3_column_decltype(statement, i);
            const LedgerColumn type = fieldTypeOfDeclared(declared ? declared : "VARCHAR(255)");
            fields.push_back({sqlite3_column_name(statement, i), type.type, type.size});
        }
    }
    // Rows are read again, into wider fields, when a value does not fit the field chosen for its column.
    for (;;) {
        std::unique_ptr<ResultCursor> cursor(new ResultCursor(RecordLayout(fields)));
        const std::uint32_t size = cursor->layout().recordSize();
        bool widened = false;
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const FieldType holding =
                    typeHolding(fields[i].type, sqlite3_column_value(statement, static_cast<int>(i)));
                widened = widened || holding != fields[i].type;
                fields[i].type = holding;
            }
            if (widened) continue;
            cursor->records_.resize(cursor->records_.size() + size);
            std::uint8_t* record = cursor->records_.data() + cursor->records_.size() - size;
            cursor->layout().readRow(statement, 0, record);
        }
        if (rc != SQLITE_DONE) {
            *failure = connection.failure(rc, "the statement cannot be run");
            return nullptr;
        }
        if (!widened) return cursor;
        sqlite3_reset(statement);
    }
}

std::unique_ptr<ResultCursor> ResultCursor::holding(std::vector<FieldSpec> fields,
                                                    std::vector<std::uint8_t> records) {
    std::unique_ptr<ResultCursor> cursor(new ResultCursor(RecordLayout(fields)));
    cursor->records_ = std::move(records);
    return cursor;
}

std::size_t ResultCursor::rowCount() const {
    const std::uint32_t size = layout().recordSize();
    return size ? records_.size() / size : 0;
}

CursorProps ResultCursor::properties() const {
    CursorProps props;
    props.recordSize = layout().recordSize();
    props.bookmarkSize = BookmarkSize;
    props.readWrite = false;
    props.temporary = true;
    props.fieldCount = static_cast<std::uint16_t>(layout().fields().size());
    return props;
}

Result ResultCursor::setToBegin() {
    index_ = -1;
    return code::Ok;
}

Result ResultCursor::setToEnd() {
    index_ = static_cast<std::int64_t>(rowCount());
    return code::Ok;
}

Result ResultCursor::getRecord(GetMode mode, std::uint8_t* record, Failure*) {
    const auto count = static_cast<std::int64_t>(rowCount());
    if (mode == GetMode::Next) {
        if (index_ >= count - 1) {
            index_ = count;
            return code::PastLast;
        }
        ++index_;
    } else if (mode == GetMode::Prior) {
        if (index_ <= 0) {
            index_ = -1;
            return code::BeforeFirst;
        }
        --index_;
    } else if (index_ < 0 || index_ >= count) {
        return code::NoCurrentRecord;
    }
    if (record) {
        const std::uint32_t size = layout().recordSize();
        std::memcpy(record, records_.data() + static_cast<std::size_t>(index_) * size, size);
    }
    return code::Ok;
}

Result ResultCursor::getBookmark(std::uint8_t* bookmark) const {
    if (index_ < 0 || index_ >= static_cast<std::int64_t>(rowCount())) return code::NoCurrentRecord;
    std::memcpy(bookmark, &index_, sizeof index_);
    return code::Ok;
}

Result ResultCursor::setToBookmark(const std::uint8_t* bookmark, Failure*) {
    std::int64_t index;
    std::memcpy(&index, bookmark, sizeof index);
    if (index < 0 || index >= static_cast<std::int64_t>(rowCount())) return code::InvalidParameter;
    index_ = index;
    return code::Ok;
}

}  // namespace engine
