// The standard controls driven as a person drives them: typing, choosing, clicking, leaving.
#include "runtime/Controls.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "QtPrinters.h"
#include "RecordedMessages.h"
#include "runtime/Form.h"

namespace {

class Controls : public ::testing::Test {
  protected:
    void SetUp() override {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override { form.hide(); }

    TForm form{QStringLiteral(":/forms/Layout.json")};
    TEdit* edit = form.Component<TEdit>("Edit1");
    TComboBox* reason = form.Component<TComboBox>("ComboBox1");
};

TEST_F(Controls, UpperCaseEditTurnsEveryTypedKeyIntoOneUpperCaseChange) {
    QStringList changes;
    edit->OnChange = [&](QObject*) { changes << edit->Text(); };
    QTest::keyClicks(edit, QStringLiteral("Mika o'Neil"));
    EXPECT_EQ(edit->Text(), QStringLiteral("MIKA O'NEIL"));
    EXPECT_EQ(changes.size(), 11);
    for (const QString& text : changes) EXPECT_EQ(text, text.toUpper());
}

TEST_F(Controls, UpperCaseEditAlsoRaisesPastedAndAssignedTexts) {
    edit->SetText(QStringLiteral("petrovic"));
    EXPECT_EQ(edit->Text(), QStringLiteral("PETROVIC"));
    QApplication::clipboard()->setText(QStringLiteral(" marko"));
    edit->end(false);
    edit->paste();
    EXPECT_EQ(edit->Text(), QStringLiteral("PETROVIC MARKO"));
}

TEST_F(Controls, DisabledEditShowsTheProgramsTextButTakesNoInputOrFocus) {
    auto* number = form.Component<TEdit>("Edit4");
    number->setFocus();
    EXPECT_NE(QApplication::focusWidget(), number);
    QTest::keyClicks(number, QStringLiteral("99"));
    EXPECT_EQ(number->Text(), QStringLiteral("7"));
    number->SetText(QStringLiteral("12"));
    EXPECT_EQ(number->Text(), QStringLiteral("12"));
}

TEST_F(Controls, ComboBoxKeepsATypedTextExactlyAsTyped) {
    auto* year = form.Component<TComboBox>("ComboBox3");
    form.Component<TPanel>("Panel1")->SetVisible(true);
    year->setFocus();
    QTest::keyClicks(year, QStringLiteral("201"));
    EXPECT_EQ(year->Text(), QStringLiteral("201"));
    EXPECT_EQ(year->ItemIndex(), -1);
    QTest::keyClick(year, Qt::Key_Return);
    EXPECT_EQ(year->Text(), QStringLiteral("201"));
    EXPECT_EQ(year->Items().Count(), 5);
}

TEST_F(Controls, ComboBoxChangeRunsForTypingAndChoosingButNotForTheProgram) {
    QStringList changes;
    reason->OnChange = [&](QObject*) { changes << reason->Text(); };
    reason->SetItemIndex(1);
    reason->SetText(QStringLiteral("DRUGO"));
    reason->Items().Clear();
    reason->Items().Add(QStringLiteral("GO"));
    reason->Items().Add(QStringLiteral("BO"));
    EXPECT_TRUE(changes.isEmpty());

    reason->setFocus();
    reason->SetItemIndex(0);
    QTest::keyClick(reason, Qt::Key_Down);
    EXPECT_EQ(changes, QStringList({"BO"}));
    EXPECT_EQ(reason->ItemIndex(), 1);
    reason->lineEdit()->selectAll();
    QTest::keyClicks(reason, QStringLiteral("go"));
    EXPECT_EQ(changes, QStringList({"BO", "g", "go"}));
}

// Enter after typing `typed` into the reasons (GO, SL.DANI, OSTATAK OD GO), with Down pressed `downs`
// times and then Esc if `escape`, goes to the window's OK button once, with the text it leaves in the box.
struct TypeAheadCase {
    const char* typed;
    bool typeAhead;
    int downs;
    bool escape;
    const char* confirmed;
};

class ComboBoxTypeAhead : public Controls, public ::testing::WithParamInterface<TypeAheadCase> {
  protected:
    void press(char key) { QTest::keyClick(form.windowHandle(), key); }
    void press(Qt::Key key) { QTest::keyClick(form.windowHandle(), key); }
};

TEST_P(ComboBoxTypeAhead, EnterConfirmsTheChosenOfferOrTheTypedTextOnce) {
    reason->SetTypeAhead(GetParam().typeAhead);
    QStringList confirmed;
    form.Component<TBitBtn>("BitBtn1")->OnClick = [&](QObject*) { confirmed << reason->Text(); };
    QString changed;
    reason->OnChange = [&](QObject*) { changed = reason->Text(); };
    reason->setFocus();
    reason->lineEdit()->clear();
    for (const char* key = GetParam().typed; *key; ++key) press(*key);
    QApplication::processEvents();
    if (GetParam().typeAhead) {
        ASSERT_TRUE(reason->Offers()->isVisible());
    }
    for (int i = 0; i < GetParam().downs; ++i) press(Qt::Key_Down);
    if (GetParam().escape) press(Qt::Key_Escape);
    press(Qt::Key_Return);
    EXPECT_EQ(confirmed, QStringList{QString::fromLatin1(GetParam().confirmed)});
    EXPECT_EQ(reason->Text(), QString::fromLatin1(GetParam().confirmed));
    EXPECT_EQ(changed, QString::fromLatin1(GetParam().confirmed)) << "a chosen offer is a change";
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Offers, ComboBoxTypeAhead,
                         ::testing::Values(TypeAheadCase{"go", false, 0, false, "go"},
                                           TypeAheadCase{"go", true, 0, false, "go"},
                                           TypeAheadCase{"go", true, 1, false, "GO"},
                                           TypeAheadCase{"go", true, 2, false, "OSTATAK OD GO"},
                                           TypeAheadCase{"go", true, 2, true, "go"},
                                           TypeAheadCase{"SL.DANI", false, 0, false, "SL.DANI"},
                                           TypeAheadCase{"SL.DANI", true, 0, false, "SL.DANI"}));

TEST_F(Controls, TypeAheadOffersGoOnAClickElsewhereWhichStillClicks) {
    int clicks = 0;
    form.Component<TBitBtn>("BitBtn1")->OnClick = [&](QObject*) { ++clicks; };
    reason->SetTypeAhead(true);
    reason->setFocus();
    QTest::keyClick(form.windowHandle(), 'o');
    QApplication::processEvents();
    ASSERT_TRUE(reason->Offers()->isVisible());
    // Through the window, as the mouse's clicks come, so that the shown list sees the press first.
    auto* ok = form.Component<TBitBtn>("BitBtn1");
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, ok->mapTo(&form, ok->rect().center()));
    QApplication::processEvents();
    EXPECT_FALSE(reason->Offers()->isVisible());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(QApplication::activeWindow(), &form);
}

struct IndexCase {
    int index;
    int selected;
    const char* text;
};

class ComboBoxIndex : public Controls, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(ComboBoxIndex, SelectsAnItemOrNone) {
    reason->SetText(QStringLiteral("typed"));
    reason->SetItemIndex(GetParam().index);
    EXPECT_EQ(reason->ItemIndex(), GetParam().selected);
    EXPECT_EQ(reason->Text(), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Indexes, ComboBoxIndex,
                         ::testing::Values(IndexCase{0, 0, "GO"}, IndexCase{2, 2, "OSTATAK OD GO"},
                                           IndexCase{-1, -1, ""}, IndexCase{3, -1, ""}));

TEST_F(Controls, SelectingTheFirstItemOfAnEmptyListLeavesTheTextEmpty) {
    reason->Items().Clear();
    reason->SetItemIndex(0);
    EXPECT_EQ(reason->ItemIndex(), -1);
    EXPECT_EQ(reason->Text(), QString());
    EXPECT_THROW(reason->Items().Strings(0), EListError);
}

TEST_F(Controls, ComboBoxExitRunsWhenTheFocusMovesToAnotherControl) {
    int exits = 0;
    reason->OnExit = [&](QObject*) { ++exits; };
    reason->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), reason);
    QTest::keyClick(reason, Qt::Key_Tab);
    EXPECT_EQ(exits, 1);
    reason->setFocus();
    QTest::mouseClick(form.Component<TBitBtn>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(exits, 2);
}

TEST_F(Controls, ComboBoxExitHappensBeforeTheClickedButtonsHandler) {
    QStringList events;
    reason->OnExit = [&](QObject*) { events << "exit"; };
    form.Component<TBitBtn>("BitBtn1")->OnClick = [&](QObject*) { events << "click"; };
    reason->setFocus();
    QTest::mouseClick(form.Component<TBitBtn>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(events, QStringList({"exit", "click"}));
}

TEST_F(Controls, AFailingHandlerIsReportedAndTheControlGoesOnWorking) {
    RecordedMessages messages;
    reason->OnExit = [](QObject*) {
        throw Exception(QStringLiteral("Cannot perform this operation on a closed dataset"));
    };
    reason->setFocus();
    QTest::keyClick(reason, Qt::Key_Tab);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Cannot perform this operation on a closed dataset."));
    EXPECT_NE(QApplication::focusWidget(), reason);
}

TEST_F(Controls, CheckBoxClickRunsForThePersonsClickOnly) {
    auto* box = form.Component<TCheckBox>("CheckBox1");
    int clicks = 0;
    box->OnClick = [&](QObject*) { ++clicks; };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 0);
    box->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(box->Checked());
}

class DatePicker : public Controls {
  protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
        picker = new TDateTimePicker(&form);
        Controls::SetUp();
    }
    void TearDown() override {
        Controls::TearDown();
        QLocale::setDefault(QLocale::c());
    }
    TDateTimePicker* picker = nullptr;
};

