// Backups of the ledger made beside the clerk's work, and the restore of a copy from the menu.
#include "app/Backups.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMetaObject>
#include <chrono>
#include <string_view>

#include "data/DBTables.h"
#include "engine/Backup.h"
#include "engine/LedgerFile.h"
#include "engine/ServerLedger.h"
#include "ledger/Unit2.h"
#include "runtime/Language.h"
#include "runtime/ProgressWindow.h"
#include "runtime/Seams.h"

namespace app {

namespace {

engine::TimePoint programNow() {
    return engine::TimePoint(std::chrono::milliseconds(runtime::now().toMSecsSinceEpoch()));
}

QString fromEngine(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

struct Words {
    const char* engine;
    const char* clerk;
};

// The clerk's words for each step of a backup or a restore that can fail; %1 is the step's path.
constexpr Words StepWords[] = {
    {engine::step::LedgerMissing, "knjiga %1 ne postoji"},
    {engine::step::FolderNotMade, "fascikla za kopije %1 ne moze da se napravi"},
    {engine::step::CopyNotMade, "kopija %1 ne moze da se napravi"},
    {engine::step::NotOpened, "datoteka %1 ne moze da se otvori"},
    {engine::step::CopyNotBegun, "kopiranje u %1 ne moze da pocne"},
    {engine::step::CopyGivenUp, "kopiranje u %1 je prekinuto"},
    {engine::step::LedgerStayedLocked, "drugi program predugo drzi knjigu %1 zakljucanu"},
    {engine::step::CopyNotWritten, "kopija %1 ne moze da se zapise"},
    {engine::step::CopyNotFinished, "kopija %1 ne moze da se zavrsi"},
    {engine::step::CopyNotOnDisk, "kopija %1 ne moze da se sacuva na disku"},
    {engine::step::CopyNotNamed, "kopija %1 ne moze da dobije svoje ime"},
    {engine::step::CheckFails, "provera datoteke %1 nije prosla"},
    {engine::step::RowsNotCounted, "redovi u %1 ne mogu da se prebroje"},
    {engine::step::LedgerDamaged, "knjiga %1 je ostecena, kako pokazuje njena kopija"},
    {engine::step::LedgerHeld, "drugi program drzi knjigu %1 otvorenu za upis"},
    {engine::step::LedgerInUse, "drugi program upravo cita ili pise knjigu %1"},
    {engine::step::LocksNotTested, "ne moze da se proveri da li drugi program koristi knjigu %1"},
    {engine::step::CopyIsLedger, "izabrana kopija %1 je sama knjiga"},
    {engine::step::CopyNotWrittenIn, "kopija ne moze da se upise u knjigu %1, koja je ostala kakva je bila"},
    {engine::step::RestoredCheckFails, "provera knjige %1 posle vracanja nije prosla"},
    {engine::step::NotCopiedFirst,
     "knjiga je ostala kakva je bila, jer ne moze prvo da se sacuva kao kopija"},
};

// The clerk's words for the causes SQLite's result codes tell.
constexpr Words CauseWords[] = {
    {engine::cause::DiskFull, "nema mesta na disku"},
    {engine::cause::DiskError, "greska pri citanju ili pisanju diska"},
    {engine::cause::OnlyRead, "datoteka sme samo da se cita"},
    {engine::cause::NoMemory, "nema dovoljno memorije"},
    {engine::cause::Damaged, "datoteka je ostecena"},
    {engine::cause::NotALedger, "datoteka nije knjiga"},
};

template <std::size_t N>
QString lookUp(const Words (&table)[N], std::string_view engineText) {
    for (const Words& words : table)
        if (engineText == words.engine) return QString::fromLatin1(words.clerk);
    return QString();
}

// What a check found, by its answer.
QString verdict(engine::Result checked) {
    switch (checked) {
        case engine::code::FileDamaged:
            return QStringLiteral("datoteka je ostecena");
        case engine::code::NotALedger:
            return QStringLiteral("datoteka nije knjiga ovog programa");
        case engine::code::FileBusy:
            return QStringLiteral("drugi program je drzi zakljucanu");
        case engine::code::FileNotFound:
            return QStringLiteral("datoteka ne postoji");
        default:
            return QStringLiteral("datoteka ne moze da se otvori");
    }
}

// Why a step failed, in the clerk's words where the program has them: a check's verdict, the system's
// common errors, SQLite's causes; SQLite's own English for the rare rest.
QString reasonWords(const engine::BackupFailure& failure) {
    if (failure.rows != failure.copyRows)
        return QStringLiteral("knjiga ima %1 redova, a kopija %2").arg(failure.rows).arg(failure.copyRows);
    const std::string_view step = failure.step;
    if (step == engine::step::CheckFails || step == engine::step::RestoredCheckFails ||
        step == engine::step::LedgerDamaged)
        return verdict(failure.answer);
    if (failure.systemError) return runtime::systemErrorText(failure.systemError);
    const QString cause = lookUp(CauseWords, failure.reason);
    return cause.isEmpty() ? fromEngine(failure.reason) : cause;
}

// A failed backup or restore in the clerk's words: the step with its path, then why.
QString failureWords(const engine::BackupFailure& failure) {
    Q_ASSERT(failure.step);
    QString text = lookUp(StepWords, failure.step).arg(fromEngine(failure.path));
    if (const QString reason = reasonWords(failure); !reason.isEmpty()) text += QStringLiteral(": ") + reason;
    if (failure.context) text = lookUp(StepWords, failure.context) + QStringLiteral(": ") + text;
    return text;
}

}  // namespace

std::string workingLedger() {
    // The engine finds the ledger by its name in any letter case; so does everything that copies it.
    const QDir here = QDir::current();
    const QStringList found = here.entryList({QString::fromLatin1(engine::LedgerFileName)}, QDir::Files);
    return here
        .absoluteFilePath(found.isEmpty() ? QString::fromLatin1(engine::LedgerFileName) : found.first())
        .toStdString();
}

namespace {

// A ledger on a server has no file here to copy: the server's own copies keep it. Says so, or that there
// is no ledger here at all, when the clerk asked for a copy or a restore.
bool ledgerFileHere(bool asked) {
    if (QFileInfo::exists(QString::fromStdString(workingLedger()))) return true;
    if (!asked) return false;
    if (engine::serverConnectionIn(""))
        ShowMessage(QStringLiteral("Knjiga je na serveru: njene kopije pravi server, ne ovaj program."));
    else
        ShowMessage(QStringLiteral("U radnom direktorijumu nema knjige %1: nema sta da se kopira ni vrati.")
                        .arg(QString::fromLatin1(engine::LedgerFileName)));
    return false;
}

}  // namespace

QString damagedLedgerText(const std::string& ledger) {
    const QString damaged = QStringLiteral("Knjiga %1 je ostecena: deo fajla ne moze da se procita.")
                                .arg(QFileInfo(QString::fromStdString(ledger)).fileName());
    const std::vector<engine::BackupCopy> copies = engine::listBackups(engine::backupFolder(ledger));
    if (copies.empty()) return damaged + QStringLiteral(" Rezervne kopije nema.");
    return damaged +
           QStringLiteral(" Vratite je iz poslednje rezervne kopije, %1 (Podaci / Vracanje iz kopije...).")
               .arg(fromEngine(copies.back().name));
}

QString damagedLedgerAdvice(const std::exception& error) {
    const auto* engineError = dynamic_cast<const EDBEngineError*>(&error);
    for (int i = 0; engineError && i < engineError->ErrorCount(); ++i)
        if (engineError->Errors(i).ErrorCode() == engine::code::FileDamaged)
            return damagedLedgerText(workingLedger());
    return QString();
}

LedgerBackups::LedgerBackups(QObject* owner) : QObject(owner) {}

LedgerBackups::~LedgerBackups() {
    Stop();
}

void LedgerBackups::Stop() {
    ++copy_;
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    cancel_ = false;
}

void LedgerBackups::StartIfDue() {
    // A ledger that can only be read was told so; it has no copy made, as its folder may take none.
    if (ledger::LedgerReadOnly()) return;
    if (ledgerFileHere(false) && engine::backupDue(workingLedger(), programNow())) Start(false);
}

void LedgerBackups::Start(bool asked) {
    if (Running()) {
        if (asked) ShowMessage(QStringLiteral("Rezervna kopija se upravo pravi."));
        return;
    }
    if (!ledgerFileHere(asked)) return;
    const std::string ledger = workingLedger();
    const engine::TimePoint now = programNow();
    const int copy = ++copy_;
    thread_ = std::thread([this, ledger, now, asked, copy] {
        engine::BackupOptions options;
        options.cancel = &cancel_;
        engine::BackupResult result;
        const engine::Result outcome = engine::makeBackup(ledger, now, &result, nullptr, options);
        const bool made = outcome == engine::code::Ok;
        const QString text =
            made ? QStringLiteral("Rezervna kopija je napravljena: %1 (%2 redova).")
                       .arg(fromEngine(result.copy.name))
                       .arg(result.rows)
            : outcome == engine::code::FileDamaged
                ? QStringLiteral("Rezervna kopija nije napravljena. %1").arg(damagedLedgerText(ledger))
                : QStringLiteral("Rezervna kopija nije napravljena: %1.").arg(failureWords(result.failure));
        QMetaObject::invokeMethod(
            this, [this, copy, asked, made, text] { Done(copy, asked, made, text); }, Qt::QueuedConnection);
    });
}

void LedgerBackups::Done(int copy, bool asked, bool made, const QString& text) {
    if (copy != copy_) return;
    Q_ASSERT(thread_.joinable());  // only Stop joins another way, and it gives the copy up
    if (thread_.joinable()) thread_.join();
    if (!made || asked) ShowMessage(text);
    emit Finished(made);
}

void RestoreFromBackup(LedgerBackups& backups, int showProgressAfterMs) {
    if (!ledgerFileHere(true)) return;
    const std::string ledger = workingLedger();
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(QString::fromStdString(engine::backupFolder(ledger)));
    if (runtime::execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().constFirst();
    const std::string copy = engine::resolveCopy(ledger, chosen.toStdString());
    std::uint64_t rows = 0;
    engine::BackupFailure unsound;
    engine::Result sound;
    {
        TProgressWindow progress(QStringLiteral("Kopija se proverava..."), showProgressAfterMs);
        sound = engine::countLedgerRows(copy, &rows, &unsound, progress.Reporter());
    }
    if (sound != engine::code::Ok) {
        ShowMessage(QStringLiteral("Knjiga nije vracena: %1.").arg(failureWords(unsound)));
        return;
    }
    if (!runtime::askOkCancel(QStringLiteral("Zameniti knjigu kopijom %1 (%2 redova)? Knjiga kakva je sada "
                                             "bice prvo sacuvana kao nova kopija.")
                                  .arg(QDir(chosen).dirName())
                                  .arg(rows)))
        return;
    // Every dataset closes now. An edit of a stored row under way is posted first (a post that fails stops
    // the restore with its error), so that the copy of the ledger as it is holds it; a registration not
    // confirmed with OK is never stored, as closing its window says.
    Session->PostEdits();
    backups.Stop();
    Session->Close();
    engine::RestoreResult result;
    engine::Result outcome;
    {
        TProgressWindow progress(QStringLiteral("Knjiga se vraca iz kopije..."), showProgressAfterMs);
        outcome = engine::restoreLedger(ledger, copy, programNow(), &result, nullptr, progress.Reporter());
    }
    frmUnos->Table1->Open();
    frmUnos->Query1->Open();
    const QString name = QDir(chosen).dirName();
    const QString saved = fromEngine(result.saved.name);
    if (outcome == engine::code::Ok)
        ShowMessage(
            QStringLiteral("Knjiga je vracena iz kopije %1 (%2 redova). Knjiga kakva je bila sacuvana "
                           "je kao kopija %3.")
                .arg(name)
                .arg(result.rows)
                .arg(saved));
    else if (result.replaced)
        ShowMessage(
            QStringLiteral("Knjiga je zamenjena kopijom %1, ali provera knjige posle toga nije prosla: "
                           "%2\nKnjiga kakva je bila sacuvana je kao kopija %3.")
                .arg(name, reasonWords(result.failure), saved));
    else
        ShowMessage(QStringLiteral("Knjiga nije vracena: %1.").arg(failureWords(result.failure)));
}

}  // namespace app
