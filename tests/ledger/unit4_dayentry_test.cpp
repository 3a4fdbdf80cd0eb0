// The day entry window as the clerk uses it from the register: the counted days, the four ways a row is
// written, transaction numbers, the refreshed balance, refused entries, and what the ledger file holds.
#include <QLocale>

#include "WindowFixture.h"
#include "data/DBTables.h"
#include "ledger/Holidays.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"

namespace {

// Monday 4 March 2024.
const QDate today(2024, 3, 4);

class DayEntry : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        runtime::setClock([] { return QDateTime(today, QTime(9, 30)); });
    }
    void TearDown() override {
        WindowFixture::TearDown();
        runtime::setClock({});
    }

    void open() {
        createWindows(frmUnos, frmEvidencija, frmNoviunos, frmIzvestaji);
        showActive(*frmEvidencija);
    }
    void search(const QString& name) {
        showActive(*frmEvidencija);
        searchRegister(name);
    }
    // "Unos" in the register, as the clerk opens the window.
    void openDayEntry() {
        QTest::mouseClick(frmEvidencija->BitBtn2, Qt::LeftButton);
        waitActive(*frmNoviunos);
    }
    // The day entry for the worker `name` over a ledger holding `rows`, reached as the clerk does.
    void openDayEntryFor(const std::vector<StoredRow>& rows, const QString& name) {
        seed(rows);
        open();
        search(name);
        openDayEntry();
    }
    // The first date set as the program does, the second picked by the clerk, which counts the days.
    static void pickPeriod(const QDate& first, const QDate& last) {
        frmNoviunos->DateTimePicker1->SetDate(first);
        frmNoviunos->DateTimePicker2->setDate(last);
    }
    static void typeDays(const QString& days) {
        frmNoviunos->Edit3->setFocus();
        frmNoviunos->Edit3->selectAll();
        QTest::keyClicks(frmNoviunos->Edit3, days);
    }
    static void clickOk() {
        QTest::mouseClick(frmNoviunos->BitBtn1, Qt::LeftButton);
        QApplication::processEvents();
    }
    // A whole entry: reason (with part and year when given), a period from today, the days typed over
    // the count, and OK.
    static void enter(const QString& reason, int days, bool oduzmi = false, const QString& part = {},
                      const QString& year = {}) {
        typeInto(frmNoviunos->ComboBox1, reason);
        if (!part.isEmpty()) typeInto(frmNoviunos->ComboBox2, part);
        if (!year.isEmpty()) typeInto(frmNoviunos->ComboBox3, year);
        pickPeriod(today, today.addDays(days - 1));
        typeDays(QString::number(days));
        frmNoviunos->CheckBox1->SetChecked(oduzmi);
        clickOk();
    }
    // The text of the default error box for a text that is no whole number.
    static QString notAnInteger(const QString& text) {
        return runtime::errorBoxText(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    QString registerBalance() const { return frmEvidencija->Edit1->text(); }
};

const std::vector<StoredRow> twoWorkers = {
    {1, "ANIC ANA", "PRENOS", 10, {}, {}},
    {2, "BOROVIC BOJAN", "PRENOS", 4, {}, {}},
    {1, "ANIC ANA", "SL.DANI", {}, 3, {}},
};

struct PeriodCase {
    const char* name;
    QDate first;
    QDate last;
    const char* days;
};

class WorkingDays : public DayEntry, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(WorkingDays, PickingTheSecondDateCountsMondayToFridayWithBothEnds) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    pickPeriod(GetParam().first, GetParam().last);
    EXPECT_EQ(frmNoviunos->Edit3->text(), GetParam().days);
}

INSTANTIATE_TEST_SUITE_P(
    Periods, WorkingDays,
    ::testing::Values(PeriodCase{"MondayToFriday", QDate(2024, 3, 4), QDate(2024, 3, 8), "5"},
                      PeriodCase{"SaturdayToSunday", QDate(2024, 3, 9), QDate(2024, 3, 10), "0"},
                      PeriodCase{"FridayToMonday", QDate(2024, 3, 8), QDate(2024, 3, 11), "2"},
                      PeriodCase{"SecondBeforeFirst", QDate(2024, 3, 15), QDate(2024, 3, 11), "0"},
                      PeriodCase{"OneWednesday", QDate(2024, 3, 6), QDate(2024, 3, 6), "1"},
                      PeriodCase{"AcrossAMonthAndAYear", QDate(2023, 12, 29), QDate(2024, 1, 2), "3"}),
    [](const auto& info) { return std::string(info.param.name); });

