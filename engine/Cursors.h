// Cursors over a ledger file: table cursors paged by rowid, and read-only results held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/PagedCursor.h"
#include "engine/Records.h"
#include "engine/Sqlite.h"

namespace engine {

// The rows of the file's table, or those matching a where clause, in rowid order, paged as PagedCursor
// says: the first page after a jump holds about a screen of rows, each further page in a run four times as
// many. Another program's commits show in the next page fetched, past the last row held (a page that
// reached the end is asked for again only when the file changed), and whenever the current record is read
// again. A writable cursor's writes go straight to the file; the statement that writes compares every
// column with the values read, so the check and the write are one step.
struct FileRow {
    struct ValueFree {
        void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
    };
    std::int64_t key = 0;  // the rowid
    // The stored values exactly as they are, and the record they read as.
    std::vector<std::unique_ptr<sqlite3_value, ValueFree>> values;
    std::vector<std::uint8_t> record;
};

// The statements a table cursor pages with: over all columns of the table its from clause `table` names
// (with any alias), limited by an optional `where` clause; both in SQLite's dialect. Made once for each
// statement text, not for each cursor.
struct TablePageSql {
    TablePageSql(const std::string& table, const std::string& where);

    bool sinkRows;  // pages are filled through a record sink
    std::string forward, backward, current;
};

class TableCursor : public PagedCursor<FileRow> {
  public:
    TableCursor(std::shared_ptr<Connection> connection, std::shared_ptr<const TablePageSql> sql,
                bool readWrite, bool temporary);

    Result insertRecord(const std::uint8_t* record, Failure* failure) override;

    // Rows fetched by the first page after opening or a jump, and by the largest page.
    static constexpr int FirstPageRows = 24;
    static constexpr int PageRows = 1024;

  private:
    bool fillPage(bool forward, std::int64_t from, std::size_t wanted, Failure* failure) override;
    std::uint64_t writeCount() const override { return connection_->writeCount(); }
    bool endStillHolds() const override { return pageStamp_ == connection_->changeStamp(); }
    Result readCurrent(std::uint8_t* record, Failure* failure) override;
    Result readStored(FileRow* row, Failure* failure) override;
    Result writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                            const std::uint8_t* record, const FileRow& read, Failure* failure) override;
    Result recordChanged(Failure* failure) const override;

    // Step a bound page statement to its end, filling at most `wanted` rows; answer SQLite's last result.
    int fillPageThroughSink(sqlite3_stmt* statement, std::size_t wanted);
    int fillPageByColumns(sqlite3_stmt* statement, std::size_t wanted);
    // Runs `sql` for the current row's rowid (?1) and hands its statement, stepped onto the row, to `read`.
    template <typename Read>
    Result onCurrentRow(const std::string& sql, Failure* failure, Read&& read);

    std::shared_ptr<Connection> connection_;
    std::shared_ptr<const TablePageSql> sql_;
    std::uint64_t pageStamp_ = 0;  // the file's change stamp when the page was fetched
};

// The rows of a statement's answer, read when it runs and kept in memory; it refuses every write.
class ResultCursor : public Cursor {
  public:
    // Runs `statement` to its end; answers nullptr with *failure filled when it fails.
    static std::unique_ptr<ResultCursor> run(Connection& connection, sqlite3_stmt* statement,
                                             std::vector<FieldSpec> fields, Failure* failure);
    // A cursor over `records`, laid out one after another by `fields`, that another driver read.
    static std::unique_ptr<ResultCursor> holding(std::vector<FieldSpec> fields,
                                                 std::vector<std::uint8_t> records);

    CursorProps properties() const override;
    Result setToBegin() override;
    Result setToEnd() override;
    Result getRecord(GetMode mode, std::uint8_t* record, Failure* failure) override;
    Result getBookmark(std::uint8_t* bookmark) const override;
    Result setToBookmark(const std::uint8_t* bookmark, Failure* failure) override;
    Result lockRecord(Failure*) override { return code::CursorReadOnly; }
    Result modifyRecord(const std::uint8_t*, Failure*) override { return code::CursorReadOnly; }
    Result insertRecord(const std::uint8_t*, Failure*) override { return code::CursorReadOnly; }
    Result deleteRecord(const std::uint8_t*, Failure*) override { return code::CursorReadOnly; }

  private:
    explicit ResultCursor(RecordLayout layout) : Cursor(std::move(layout)) {}

    std::size_t rowCount() const;

    std::vector<std::uint8_t> records_;
    std::int64_t index_ = -1;  // -1 before the first row, rowCount() past the last
};

}  // namespace engine
