// The ledger's backups while the program runs: a copy at start-up once a day and on demand, made in a
// thread of its own while the clerk works on, and the restore of a copy chosen in the backup folder.
#pragma once

#include <QObject>
#include <atomic>
#include <string>
#include <thread>

#include "runtime/ProgressWindow.h"

namespace app {

// Copies the working directory's ledger in a worker thread, which reads it through an SQLite connection
// of its own; one copy at a time. The outcome is told on the user-interface thread, in a message
// window: a failure always, once; a copy made only when the clerk asked for it.
//
//   idle --Start--> copying (thread_ runs copy number copy_) --the thread ends--> done queued
//   done queued --Done(copy == copy_): join, tell, Finished--> idle
//   copying, done queued --Stop: ++copy_, cancel_, join--> idle (a Done still queued has an older copy
//                                                           number and tells nothing)
//
// cancel_ is set only inside Stop, while it waits for the thread; copy_ only grows.
class LedgerBackups : public QObject {
    Q_OBJECT

  public:
    explicit LedgerBackups(QObject* owner = nullptr);
    // Gives up a copy under way and waits for its thread.
    ~LedgerBackups() override;

    // Starts a copy unless one is under way; `asked` when the clerk asked for it from the menu.
    void Start(bool asked);
    // Starts a copy when the newest is a day old or older, or there is none, and the ledger may be written.
    void StartIfDue();
    bool Running() const { return thread_.joinable(); }
    // Gives up the copy under way, if any, and waits for its end without telling it.
    void Stop();

  signals:
    // A copy ended (after its outcome was told); `made` when it was made.
    void Finished(bool made);

  private:
    void Done(int copy, bool asked, bool made, const QString& text);

    std::thread thread_;
    int copy_ = 0;  // counts the copies begun and given up
    std::atomic<bool> cancel_{false};
};

// "Vracanje iz kopije...": asks for a copy's folder in the backup folder and, after the clerk confirms,
// puts it in the ledger's place. The program's own hold on the ledger goes first (edits under way are
// posted, every dataset closes, a copy under way is given up)
// and the registration window's datasets open again afterwards, as at start-up; the outcome is told in a
// message window. The checks show their progress once they take `showProgressAfterMs`.
void RestoreFromBackup(LedgerBackups& backups, int showProgressAfterMs = TProgressWindow::DefaultShowAfterMs);

// The working directory's ledger file, found by its name in any letter case as the engine finds it; the
// name as written when there is none.
std::string workingLedger();

// What the clerk is told when the program or its copy finds the ledger at `ledger` damaged: that it is,
// and the copy to put back (the newest, which was checked sound when it was made), or that there is none.
QString damagedLedgerText(const std::string& ledger);

// The error boxes' advice: the damaged ledger's text for an engine error that found the working ledger
// damaged, nothing for any other error.
QString damagedLedgerAdvice(const std::exception& error);

}  // namespace app
