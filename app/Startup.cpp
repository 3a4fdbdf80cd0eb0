// The program's start-up: the application object, the long-lived windows in their fixed order, the run.
#include "app/Startup.h"

#include <QFileInfo>
#include <QTimer>

#include "app/Backups.h"
#include "app/Unit1.h"
#include "app/UnitOProgramu.h"
#include "data/DBCtrls.h"
#include "data/DBTables.h"
#include "data/DataComponents.h"
#include "engine/LedgerFile.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"
#include "ledger/Unit9.h"
#include "ledger/UnitDnevnik.h"
#include "ledger/UnitKalendar.h"
#include "ledger/UnitPraznici.h"
#include "ledger/UnitPrint.h"
#include "runtime/Application.h"
#include "runtime/Boundary.h"

namespace app {

void registerComponentClasses() {
    data::registerDataComponents();
    data::registerDataControls();
}

void CreateProgramForms(TApplication& application) {
    application.CreateForm(frmNavigator);
    application.CreateForm(frmUnos);
    application.CreateForm(frmEvidencija);
    application.CreateForm(frmNoviunos);
    application.CreateForm(frmIzvestaji);
    // The print forms live as long as the main window that owns them.
    ledger::CreatePrintForms(frmNavigator);
    // Windows the program has grown since come after the described ones.
    application.CreateForm(frmKartica);
    application.CreateForm(frmDnevnik);
    application.CreateForm(frmKalendar);
    application.CreateForm(frmPraznici);
    application.CreateForm(frmOProgramu);
}

void AddMissingLedgerIndexes(int showProgressAfterMs) {
    const std::string ledger = workingLedger();
    if (!QFileInfo::exists(QString::fromStdString(ledger))) return;
    TProgressWindow progress(QStringLiteral("Knjiga se priprema za brzu pretragu, samo ovaj put..."),
                             showProgressAfterMs);
    engine::addMissingIndexes(ledger, progress.Reporter());
}

int RunProgram() {
    int exitCode = 0;
    runtime::setErrorAdvice(damagedLedgerAdvice);
    {
        TApplication application;
        try {
            application.Initialize();
            AddMissingLedgerIndexes();
            registerComponentClasses();
            CreateProgramForms(application);
        } catch (...) {
            application.ShowStartupFailure(std::current_exception());
            exitCode = 1;
        }
        if (exitCode == 0) {
            // Once the main window is up the clerk hears that the ledger can only be read, or else the day's
            // copy of the ledger is made beside the clerk's work.
            QTimer::singleShot(0, frmNavigator->Backups, [] {
                if (!ledger::SayIfLedgerReadOnly()) frmNavigator->Backups->StartIfDue();
            });
            application.Run();
        }
    }
    // The windows and their datasets are gone; the session closes its databases and stops the engine.
    Session->Close();
    runtime::setErrorAdvice({});
    return exitCode;
}

}  // namespace app
