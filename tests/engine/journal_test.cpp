// The change journal: one entry for each row the engine writes, none for a write refused, none for
// another program's; kept by adding the table to an older file; and never a change without its entry,
// even when the writer is killed at any moment.
#include "engine/Journal.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "EngineTestSupport.h"

namespace enginetest {
namespace {

using namespace engine;

// An entry as the tests compare it: operation, key, name, old values, new values.
using Entry = std::vector<std::string>;

struct Changes;

class JournalTest : public EngineTest {
    friend struct Changes;

  protected:
    void SetUp() override {
        EngineTest::SetUp();
        createLedger(
            {{"PETROVIC MARKO", "PRENOS", 5, std::nullopt, 1}, {"JOVANOVIC ANA", "GO", 3, std::nullopt, 2}});
    }

    std::vector<Entry> entries() {
        std::vector<Entry> found;
        const CursorHandle cursor =
            query("select Operacija, Kljuc, PrezimeIme, Staro, Novo from dnevnik order by rowid");
        auto record = newRecord(cursor);
        while (engine_.getRecord(cursor, GetMode::Next, record.data()) == code::Ok) {
            Entry entry;
            for (std::uint16_t n = 1; n <= 5; ++n)
                entry.push_back(fieldText(fields(cursor), record.data(), n));
            found.push_back(entry);
        }
        return found;
    }

