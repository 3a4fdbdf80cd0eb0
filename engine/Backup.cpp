// Backup copies of a ledger: the online copy in steps, its check, the rotation, and the restore.
#include "engine/Backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "engine/Dates.h"
#include "engine/LedgerFile.h"
#include "engine/Sqlite.h"

namespace engine {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* PartialSuffix = ".partial";
// A copy of a damaged ledger that a restore keeps aside: never listed, rotated or offered as a copy.
constexpr const char* DamagedSuffix = ".damaged";
// How long a copy waits for a ledger another program keeps locked before it gives up.
constexpr auto LongestWaitForLock = std::chrono::seconds(60);
// A ".partial" folder untouched this long was left by a copy cut short (its program was killed): a copy
// under way writes its file at every step and is checked within minutes.
constexpr auto LeftoverPartialAge = std::chrono::hours(1);

struct BackupFinisher {
    void operator()(sqlite3_backup* backup) const { sqlite3_backup_finish(backup); }
};
using BackupHandle = std::unique_ptr<sqlite3_backup, BackupFinisher>;

// The share [from, to] of `whole` that one step of a longer piece of work covers.
WorkProgress part(const WorkProgress& whole, double from, double to) {
    if (!whole) return {};
    return [&whole, from, to](double done) { whole(from + (to - from) * done); };
}

Result fail(BackupFailure* failure, Result code, const char* step, const std::string& path,
            const std::string& reason = {}, int systemError = 0) {
    *failure = {step, path, reason, systemError};
    failure->answer = code;
    return code;
}

Result failSystem(BackupFailure* failure, Result code, const char* step, const std::string& path,
                  int systemError) {
    return fail(failure, code, step, path, std::generic_category().message(systemError), systemError);
}

// The public calls' English text of a failure.
Result told(Result code, const BackupFailure& failure, std::string* error) {
    if (code != code::Ok && error) *error = failureText(failure);
    return code;
}

Result codeOf(int rc) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return code::FileBusy;
        case SQLITE_NOTADB:
            return code::NotALedger;
        case SQLITE_CORRUPT:
            return code::FileDamaged;
        case SQLITE_NOMEM:
            return code::OutOfMemory;
        default:
            return code::WriteFailed;
    }
}

// A failed step of SQLite's online copy on `db`: it leaves no message on either connection, so the cause
// is read from its result code; a full disk that is the user's quota says so.
Result copyStepFailure(BackupFailure* failure, int rc, sqlite3* db, const char* step,
                       const std::string& path) {
    const auto because = [&](const char* why) { return fail(failure, codeOf(rc), step, path, why); };
    switch (rc & 0xff) {
        case SQLITE_FULL:
            if (sqlite3_system_errno(db) == EDQUOT)
                return failSystem(failure, codeOf(rc), step, path, EDQUOT);
            return because(cause::DiskFull);
        case SQLITE_IOERR:
            return because(cause::DiskError);
        case SQLITE_READONLY:
            return because(cause::OnlyRead);
        case SQLITE_NOMEM:
            return because(cause::NoMemory);
        case SQLITE_CORRUPT:
            return because(cause::Damaged);
        case SQLITE_NOTADB:
            return because(cause::NotALedger);
        default:
            return because(sqlite3_errstr(rc));
    }
}

Database openDatabase(const std::string& path, int flags, BackupFailure* failure) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) {
        fail(failure, code::FileOpenFailed, step::NotOpened, path,
             raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc), raw ? sqlite3_system_errno(raw) : 0);
        return nullptr;
    }
    return db;
}

std::string copyName(TimePoint time) {
    return utcText(time, UtcStyle::FileName);
}

