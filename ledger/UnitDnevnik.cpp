// The journal window "Dnevnik promena": the change journal's entries by worker and days, and their CSV.
#include "ledger/UnitDnevnik.h"

#include <chrono>
#include <vector>

#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "data/DataSetCsv.h"
#include "ledger/Ledger.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

TfrmDnevnik* frmDnevnik = nullptr;

static QString unitDescription() {
    Q_INIT_RESOURCE(ledger);
    return QStringLiteral(":/ledger/UnitDnevnik.json");
}

namespace {

std::string startOfDay(const QDate& date) {
    return ledger::utcStartOfLocalDay(std::chrono::year_month_day{
        std::chrono::year{date.year()}, std::chrono::month{static_cast<unsigned>(date.month())},
        std::chrono::day{static_cast<unsigned>(date.day())}});
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

TfrmDnevnik::TfrmDnevnik()
    : TForm(unitDescription()),
      Query1(Component<TQuery>(QStringLiteral("Query1"))),
      DataSource1(Component<TDataSource>(QStringLiteral("DataSource1"))),
      Query2(Component<TQuery>(QStringLiteral("Query2"))),
      Label1(Component<TLabel>(QStringLiteral("Label1"))),
      ComboBox1(Component<TComboBox>(QStringLiteral("ComboBox1"))),
      CheckBox1(Component<TCheckBox>(QStringLiteral("CheckBox1"))),
      Label2(Component<TLabel>(QStringLiteral("Label2"))),
      DateTimePicker1(Component<TDateTimePicker>(QStringLiteral("DateTimePicker1"))),
      Label3(Component<TLabel>(QStringLiteral("Label3"))),
      DateTimePicker2(Component<TDateTimePicker>(QStringLiteral("DateTimePicker2"))),
      BitBtn1(Component<TBitBtn>(QStringLiteral("BitBtn1"))),
      BitBtn2(Component<TBitBtn>(QStringLiteral("BitBtn2"))),
      BitBtn3(Component<TBitBtn>(QStringLiteral("BitBtn3"))),
      Label4(Component<TLabel>(QStringLiteral("Label4"))),
      DBGrid1(Component<TDBGrid>(QStringLiteral("DBGrid1"))) {
    OnActivate = [this](QObject* sender) { FormActivate(sender); };
    CheckBox1->OnClick = [this](QObject* sender) { CheckBox1Click(sender); };
    BitBtn1->OnClick = [this](QObject* sender) { BitBtn1Click(sender); };
    BitBtn2->OnClick = [this](QObject* sender) { BitBtn2Click(sender); };
    BitBtn3->OnClick = [this](QObject* sender) { BitBtn3Click(sender); };
    ComboBox1->setEnabled(!CheckBox1->Checked());
}

// The names are refilled on every activation, keeping the chosen one; the entries are shown on the
// first one, for the last month.
void TfrmDnevnik::FormActivate(QObject*) {
    FillNameList();
    if (daysSet_) return;
    daysSet_ = true;
    const QDate today = runtime::today();
    DateTimePicker1->SetDate(today.addMonths(-1));
    DateTimePicker2->SetDate(today);
    BitBtn1Click(this);
}

void TfrmDnevnik::FillNameList() {
    const QString chosen = ComboBox1->Text();
    ComboBox1->Items().Clear();
    Query2->SQL().Assign(ledger::journalNamesSql());
    Query2->Open();
    for (Query2->First(); !Query2->Eof(); Query2->Next())
        ComboBox1->Items().Add(Query2->Fields(0)->AsString());
    Query2->Close();
    const int index = ComboBox1->Items().IndexOf(chosen);
    ComboBox1->SetItemIndex(index >= 0 ? index : 0);
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
