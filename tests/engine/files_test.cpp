// Ledger files: opening, refusing foreign or damaged files, read-only files, creating, checking, loading.
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "EngineTestSupport.h"
#include "engine/Sqlite.h"

namespace enginetest {
namespace {

using namespace engine;

void runSql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// The ledger's twelve columns as a table definition lists them, `key` after the first.
std::string ledgerColumnList(const std::string& key = "") {
    std::string list;
    for (const LedgerColumn& column : ledgerColumns())
        list += list.empty() ? std::string(column.name) + " " + column.declaredType + key
                             : std::string(", ") + column.name + " " + column.declaredType;
    return list;
}

struct BadFile {
    const char* label;
    void (*make)(const std::string& path);
    Result expected;
};

const BadFile badFiles[] = {
    {"missing", [](const std::string&) {}, code::FileNotFound},
    {"not_sqlite", [](const std::string& p) { std::ofstream(p) << "RedBroj;PrezimeIme\n1;PETROVIC MARKO\n"; },
     code::NotALedger},
    {"no_kovrel_table", [](const std::string& p) { runSql(p, "CREATE TABLE other (a FLOAT)"); },
     code::NotALedger},
    {"other_columns",
     [](const std::string& p) { runSql(p, "CREATE TABLE kovrel (RedBroj FLOAT, PrezimeIme VARCHAR(30))"); },
     code::NotALedger},
    {"a_view",
     [](const std::string& p) {
         runSql(p,
                ("CREATE TABLE rows (" + ledgerColumnList() + "); CREATE VIEW kovrel AS SELECT * FROM rows")
                    .c_str());
     },
     code::NotALedger},
    {"without_rowid",
     [](const std::string& p) {
         runSql(p, ("CREATE TABLE kovrel (" + ledgerColumnList(" PRIMARY KEY") + ") WITHOUT ROWID").c_str());
     },
     code::NotALedger},
    {"a_directory", [](const std::string& p) { ::mkdir(p.c_str(), 0755); }, code::FileOpenFailed},
    {"unreadable",
     [](const std::string& p) {
         ASSERT_EQ(createLedgerFile(p), code::Ok);
         ::chmod(p.c_str(), 0);
     },
     code::FileOpenFailed},
};

class BadFileTest : public EngineTest, public testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, OpenAnswersItsOwnCodeAndNamesTheFile) {
    GetParam().make(ledgerPath());
    for (const OpenMode mode : {OpenMode::ReadWrite, OpenMode::ReadOnly}) {
        CursorHandle cursor = NoHandle;
        EXPECT_EQ(engine_.openTable(db_, LedgerFileName, mode, ShareMode::Shared, &cursor),
                  GetParam().expected);
        ErrorEntry entry;
        ASSERT_EQ(engine_.errorEntry(1, &entry), code::Ok);
        EXPECT_EQ(entry.code, GetParam().expected);
        EXPECT_EQ(entry.nativeCode, 0);
        EXPECT_NE(entry.text.find(ledgerPath()), std::string::npos) << entry.text;
        EXPECT_EQ(engine_.errorEntry(2, &entry), code::NoMoreErrorEntries);
    }
    CursorHandle cursor = NoHandle;
    EXPECT_NE(tryQuery("select * from kovrel", false, &cursor), code::Ok);
    std::string report;
    EXPECT_EQ(checkLedgerFile(ledgerPath(), &report), GetParam().expected);
    EXPECT_NE(report.find("Verdict: not a sound ledger"), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Files, BadFileTest, testing::ValuesIn(badFiles),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(EngineTest, OpeningAMissingFileNeverCreatesIt) {
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(engine_.openTable(db_, LedgerFileName, OpenMode::ReadWrite, ShareMode::Shared, &cursor),
              code::FileNotFound);
    EXPECT_EQ(tryQuery("select * from kovrel", true, &cursor), code::SqlUnknownTable);
    struct stat info {};
    EXPECT_NE(::stat(ledgerPath().c_str(), &info), 0);
}

TEST_F(EngineTest, ReadOnlyFileRefusesReadWriteOpenAndOpensForReading) {
    createLedger({{"PETROVIC MARKO", "PRENOS", 5}});
    ASSERT_EQ(::chmod(ledgerPath().c_str(), 0444), 0);
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(engine_.openTable(db_, LedgerFileName, OpenMode::ReadWrite, ShareMode::Shared, &cursor),
              code::TableReadOnly);
    EXPECT_NE(firstEntryText().find(ledgerPath()), std::string::npos);

    cursor = openTable(OpenMode::ReadOnly);
    CursorProps props;
    ASSERT_EQ(engine_.cursorProperties(cursor, &props), code::Ok);
    EXPECT_FALSE(props.readWrite);
    EXPECT_EQ(readAll(cursor).size(), 1u);
    auto record = newRecord(cursor);
    EXPECT_EQ(engine_.insertRecord(cursor, record.data()), code::CursorReadOnly);

    const CursorHandle live = query("select * from kovrel", true);
    ASSERT_EQ(engine_.cursorProperties(live, &props), code::Ok);
    EXPECT_FALSE(props.readWrite);
    EXPECT_EQ(engine_.insertRecord(live, record.data()), code::CursorReadOnly);
    EXPECT_EQ(tryQuery("delete from kovrel", false, &cursor), code::TableReadOnly);
}

TEST_F(EngineTest, FileMadeReadOnlyWhileOpenRefusesTheNextReadWriteOpen) {
    createLedger({{"PETROVIC MARKO", "PRENOS", 5}});
    openTable(OpenMode::ReadWrite);
    ASSERT_EQ(::chmod(ledgerPath().c_str(), 0444), 0);
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(engine_.openTable(db_, LedgerFileName, OpenMode::ReadWrite, ShareMode::Shared, &cursor),
              code::TableReadOnly);
    EXPECT_EQ(tryQuery("delete from kovrel", false, &cursor), code::TableReadOnly);
}

TEST_F(EngineTest, TableNamesMatchFilesWithoutRegardToCase) {
    ASSERT_EQ(createLedgerFile(path("kovrel.db")), code::Ok);
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(engine_.openTable(db_, "Kovrel.DB", OpenMode::ReadWrite, ShareMode::Shared, &cursor), code::Ok);
    for (const char* sql : {"select * from kovrel", "SELECT * FROM KOVREL", "select * from Kovrel k",
                            "select count(*) from \"kovrel.db\""}) {
        EXPECT_EQ(tryQuery(sql, false, &cursor), code::Ok) << sql << ": " << firstEntryText();
    }
    EXPECT_EQ(tryQuery("select * from nosuch", false, &cursor), code::SqlUnknownTable);

    // The file found for a name is looked for again once it has gone.
    std::filesystem::rename(path("kovrel.db"), path("KOVREL.DB"));
    EXPECT_EQ(tryQuery("select * from kovrel", false, &cursor), code::Ok) << firstEntryText();
    std::filesystem::remove(path("KOVREL.DB"));
    EXPECT_EQ(tryQuery("select * from kovrel", false, &cursor), code::SqlUnknownTable);
}

TEST_F(EngineTest, EmptyDirectoryMeansTheWorkingDirectory) {
    createLedger({{"JOVANOVIC ANA", "PRENOS", 3}});
    ASSERT_EQ(engine_.setDirectory(db_, ""), code::Ok);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path().toStdString());
    const CursorHandle cursor = openTable();
    std::filesystem::current_path(previous);
    EXPECT_EQ(readAll(cursor).size(), 1u);
}

TEST_F(EngineTest, CreateRefusesToOverwriteAnExistingFile) {
    createLedger({{"PETROVIC MARKO", "PRENOS", 5}});
    std::string error;
    EXPECT_NE(createLedgerFile(ledgerPath(), &error), code::Ok);
    EXPECT_NE(error.find(ledgerPath()), std::string::npos);
    EXPECT_EQ(readAll(openTable()).size(), 1u);
}

// A write returns only once the rollback journal and the table are on the disk.
TEST_F(EngineTest, ConnectionsFlushEveryWriteInRollbackJournalMode) {
    createLedger();
    Failure failure;
    const auto connection = Connection::open(ledgerPath(), false, 0, &failure);
    ASSERT_TRUE(connection) << failure.text;
    const auto pragma = [&](const char* sql) {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(connection->handle(), sql, -1, &statement, nullptr), SQLITE_OK);
        std::string value;
        if (sqlite3_step(statement) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return value;
    };
    EXPECT_EQ(pragma("PRAGMA synchronous"), "2") << "FULL";
    EXPECT_EQ(pragma("PRAGMA journal_mode"), "delete");
}

TEST_F(EngineTest, CheckGivesAVerdictOnSoundAndDamagedFiles) {
    createLedger({{"PETROVIC MARKO", "PRENOS", 5}});
    std::string report;
    EXPECT_EQ(checkLedgerFile(ledgerPath(), &report), code::Ok);
    EXPECT_NE(report.find("sound ledger"), std::string::npos);

    std::ofstream(path("other.DB")) << "not a ledger";
    EXPECT_EQ(checkLedgerFile(path("other.DB"), &report), code::NotALedger);
    EXPECT_NE(report.find("not a sound ledger"), std::string::npos);
    EXPECT_EQ(checkLedgerFile(path("none.DB"), &report), code::FileNotFound);
}

TEST_F(EngineTest, CheckFindsDamageInsideAnSqliteFile) {
    createLedger();
    std::vector<Row> rows(2000, Row{"PETROVIC MARKO", "SL.DANI", 1});
    addRows(rows);
    {
        std::fstream file(ledgerPath(), std::ios::in | std::ios::out | std::ios::binary);
        // A page well inside the rows, past the schema, the index and the change journal.
        file.seekp(4096 * 9 + 100);
        const std::string garbage(3000, '\x5a');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    std::string report;
    EXPECT_EQ(checkLedgerFile(ledgerPath(), &report), code::FileDamaged);
    EXPECT_NE(report.find("not a sound ledger"), std::string::npos) << report;
}

TEST_F(EngineTest, LoadStoresEveryRowOrNone) {
    createLedger();
    std::uint64_t loaded = 0;
    int produced = 0;
    const Result result = loadLedgerRows(
        ledgerPath(),
        [&](LedgerValues& values) {
            values = valuesOf({"RADNIK " + std::to_string(produced), "PRENOS", 1.0 * produced});
            return ++produced <= 500;
        },
        &loaded);
    EXPECT_EQ(result, code::Ok);
    EXPECT_EQ(loaded, 500u);
    EXPECT_EQ(readAll(openTable()).size(), 500u);

    int more = 0;
    const auto failingSource = [&](LedgerValues& values) {
        if (++more > 10) throw std::runtime_error("the source broke");
        values = valuesOf({"DOPUNA", "PRENOS", 1});
        return true;
    };
    EXPECT_THROW(loadLedgerRows(ledgerPath(), failingSource), std::runtime_error);
    EXPECT_EQ(readAll(openTable()).size(), 500u) << "a broken load stores nothing";
}

int indexCount(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'kovrel'",
                       -1, &statement, nullptr);
    const int count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

TEST_F(EngineTest, LoadingKeepsTheIndexesWhetherItSucceedsOrBreaks) {
    createLedger();
    // Indexes another tool added, one named like a statement: the names are run as names.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "CREATE INDEX \"x\"\"; CREATE TABLE injected (a); --\" ON kovrel (Dana);"
                           "CREATE INDEX x ON kovrel (Od)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const int indexes = static_cast<int>(ledgerIndexes().size()) + 2;
    addRows({});
    EXPECT_EQ(indexCount(ledgerPath()), indexes);
    int produced = 0;
    EXPECT_THROW(loadLedgerRows(ledgerPath(),
                                [&](LedgerValues& values) {
                                    if (++produced > 3) throw std::runtime_error("the source broke");
                                    values = valuesOf({"A", "PRENOS", 1});
                                    return true;
                                }),
                 std::runtime_error);
    EXPECT_EQ(indexCount(ledgerPath()), indexes);
    addRows({{"A", "PRENOS", 1}, {"B", "PRENOS", 2}});
    EXPECT_EQ(indexCount(ledgerPath()), indexes);
    std::string report;
    EXPECT_EQ(checkLedgerFile(ledgerPath(), &report), code::Ok) << report;
    EXPECT_EQ(readAll(query("select * from kovrel where prezimeime = 'B'")).size(), 1u);
}

TEST_F(EngineTest, ErrorEntriesBelongToTheLastFailingCall) {
    CursorHandle cursor = NoHandle;
    ASSERT_EQ(engine_.openTable(db_, "Missing.DB", OpenMode::ReadWrite, ShareMode::Shared, &cursor),
              code::FileNotFound);
    ErrorEntry entry;
    ASSERT_EQ(engine_.errorEntry(1, &entry), code::Ok);
    std::string text;
    ASSERT_EQ(engine_.errorText(code::FileNotFound, &text), code::Ok);
    ASSERT_EQ(engine_.errorEntry(1, &entry), code::Ok) << "reading texts keeps the entries";
    EXPECT_NE(entry.text.find("Missing.DB"), std::string::npos);

    std::string type;
    ASSERT_EQ(engine_.databaseType(db_, &type), code::Ok);
    EXPECT_EQ(type, "STANDARD");
    EXPECT_EQ(engine_.errorEntry(1, &entry), code::NoMoreErrorEntries);
    EXPECT_EQ(engine_.errorEntry(0, &entry), code::NoMoreErrorEntries);
}

TEST_F(EngineTest, EveryCodeHasAShortText) {
    const Result codes[] = {
        code::BeforeFirst,   code::PastLast,        code::RecordGone,     code::NoCurrentRecord,
        code::TableReadOnly, code::FileNotFound,    code::FileOpenFailed, code::NotALedger,
        code::FileBusy,      code::WriteFailed,     code::CursorReadOnly, code::InvalidHandle,
        code::SqlSyntax,     code::SqlUnknownTable, code::NoStatement,    code::NotInitialised};
    for (const Result c : codes) {
        std::string text;
        ASSERT_EQ(engine_.errorText(c, &text), code::Ok);
        EXPECT_FALSE(text.empty()) << c;
        EXPECT_LE(text.size(), 128u);
    }
    std::string busy;
    engine_.errorText(code::FileBusy, &busy);
    EXPECT_NE(busy.find("busy"), std::string::npos);
}

TEST(EngineLifecycle, InitialiseOnceShutdownAndStartAgain) {
    SqliteEngine engine;
    DatabaseHandle db = NoHandle;
    EXPECT_EQ(engine.openDatabase("", &db), code::NotInitialised);
    EXPECT_EQ(engine.initialise({}), code::Ok);
    EXPECT_EQ(engine.initialise({}), code::AlreadyInitialised);
    ASSERT_EQ(engine.openDatabase("", &db), code::Ok);
    EXPECT_EQ(engine.shutdown(), code::Ok);
    EXPECT_EQ(engine.setDirectory(db, "/tmp"), code::NotInitialised);
    EXPECT_EQ(engine.initialise({}), code::Ok);
    EXPECT_EQ(engine.setDirectory(db, "/tmp"), code::InvalidHandle) << "handles die with the engine's run";
}

TEST(EngineLifecycle, CurrentEngineCanBeReplacedAndRestored) {
    TableEngine& original = currentEngine();
    auto replacement = std::make_unique<SqliteEngine>();
    TableEngine* raw = replacement.get();
    setCurrentEngine(std::move(replacement));
    EXPECT_EQ(&currentEngine(), raw);
    setCurrentEngine(nullptr);
    EXPECT_EQ(&currentEngine(), &original);
}

}  // namespace
}  // namespace enginetest
