// Backup copies: which a rotation keeps, copies that check sound even while another process writes,
// failures that leave nothing behind, and a restore that round-trips a ledger or refuses to start.
#include "engine/Backup.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <thread>

#include "EngineTestSupport.h"
#include "engine/Sqlite.h"

namespace enginetest {
namespace {

using namespace engine;
using namespace std::chrono;
namespace fs = std::filesystem;

TimePoint utc(int year, unsigned month, unsigned day, int hour = 12) {
    return sys_days(std::chrono::year(year) / month / day) + hours(hour);
}

// Every row of both tables, with its rowid, each value quoted as SQLite writes it.
std::vector<std::string> dump(const std::string& path) {
    std::vector<std::string> lines;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    for (const char* table : {"kovrel", "dnevnik"}) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, (std::string("SELECT rowid, * FROM ") + table).c_str(), -1, &statement,
                           nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            std::string line = table;
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
                line +=
                    "|" + std::to_string(sqlite3_column_type(statement, column)) + ":" + (text ? text : "");
            }
            lines.push_back(line);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return lines;
}

std::vector<std::string> names(const std::vector<BackupCopy>& copies) {
    std::vector<std::string> result;
    for (const BackupCopy& copy : copies) result.push_back(copy.name);
    return result;
}

struct RotationCase {
    const char* name;
    std::vector<TimePoint> copies;
    TimePoint now;
    std::vector<int> dropped;  // indexes into `copies`, oldest first
};

class RotationTest : public testing::TestWithParam<RotationCase> {};

TEST_P(RotationTest, KeepsTheNewest14AndTheNewestOfEachOfTwelveMonths) {
    std::vector<BackupCopy> copies;
    for (const TimePoint time : GetParam().copies) copies.push_back({"", "", time});
    std::vector<bool> expected(copies.size(), true);
    for (const int index : GetParam().dropped) expected[static_cast<std::size_t>(index)] = false;
    EXPECT_EQ(copiesKept(copies, GetParam().now), expected);
}

std::vector<TimePoint> daily(TimePoint first, int count) {
    std::vector<TimePoint> times;
    for (int day = 0; day < count; ++day) times.push_back(first + days(day));
    return times;
}

std::vector<TimePoint> joined(std::vector<TimePoint> a, const std::vector<TimePoint>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<TimePoint> monthly(int year, unsigned month, int count) {
    std::vector<TimePoint> times;
    for (int n = 0; n < count; ++n, month = month % 12 + 1, year += month == 1)
        times.push_back(utc(year, month, 15));
    return times;
}

INSTANTIATE_TEST_SUITE_P(
    Backups, RotationTest,
    testing::Values(RotationCase{"FewerThan14", daily(utc(2024, 3, 1), 5), utc(2024, 3, 5), {}},
                    RotationCase{
                        "DailyInOneMonth", daily(utc(2024, 3, 1), 20), utc(2024, 3, 20), {0, 1, 2, 3, 4, 5}},
                    // The newest of February is kept besides the 14 of March; the rest of February goes.
                    RotationCase{"DailyAcrossAMonthsEnd",
                                 daily(utc(2024, 2, 10), 35),
                                 utc(2024, 3, 15),
                                 {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20}},
                    // Monthly copies from February 2023: March 2023 and older lie beyond the twelve months.
                    RotationCase{"MonthlyForMoreThanAYear",
                                 joined(monthly(2023, 2, 13), daily(utc(2024, 3, 1), 14)),
                                 utc(2024, 3, 14),
                                 {0, 1}},
                    // A copy stamped later than now neither holds a place among the 14 nor stands for its
                    // month.
                    RotationCase{"ACopyFromBeyondNow",
                                 joined(daily(utc(2023, 1, 1), 15), {utc(2030, 1, 1)}),
                                 utc(2024, 3, 1),
                                 {0, 15}},
                    RotationCase{"ACopyLaterThisMonth",
                                 joined(daily(utc(2024, 2, 1), 16), {utc(2024, 3, 20)}),
                                 utc(2024, 3, 5),
                                 {0, 1, 16}}),
    [](const auto& info) { return std::string(info.param.name); });

class BackupTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        createLedger(
            {{"PETROVIC MARKO", "PRENOS", 5, std::nullopt, 1}, {"JOVANOVIC ANA", "GO", 3, std::nullopt, 2}});
        CursorHandle none;
        ASSERT_EQ(tryQuery("update kovrel set StanjeDana = 5 where RedBroj = 1", false, &none), code::Ok);
        releaseLedger();
    }
    // Closes the engine's connections, so that this test program no longer holds the ledger.
    void releaseLedger() {
        engine_.shutdown();
        ASSERT_EQ(engine_.initialise({}), code::Ok);
        ASSERT_EQ(engine_.openDatabase("", &db_), code::Ok);
        ASSERT_EQ(engine_.setDirectory(db_, dir_.path().toStdString()), code::Ok);
    }
    BackupResult backup(TimePoint now, const BackupOptions& options = {}) {
        BackupResult result;
        std::string error;
        EXPECT_EQ(makeBackup(ledgerPath(), now, &result, &error, options), code::Ok) << error;
        return result;
    }
    std::string folder() const { return backupFolder(ledgerPath()); }
    // Waits until the writer process holds the ledger open for writing.
    void waitForWriter() {
        const auto until = steady_clock::now() + seconds(10);
        std::string error;
        while (ledgerInUse(ledgerPath(), &error) == code::Ok && steady_clock::now() < until)
            std::this_thread::sleep_for(milliseconds(10));
    }
};

