// Cursors: paging both ways across pages, bookmarks, writes through table and live cursors.
#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <random>

#include "EngineTestSupport.h"
#include "engine/PagedCursor.h"

namespace enginetest {
namespace {

using namespace engine;

constexpr std::uint16_t RedBroj = 2, PrezimeIme = 4, Od = 5, Razlog = 9, Dobijeni = 11;

std::vector<Row> numberedRows(int count, const std::string& name = "RADNIK") {
    std::vector<Row> rows;
    for (int i = 1; i <= count; ++i) rows.push_back({name, "SL.DANI", 1, std::nullopt, double(i)});
    return rows;
}

class CursorTest : public EngineTest {
  protected:
    // The RedBroj of the record a move lands on, or the code it answers.
    std::string move(CursorHandle cursor, GetMode mode) {
        auto record = newRecord(cursor);
        const Result result = engine_.getRecord(cursor, mode, record.data());
        if (result == code::PastLast) return "past";
        if (result == code::BeforeFirst) return "before";
        if (result != code::Ok) return "error " + std::to_string(result);
        return fieldText(fields(cursor), record.data(), RedBroj);
    }
};

TEST_F(CursorTest, FreshCursorIsBeforeTheFirstRecordAndEndsAnswerTheirCodes) {
    createLedger(numberedRows(3));
    const CursorHandle cursor = openTable();
    EXPECT_EQ(move(cursor, GetMode::Prior), "before");
    EXPECT_EQ(move(cursor, GetMode::Next), "1");
    EXPECT_EQ(move(cursor, GetMode::Next), "2");
    EXPECT_EQ(move(cursor, GetMode::Next), "3");
    EXPECT_EQ(move(cursor, GetMode::Next), "past");
    EXPECT_EQ(move(cursor, GetMode::Next), "past");
    EXPECT_EQ(move(cursor, GetMode::Prior), "3");
    ASSERT_EQ(engine_.setToBegin(cursor), code::Ok);
    EXPECT_EQ(move(cursor, GetMode::Next), "1");
    ASSERT_EQ(engine_.setToEnd(cursor), code::Ok);
    EXPECT_EQ(move(cursor, GetMode::Prior), "3");
}

TEST_F(CursorTest, EmptyTableAnswersBothEnds) {
    createLedger();
    const CursorHandle cursor = openTable();
    EXPECT_EQ(move(cursor, GetMode::Next), "past");
    EXPECT_EQ(move(cursor, GetMode::Prior), "before");
    EXPECT_EQ(current(cursor, RedBroj), "<" + std::to_string(code::NoCurrentRecord) + ">");
}

// Walks at random over many pages and compares every answer with a plain list of the rows.
struct Walk {
    const char* label;
    const char* sql;  // nullptr: the table itself
    int otherRowsBetween;
};

class CursorWalkTest : public CursorTest, public testing::WithParamInterface<Walk> {};

TEST_P(CursorWalkTest, NextAndPriorAgreeWithTheRowsInStoredOrder) {
    const int count = 3 * TableCursor::PageRows + 7;
    std::vector<Row> rows;
    for (int i = 1; i <= count; ++i) {
        rows.push_back({"RADNIK", "SL.DANI", 1, std::nullopt, double(i)});
        for (int other = 0; other < GetParam().otherRowsBetween; ++other) rows.push_back({"DRUGI", "BO", 1});
    }
    createLedger(rows);
    const CursorHandle cursor = GetParam().sql ? query(GetParam().sql, true) : openTable();
    std::mt19937 random(7);
    int position = 0;  // 0 before the first, count + 1 past the last
    for (int step = 0; step < 3000; ++step) {
        const bool forward = random() % 100 < 55;
        const std::string got = move(cursor, forward ? GetMode::Next : GetMode::Prior);
        position = std::clamp(position + (forward ? 1 : -1), 0, count + 1);
        const std::string expected = position == 0           ? "before"
                                     : position == count + 1 ? "past"
                                                             : std::to_string(position);
        ASSERT_EQ(got, expected) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cursors, CursorWalkTest,
    testing::Values(Walk{"table", nullptr, 0}, Walk{"all_rows", "select * from kovrel", 0},
                    Walk{"one_worker", "select * from kovrel\r\nwhere prezimeime = 'RADNIK'\r\n", 3},
                    Walk{"projection", "select prezimeime, redbroj * 1 from kovrel where razlog = 'SL.DANI'",
                         2}),
    [](const auto& info) { return std::string(info.param.label); });

// A write through one of the program's cursors shows on another's next move, even when the two read the
// file through different connections.
TEST_F(CursorTest, AWriteThroughAnotherCursorShowsOnTheNextMove) {
    createLedger({{"PRVI", "SL.DANI"}, {"DRUGI", "SL.DANI"}, {"TRECI", "SL.DANI"}});
    const CursorHandle reader = openTable(OpenMode::ReadOnly);
    const CursorHandle writer = openTable(OpenMode::ReadWrite);
    auto record = newRecord(reader);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(engine_.getRecord(writer, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(engine_.getRecord(writer, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(engine_.deleteRecord(writer, nullptr), code::Ok);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok);
    EXPECT_EQ(fieldText(fields(reader), record.data(), 4), "TRECI");
}

// A stored text longer than its field, or not valid UTF-8, is cut to the field's characters and ends
// inside its slot, however the record is read.
TEST_F(CursorTest, OverlongStoredTextsAreCutInsideTheirSlot) {
    createLedger();
    std::string wide;  // forty characters of two bytes each
    for (int i = 0; i < 40; ++i) wide += "\u0160";
    // Thirty "characters" in 121 bytes: the last A carries every continuation byte.
    const std::string broken = std::string(30, 'A') + std::string(91, '\x80');
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "INSERT INTO kovrel (PrezimeIme, Razlog) VALUES (?1, ?2)", -1, &insert,
                                 nullptr),
              SQLITE_OK);
    sqlite3_bind_text(insert, 1, broken.data(), static_cast<int>(broken.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, wide.data(), static_cast<int>(wide.size()), SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_finalize(insert);
    sqlite3_close(raw);

    const auto text = [this](CursorHandle cursor, const std::vector<std::uint8_t>& record,
                             std::uint16_t number) {
        const FieldDesc desc = fields(cursor).at(number - 1);
        std::vector<char> value(desc.length, '\x7f');
        bool blank = true;
        EXPECT_EQ(engine_.getField(cursor, number, record.data(), value.data(), &blank), code::Ok);
        EXPECT_FALSE(blank);
        const std::size_t length = strnlen(value.data(), value.size());
        EXPECT_LT(length, desc.length - 1u) << "the text ends inside its slot";
        return std::string(value.data(), length);
    };
    const std::string cutName(29, 'A');
    const std::string cutReason = wide.substr(0, 60);

    const CursorHandle table = openTable();
    auto record = newRecord(table);
    ASSERT_EQ(engine_.getRecord(table, GetMode::Next, record.data()), code::Ok);
    EXPECT_EQ(text(table, record, 4), cutName);
    EXPECT_EQ(text(table, record, 9), cutReason);
    ASSERT_EQ(engine_.getRecord(table, GetMode::Current, record.data()), code::Ok);
    EXPECT_EQ(text(table, record, 4), cutName);

    const CursorHandle answer = query("select razlog, prezimeime from kovrel");
    auto answered = newRecord(answer);
    ASSERT_EQ(engine_.getRecord(answer, GetMode::Next, answered.data()), code::Ok);
    EXPECT_EQ(text(answer, answered, 1), cutReason);
    EXPECT_EQ(text(answer, answered, 2), cutName) << "a text that ends the record";
}

TEST_F(CursorTest, StoredDatesReadAsDaysAndSurviveAWriteOfOtherFields) {
    createLedger();
    const std::vector<std::string> stored = {"2024-03-04", "2024-02-30", "4.3.2024", "2024-03-04 10:30:00",
                                             "NOT A DATE AT ALL"};
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(raw, "INSERT INTO kovrel (RedBroj, Od) VALUES (?1, ?2)", -1, &insert, nullptr),
        SQLITE_OK);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        sqlite3_bind_int(insert, 1, static_cast<int>(i));
        sqlite3_bind_text(insert, 2, stored[i].c_str(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);

    const std::int32_t march4 = 738949;
    const std::vector<std::optional<std::int32_t>> days = {march4, std::nullopt, std::nullopt, march4,
                                                           std::nullopt};
    const CursorHandle cursor = openTable();
    auto record = newRecord(cursor);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        ASSERT_EQ(engine_.getRecord(cursor, GetMode::Next, record.data()), code::Ok);
        std::int32_t day = -1;
        bool blank = false;
        ASSERT_EQ(engine_.getField(cursor, Od, record.data(), &day, &blank), code::Ok);
        EXPECT_EQ(blank, !days[i]) << stored[i];
        EXPECT_EQ(day, days[i].value_or(0)) << stored[i];
        putFloat(cursor, record.data(), Dobijeni, 1);
        ASSERT_EQ(engine_.modifyRecord(cursor, record.data()), code::Ok);
    }

    // A write of another field leaves every stored date text as it was, a day or not.
    std::vector<std::string> written;
    sqlite3_stmt* select = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT coalesce(Od, 'NULL') FROM kovrel ORDER BY RedBroj", -1, &select,
                                 nullptr),
              SQLITE_OK);
    while (sqlite3_step(select) == SQLITE_ROW)
        written.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
    sqlite3_finalize(select);
    sqlite3_close(raw);
    EXPECT_EQ(written, (std::vector<std::string>{"2024-03-04", "2024-02-30", "4.3.2024",
                                                 "2024-03-04 10:30:00", "NOT A DATE AT ALL"}));
}

TEST_F(CursorTest, ADateIsStoredAsItsDayAndOnlyForDaysOfTheYears1To9999) {
    createLedger();
    const CursorHandle cursor = openTable();
    auto record = newRecord(cursor);
    const std::int32_t last = 3652059, first = 1;
    // Days far past the last one once wrapped round into other years.
    for (const std::int32_t outside : {3652060, 12000000, 24650000, INT32_MAX, 0, -1, INT32_MIN})
        EXPECT_EQ(engine_.putField(cursor, Od, record.data(), &outside), code::InvalidParameter) << outside;
    ASSERT_EQ(engine_.putField(cursor, Od, record.data(), &first), code::Ok);
    ASSERT_EQ(engine_.putField(cursor, Od, record.data(), &last), code::Ok);
    ASSERT_EQ(engine_.insertRecord(cursor, record.data()), code::Ok);
    EXPECT_EQ(current(cursor, Od), "9999-12-31");
}

TEST_F(CursorTest, BookmarksReturnToTheirRecord) {
    createLedger(numberedRows(200));
    const CursorHandle cursor = openTable();
    for (int i = 0; i < 150; ++i) move(cursor, GetMode::Next);
    CursorProps props;
    ASSERT_EQ(engine_.cursorProperties(cursor, &props), code::Ok);
    ASSERT_EQ(props.bookmarkSize, 8u);
    std::vector<std::uint8_t> bookmark(props.bookmarkSize);
    ASSERT_EQ(engine_.getBookmark(cursor, bookmark.data()), code::Ok);
    ASSERT_EQ(engine_.setToBegin(cursor), code::Ok);
    move(cursor, GetMode::Next);
    ASSERT_EQ(engine_.setToBookmark(cursor, bookmark.data()), code::Ok);
    EXPECT_EQ(current(cursor, RedBroj), "150");
    EXPECT_EQ(move(cursor, GetMode::Next), "151");
    EXPECT_EQ(move(cursor, GetMode::Prior), "150");
    EXPECT_EQ(move(cursor, GetMode::Prior), "149");

    ASSERT_EQ(engine_.setToBookmark(cursor, bookmark.data()), code::Ok);
    ASSERT_EQ(engine_.deleteRecord(cursor, nullptr), code::Ok);
    EXPECT_EQ(engine_.setToBookmark(cursor, bookmark.data()), code::RecordGone);
    EXPECT_EQ(move(cursor, GetMode::Next), "151");
}

TEST_F(CursorTest, ResultBookmarksReturnToTheirRow) {
    createLedger(numberedRows(5));
    const CursorHandle cursor = query("select prezimeime, redbroj from kovrel order by redbroj desc");
    std::vector<std::uint8_t> bookmark(8);
    move(cursor, GetMode::Next);
    move(cursor, GetMode::Next);
    ASSERT_EQ(engine_.getBookmark(cursor, bookmark.data()), code::Ok);
    move(cursor, GetMode::Next);
    ASSERT_EQ(engine_.setToBookmark(cursor, bookmark.data()), code::Ok);
    EXPECT_EQ(current(cursor, 2), "4");
    EXPECT_EQ(move(cursor, GetMode::Next), "3");
}

TEST_F(CursorTest, WritesThroughATableCursorPersistAcrossAReopen) {
    createLedger(numberedRows(3));
    CursorHandle cursor = openTable();
    auto record = newRecord(cursor);

    putFloat(cursor, record.data(), RedBroj, 10);
    putText(cursor, record.data(), PrezimeIme, "NOVI RADNIK");
    putText(cursor, record.data(), Razlog, "PRENOS");
    const std::int32_t day = 738000;
    ASSERT_EQ(engine_.putField(cursor, Od, record.data(), &day), code::Ok);
    ASSERT_EQ(engine_.insertRecord(cursor, record.data()), code::Ok);
    EXPECT_EQ(current(cursor, PrezimeIme), "NOVI RADNIK");

    ASSERT_EQ(engine_.setToBegin(cursor), code::Ok);
    ASSERT_EQ(move(cursor, GetMode::Next), "1");
    ASSERT_EQ(engine_.getRecord(cursor, GetMode::Current, record.data()), code::Ok);
    putText(cursor, record.data(), Razlog, "BO");
    ASSERT_EQ(engine_.putField(cursor, Dobijeni, record.data(), nullptr), code::Ok);
    ASSERT_EQ(engine_.modifyRecord(cursor, record.data()), code::Ok);
    ASSERT_EQ(move(cursor, GetMode::Next), "2");
    ASSERT_EQ(engine_.deleteRecord(cursor, nullptr), code::Ok);

    SqliteEngine second;
    second.initialise({});
    DatabaseHandle db = NoHandle;
    second.openDatabase("", &db);
    second.setDirectory(db, dir_.path().toStdString());
    CursorHandle reopened = NoHandle;
    ASSERT_EQ(second.openTable(db, LedgerFileName, OpenMode::ReadOnly, ShareMode::Shared, &reopened),
              code::Ok);
    std::vector<std::string> rows;
    std::vector<FieldDesc> descs;
    second.fieldDescriptors(reopened, &descs);
    while (second.getRecord(reopened, GetMode::Next, record.data()) == code::Ok) {
        rows.push_back(fieldText(descs, record.data(), RedBroj) + " " +
                       fieldText(descs, record.data(), Razlog) + " " +
                       fieldText(descs, record.data(), Dobijeni) + " " + fieldText(descs, record.data(), Od));
    }
    const std::string day738000 = "2021-07-29";
    EXPECT_EQ(rows, (std::vector<std::string>{"1 BO  ", "3 SL.DANI 1 ", "10 PRENOS  " + day738000}));
}

TEST_F(CursorTest, AfterADeleteTheCursorKeepsThePlaceOfTheDeletedRecord) {
    createLedger(numberedRows(5));
    const CursorHandle cursor = query("select * from kovrel", true);
    for (int i = 0; i < 3; ++i) move(cursor, GetMode::Next);
    ASSERT_EQ(engine_.deleteRecord(cursor, nullptr), code::Ok);
    EXPECT_EQ(current(cursor, RedBroj), "<" + std::to_string(code::RecordGone) + ">");
    EXPECT_EQ(engine_.deleteRecord(cursor, nullptr), code::RecordGone);
    EXPECT_EQ(move(cursor, GetMode::Next), "4");
    ASSERT_EQ(engine_.deleteRecord(cursor, nullptr), code::Ok);
    EXPECT_EQ(move(cursor, GetMode::Prior), "2");
    EXPECT_EQ(readAll(cursor).size(), 1u);
}

TEST_F(CursorTest, WrittenRecordStaysCurrentEvenOutsideTheWhereClause) {
    createLedger({{"PETROVIC MARKO", "PRENOS", 5, std::nullopt, 1},
                  {"JOVANOVIC ANA", "PRENOS", 3, std::nullopt, 2},
                  {"PETROVIC MARKO", "BO", 1, std::nullopt, 1}});
    const CursorHandle cursor =
        query("select * from kovrel\r\nwhere prezimeime = 'PETROVIC MARKO'\r\n", true);
    CursorProps props;
    ASSERT_EQ(engine_.cursorProperties(cursor, &props), code::Ok);
    EXPECT_TRUE(props.readWrite);
    EXPECT_FALSE(props.temporary);

    auto record = newRecord(cursor);
    putText(cursor, record.data(), PrezimeIme, "NEKO DRUGI");
    putFloat(cursor, record.data(), RedBroj, 9);
    ASSERT_EQ(engine_.insertRecord(cursor, record.data()), code::Ok);
    EXPECT_EQ(current(cursor, PrezimeIme), "NEKO DRUGI");
    EXPECT_EQ(move(cursor, GetMode::Prior), "1");
    EXPECT_EQ(current(cursor, Razlog), "BO");

    ASSERT_EQ(engine_.getRecord(cursor, GetMode::Current, record.data()), code::Ok);
    putText(cursor, record.data(), PrezimeIme, "PREIMENOVAN");
    ASSERT_EQ(engine_.modifyRecord(cursor, record.data()), code::Ok);
    EXPECT_EQ(current(cursor, PrezimeIme), "PREIMENOVAN");
    EXPECT_EQ(move(cursor, GetMode::Prior), "1");
    EXPECT_EQ(current(cursor, Razlog), "PRENOS");
    EXPECT_EQ(move(cursor, GetMode::Prior), "before");
}

TEST_F(CursorTest, ChangesByAnotherCursorShowOnTheNextMove) {
    createLedger(numberedRows(3));
    const CursorHandle reader = openTable();
    EXPECT_EQ(move(reader, GetMode::Next), "1");
    const CursorHandle writer = openTable();
    move(writer, GetMode::Next);
    move(writer, GetMode::Next);
    ASSERT_EQ(engine_.deleteRecord(writer, nullptr), code::Ok);
    EXPECT_EQ(move(reader, GetMode::Next), "3");
}

TEST_F(CursorTest, ManyOtherStatementsLeaveAnOpenCursorWorking) {
    createLedger(numberedRows(2 * TableCursor::PageRows));
    const CursorHandle cursor = query("select * from kovrel where razlog = 'SL.DANI'", true);
    for (int i = 0; i < TableCursor::PageRows + 5; ++i) move(cursor, GetMode::Next);
    for (int n = 0; n < 300; ++n) {
        const CursorHandle other = query("select * from kovrel where redbroj = " + std::to_string(n), true);
        ASSERT_EQ(engine_.getRecord(other, GetMode::Next, nullptr),
                  n >= 1 && n <= 2 * TableCursor::PageRows ? code::Ok : code::PastLast);
        ASSERT_EQ(engine_.closeCursor(other), code::Ok);
    }
    EXPECT_EQ(move(cursor, GetMode::Next), std::to_string(TableCursor::PageRows + 6));
    EXPECT_EQ(move(cursor, GetMode::Prior), std::to_string(TableCursor::PageRows + 5));
}

TEST_F(CursorTest, TextsAreCutToTheFieldSizeWithoutSplittingACharacter) {
    createLedger();
    const CursorHandle cursor = openTable();
    auto record = newRecord(cursor);
    putText(cursor, record.data(), PrezimeIme, std::string(28, 'A') + "ĆŽŠ");
    putText(cursor, record.data(), Razlog, "OSTATAK OD GO 2 DEO 2020 I JOS NESTO");
    ASSERT_EQ(engine_.insertRecord(cursor, record.data()), code::Ok);
    EXPECT_EQ(current(cursor, PrezimeIme), std::string(28, 'A') + "ĆŽ");
    EXPECT_EQ(current(cursor, Razlog), "OSTATAK OD GO 2 DEO 2020 I JOS");
}

TEST_F(CursorTest, FieldNumbersOutsideTheRecordNumbersThatAreNotFiniteAndUnknownHandlesAreRefused) {
    createLedger();
    const CursorHandle cursor = openTable();
    auto record = newRecord(cursor);
    double value = 1;
    EXPECT_EQ(engine_.putField(cursor, 0, record.data(), &value), code::InvalidParameter);
    EXPECT_EQ(engine_.putField(cursor, 13, record.data(), &value), code::InvalidParameter);
    for (const double notFinite : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        EXPECT_EQ(engine_.putField(cursor, Dobijeni, record.data(), &notFinite), code::InvalidParameter);
        EXPECT_EQ(fieldText(fields(cursor), record.data(), Dobijeni), "") << "the field is left empty";
    }
    bool blank = false;
    EXPECT_EQ(engine_.getField(cursor, 13, record.data(), &value, &blank), code::InvalidParameter);
    EXPECT_EQ(engine_.getRecord(999, GetMode::Next, record.data()), code::InvalidHandle);
    ASSERT_EQ(engine_.getRecord(cursor, GetMode::Next, record.data()), code::PastLast);
    ASSERT_EQ(engine_.closeCursor(cursor), code::Ok);
    EXPECT_EQ(engine_.getRecord(cursor, GetMode::Next, record.data()), code::InvalidHandle)
        << "a closed cursor's handle is dead";
}

TEST_F(CursorTest, FieldDescriptorsFollowTheRecordLayout) {
    createLedger();
    const auto descs = fields(openTable());
    ASSERT_EQ(descs.size(), 12u);
    std::uint32_t offset = 0;
    for (const FieldDesc& field : descs) {
        EXPECT_EQ(field.offset, offset) << field.name;
        const std::uint32_t value = field.type == FieldType::Float    ? 8
                                    : field.type == FieldType::String ? field.size * 4u + 1
                                    : field.type == FieldType::Date   ? DateTextLength + 1
                                                                      : 4;
        EXPECT_EQ(field.length, 1 + value) << field.name;
        offset += field.length;
    }
    EXPECT_EQ(descs[3].name, "PrezimeIme");
    EXPECT_EQ(descs[3].size, 30);
    EXPECT_EQ(descs[2].type, FieldType::Date);
}

// A driver whose pages come back out of order, as only a damaged table hands them over.
struct BareRow {
    std::int64_t key = 0;
    std::vector<std::uint8_t> record;
};

class DisorderedCursor : public PagedCursor<BareRow> {
  public:
    DisorderedCursor() : PagedCursor(false, false, {4, 4, 1}) {}
    Result insertRecord(const std::uint8_t*, Failure*) override { return code::CursorReadOnly; }

  protected:
    bool fillPage(bool, std::int64_t, std::size_t, Failure*) override {
        pageKeys_ = {1, 3, 2};
        return true;
    }
    std::uint64_t writeCount() const override { return 0; }
    bool endStillHolds() const override { return true; }
    Result readCurrent(std::uint8_t*, Failure*) override { return code::Ok; }
    Result readStored(BareRow*, Failure*) override { return code::Ok; }
    Result writeIfUnchanged(const std::string&, const std::vector<std::size_t>&, const std::uint8_t*,
                            const BareRow&, Failure*) override {
        return code::Ok;
    }
    Result recordChanged(Failure*) const override { return code::RecordChanged; }
};

TEST(Cursor, APageWhoseKeysDoNotAscendIsADamagedTable) {
    DisorderedCursor cursor;
    Failure failure;
    EXPECT_EQ(cursor.getRecord(GetMode::Next, nullptr, &failure), code::FileDamaged);
    EXPECT_EQ(failure.text, "the table's rows come out of the order of their keys");
}

}  // namespace
}  // namespace enginetest
