// The reports window "frmIzvestaji": free-day balances and granted annual leave, for all workers or one,
// run on the register window's worker-rows query and shown in this window's grid.
#include "ledger/Unit5.h"

#include <string>
#include <vector>

#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "ledger/Ledger.h"
#include "ledger/Unit3.h"
#include "ledger/UnitLists.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

TfrmIzvestaji* frmIzvestaji = nullptr;

TfrmIzvestaji::TfrmIzvestaji() : TForm(ledger::windowDescription("Unit5")) {
    FIND_COMPONENTS(ComboBox1, CheckBox1, BitBtn1, BitBtn2, BitBtn3, BitBtn4, ComboBox2, DBGrid1);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Click, CheckBox1, BitBtn1, BitBtn2, BitBtn3, BitBtn4);
    for (const std::string& year : ledger::laterYearItems(runtime::today().year()))
        ComboBox2->Items().Add(QString::fromStdString(year));
}

void TfrmIzvestaji::FormActivate(QObject*) {
    frmEvidencija->Query1->Close();
    ledger::fillNameList(*ComboBox1, *frmEvidencija->Query2, ledger::nameListSql(),
                         ledger::NameChoice::First);
}

void TfrmIzvestaji::CheckBox1Click(QObject*) {
    ComboBox1->setEnabled(!CheckBox1->Checked());
}

TfrmIzvestaji::ShownList TfrmIzvestaji::ChosenList(bool annualLeave) const {
    return {annualLeave, CheckBox1->Checked(), ComboBox1->Text(), ComboBox2->Text()};
}

void TfrmIzvestaji::BitBtn1Click(QObject*) {
    ShowReport(ChosenList(false));
}

void TfrmIzvestaji::BitBtn4Click(QObject*) {
    ShowReport(ChosenList(true));
}

// "Stampa": the list the window shows, read anew on a query of its own, so the grids and the register's
// query stay as they are.
void TfrmIzvestaji::BitBtn3Click(QObject*) {
    const ShownList list = shown_.value_or(ChosenList(false));
    QString subtitle = list.allWorkers ? QStringLiteral("Svi radnici") : list.name;
    if (list.annualLeave)
        subtitle += list.year.isEmpty() ? QStringLiteral(", sve godine") : ", godina " + list.year;
    TRpDataTable rows;
    try {
        rows = list.annualLeave ? ledger::AnnualLeaveList(list.allWorkers, list.name, list.year)
                                : ledger::BalanceList(list.allWorkers, list.name);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Doslo je do greske"));
        return;
    }
    ledger::PreviewList(list.annualLeave ? ledger::ListKind::AnnualLeave : ledger::ListKind::Balance, rows,
                        subtitle);
}

void TfrmIzvestaji::BitBtn2Click(QObject*) {
    Close();
}

void TfrmIzvestaji::ShowReport(const ShownList& list) {
    const std::string name = list.name.toStdString();
    const std::string year = list.year.toStdString();
    DBGrid1->SetDataSource(frmEvidencija->DataSource1);
    try {
        TQuery* rows = frmEvidencija->Query1;
        if (list.annualLeave)
            rows->SQL().Assign(list.allWorkers ? ledger::annualLeaveReportAllSql(year)
                                               : ledger::annualLeaveReportOneSql(name, year));
        else
            rows->SQL().Assign(list.allWorkers ? ledger::balanceReportAllSql()
                                               : ledger::balanceReportOneSql(name));
        rows->Open();
        shown_ = list;
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Doslo je do greske"));
    }
}