// The time a copy's folder name gives; nothing for another name.
std::optional<TimePoint> timeOfName(const std::string& name) {
    int year, month, day, hour, minute, second, length = 0;
    if (std::sscanf(name.c_str(), "%4d-%2d-%2d_%2d-%2d-%2d%n", &year, &month, &day, &hour, &minute, &second,
                    &length) != 6 ||
        length != 19)
        return std::nullopt;
    if (name.size() > 19) {
        // A second copy within the same second: "-2", "-3", ...
        if (name[19] != '-' || name.size() == 20 ||
            !std::all_of(name.begin() + 20, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
    }
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    const std::time_t seconds = timegm(&utc);
    if (seconds == -1 || copyName(std::chrono::system_clock::from_time_t(seconds)) != name.substr(0, 19))
        return std::nullopt;
    return std::chrono::system_clock::from_time_t(seconds);
}

int monthNumber(TimePoint time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return (utc.tm_year + 1900) * 12 + utc.tm_mon;
}

// Copies the pages of `source` into the new file `target` in steps, as BackupOptions says.
Result copyPages(const std::string& source, const std::string& target, mode_t mode,
                 const BackupOptions& options, BackupResult* result) {
    BackupFailure* failure = &result->failure;
    if (!fs::is_regular_file(source)) return fail(failure, code::FileNotFound, step::LedgerMissing, source);
    if (const int reason = createFileWithMode(target, mode))
        return failSystem(failure, code::WriteFailed, step::CopyNotMade, target, reason);
    Database from = openDatabase(source, SQLITE_OPEN_READONLY, failure);
    if (!from) return code::FileOpenFailed;
    Database to = openDatabase(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, failure);
    if (!to) return code::WriteFailed;
    // The copy is written without a journal and without syncing, and synced once it is whole: the last
    // step, which holds the ledger, then ends without waiting for the disk. A copy cut short is removed
    // with its folder.
    sqlite3_exec(to.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    BackupHandle backup(sqlite3_backup_init(to.get(), "main", from.get(), "main"));
    if (!backup)
        return fail(failure, code::WriteFailed, step::CopyNotBegun, target, sqlite3_errmsg(to.get()));
    int pages = std::max(1, options.pagesPerStep);
    int remainingBefore = -1;
    std::optional<Clock::time_point> busySince;
    for (;;) {
        if (options.cancel && options.cancel->load())
            return fail(failure, code::WriteFailed, step::CopyGivenUp, target);
        const auto start = Clock::now();
        const int rc = sqlite3_backup_step(backup.get(), pages);
        result->longestStep = std::max(
            result->longestStep, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start));
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_OK) {
            busySince.reset();
            // Another connection wrote the ledger: the copy started over from its first page.
            const int remaining = sqlite3_backup_remaining(backup.get());
            if (remainingBefore >= 0 && remaining > remainingBefore &&
                ++result->restarts >= options.restartsBeforeLargerSteps && pages < (1 << 24))
                pages *= 2;
            remainingBefore = remaining;
            if (options.progress) {
                const int total = sqlite3_backup_pagecount(backup.get());
                options.progress(total > 0 ? 1.0 - double(remaining) / total : 0);
            }
        } else if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) {
            if (!busySince) busySince = Clock::now();
            if (Clock::now() - *busySince > LongestWaitForLock)
                return fail(failure, code::FileBusy, step::LedgerStayedLocked, source);
        } else {
            return copyStepFailure(failure, rc, to.get(), step::CopyNotWritten, target);
        }
        std::this_thread::sleep_for(options.pause);
    }
    const int finished = sqlite3_backup_finish(backup.release());
    if (finished != SQLITE_OK)
        return copyStepFailure(failure, finished, to.get(), step::CopyNotFinished, target);
    to.reset();
    const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int syncError = synced ? 0 : errno;
    if (fd >= 0) close(fd);
    if (!synced) return failSystem(failure, code::WriteFailed, step::CopyNotOnDisk, target, syncError);
    return code::Ok;
}

