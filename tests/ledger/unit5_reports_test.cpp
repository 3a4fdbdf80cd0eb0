// The reports window as the clerk uses it: balances and annual leave for all workers or one, the year
// typed as a pattern, failures, and what its activation does to the register.
#include <set>

#include "ReportsLedger.h"
#include "WindowFixture.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"

namespace {

const std::vector<StoredRow>& ledgerRows = reportsLedgerRows();

// A result row as "name|stanje" or "name|razlog|stanje".
using ReportRows = std::multiset<std::string>;

class Reports : public WindowFixture {
  protected:
    void open() {
        seed(ledgerRows);
        createWindows(frmUnos, frmEvidencija, frmNoviunos, frmIzvestaji);
        showActive(*frmIzvestaji);
    }
    static void pickWorker(const QString& name) {
        frmIzvestaji->ComboBox1->SetItemIndex(frmIzvestaji->ComboBox1->findText(name));
        ASSERT_EQ(frmIzvestaji->ComboBox1->Text(), name);
    }
    static void allWorkers(bool all) {
        if (frmIzvestaji->CheckBox1->Checked() != all)
            QTest::mouseClick(frmIzvestaji->CheckBox1, Qt::LeftButton, {}, QPoint(4, 8));
    }
    static void typeYear(const QString& year) {
        frmIzvestaji->ComboBox2->setFocus();
        frmIzvestaji->ComboBox2->lineEdit()->selectAll();
        if (year.isEmpty())
            QTest::keyClick(frmIzvestaji->ComboBox2, Qt::Key_Delete);
        else
            QTest::keyClicks(frmIzvestaji->ComboBox2, year);
    }
    static void balanceReport() { QTest::mouseClick(frmIzvestaji->BitBtn1, Qt::LeftButton); }
    static void annualLeaveReport() { QTest::mouseClick(frmIzvestaji->BitBtn4, Qt::LeftButton); }

