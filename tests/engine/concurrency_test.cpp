// Two engines, or another program, on one ledger file: committed rows are shared, locks make writes wait.
#include <sqlite3.h>

#include <chrono>

#include "EngineTestSupport.h"

namespace enginetest {
namespace {

using namespace engine;

class TwoEnginesTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        createLedger({{"PETROVIC MARKO", "PRENOS", 5, std::nullopt, 1}});
        other_.setBusyTimeout(100);
        ASSERT_EQ(other_.initialise({}), code::Ok);
        ASSERT_EQ(other_.openDatabase("", &otherDb_), code::Ok);
        ASSERT_EQ(other_.setDirectory(otherDb_, dir_.path().toStdString()), code::Ok);
    }

    Result insertWith(TableEngine& engine, DatabaseHandle db, const char* name) {
        CursorHandle cursor = NoHandle;
        if (const Result result =
                engine.openTable(db, LedgerFileName, OpenMode::ReadWrite, ShareMode::Shared, &cursor))
            return result;
        CursorProps props;
        engine.cursorProperties(cursor, &props);
        std::vector<std::uint8_t> record(props.recordSize);
        engine.initRecord(cursor, record.data());
        engine.putField(cursor, 4, record.data(), name);
        const Result result = engine.insertRecord(cursor, record.data());
        ErrorEntry entry;
        lastEntry_ = engine.errorEntry(1, &entry) == code::Ok ? entry.text : "";
        engine.closeCursor(cursor);
        return result;
    }

    std::string lastEntry_;
    SqliteEngine other_;
    DatabaseHandle otherDb_ = NoHandle;
};

TEST_F(TwoEnginesTest, CommittedRowsAreVisibleToTheOtherEngine) {
    const CursorHandle reader = openTable();
    auto record = newRecord(reader);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(insertWith(other_, otherDb_, "JOVANOVIC ANA"), code::Ok);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok)
        << "an open cursor sees the row the other engine committed";
    EXPECT_EQ(fieldText(fields(reader), record.data(), 4), "JOVANOVIC ANA");
    EXPECT_EQ(readAll(query("select * from kovrel")).size(), 2u);
}

TEST_F(TwoEnginesTest, AWriteAgainstAnotherProgramsLockFailsBusyAndLosesNothing) {
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(holder, "BEGIN IMMEDIATE; INSERT INTO kovrel (PrezimeIme) VALUES ('DRZI ZAKLJUCANO')",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(insertWith(engine_, db_, "CEKA"), code::FileBusy);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90))
        << "waits for the lock";
    std::string text;
    engine_.errorText(code::FileBusy, &text);
    EXPECT_NE(text.find("busy"), std::string::npos);
    EXPECT_NE(lastEntry_.find(ledgerPath()), std::string::npos) << lastEntry_;

    ASSERT_EQ(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(holder);
    ASSERT_EQ(insertWith(engine_, db_, "CEKA"), code::Ok);
    EXPECT_EQ(readAll(query("select prezimeime from kovrel")),
              (std::vector<std::string>{"PETROVIC MARKO", "DRZI ZAKLJUCANO", "CEKA"}));
}

TEST_F(TwoEnginesTest, AReplacedFileIsOpenedAfresh) {
    EXPECT_EQ(readAll(openTable()).size(), 1u);
    ASSERT_EQ(std::remove(ledgerPath().c_str()), 0);
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(engine_.openTable(db_, LedgerFileName, OpenMode::ReadWrite, ShareMode::Shared, &cursor),
              code::FileNotFound);
    createLedger();
    EXPECT_TRUE(readAll(openTable()).empty());
}

// Another program's commit shows to a reader that re-reads its record or moves past the rows it holds,
// whichever journal the file keeps.
class AnotherProgramsCommitTest : public EngineTest, public testing::WithParamInterface<const char*> {};

TEST_P(AnotherProgramsCommitTest, ShowsOnRereadingAndPastTheHeldRows) {
    createLedger({{"PRVI", "SL.DANI"}, {"DRUGI", "SL.DANI"}, {"TRECI", "SL.DANI"}});
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &other), SQLITE_OK);
    const std::string mode = std::string("PRAGMA journal_mode = ") + GetParam();
    ASSERT_EQ(sqlite3_exec(other, mode.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    const auto run = [other](const char* sql) { return sqlite3_exec(other, sql, nullptr, nullptr, nullptr); };

    const CursorHandle reader = openTable();
    auto record = newRecord(reader);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(run("UPDATE kovrel SET PrezimeIme = 'IZMENJEN' WHERE PrezimeIme = 'PRVI'"), SQLITE_OK);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Current, record.data()), code::Ok);
    EXPECT_EQ(fieldText(fields(reader), record.data(), 4), "IZMENJEN");

    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok);
    ASSERT_EQ(run("INSERT INTO kovrel (PrezimeIme) VALUES ('CETVRTI')"), SQLITE_OK);
    ASSERT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::Ok)
        << "a row committed after the reader's last held row";
    EXPECT_EQ(fieldText(fields(reader), record.data(), 4), "CETVRTI");

    ASSERT_EQ(run("DELETE FROM kovrel WHERE PrezimeIme = 'CETVRTI'"), SQLITE_OK);
    EXPECT_EQ(engine_.getRecord(reader, GetMode::Current, record.data()), code::RecordGone);
    EXPECT_EQ(engine_.getRecord(reader, GetMode::Next, record.data()), code::PastLast);
    sqlite3_close(other);
}

INSTANTIATE_TEST_SUITE_P(Journals, AnotherProgramsCommitTest, testing::Values("DELETE", "WAL"));

}  // namespace
}  // namespace enginetest