// Whether `entry` is the folder of a copy that was cut short: named like a copy with ".partial" after
// it, and neither it nor anything in it written for LeftoverPartialAge.
bool leftoverPartial(const fs::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    const std::size_t suffix = std::char_traits<char>::length(PartialSuffix);
    std::error_code error;
    if (name.size() <= suffix || !name.ends_with(PartialSuffix) ||
        !timeOfName(name.substr(0, name.size() - suffix)) || !entry.is_directory(error))
        return false;
    fs::file_time_type touched = entry.last_write_time(error);
    for (const auto& inside : fs::directory_iterator(entry.path(), error))
        touched = std::max(touched, inside.last_write_time(error));
    return !error && fs::file_time_type::clock::now() - touched > LeftoverPartialAge;
}

void rotate(const std::string& folder, TimePoint now) {
    const std::vector<BackupCopy> copies = listBackups(folder);
    const std::vector<bool> kept = copiesKept(copies, now);
    std::vector<fs::path> dropped;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (!kept[i]) dropped.push_back(fs::path(folder) / copies[i].name);
    }
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (leftoverPartial(entry)) dropped.push_back(entry.path());
    }
    for (const fs::path& path : dropped) fs::remove_all(path, ignored);
}

// The shared hold (flock on the ledger's directory) that the engine's writing connections keep, taken
// alone: while it is held no connection of the engine may write the ledger.
class ExclusiveHold {
  public:
    explicit ExclusiveHold(const std::string& path)
        : exists_(fs::is_regular_file(path)), fd_(openHoldDirectory(path)) {
        taken_ = exists_ && fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~ExclusiveHold() {
        if (fd_ >= 0) close(fd_);
    }
    ExclusiveHold(const ExclusiveHold&) = delete;
    ExclusiveHold& operator=(const ExclusiveHold&) = delete;
    bool opened() const { return exists_ && fd_ >= 0; }
    bool taken() const { return taken_; }

  private:
    bool exists_;
    int fd_;
    bool taken_ = false;
};

// Whether a connection of another program holds an SQLite lock on the ledger now.
Result sqliteLockTest(const std::string& ledgerPath, BackupFailure* failure) {
    Database db = openDatabase(ledgerPath, SQLITE_OPEN_READWRITE, failure);
    if (!db) return code::FileOpenFailed;
    sqlite3_busy_timeout(db.get(), 0);
    const int rc = sqlite3_exec(db.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        return code::Ok;
    }
    if (codeOf(rc) == code::FileBusy) return fail(failure, code::FileBusy, step::LedgerInUse, ledgerPath);
    return fail(failure, codeOf(rc), step::LocksNotTested, ledgerPath, sqlite3_errmsg(db.get()));
}

Result holdTest(const ExclusiveHold& hold, const std::string& ledgerPath, BackupFailure* failure) {
    if (!hold.opened()) return fail(failure, code::FileNotFound, step::LedgerMissing, ledgerPath);
    if (!hold.taken()) return fail(failure, code::FileBusy, step::LedgerHeld, ledgerPath);
    return sqliteLockTest(ledgerPath, failure);
}

}  // namespace

std::string backupFolder(const std::string& ledgerPath) {
    return (fs::absolute(ledgerPath).parent_path() / BackupFolderName).string();
}

std::vector<BackupCopy> listBackups(const std::string& folder) {
    std::vector<BackupCopy> copies;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const std::optional<TimePoint> time = timeOfName(name);
        if (!time || !entry.is_directory(error)) continue;
        copies.push_back({name, (entry.path() / LedgerFileName).string(), *time});
    }
    std::sort(copies.begin(), copies.end(), [](const BackupCopy& a, const BackupCopy& b) {
        return a.time != b.time                 ? a.time < b.time
               : a.name.size() != b.name.size() ? a.name.size() < b.name.size()
                                                : a.name < b.name;
    });
    return copies;
}

