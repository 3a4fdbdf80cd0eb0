// The data-aware edit: the characters a field accepts, edit requests on typing, Escape, text set by
// the program, writing on leaving with the error keeping the focus, upper case and alignment.
#include <QClipboard>
#include <QFocusEvent>
#include <QLineEdit>
#include <array>

#include "tests/data/GridFixture.h"

namespace {

class EditTest : public ControlTest {
  protected:
    TDBEdit* MakeEdit(const QString& field, const QString& name = "DBEdit1") {
        auto* edit = new TDBEdit(window.get());
        edit->setObjectName(name);
        edit->setGeometry(8, 8 + 40 * int(window->findChildren<TDBEdit*>().size()), 200, 28);
        edit->SetDataField(field);
        edit->SetDataSource(source);
        return edit;
    }
    void Focus(QWidget* widget) {
        widget->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    // The window shown over a ledger of `rows` rows, with an edit of each of `fields`: DBEdit1, DBEdit2...
    template <class... Fields>
    std::array<TDBEdit*, sizeof...(Fields)> ShownEdits(int rows, const Fields&... fields) {
        MakeLedger(rows);
        int n = 0;
        const std::array<TDBEdit*, sizeof...(Fields)> edits{
            MakeEdit(fields, QStringLiteral("DBEdit%1").arg(++n))...};
        dataSet->Open();
        ShowWindow();
        return edits;
    }
    TDBEdit* ShownEdit(int rows, const QString& field) { return ShownEdits(rows, field)[0]; }
    // Types `text` over the whole text of `edit`, focused first.
    void TypeOver(TDBEdit* edit, const QString& text) {
        Focus(edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
};

struct CharCase {
    TFieldType type;
    const char* accepted;
    const char* refused;
};

class FieldCharsTest : public ::testing::TestWithParam<CharCase> {};

TEST_P(FieldCharsTest, AcceptsOnlyTheCharactersOfItsType) {
    MemoryDataSet rows({{"value", GetParam().type, 20}});
    rows.Open();
    const TField* field = rows.Fields(0);
    for (QChar ch : QString::fromLatin1(GetParam().accepted))
        EXPECT_TRUE(data::fieldAcceptsChar(field, ch)) << ch.toLatin1();
    for (QChar ch : QString::fromLatin1(GetParam().refused))
        EXPECT_FALSE(data::fieldAcceptsChar(field, ch)) << ch.toLatin1();
}

INSTANTIATE_TEST_SUITE_P(Types, FieldCharsTest,
                         ::testing::Values(CharCase{ftFloat, "0123456789+-eE.", "aXz ,/"},
                                           CharCase{ftInteger, "0123456789+-", "eE.a "},
                                           CharCase{ftString, "aZ 0-.,/", ""},
                                           CharCase{ftDate, "12./a", ""}));

TEST_F(EditTest, AFloatEditBeepsAtLettersAndTakesTheExponent) {
    TDBEdit* edit = ShownEdit(1, "Dobijeni");
    TypeOver(edit, "1x");
    EXPECT_EQ(edit->text(), "1");
    QTest::keyClicks(edit, "e2");
    EXPECT_EQ(edit->text(), "1e2");
    edit->clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(dataSet->FieldByName("Dobijeni")->AsInteger(), 100);
}

TEST_F(EditTest, TypingStartsAnEditOrOnAnEmptyDataSetAnInsert) {
    TDBEdit* edit = ShownEdit(1, "PrezimeIme");
    EXPECT_TRUE(edit->isReadOnly());
    QTest::keyClicks(edit, "X");
    EXPECT_EQ(dataSet->State(), DataSetState::Edit);
    EXPECT_FALSE(edit->isReadOnly());
    dataSet->Cancel();
    EXPECT_TRUE(edit->isReadOnly());
    dataSet->Close();

    auto empty = std::make_unique<MemoryDataSet>(ledgerColumns());
    source->SetDataSet(empty.get());
    empty->Open();
    QTest::keyClicks(edit, "Y");
    EXPECT_EQ(empty->State(), DataSetState::Insert);
    EXPECT_EQ(edit->text(), "Y");
    source->SetDataSet(nullptr);
}

TEST_F(EditTest, EscapeRestoresTheFieldValue) {
    TDBEdit* edit = ShownEdit(1, "PrezimeIme");
    TypeOver(edit, "NEKO DRUGI");
    ASSERT_EQ(edit->text(), "NEKO DRUGI");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "PETROVIC PETAR");
    EXPECT_FALSE(edit->Modified());
    dataSet->Post();
    EXPECT_EQ(dataSet->Stored(0, 3).toString(), "PETROVIC PETAR");
}

TEST_F(EditTest, ADisabledEditTakesTextFromTheProgramAndPostStoresIt) {
    MakeLedger(0);
    TDBEdit* number = MakeEdit("RedBroj");
    number->setEnabled(false);
    dataSet->Open();
    dataSet->Insert();
    number->SetText("7");
    dataSet->Post();
    ASSERT_EQ(dataSet->RowCount(), 1);
    EXPECT_EQ(dataSet->Stored(0, 1).toDouble(), 7.0);
    EXPECT_EQ(number->text(), "7");
}

TEST_F(EditTest, TextSetInBrowseStateDoesNotSurviveTheInsertThatTypingStarts) {
    MakeLedger(0);
    TDBEdit* number = MakeEdit("RedBroj");
    TDBEdit* name = MakeEdit("PrezimeIme", "DBEdit2");
    number->setEnabled(false);
    dataSet->Open();
    ShowWindow();
    number->SetText("1");
    EXPECT_TRUE(number->Modified());
    QTest::keyClicks(name, "A");
    EXPECT_EQ(dataSet->State(), DataSetState::Insert);
    EXPECT_EQ(number->text(), "");
    EXPECT_EQ(name->text(), "A");
}

// A text the float field refuses, typed or pasted (a paste passes no key filter).
struct Rejected {
    const char* text;
    bool pasted;
};

class RejectedTextTest : public EditTest, public ::testing::WithParamInterface<Rejected> {};

TEST_P(RejectedTextTest, OnLeavingKeepsTheFocusAndReportsTheError) {
    const auto [days, name] = ShownEdits(1, "Dobijeni", "PrezimeIme");
    Focus(days);
    days->selectAll();
    const QString text = QString::fromLatin1(GetParam().text);
    if (GetParam().pasted) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(days, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClicks(days, text);
    }
    ASSERT_EQ(days->text(), text);
    Focus(name);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Error);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("'%1' is not a valid floating point value for field 'Dobijeni'").arg(text));
    EXPECT_TRUE(days->hasFocus());
    EXPECT_EQ(days->selectedText(), text);
    EXPECT_EQ(dataSet->State(), DataSetState::Edit);
    dataSet->Cancel();
    EXPECT_EQ(dataSet->Stored(0, 10).toDouble(), 5.0);
}

struct FocusLoss {
    Qt::FocusReason reason;
    bool writes;
};

class EditFocusLoss : public EditTest, public ::testing::WithParamInterface<FocusLoss> {};

// Another window taking the activation, or a popup opening, is no leaving of the edit.
TEST_P(EditFocusLoss, WritesTheTextOnlyWhenTheFocusMovesWithinTheWindow) {
    TDBEdit* days = ShownEdit(1, "Dobijeni");
    TypeOver(days, "-");
    QFocusEvent leaving(QEvent::FocusOut, GetParam().reason);
    QApplication::sendEvent(days, &leaving);

    EXPECT_EQ(messages.shown.size(), GetParam().writes ? 1u : 0u);
    EXPECT_EQ(days->text(), "-");
    EXPECT_TRUE(days->Modified());
    EXPECT_EQ(dataSet->State(), DataSetState::Edit);
}

INSTANTIATE_TEST_SUITE_P(Reasons, EditFocusLoss,
                         ::testing::Values(FocusLoss{Qt::ActiveWindowFocusReason, false},
                                           FocusLoss{Qt::PopupFocusReason, false},
                                           FocusLoss{Qt::MouseFocusReason, true},
                                           FocusLoss{Qt::TabFocusReason, true}));

INSTANTIATE_TEST_SUITE_P(Edit, RejectedTextTest,
                         ::testing::Values(Rejected{"-", false}, Rejected{"nan", true},
                                           Rejected{"-inf", true}));

TEST_F(EditTest, UpperCaseEditsStoreCapitals) {
    MakeLedger(0);
    TDBEdit* name = MakeEdit("PrezimeIme");
    name->SetCharCase(ecUpperCase);
    dataSet->Open();
    ShowWindow();
    Focus(name);
    QTest::keyClicks(name, "jovan");
    EXPECT_EQ(name->text(), "JOVAN");
    dataSet->Post();
    EXPECT_EQ(dataSet->Stored(0, 3).toString(), "JOVAN");
}

TEST_F(EditTest, NumbersAreRightAlignedUntilTheEditTakesTheFocus) {
    const auto [days, name] = ShownEdits(1, "Dobijeni", "PrezimeIme");
    Focus(name);
    EXPECT_TRUE(days->alignment() & Qt::AlignRight);
    Focus(days);
    EXPECT_TRUE(days->alignment() & Qt::AlignLeft);
}

TEST_F(EditTest, AMissingFieldStopsTheOpenWithTheEditsName) {
    MakeLedger(1);
    MakeEdit("Nema", "DBEdit3");
    try {
        dataSet->Open();
        FAIL() << "expected an exception";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), "DBEdit3: Field 'Nema' not found");
    }
    EXPECT_FALSE(dataSet->Active());
}

}  // namespace
