// The shell: start-up order, the main window and its menu, the run until the main window closes, and a
// start-up that fails because the ledger cannot be opened.
#include "app/Startup.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/Unit1.h"
#include "app/UnitOProgramu.h"
#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"
#include "ledger/Unit9.h"
#include "ledger/UnitDnevnik.h"
#include "ledger/UnitKalendar.h"
#include "ledger/UnitPraznici.h"
#include "runtime/Application.h"
#include "runtime/Geometry.h"
#include "runtime/Seams.h"
#include "runtime/UserSettings.h"
#include "tests/GridMouse.h"
#include "tests/WorkingDirectory.h"

void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Keeps what the message windows would have shown, answering OK.
class RecordedMessages {
  public:
    RecordedMessages() {
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            shown.push_back(request);
            visibleWindowsWhenShown.push_back(visibleWindows());
            return runtime::MessageAnswer::Ok;
        });
    }
    ~RecordedMessages() { runtime::setMessageHandler({}); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    static int visibleWindows() {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) count += widget->isVisible() ? 1 : 0;
        return count;
    }

    QList<runtime::MessageRequest> shown;
    QList<int> visibleWindowsWhenShown;
};

// Runs each test in a temporary working directory, with an empty ledger unless the test removes it.
class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        ASSERT_EQ(engine::createLedgerFile(directory.ledgerPath()), engine::code::Ok);
    }
    // The program's end closed the session's databases and shut the engine down.
    static void ExpectTheSessionEnded() {
        EXPECT_FALSE(Session->Active());
        EXPECT_TRUE(Session->Databases().empty());
        engine::SessionHandle handle = engine::NoHandle;
        EXPECT_EQ(engine::currentEngine().currentSession(&handle), engine::code::NotInitialised);
    }

    WorkingDirectory directory;
};

class CreatedShell : public Shell {
  protected:
    void SetUp() override {
        Shell::SetUp();
        application.Initialize();
        app::registerComponentClasses();
        app::CreateProgramForms(application);
    }
    static void waitUntilActive(TForm* form) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        QApplication::processEvents();
    }
    TApplication application;
};

struct Window {
    const char* name;
    const char* caption;
    Rect bounds;
};

class CreatedWindows : public CreatedShell, public ::testing::WithParamInterface<std::pair<int, Window>> {};