// The calendar's weekdays leave the count, and the window says how many; a period without one shows
// nothing; the days box stays the clerk's to type over.
TEST_F(DayEntry, TheCountLeavesOutTheCalendarsHolidaysAndSaysHowMany) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    const auto before = frmNoviunos->Edit3->geometry();
    const TDatabase* database = frmEvidencija->Query1->Database();
    ASSERT_TRUE(database && database->Connected());
    ASSERT_EQ(ledger::fillStateHolidays(engine::currentEngine(), database->Handle(), 2024), engine::code::Ok);
    // 1, 2 and 3 May, and Easter Monday on 6 May; Easter Sunday and 4 May are no weekdays.
    pickPeriod(QDate(2024, 4, 29), QDate(2024, 5, 10));
    EXPECT_EQ(frmNoviunos->Edit3->text(), "6");
    EXPECT_EQ(frmNoviunos->Label10->Caption(), "Izuzeto praznika: 4");
    EXPECT_EQ(frmNoviunos->Edit3->accessibleDescription(),
              "Radni dani od ponedeljka do petka, bez 4 praznika iz kalendara");
    EXPECT_EQ(frmNoviunos->Edit3->toolTip(), frmNoviunos->Edit3->accessibleDescription());
    EXPECT_EQ(frmNoviunos->Edit3->geometry(), before);
    typeDays("8");
    EXPECT_EQ(frmNoviunos->Edit3->text(), "8");

    pickPeriod(QDate(2024, 3, 4), QDate(2024, 3, 8));
    EXPECT_EQ(frmNoviunos->Edit3->text(), "5");
    EXPECT_EQ(frmNoviunos->Label10->Caption(), "");
    EXPECT_EQ(frmNoviunos->Edit3->toolTip(), "");
}

TEST_F(DayEntry, ChangingTheFirstDateDoesNotCountAgain) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    pickPeriod(QDate(2024, 3, 4), QDate(2024, 3, 8));
    frmNoviunos->DateTimePicker1->setDate(QDate(2024, 3, 7));
    EXPECT_EQ(frmNoviunos->Edit3->text(), "5");
}

// The register's activation selects the first name in its name box while the grid keeps the searched
// worker's rows; the entry is for the worker of the grid, name and number alike.
TEST_F(DayEntry, ActivationTakesTheWorkerOfTheRegistersGridAndResetsTheEntry) {
    openDayEntryFor(twoWorkers, "BOROVIC BOJAN");
    typeInto(frmNoviunos->ComboBox1, "BO");
    typeDays("7");
    frmNoviunos->CheckBox1->SetChecked(true);
    pickPeriod(QDate(2020, 1, 1), QDate(2020, 1, 3));

    showActive(*frmEvidencija);
    ASSERT_EQ(frmEvidencija->ComboBox1->Text(), "ANIC ANA");
    showActive(*frmNoviunos);

    EXPECT_EQ(frmNoviunos->Edit1->text(), "BOROVIC BOJAN");
    EXPECT_EQ(frmNoviunos->Edit4->text(), "2");
    EXPECT_EQ(frmNoviunos->Edit3->text(), "");
    EXPECT_EQ(frmNoviunos->Edit5->text(), "");
    EXPECT_FALSE(frmNoviunos->CheckBox1->Checked());
    EXPECT_EQ(frmNoviunos->DateTimePicker1->Date(), today);
    EXPECT_EQ(frmNoviunos->DateTimePicker2->Date(), today);
    EXPECT_EQ(frmNoviunos->ComboBox1->Text(), "BO") << "the reason box keeps its text";
    EXPECT_TRUE(frmNoviunos->ComboBox1->hasFocus());

    enter("SL.DANI", 1, true);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), twoWorkers.size() + 1);
    EXPECT_EQ(rows.back().RedBroj, 2.0);
    EXPECT_EQ(rows.back().PrezimeIme, "BOROVIC BOJAN");
    EXPECT_EQ(frmNoviunos->Edit5->text(), "2") << "the transaction counts the worker's own rows";
    EXPECT_EQ(registerBalance(), "3");
}

