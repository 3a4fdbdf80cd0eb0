// The statement window "Kartica radnika": the name box, the "as of" date and the statement's preview.
#include "ledger/Unit9.h"

#include <QLocale>

#include "data/DBTables.h"
#include "ledger/Ledger.h"
#include "ledger/UnitLists.h"
#include "runtime/Controls.h"
#include "runtime/PrintedDates.h"
#include "runtime/Seams.h"

TfrmKartica* frmKartica = nullptr;

static QString unitDescription() {
    Q_INIT_RESOURCE(ledger);
    return QStringLiteral(":/ledger/Unit9.json");
}

TfrmKartica::TfrmKartica()
    : TForm(unitDescription()),
      Query1(Component<TQuery>(QStringLiteral("Query1"))),
      Label1(Component<TLabel>(QStringLiteral("Label1"))),
      ComboBox1(Component<TComboBox>(QStringLiteral("ComboBox1"))),
      Label2(Component<TLabel>(QStringLiteral("Label2"))),
      DateTimePicker1(Component<TDateTimePicker>(QStringLiteral("DateTimePicker1"))),
      BitBtn1(Component<TBitBtn>(QStringLiteral("BitBtn1"))),
      BitBtn2(Component<TBitBtn>(QStringLiteral("BitBtn2"))) {
    OnActivate = [this](QObject* sender) { FormActivate(sender); };
    BitBtn1->OnClick = [this](QObject* sender) { BitBtn1Click(sender); };
    BitBtn2->OnClick = [this](QObject* sender) { BitBtn2Click(sender); };
    DateTimePicker1->SetDate(runtime::today());
}

// Refills the names on every activation; the name chosen stays chosen while the ledger still has it.
void TfrmKartica::FormActivate(QObject*) {
    const QString chosen = ComboBox1->Text();
    ComboBox1->Items().Clear();
    Query1->SQL().Assign(ledger::nameListSql());
    Query1->Open();
    for (Query1->First(); !Query1->Eof(); Query1->Next())
        ComboBox1->Items().Add(Query1->Fields(0)->AsString());
    Query1->Close();
    const int index = ComboBox1->Items().IndexOf(chosen);
    ComboBox1->SetItemIndex(index >= 0 ? index : 0);
}

// "Prikazi": a failing query ends the command with the program's notice.
void TfrmKartica::BitBtn1Click(QObject*) {
    const QString name = ComboBox1->Text();
    const QDate asOf = DateTimePicker1->Date();
    TRpDataTable rows;
    try {
        rows = ledger::Statement(name, asOf);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Doslo je do greske"));
        return;
    }
    ledger::PreviewList(ledger::ListKind::Statement, rows,
                        QStringLiteral("%1, stanje na dan %2").arg(name, runtime::printedDate(asOf)));
}

void TfrmKartica::BitBtn2Click(QObject*) {
    Close();
}
