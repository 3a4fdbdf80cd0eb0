// The main window "Navigator": an empty frame whose menu opens the working windows.
#include "app/Unit1.h"

#include "app/Backups.h"
#include "app/UnitOProgramu.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit5.h"
#include "ledger/Unit9.h"
#include "ledger/UnitDnevnik.h"
#include "ledger/UnitKalendar.h"
#include "ledger/UnitPraznici.h"
#include "ledger/Windows.h"

TfrmNavigator* frmNavigator = nullptr;

// Outside any namespace, where Qt's resource initialiser is declared.
static void initAppResources() {
    Q_INIT_RESOURCE(app);
}

QString app::windowDescription(const char* unit) {
    initAppResources();
    return QStringLiteral(":/app/%1.json").arg(QLatin1String(unit));
}

TfrmNavigator::TfrmNavigator() : TForm(app::windowDescription("Unit1")) {
    FIND_COMPONENTS(MainMenu1, Radnik1, Unosnovogradnika1, Evidentiranjedana1, Izvestaji1,
                    Izvestajizaradnike1, Karticaradnika1, Dnevnikpromena1, Kalendarodsustva1, Podaci1,
                    Rezervnakopija1, Vracanjeizkopije1, Praznici1, Pomoc1, Oprogramu1);
    Backups = new app::LedgerBackups(this);
    HOOK_EVENTS(Click, Unosnovogradnika1, Evidentiranjedana1, Izvestajizaradnike1, Karticaradnika1,
                Dnevnikpromena1, Kalendarodsustva1, Rezervnakopija1, Vracanjeizkopije1, Praznici1,
                Oprogramu1);
}

void TfrmNavigator::Unosnovogradnika1Click(QObject*) {
    frmUnos->Show();
}

// The register always comes up from here with an empty grid: its worker-rows and balance queries are
// closed, keeping their SQL texts, until the next search.
void TfrmNavigator::Evidentiranjedana1Click(QObject*) {
    frmEvidencija->Show();
    frmEvidencija->Query1->Close();
    frmEvidencija->Query3->Close();
}

void TfrmNavigator::Izvestajizaradnike1Click(QObject*) {
    frmIzvestaji->Show();
}

void TfrmNavigator::Karticaradnika1Click(QObject*) {
    frmKartica->Show();
}

void TfrmNavigator::Dnevnikpromena1Click(QObject*) {
    frmDnevnik->Show();
}

void TfrmNavigator::Kalendarodsustva1Click(QObject*) {
    frmKalendar->Show();
}

void TfrmNavigator::Rezervnakopija1Click(QObject*) {
    Backups->Start(true);
}

void TfrmNavigator::Vracanjeizkopije1Click(QObject*) {
    app::RestoreFromBackup(*Backups);
}

void TfrmNavigator::Praznici1Click(QObject*) {
    frmPraznici->Show();
}

void TfrmNavigator::Oprogramu1Click(QObject*) {
    frmOProgramu->Show();
}