TEST_F(DayEntry, OnlyTheTwoAnnualLeaveReasonsShowThePartAndYear) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    EXPECT_FALSE(frmNoviunos->Panel1->Visible());

    typeInto(frmNoviunos->ComboBox1, "GO");
    EXPECT_TRUE(frmNoviunos->Panel1->Visible());
    EXPECT_TRUE(frmNoviunos->ComboBox2->hasFocus());
    EXPECT_EQ(frmNoviunos->Edit5->text(), "3") << "leaving the reason box fetches the transaction";

    typeInto(frmNoviunos->ComboBox1, "go");
    EXPECT_FALSE(frmNoviunos->Panel1->Visible()) << "letter case counts";

    typeInto(frmNoviunos->ComboBox1, "OSTATAK OD GO");
    EXPECT_TRUE(frmNoviunos->Panel1->Visible());

    frmNoviunos->ComboBox1->setFocus();
    frmNoviunos->ComboBox1->SetItemIndex(-1);
    QTest::keyClick(frmNoviunos->ComboBox1, Qt::Key_Down);
    EXPECT_EQ(frmNoviunos->ComboBox1->Text(), "GO");
    EXPECT_TRUE(frmNoviunos->Panel1->Visible()) << "chosen from the list";
}

struct YearListCase {
    const char* name;
    QDate today;
    int lastYear;
};

class YearLists : public DayEntry, public ::testing::WithParamInterface<YearListCase> {};

// Both year boxes list 2010 to 2020 and then each year up to the next one, and select none.
TEST_P(YearLists, RunFrom2010ToTheNextYear) {
    const QDate day = GetParam().today;
    runtime::setClock([day] { return QDateTime(day, QTime(9, 30)); });
    open();
    QStringList years;
    for (int year = 2010; year <= GetParam().lastYear; ++year) years << QString::number(year);
    for (TComboBox* box : {frmNoviunos->ComboBox3, frmIzvestaji->ComboBox2}) {
        EXPECT_EQ(box->Items().ToStringList(), years) << box->objectName().toStdString();
        EXPECT_EQ(box->Text(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Today, YearLists,
                         ::testing::Values(YearListCase{"In2015", QDate(2015, 6, 1), 2020},
                                           YearListCase{"In2020", QDate(2020, 12, 31), 2021},
                                           YearListCase{"In2026", QDate(2026, 1, 1), 2027}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DayEntry, CancelClosesTheWindowAndClearsTheEntry) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    typeInto(frmNoviunos->ComboBox1, "GO");
    typeInto(frmNoviunos->ComboBox2, "2 DEO");
    typeDays("4");
    frmNoviunos->CheckBox1->SetChecked(true);

    QTest::keyClick(frmNoviunos, Qt::Key_Escape);
    EXPECT_FALSE(frmNoviunos->isVisible());
    EXPECT_EQ(frmNoviunos->ComboBox1->Text(), "");
    EXPECT_FALSE(frmNoviunos->Panel1->Visible());
    for (TEdit* edit : {frmNoviunos->Edit1, frmNoviunos->Edit3, frmNoviunos->Edit4, frmNoviunos->Edit5})
        EXPECT_EQ(edit->text(), "") << edit->objectName().toStdString();
    EXPECT_EQ(frmNoviunos->ComboBox2->Text(), "2 DEO");
    EXPECT_TRUE(frmNoviunos->CheckBox1->Checked()) << "reset by the next activation, not by closing";
}

struct EntryCase {
    const char* name;
    const char* reason;
    bool oduzmi;
    const char* storedReason;
    bool intoDobijeni;
    int balanceChange;
};

class FourWays : public DayEntry, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(FourWays, OneRowWithTheReasonTextAndTheDaysInTheirField) {
    const EntryCase& c = GetParam();
    seed(twoWorkers);
    open();
    search("ANIC ANA");
    ASSERT_EQ(registerBalance(), "7");
    openDayEntry();
    enter(c.reason, 5, c.oduzmi, "2 DEO", "2015");

    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), twoWorkers.size() + 1);
    const StoredRow& added = rows.back();
    EXPECT_EQ(added.PrezimeIme, "ANIC ANA");
    EXPECT_EQ(added.RedBroj, 1.0);
    EXPECT_EQ(added.Razlog, c.storedReason);
    EXPECT_EQ(added.Dobijeni, c.intoDobijeni ? std::optional(5.0) : std::nullopt);
    EXPECT_EQ(added.Iskorisceni, c.intoDobijeni ? std::nullopt : std::optional(5.0));
    EXPECT_EQ(registerBalance(), QString::number(7 + c.balanceChange));
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, FourWays,
    ::testing::Values(EntryCase{"AnnualLeaveGrant", "GO", false, "GO 2 DEO 2015", true, 0},
                      EntryCase{"RemainderGrant", "OSTATAK OD GO", false, "OSTATAK OD GO 2 DEO 2015", true,
                                5},
                      EntryCase{"AnnualLeaveUse", "GO", true, "GO", false, 0},
                      EntryCase{"RemainderUse", "OSTATAK OD GO", true, "OSTATAK OD GO", false, -5},
                      EntryCase{"OtherGrant", "SL.DANI", false, "SL.DANI", true, 5},
                      EntryCase{"OtherUse", "PLACENO", true, "PLACENO", false, -5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DayEntry, AnnualLeaveOfAYearGrantedIsStoredWithPartAndYear) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    enter("GO", 10, false, "1 DEO", "2012");
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.back().Razlog, "GO 1 DEO 2012");
    EXPECT_EQ(rows.back().Dobijeni, 10.0);
    EXPECT_EQ(registerBalance(), "7");
}

TEST_F(DayEntry, LowerCaseGoIsAnotherReason) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    enter("go", 2, false, "1 DEO", "2012");
    EXPECT_FALSE(frmNoviunos->Panel1->Visible());
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.back().Razlog, "go");
    EXPECT_EQ(rows.back().Dobijeni, 2.0);
}

