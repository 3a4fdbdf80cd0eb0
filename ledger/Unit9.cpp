// The statement window "Kartica radnika": the name box, the "as of" date and the statement's preview.
#include "ledger/Unit9.h"

#include <QLocale>

#include "data/DBTables.h"
#include "ledger/Ledger.h"
#include "ledger/UnitLists.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"
#include "runtime/PrintedDates.h"
#include "runtime/Seams.h"

TfrmKartica* frmKartica = nullptr;

TfrmKartica::TfrmKartica() : TForm(ledger::windowDescription("Unit9")) {
    FIND_COMPONENTS(Query1, Label1, ComboBox1, Label2, DateTimePicker1, BitBtn1, BitBtn2);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Click, BitBtn1, BitBtn2);
    DateTimePicker1->SetDate(runtime::today());
}

// Refills the names on every activation; the name chosen stays chosen while the ledger still has it.
void TfrmKartica::FormActivate(QObject*) {
    ledger::fillNameList(*ComboBox1, *Query1, ledger::nameListSql(), ledger::NameChoice::Kept);
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
