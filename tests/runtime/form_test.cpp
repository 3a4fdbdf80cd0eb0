// Forms: activation whenever a form becomes the active one, closing, the default and cancel keys, and
// where the frame goes.
#include "runtime/Form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "QtPrinters.h"
#include "RecordedMessages.h"
#include "runtime/Controls.h"
#include "runtime/Geometry.h"

namespace {

class Forms : public ::testing::Test {
  protected:
    void SetUp() override {
        plain.OnActivate = [this](QObject* sender) {
            EXPECT_EQ(sender, &plain);
            ++plainActivations;
        };
        layout.OnActivate = [this](QObject*) { ++layoutActivations; };
    }
    void TearDown() override {
        plain.hide();
        layout.hide();
    }
    static void showActive(TForm& form) {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QApplication::processEvents();
    }

    TForm plain{QStringLiteral(":/forms/Plain.json")};
    TForm layout{QStringLiteral(":/forms/Layout.json")};
    int plainActivations = 0;
    int layoutActivations = 0;
};

TEST_F(Forms, ActivateEachTimeTheyBecomeTheActiveWindow) {
    showActive(plain);
    EXPECT_EQ(plainActivations, 1);
    showActive(layout);
    EXPECT_EQ(layoutActivations, 1);
    showActive(plain);
    EXPECT_EQ(plainActivations, 2);
    EXPECT_EQ(TForm::ActiveForm(), &plain);
}

TEST_F(Forms, ShowingTheActiveFormAgainActivatesNothing) {
    showActive(plain);
    showActive(plain);
    EXPECT_EQ(plainActivations, 1);
}

TEST_F(Forms, ActivateAgainWhenAScriptedMessageWindowCloses) {
    RecordedMessages messages;
    showActive(layout);
    showActive(plain);
    ShowMessage(QStringLiteral("Morate uneti sve podatke"));
    EXPECT_EQ(plainActivations, 2);
    EXPECT_EQ(layoutActivations, 1);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Notice);
    EXPECT_EQ(messages.shown[0].caption, runtime::applicationTitle());
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Morate uneti sve podatke"));
}

TEST_F(Forms, QuestionsAnswerWhatThePersonChose) {
    showActive(plain);
    {
        RecordedMessages messages(runtime::MessageAnswer::Cancel);
        EXPECT_FALSE(runtime::askOkCancel(QStringLiteral("Delete record?")));
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Question);
    }
    RecordedMessages messages(runtime::MessageAnswer::Ok);
    EXPECT_TRUE(runtime::askOkCancel(QStringLiteral("Delete record?")));
    EXPECT_EQ(plainActivations, 3);
}

TEST_F(Forms, AFailingActivationIsReportedOnceAndNotRepeatedByItsOwnErrorBox) {
    RecordedMessages messages;
    plain.OnActivate = [this](QObject*) {
        ++plainActivations;
        throw Exception(QStringLiteral("Table is busy"));
    };
    showActive(plain);
    EXPECT_EQ(plainActivations, 1);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Table is busy."));
    EXPECT_TRUE(plain.isVisible());
}

TEST_F(Forms, CloseHidesTheFormAndRunsItsCloseHandler) {
    int closes = 0;
    plain.OnClose = [&](QObject*) { ++closes; };
    showActive(plain);
    plain.Close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(plain.isVisible());
    showActive(plain);
    EXPECT_EQ(plainActivations, 2);
}

TEST_F(Forms, AFailingCloseHandlerKeepsTheFormOpenAndIsReported) {
    RecordedMessages messages;
    plain.OnClose = [](QObject*) {
        throw Exception(QStringLiteral("Cannot perform this operation on an empty dataset"));
    };
    showActive(plain);
    plain.close();
    EXPECT_TRUE(plain.isVisible());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Cannot perform this operation on an empty dataset."));
}

TEST_F(Forms, CloseFromTheProgramHandsTheFailureToItsCaller) {
    RecordedMessages messages;
    plain.OnClose = [](QObject*) {
        throw Exception(QStringLiteral("Cannot perform this operation on an empty dataset"));
    };
    showActive(plain);
    EXPECT_THROW(plain.Close(), Exception);
    EXPECT_TRUE(plain.isVisible());
    EXPECT_TRUE(messages.shown.isEmpty());
}

struct KeyCase {
    Qt::Key key;
    const char* focused;
    const char* clicked;
};

class DefaultAndCancelKeys : public Forms, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DefaultAndCancelKeys, ClickTheButtonThatHasTheRole) {
    QStringList clicked;
    for (const char* name : {"BitBtn1", "BitBtn2"})
        plain.Component<TBitBtn>(name)->OnClick = [&](QObject* sender) { clicked << sender->objectName(); };
    showActive(plain);
    auto* focused = plain.findChild<QWidget*>(QString::fromLatin1(GetParam().focused));
    focused->setFocus();
    QTest::keyClick(focused, GetParam().key);
    EXPECT_EQ(clicked, QStringList({QString::fromLatin1(GetParam().clicked)}));
}

INSTANTIATE_TEST_SUITE_P(Keys, DefaultAndCancelKeys,
                         ::testing::Values(KeyCase{Qt::Key_Return, "Edit1", "BitBtn1"},
                                           KeyCase{Qt::Key_Enter, "Edit1", "BitBtn1"},
                                           KeyCase{Qt::Key_Escape, "Edit1", "BitBtn2"},
                                           KeyCase{Qt::Key_Return, "BitBtn2", "BitBtn2"},
                                           KeyCase{Qt::Key_Escape, "BitBtn1", "BitBtn2"}));

TEST_F(Forms, DisabledDefaultButtonIsNotClickedByEnter) {
    int clicks = 0;
    plain.Component<TBitBtn>("BitBtn1")->OnClick = [&](QObject*) { ++clicks; };
    plain.Component<TBitBtn>("BitBtn1")->setEnabled(false);
    showActive(plain);
    QTest::keyClick(plain.Component<TEdit>("Edit1"), Qt::Key_Return);
    EXPECT_EQ(clicks, 0);
}

TEST_F(Forms, PlaceTheirFrameAtTheLayoutsOuterBounds) {
    showActive(layout);
    EXPECT_EQ(layout.frameGeometry(), Rect(274, 144, 502, 323));
    EXPECT_LT(layout.width(), 502);
}

}  // namespace