TEST_P(CreatedWindows, ComeInTheirOrderHiddenWithTheirCaptionsAndBounds) {
    const auto& [index, window] = GetParam();
    ASSERT_EQ(application.FormCount(), 10);
    TForm* form = application.Forms(index);
    EXPECT_EQ(form->objectName(), QString::fromLatin1(window.name));
    EXPECT_EQ(form->Caption(), QString::fromLatin1(window.caption));
    EXPECT_EQ(form->DesignedBounds(), window.bounds);
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_FALSE(form->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, CreatedWindows,
    ::testing::Values(std::pair{0, Window{"frmNavigator", "Navigator", {135, 143, 979, 563}}},
                      std::pair{1, Window{"frmUnos", "Unos", {189, 284, 444, 369}}},
                      std::pair{2, Window{"frmEvidencija", "Evidencija", {187, 182, 711, 474}}},
                      std::pair{3, Window{"frmNoviunos", "Evidencija sl.dana", {274, 144, 502, 323}}},
                      std::pair{4, Window{"frmIzvestaji", "frmIzvestaji", {585, 189, 522, 531}}},
                      std::pair{5, Window{"frmKartica", "Kartica radnika", {320, 220, 345, 205}}},
                      std::pair{6, Window{"frmDnevnik", "Dnevnik promena", {160, 120, 780, 500}}},
                      std::pair{7, Window{"frmKalendar", "Kalendar odsustva", {120, 90, 980, 620}}},
                      std::pair{8, Window{"frmPraznici", "Praznici", {200, 140, 562, 432}}},
                      std::pair{9, Window{"frmOProgramu", "O programu", {300, 200, 420, 250}}}));

TEST_F(CreatedShell, MakesTheNavigatorTheMainWindowAndTheGlobalsReachEveryWindow) {
    EXPECT_EQ(application.MainForm(), frmNavigator);
    EXPECT_EQ(application.Forms(1), frmUnos);
    EXPECT_EQ(application.Forms(2), frmEvidencija);
    EXPECT_EQ(application.Forms(3), frmNoviunos);
    EXPECT_EQ(application.Forms(4), frmIzvestaji);
    EXPECT_EQ(application.Forms(5), frmKartica);
    EXPECT_EQ(application.Forms(6), frmDnevnik);
    EXPECT_EQ(application.Forms(7), frmKalendar);
    EXPECT_EQ(application.Forms(8), frmPraznici);
    EXPECT_EQ(application.Forms(9), frmOProgramu);
}

TEST_F(CreatedShell, GivesTheNavigatorOnlyItsMenu) {
    QStringList menu;
    for (QAction* top : frmNavigator->MainMenu1->actions()) {
        menu << top->text();
        for (QAction* item : top->menu()->actions()) menu << QStringLiteral("  ") + item->text();
    }
    EXPECT_EQ(menu, QStringList({"&Radnik", "  &Unos novog radnika", "  &Evidentiranje dana...", "&Izvestaji",
                                 "  &Izvestaji za radnike", "  &Kartica radnika", "  &Dnevnik promena",
                                 "  Kalendar &odsustva", "&Podaci", "  &Rezervna kopija",
                                 "  &Vracanje iz kopije...", "  &Praznici", "P&omoc", "  &O programu"}));
    // A screen reader reads the captions without the mark of their letter.
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(frmNavigator->MainMenu1);
    ASSERT_NE(bar, nullptr);
    QStringList read;
    for (int i = 0; i < bar->childCount(); ++i) read << bar->child(i)->text(QAccessible::Name);
    EXPECT_EQ(read, QStringList({"Radnik", "Izvestaji", "Podaci", "Pomoc"}));
    const auto children = frmNavigator->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList controls;
    for (QWidget* child : children)
        if (!child->isWindow() && child != frmNavigator->MainMenu1) controls << child->objectName();
    EXPECT_TRUE(controls.isEmpty()) << controls.join(QLatin1Char(' ')).toStdString();
}

// Alt with a menu's letter opens it, F10 the first menu, and an item's letter chooses it.
TEST_F(CreatedShell, TheMenusOpenWithTheirLettersAndF10) {
    frmNavigator->Show();
    waitUntilActive(frmNavigator);
    const auto openedBy = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(frmNavigator->windowHandle(), key, modifiers);
        QApplication::processEvents();
        QWidget* popup = QApplication::activePopupWidget();
        const QString title = popup ? static_cast<QMenu*>(popup)->title() : QString();
        if (popup) QTest::keyClick(popup, Qt::Key_Escape);
        if (QApplication::activePopupWidget()) QTest::keyClick(frmNavigator->windowHandle(), Qt::Key_Escape);
        return title;
    };
    EXPECT_EQ(openedBy(Qt::Key_R, Qt::AltModifier), "&Radnik");
    EXPECT_EQ(openedBy(Qt::Key_I, Qt::AltModifier), "&Izvestaji");
    EXPECT_EQ(openedBy(Qt::Key_P, Qt::AltModifier), "&Podaci");
    EXPECT_EQ(openedBy(Qt::Key_O, Qt::AltModifier), "P&omoc");
    EXPECT_EQ(openedBy(Qt::Key_F10, Qt::NoModifier), "&Radnik");

    QTest::keyClick(frmNavigator->windowHandle(), Qt::Key_I, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_K);
    waitUntilActive(frmKartica);
}

struct MenuCommand {
    const char* item;
    const char* window;
};

