// The whole road of a transaction of days from the main menu, over a new ledger: register a worker,
// find the worker, enter days, see the balance, and list both reports; and what a screen reader finds
// on the way.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/Startup.h"
#include "app/Unit1.h"
#include "data/DBCtrls.h"
#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"
#include "ledger/Unit9.h"
#include "ledger/UnitDnevnik.h"
#include "report/RpPreview.h"
#include "report/RpPrinter.h"
#include "report/RpStandardPreview.h"
#include "runtime/Application.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"
#include "tests/ledger/WindowFixture.h"

namespace {

class Road : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        runtime::setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(8, 0)); });
    }
    void TearDown() override {
        WindowFixture::TearDown();
        runtime::setClock({});
    }

    static void waitActive(TForm* form) { WindowFixture::waitActive(*form); }
    static void type(QWidget* box, const QString& text) {
        box->setFocus();
        QTest::keyClicks(box, text);
    }
    // The program's windows as at start, none shown.
    void createProgram() {
        TApplication& application = newApplication();
        app::registerComponentClasses();
        app::CreateProgramForms(application);
    }
    static void registerWorker(const QString& name, const QString& days) {
        frmUnos->Show();
        waitActive(frmUnos);
        type(frmUnos->DBEdit2, name);
        type(frmUnos->DBEdit3, days);
        QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    }

    // "name|reason|Transakcije|Dobijeni|Iskorisceni|StanjeDana" for each stored row, in stored order.
    QStringList storedRowTexts() const {
        QStringList rows;
        for (const QStringList& row : rowsOf("select PrezimeIme, Razlog, Transakcije, Dobijeni, Iskorisceni, "
                                             "StanjeDana from kovrel order by rowid"))
            rows << row.join('|');
        return rows;
    }

    // The report rows that the reports window's grid shows, fields joined by "|".
    static QStringList reportRows() {
        QStringList rows;
        TDataSet* shown = frmIzvestaji->DBGrid1->DataSource()->DataSet();
        for (shown->First(); !shown->Eof(); shown->Next()) {
            QStringList fields;
            for (int i = 0; i < shown->FieldCount(); ++i) fields << shown->Fields(i)->AsString();
            rows << fields.join('|');
        }
        return rows;
    }
};

