// The journal window "Dnevnik promena": the change journal's entries by worker and days, and their CSV.
#include "ledger/UnitDnevnik.h"

#include <chrono>
#include <vector>

#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "data/DataSetCsv.h"
#include "ledger/Ledger.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

TfrmDnevnik* frmDnevnik = nullptr;

namespace {

std::string startOfDay(const QDate& date) {
    return ledger::utcStartOfLocalDay(ledger::calendarDay(date));
}

int rowCount(TDataSet& rows) {
    int count = 0;
    rows.DisableControls();
    for (rows.First(); !rows.Eof(); rows.Next()) ++count;
    rows.First();
    rows.EnableControls();
    return count;
}

}  // namespace

TfrmDnevnik::TfrmDnevnik() : TForm(ledger::windowDescription("UnitDnevnik")) {
    FIND_COMPONENTS(Query1, DataSource1, Query2, Label1, ComboBox1, CheckBox1, Label2, DateTimePicker1,
                    Label3, DateTimePicker2, BitBtn1, BitBtn2, BitBtn3, Label4, DBGrid1);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Click, CheckBox1, BitBtn1, BitBtn2, BitBtn3);
    ComboBox1->setEnabled(!CheckBox1->Checked());
}

// The names are refilled on every activation, keeping the chosen one; the entries are shown on the
// first one, for the last month.
void TfrmDnevnik::FormActivate(QObject*) {
    ledger::fillNameList(*ComboBox1, *Query2, ledger::journalNamesSql(), ledger::NameChoice::Kept);
    if (daysSet_) return;
    daysSet_ = true;
    const QDate today = runtime::today();
    DateTimePicker1->SetDate(today.addMonths(-1));
    DateTimePicker2->SetDate(today);
    BitBtn1Click(this);
}

void TfrmDnevnik::CheckBox1Click(QObject*) {
    ComboBox1->setEnabled(!CheckBox1->Checked());
}

// "Prikazi": the newest entries of the chosen worker (or of all) from the first day to the last.
void TfrmDnevnik::BitBtn1Click(QObject*) {
    ledger::JournalFilter filter;
    if (!CheckBox1->Checked()) filter.name = ComboBox1->Text().toStdString();
    filter.fromUtc = startOfDay(DateTimePicker1->Date());
    filter.toUtc = startOfDay(DateTimePicker2->Date().addDays(1));
    filter.limit = MaxEntries;
    Query1->SQL().Assign(ledger::journalSql(filter));
    Query1->Open();
    Label4->SetCaption(
        rowCount(*Query1) == MaxEntries
            ? QStringLiteral("Prikazano je najnovijih %1 promena; suzite izbor.").arg(MaxEntries)
            : QString());
}

// "Izvoz CSV": the entries shown, into a file the clerk names.
void TfrmDnevnik::BitBtn2Click(QObject*) {
    if (!Query1->Active()) return;
    const QString file = data::AskTableFileName(this, QStringLiteral("dnevnik.csv"));
    if (file.isEmpty()) return;
    std::vector<TField*> fields;
    QStringList titles;
    for (int i = 0; i < Query1->FieldCount(); ++i) {
        fields.push_back(Query1->Fields(i));
        titles << fields.back()->DisplayLabel();
    }
    data::SaveDataSetAsTable(*Query1, fields, titles, file);
}

void TfrmDnevnik::BitBtn3Click(QObject*) {
    Close();
}