TEST_F(BackupTest, CopiesAreNamedByTheirTimeCheckSoundOpenAsLedgersAndAreRotated) {
    const BackupResult first = backup(utc(2024, 3, 4, 9) + minutes(30));
    EXPECT_EQ(first.copy.name, "2024-03-04_09-30-00");
    EXPECT_EQ(first.copy.ledger, folder() + "/2024-03-04_09-30-00/Kovrel.DB");
    EXPECT_EQ(first.rows, 2u);
    EXPECT_EQ(dump(first.copy.ledger), dump(ledgerPath()));
    EXPECT_EQ(backup(utc(2024, 3, 4, 9) + minutes(30)).copy.name, "2024-03-04_09-30-00-2");
    EXPECT_FALSE(backupDue(ledgerPath(), utc(2024, 3, 5, 9) + minutes(29)));
    EXPECT_TRUE(backupDue(ledgerPath(), utc(2024, 3, 5, 9) + minutes(30)));
    EXPECT_TRUE(backupDue(ledgerPath(), utc(2024, 3, 4, 9))) << "a copy stamped later does not count";

    // The engine opens a copy as the ledger of its folder.
    ASSERT_EQ(engine_.setDirectory(db_, fs::path(first.copy.ledger).parent_path().string()), code::Ok);
    EXPECT_EQ(readAll(query("select PrezimeIme from kovrel")),
              (std::vector<std::string>{"PETROVIC MARKO", "JOVANOVIC ANA"}));
    releaseLedger();

    // Folders of copies cut short: one untouched for hours goes with the rotation, a fresh one (a copy
    // under way) stays.
    const auto partial = [&](const char* name, fs::file_time_type::duration age) {
        const fs::path path = fs::path(folder()) / name;
        fs::create_directory(path);
        std::ofstream(path / "Kovrel.DB") << "part";
        const auto touched = fs::file_time_type::clock::now() - age;
        fs::last_write_time(path / "Kovrel.DB", touched);
        fs::last_write_time(path, touched);
        return path;
    };
    const fs::path leftover = partial("2024-03-01_08-00-00.partial", hours(2));
    const fs::path underWay = partial("2024-03-25_12-00-01.partial", minutes(1));
    for (int day = 5; day <= 25; ++day) backup(utc(2024, 3, day));
    const std::vector<std::string> kept = names(listBackups(folder()));
    ASSERT_EQ(kept.size(), 14u);
    EXPECT_EQ(kept.front(), "2024-03-12_12-00-00");
    EXPECT_FALSE(fs::exists(folder() + "/2024-03-04_09-30-00"));
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_TRUE(fs::exists(underWay));
}

