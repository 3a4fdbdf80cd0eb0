// The application object: creation order, the run until the main form closes, and a failed start-up.
#include "runtime/Application.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <regex>

#include "QtPrinters.h"
#include "RecordedMessages.h"
#include "Recorder.h"
#include "runtime/Form.h"

namespace {

QStringList& creations() {
    static QStringList names;
    return names;
}

struct TfrmMenu : TForm {
    TfrmMenu() : TForm(QStringLiteral(":/forms/Menu.json")) { creations() << objectName(); }
};
struct TfrmPlain : TForm {
    TfrmPlain() : TForm(QStringLiteral(":/forms/Plain.json")) { creations() << objectName(); }
};
struct TfrmLayout : TForm {
    TfrmLayout() : TForm(QStringLiteral(":/forms/Layout.json")) { creations() << objectName(); }
};
struct TfrmFailing : TForm {
    TfrmFailing() : TForm(QStringLiteral(":/forms/Failing.json")) { creations() << objectName(); }
};

TfrmMenu* frmMenu = nullptr;
TfrmPlain* frmPlain = nullptr;
TfrmLayout* frmLayout = nullptr;
TfrmFailing* frmFailing = nullptr;

class Applications : public ::testing::Test {
  protected:
    void SetUp() override {
        creations().clear();
        TRecorder::registerClass();
    }
};

TEST_F(Applications, CreateFormsInOrderTheFirstBeingTheMain) {
    TApplication app;
    EXPECT_EQ(Application, &app);
    app.Initialize();
    app.CreateForm(frmMenu);
    app.CreateForm(frmPlain);
    app.CreateForm(frmLayout);
    EXPECT_EQ(creations(), QStringList({"frmMenu", "frmPlain", "frmLayout"}));
    EXPECT_EQ(app.MainForm(), frmMenu);
    EXPECT_FALSE(frmMenu->isVisible());
    EXPECT_FALSE(frmPlain->isVisible());
}

TEST_F(Applications, ClearTheFormReferencesWhenTheyEnd) {
    {
        TApplication app;
        app.CreateForm(frmMenu);
        app.CreateForm(frmPlain);
        ASSERT_NE(frmPlain, nullptr);
    }
    EXPECT_EQ(frmMenu, nullptr);
    EXPECT_EQ(frmPlain, nullptr);
    EXPECT_EQ(Application, nullptr);
}

TEST_F(Applications, RunShowsTheMainFormAndEndsWhenItClosesWithOtherFormsOpen) {
    TApplication app;
    app.Initialize();
    app.CreateForm(frmMenu);
    app.CreateForm(frmPlain);
    bool mainShownDuringRun = false;
    QTimer::singleShot(0, [&] {
        mainShownDuringRun = frmMenu->isVisible();
        frmPlain->Show();
        QTimer::singleShot(0, [&] { frmMenu->Close(); });
    });
    QTimer::singleShot(5000, [&] { app.Terminate(); });
    app.Run();
    EXPECT_TRUE(mainShownDuringRun);
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(frmMenu->isVisible());
    EXPECT_TRUE(frmPlain->isVisible());
}

TEST_F(Applications, ClosingAnotherFormKeepsTheRunGoing) {
    TApplication app;
    app.Initialize();
    app.CreateForm(frmMenu);
    app.CreateForm(frmPlain);
    QTimer::singleShot(0, [&] {
        frmPlain->Show();
        frmPlain->Close();
        QTimer::singleShot(0, [&] {
            EXPECT_FALSE(app.Terminated());
            app.MainForm()->Close();
        });
    });
    app.Run();
    EXPECT_TRUE(app.Terminated());
}

TEST_F(Applications, StopCreatingAtAFailingFormWithoutShowingTheMainForm) {
    RecordedMessages messages;
    TApplication app;
    app.Initialize();
    try {
        app.CreateForm(frmMenu);
        app.CreateForm(frmFailing);
        app.CreateForm(frmPlain);
        app.Run();
        FAIL() << "the start-up went on";
    } catch (...) {
        app.ShowStartupFailure(std::current_exception());
    }
    EXPECT_EQ(creations(), QStringList({"frmMenu"}));
    EXPECT_EQ(frmFailing, nullptr);
    EXPECT_EQ(frmPlain, nullptr);
    EXPECT_FALSE(frmMenu->isVisible());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::StartupFailure);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Application Error"));
    const std::regex text(
        "^Exception EReadError in module tests_runtime at (0x)?[0-9a-fA-F]+\\.\nTable does "
        "not exist\\. File: Kovrel\\.DB\\.$");
    EXPECT_TRUE(std::regex_search(messages.shown[0].text.toStdString(), text))
        << messages.shown[0].text.toStdString();
}

struct StartupCase {
    const char* message;
    const char* ending;
};

class StartupFailureText : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartupFailureText, EndsTheMessageWithAFullStopWhenItNeedsOne) {
    const int anything = 0;
    const QString text =
        runtime::startupFailureText(QStringLiteral("EDBEngineError"), QStringLiteral("kovrel"), &anything,
                                    QString::fromLatin1(GetParam().message));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Exception EDBEngineError in module kovrel at ")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral(".\n") + QString::fromLatin1(GetParam().ending)))
        << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Messages, StartupFailureText,
                         ::testing::Values(StartupCase{"Table does not exist", "Table does not exist."},
                                           StartupCase{"Table is busy.", "Table is busy."},
                                           StartupCase{"Lock error!", "Lock error!."},
                                           StartupCase{"Engine error (file)", "Engine error (file)."},
                                           StartupCase{"", "."}));

}  // namespace
