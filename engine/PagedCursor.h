// The cursor interface of both drivers, and the paged table cursor whose moves, bookmarks and checked
// writes the file's and the server's table cursors share.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Records.h"
#include "engine/Sqlite.h"

namespace engine {

constexpr std::uint32_t BookmarkSize = sizeof(std::int64_t);

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

  protected:
    CursorProps propertiesWith(bool readWrite, bool temporary) const {
        CursorProps props;
        props.recordSize = layout_.recordSize();
        props.bookmarkSize = BookmarkSize;
        props.readWrite = readWrite;
        props.temporary = temporary;
        props.fieldCount = static_cast<std::uint16_t>(layout_.fields().size());
        return props;
    }

  private:
    RecordLayout layout_;
};

// The ledger table's columns as cursor fields.
const std::vector<FieldSpec>& ledgerFieldSpecs();
// The record layout of those fields.
const RecordLayout& ledgerLayout();

// A table cursor over the ledger's rows in the order of their key (a rowid or the server's id), a page
// at a time. The first page after a jump holds `firstPageRows`; each further page in a run `growth`
// times as many, up to `pageRows`. A page is dropped when this program writes through the connection;
// stepping past the last row held asks for the next page, unless the page reached the end and the
// driver says nothing changed since. After a delete the cursor keeps the deleted row's place. A change or
// delete is made only while the row's stored values are those read (see TableEngine::modifyRecord).
//
// `Row` is a row's stored values as the driver compares them, with at least `key` and `record`.
template <typename Row>
class PagedCursor : public Cursor {
  public:
    struct Paging {
        int firstPageRows, pageRows, growth;
    };

    PagedCursor(bool readWrite, bool temporary, Paging paging)
        : Cursor(ledgerLayout()),
          readWrite_(readWrite),
          temporary_(temporary),
          paging_(paging),
          pageRows_(paging.firstPageRows) {}

    CursorProps properties() const override { return propertiesWith(readWrite_, temporary_); }

    Result setToBegin() override { return jump(Place::BeforeFirst); }
    Result setToEnd() override { return jump(Place::PastLast); }

