// Table cursors paged by rowid over a ledger file, and in-memory read-only answers.
#include "engine/Cursors.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/LedgerFile.h"

namespace engine {
namespace {

const std::string& columnList() {
    static const std::string list = [] {
        std::string made;
        for (const LedgerColumn& column : ledgerColumns())
            made += (made.empty() ? "" : ", ") + std::string(column.name);
        return made;
    }();
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

const std::string& insertSql() {
    static const std::string sql = [] {
        std::string values;
        for (std::size_t i = 1; i <= LedgerColumnCount; ++i)
            values += (i > 1 ? ", ?" : "?") + std::to_string(i);
        return "INSERT INTO kovrel (" + columnList() + ") VALUES (" + values + ")";
    }();
    return sql;
}

const std::string& storedSql() {
    static const std::string sql = selectSql(columnList(), "kovrel", "", "rowid = ?1", nullptr);
    return sql;
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

const std::vector<FieldSpec>& ledgerFieldSpecs() {
    static const std::vector<FieldSpec> fields = [] {
        std::vector<FieldSpec> made;
        for (const LedgerColumn& column : ledgerColumns())
            made.push_back({column.name, column.type, column.size});
        return made;
    }();
    return fields;
}

const RecordLayout& ledgerLayout() {
    static const RecordLayout layout(ledgerFieldSpecs());
    return layout;
}

TablePageSql::TablePageSql(const std::string& table, const std::string& where)
    : sinkRows(pagesThroughSink(where)),
      forward(pageSql(table, where, "rowid > ?1", "ASC")),
      backward(pageSql(table, where, "rowid < ?1", "DESC")),
      current(selectSql("rowid, " + columnList(), table, "", "rowid = ?1", nullptr)) {}

TableCursor::TableCursor(std::shared_ptr<Connection> connection, std::shared_ptr<const TablePageSql> sql,
                         bool readWrite, bool temporary)
    : PagedCursor(readWrite, temporary, {FirstPageRows, PageRows, 4}),
      connection_(std::move(connection)),
      sql_(std::move(sql)) {}

bool TableCursor::fillPage(bool forward, std::int64_t from, std::size_t wanted, Failure* failure) {
    pageStamp_ = connection_->changeStamp();
    sqlite3_stmt* statement = connection_->statement(forward ? sql_->forward : sql_->backward, failure);
    if (!statement) return false;
    StatementUse use(statement);
    sqlite3_bind_int64(statement, 1, from);
    sqlite3_bind_int64(statement, 2, static_cast<sqlite3_int64>(wanted));
    const int rc =
        sql_->sinkRows ? fillPageThroughSink(statement, wanted) : fillPageByColumns(statement, wanted);
    if (rc != SQLITE_DONE) {
        *failure = connection_->failure(rc, "the table cannot be read");
        return false;
    }
    return true;
}

// The limit keeps a page within its buffer; a row past it would be a fault, reported as a failed read.
int TableCursor::fillPageThroughSink(sqlite3_stmt* statement, std::size_t wanted) {
    pageKeys_.resize(wanted);
    RecordSink sink{&layout(), pageRecords_.get(), pageKeys_.data(), wanted};
    bindRecordSink(statement, 3, &sink);
    std::size_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) ++rows;
    pageKeys_.resize(std::min(rows, wanted));
    if (rc == SQLITE_DONE && (sink.count != rows || rows > wanted)) return SQLITE_INTERNAL;
    return rc;
}

int TableCursor::fillPageByColumns(sqlite3_stmt* statement, std::size_t wanted) {
    const std::uint32_t size = layout().recordSize();
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (pageKeys_.size() == wanted) return SQLITE_INTERNAL;
        layout().readRow(statement, 1, pageRecords_.get() + pageKeys_.size() * size);
        pageKeys_.push_back(sqlite3_column_int64(statement, 0));
    }
    return rc;
}

template <typename Read>
Result TableCursor::onCurrentRow(const std::string& sql, Failure* failure, Read&& read) {
    sqlite3_stmt* statement = connection_->statement(sql, failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    sqlite3_bind_int64(statement, 1, key());
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) return code::RecordGone;
    if (rc != SQLITE_ROW) {
        *failure = connection_->failure(rc, "the record cannot be read");
        return failure->code;
    }
    read(statement);
    return code::Ok;
}

Result TableCursor::readCurrent(std::uint8_t* record, Failure* failure) {
    return onCurrentRow(sql_->current, failure, [&](sqlite3_stmt* statement) {
        if (record) layout().readRow(statement, 1, record);
    });
}

Result TableCursor::readStored(FileRow* row, Failure* failure) {
    return onCurrentRow(storedSql(), failure, [&](sqlite3_stmt* statement) {
        row->key = key();
        row->values.clear();
        for (std::size_t i = 0; i < LedgerColumnCount; ++i)
            row->values.emplace_back(sqlite3_value_dup(sqlite3_column_value(statement, static_cast<int>(i))));
        row->record.resize(layout().recordSize());
        layout().readRow(statement, 0, row->record.data());
    });
}

Result TableCursor::writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                                     const std::uint8_t* record, const FileRow& read, Failure* failure) {
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
    sqlite3_bind_int64(statement, ++parameter, read.key);
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
    return matched ? code::Ok : notMatched(failure);
}

Result TableCursor::recordChanged(Failure* failure) const {
    *failure = {
        code::RecordChanged,
        connection_->path() + ": another program changed the record since it was read; nothing was written"};
    return code::RecordChanged;
}

Result TableCursor::insertRecord(const std::uint8_t* record, Failure* failure) {
    if (!readWrite()) return code::CursorReadOnly;
    sqlite3_stmt* statement = connection_->statement(insertSql(), failure);
    if (!statement) return failure->code;
    StatementUse use(statement);
    for (std::size_t i = 0; i < layout().fields().size(); ++i)
        layout().bindField(statement, static_cast<int>(i + 1), i, record);
    dropPage();
    if (!connection_->runWrite(statement, failure)) return failure->code;
    placeOn(sqlite3_last_insert_rowid(connection_->handle()));
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
    return propertiesWith(false, true);
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
