// The worker registration window "Unos": its layout's components and the registration steps.
#include "ledger/Unit2.h"

#include <cmath>
#include <limits>

#include "engine/ServerLedger.h"
#include "ledger/Windows.h"
#include "runtime/Exception.h"
#include "runtime/Seams.h"

TfrmUnos* frmUnos = nullptr;

void ledger::LedgerTableComponents::FindLedgerTable(const TForm& form) {
    FIND_COMPONENTS_IN(form, Table1, Table1KovrelID, Table1RedBroj, Table1Datum, Table1PrezimeIme, Table1Od,
                       Table1Do, Table1Dana, Table1StanjeDana, Table1Razlog, Table1Transakcije,
                       Table1Dobijeni, Table1Iskorisceni);
}

TfrmUnos::TfrmUnos() : TForm(ledger::windowDescription("Unit2")) {
    FindLedgerTable(*this);
    FIND_COMPONENTS(DataSource1, Query1, Query1redbr, Label1, Label2, Label3, DBEdit1, DBEdit2, DBEdit3,
                    BitBtn1, BitBtn2);
    HOOK_FORM_EVENTS(Activate, Close);
    runtime::connectGuarded(DBEdit2, &QLineEdit::textChanged, this, [this] { DBEdit2Change(DBEdit2); });
    runtime::connectGuarded(DBEdit3, &QLineEdit::textChanged, this, [this] { DBEdit3Change(DBEdit3); });
    HOOK_EVENTS(Click, BitBtn1, BitBtn2);
}

// The next-number query reads 0 (empty) when no stored row carries a worker number.
bool TfrmUnos::LedgerHasNoNumber() const {
    return Query1redbr->AsFloat() == 0;
}

// Another program may have stored any number as a worker's: the next one must be a whole number that
// the day entry, which takes the number as an integer, can carry.
bool TfrmUnos::NextNumberUsable() const {
    const double next = Query1redbr->AsFloat();
    return next >= 1 && next <= std::numeric_limits<int>::max() && next == std::floor(next);
}

// Closes the window, leaving no row pending, and says why no worker can be registered.
void TfrmUnos::RefuseNextNumber() {
    const QString next = Query1redbr->AsString();
    Close();
    throw Exception(QStringLiteral("Sledeci redni broj radnika bio bi %1, a to nije ceo broj od 1 do %2: "
                                   "neki radnik u evidenciji ima pogresan redni broj. Novi radnik se ne "
                                   "moze uneti dok se taj broj ne ispravi")
                        .arg(next)
                        .arg(std::numeric_limits<int>::max()));
}

bool TfrmUnos::RowPending() const {
    return Table1->State() == DataSetState::Insert;
}

// Begins the row to register unless one is pending. On a ledger without numbers the first worker
// gets "1" and, when the ledger is empty, the row begins with the first keystroke; a ledger that holds
// rows gets its row at once, so that typing can never change a stored row. The focus goes to the name
// box only while nothing is typed: moving it out of a box holding a wrong text would report the text
// again on every return to the window.
void TfrmUnos::FormActivate(QObject*) {
    if (ledger::LedgerReadOnly()) {
        // Said once: an activation that arrives after the window closed says nothing.
        if (!isVisible()) return;
        Close();
        ledger::SayIfLedgerReadOnly();
        return;
    }
    if (LedgerHasNoNumber()) {
        if (!RowPending()) {
            if (!Table1->IsEmpty()) Table1->Insert();
            DBEdit2->setFocus();
        }
        DBEdit1->SetText(QStringLiteral("1"));
        return;
    }
    if (!NextNumberUsable()) {
        if (isVisible()) RefuseNextNumber();  // said once, as above
        return;
    }
    if (!RowPending()) Table1->Insert();
    DBEdit1->SetText(Query1redbr->AsString());
}

// Beginning the row on an empty ledger clears the number box; the first worker's number goes back.
void TfrmUnos::DBEdit2Change(QObject*) {
    if (LedgerHasNoNumber()) DBEdit1->SetText(QStringLiteral("1"));
}

void TfrmUnos::DBEdit3Change(QObject*) {
    if (LedgerHasNoNumber()) DBEdit1->SetText(QStringLiteral("1"));
}

// Stores the pending row as the worker's carry-over and begins the next registration.
void TfrmUnos::BitBtn1Click(QObject*) {
    if (DBEdit1->Text().isEmpty() || DBEdit2->Text().isEmpty() || DBEdit3->Text().isEmpty()) {
        ShowMessage(QStringLiteral("Morate uneti sve podatke"));
        return;
    }
    Table1Razlog->SetAsString(QStringLiteral("PRENOS"));
    Table1->Insert();
    Query1->Close();
    Query1->Open();
    if (!NextNumberUsable()) RefuseNextNumber();
    DBEdit1->SetText(Query1redbr->AsString());
    DBEdit2->setFocus();
}

void TfrmUnos::BitBtn2Click(QObject*) {
    Close();
}

// A registration not confirmed with OK is never stored; a stored row is never touched by closing.
void TfrmUnos::FormClose(QObject*) {
    if (RowPending()) Table1->Cancel();
}

namespace ledger {

bool LedgerReadOnly() {
    return frmUnos && frmUnos->Table1->Active() && !frmUnos->Table1->CanModify();
}

QString ReadOnlyLedgerText() {
    const QString why =
        engine::serverConnectionIn("")
            ? QStringLiteral("uloga kojom je program prijavljen na server sme knjigu samo da cita.")
            : QStringLiteral("fajl knjige ili njegov direktorijum ne sme da se menja (dozvole).");
    return QStringLiteral(
               "Knjiga je otvorena samo za citanje: %1 Radnici, dani i izvestaji mogu da se "
               "pregledaju, stampaju i cuvaju, ali nista ne moze da se unese ni promeni, i "
               "rezervna kopija se ne pravi.")
        .arg(why);
}

bool SayIfLedgerReadOnly() {
    if (!LedgerReadOnly()) return false;
    ShowMessage(ReadOnlyLedgerText());
    return true;
}

}  // namespace ledger
