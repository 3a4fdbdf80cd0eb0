// The register window "Evidencija": the name list, the search with the balance refresh, the row
// colouring of the grid and the way to the day entry window.
#include "ledger/Unit3.h"

#include "ledger/Ledger.h"
#include "ledger/Unit2.h"
#include "ledger/Unit4.h"
#include "ledger/UnitPrint.h"
#include "ledger/Windows.h"
#include "runtime/Geometry.h"
#include "runtime/PrintedDates.h"
#include "runtime/Seams.h"

TfrmEvidencija* frmEvidencija = nullptr;

TfrmEvidencija::TfrmEvidencija() : TForm(ledger::windowDescription("Unit3")) {
    FIND_COMPONENTS(Query1, DataSource1, Query2, DataSource2, Query3, Query3ukupno);
    FindLedgerTable(*this);
    FIND_COMPONENTS(PopupMenu1, Noviunos1, Stampazahtevazakoriscenjeslobodnihdana1, StampazahtevazaGO1,
                    Label1, Label2, ComboBox1, Edit1, BitBtn1, BitBtn2, DBGrid1);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Click, BitBtn1, BitBtn2, Noviunos1, Stampazahtevazakoriscenjeslobodnihdana1,
                StampazahtevazaGO1);
    HOOK_EVENTS(DrawColumnCell, DBGrid1);
}

// Refilled on every activation, showing the first name; the grid and the balance stay as they are.
void TfrmEvidencija::FormActivate(QObject*) {
    ledger::fillNameList(*ComboBox1, *Query2, ledger::nameListSql(), ledger::NameChoice::First);
}

// "Pretraga": any failure ends the command with the program's notice; nothing is undone.
void TfrmEvidencija::BitBtn1Click(QObject*) {
    try {
        SearchWorker();
    } catch (...) {
        ShowMessage(QStringLiteral("Doslo je do greske"));
    }
}

void TfrmEvidencija::SearchWorker() {
    const std::string name = ComboBox1->Text().toStdString();
    Query1->SQL().Assign(ledger::workerRowsSql(name));
    Query1->Open();
    Query3->SQL().Assign(ledger::balanceSql(name));
    Query3->Open();
    Edit1->SetText(QString::number(Query3ukupno->AsInteger()));
    // A result without rows has nowhere to keep the balance, and no row is added for it.
    if (!Query1->IsEmpty()) StoreBalanceInFirstRow();
}

// The balance goes into the row that is current right after the search: the worker's first row; a ledger
// that can only be read keeps its rows as they are, and the balance box alone shows it.
void TfrmEvidencija::StoreBalanceInFirstRow() {
    if (ledger::LedgerReadOnly()) return;
    TDataSet* rows = DBGrid1->DataSource()->DataSet();
    TField* balance = DBGrid1->Fields(BalanceColumn);
    if (!balance) throw EDatabaseError(QStringLiteral("Field 'StanjeDana' not found"));
    rows->Edit();
    balance->SetAsInteger(integerFromText(Edit1->Text()));
    rows->Post();
}

void TfrmEvidencija::BitBtn2Click(QObject*) {
    frmNoviunos->Show();
}

// Paints every cell of a row red when that row's own balance is negative, green otherwise. A result
// without a balance column (a report) keeps the grid's own colours.
void TfrmEvidencija::DBGrid1DrawColumnCell(const Rect& Rect, int DataCol, TColumn* Column,
                                           TGridDrawState State) {
    const TField* balance = DBGrid1->Fields(BalanceColumn);
    if (!balance) return;
    DBGrid1->Canvas()->Brush().SetColor(balance->AsInteger() < 0 ? NegativeBalanceColor : BalanceColor);
    DBGrid1->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

// The printed requests fill their forms from the grid's current row, read by grid column. A grid
// without a row, or showing a result without the columns read, prints nothing.
namespace {

enum RequestColumn {
    NameColumn = 3,
    ReasonColumn = 4,
    FromColumn = 5,
    ToColumn = 6,
    GrantedColumn = 7,
    UsedColumn = 8
};

QString integerText(const TField& field) {
    return QString::number(field.AsInteger());
}

// The days a request to use days asks for: the row's granted days, or, in a row of a use of days
// (nothing granted), the days used.
QString requestedDays(const TField& granted, const TField* used) {
    return integerText(granted.IsNull() && used ? *used : granted);
}

// Characters `first` to `last` of the field's text, counted from 1; what lies beyond its end is nothing.
QString characters(const TField& field, int first, int last) {
    return field.AsString().mid(first - 1, last - first + 1);
}

QString dateText(double dateTime) {
    return runtime::printedDate(datetime::toQDate(dateTime));
}

}  // namespace

std::optional<TfrmEvidencija::RequestRow> TfrmEvidencija::CurrentRequestRow() const {
    const TDataSet* rows = DBGrid1->DataSource() ? DBGrid1->DataSource()->DataSet() : nullptr;
    if (!rows || !rows->Active() || rows->IsEmpty()) return std::nullopt;
    RequestRow row{DBGrid1->Fields(NameColumn), DBGrid1->Fields(ReasonColumn),  DBGrid1->Fields(FromColumn),
                   DBGrid1->Fields(ToColumn),   DBGrid1->Fields(GrantedColumn), DBGrid1->Fields(UsedColumn)};
    if (!row.Name || !row.Reason || !row.From || !row.To || !row.Granted) return std::nullopt;
    return row;
}

void TfrmEvidencija::Noviunos1Click(QObject*) {
    const std::optional<RequestRow> row = CurrentRequestRow();
    if (!row) return;
    ledger::PreviewFreeDaysRecordRequest(integerText(*row->Granted), characters(*row->Reason, 15, 15),
                                         characters(*row->Reason, 21, 24),
                                         dateText(row->To->AsDateTime() + 1));
}

void TfrmEvidencija::Stampazahtevazakoriscenjeslobodnihdana1Click(QObject*) {
    const std::optional<RequestRow> row = CurrentRequestRow();
    if (!row) return;
    ledger::PreviewFreeDaysUseRequest(requestedDays(*row->Granted, row->Used),
                                      dateText(row->From->AsDateTime()), dateText(row->To->AsDateTime()));
}

void TfrmEvidencija::StampazahtevazaGO1Click(QObject*) {
    const std::optional<RequestRow> row = CurrentRequestRow();
    if (!row) return;
    ledger::PreviewAnnualLeaveRequest(row->Name->AsString(), requestedDays(*row->Granted, row->Used),
                                      dateText(row->From->AsDateTime()), characters(*row->Reason, 4, 8));
}
