// The worker registration window "Unos": enters a new worker with the days carried over, one after
// another, each under the next free worker number.
#pragma once

#include "data/DBCtrls.h"
#include "data/DBTables.h"
#include "runtime/Controls.h"
#include "runtime/Form.h"

namespace ledger {

// The ledger table and its twelve fields in their stored order, as the registration and the register
// windows both hold them.
struct LedgerTableComponents {
    TTable* Table1;
    TFloatField* Table1KovrelID;
    TFloatField* Table1RedBroj;
    TDateField* Table1Datum;
    TStringField* Table1PrezimeIme;
    TDateField* Table1Od;
    TDateField* Table1Do;
    TFloatField* Table1Dana;
    TFloatField* Table1StanjeDana;
    TStringField* Table1Razlog;
    TFloatField* Table1Transakcije;
    TFloatField* Table1Dobijeni;
    TFloatField* Table1Iskorisceni;

  protected:
    void FindLedgerTable(const TForm& form);
};

}  // namespace ledger

// Registers workers. While the window is in use at most one new row of Table1 is pending; its number,
// name and days are edited through DBEdit1..3 and stored by OK together with the reason "PRENOS".
// Query1 yields the next free worker number; it is re-run after each stored row only. On an empty
// ledger no row is pending until the first keystroke, and the number box shows "1". On a ledger that can
// only be read the window says so and closes; so it does, with an error, when the next number is no whole
// number from 1 to the largest int: no worker is registered then.
class TfrmUnos : public TForm, public ledger::LedgerTableComponents {
    Q_OBJECT

  public:
    TfrmUnos();

    TDataSource* DataSource1;
    TQuery* Query1;
    TFloatField* Query1redbr;
    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;
    TDBEdit* DBEdit1;
    TDBEdit* DBEdit2;
    TDBEdit* DBEdit3;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    void FormActivate(QObject* Sender);
    void FormClose(QObject* Sender);
    void DBEdit2Change(QObject* Sender);
    void DBEdit3Change(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);

  private:
    bool LedgerHasNoNumber() const;
    bool NextNumberUsable() const;
    [[noreturn]] void RefuseNextNumber();
    bool RowPending() const;
};

extern TfrmUnos* frmUnos;

namespace ledger {

// Whether the ledger can only be read: its file or folder may not be written, or the server's role that
// logged in may only read it. The registration window's table tells, having opened it for reading alone.
bool LedgerReadOnly();

// What the clerk is told about a ledger that can only be read, once at start-up and by each window that
// would write to it: that it is so, why, and what that means.
QString ReadOnlyLedgerText();

// Tells ReadOnlyLedgerText() when the ledger can only be read, and answers whether it did.
bool SayIfLedgerReadOnly();

}  // namespace ledger
