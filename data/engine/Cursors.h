// Cursors over a ledger file: table cursors paged by rowid, and read-only results held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/engine/Records.h"
#include "data/engine/Sqlite.h"

namespace engine {

// A position over rows, with the record layout of its fields. Before the first row when fresh.
class Cursor {
  public:
    explicit Cursor(RecordLayout layout) : layout_(std::move(layout)) {}
    virtual ~Cursor() = default;

    const RecordLayout& layout() const { return layout_; }
    virtual CursorProps properties() const = 0;

    virtual Result setToBegin() = 0;
    virtual Result setToEnd() = 0;
    // `record` may be null to move without reading.
    virtual Result getRecord(GetMode mode, std::uint8_t* record, Failure* failure) = 0;
    virtual Result getBookmark(std::uint8_t* bookmark) const = 0;
    virtual Result setToBookmark(const std::uint8_t* bookmark, Failure* failure) = 0;

    // The writes as TableEngine describes them.
    virtual Result lockRecord(Failure* failure) = 0;
    virtual void releaseLock() {}
    virtual Result modifyRecord(const std::uint8_t* record, Failure* failure) = 0;
    virtual Result insertRecord(const std::uint8_t* record, Failure* failure) = 0;
    virtual Result deleteRecord(const std::uint8_t* record, Failure* failure) = 0;

  private:
    RecordLayout layout_;
};

constexpr std::uint32_t BookmarkSize = sizeof(std::int64_t);

// The rows of the file's table, or those matching a where clause, in rowid order. It holds one page
// of rows at a time and fetches the next or previous page by rowid, so opening it and reading its
// first rows costs the same on any size of table. The first page after a jump holds about a screen of
// rows; each further page in a run holds four times as many, up to PageRows. A page is dropped as soon as
// this program writes to the file. Another program's commits show in the next page fetched, past the last row
// held, and whenever the current record is read again. A writable cursor's writes go straight to the
// file, and after a delete the cursor keeps the deleted row's place. A change or delete is made only
// while the row's stored values are those read (see TableEngine::modifyRecord): the statement that
// writes compares every column with them, so the check and the write are one step.
class TableCursor : public Cursor {
  public:
    // A cursor over all columns of the table its from clause `table` names (with any alias), limited by
    // an optional `where` clause; both in SQLite's dialect.
    TableCursor(std::shared_ptr<Connection> connection, const std::string& table, const std::string& where,
                bool readWrite, bool temporary);

    CursorProps properties() const override;
    Result setToBegin() override;
    Result setToEnd() override;
    Result getRecord(GetMode mode, std::uint8_t* record, Failure* failure) override;
    Result getBookmark(std::uint8_t* bookmark) const override;
    Result setToBookmark(const std::uint8_t* bookmark, Failure* failure) override;
    Result lockRecord(Failure* failure) override;
    void releaseLock() override { locked_.reset(); }
    Result modifyRecord(const std::uint8_t* record, Failure* failure) override;
    Result insertRecord(const std::uint8_t* record, Failure* failure) override;
    Result deleteRecord(const std::uint8_t* record, Failure* failure) override;

    // Rows fetched by the first page after opening or a jump, and by the largest page.
    static constexpr int FirstPageRows = 24;
    static constexpr int PageRows = 1024;

  private:
    enum class Place { BeforeFirst, OnRow, PastLast };
    struct ValueFree {
        void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
    };
    // A row's stored values exactly as they are, and the record they read as.
    struct StoredRow {
        std::int64_t rowid = 0;
        std::vector<std::unique_ptr<sqlite3_value, ValueFree>> values;
        std::vector<std::uint8_t> record;
    };

    Result step(bool forward, std::uint8_t* record, Failure* failure);
    // Moves past the last row (forward) or before the first and answers that end's code.
    Result leave(bool forward);
    bool fetchPage(bool forward, std::int64_t from, Failure* failure);
    // Step a bound page statement to its end, filling at most `wanted` rows; answer SQLite's last result.
    int fillPageThroughSink(sqlite3_stmt* statement, std::size_t wanted);
    int fillPageByColumns(sqlite3_stmt* statement, std::size_t wanted);
    Result readCurrent(std::uint8_t* record, Failure* failure);
    Result checkWritable() const;
    Result readStored(StoredRow* row, Failure* failure);
    // Runs `action` on the current row while its stored values are those of `read`: an "UPDATE kovrel SET"
    // of the `fields` of `record`, a "DELETE FROM kovrel", or a "SELECT 1 FROM kovrel" that writes
    // nothing. Answers RecordChanged, or RecordGone, when the row does not match.
    Result writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                            const std::uint8_t* record, const StoredRow& read, Failure* failure);
    Result recordChanged(Failure* failure) const;
    void dropPage() { pageRowids_.clear(); }

    std::shared_ptr<Connection> connection_;
    bool readWrite_, temporary_;
    bool sinkRows_;  // pages are filled through a record sink
    std::string forwardSql_, backwardSql_, currentSql_;
    Place place_ = Place::BeforeFirst;
    std::int64_t rowid_ = 0;
    bool deleted_ = false;
    std::vector<std::int64_t> pageRowids_;         // ascending
    std::unique_ptr<std::uint8_t[]> pageRecords_;  // room for pageCapacity_ records
    std::size_t pageCapacity_ = 0;
    std::size_t pageIndex_ = 0;
    std::uint64_t pageWrites_ = 0;  // this program's writes when the page was fetched
    std::uint64_t pageStamp_ = 0;   // the file's change stamp then
    int pageRows_ = FirstPageRows;
    bool pageForward_ = true;
    bool pageReachesEnd_ = false;      // no row lies beyond the page in the direction it was fetched
    std::optional<StoredRow> locked_;  // the row being edited as lockRecord read it
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

// The ledger table's columns as cursor fields.
std::vector<FieldSpec> ledgerFieldSpecs();

}  // namespace engine
