// Two clerks on one server ledger, each with an engine of its own: a row another clerk changed or
// deleted since it was read is never overwritten, and each clerk's commits show to the other.
#include <gtest/gtest.h>

#include <cstring>

#include "EngineTestSupport.h"
#include "data/engine/PostgresEngine.h"
#include "tests/ServerLedger.h"

namespace enginetest {
namespace {

using namespace engine;

class Clerk {
  public:
    explicit Clerk(const std::string& connection) {
        EXPECT_EQ(eng.initialise({}), code::Ok);
        EXPECT_EQ(eng.openServerDatabase(connection, "", servertest::serverPassword(), &db), code::Ok);
    }
    // A live cursor on the worker's rows, on its first row; *record holds that row.
    CursorHandle firstRow(std::vector<std::uint8_t>* record) {
        StatementHandle statement = NoHandle;
        CursorHandle cursor = NoHandle;
        EXPECT_EQ(eng.allocateStatement(db, &statement), code::Ok);
        eng.setStatementProperty(statement, StatementProperty::LiveWanted, 1);
        EXPECT_EQ(eng.prepare(statement, "select * from kovrel\r\nwhere prezimeime = 'ANIC ANA'\r\n"),
                  code::Ok);
        EXPECT_EQ(eng.execute(statement, &cursor), code::Ok);
        CursorProps props;
        eng.cursorProperties(cursor, &props);
        record->assign(props.recordSize, 0);
        EXPECT_EQ(eng.getRecord(cursor, GetMode::Next, record->data()), code::Ok);
        return cursor;
    }
    void setBalance(CursorHandle cursor, std::vector<std::uint8_t>* record, double balance) {
        EXPECT_EQ(eng.putField(cursor, 8, record->data(), &balance), code::Ok);
    }
    std::string balance(CursorHandle cursor) {
        std::vector<std::uint8_t> record(512);
        if (eng.getRecord(cursor, GetMode::Current, record.data()) != code::Ok) return "(gone)";
        std::vector<FieldDesc> fields;
        eng.fieldDescriptors(cursor, &fields);
        return fieldText(fields, record.data(), 8);
    }

    PostgresEngine eng;
    DatabaseHandle db = NoHandle;
};

enum class Other { Nothing, ChangesTheRow, DeletesTheRow };
struct Race {
    const char* name;
    bool locked;   // the first clerk began the edit before the other acted
    bool deletes;  // the first clerk deletes instead of posting
    Other other;
    Result answer;
    const char* stored;  // the row's balance afterwards
};

class TwoClerksTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!servertest::serverConnection()) GTEST_SKIP() << servertest::NoServerText;
        std::string error;
        ASSERT_TRUE(ledger_.create(&error)) << error;
        ASSERT_TRUE(
            ledger_.run("INSERT INTO kovrel (prezimeime, razlog, dobijeni, stanjedana) VALUES "
                        "('ANIC ANA', 'PRENOS', 5, 1), ('ANIC ANA', 'BO', 2, NULL)",
                        &error))
            << error;
    }
    servertest::ServerLedger ledger_;
};

class TwoClerks : public TwoClerksTest, public testing::WithParamInterface<Race> {};

TEST_P(TwoClerks, AWriteOverAnotherClerksChangeIsRefusedAndWritesNothing) {
    const Race& race = GetParam();
    Clerk first(ledger_.connection()), other(ledger_.connection());
    std::vector<std::uint8_t> mine, theirs;
    const CursorHandle cursor = first.firstRow(&mine);
    if (race.locked) {
        ASSERT_EQ(first.eng.lockRecord(cursor), code::Ok);
    }
    const CursorHandle otherCursor = other.firstRow(&theirs);
    if (race.other == Other::ChangesTheRow) {
        other.setBalance(otherCursor, &theirs, 7);
        ASSERT_EQ(other.eng.modifyRecord(otherCursor, theirs.data()), code::Ok);
    }
    if (race.other == Other::DeletesTheRow) {
        ASSERT_EQ(other.eng.deleteRecord(otherCursor, theirs.data()), code::Ok);
    }
    first.setBalance(cursor, &mine, 3);
    const Result answer = race.deletes ? first.eng.deleteRecord(cursor, mine.data())
                                       : first.eng.modifyRecord(cursor, mine.data());
    EXPECT_EQ(answer, race.answer);
    if (answer == code::RecordChanged) {
        std::string text;
        first.eng.errorText(answer, &text);
        EXPECT_EQ(text, "The record was changed by another user.");
    }
    std::vector<std::uint8_t> now;
    other.firstRow(&now);
    EXPECT_EQ(other.balance(otherCursor), race.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Server, TwoClerks,
    testing::Values(
        Race{"PostAlone", false, false, Other::Nothing, code::Ok, "3"},
        Race{"PostWithoutAnEditTakesTheRowAsStoredNow", false, false, Other::ChangesTheRow, code::Ok, "3"},
        Race{"PostOfAnEditBegunBeforeTheChange", true, false, Other::ChangesTheRow, code::RecordChanged, "7"},
        Race{"PostAfterTheOthersDelete", true, false, Other::DeletesTheRow, code::RecordGone, "(gone)"},
        Race{"DeleteAfterTheOthersChange", true, true, Other::ChangesTheRow, code::RecordChanged, "7"},
        Race{"DeleteOfTheRowShown", false, true, Other::ChangesTheRow, code::RecordChanged, "7"}),
    [](const testing::TestParamInfo<Race>& info) { return std::string(info.param.name); });

TEST_F(TwoClerksTest, CommitsShowOnRereadingAndPastTheHeldRows) {
    Clerk reader(ledger_.connection()), writer(ledger_.connection());
    std::vector<std::uint8_t> record, theirs;
    const CursorHandle cursor = reader.firstRow(&record);
    const CursorHandle other = writer.firstRow(&theirs);
    writer.setBalance(other, &theirs, 11);
    ASSERT_EQ(writer.eng.modifyRecord(other, theirs.data()), code::Ok);
    EXPECT_EQ(reader.balance(cursor), "11");
    ASSERT_EQ(reader.eng.getRecord(cursor, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(writer.eng.insertRecord(other, theirs.data()), code::Ok);
    // The notice of the commit reaches the reader with its next answer from the server.
    EXPECT_EQ(reader.balance(cursor), "");
    EXPECT_EQ(reader.eng.getRecord(cursor, GetMode::Next, record.data()), code::Ok)
        << "a row committed after the reader's last held row";
    EXPECT_EQ(reader.eng.getRecord(cursor, GetMode::Next, record.data()), code::PastLast);
}

}  // namespace
}  // namespace enginetest