// Under the usual umask a copy is as private as the ledger: the ledger's permissions, and folders that
// let in whom the ledger lets read. A backup folder made before at 0755 is narrowed to the ledger's, so
// the copies it already holds are kept from others too; one narrower than the ledger's stays so.
TEST_F(BackupTest, CopiesAndTheirFoldersHaveTheLedgersPermissions) {
    const auto mode = [](const fs::path& path) { return int(fs::status(path).permissions()); };
    const mode_t umaskBefore = umask(022);
    struct Case {
        int ledger, folders;
        std::optional<int> folderBefore;
        int backupFolder;
        bool linkedElsewhere = false;  // the backup folder is a link to a folder of the clerk's elsewhere
    };
    for (const Case& c :
         {Case{0600, 0700, {}, 0700}, Case{0640, 0750, {}, 0750}, Case{0600, 0700, 0755, 0700},
          Case{0640, 0750, 0700, 0700}, Case{0600, 0700, 0755, 0755, true}}) {
        SCOPED_TRACE(c.folderBefore.value_or(0));
        fs::remove_all(folder());
        const fs::path elsewhere = dir_.path().toStdString() + "/elsewhere";
        fs::remove_all(elsewhere);
        if (c.folderBefore) {
            const fs::path made = c.linkedElsewhere ? elsewhere : fs::path(folder());
            fs::create_directories(made / "2024-03-01_08-00-00");
            fs::permissions(made, fs::perms(*c.folderBefore));
            if (c.linkedElsewhere) fs::create_directory_symlink(elsewhere, folder());
        }
        fs::permissions(ledgerPath(), fs::perms(c.ledger));
        const BackupResult made = backup(utc(2024, 3, 4));
        EXPECT_EQ(mode(made.copy.ledger), c.ledger);
        EXPECT_EQ(mode(fs::path(made.copy.ledger).parent_path()), c.folders);
        EXPECT_EQ(mode(folder()), c.backupFolder);
    }
    umask(umaskBefore);
}

TEST_F(BackupTest, ACopyTakenWhileAnotherProcessWritesIsConsistent) {
    addRows(std::vector<Row>(3000, Row{"POPUNA", "SL.DANI", 1}));
    sqlite3* db = nullptr;
    sqlite3_open(ledgerPath().c_str(), &db);
    sqlite3_exec(db, "DELETE FROM dnevnik", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const TableState before = tableState(ledgerPath());
    WriterProcess writer(dir_.path().toStdString(), 7, 10);
    waitForWriter();
    BackupOptions options;
    options.pagesPerStep = 4;
    options.pause = milliseconds(1);
    int restarts = 0;
    for (int n = 0; n < 2; ++n) {
        const BackupResult copy = backup(utc(2024, 3, 4) + seconds(n), options);
        restarts += copy.restarts;
        EXPECT_EQ(journalMismatch(copy.copy.ledger, before), "") << copy.copy.name;
    }
    writer.kill();
    EXPECT_GT(restarts, 0) << "the writer wrote while the copies were made";
    EXPECT_GT(dump(ledgerPath()).size(), 3002u);
}

// A copy reads the ledger under SQLite's shared lock in a thread of its own; the program's connections
// closing meanwhile must leave that lock in place.
TEST_F(BackupTest, ClosingAWritingConnectionLeavesTheLocksOfOtherConnections) {
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(ledgerPath().c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM kovrel", nullptr, nullptr, nullptr),
              SQLITE_OK);
    Failure failure;
    ASSERT_NE(Connection::open(ledgerPath(), false, 0, &failure), nullptr) << failure.text;
    // An open-file-description lock conflicts even with this process's own POSIX locks, so asking for
    // one over SQLite's shared range finds the reader's lock while it is there.
    const int probe = ::open(ledgerPath().c_str(), O_RDWR | O_CLOEXEC);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0x40000000 + 2;
    range.l_len = 510;
    EXPECT_EQ(fcntl(probe, F_OFD_GETLK, &range), 0);
    EXPECT_EQ(range.l_type, F_RDLCK);
    sqlite3_close(reader);
    close(probe);
}

// A tmpfs of `bytes` mounted on `path` for as long as it lives, where this process may mount one.
class SmallDisk {
  public:
    SmallDisk(const std::string& path, std::size_t bytes) : path_(path) {
        fs::create_directories(path);
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_) why_ = std::generic_category().message(errno);
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

  private:
    std::string path_;
    bool mounted_ = false;
    std::string why_;
};

struct FailureCase {
    const char* name;
    std::function<void(const std::string& folder)> prepare;
    const char* cause;
    std::size_t diskBytes = 0;  // when not 0, the backup folder is a disk of this size
};

class BackupFailureTest : public BackupTest, public testing::WithParamInterface<FailureCase> {};

// The restore copies the ledger first as a backup does, and is refused for the same cause.
TEST_P(BackupFailureTest, SaysWhyAndLeavesNoCopyBehind) {
    const std::vector<std::string> ledger = dump(ledgerPath());
    fs::copy_file(ledgerPath(), path("copy.DB"));
    std::optional<SmallDisk> disk;
    if (GetParam().diskBytes) {
        disk.emplace(folder(), GetParam().diskBytes);
        if (!disk->mounted()) GTEST_SKIP() << "no tmpfs can be mounted here: " << disk->why();
    }
    struct rlimit fileSize {};
    getrlimit(RLIMIT_FSIZE, &fileSize);
    GetParam().prepare(folder());
    BackupResult result;
    std::string error;
    EXPECT_NE(makeBackup(ledgerPath(), utc(2024, 3, 4), &result, &error), code::Ok);
    RestoreResult restored;
    std::string refused;
    EXPECT_NE(restoreLedger(ledgerPath(), path("copy.DB"), utc(2024, 3, 4), &restored, &refused), code::Ok);
    setrlimit(RLIMIT_FSIZE, &fileSize);
    EXPECT_NE(error.find(folder()), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().cause), std::string::npos) << error;
    EXPECT_NE(refused.find("the ledger is left as it is: it cannot be copied first: "), std::string::npos)
        << refused;
    EXPECT_NE(refused.find(GetParam().cause), std::string::npos) << refused;
    EXPECT_FALSE(restored.replaced);
    EXPECT_TRUE(listBackups(folder()).empty());
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder(), ignored))
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos);
    EXPECT_EQ(dump(ledgerPath()), ledger);
}