TEST_F(DatePicker, ShowsTheDateOnlyInTheLocalesShortFormat) {
    picker->SetDate(QDate(2012, 3, 7));
    EXPECT_EQ(picker->displayFormat(), QLocale().dateFormat(QLocale::ShortFormat));
    EXPECT_EQ(picker->text(), QLocale().toString(QDate(2012, 3, 7), QLocale::ShortFormat));
    EXPECT_TRUE(picker->calendarPopup());
}

TEST_F(DatePicker, RaisesChangeForThePersonsChangeOnly) {
    int changes = 0;
    picker->OnChange = [&](QObject*) { ++changes; };
    picker->SetDate(QDate(2012, 3, 7));
    picker->SetDateTime(QDateTime(QDate(2012, 3, 9), QTime(10, 30)));
    EXPECT_EQ(changes, 0);
    picker->setFocus();
    picker->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(picker, Qt::Key_Up);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picker->Date(), QDate(2012, 3, 10));
    EXPECT_EQ(picker->DateTime(), QDateTime(QDate(2012, 3, 10), QTime(10, 30)));
}

int countPixels(const QImage& image, bool (*matches)(QColor)) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += matches(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool greenish(QColor c) {
    return c.alpha() > 128 && c.green() > 90 && c.red() < 60 && c.blue() < 60;
}
bool reddish(QColor c) {
    return c.alpha() > 128 && c.red() > 140 && c.green() < 60 && c.blue() < 60;
}

TEST(Glyphs, AreAGreenCheckAndARedCross) {
    const QImage ok = runtime::okGlyph().toImage();
    const QImage cancel = runtime::cancelGlyph().toImage();
    EXPECT_EQ(ok.size(), QSize(18, 18));
    EXPECT_EQ(cancel.size(), QSize(18, 18));
    EXPECT_GT(countPixels(ok, greenish), 20);
    EXPECT_EQ(countPixels(ok, reddish), 0);
    EXPECT_GT(countPixels(cancel, reddish), 20);
    EXPECT_EQ(countPixels(cancel, greenish), 0);
    // The check's low point is left of its middle; the cross meets in the middle and reaches the corners.
    EXPECT_TRUE(greenish(ok.pixelColor(7, 13)));
    EXPECT_FALSE(greenish(ok.pixelColor(13, 13)));
    for (QPoint at : {QPoint(9, 9), QPoint(5, 5), QPoint(13, 5), QPoint(5, 13), QPoint(13, 13)})
        EXPECT_TRUE(reddish(cancel.pixelColor(at))) << at.x() << "," << at.y();
    EXPECT_FALSE(reddish(cancel.pixelColor(9, 3)));
}

}  // namespace