class MenuCommands : public CreatedShell, public ::testing::WithParamInterface<MenuCommand> {};

TEST_P(MenuCommands, ShowTheirWindowAndAgainTheSameOne) {
    frmNavigator->Show();
    waitUntilActive(frmNavigator);
    auto* item = frmNavigator->Component<TMenuItem>(QString::fromLatin1(GetParam().item));
    TForm* window = nullptr;
    for (int i = 0; i < application.FormCount(); ++i)
        if (application.Forms(i)->objectName() == QString::fromLatin1(GetParam().window))
            window = application.Forms(i);
    ASSERT_NE(window, nullptr);
    int activations = 0;
    window->OnActivate = [&](QObject*) { ++activations; };

    item->Click();
    waitUntilActive(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(activations, 1);

    frmNavigator->Show();
    waitUntilActive(frmNavigator);
    const int topLevelsBefore = int(QApplication::topLevelWidgets().size());
    item->Click();
    waitUntilActive(window);
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(int(QApplication::topLevelWidgets().size()), topLevelsBefore);
    EXPECT_EQ(application.FormCount(), 10);
    EXPECT_EQ(TForm::ActiveForm(), window);
}

INSTANTIATE_TEST_SUITE_P(Navigator, MenuCommands,
                         ::testing::Values(MenuCommand{"Unosnovogradnika1", "frmUnos"},
                                           MenuCommand{"Evidentiranjedana1", "frmEvidencija"},
                                           MenuCommand{"Izvestajizaradnike1", "frmIzvestaji"},
                                           MenuCommand{"Karticaradnika1", "frmKartica"},
                                           MenuCommand{"Dnevnikpromena1", "frmDnevnik"},
                                           MenuCommand{"Kalendarodsustva1", "frmKalendar"},
                                           MenuCommand{"Praznici1", "frmPraznici"},
                                           MenuCommand{"Oprogramu1", "frmOProgramu"}));

// "O programu" names the ledger in use each time it comes up: the file here, then a server's.
TEST_F(CreatedShell, AboutTellsTheVersionTheLedgerInUseAndWhatTheProgramIsBuiltOn) {
    frmNavigator->Oprogramu1->Click();
    waitUntilActive(frmOProgramu);
    EXPECT_EQ(frmOProgramu->Label1->text(), "Kovrel");
    EXPECT_TRUE(frmOProgramu->Label3->text().startsWith("Verzija 1."))
        << frmOProgramu->Label3->text().toStdString();
    EXPECT_EQ(frmOProgramu->Label4->text(), "Knjiga: " + directory.filePath("Kovrel.DB"));
    EXPECT_EQ(frmOProgramu->Label5->text(),
              QStringLiteral("Qt %1, SQLite %2").arg(qVersion(), QString::fromLatin1(sqlite3_libversion())));
    EXPECT_TRUE(frmOProgramu->Label6->text().startsWith("Licenca: "))
        << frmOProgramu->Label6->text().toStdString();

    QTest::mouseClick(frmOProgramu->BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(frmOProgramu->isVisible());
    Session->Close();
    ASSERT_TRUE(QFile::remove(directory.filePath("Kovrel.DB")));
    QFile server(directory.filePath("Kovrel.server"));
    ASSERT_TRUE(server.open(QIODevice::WriteOnly));
    server.write("host=ledger.example\ndbname=kovrel user=ana\n");
    server.close();
    frmNavigator->Oprogramu1->Click();
    waitUntilActive(frmOProgramu);
    EXPECT_EQ(frmOProgramu->Label4->text(), "Knjiga: na serveru ledger.example, baza kovrel");
}

TEST_F(CreatedShell, RegisterComesUpFromTheMenuWithItsQueriesClosed) {
    frmEvidencija->Query1->Open();
    frmEvidencija->Query3->Open();
    const QString rowsSql = frmEvidencija->Query1->SQL().Text();
    frmNavigator->Evidentiranjedana1->Click();
    EXPECT_TRUE(frmEvidencija->isVisible());
    EXPECT_FALSE(frmEvidencija->Query1->Active());
    EXPECT_FALSE(frmEvidencija->Query3->Active());
    EXPECT_EQ(frmEvidencija->Query1->SQL().Text(), rowsSql);
}

TEST_F(CreatedShell, WindowIsActivatedAgainWhenAMessageOverItCloses) {
    int activations = 0;
    frmUnos->OnActivate = [&](QObject*) { ++activations; };
    frmNavigator->Unosnovogradnika1->Click();
    waitUntilActive(frmUnos);
    ASSERT_EQ(activations, 1);
    RecordedMessages messages;
    ShowMessage(QStringLiteral("Morate uneti sve podatke"));
    EXPECT_EQ(activations, 2);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::Notice);
}

// What the clerk arranged comes back in the next run: a window's place and a dragged column's width, kept
// in the settings the program is told to use (here a temporary folder's); the first run has the designed
// ones.
TEST_F(Shell, WindowPlacesAndDraggedColumnWidthsComeBackInTheNextRun) {
    QTemporaryDir settings;
    runtime::useUserSettings(settings.path());
    const auto run = [](const std::function<void()>& work) {
        TApplication application;
        application.Initialize();
        app::registerComponentClasses();
        app::CreateProgramForms(application);
        work();
        Session->Close();
    };
    const auto dragged = [] {
        TDBGrid* grid = frmDnevnik->DBGrid1;
        return grid->Columns().Items(1)->Width();
    };
    int designedWidth = 0;
    run([&] {
        frmDnevnik->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmDnevnik));
        EXPECT_EQ(frmDnevnik->pos(), QPoint(160, 120));
        designedWidth = dragged();
        dragTitleBorder(*frmDnevnik->DBGrid1, 1, 25);
        frmDnevnik->move(240, 180);
        frmDnevnik->Close();
    });
    run([&] {
        frmDnevnik->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmDnevnik));
        EXPECT_EQ(frmDnevnik->pos(), QPoint(240, 180));
        EXPECT_EQ(dragged(), designedWidth + 25);
    });
    runtime::useNoUserSettings();
}

