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

std::string selectSql(const RowSource& source, const std::string& condition, const char* order) {
    std::string sql = "SELECT rowid, " + source.columns + " FROM " + source.table + " WHERE " + condition;
    if (!source.where.empty()) sql += " AND (" + source.where + ")";
    if (order) sql += std::string(" ORDER BY rowid ") + order + " LIMIT ?2";
    return sql;
}

std::string updateSql() {
    std::string sql = "UPDATE kovrel SET ";
    int n = 0;
    for (const LedgerColumn& column : ledgerColumns()) {
        sql += (n ? ", " : "") + std::string(column.name) + " = ?" + std::to_string(n + 1);
        ++n;
    }
    return sql + " WHERE rowid = ?" + std::to_string(n + 1);
}

std::string insertSql() {
    std::string values;
    for (std::size_t i = 1; i <= LedgerColumnCount; ++i) values += (i > 1 ? ", ?" : "?") + std::to_string(i);
    return "INSERT INTO kovrel (" + columnList() + ") VALUES (" + values + ")";
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
    : TableCursor(std::move(connection), RowSource{columnList(), table, where}, ledgerFieldSpecs()) {
    readWrite_ = readWrite;
    temporary_ = temporary;
}

TableCursor::TableCursor(std::shared_ptr<Connection> connection, const RowSource& source,
                         std::vector<FieldSpec> fields)
    : Cursor(RecordLayout(fields)),
      connection_(std::move(connection)),
      readWrite_(false),
      temporary_(true),
      forwardSql_(selectSql(source, "rowid > ?1", "ASC")),
      backwardSql_(selectSql(source, "rowid < ?1", "DESC")),
      currentSql_(selectSql(RowSource{source.columns, source.table, ""}, "rowid = ?1", nullptr)) {}

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
    pageRecords_.clear();
    pageStamp_ = connection_->changeStamp();
    sqlite3_stmt* statement = connection_->statement(forward ? forwardSql_ : backwardSql_, failure);
    if (!statement) return false;
    StatementUse use(statement);
    sqlite3_bind_int64(statement, 1, from);
    sqlite3_bind_int(statement, 2, pageRows_);
    const std::size_t wanted = static_cast<std::size_t>(pageRows_);
    pageRows_ = std::min(2 * pageRows_, PageRows);
    const std::uint32_t size = layout().recordSize();
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        pageRowids_.push_back(sqlite3_column_int64(statement, 0));
        pageRecords_.resize(pageRecords_.size() + size);
        std::uint8_t* record = pageRecords_.data() + pageRecords_.size() - size;
        for (std::size_t i = 0; i < layout().fields().size(); ++i)
            layout().readColumn(statement, static_cast<int>(i + 1), i, record);
    }
    if (rc != SQLITE_DONE) {
        *failure = connection_->failure(rc, "the table cannot be read");
        dropPage();
        return false;
    }
    pageForward_ = forward;
    pageReachesEnd_ = pageRowids_.size() < wanted;
    if (!forward) {
        std::vector<std::int64_t> rowids(pageRowids_.rbegin(), pageRowids_.rend());
        std::vector<std::uint8_t> records(pageRecords_.size());
        for (std::size_t i = 0; i < rowids.size(); ++i)
            std::memcpy(records.data() + i * size, pageRecords_.data() + (rowids.size() - 1 - i) * size,
                        size);
        pageRowids_ = std::move(rowids);
        pageRecords_ = std::move(records);
    }
    return true;
}

Result TableCursor::leave(bool forward) {
    dropPage();
    place_ = forward ? Place::PastLast : Place::BeforeFirst;
    deleted_ = false;
    return forward ? code::PastLast : code::BeforeFirst;
}

Result TableCursor::step(bool forward, std::uint8_t* record, Failure* failure) {
    const bool pageHolds = !pageRowids_.empty() && place_ == Place::OnRow &&
                           pageRowids_[pageIndex_] == rowid_ && pageStamp_ == connection_->changeStamp();
    const bool inPage = pageHolds && (forward ? pageIndex_ + 1 < pageRowids_.size() : pageIndex_ > 0);
    if (pageHolds && !inPage && forward == pageForward_ && pageReachesEnd_) return leave(forward);
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
        std::memcpy(record, pageRecords_.data() + pageIndex_ * layout().recordSize(), layout().recordSize());
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
        for (std::size_t i = 0; i < layout().fields().size(); ++i)
            layout().readColumn(statement, static_cast<int>(i + 1), i, record);
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

Result TableCursor::write(const std::string& sql, const std::uint8_t* record, bool bindRowid,
                          Failure* failure) {
    sqlite3_stmt* statement = connection_->statement(sql, failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    const std::size_t count = record ? layout().fields().size() : 0;
    for (std::size_t i = 0; i < count; ++i) layout().bindField(statement, static_cast<int>(i + 1), i, record);
    if (bindRowid) sqlite3_bind_int64(statement, static_cast<int>(count + 1), rowid_);
    dropPage();
    if (!connection_->runWrite(statement, failure)) return failure->code;
    return code::Ok;
}

Result TableCursor::modifyRecord(const std::uint8_t* record, Failure* failure) {
    if (const Result result = checkWritable()) return result;
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    if (deleted_) return code::RecordGone;
    if (const Result result = write(updateSql(), record, true, failure)) return result;
    return sqlite3_changes(connection_->handle()) == 0 ? code::RecordGone : code::Ok;
}

Result TableCursor::insertRecord(const std::uint8_t* record, Failure* failure) {
    if (const Result result = checkWritable()) return result;
    if (const Result result = write(insertSql(), record, false, failure)) return result;
    place_ = Place::OnRow;
    deleted_ = false;
    rowid_ = sqlite3_last_insert_rowid(connection_->handle());
    return code::Ok;
}

Result TableCursor::deleteRecord(Failure* failure) {
    if (const Result result = checkWritable()) return result;
    if (place_ != Place::OnRow) return code::NoCurrentRecord;
    if (deleted_) return code::RecordGone;
    if (const Result result = write("DELETE FROM kovrel WHERE rowid = ?1", nullptr, true, failure))
        return result;
    deleted_ = true;
    return sqlite3_changes(connection_->handle()) == 0 ? code::RecordGone : code::Ok;
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
    std::unique_ptr<ResultCursor> cursor(new ResultCursor(RecordLayout(fields)));
    const std::uint32_t size = cursor->layout().recordSize();
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        cursor->records_.resize(cursor->records_.size() + size);
        std::uint8_t* record = cursor->records_.data() + cursor->records_.size() - size;
        for (int i = 0; i < columns; ++i)
            cursor->layout().readColumn(statement, i, static_cast<std::size_t>(i), record);
    }
    if (rc != SQLITE_DONE) {
        *failure = connection.failure(rc, "the statement cannot be run");
        return nullptr;
    }
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
