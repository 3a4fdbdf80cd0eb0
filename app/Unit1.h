// The main window "Navigator": an empty frame whose menu opens the working windows.
#pragma once

#include "runtime/Form.h"
#include "runtime/Menus.h"

namespace app {
class LedgerBackups;

// The resource path of the description of the window `unit` of the program's frame (":/app/Unit1.json"
// for "Unit1"), with its resources loaded.
QString windowDescription(const char* unit);
}  // namespace app

class TfrmNavigator : public TForm {
    Q_OBJECT

  public:
    TfrmNavigator();

    TMainMenu* MainMenu1;
    TMenuItem* Radnik1;
    TMenuItem* Unosnovogradnika1;
    TMenuItem* Evidentiranjedana1;
    TMenuItem* Izvestaji1;
    TMenuItem* Izvestajizaradnike1;
    TMenuItem* Karticaradnika1;
    TMenuItem* Dnevnikpromena1;
    TMenuItem* Kalendarodsustva1;
    TMenuItem* Podaci1;
    TMenuItem* Rezervnakopija1;
    TMenuItem* Vracanjeizkopije1;
    TMenuItem* Praznici1;
    TMenuItem* Pomoc1;
    TMenuItem* Oprogramu1;

    // The ledger's copies, made beside the clerk's work; they go with this window.
    app::LedgerBackups* Backups;

    void Unosnovogradnika1Click(QObject* Sender);
    void Evidentiranjedana1Click(QObject* Sender);
    void Izvestajizaradnike1Click(QObject* Sender);
    void Karticaradnika1Click(QObject* Sender);
    void Dnevnikpromena1Click(QObject* Sender);
    void Kalendarodsustva1Click(QObject* Sender);
    void Rezervnakopija1Click(QObject* Sender);
    void Vracanjeizkopije1Click(QObject* Sender);
    void Praznici1Click(QObject* Sender);
    void Oprogramu1Click(QObject* Sender);
};

extern TfrmNavigator* frmNavigator;