TEST_F(Shell, RunEndsWhenTheMainWindowClosesWithOtherWindowsOpen) {
    bool navigatorShown = false;
    bool otherWindowOpen = false;
    QTimer::singleShot(0, [&] {
        navigatorShown = frmNavigator && frmNavigator->isVisible();
        frmNavigator->Izvestajizaradnike1->Click();
        QTimer::singleShot(0, [&] {
            otherWindowOpen = frmIzvestaji->isVisible();
            frmNavigator->Close();
        });
    });
    EXPECT_EQ(app::RunProgram(), 0);
    EXPECT_TRUE(navigatorShown);
    EXPECT_TRUE(otherWindowOpen);
    EXPECT_EQ(frmNavigator, nullptr);
    EXPECT_EQ(frmIzvestaji, nullptr);
    EXPECT_EQ(Application, nullptr);
    ExpectTheSessionEnded();
}

TEST_F(Shell, StopsBeforeTheMainWindowWhenTheLedgerCannotBeOpened) {
    ASSERT_TRUE(QFile::remove(QStringLiteral("Kovrel.DB")));
    RecordedMessages messages;
    QTimer::singleShot(0, [] {
        if (Application) Application->Terminate();
    });
    EXPECT_EQ(app::RunProgram(), 1);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].kind, runtime::MessageKind::StartupFailure);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Application Error"));
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Exception E")))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral(" in module tests_app at ")));
    EXPECT_TRUE(messages.shown[0].text.endsWith(QLatin1Char('.')));
    EXPECT_EQ(messages.visibleWindowsWhenShown[0], 0);
    EXPECT_EQ(frmNavigator, nullptr);
    ExpectTheSessionEnded();
}

}  // namespace
