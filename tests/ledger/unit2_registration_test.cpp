// The worker registration window as the clerk uses it: typing, OK, Cancel, closing, and what the
// ledger file holds afterwards.
#include "WindowFixture.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"

namespace {

class Registration : public WindowFixture {
  protected:
    void open() {
        createWindows(frmUnos, frmEvidencija);
        showActive(*frmUnos);
    }
    void type(TDBEdit* box, const QString& text) {
        box->setFocus();
        QTest::keyClicks(box, text);
    }
    void register_(const QString& name, const QString& days) {
        type(frmUnos->DBEdit2, name);
        type(frmUnos->DBEdit3, days);
        QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    }
    QString number() const { return frmUnos->DBEdit1->Text(); }
};

TEST_F(Registration, FirstStartOnAnEmptyLedgerRegistersWorkerOne) {
    open();
    EXPECT_EQ(number(), "1");
    EXPECT_TRUE(frmUnos->DBEdit2->hasFocus());
    EXPECT_FALSE(frmUnos->DBEdit1->isEnabled());

    QTest::keyClick(frmUnos->DBEdit2, Qt::Key_P);
    EXPECT_EQ(number(), "1") << "the first keystroke begins the row and the number comes back";
    EXPECT_EQ(frmUnos->Table1->State(), DataSetState::Insert);

    QTest::keyClicks(frmUnos->DBEdit2, "ETROVIC ANA");
    type(frmUnos->DBEdit3, "12");
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);

    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].RedBroj, 1.0);
    EXPECT_EQ(rows[0].PrezimeIme, "PETROVIC ANA");
    EXPECT_EQ(rows[0].Razlog, "PRENOS");
    EXPECT_EQ(rows[0].Dobijeni, 12.0);
    EXPECT_FALSE(rows[0].Iskorisceni);
    EXPECT_EQ(number(), "2");
    EXPECT_TRUE(frmUnos->DBEdit2->text().isEmpty());
    EXPECT_TRUE(frmUnos->DBEdit2->hasFocus());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Registration, WorkersInARowGetConsecutiveNumbers) {
    seed({{7, "STARI RADNIK", "PRENOS", 3, {}, {}}});
    open();
    EXPECT_EQ(number(), "8");
    register_("JOVANOVIC MARKO", "4");
    EXPECT_TRUE(frmUnos->DBEdit2->hasFocus());
    register_("ILIC JANA", "2.5");
    EXPECT_EQ(number(), "10");

    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].RedBroj, 8.0);
    EXPECT_EQ(rows[1].PrezimeIme, "JOVANOVIC MARKO");
    EXPECT_EQ(rows[2].RedBroj, 9.0);
    EXPECT_EQ(rows[2].Dobijeni, 2.5);
    EXPECT_EQ(rows[2].Razlog, "PRENOS");
}

TEST_F(Registration, EnterConfirmsAsOkDoes) {
    open();
    type(frmUnos->DBEdit2, "MARIC ZORAN");
    type(frmUnos->DBEdit3, "3");
    QTest::keyClick(frmUnos->DBEdit3, Qt::Key_Return);
    ASSERT_EQ(storedRows().size(), 1u);
    EXPECT_EQ(number(), "2");
}

struct TypedName {
    const char* typed;
    const char* stored;
};

class RegisteredName : public Registration, public ::testing::WithParamInterface<TypedName> {};

TEST_P(RegisteredName, IsStoredInUpperCaseAndCutToThirtyCharacters) {
    open();
    type(frmUnos->DBEdit2, GetParam().typed);
    EXPECT_EQ(frmUnos->DBEdit2->text(), QString(GetParam().typed).toUpper());
    type(frmUnos->DBEdit3, "1");
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].PrezimeIme, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RegisteredName,
    ::testing::Values(TypedName{"nikolic petar", "NIKOLIC PETAR"}, TypedName{"o'brien", "O'BRIEN"},
                      TypedName{"aleksandrovic-kostadinovic jovana", "ALEKSANDROVIC-KOSTADINOVIC JOV"},
                      TypedName{"abcdefghijabcdefghijabcdefghij", "ABCDEFGHIJABCDEFGHIJABCDEFGHIJ"}));

struct MissingInput {
    const char* name;
    const char* days;
};

class IncompleteRegistration : public Registration, public ::testing::WithParamInterface<MissingInput> {};