    Result getRecord(GetMode mode, std::uint8_t* record, Failure* failure) override {
        switch (mode) {
            case GetMode::Current:
                if (place_ != Place::OnRow) return code::NoCurrentRecord;
                if (deleted_) return code::RecordGone;
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

    Result getBookmark(std::uint8_t* bookmark) const override {
        if (place_ != Place::OnRow) return code::NoCurrentRecord;
        std::memcpy(bookmark, &key_, sizeof key_);
        return code::Ok;
    }

    Result setToBookmark(const std::uint8_t* bookmark, Failure* failure) override {
        std::int64_t key;
        std::memcpy(&key, bookmark, sizeof key);
        jump(Place::OnRow);
        key_ = key;
        const Result result = readCurrent(nullptr, failure);
        if (result == code::RecordGone) deleted_ = true;
        return result;
    }

    Result lockRecord(Failure* failure) override {
        if (!readWrite_) return code::CursorReadOnly;
        locked_.reset();
        Row row;
        if (const Result result = stored(&row, failure)) return result;
        locked_ = std::move(row);
        return code::Ok;
    }
    void releaseLock() override { locked_.reset(); }

    Result modifyRecord(const std::uint8_t* record, Failure* failure) override {
        Row unlocked;
        const Row* read = nullptr;
        if (const Result result = rowToWrite(&unlocked, &read, failure)) return result;
        std::vector<std::size_t> changed;
        for (std::size_t i = 0; i < layout().fields().size(); ++i) {
            if (!layout().sameValue(i, record, read->record.data())) changed.push_back(i);
        }
        const Result result = writeIfUnchanged(changed.empty() ? "SELECT 1 FROM kovrel" : "UPDATE kovrel SET",
                                               changed, record, *read, failure);
        if (result == code::Ok) locked_.reset();
        return result;
    }

    Result deleteRecord(const std::uint8_t* record, Failure* failure) override {
        Row unlocked;
        const Row* read = nullptr;
        if (const Result result = rowToWrite(&unlocked, &read, failure)) return result;
        // Without the lock, a record unlike the stored row was changed by another program.
        for (std::size_t i = 0; record && read == &unlocked && i < layout().fields().size(); ++i) {
            if (!layout().sameValue(i, record, unlocked.record.data())) return recordChanged(failure);
        }
        const Result result = writeIfUnchanged("DELETE FROM kovrel", {}, nullptr, *read, failure);
        if (result != code::Ok) return result;
        locked_.reset();
        deleted_ = true;
        return code::Ok;
    }

  protected:
    // Fills the page with at most `wanted` rows past `from` in the direction asked, in that direction's
    // order: pageKeys_ receives their keys, pageRecords_ their records one after another (room for
    // `wanted`). Answers false with *failure filled when the rows cannot be read.
    virtual bool fillPage(bool forward, std::int64_t from, std::size_t wanted, Failure* failure) = 0;
    // The connection's count of this program's writes.
    virtual std::uint64_t writeCount() const = 0;
    // Whether no other program can have added a row since the page was fetched, so a page that reached
    // the end still does.
    virtual bool endStillHolds() const = 0;
    // Reads the current row (on it, not deleted) into `record`, which may be null.
    virtual Result readCurrent(std::uint8_t* record, Failure* failure) = 0;
    // Reads the current row's stored values (on it, not deleted).
    virtual Result readStored(Row* row, Failure* failure) = 0;
    // Runs `action` on the current row while its stored values are those of `read`: an "UPDATE kovrel SET"
    // of the `fields` of `record`, a "DELETE FROM kovrel", or a "SELECT 1 FROM kovrel" that writes
    // nothing. Answers RecordChanged, or RecordGone, when the row does not match.
    virtual Result writeIfUnchanged(const std::string& action, const std::vector<std::size_t>& fields,
                                    const std::uint8_t* record, const Row& read, Failure* failure) = 0;
    // Fills *failure with the refusal of a write to a row another program changed.
    virtual Result recordChanged(Failure* failure) const = 0;

    bool readWrite() const { return readWrite_; }
    std::int64_t key() const { return key_; }
    // Puts the cursor on the row `key`, as after inserting it.
    void placeOn(std::int64_t key) {
        place_ = Place::OnRow;
        deleted_ = false;
        key_ = key;
    }
    void dropPage() { pageKeys_.clear(); }

    // The stored values of the current row.
    Result stored(Row* row, Failure* failure) {
        if (place_ != Place::OnRow) return code::NoCurrentRecord;
        if (deleted_) return code::RecordGone;
        return readStored(row, failure);
    }
    // Tells a row that is gone from one that changed, after a checked write matched no row.
    Result notMatched(Failure* failure) {
        Row now;
        const Result found = stored(&now, failure);
        return found != code::Ok ? found : recordChanged(failure);
    }

    std::vector<std::int64_t> pageKeys_;           // ascending once fetched
    std::unique_ptr<std::uint8_t[]> pageRecords_;  // room for pageCapacity_ records

  private:
    enum class Place { BeforeFirst, OnRow, PastLast };

    Result jump(Place place) {
        pageRows_ = paging_.firstPageRows;
        place_ = place;
        deleted_ = false;
        dropPage();
        return code::Ok;
    }

    // Moves past the last row (forward) or before the first and answers that end's code.
    Result leave(bool forward) {
        dropPage();
        place_ = forward ? Place::PastLast : Place::BeforeFirst;
        deleted_ = false;
        return forward ? code::PastLast : code::BeforeFirst;
    }

    bool fetchPage(bool forward, std::int64_t from, Failure* failure) {
        dropPage();
        pageWrites_ = writeCount();
        const auto wanted = static_cast<std::size_t>(pageRows_);
        pageRows_ = std::min(paging_.growth * pageRows_, paging_.pageRows);
        if (pageCapacity_ < wanted) {
            // Left uninitialised: only the records a fetch fills are ever read.
            pageRecords_ = std::make_unique_for_overwrite<std::uint8_t[]>(wanted * layout().recordSize());
            pageCapacity_ = wanted;
        }
        if (!fillPage(forward, from, wanted, failure)) {
            dropPage();
            return false;
        }
        pageForward_ = forward;
        pageReachesEnd_ = pageKeys_.size() < wanted;
        if (!forward) {
            // Rows fetched backwards are kept in ascending order like the others.
            const std::size_t count = pageKeys_.size(), size = layout().recordSize();
            std::reverse(pageKeys_.begin(), pageKeys_.end());
            for (std::size_t i = 0; i < count / 2; ++i) {
                std::uint8_t* low = pageRecords_.get() + i * size;
                std::swap_ranges(low, low + size, pageRecords_.get() + (count - 1 - i) * size);
            }
        }
        // The keys come from the stored table: only a damaged one hands them over out of order.
        if (std::adjacent_find(pageKeys_.begin(), pageKeys_.end(), std::greater_equal<>()) !=
            pageKeys_.end()) {
            dropPage();
            *failure = {code::FileDamaged, "the table's rows come out of the order of their keys"};
            return false;
        }
        return true;
    }

    Result step(bool forward, std::uint8_t* record, Failure* failure) {
        const bool pageHolds = !pageKeys_.empty() && place_ == Place::OnRow &&
                               pageKeys_[pageIndex_] == key_ && pageWrites_ == writeCount();
        const bool inPage = pageHolds && (forward ? pageIndex_ + 1 < pageKeys_.size() : pageIndex_ > 0);
        if (pageHolds && !inPage && forward == pageForward_ && pageReachesEnd_ && endStillHolds())
            return leave(forward);
        if (inPage) {
            pageIndex_ = forward ? pageIndex_ + 1 : pageIndex_ - 1;
        } else {
            const std::int64_t from = place_ == Place::OnRow ? key_ : (forward ? LLONG_MIN : LLONG_MAX);
            if (!fetchPage(forward, from, failure)) return failure->code;
            if (pageKeys_.empty()) return leave(forward);
            pageIndex_ = forward ? 0 : pageKeys_.size() - 1;
        }
        placeOn(pageKeys_[pageIndex_]);
        if (record) {
            const std::size_t size = layout().recordSize();
            std::memcpy(record, pageRecords_.get() + pageIndex_ * size, size);
        }
        return code::Ok;
    }

    const Row* lockedRow() const {
        const bool locked = locked_ && place_ == Place::OnRow && !deleted_ && locked_->key == key_;
        return locked ? &*locked_ : nullptr;
    }
    // The row a write expects to find stored: the current row as this cursor locked it, else its stored
    // values, read now into `*unlocked`.
    Result rowToWrite(Row* unlocked, const Row** read, Failure* failure) {
        if (!readWrite_) return code::CursorReadOnly;
        *read = lockedRow();
        if (*read) return code::Ok;
        if (const Result result = stored(unlocked, failure)) return result;
        *read = unlocked;
        return code::Ok;
    }

    bool readWrite_, temporary_;
    Paging paging_;
    Place place_ = Place::BeforeFirst;
    std::int64_t key_ = 0;
    bool deleted_ = false;
    std::size_t pageCapacity_ = 0;
    std::size_t pageIndex_ = 0;
    std::uint64_t pageWrites_ = 0;  // this program's writes when the page was fetched
    int pageRows_;
    bool pageForward_ = true;
    bool pageReachesEnd_ = false;  // no row lay beyond the page in the direction it was fetched
    std::optional<Row> locked_;    // the row being edited as lockRecord read it
};

}  // namespace engine
