// Cursors over a server ledger: table cursors paged by key, and answers read whole into records.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/engine/Cursors.h"
#include "data/engine/Postgres.h"

namespace engine {

// Turns the server's texts into records with the very conversions a file's values go through: the
// values are bound, with the kinds their fields hold, to an SQLite statement that selects them back, and
// the record is read from that statement.
class ServerRecordReader {
  public:
    ServerRecordReader();
    ~ServerRecordReader();
    ServerRecordReader(const ServerRecordReader&) = delete;
    ServerRecordReader& operator=(const ServerRecordReader&) = delete;

    // Fills `record` from row `row` of `result`, field 1 from column `firstColumn` and the others from
    // the columns after it.
    void read(const RecordLayout& layout, const PGresult* result, int row, int firstColumn,
              std::uint8_t* record);

    // The reader of this thread.
    static ServerRecordReader& shared();

  private:
    sqlite3* db_ = nullptr;
    std::map<std::size_t, sqlite3_stmt*> selects_;  // by number of values
};

// The server's text of field `index` of `record` (as a parameter), or nothing when it is empty.
std::optional<std::string> serverFieldText(const RecordLayout& layout, std::size_t index,
                                           const std::uint8_t* record);

// The ledger rows of the server table, or those matching a where clause, in key order, a page at a time
// as TableCursor pages a file, with larger pages. A page is dropped when this connection writes; other
// clerks' commits show in every page fetched and whenever the current record is read again, and stepping past
// the last row held always asks the server again. A change or delete is made only while the row's stored
// values are those read (see TableEngine::modifyRecord): the statement that writes compares every column with
// them.
class ServerTableCursor : public Cursor {
  public:
    // A cursor over all columns of the table `from` names (with any alias), limited by an optional
    // `where` clause; both in PostgreSQL's dialect.
    ServerTableCursor(std::shared_ptr<ServerConnection> connection, const std::string& from,
                      const std::string& where, bool readWrite, bool temporary);

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

    // Rows fetched by the first page after opening or a jump, and by the largest page. Each page costs a
    // round trip to the server, so the first page holds what most queries of one worker return.
    static constexpr int FirstPageRows = 256;
    static constexpr int PageRows = 4096;

  private:
    enum class Place { BeforeFirst, OnRow, PastLast };
    // A row's stored values as the server's texts, and the record they read as.
    struct StoredRow {
        std::int64_t id = 0;
        std::vector<std::optional<std::string>> texts;
        std::vector<std::uint8_t> record;
    };

    Result step(bool forward, std::uint8_t* record, Failure* failure);
    Result leave(bool forward);
    bool fetchPage(bool forward, std::int64_t from, Failure* failure);
    Result readStored(StoredRow* row, Failure* failure);
    Result writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                            const std::uint8_t* record, const StoredRow& read, Failure* failure);
    Result recordChanged(Failure* failure) const;
    const StoredRow* lockedRow() const;

    std::shared_ptr<ServerConnection> connection_;
    bool readWrite_, temporary_;
    std::string forwardSql_, backwardSql_, currentSql_;
    Place place_ = Place::BeforeFirst;
    std::int64_t id_ = 0;
    bool deleted_ = false;
    std::vector<std::int64_t> pageIds_;  // ascending
    std::vector<std::uint8_t> pageRecords_;
    std::size_t pageIndex_ = 0;
    std::uint64_t pageWrites_ = 0;
    int pageRows_ = FirstPageRows;
    std::optional<StoredRow> locked_;
};

}  // namespace engine