    // Runs `sql` past the engine, as another program does.
    void otherProgram(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // The table cursor on the row with `rowid`, its record read and its edit begun.
    CursorHandle editRow(int rowid, std::vector<std::uint8_t>* record) {
        const CursorHandle cursor = openTable();
        *record = newRecord(cursor);
        for (int n = 0; n < rowid; ++n)
            EXPECT_EQ(engine_.getRecord(cursor, GetMode::Next, record->data()), code::Ok);
        EXPECT_EQ(engine_.lockRecord(cursor), code::Ok);
        return cursor;
    }
};

struct ChangeCase {
    const char* name;
    std::function<Result(JournalTest&)> change;
    Result result;
    std::vector<Entry> entries;
    bool changeWithoutEntry = false;
};

class JournalChangeTest : public JournalTest, public testing::WithParamInterface<ChangeCase> {};

struct Changes {
    static Result insert(JournalTest& t) {
        const CursorHandle cursor = t.openTable();
        auto record = t.newRecord(cursor);
        t.putText(cursor, record.data(), 4, "O'BRIEN \"ANA\"");
        const std::int32_t day = 738949;  // 2024-03-04
        t.engine_.putField(cursor, 5, record.data(), &day);
        t.putText(cursor, record.data(), 9, "SL.DANI");
        t.putFloat(cursor, record.data(), 11, 2.5);
        return t.engine_.insertRecord(cursor, record.data());
    }
    static Result edit(JournalTest& t) {
        std::vector<std::uint8_t> record;
        const CursorHandle cursor = t.editRow(1, &record);
        t.putText(cursor, record.data(), 9, "BO");
        t.engine_.putField(cursor, 11, record.data(), nullptr);
        t.putFloat(cursor, record.data(), 12, 1);
        return t.engine_.modifyRecord(cursor, record.data());
    }
    static Result unchanged(JournalTest& t) {
        std::vector<std::uint8_t> record;
        const CursorHandle cursor = t.editRow(2, &record);
        return t.engine_.modifyRecord(cursor, record.data());
    }
    static Result remove(JournalTest& t) {
        std::vector<std::uint8_t> record;
        const CursorHandle cursor = t.editRow(2, &record);
        return t.engine_.deleteRecord(cursor, record.data());
    }
    static Result editAfterAnotherProgram(JournalTest& t) {
        std::vector<std::uint8_t> record;
        const CursorHandle cursor = t.editRow(1, &record);
        t.otherProgram("update kovrel set Dana = 1 where rowid = 1");
        t.putFloat(cursor, record.data(), 8, 7);
        return t.engine_.modifyRecord(cursor, record.data());
    }
    static Result deleteAfterAnotherProgram(JournalTest& t) {
        const CursorHandle cursor = t.openTable();
        auto record = t.newRecord(cursor);
        t.engine_.getRecord(cursor, GetMode::Next, record.data());
        t.otherProgram("update kovrel set Razlog = 'BO' where rowid = 1");
        return t.engine_.deleteRecord(cursor, record.data());
    }
    static Result sqlUpdate(JournalTest& t) {
        CursorHandle none;
        return t.tryQuery("update kovrel set StanjeDana = 4 where RedBroj <= 2", false, &none);
    }
    static Result otherProgramsWrite(JournalTest& t) {
        t.otherProgram("insert into kovrel (PrezimeIme) values ('DRUGI PROGRAM')");
        return code::Ok;
    }
};

TEST_P(JournalChangeTest, LeavesOneEntryForEachRowChangedAndNoneForAWriteRefused) {
    const TableState before = tableState(ledgerPath());
    EXPECT_EQ(GetParam().change(*this), GetParam().result) << firstEntryText();
    EXPECT_EQ(entries(), GetParam().entries);
    EXPECT_EQ(journalMismatch(ledgerPath(), before).empty(), !GetParam().changeWithoutEntry);
}

INSTANTIATE_TEST_SUITE_P(
    Journal, JournalChangeTest,
    testing::Values(
        ChangeCase{
            "Insert",
            Changes::insert,
            code::Ok,
            {{"unos", "3", "O'BRIEN \"ANA\"", "",
              R"({"PrezimeIme":"O'BRIEN \"ANA\"","Od":"2024-03-04","Razlog":"SL.DANI","Dobijeni":2.5})"}}},
        ChangeCase{
            "Edit",
            Changes::edit,
            code::Ok,
            {{"izmena", "1", "PETROVIC MARKO", R"({"Razlog":"PRENOS","Dobijeni":5.0,"Iskorisceni":null})",
              R"({"Razlog":"BO","Dobijeni":null,"Iskorisceni":1.0})"}}},
        ChangeCase{"EditChangingNothing", Changes::unchanged, code::Ok, {}},
        ChangeCase{"Delete",
                   Changes::remove,
                   code::Ok,
                   {{"brisanje", "2", "JOVANOVIC ANA",
                     R"({"RedBroj":2.0,"PrezimeIme":"JOVANOVIC ANA","Razlog":"GO","Dobijeni":3.0})", ""}}},
        ChangeCase{"EditOfARowAnotherProgramChanged",
                   Changes::editAfterAnotherProgram,
                   code::RecordChanged,
                   {},
                   true},
        ChangeCase{"DeleteOfARowAnotherProgramChanged",
                   Changes::deleteAfterAnotherProgram,
                   code::RecordChanged,
                   {},
                   true},
        ChangeCase{"SqlUpdateOfTwoRows",
                   Changes::sqlUpdate,
                   code::Ok,
                   {{"izmena", "1", "PETROVIC MARKO", R"({"StanjeDana":null})", R"({"StanjeDana":4.0})"},
                    {"izmena", "2", "JOVANOVIC ANA", R"({"StanjeDana":null})", R"({"StanjeDana":4.0})"}}},
        ChangeCase{"AnotherProgramsWrite", Changes::otherProgramsWrite, code::Ok, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JournalTest, EntriesCarryTheJournalClocksTimeInUtcTheUserAndTheHostAndCannotBeWritten) {
    setJournalClock(
        [] { return std::chrono::system_clock::time_point(std::chrono::milliseconds(1709541000250)); });
    EXPECT_EQ(Changes::remove(*this), code::Ok);
    setJournalClock({});
    const CursorHandle cursor = query("select * from dnevnik");
    std::vector<std::string> names;
    for (const FieldDesc& field : fields(cursor)) names.push_back(field.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Vreme", "Korisnik", "Racunar", "Operacija", "Kljuc",
                                               "PrezimeIme", "Staro", "Novo", "Tabela"}));
    const std::vector<std::string> rows = readAll(cursor);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].substr(rows[0].rfind('|')), "|kovrel");
    EXPECT_EQ(rows[0].substr(0, rows[0].find("|brisanje")),
              "2024-03-04T08:30:00.250Z|" + journalUser() + "|" + journalHost());
    for (const char* write : {"delete from dnevnik", "update dnevnik set Kljuc = 9",
                              "insert into kovrel (PrezimeIme) select PrezimeIme from dnevnik"}) {
        CursorHandle none;
        EXPECT_EQ(tryQuery(write, false, &none), code::SqlSyntax) << write;
    }
    EXPECT_EQ(entries().size(), 1u);
}

TEST_F(JournalTest, AnOlderLedgerGetsItsJournalAtItsFirstWriteNotWhenRead) {
    otherProgram("drop table dnevnik");
    const auto hasJournalTable = [this] {
        sqlite3* db = nullptr;
        sqlite3_open(ledgerPath().c_str(), &db);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "select 1 from sqlite_master where name = 'dnevnik'", -1, &statement, nullptr);
        const bool found = sqlite3_step(statement) == SQLITE_ROW;
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return found;
    };
    EXPECT_EQ(readAll(query("select * from kovrel")).size(), 2u);
    EXPECT_FALSE(hasJournalTable());
    ASSERT_EQ(Changes::edit(*this), code::Ok);
    EXPECT_TRUE(hasJournalTable());
    EXPECT_EQ(entries().size(), 1u);
}

TEST_F(JournalTest, AJournalOfAnotherShapeRefusesEveryWrite) {
    otherProgram("drop table dnevnik; create table dnevnik (Vreme TEXT, Poruka TEXT)");
    const TableState before = tableState(ledgerPath());
    EXPECT_EQ(Changes::insert(*this), code::NotALedger);
    EXPECT_NE(firstEntryText().find("not this program's change journal"), std::string::npos)
        << firstEntryText();
    EXPECT_EQ(Changes::edit(*this), code::NotALedger);
    EXPECT_EQ(tableState(ledgerPath()), before);
}

// A writer killed again and again, at any moment of its writes: each time the ledger, once opened again,
// holds exactly the changes its journal names.
TEST_F(JournalTest, AWriterKilledAtAnyMomentLeavesEveryChangeWithItsEntryAndNoEntryWithoutItsChange) {
    const TableState before = tableState(ledgerPath());
    std::minstd_rand random(20240304);
    for (unsigned trial = 1; trial <= 30; ++trial) {
        const auto unwritten = std::filesystem::last_write_time(ledgerPath());
        WriterProcess writer(dir_.path().toStdString(), trial);
        // The moment counts from the writer's first change, however slowly a busy machine started it.
        for (int wait = 0; wait < 1000 && std::filesystem::last_write_time(ledgerPath()) == unwritten; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 160));
        writer.kill();
        const std::string mismatch = journalMismatch(ledgerPath(), before);
        ASSERT_EQ(mismatch, "") << "after trial " << trial;
    }
    std::string report;
    EXPECT_EQ(checkLedgerFile(ledgerPath(), &report), code::Ok) << report;
    const std::vector<std::string> counts = readAll(query(
        "select count(*) from dnevnik where Operacija = 'unos' union all select count(*) from dnevnik where "
        "Operacija <> 'unos'"));
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_GT(std::stoi(counts[0]), 10) << "the writers wrote";
    EXPECT_GT(std::stoi(counts[1]), 3) << "and changed and deleted rows";
}

}  // namespace
}  // namespace enginetest
