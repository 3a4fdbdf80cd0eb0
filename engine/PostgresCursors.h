// Cursors over a server ledger: table cursors paged by key, and answers read whole into records.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Cursors.h"
#include "engine/Postgres.h"

namespace engine {

// Reads row `row` of `result` into `record`, field 1 from column `firstColumn` and the others from the
// columns after it, with the conversions a file's values go through (RecordLayout::readTexts). `texts` is
// room for the row's texts, kept by the caller from row to row. A date that is no day of the years 1 to
// 9999 (an infinite one, one before Christ, one past 9999) is never read as another day: the row is
// refused, *failure naming the value and `source` the database.
bool readServerRow(const RecordLayout& layout, const PGresult* result, int row, int firstColumn,
                   std::vector<TextValue>* texts, std::uint8_t* record, const std::string& source,
                   Failure* failure);

// The server's text of field `index` of `record` (as a parameter), or nothing when it is empty.
std::optional<std::string> serverFieldText(const RecordLayout& layout, std::size_t index,
                                           const std::uint8_t* record);

// A server row's stored values as the server's texts, and the record they read as.
struct ServerRow {
    std::int64_t key = 0;  // the id
    std::vector<std::optional<std::string>> texts;
    std::vector<std::uint8_t> record;
};

// The ledger rows of the server table, or those matching a where clause, in key order, paged as
// PagedCursor says with larger pages. Other clerks' commits show in every page fetched and whenever the
// current record is read again; stepping past the last row held asks the server again unless the page
// reached the end and no notice of a commit has come in since (see ServerConnection::changeStamp). The
// statement that writes compares every column with the values read.
class ServerTableCursor : public PagedCursor<ServerRow> {
  public:
    // A cursor over all columns of the table `from` names (with any alias), limited by an optional
    // `where` clause; both in PostgreSQL's dialect.
    ServerTableCursor(std::shared_ptr<ServerConnection> connection, const std::string& from,
                      const std::string& where, bool readWrite, bool temporary);

    Result insertRecord(const std::uint8_t* record, Failure* failure) override;

    // Rows fetched by the first page after opening or a jump, and by the largest page. Each page costs a
    // round trip to the server, so the first page holds what most queries of one worker return.
    static constexpr int FirstPageRows = 256;
    static constexpr int PageRows = 4096;

  private:
    bool fillPage(bool forward, std::int64_t from, std::size_t wanted, Failure* failure) override;
    std::uint64_t writeCount() const override { return connection_->writeCount(); }
    bool endStillHolds() const override { return pageStamp_ == connection_->changeStamp(); }
    Result readCurrent(std::uint8_t* record, Failure* failure) override;
    Result readStored(ServerRow* row, Failure* failure) override;
    Result writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                            const std::uint8_t* record, const ServerRow& read, Failure* failure) override;
    Result recordChanged(Failure* failure) const override;

    std::shared_ptr<ServerConnection> connection_;
    std::string forwardSql_, backwardSql_, currentSql_;
    std::uint64_t pageStamp_ = 0;  // the connection's change stamp before the page was fetched
};

}  // namespace engine
