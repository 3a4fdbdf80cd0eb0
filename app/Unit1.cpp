// The main window "Navigator": an empty frame whose menu opens the working windows.
#include "app/Unit1.h"

#include "app/Backups.h"
#include "app/UnitOProgramu.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit5.h"
#include "ledger/Unit9.h"
#include "ledger/UnitDnevnik.h"

TfrmNavigator* frmNavigator = nullptr;

static QString unitDescription() {
    Q_INIT_RESOURCE(app);
    return QStringLiteral(":/app/Unit1.json");
}

TfrmNavigator::TfrmNavigator()
    : TForm(unitDescription()),
      MainMenu1(Component<TMainMenu>("MainMenu1")),
      Radnik1(Component<TMenuItem>("Radnik1")),
      Unosnovogradnika1(Component<TMenuItem>("Unosnovogradnika1")),
      Evidentiranjedana1(Component<TMenuItem>("Evidentiranjedana1")),
      Izvestaji1(Component<TMenuItem>("Izvestaji1")),
      Izvestajizaradnike1(Component<TMenuItem>("Izvestajizaradnike1")),
      Karticaradnika1(Component<TMenuItem>("Karticaradnika1")),
      Dnevnikpromena1(Component<TMenuItem>("Dnevnikpromena1")),
      Podaci1(Component<TMenuItem>("Podaci1")),
      Rezervnakopija1(Component<TMenuItem>("Rezervnakopija1")),
      Vracanjeizkopije1(Component<TMenuItem>("Vracanjeizkopije1")),
      Pomoc1(Component<TMenuItem>("Pomoc1")),
      Oprogramu1(Component<TMenuItem>("Oprogramu1")),
      Backups(new app::LedgerBackups(this)) {
    Unosnovogradnika1->OnClick = [this](QObject* sender) { Unosnovogradnika1Click(sender); };
    Evidentiranjedana1->OnClick = [this](QObject* sender) { Evidentiranjedana1Click(sender); };
    Izvestajizaradnike1->OnClick = [this](QObject* sender) { Izvestajizaradnike1Click(sender); };
    Karticaradnika1->OnClick = [this](QObject* sender) { Karticaradnika1Click(sender); };
    Dnevnikpromena1->OnClick = [this](QObject* sender) { Dnevnikpromena1Click(sender); };
    Rezervnakopija1->OnClick = [this](QObject* sender) { Rezervnakopija1Click(sender); };
    Vracanjeizkopije1->OnClick = [this](QObject* sender) { Vracanjeizkopije1Click(sender); };
    Oprogramu1->OnClick = [this](QObject* sender) { Oprogramu1Click(sender); };
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

void TfrmNavigator::Rezervnakopija1Click(QObject*) {
    Backups->Start(true);
}

void TfrmNavigator::Vracanjeizkopije1Click(QObject*) {
    app::RestoreFromBackup(*Backups);
}

void TfrmNavigator::Oprogramu1Click(QObject*) {
    frmOProgramu->Show();
}