    // The rows the register's query delivers, each its fields joined by "|", stanje as an integer.
    static ReportRows shownRows() {
        ReportRows rows;
        TQuery* query = frmEvidencija->Query1;
        if (!query->Active()) return rows;
        for (query->First(); !query->Eof(); query->Next()) {
            QStringList fields;
            for (int i = 0; i < query->FieldCount(); ++i) {
                TField* field = query->Fields(i);
                fields << (field->FieldName() == "stanje" ? QString::number(field->AsInteger())
                                                          : field->AsString());
            }
            rows.insert(fields.join('|').toStdString());
        }
        return rows;
    }
    static QStringList gridTitles() {
        QStringList titles;
        TDBGridColumns& columns = frmIzvestaji->DBGrid1->Columns();
        for (int i = 0; i < columns.Count(); ++i) titles << columns.Items(i)->Title().Caption();
        return titles;
    }
};

TEST_F(Reports, ActivationFillsTheNamesAndSelectsTheFirst) {
    open();
    QStringList names = frmIzvestaji->ComboBox1->Items().ToStringList();
    EXPECT_EQ(names.size(), 3);
    names.sort();
    EXPECT_EQ(names, (QStringList{"ANIC ANA", "BOROVIC BOJAN", "O'BRIEN OLGA"}));
    EXPECT_EQ(frmIzvestaji->ComboBox1->ItemIndex(), 0);
    EXPECT_EQ(frmIzvestaji->ComboBox2->Text(), "");
    EXPECT_EQ(frmIzvestaji->DBGrid1->DataSource(), nullptr) << "bound by the first report";
}

TEST_F(Reports, BalanceOfAllWorkersLeavesAnnualLeaveOut) {
    open();
    allWorkers(true);
    EXPECT_FALSE(frmIzvestaji->ComboBox1->isEnabled());
    balanceReport();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(shownRows(), (ReportRows{"ANIC ANA|9", "BOROVIC BOJAN|4", "O'BRIEN OLGA|7"}));
    EXPECT_EQ(frmIzvestaji->DBGrid1->DataSource(), frmEvidencija->DataSource1);
    EXPECT_EQ(gridTitles().join(',').toLower(), "prezimeime,stanje") << "one column per result field";
}

TEST_F(Reports, BalanceOfOneWorkerWithAnApostropheInTheName) {
    open();
    allWorkers(true);
    allWorkers(false);
    EXPECT_TRUE(frmIzvestaji->ComboBox1->isEnabled());
    pickWorker("O'BRIEN OLGA");
    balanceReport();
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(shownRows(), ReportRows{"O'BRIEN OLGA|7"});
}

struct YearCase {
    const char* name;
    const char* year;
    bool allWorkers;
    ReportRows rows;
};

class AnnualLeave : public Reports, public ::testing::WithParamInterface<YearCase> {};

TEST_P(AnnualLeave, ListsTheGrantsWhoseReasonHoldsTheYearText) {
    open();
    allWorkers(GetParam().allWorkers);
    if (!GetParam().allWorkers) pickWorker("ANIC ANA");
    typeYear(GetParam().year);
    annualLeaveReport();
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(shownRows(), GetParam().rows);
    EXPECT_EQ(frmIzvestaji->DBGrid1->DataSource(), frmEvidencija->DataSource1);
}

INSTANTIATE_TEST_SUITE_P(
    Years, AnnualLeave,
    ::testing::Values(
        YearCase{"OneYearAllWorkers", "2012", true, {"ANIC ANA|GO 1 DEO 2012|20"}},
        YearCase{
            "ThreeDigitsSelectTheDecade",
            "201",
            true,
            {"ANIC ANA|GO 1 DEO 2012|20", "BOROVIC BOJAN|GO 2 DEO 2013|15", "O'BRIEN OLGA|GO 1 DEO 2019|12"}},
        YearCase{"EmptyYearMatchesEveryGRow",
                 "",
                 true,
                 {"ANIC ANA|GO 1 DEO 2012|20", "ANIC ANA|GO|-5", "BOROVIC BOJAN|GO 2 DEO 2013|15",
                  "O'BRIEN OLGA|GO 1 DEO 2019|12", "O'BRIEN OLGA|GO 2 DEO 2020|8"}},
        YearCase{"EmptyYearOneWorker", "", false, {"ANIC ANA|GO 1 DEO 2012|20", "ANIC ANA|GO|-5"}},
        YearCase{"OneYearOneWorker", "2012", false, {"ANIC ANA|GO 1 DEO 2012|20"}},
        YearCase{"ADoubleQuoteCannotWidenThePattern", "2012\" OR razlog like \"", true, {}},
        YearCase{"ADoubleQuoteCannotWidenThePatternOfOne", "x\" OR 1=1 OR razlog like \"", false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reports, AFailingReportSaysSoAndShowsNothing) {
    open();
    runOnLedger("alter table kovrel rename to drugo");

    balanceReport();
    annualLeaveReport();
    // Each notice is followed by the activation its closing gives the window, whose name list fails too.
    QStringList notices;
    for (const runtime::MessageRequest& message : messages)
        if (message.kind == runtime::MessageKind::Notice) notices << message.text;
    EXPECT_EQ(notices.join('|').toStdString(), "Doslo je do greske|Doslo je do greske");
    EXPECT_EQ(messages.front().text.toStdString(), "Doslo je do greske");
    EXPECT_FALSE(frmEvidencija->Query1->Active());
    EXPECT_EQ(frmIzvestaji->DBGrid1->DataSource(), frmEvidencija->DataSource1);
}

TEST_F(Reports, ActivationEmptiesTheRegistersGridUntilItsNextSearch) {
    open();
    showActive(*frmEvidencija);
    frmEvidencija->ComboBox1->SetItemIndex(frmEvidencija->ComboBox1->findText("ANIC ANA"));
    QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(frmEvidencija->Query1->Active());

    showActive(*frmIzvestaji);
    EXPECT_FALSE(frmEvidencija->Query1->Active());
    EXPECT_EQ(frmEvidencija->DBGrid1->Fields(0), nullptr);

    allWorkers(true);
    balanceReport();
    EXPECT_EQ(shownRows().size(), 3u);
    EXPECT_EQ(frmEvidencija->DBGrid1->Fields(0), nullptr) << "the register's columns find no field";

    showActive(*frmEvidencija);
    frmEvidencija->ComboBox1->SetItemIndex(frmEvidencija->ComboBox1->findText("ANIC ANA"));
    QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(frmEvidencija->Query1->Active());
    EXPECT_EQ(frmEvidencija->DBGrid1->Fields(3)->AsString(), "ANIC ANA");
    EXPECT_EQ(frmEvidencija->Query1->FieldByName("Razlog")->AsString(), "PRENOS");
    EXPECT_EQ(gridTitles().size(), frmEvidencija->Query1->FieldCount()) << "this grid follows along";
}

TEST_F(Reports, OtkaziHidesTheWindow) {
    open();
    allWorkers(true);
    balanceReport();
    EXPECT_EQ(shownRows().size(), 3u);

    QTest::mouseClick(frmIzvestaji->BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(frmIzvestaji->isVisible());
    EXPECT_TRUE(frmEvidencija->Query1->Active()) << "hiding changes no dataset";
    EXPECT_EQ(frmIzvestaji->DBGrid1->DataSource(), frmEvidencija->DataSource1);
}

}  // namespace