TEST_F(DayEntry, TransactionNumbersCountTheWorkersRowsAndOkTwiceRepeatsTheNumber) {
    openDayEntryFor({{1, "D'ARCY DARA", "PRENOS", 6, {}, {}}, {2, "BOROVIC BOJAN", "PRENOS", 4, {}, {}}},
                    "D'ARCY DARA");
    enter("SL.DANI", 1);
    EXPECT_EQ(frmNoviunos->Edit5->text(), "2") << "the carry-over row counts";
    clickOk();

    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    for (std::size_t i : {2u, 3u}) {
        EXPECT_EQ(rows[i].PrezimeIme, "D'ARCY DARA");
        EXPECT_EQ(rows[i].Razlog, "SL.DANI");
    }
    TQuery* transactions = frmEvidencija->Query1;
    transactions->First();
    transactions->MoveBy(1);
    EXPECT_EQ(transactions->FieldByName("Transakcije")->AsInteger(), 2);
    transactions->Next();
    EXPECT_EQ(transactions->FieldByName("Transakcije")->AsInteger(), 2) << "the box is not refreshed";

    typeInto(frmNoviunos->ComboBox1, "BO");
    frmNoviunos->ComboBox3->setFocus();
    EXPECT_EQ(frmNoviunos->Edit5->text(), "4") << "leaving the reason box again";
}

TEST_F(DayEntry, AfterOkTheRegisterShowsTheNewBalanceAndItsFirstRowCarriesIt) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    enter("BO", 5);
    ASSERT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();

    EXPECT_EQ(registerBalance(), "12");
    TQuery* rows = frmEvidencija->Query1;
    ASSERT_TRUE(rows->Active());
    EXPECT_EQ(rows->State(), DataSetState::Browse);
    EXPECT_EQ(rows->FieldByName("Razlog")->AsString(), "PRENOS") << "the first delivered row is current";
    EXPECT_EQ(frmEvidencija->DBGrid1->Fields(9)->AsInteger(), 12);
    int count = 0;
    for (rows->First(); !rows->Eof(); rows->Next()) ++count;
    EXPECT_EQ(count, 3) << "the grid shows the new row with the worker's others";

    const std::vector<StoredRow> stored = storedRows();
    EXPECT_EQ(stored[0].StanjeDana, 12.0);
    EXPECT_FALSE(stored[1].StanjeDana) << "another worker's row is untouched";
    EXPECT_FALSE(stored.back().StanjeDana);

    EXPECT_TRUE(frmNoviunos->isVisible()) << "the window stays open for the next row";
    EXPECT_EQ(frmNoviunos->Edit3->text(), "5");
    EXPECT_EQ(frmNoviunos->ComboBox1->Text(), "BO");
}