INSTANTIATE_TEST_SUITE_P(
    Backups, BackupFailureTest,
    testing::Values(FailureCase{"FolderIsAFile",
                                [](const std::string& folder) { std::ofstream(folder) << "x"; },
                                "the backup folder cannot be made"},
                    FailureCase{"FileSizeLimit",
                                [](const std::string&) {
                                    signal(SIGXFSZ, SIG_IGN);
                                    struct rlimit small {};
                                    getrlimit(RLIMIT_FSIZE, &small);
                                    small.rlim_cur = 8192;
                                    setrlimit(RLIMIT_FSIZE, &small);
                                },
                                "the disk cannot be read or written"},
                    FailureCase{"DiskFull", [](const std::string&) {}, "the disk is full", 8192}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackupTest, RestorePutsTheCopyBackExactlyAfterCopyingTheLedgerAsItWas) {
    const BackupResult copy = backup(utc(2024, 3, 4));
    const std::vector<std::string> saved = dump(ledgerPath());
    CursorHandle none;
    ASSERT_EQ(tryQuery("delete from kovrel where RedBroj = 2", false, &none), code::Ok);
    ASSERT_EQ(tryQuery("insert into kovrel (PrezimeIme, Razlog) values ('NOVI', 'BO')", false, &none),
              code::Ok);
    const std::vector<std::string> changed = dump(ledgerPath());
    releaseLedger();

    RestoreResult result;
    std::string error;
    ASSERT_EQ(restoreLedger(ledgerPath(), resolveCopy(ledgerPath(), copy.copy.name), utc(2024, 3, 5), &result,
                            &error),
              code::Ok)
        << error;
    EXPECT_EQ(dump(ledgerPath()), saved);
    EXPECT_EQ(result.rows, 2u);
    EXPECT_NE(result.checkReport.find("Verdict: sound ledger"), std::string::npos);
    EXPECT_EQ(result.saved.name, "2024-03-05_12-00-00");
    EXPECT_EQ(dump(result.saved.ledger), changed);
    EXPECT_EQ(readAll(query("select PrezimeIme from kovrel")),
              (std::vector<std::string>{"PETROVIC MARKO", "JOVANOVIC ANA"}));
}

TEST_F(BackupTest, RestoreIsRefusedWhileAProgramHoldsTheLedgerOrTheCopyIsNotSound) {
    const BackupResult copy = backup(utc(2024, 3, 4));
    const auto refused = [&](const std::string& copyLedger, Result expected, const std::string& why) {
        RestoreResult result;
        std::string error;
        EXPECT_EQ(restoreLedger(ledgerPath(), copyLedger, utc(2024, 3, 5), &result, &error), expected)
            << error;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(listBackups(folder()).size(), 1u) << "nothing copied, nothing changed";
    };
    {
        WriterProcess writer(dir_.path().toStdString(), 3);
        waitForWriter();
        refused(copy.copy.ledger, code::FileBusy, "holds the ledger open for writing");
    }
    const std::vector<std::string> ledger = dump(ledgerPath());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; UPDATE kovrel SET Dana = 1", nullptr, nullptr, nullptr),
              SQLITE_OK);
    refused(copy.copy.ledger, code::FileBusy, "reading or writing the ledger now");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    std::ofstream(path("damaged.DB")) << "not a ledger";
    refused(path("damaged.DB"), code::NotALedger, "damaged.DB");
    refused(ledgerPath(), code::InvalidParameter, "the copy is the ledger itself");
    EXPECT_EQ(dump(ledgerPath()), ledger);
}

}  // namespace
}  // namespace enginetest
