// The day entry window "Evidencija sl.dana": records one transaction of days for the worker that the
// register window shows, writing it through the register's worker-rows query.
#include "ledger/Unit4.h"

#include <chrono>
#include <functional>
#include <utility>

#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "ledger/Holidays.h"
#include "ledger/Ledger.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

TfrmNoviunos* frmNoviunos = nullptr;

namespace {

// The field that column `index` of the register grid shows in its dataset's current row.
TField* registerColumn(int index) {
    if (TField* field = frmEvidencija->DBGrid1->Fields(index)) return field;
    throw EDatabaseError(QStringLiteral("Field of grid column %1 not found").arg(index));
}

// The text of the field that column `index` of the register grid shows in its current row; empty when
// the grid shows no such field.
QString registerColumnText(int index) {
    const TField* field = frmEvidencija->DBGrid1->Fields(index);
    return field ? field->AsString() : QString();
}

// The dataset that the register grid shows: the register's worker-rows query.
TDataSet* registerRows() {
    TDataSource* source = frmEvidencija->DBGrid1->DataSource();
    if (source && source->DataSet()) return source->DataSet();
    throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

// Fills the row that `rows` has just begun or put in edit state and stores it; on a failure the row is
// abandoned, so nothing is left pending in the dataset.
void storeRow(TDataSet* rows, const std::function<void()>& fill) {
    try {
        fill();
        rows->Post();
    } catch (...) {
        if (rows->State() == DataSetState::Insert || rows->State() == DataSetState::Edit) rows->Cancel();
        throw;
    }
}

}  // namespace

TfrmNoviunos::TfrmNoviunos() : TForm(ledger::windowDescription("Unit4")) {
    FIND_COMPONENTS(Label6, Edit4, Label1, Edit1, Label4, ComboBox1, Panel1, Label8, ComboBox2, Label9,
                    ComboBox3, Label7, Edit5, Label2, DateTimePicker1, Label3, DateTimePicker2, Label5, Edit3,
                    CheckBox1, BitBtn1, BitBtn2, Label10, Query1, Query1transakcija);
    HOOK_FORM_EVENTS(Activate, Close);
    HOOK_EVENTS(Change, ComboBox1, DateTimePicker2);
    HOOK_EVENTS(Exit, ComboBox1);
    HOOK_EVENTS(Click, BitBtn1, BitBtn2);
    for (const std::string& year : ledger::laterYearItems(runtime::today().year()))
        ComboBox3->Items().Add(QString::fromStdString(year));
}

// The return from the error box of the window's own failed command leaves the boxes for correction;
// every other activation takes the worker from the register afresh: the name and the number of the
// worker whose rows the register's grid shows, both from its current row. The register's name box may
// show another name meanwhile, as it selects the first one whenever the register is activated.
void TfrmNoviunos::FormActivate(QObject*) {
    if (std::exchange(keepBoxesOnReturn_, false) && ReturningFromMessage()) return;
    ClearPlainEdits();
    CheckBox1->SetChecked(false);
    Edit1->SetText(registerColumnText(3));
    Edit4->SetText(registerColumnText(0));
    DateTimePicker1->SetDate(runtime::today());
    DateTimePicker2->SetDate(runtime::today());
    ComboBox1->setFocus();
}

void TfrmNoviunos::FormClose(QObject*) {
    keepBoxesOnReturn_ = false;
    ClearPlainEdits();
    ComboBox1->SetText(QString());
    Panel1->SetVisible(false);
}

void TfrmNoviunos::ClearPlainEdits() {
    for (TEdit* edit : {Edit1, Edit3, Edit4, Edit5}) edit->SetText(QString());
    ShowHolidaysLeftOut(0);
}

void TfrmNoviunos::ShowHolidaysLeftOut(int count) {
    Label10->SetCaption(count ? QStringLiteral("Izuzeto praznika: %1").arg(count) : QString());
    const QString told =
        count ? QStringLiteral("Radni dani od ponedeljka do petka, bez %1 praznika iz kalendara").arg(count)
              : QString();
    Edit3->setToolTip(told);
    Edit3->setAccessibleDescription(told);
}

void TfrmNoviunos::ComboBox1Change(QObject*) {
    const std::string reason = ComboBox1->Text().toStdString();
    const bool annualLeave = reason == ledger::reasonText(ledger::ReasonCode::GO) ||
                             reason == ledger::reasonText(ledger::ReasonCode::OSTATAK_OD_GO);
    Panel1->SetVisible(annualLeave);
    if (annualLeave) ComboBox2->setFocus();
}

void TfrmNoviunos::ComboBox1Exit(QObject*) {
    KeepBoxesOnFailure([this] {
        Query1->SQL().Assign(ledger::transactionNumberSql(Edit1->Text().toStdString()));
        Query1->Open();
        Edit5->SetText(Query1transakcija->AsString());
    });
}

void TfrmNoviunos::DateTimePicker2Change(QObject*) {
    const auto first = ledger::calendarDay(DateTimePicker1->Date()),
               last = ledger::calendarDay(DateTimePicker2->Date());
    std::vector<ledger::CalendarDay> calendar;
    if (const TDatabase* database = frmEvidencija->Query1->Database(); database && database->Connected())
        checkEngine(
            ledger::readCalendar(engine::currentEngine(), database->Handle(), first, last, &calendar));
    int leftOut = 0;
    const int days = ledger::workingDays(first, last, calendar, &leftOut);
    Edit3->SetText(QString::number(days));
    ShowHolidaysLeftOut(leftOut);
}

void TfrmNoviunos::BitBtn1Click(QObject*) {
    KeepBoxesOnFailure([this] { RecordRow(); });
}

void TfrmNoviunos::KeepBoxesOnFailure(const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        keepBoxesOnReturn_ = TForm::ActiveForm() == this;
        throw;
    }
}

void TfrmNoviunos::BitBtn2Click(QObject*) {
    Close();
}

void TfrmNoviunos::RecordRow() {
    if (ledger::SayIfLedgerReadOnly()) return;
    const int days = integerFromText(Edit3->Text());
    const int transaction = integerFromText(Edit5->Text());
    const int number = integerFromText(Edit4->Text());
    const bool oduzmi = CheckBox1->Checked();
    const QString razlog = QString::fromStdString(
        ledger::compositeReason(ComboBox1->Text().toStdString(), ComboBox2->Text().toStdString(),
                                ComboBox3->Text().toStdString(), oduzmi));

    TDataSet* rows = registerRows();
    rows->Insert();
    storeRow(rows, [&] {
        registerColumn(3)->SetAsString(Edit1->Text());
        registerColumn(4)->SetAsString(razlog);
        registerColumn(5)->SetAsDateTime(datetime::fromQDate(DateTimePicker1->Date()));
        registerColumn(6)->SetAsDateTime(datetime::fromQDate(DateTimePicker2->Date()));
        registerColumn(oduzmi ? 8 : 7)->SetAsInteger(days);
        registerColumn(1)->SetAsInteger(transaction);
        registerColumn(0)->SetAsInteger(number);
    });
    RefreshRegister();
}

void TfrmNoviunos::RefreshRegister() {
    TQuery* rows = frmEvidencija->Query1;
    rows->Close();
    rows->Open();
    frmEvidencija->Query3->Close();
    frmEvidencija->Query3->Open();
    const int balance = frmEvidencija->Query3ukupno->AsInteger();
    frmEvidencija->Edit1->SetText(QString::number(balance));
    if (rows->IsEmpty()) return;
    rows->Edit();
    storeRow(rows, [balance] { registerColumn(9)->SetAsInteger(balance); });
}