TEST_F(DayEntry, TheRefreshAddsNoRowWhenTheWorkerQueryComesBackEmpty) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    // The register's query now asks for a name that the new row does not carry.
    frmEvidencija->Query1->Close();
    frmEvidencija->Query1->SQL().Clear();
    frmEvidencija->Query1->SQL().Add("select * from kovrel where prezimeime = 'NIKO'");
    frmEvidencija->Query1->Open();
    enter("BO", 2);

    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(storedRows().size(), 4u) << "the entered row only";
    EXPECT_TRUE(frmEvidencija->Query1->IsEmpty());
    EXPECT_EQ(registerBalance(), "9");
}

// What the register holds when the day entry window is opened without a worker's rows in it.
enum class RegisterState { Closed, HoldingAReport };

class WithoutWorkerRows : public DayEntry, public ::testing::WithParamInterface<RegisterState> {};

TEST_P(WithoutWorkerRows, EntryIsRefusedAndNothingIsStored) {
    seed(twoWorkers);
    open();
    search("ANIC ANA");
    if (GetParam() == RegisterState::Closed) {
        frmEvidencija->Query1->Close();
        frmEvidencija->Query3->Close();
    } else {
        showActive(*frmIzvestaji);
        QTest::mouseClick(frmIzvestaji->BitBtn1, Qt::LeftButton);
        ASSERT_TRUE(frmEvidencija->Query1->Active());
        showActive(*frmEvidencija);
    }
    openDayEntry();
    EXPECT_EQ(frmNoviunos->Edit4->text(), "");
    enter("SL.DANI", 3);

    EXPECT_EQ(messageTexts(), QStringList{notAnInteger("")});
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Error);
    EXPECT_EQ(storedRows().size(), twoWorkers.size());
    EXPECT_NE(frmEvidencija->Query1->State(), DataSetState::Insert);
}

INSTANTIATE_TEST_SUITE_P(Register, WithoutWorkerRows,
                         ::testing::Values(RegisterState::Closed, RegisterState::HoldingAReport));

TEST_F(DayEntry, DaysThatAreNoNumberAreRefusedAndKeptForCorrection) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    typeInto(frmNoviunos->ComboBox1, "BO");
    pickPeriod(today, today.addDays(1));
    typeDays("ABC");
    clickOk();

    EXPECT_EQ(messageTexts(), QStringList{notAnInteger("ABC")});
    EXPECT_EQ(storedRows().size(), twoWorkers.size());
    EXPECT_EQ(frmEvidencija->Query1->State(), DataSetState::Browse) << "nothing pending";
    EXPECT_EQ(frmNoviunos->Edit3->text(), "ABC");
    EXPECT_EQ(frmNoviunos->Edit1->text(), "ANIC ANA");
    EXPECT_EQ(frmNoviunos->Edit4->text(), "1");
    EXPECT_EQ(frmNoviunos->Edit5->text(), "3");

    typeDays("2");
    clickOk();
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), twoWorkers.size() + 1) << "the corrected row alone";
    EXPECT_EQ(rows.back().Razlog, "BO");
    EXPECT_EQ(rows.back().Dobijeni, 2.0);
}

TEST_F(DayEntry, ARowThatCannotBeStoredIsAbandoned) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    typeInto(frmNoviunos->ComboBox1, "BO");
    typeDays("2");
    ASSERT_EQ(frmNoviunos->Edit5->text(), "3");
    runOnLedger("alter table kovrel rename to drugo");
    clickOk();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Error);
    EXPECT_NE(frmEvidencija->Query1->State(), DataSetState::Insert) << "the begun row is cancelled";
    EXPECT_EQ(frmNoviunos->Edit3->text(), "2");
}

