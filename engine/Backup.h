// Copies of a ledger in the folder backup/ beside it: made with SQLite's online backup in small steps,
// checked, rotated, listed, and put back in the ledger's place.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/LedgerFile.h"

namespace engine {

using TimePoint = std::chrono::system_clock::time_point;

constexpr const char* BackupFolderName = "backup";
// Copies kept whatever their age; besides them the newest copy of each of the last twelve months stays.
constexpr std::size_t NewestCopiesKept = 14;
constexpr int MonthsKept = 12;

// What a backup, a copy's check or a restore failed at, as kovrel-db says it after the path it concerns.
// Each is one step's own text: a window that words the failure in its language tells them apart by it.
namespace step {
constexpr const char* LedgerMissing = "the ledger does not exist";
constexpr const char* FolderNotMade = "the backup folder cannot be made";
constexpr const char* CopyNotMade = "the copy cannot be made";
constexpr const char* NotOpened = "cannot be opened";
constexpr const char* CopyNotBegun = "the copy cannot begin";
constexpr const char* CopyGivenUp = "the copy was given up";
constexpr const char* LedgerStayedLocked = "the ledger stayed locked by another program";
constexpr const char* CopyNotWritten = "the copy cannot be written";
constexpr const char* CopyNotFinished = "the copy cannot be finished";
constexpr const char* CopyNotOnDisk = "the copy cannot be written to the disk";
constexpr const char* CopyNotNamed = "the copy cannot be given its name";
// A check's report names its file itself: this step's text is the report alone.
constexpr const char* CheckFails = "the check fails";
constexpr const char* RowsNotCounted = "the rows cannot be counted";
constexpr const char* LedgerDamaged = "the ledger is damaged, as its copy shows";
constexpr const char* LedgerHeld = "a program holds the ledger open for writing";
constexpr const char* LedgerInUse = "another program is reading or writing the ledger now";
constexpr const char* LocksNotTested = "the ledger's locks cannot be tested";
constexpr const char* CopyIsLedger = "the copy is the ledger itself";
constexpr const char* CopyNotWrittenIn = "the ledger is left as it was: the copy cannot be written into it";
constexpr const char* RestoredCheckFails = "the ledger was replaced by the copy, but its check fails";
// Said before the failure of the copy that a restore makes of the ledger first.
constexpr const char* NotCopiedFirst = "the ledger is left as it is: it cannot be copied first";
}  // namespace step

// Why a step of SQLite's online copy failed, where SQLite's result code tells it.
namespace cause {
constexpr const char* DiskFull = "the disk is full";
constexpr const char* DiskError = "the disk cannot be read or written (input/output error)";
constexpr const char* OnlyRead = "the file can only be read";
constexpr const char* NoMemory = "there is not enough memory";
constexpr const char* Damaged = "the file is damaged";
constexpr const char* NotALedger = "the file is not a ledger";
}  // namespace cause

// A failure of a backup or a restore in its parts, so that kovrel-db and the windows each word it in
// their own language from the same facts.
struct BackupFailure {
    const char* step = nullptr;  // one of step::, nothing when nothing failed
    std::string path;            // the file or folder the step concerns
    // Why, in English: the system's error text (systemError tells which), one of cause::, SQLite's own
    // message, or a check's report.
    std::string reason;
    int systemError = 0;                   // the errno behind reason, when the system's error is why
    const char* context = nullptr;         // step::NotCopiedFirst around the failure of a restore's own copy
    std::uint64_t rows = 0, copyRows = 0;  // with RestoredCheckFails: rows in the ledger and in the copy
    Result answer = code::Ok;              // what the failing step answered, e.g. a check's verdict
};

// The failure as kovrel-db says it: "path: step: reason", after the context when there is one.
std::string failureText(const BackupFailure& failure);

// One copy: a folder named by the time it was made, in UTC ('YYYY-MM-DD_HH-MM-SS', with '-2', '-3', ...
// for a second copy within the same second), holding a ledger Kovrel.DB that the program and kovrel-db
// open like any other.
struct BackupCopy {
    std::string name;
    std::string ledger;  // the copy's Kovrel.DB
    TimePoint time;
};

// The backup folder of the ledger file at `ledgerPath`.
std::string backupFolder(const std::string& ledgerPath);

// The copies in `folder`, oldest first. Folders of other names, and copies still being made, are left out.
// A copy being made lives in a folder of its name with ".partial" after it; one left by a copy that was
// cut short (untouched for an hour) is removed by the next rotation.
std::vector<BackupCopy> listBackups(const std::string& folder);

// For each copy of `copies` (oldest first), whether a rotation at `now` keeps it: the newest
// NewestCopiesKept, and the newest of each calendar month (UTC) from MonthsKept - 1 months before now's
// to now's. A copy stamped later than `now` (made while the clock ran ahead) counts toward neither and
// goes.
std::vector<bool> copiesKept(const std::vector<BackupCopy>& copies, TimePoint now);

// Whether a backup is due at `now`: there is no copy up to `now`, or the newest of them is a day old or
// older. A copy stamped later than `now` does not count.
bool backupDue(const std::string& ledgerPath, TimePoint now);

struct BackupOptions {
    int pagesPerStep = 64;
    // Between two steps, so that a writer waiting for the file gets it.
    std::chrono::milliseconds pause{2};
    // A copy restarted this often because another connection wrote the ledger meanwhile copies twice as
    // many pages per step from then on, so that a ledger written without a break is still copied.
    int restartsBeforeLargerSteps = 2;
    // Copies that the rotation would drop are removed after the copy is made.
    bool rotate = true;
    // Set from another thread to give the copy up between two steps.
    const std::atomic<bool>* cancel = nullptr;
    // Hears the share of the copy and its check done, in the thread that makes the copy.
    WorkProgress progress;
    // A copy of a ledger found damaged is kept, in a folder named like a copy with ".damaged" after it,
    // instead of being removed.
    bool keepDamaged = false;
};

struct BackupResult {
    BackupCopy copy;
    std::uint64_t rows = 0;  // rows of kovrel in the copy
    int restarts = 0;
    std::chrono::microseconds longestStep{0};  // the longest the ledger was held by one step
    BackupFailure failure;                     // when the copy failed; *error is its failureText
};

// Copies the ledger at `ledgerPath` into a new copy named by `now`, checks the copy (SQLite's integrity
// check, the ledger's shape, every row counted) and rotates the folder. A copy is made first in a
// folder whose name ends in ".partial" and gets its own name only once it checks sound; on any failure
// it is removed (or kept, see keepDamaged). Answers Ok, or the failure's code with *error saying what
// went wrong: FileDamaged only when the ledger itself is damaged, with the ledger's check report.
Result makeBackup(const std::string& ledgerPath, TimePoint now, BackupResult* result, std::string* error,
                  const BackupOptions& options = {});

// Rows of kovrel in a ledger file, counted after SQLite's integrity check and the shape check; `progress`
// hears how far the check is.
Result countLedgerRows(const std::string& path, std::uint64_t* rows, std::string* error,
                       const WorkProgress& progress = {});
// The same, with the failure in its parts (its step is step::CheckFails or step::RowsNotCounted).
Result countLedgerRows(const std::string& path, std::uint64_t* rows, BackupFailure* failure,
                       const WorkProgress& progress = {});

// Whether a program holds the ledger open for writing, by lock tests: the shared hold every connection of
// the engine that may write the file keeps (see Connection), and an SQLite lock of any other program
// reading or writing it right now. Answers Ok when neither, FileBusy with *error naming which otherwise.
Result ledgerInUse(const std::string& ledgerPath, std::string* error);

struct RestoreResult {
    BackupCopy saved;  // the copy of the ledger as it was before
    std::uint64_t rows = 0;
    std::string checkReport;  // checkLedgerFile's report on the restored ledger
    // The ledger holds the copy's content now; set also when the check after the restore fails.
    bool replaced = false;
    BackupFailure failure;  // when the restore failed or its check did; *error is its failureText
};

// The copy that `copy` names for the ledger at `ledgerPath`: a copy's folder name in its backup folder,
// a folder holding Kovrel.DB, or a ledger file.
std::string resolveCopy(const std::string& ledgerPath, const std::string& copy);

// Puts the content of the ledger copy `copyLedger` in place of the ledger at `ledgerPath`. Refused, with
// nothing changed, when the copy is not a sound ledger, when a program holds the ledger open for writing
// (ledgerInUse), or when the ledger cannot first be copied itself into its backup folder (named by
// `now`; a damaged ledger's copy is kept with ".damaged" after the name). The content is written into the
// ledger file through SQLite in one transaction, so an interrupted restore leaves the ledger as it was; then
// checkLedgerFile runs on it, and a failing check is told as such (result->replaced tells that the content
// was replaced all the same). `progress` hears the share of the whole done.
Result restoreLedger(const std::string& ledgerPath, const std::string& copyLedger, TimePoint now,
                     RestoreResult* result, std::string* error, const WorkProgress& progress = {});

}  // namespace engine