std::vector<bool> copiesKept(const std::vector<BackupCopy>& copies, TimePoint now) {
    std::vector<bool> kept(copies.size(), false);
    // Copies stamped later than now (made while the clock ran ahead) are left out of both counts.
    const auto past = std::partition_point(copies.begin(), copies.end(),
                                           [now](const BackupCopy& copy) { return copy.time <= now; });
    const auto pastCount = static_cast<std::size_t>(past - copies.begin());
    const std::size_t newest = pastCount > NewestCopiesKept ? pastCount - NewestCopiesKept : 0;
    std::fill(kept.begin() + static_cast<std::ptrdiff_t>(newest), kept.begin() + (past - copies.begin()),
              true);
    std::map<int, std::size_t> newestOfMonth;
    const int thisMonth = monthNumber(now);
    for (std::size_t i = 0; i < pastCount; ++i) {
        const int month = monthNumber(copies[i].time);
        if (month <= thisMonth && month > thisMonth - MonthsKept) newestOfMonth[month] = i;
    }
    for (const auto& [month, index] : newestOfMonth) kept[index] = true;
    return kept;
}

bool backupDue(const std::string& ledgerPath, TimePoint now) {
    const std::vector<BackupCopy> copies = listBackups(backupFolder(ledgerPath));
    const auto newest = std::find_if(copies.rbegin(), copies.rend(),
                                     [now](const BackupCopy& copy) { return copy.time <= now; });
    return newest == copies.rend() || now - newest->time >= std::chrono::hours(24);
}

namespace {

// Rows of kovrel in a ledger file, without a check.
Result countRows(const std::string& path, std::uint64_t* rows, BackupFailure* failure) {
    Database db = openDatabase(path, SQLITE_OPEN_READONLY, failure);
    if (!db) return code::FileOpenFailed;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM kovrel", -1, &statement, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW)
        *rows = static_cast<std::uint64_t>(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW)
        return fail(failure, codeOf(rc), step::RowsNotCounted, path, sqlite3_errmsg(db.get()));
    return code::Ok;
}

Result countCheckedRows(const std::string& path, std::uint64_t* rows, BackupFailure* failure,
                        const WorkProgress& progress) {
    std::string report;
    if (const Result checked = checkLedgerFile(path, &report, progress))
        return fail(failure, checked, step::CheckFails, path, report);
    return countRows(path, rows, failure);
}

}  // namespace

std::string failureText(const BackupFailure& failure) {
    std::string text =
        failure.step == step::CheckFails
            ? failure.reason
            : failure.path + ": " + failure.step + (failure.reason.empty() ? "" : ": " + failure.reason);
    return failure.context ? failure.context + (": " + text) : text;
}

Result countLedgerRows(const std::string& path, std::uint64_t* rows, std::string* error,
                       const WorkProgress& progress) {
    BackupFailure failure;
    return told(countCheckedRows(path, rows, &failure, progress), failure, error);
}

Result countLedgerRows(const std::string& path, std::uint64_t* rows, BackupFailure* failure,
                       const WorkProgress& progress) {
    *failure = {};
    return countCheckedRows(path, rows, failure, progress);
}