TEST_F(DayEntry, AFailedTransactionNumberKeepsTheBoxesForCorrection) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    typeDays("4");
    runOnLedger("alter table kovrel rename to drugo");
    typeInto(frmNoviunos->ComboBox1, "BO");
    frmNoviunos->Edit3->setFocus();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Error);
    EXPECT_EQ(frmNoviunos->Edit3->text(), "4");
    EXPECT_EQ(frmNoviunos->Edit1->text(), "ANIC ANA");
}

TEST_F(DayEntry, AfterARefusalTheNextReturnToTheWindowClearsItAgain) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    typeDays("1.5");
    clickOk();
    ASSERT_EQ(messageTexts(), QStringList{notAnInteger("1.5")});
    ASSERT_EQ(frmNoviunos->Edit3->text(), "1.5");

    showActive(*frmEvidencija);
    showActive(*frmNoviunos);
    EXPECT_EQ(frmNoviunos->Edit3->text(), "");
    EXPECT_EQ(frmNoviunos->Edit1->text(), "ANIC ANA");
}

enum class AfterTheErrorBox { BackToTheDayEntry, ToTheRegister };

class ErrorBoxReturn : public DayEntry, public ::testing::WithParamInterface<AfterTheErrorBox> {};

// The boxes stay for correction on the return from the error box, whenever that activation comes;
// when the register takes the activation instead, the next opening takes the worker afresh.
TEST_P(ErrorBoxReturn, KeepsTheBoxesOnlyWhenTheActivationComesBackFromTheBox) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    if (GetParam() == AfterTheErrorBox::BackToTheDayEntry) {
        messagesTakeTheFocus();
    } else {
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            messages.push_back(request);
            frmEvidencija->Show();
            EXPECT_TRUE(QTest::qWaitForWindowActive(frmEvidencija));
            return answer;
        });
    }
    typeInto(frmNoviunos->ComboBox1, "BO");
    typeDays("ABC");
    clickOk();
    ASSERT_EQ(messageTexts(), QStringList{notAnInteger("ABC")});

    if (GetParam() == AfterTheErrorBox::BackToTheDayEntry) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmNoviunos));
        QApplication::processEvents();
        EXPECT_EQ(frmNoviunos->Edit3->text(), "ABC");
        EXPECT_EQ(frmNoviunos->Edit1->text(), "ANIC ANA");
        EXPECT_EQ(frmNoviunos->Edit5->text(), "3");
        return;
    }
    search("BOROVIC BOJAN");
    openDayEntry();
    EXPECT_EQ(frmNoviunos->Edit1->text(), "BOROVIC BOJAN");
    EXPECT_EQ(frmNoviunos->Edit4->text(), "2");
    EXPECT_EQ(frmNoviunos->Edit3->text(), "");
}

INSTANTIATE_TEST_SUITE_P(Activation, ErrorBoxReturn,
                         ::testing::Values(AfterTheErrorBox::BackToTheDayEntry,
                                           AfterTheErrorBox::ToTheRegister));

struct TextCase {
    const char* text;
    bool whole;
};

class DaysText : public DayEntry, public ::testing::WithParamInterface<TextCase> {};

TEST_P(DaysText, OnlyAWholeNumberWithLeadingBlanksIsTaken) {
    openDayEntryFor(twoWorkers, "ANIC ANA");
    typeInto(frmNoviunos->ComboBox1, "BO");
    frmNoviunos->Edit3->SetText(GetParam().text);
    clickOk();
    EXPECT_EQ(storedRows().size(), twoWorkers.size() + (GetParam().whole ? 1 : 0));
    if (!GetParam().whole) {
        EXPECT_EQ(messageTexts(), QStringList{notAnInteger(GetParam().text)});
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, DaysText,
                         ::testing::Values(TextCase{"12", true}, TextCase{"  3", true}, TextCase{"+4", true},
                                           TextCase{"-2", true}, TextCase{"", false}, TextCase{"3 ", false},
                                           TextCase{"3A", false}, TextCase{"- 2", false},
                                           TextCase{"99999999999", false}));

}  // namespace