TEST_P(IncompleteRegistration, AsksForEverythingAndStoresNothing) {
    seed({{1, "PRVI", "PRENOS", 1, {}, {}}});
    open();
    type(frmUnos->DBEdit2, GetParam().name);
    type(frmUnos->DBEdit3, GetParam().days);
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);

    EXPECT_EQ(messageTexts(), QStringList{"Morate uneti sve podatke"});
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Notice);
    EXPECT_EQ(storedRows().size(), 1u);
    EXPECT_EQ(frmUnos->Table1->State(), DataSetState::Insert);
    EXPECT_EQ(number(), "2");
    EXPECT_EQ(frmUnos->DBEdit2->text(), GetParam().name);
    EXPECT_EQ(frmUnos->DBEdit3->text(), GetParam().days);

    // Completing the input then stores exactly one row.
    type(frmUnos->DBEdit2, GetParam().name[0] ? "" : "DRUGI");
    type(frmUnos->DBEdit3, GetParam().days[0] ? "" : "6");
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(storedRows().size(), 2u);
    EXPECT_EQ(number(), "3");
}

INSTANTIATE_TEST_SUITE_P(Boxes, IncompleteRegistration,
                         ::testing::Values(MissingInput{"", "5"}, MissingInput{"MARKOVIC", ""},
                                           MissingInput{"", ""}));

TEST_F(Registration, DaysThatAreNotANumberAreRefusedAndTheRowStaysPending) {
    open();
    type(frmUnos->DBEdit2, "PAVLOVIC");
    type(frmUnos->DBEdit3, "-");
    QTest::keyClick(frmUnos->DBEdit3, Qt::Key_Return);

    EXPECT_EQ(messageTexts(), QStringList{"'-' is not a valid floating point value for field 'Dobijeni'"});
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Error);
    EXPECT_TRUE(storedRows().empty());
    EXPECT_EQ(frmUnos->Table1->State(), DataSetState::Insert);
    EXPECT_EQ(frmUnos->DBEdit2->text(), "PAVLOVIC");
    EXPECT_TRUE(frmUnos->DBEdit3->hasFocus());

    frmUnos->DBEdit3->selectAll();
    type(frmUnos->DBEdit3, "5");
    QTest::keyClick(frmUnos->DBEdit3, Qt::Key_Return);
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Dobijeni, 5.0);
    EXPECT_EQ(rows[0].RedBroj, 1.0);
}

enum class ConfirmBy { OkButton, EnterKey };

class RefusedDaysWithRealBoxes : public Registration, public ::testing::WithParamInterface<ConfirmBy> {};

// The error box takes the focus from the days box; that is no second leaving of the box.
TEST_P(RefusedDaysWithRealBoxes, AreReportedOnceAndTheRowStaysPending) {
    open();
    messagesTakeTheFocus();
    type(frmUnos->DBEdit2, "PAVLOVIC");
    type(frmUnos->DBEdit3, "-");
    if (GetParam() == ConfirmBy::OkButton)
        QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    else
        QTest::keyClick(frmUnos->DBEdit3, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitForWindowActive(frmUnos));
    QApplication::processEvents();

    EXPECT_EQ(messageTexts(), QStringList{"'-' is not a valid floating point value for field 'Dobijeni'"});
    EXPECT_TRUE(storedRows().empty());
    EXPECT_EQ(frmUnos->Table1->State(), DataSetState::Insert);
    EXPECT_EQ(frmUnos->DBEdit2->text(), "PAVLOVIC");
    EXPECT_EQ(frmUnos->DBEdit3->text(), "-");
    EXPECT_TRUE(frmUnos->DBEdit3->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(Ways, RefusedDaysWithRealBoxes,
                         ::testing::Values(ConfirmBy::OkButton, ConfirmBy::EnterKey));

TEST_F(Registration, SwitchingWindowsWithADaysTextThatIsNoNumberReportsNothing) {
    open();
    type(frmUnos->DBEdit2, "PAVLOVIC");
    type(frmUnos->DBEdit3, "-");
    showActive(*frmEvidencija);
    showActive(*frmUnos);

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(frmUnos->Table1->State(), DataSetState::Insert);
    EXPECT_EQ(frmUnos->DBEdit2->text(), "PAVLOVIC");
    EXPECT_EQ(frmUnos->DBEdit3->text(), "-");
}

enum class CloseBy { CancelButton, EscapeKey, CloseBox };

class AbandonedRegistration : public Registration, public ::testing::WithParamInterface<CloseBy> {
  protected:
    void closeWindow() {
        switch (GetParam()) {
            case CloseBy::CancelButton:
                QTest::mouseClick(frmUnos->BitBtn2, Qt::LeftButton);
                break;
            case CloseBy::EscapeKey:
                QTest::keyClick(frmUnos->DBEdit2, Qt::Key_Escape);
                break;
            case CloseBy::CloseBox:
                frmUnos->close();
                break;
        }
        QApplication::processEvents();
    }
};

TEST_P(AbandonedRegistration, StoresNothingAndTheNextOpeningShowsTheSameNumber) {
    seed({{3, "TRECI", "PRENOS", 2, {}, {}}});
    open();
    EXPECT_EQ(number(), "4");
    type(frmUnos->DBEdit2, "NEPOTVRDJEN");
    type(frmUnos->DBEdit3, "9");
    closeWindow();

    EXPECT_FALSE(frmUnos->isVisible());
    EXPECT_TRUE(messages.empty());
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].PrezimeIme, "TRECI");

    showActive(*frmUnos);
    EXPECT_EQ(number(), "4");
    EXPECT_TRUE(frmUnos->DBEdit2->text().isEmpty());
    EXPECT_EQ(frmUnos->Table1->State(), DataSetState::Insert);
}