TEST_F(Road, ATransactionFromRegistrationToTheReports) {
    createProgram();
    frmNavigator->Show();
    waitActive(frmNavigator);

    // Register a worker with 12 days carried over.
    frmNavigator->Unosnovogradnika1->Click();
    waitActive(frmUnos);
    type(frmUnos->DBEdit2, "PETROVIC PETAR");
    type(frmUnos->DBEdit3, "12");
    QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(storedRowTexts(), QStringList{"PETROVIC PETAR|PRENOS||12.0||"});

    // Find the worker in the register.
    frmNavigator->Evidentiranjedana1->Click();
    waitActive(frmEvidencija);
    EXPECT_FALSE(frmEvidencija->Query1->Active()) << "the register comes up empty";
    ASSERT_EQ(frmEvidencija->ComboBox1->Text(), "PETROVIC PETAR");
    QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(frmEvidencija->Edit1->text(), "12");

    // Use three free days, Monday to Wednesday, then grant annual leave of 2020.
    QTest::mouseClick(frmEvidencija->BitBtn2, Qt::LeftButton);
    waitActive(frmNoviunos);
    EXPECT_EQ(frmNoviunos->Edit1->text(), "PETROVIC PETAR");
    EXPECT_EQ(frmNoviunos->Edit4->text(), "1");
    frmNoviunos->ComboBox1->lineEdit()->selectAll();
    type(frmNoviunos->ComboBox1, "SL.DANI");
    frmNoviunos->DateTimePicker2->setDate(QDate(2024, 3, 6));
    EXPECT_EQ(frmNoviunos->Edit3->text(), "3");
    QTest::mouseClick(frmNoviunos->CheckBox1, Qt::LeftButton, {}, QPoint(4, 8));
    QTest::mouseClick(frmNoviunos->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(frmEvidencija->Edit1->text(), "9");

    frmNoviunos->ComboBox1->lineEdit()->selectAll();
    type(frmNoviunos->ComboBox1, "GO");
    type(frmNoviunos->ComboBox2, "1 DEO");
    type(frmNoviunos->ComboBox3, "2020");
    frmNoviunos->CheckBox1->SetChecked(false);
    frmNoviunos->Edit3->selectAll();
    type(frmNoviunos->Edit3, "10");
    QTest::mouseClick(frmNoviunos->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(frmEvidencija->Edit1->text(), "9") << "annual leave leaves the balance alone";
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(storedRowTexts(),
              (QStringList{"PETROVIC PETAR|PRENOS||12.0||9.0", "PETROVIC PETAR|SL.DANI|2.0||3.0|",
                           "PETROVIC PETAR|GO 1 DEO 2020|3.0|10.0||"}));

    // Both reports for the worker.
    frmNavigator->Izvestajizaradnike1->Click();
    waitActive(frmIzvestaji);
    EXPECT_FALSE(frmEvidencija->Query1->Active());
    ASSERT_EQ(frmIzvestaji->ComboBox1->Text(), "PETROVIC PETAR");
    QTest::mouseClick(frmIzvestaji->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(reportRows(), QStringList{"PETROVIC PETAR|9"});
    type(frmIzvestaji->ComboBox2, "2020");
    QTest::mouseClick(frmIzvestaji->BitBtn4, Qt::LeftButton);
    EXPECT_EQ(reportRows(), QStringList{"PETROVIC PETAR|GO 1 DEO 2020|10"});
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
}

// The controls a person acts on (focusable ones, buttons) that a screen reader finds no name for. A
// table's cells are texts, read through the table.
QStringList unnamedControls(QAccessibleInterface* node) {
    QStringList unnamed;
    if (!node || node->state().invisible) return unnamed;
    if ((node->state().focusable || node->role() == QAccessible::PushButton) &&
        node->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << (node->object() ? node->object()->objectName() : QString()) +
                       QString::number(node->role());
    for (int i = 0; node->role() != QAccessible::Table && i < node->childCount(); ++i)
        unnamed << unnamedControls(node->child(i));
    return unnamed;
}

std::string spoken(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name).toStdString();
}

// Checks the next print preview that opens, once its pages are made, then closes it. Its first page
// reads `line` as one of its lines.
void checkPreviewsWhenOpen(int* previews, const QString& line) {
    QTimer::singleShot(5, [previews, line] {
        auto* window = qobject_cast<TRpStandardPreview*>(QApplication::activeWindow());
        if (!window || !window->Preview().Printer() || window->Preview().Printer()->Progress() < 100) {
            checkPreviewsWhenOpen(previews, line);
            return;
        }
        ++*previews;
        EXPECT_EQ(unnamedControls(QAccessible::queryAccessibleInterface(window)), QStringList());
        EXPECT_EQ(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window);
        EXPECT_FALSE(spoken(window).empty());
        // The page reads as its printed texts, line by line.
        QAccessibleInterface* page = QAccessible::queryAccessibleInterface(&window->Preview().Image());
        EXPECT_EQ(page->role(), QAccessible::Document);
        EXPECT_EQ(page->text(QAccessible::Name), "Page 1");
        ASSERT_NE(page->textInterface(), nullptr);
        EXPECT_TRUE(page->textInterface()->text(0, -1).split('\n').contains(line))
            << page->textInterface()->text(0, -1).toStdString();
        EXPECT_EQ(spoken(&window->Preview()),
                  QString("Page 1 of %1").arg(window->Preview().Printer()->PageCount()).toStdString());
        EXPECT_EQ(spoken(window->findChild<QToolButton*>("NextPage")), "Next page");
        window->findChild<QPushButton*>("Exit")->click();
    });
}

TEST_F(Road, AScreenReaderNamesEveryControlAndReadsTheRegistersRows) {
    createProgram();
    frmNoviunos->Panel1->SetVisible(true);
    for (TForm* window : std::initializer_list<TForm*>{frmNavigator, frmUnos, frmEvidencija, frmNoviunos,
                                                       frmIzvestaji, frmKartica, frmDnevnik}) {
        window->Show();
        waitActive(window);
        EXPECT_EQ(unnamedControls(QAccessible::queryAccessibleInterface(window)), QStringList())
            << window->objectName().toStdString();
        // A window shown modeless, the main one first, is a frame to a screen reader.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window)
            << window->objectName().toStdString();
    }
    // The boxes are empty, so each speaks its name: its label's caption, or a name of its own.
    EXPECT_EQ(spoken(frmUnos->DBEdit2), "Prezime i ime");
    EXPECT_EQ(spoken(frmEvidencija->Edit1), "Stanje dana");
    EXPECT_EQ(spoken(frmNoviunos->ComboBox3), "God");
    EXPECT_EQ(spoken(frmNoviunos->DateTimePicker2), "Do");
    EXPECT_EQ(spoken(frmIzvestaji->ComboBox2), "Godina");
    EXPECT_EQ(spoken(frmKartica->DateTimePicker1), "Stanje na dan");
    EXPECT_EQ(spoken(frmDnevnik->ComboBox1), "Radnik");

    for (const char* days : {"12", "3"}) registerWorker("PETROVIC MARKO", days);
    frmEvidencija->Show();
    waitActive(frmEvidencija);
    QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(frmEvidencija->DBGrid1);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 2);
    ASSERT_EQ(table->columnCount(), 10);
    EXPECT_EQ(table->cellAt(0, 3)->text(QAccessible::Name), "PETROVIC MARKO");
    EXPECT_EQ(table->cellAt(1, 7)->text(QAccessible::Name), "3");
    EXPECT_EQ(table->cellAt(0, 9)->text(QAccessible::Name), "15");
    const QList<QAccessibleInterface*> titles =
        table->cellAt(1, 9)->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles[0]->text(QAccessible::Name), "StanjeDana");

    // The focus a screen reader asks the grid for is its current cell, wherever the keys move it.
    const auto focusedCell = [grid] {
        QAccessibleInterface* cell = grid->focusChild();
        if (!cell || !cell->state().focused) return std::pair{-1, -1};
        return std::pair{cell->tableCellInterface()->rowIndex(), cell->tableCellInterface()->columnIndex()};
    };
    EXPECT_EQ(focusedCell(), std::pair(-1, -1));
    frmEvidencija->DBGrid1->setFocus();
    QTest::keyClick(frmEvidencija->DBGrid1, Qt::Key_Right);
    EXPECT_EQ(focusedCell(), std::pair(0, 1));
    QTest::keyClick(frmEvidencija->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(focusedCell(), std::pair(1, 1));

    int previews = 0;
    const std::pair<void (TfrmEvidencija::*)(QObject*), QString> requests[] = {
        {&TfrmEvidencija::Noviunos1Click,
         "Prijavljujem radi evidntiranja da mi je 3 dana od dela godisnjeg odmora za"},
        {&TfrmEvidencija::Stampazahtevazakoriscenjeslobodnihdana1Click,
         "Molim Vas da mi odobrite koriscenje 3 dana koje bih koristio/la"},
        {&TfrmEvidencija::StampazahtevazaGO1Click, "1. PETROVIC MARKO 3 12/30/1899 NOS"}};
    for (const auto& [command, line] : requests) {
        checkPreviewsWhenOpen(&previews, line);
        (frmEvidencija->*command)(nullptr);
    }
    // The printed lists: the balances and the worker's statement.
    frmIzvestaji->Show();
    waitActive(frmIzvestaji);
    checkPreviewsWhenOpen(&previews, "PETROVIC MARKO 15");
    QTest::mouseClick(frmIzvestaji->BitBtn3, Qt::LeftButton);
    frmKartica->Show();
    waitActive(frmKartica);
    checkPreviewsWhenOpen(&previews, "PRENOS 3 15");
    QTest::mouseClick(frmKartica->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(previews, 5);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
}

// Each name box offers the names that hold the typed text, in any letter case; Enter takes the one
// marked with the arrow keys. With the offers shown, one click of the mouse on a button of the window
// closes them and clicks the button.
TEST_F(Road, EveryNameBoxOffersTheWorkersWhoseNameHoldsTheTypedText) {
    createProgram();
    registerWorker("ANIC ANA", "5");
    registerWorker("PETROVIC MARKO", "7");
    const std::pair<TForm*, const char*> windows[] = {{frmEvidencija, "BitBtn1"},
                                                      {frmIzvestaji, "BitBtn2"},
                                                      {frmKartica, "BitBtn2"},
                                                      {frmDnevnik, "BitBtn3"}};
    for (auto [window, buttonName] : windows) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->Show();
        waitActive(window);
        auto* box = window->findChild<TComboBox*>("ComboBox1");
        ASSERT_TRUE(box->TypeAhead());
        if (!box->isEnabled()) window->findChild<TCheckBox*>("CheckBox1")->click();  // "Svi radnici"
        const auto typeInBox = [&](const char* text) {
            box->setFocus();
            box->lineEdit()->selectAll();
            for (const char* key = text; *key; ++key) QTest::keyClick(window->windowHandle(), *key);
            QApplication::processEvents();
        };
        typeInBox("ark");
        ASSERT_TRUE(box->Offers()->isVisible());
        EXPECT_EQ(box->Offers()->model()->rowCount(), 1);
        QTest::keyClick(window->windowHandle(), Qt::Key_Down);
        QTest::keyClick(window->windowHandle(), Qt::Key_Return);
        EXPECT_EQ(box->Text(), "PETROVIC MARKO");
        EXPECT_FALSE(box->Offers()->isVisible());

        typeInBox("PETROVIC MARKO");
        ASSERT_TRUE(box->Offers()->isVisible());
        auto* button = window->findChild<TBitBtn*>(buttonName);
        int clicks = 0;
        QObject::connect(button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(window, button->rect().center()));
        EXPECT_FALSE(box->Offers()->isVisible());
        EXPECT_EQ(clicks, 1) << buttonName;
    }
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
}

}  // namespace
