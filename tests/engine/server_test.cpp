// Two clerks on one server ledger, each with an engine of its own: a row another clerk changed or
// deleted since it was read is never overwritten, and each clerk's commits show to the other.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "EngineTestSupport.h"
#include "engine/Journal.h"
#include "engine/PostgresEngine.h"
#include "engine/PostgresLedger.h"
#include "ledger/Ledger.h"
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
        ASSERT_TRUE(
            ledger_.createWith("INSERT INTO kovrel (prezimeime, razlog, dobijeni, stanjedana) VALUES "
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

// A ledger made before one of the file's indexes, opened by a clerk, who may not add it, still tells the
// clerks of each other's changes: an index only speeds the reading.
TEST_F(TwoClerksTest, ALedgerLackingAnIndexStillNoticesTheClerksChanges) {
    std::string error;
    ASSERT_TRUE(ledger_.run("DROP INDEX kovrel_odsustva", &error)) << error;
    Failure failure;
    const auto conn =
        ServerConnection::open(ledger_.connection(), "", servertest::serverPassword(), &failure);
    ASSERT_TRUE(conn) << failure.text;
    ServerLedgerAccess access;
    ASSERT_TRUE(completeServerLedger(*conn, &access, &failure)) << failure.text;
    EXPECT_EQ(access.channel, ledger_.schema() + ".kovrel");
}

// A server that reads a backslash in a quoted text as an escape still reads a clerk's text as typed.
TEST_F(TwoClerksTest, ABackslashInATextEscapesNothingWhateverTheServersDefault) {
    std::string connection = ledger_.connection();
    connection.replace(connection.find("options='"), 9, "options='-cstandard_conforming_strings=off ");
    Clerk clerk(connection);
    StatementHandle statement = NoHandle;
    CursorHandle cursor = NoHandle;
    ASSERT_EQ(clerk.eng.allocateStatement(clerk.db, &statement), code::Ok);
    ASSERT_EQ(clerk.eng.prepare(statement, "select * from kovrel where prezimeime = '\\'' or 1=1 --'"),
              code::Ok);
    ASSERT_EQ(clerk.eng.execute(statement, &cursor), code::Ok);
    CursorProps props;
    clerk.eng.cursorProperties(cursor, &props);
    std::vector<std::uint8_t> record(props.recordSize);
    EXPECT_EQ(clerk.eng.getRecord(cursor, GetMode::Next, record.data()), code::PastLast);
}

// The server ends a clerk's session between two of the clerk's actions, as when it restarts or an
// administrator ends it: the next action makes the session again and goes on, reads and writes alike.
TEST_F(TwoClerksTest, ASessionTheServerEndedIsMadeAgainByTheNextAction) {
    Clerk clerk(ledger_.connection());
    std::vector<std::uint8_t> record;
    const CursorHandle cursor = clerk.firstRow(&record);
    const auto endSession = [&] {
        StatementHandle statement = NoHandle;
        CursorHandle answer = NoHandle;
        ASSERT_EQ(clerk.eng.allocateStatement(clerk.db, &statement), code::Ok);
        ASSERT_EQ(clerk.eng.prepare(statement, "select pg_backend_pid() from kovrel"), code::Ok);
        ASSERT_EQ(clerk.eng.execute(statement, &answer), code::Ok);
        CursorProps props;
        clerk.eng.cursorProperties(answer, &props);
        std::vector<std::uint8_t> pid(props.recordSize);
        ASSERT_EQ(clerk.eng.getRecord(answer, GetMode::Next, pid.data()), code::Ok);
        std::vector<FieldDesc> fields;
        clerk.eng.fieldDescriptors(answer, &fields);
        const std::string backend = fieldText(fields, pid.data(), 1);
        clerk.eng.closeCursor(answer);
        clerk.eng.freeStatement(statement);
        std::string error;
        ASSERT_TRUE(ledger_.run("SELECT pg_terminate_backend(" + backend + ")", &error)) << error;
        // Until the server process is gone, the clerk's end of the session may not know yet.
        for (int wait = 0; wait < 200 && !ledger_.run("SELECT 1 / (count(*) = 0)::int FROM pg_stat_activity "
                                                      "WHERE pid = " +
                                                          backend,
                                                      &error);
             ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    endSession();
    EXPECT_EQ(clerk.balance(cursor), "1");
    endSession();
    clerk.setBalance(cursor, &record, 4);
    EXPECT_EQ(clerk.eng.modifyRecord(cursor, record.data()), code::Ok) << [&] {
        ErrorEntry entry;
        clerk.eng.errorEntry(1, &entry);
        return entry.text;
    }();
    EXPECT_EQ(clerk.balance(cursor), "4");
    std::string error;
    EXPECT_TRUE(ledger_.run("SELECT 1 / count(*)::int FROM dnevnik WHERE operacija = 'izmena'", &error))
        << "the change's journal entry: " << error;
}

// What a clerk tries on the server past the program, in a tool of the server's such as psql: the journal
// is the server's record of every change, which no clerk can forge, write, divert or switch off.
struct Attempt {
    const char* name;
    const char* sql;      // run as the clerk, after the trigger's settings are claimed as the program's
    bool refused;         // by the server, for want of a right
    const char* racunar;  // of the one entry the attempt leaves when not refused
};

class ClerkPastTheProgram : public TwoClerksTest, public testing::WithParamInterface<Attempt> {};

TEST_P(ClerkPastTheProgram, CannotForgeWriteDivertOrSwitchOffTheJournal) {
    std::string error;
    const auto before = ledger_.runAsClerk("SELECT count(*) FROM dnevnik", &error);
    ASSERT_TRUE(before) << error;
    const std::string clerk = connectionUser(*servertest::serverConnection());
    const auto done = ledger_.runAsClerk(GetParam().sql, &error);
    EXPECT_EQ(!done, GetParam().refused) << error;
    const auto entries = ledger_.runAsClerk(
        "SELECT korisnik, coalesce(racunar, ''), operacija, abs(extract(epoch FROM clock_timestamp() - "
        "vreme::timestamptz)) < 60 FROM dnevnik ORDER BY id OFFSET " +
            before->at(0).at(0),
        &error);
    ASSERT_TRUE(entries) << error;
    if (GetParam().refused) {
        EXPECT_TRUE(entries->empty()) << "an attempt refused leaves the journal as it was";
    } else {
        EXPECT_EQ(*entries, (servertest::Rows{{clerk, GetParam().racunar, "izmena", "t"}}))
            << "the server's time and the role that logged in; the clerk's claim in Racunar";
    }
    EXPECT_EQ(ledger_.runAsClerk("SELECT count(*) FROM dnevnik", &error)->at(0).at(0),
              std::to_string(std::stoi(before->at(0).at(0)) + (GetParam().refused ? 0 : 1)))
        << "no entry added, changed or removed beside it";
}

INSTANTIATE_TEST_SUITE_P(
    Server, ClerkPastTheProgram,
    testing::Values(
        Attempt{"ChangeWithoutTheProgram", "UPDATE kovrel SET dobijeni = 20 WHERE stanjedana = 1", false, ""},
        Attempt{"ChangeUnderAnotherTimeUserAndHost",
                "SELECT set_config('kovrel.vreme', '2019-01-01T08:00:00.000Z', false), "
                "set_config('kovrel.korisnik', 'nobody', false), set_config('kovrel.racunar', 'kadrovska', "
                "false); DO $$ BEGIN EXECUTE format('SET ROLE %I', current_database() || '_sluzbenik'); END "
                "$$; UPDATE kovrel SET dobijeni = 20 WHERE stanjedana = 1",
                false, "kadrovska"},
        Attempt{"ChangeWithTheJournalDivertedIntoATemporaryTable",
                "CREATE TEMP TABLE dnevnik (LIKE dnevnik); UPDATE kovrel SET dobijeni = 20 WHERE stanjedana "
                "= 1",
                false, ""},
        Attempt{"MadeUpEntry",
                "INSERT INTO dnevnik (vreme, korisnik, racunar, operacija, kljuc, prezimeime) VALUES "
                "('2024-03-04T08:00:00.000Z', 'ana', 'kadrovska', 'brisanje', 9, 'BOROVIC BOJAN')",
                true, nullptr},
        Attempt{"EntryChanged", "UPDATE dnevnik SET korisnik = 'nobody'", true, nullptr},
        Attempt{"EntriesDeleted", "DELETE FROM dnevnik", true, nullptr},
        Attempt{"JournalEmptied", "TRUNCATE dnevnik", true, nullptr},
        Attempt{"TriggerDisabled", "ALTER TABLE kovrel DISABLE TRIGGER kovrel_promena", true, nullptr},
        Attempt{"TriggerDropped", "DROP TRIGGER kovrel_promena ON kovrel", true, nullptr},
        Attempt{"TriggerFunctionReplaced",
                "CREATE OR REPLACE FUNCTION kovrel_promena() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                "RETURN NULL; END $$",
                true, nullptr},
        Attempt{"TriggerFunctionOnATableOfItsOwn",
                "CREATE TEMP TABLE eigene (LIKE kovrel INCLUDING DEFAULTS); CREATE TRIGGER t AFTER INSERT ON "
                "eigene FOR EACH ROW EXECUTE FUNCTION kovrel_promena()",
                true, nullptr}),
    [](const testing::TestParamInfo<Attempt>& info) { return std::string(info.param.name); });

// The program's clock, however wrong, dates no entry on a server: the server's does.
TEST_F(TwoClerksTest, AnEntryOfAPostIsDatedByTheServersClockNotTheProgramsOne) {
    setJournalClock([] { return std::chrono::system_clock::time_point(std::chrono::hours(24 * 17897)); });
    Clerk clerk(ledger_.connection());
    setJournalClock({});
    std::vector<std::uint8_t> record;
    const CursorHandle cursor = clerk.firstRow(&record);
    clerk.setBalance(cursor, &record, 4);
    ASSERT_EQ(clerk.eng.modifyRecord(cursor, record.data()), code::Ok);
    std::string error;
    const auto entry = ledger_.runAsClerk(
        "SELECT vreme LIKE '2019-%', abs(extract(epoch FROM clock_timestamp() - vreme::timestamptz)) < 60, "
        "racunar FROM dnevnik WHERE operacija = 'izmena'",
        &error);
    ASSERT_TRUE(entry) << error;
    EXPECT_EQ(*entry, (servertest::Rows{{"f", "t", journalUser() + "@" + journalHost()}}));
}

// A row another session holds locked makes a post wait a few seconds, then fail as busy, as a file that
// another program holds locked does; the clerk's window never freezes for as long as the lock is held.
TEST_F(TwoClerksTest, APostOnARowAnotherSessionHoldsLockedFailsBusyWithinSeconds) {
    PGconn* holder = PQconnectdb(ledger_.administration().c_str());
    PGresult* held = PQexec(holder, "BEGIN; SELECT * FROM kovrel FOR UPDATE");
    ASSERT_EQ(PQresultStatus(held), PGRES_TUPLES_OK) << PQerrorMessage(holder);
    PQclear(held);
    Clerk clerk(ledger_.connection());
    std::vector<std::uint8_t> record;
    const CursorHandle cursor = clerk.firstRow(&record);
    clerk.setBalance(cursor, &record, 4);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(clerk.eng.modifyRecord(cursor, record.data()), code::FileBusy);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(waited, ServerConnection::LockTimeoutSeconds + 3.0);
    std::string text;
    clerk.eng.errorText(code::FileBusy, &text);
    EXPECT_EQ(text, "The ledger on the server is busy: another user holds its rows locked; try again.");
    PQclear(PQexec(holder, "ROLLBACK"));
    PQfinish(holder);
    EXPECT_EQ(clerk.eng.modifyRecord(cursor, record.data()), code::Ok) << "once the lock is gone";
}

// The clerk's session waits for a locked row a few seconds at most, and asks for TCP keepalives so that a
// server that stops answering is noticed (the test server's Unix socket has no use for them) unless the
// connection string sets its own.
TEST_F(TwoClerksTest, TheClerksConnectionWaitsForLocksBrieflyAndKeepsItselfAlive) {
    for (const auto& [connection, idle] : {std::pair{ledger_.connection(), "30"},
                                           std::pair{ledger_.connection() + " keepalives_idle=7", "7"}}) {
        Failure failure;
        const auto conn = ServerConnection::open(connection, "", servertest::serverPassword(), &failure);
        ASSERT_TRUE(conn) << failure.text;
        std::map<std::string, std::string> options;
        PQconninfoOption* given = PQconninfo(conn->handle());
        for (const PQconninfoOption* option = given; option->keyword; ++option)
            if (option->val) options[option->keyword] = option->val;
        PQconninfoFree(given);
        EXPECT_EQ((std::vector<std::string>{options["keepalives"], options["keepalives_idle"],
                                            options["keepalives_interval"], options["keepalives_count"]}),
                  (std::vector<std::string>{"1", idle, "10", "3"}))
            << connection;
        const PgResult shown = conn->run("SELECT current_setting('lock_timeout')", {}, &failure);
        ASSERT_TRUE(shown) << failure.text;
        EXPECT_EQ(PQgetvalue(shown.get(), 0, 0), std::to_string(ServerConnection::LockTimeoutSeconds) + "s");
    }
}

// A role that may only read opens the table read-only, as a file that may only be read does, and its
// live queries answer rows that cannot be changed.
TEST_F(TwoClerksTest, ARoleThatMayOnlyReadOpensTheLedgerReadOnly) {
    std::string error;
    const auto reader = ledger_.reader(&error);
    ASSERT_TRUE(reader) << error;
    Clerk clerk(*reader);
    CursorHandle table = NoHandle;
    EXPECT_EQ(clerk.eng.openTable(clerk.db, "kovrel", OpenMode::ReadWrite, ShareMode::Shared, &table),
              code::TableReadOnly);
    ASSERT_EQ(clerk.eng.openTable(clerk.db, "kovrel", OpenMode::ReadOnly, ShareMode::Shared, &table),
              code::Ok);
    std::vector<std::uint8_t> record;
    const CursorHandle live = clerk.firstRow(&record);
    CursorProps props;
    clerk.eng.cursorProperties(live, &props);
    EXPECT_FALSE(props.readWrite) << "a live query of a reader";
    clerk.setBalance(live, &record, 4);
    EXPECT_NE(clerk.eng.modifyRecord(live, record.data()), code::Ok);
}

// A date the server holds that is no day of the years 1 to 9999 is never shown as another day.
TEST_F(TwoClerksTest, ADateBeforeChristOrInfiniteIsRefusedNotReadAsAnotherDay) {
    for (const char* stored : {"0044-03-15 BC", "infinity", "10000-01-01"}) {
        std::string error;
        ASSERT_TRUE(ledger_.run(std::string("UPDATE kovrel SET od = '") + stored + "'", &error)) << error;
        Clerk clerk(ledger_.connection());
        StatementHandle statement = NoHandle;
        CursorHandle cursor = NoHandle;
        ASSERT_EQ(clerk.eng.allocateStatement(clerk.db, &statement), code::Ok);
        clerk.eng.setStatementProperty(statement, StatementProperty::LiveWanted, 1);
        ASSERT_EQ(clerk.eng.prepare(statement, "select * from kovrel"), code::Ok);
        ASSERT_EQ(clerk.eng.execute(statement, &cursor), code::Ok);
        std::vector<std::uint8_t> record(4096);
        EXPECT_EQ(clerk.eng.getRecord(cursor, GetMode::Next, record.data()), code::NotALedger) << stored;
        ErrorEntry entry;
        clerk.eng.errorEntry(1, &entry);
        EXPECT_NE(entry.text.find(std::string("Od holds the date '") + stored + "'"), std::string::npos)
            << entry.text;
    }
}

// An older ledger, made before the program kept indexes and a trigger beside the table, gets them when
// its owner opens it; the server then reads the catalogue's statements through the indexes.
struct Plan {
    const char* name;
    ledger::SqlLines sql;
    const char* index;
};

class ServerPlans : public TwoClerksTest, public testing::WithParamInterface<Plan> {};

TEST_P(ServerPlans, OpeningAnOlderLedgerAddsTheIndexesTheCatalogueIsReadThrough) {
    std::string error;
    ASSERT_TRUE(
        ledger_.run("DROP INDEX kovrel_prezimeime, kovrel_stanje, kovrel_redbroj; DROP TRIGGER "
                    "kovrel_promena ON kovrel; ANALYZE kovrel",
                    &error))
        << error;
    Clerk owner(ledger_.administration());
    SqlStatement statement;
    ASSERT_TRUE(SqlStatement::parse(ledger::sqlText(GetParam().sql), &statement, &error)) << error;
    PGconn* conn = PQconnectdb(ledger_.connection().c_str());
    PGresult* plan = PQexec(conn, ("SET enable_seqscan = off; EXPLAIN " + statement.postgresText()).c_str());
    std::string lines;
    for (int r = 0; r < PQntuples(plan); ++r) lines += std::string(PQgetvalue(plan, r, 0)) + "\n";
    PQclear(plan);
    PQfinish(conn);
    EXPECT_NE(lines.find(std::string(" using ") + GetParam().index + " on kovrel"), std::string::npos)
        << lines;
    EXPECT_EQ(lines.find("Seq Scan"), std::string::npos) << lines;
}

INSTANTIATE_TEST_SUITE_P(
    Server, ServerPlans,
    testing::Values(Plan{"NextWorkerNumber", ledger::nextWorkerNumberSql(), "kovrel_redbroj"},
                    Plan{"TransactionNumber", ledger::transactionNumberSql("ANIC ANA"), "kovrel_stanje"},
                    Plan{"Names", ledger::nameListSql(), "kovrel_stanje"},
                    Plan{"WorkerRows", ledger::workerRowsSql("ANIC ANA"), "kovrel_prezimeime"},
                    Plan{"Balance", ledger::balanceSql("ANIC ANA"), "kovrel_stanje"},
                    Plan{"Balances", ledger::balanceReportAllSql(), "kovrel_stanje"},
                    Plan{"AnnualLeave", ledger::annualLeaveReportAllSql("2015"), "kovrel_stanje"},
                    Plan{"Absences", ledger::absencesSql("2015-06-01", "2015-06-30"), "kovrel_odsustva"}),
    [](const testing::TestParamInfo<Plan>& info) { return std::string(info.param.name); });

// Only a wrong password asks for the login again, known by its error code (the test server answers in
// German); a ledger the server does not have is not a login to retry, and is told in a server's words.
TEST(ServerLogin, OnlyAWrongPasswordAsksForTheLoginAgain) {
    const auto connection = servertest::serverConnection();
    if (!connection) GTEST_SKIP() << servertest::NoServerText;
    struct Login {
        std::string connection, password;
        Result answer;
    };
    for (const Login& login : {Login{*connection, "not the password", code::PasswordRequired},
                               Login{*connection + " dbname=kovrel_no_such_ledger",
                                     servertest::serverPassword(), code::FileOpenFailed}}) {
        PostgresEngine eng;
        ASSERT_EQ(eng.initialise({}), code::Ok);
        DatabaseHandle db = NoHandle;
        EXPECT_EQ(eng.openServerDatabase(login.connection, "", login.password, &db), login.answer)
            << login.connection;
        ErrorEntry entry;
        ASSERT_EQ(eng.errorEntry(1, &entry), code::Ok);
        EXPECT_EQ(entry.text.find("LOCATION"), std::string::npos) << entry.text;
        std::string text;
        eng.errorText(login.answer, &text);
        if (login.answer == code::FileOpenFailed) {
            EXPECT_EQ(text, "The ledger on the server cannot be reached.") << "a server is no file";
        }
    }
}

}  // namespace
}  // namespace enginetest