TEST_P(AbandonedRegistration, OnAnEmptyLedgerBeforeTypingSimplyCloses) {
    open();
    closeWindow();
    EXPECT_FALSE(frmUnos->isVisible());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(storedRows().empty());

    showActive(*frmUnos);
    EXPECT_EQ(number(), "1");
}

INSTANTIATE_TEST_SUITE_P(Ways, AbandonedRegistration,
                         ::testing::Values(CloseBy::CancelButton, CloseBy::EscapeKey, CloseBy::CloseBox));

TEST_F(Registration, SwitchingWindowsKeepsThePendingRowAndItsTexts) {
    seed({{1, "PRVI", "PRENOS", 1, {}, {}}});
    open();
    type(frmUnos->DBEdit2, "VRACEN");
    type(frmUnos->DBEdit3, "3");
    showActive(*frmEvidencija);
    showActive(*frmUnos);

    EXPECT_EQ(storedRows().size(), 1u);
    EXPECT_EQ(number(), "2");
    EXPECT_EQ(frmUnos->DBEdit2->text(), "VRACEN");
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].PrezimeIme, "VRACEN");
    EXPECT_EQ(rows[1].RedBroj, 2.0);
}

TEST_F(Registration, ALedgerWithoutWorkerNumbersNeverHasAStoredRowChanged) {
    seed({{{}, "BEZ BROJA", "SL.DANI", 4, {}, {}}});
    open();
    EXPECT_EQ(number(), "1");
    register_("NOVI", "2");

    const std::vector<StoredRow> rows = storedRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].PrezimeIme, "BEZ BROJA");
    EXPECT_EQ(rows[0].Razlog, "SL.DANI");
    EXPECT_FALSE(rows[0].RedBroj);
    EXPECT_EQ(rows[1].PrezimeIme, "NOVI");
    EXPECT_EQ(rows[1].RedBroj, 1.0);
}

struct StoredNumber {
    double stored;
    const char* next;  // the number the window proposes, or none when it refuses
};

class LargestNumber : public Registration, public ::testing::WithParamInterface<StoredNumber> {};

// Another program may store any number; a next number that is no whole worker number closes the window.
TEST_P(LargestNumber, GivesTheNextWorkerOrClosesTheWindowSayingWhy) {
    seed({{GetParam().stored, "DRUGI PROGRAM", "PRENOS", 1, {}, {}}});
    if (*GetParam().next) {
        open();
        register_("NOVI", "2");
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(storedRows().size(), 2u);
        ASSERT_TRUE(frmUnos->isVisible());
        EXPECT_EQ(number(), GetParam().next);
        return;
    }
    createWindows(frmUnos, frmEvidencija);
    frmUnos->Show();
    QTRY_VERIFY(!messages.empty());
    QApplication::processEvents();
    ASSERT_EQ(messageTexts().size(), 1) << messageTexts().join("|").toStdString();
    EXPECT_EQ(messages.front().kind, runtime::MessageKind::Error);
    EXPECT_TRUE(messages.front().text.startsWith("Sledeci redni broj radnika bio bi "))
        << messages.front().text.toStdString();
    EXPECT_FALSE(frmUnos->isVisible());
    EXPECT_NE(frmUnos->Table1->State(), DataSetState::Insert);
    EXPECT_EQ(storedRows().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Numbers, LargestNumber,
                         ::testing::Values(StoredNumber{2147483645, "2147483647"}, StoredNumber{1e300, ""},
                                           StoredNumber{2.5, ""}, StoredNumber{-7, ""},
                                           StoredNumber{2147483647, ""}));

TEST_F(Registration, ClosingNeverDeletesAStoredRow) {
    open();
    register_("JEDINI", "1");
    frmUnos->close();
    QApplication::processEvents();
    EXPECT_EQ(storedRows().size(), 1u);
    EXPECT_TRUE(messages.empty());
}

}  // namespace