namespace {

// Whether SQLite's quick check finds the ledger at `path` damaged, read as it stands (a restore holds
// the ledger alone meanwhile).
bool ledgerDamaged(const std::string& path) {
    Database db = openDatabase(path, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* prepared = nullptr;
    if (!db) return false;
    sqlite3_busy_timeout(db.get(), 3000);
    if (sqlite3_prepare_v2(db.get(), "PRAGMA quick_check(1)", -1, &prepared, nullptr) != SQLITE_OK)
        return false;
    const OwnedStatement statement(prepared);
    const int rc = sqlite3_step(prepared);
    const auto* line = reinterpret_cast<const char*>(sqlite3_column_text(prepared, 0));
    return (rc & 0xff) == SQLITE_CORRUPT || (rc == SQLITE_ROW && line && std::string_view(line) != "ok");
}

// The answer to a copy that checks damaged: FileDamaged when the ledger it was copied from is damaged too;
// else the copy was written badly, and its failure stands.
Result damageOfLedger(const std::string& ledgerPath, BackupFailure* failure) {
    if (ledgerDamaged(ledgerPath))
        return fail(failure, code::FileDamaged, step::LedgerDamaged, ledgerPath, failureText(*failure));
    return code::WriteFailed;
}

}  // namespace

Result makeBackup(const std::string& ledgerPath, TimePoint now, BackupResult* result, std::string* error,
                  const BackupOptions& options) {
    *result = {};
    BackupFailure* failed = &result->failure;
    const fs::path folder = backupFolder(ledgerPath);
    // A copy holds what the ledger holds: it is as private as the ledger, and its folders let in whom
    // the ledger lets read. Its owner always may write and remove it.
    struct stat ledger {};
    const mode_t fileMode = (stat(ledgerPath.c_str(), &ledger) == 0 ? ledger.st_mode & 0777 : 0) | 0600;
    const auto folderMode = static_cast<fs::perms>(fileMode | 0700 | ((fileMode & 0044) >> 2));
    std::error_code failure;
    if (fs::create_directories(folder, failure)) {
        fs::permissions(folder, folderMode, failure);
    } else if (!failure) {
        // A folder made before, by hand or by an older program, lets in no one the ledger keeps out, so
        // that the copies it already holds are as private as the ledger too; it is never opened wider. A
        // folder of another owner, or a link to a folder elsewhere, stays as it is: the new copy's own
        // folder is private all the same.
        std::error_code ignored;
        const fs::file_status found = fs::symlink_status(folder, ignored);
        const fs::perms outside = found.permissions() & ~folderMode & fs::perms::all;
        if (!ignored && found.type() == fs::file_type::directory && outside != fs::perms::none)
            fs::permissions(folder, outside, fs::perm_options::remove, ignored);
    }
    if (failure)
        return told(
            failSystem(failed, code::WriteFailed, step::FolderNotMade, folder.string(), failure.value()),
            *failed, error);
    // The folder is the one this copy made: a copy begun in the same second, here or in another program,
    // takes the next name.
    const std::string base = copyName(now);
    std::string name = base;
    fs::path partial;
    for (int n = 2;; ++n) {
        partial = folder / (name + PartialSuffix);
        if (!fs::exists(folder / name, failure) && !failure && fs::create_directory(partial, failure)) {
            fs::permissions(partial, folderMode, failure);
            if (!failure) break;
            std::error_code ignored;
            fs::remove(partial, ignored);
        }
        if (failure)
            return told(
                failSystem(failed, code::WriteFailed, step::CopyNotMade, partial.string(), failure.value()),
                *failed, error);
        name = base + "-" + std::to_string(n);
    }
    BackupOptions copying = options;
    copying.progress = part(options.progress, 0, 0.5);
    Result outcome = copyPages(ledgerPath, (partial / LedgerFileName).string(), fileMode, copying, result);
    if (outcome == code::Ok)
        outcome = countCheckedRows((partial / LedgerFileName).string(), &result->rows, failed,
                                   part(options.progress, 0.5, 1));
    if (outcome == code::FileDamaged) outcome = damageOfLedger(ledgerPath, failed);
    if (outcome == code::FileDamaged && options.keepDamaged) {
        name += DamagedSuffix;
        fs::rename(partial, folder / name, failure);
        if (!failure) {
            result->copy = {name, (folder / name / LedgerFileName).string(), now};
            return told(outcome, *failed, error);
        }
    }
    if (outcome == code::Ok) {
        fs::rename(partial, folder / name, failure);
        if (failure)
            outcome =
                failSystem(failed, code::WriteFailed, step::CopyNotNamed, partial.string(), failure.value());
    }
    if (outcome != code::Ok) {
        fs::remove_all(partial, failure);
        return told(outcome, *failed, error);
    }
    result->copy = {name, (folder / name / LedgerFileName).string(), *timeOfName(name)};
    if (options.rotate) rotate(folder.string(), now);
    return code::Ok;
}

Result ledgerInUse(const std::string& ledgerPath, std::string* error) {
    const ExclusiveHold hold(ledgerPath);
    BackupFailure failure;
    return told(holdTest(hold, ledgerPath, &failure), failure, error);
}

std::string resolveCopy(const std::string& ledgerPath, const std::string& copy) {
    std::error_code ignored;
    const fs::path named = fs::path(backupFolder(ledgerPath)) / copy;
    if (copy.find('/') == std::string::npos && fs::is_directory(named, ignored))
        return (named / LedgerFileName).string();
    if (fs::is_directory(copy, ignored)) return (fs::path(copy) / LedgerFileName).string();
    return copy;
}

namespace {

Result restoreInto(const std::string& ledgerPath, const std::string& copyLedger, TimePoint now,
                   RestoreResult* result, const WorkProgress& progress) {
    BackupFailure* failure = &result->failure;
    std::error_code ignored;
    if (fs::equivalent(ledgerPath, copyLedger, ignored))
        return fail(failure, code::InvalidParameter, step::CopyIsLedger, copyLedger);
    std::uint64_t copyRows = 0;
    if (const Result sound = countCheckedRows(copyLedger, &copyRows, failure, part(progress, 0, 0.3)))
        return sound;
    {
        const ExclusiveHold hold(ledgerPath);
        if (const Result free = holdTest(hold, ledgerPath, failure)) return free;
        BackupOptions before;
        before.rotate = false;
        before.progress = part(progress, 0.3, 0.65);
        before.keepDamaged = true;
        BackupResult saved;
        if (const Result copied = makeBackup(ledgerPath, now, &saved, nullptr, before);
            copied != code::Ok && copied != code::FileDamaged) {
            *failure = saved.failure;
            failure->context = step::NotCopiedFirst;
            return copied;
        }
        result->saved = saved.copy;
        Database to = openDatabase(ledgerPath, SQLITE_OPEN_READWRITE, failure);
        if (!to) return code::FileOpenFailed;
        Database from = openDatabase(copyLedger, SQLITE_OPEN_READONLY, failure);
        if (!from) return code::FileOpenFailed;
        sqlite3_busy_timeout(to.get(), 1000);
        BackupHandle backup(sqlite3_backup_init(to.get(), "main", from.get(), "main"));
        if (!backup)
            return fail(failure, codeOf(sqlite3_errcode(to.get())), step::CopyNotWrittenIn, ledgerPath,
                        sqlite3_errmsg(to.get()));
        int rc = sqlite3_backup_step(backup.get(), -1);
        const int finished = sqlite3_backup_finish(backup.release());
        if (rc == SQLITE_DONE) rc = finished;
        if (rc != SQLITE_OK)
            return copyStepFailure(failure, rc, to.get(), step::CopyNotWrittenIn, ledgerPath);
        result->replaced = true;
    }
    if (const Result checked = checkLedgerFile(ledgerPath, &result->checkReport, part(progress, 0.7, 1)))
        return fail(failure, checked, step::RestoredCheckFails, ledgerPath, result->checkReport);
    if (const Result counted = countRows(ledgerPath, &result->rows, failure))
        return fail(failure, counted, step::RestoredCheckFails, ledgerPath, failureText(*failure));
    if (result->rows != copyRows) {
        fail(failure, code::NotALedger, step::RestoredCheckFails, ledgerPath,
             "it holds " + std::to_string(result->rows) + " rows, the copy " + std::to_string(copyRows));
        failure->rows = result->rows;
        failure->copyRows = copyRows;
        return code::NotALedger;
    }
    if (progress) progress(1);
    rotate(backupFolder(ledgerPath), now);
    return code::Ok;
}

}  // namespace

Result restoreLedger(const std::string& ledgerPath, const std::string& copyLedger, TimePoint now,
                     RestoreResult* result, std::string* error, const WorkProgress& progress) {
    *result = {};
    return told(restoreInto(ledgerPath, copyLedger, now, result, progress), result->failure, error);
}

}  // namespace engine
