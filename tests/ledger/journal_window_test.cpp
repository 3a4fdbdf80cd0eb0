// The change journal as the clerk meets it: every change made through the windows leaves one entry
// with its old and new values and a refused one none; the journal window lists the entries newest
// first, by worker and by days, and saves them as CSV.
#include <QFileDialog>
#include <QLocale>

#include "WindowFixture.h"
#include "data/DBGrids.h"
#include "engine/Journal.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/UnitDnevnik.h"
#include "runtime/Boundary.h"

namespace {

const QDateTime now(QDate(2024, 3, 4), QTime(9, 30));

class Journal : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        runtime::setClock([] { return now; });
    }
    void TearDown() override {
        WindowFixture::TearDown();
        runtime::setClock({});
        runtime::setDialogHandler({});
    }

    // The journal's entries in the order written, past the program: operation, key, name, old, new.
    QList<QStringList> entries(const char* columns = "Operacija, Kljuc, PrezimeIme, Staro, Novo") const {
        return rowsOf(std::string("select ") + columns + " from dnevnik order by rowid");
    }
    // The entries written since `before` of them were there.
    QList<QStringList> newEntries(qsizetype before) const { return entries().mid(before); }

    void otherProgram(const std::string& sql) { runOnLedger(sql.c_str()); }

    static void typeOver(QWidget* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    void registerWorker(const QString& name, const QString& days) {
        showActive(*frmUnos);
        typeOver(frmUnos->DBEdit2, name);
        typeOver(frmUnos->DBEdit3, days);
        QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    }
    void search(const QString& name) {
        showActive(*frmEvidencija);
        searchRegister(name);
    }
    void enterDays(const QString& reason, const QString& days, bool oduzmi) {
        QTest::mouseClick(frmEvidencija->BitBtn2, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frmNoviunos));
        QApplication::processEvents();
        typeOver(frmNoviunos->ComboBox1, reason);
        frmNoviunos->DateTimePicker2->setDate(now.date().addDays(2));
        typeOver(frmNoviunos->Edit3, days);
        frmNoviunos->CheckBox1->SetChecked(oduzmi);
        QTest::mouseClick(frmNoviunos->BitBtn1, Qt::LeftButton);
        QApplication::processEvents();
    }
    // Types `text` over the register grid's cell in column `column` of the current row and moves on.
    static void editCell(int column, const QString& text) {
        TDBGrid* grid = frmEvidencija->DBGrid1;
        grid->setFocus();
        grid->SetSelectedIndex(column);
        QTest::keyClick(grid, Qt::Key_F2);
        typeOver(grid->InplaceEditor(), text);
        QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Up);
    }
};

TEST_F(Journal, EachChangeMadeThroughTheWindowsLeavesOneEntryWithItsOldAndNewValues) {
    createWindows(frmUnos, frmEvidencija, frmNoviunos);
    registerWorker("ANIC ANA", "10");
    EXPECT_EQ(entries(),
              (QList<QStringList>{
                  {"unos", "1", "ANIC ANA", "",
                   R"({"RedBroj":1.0,"PrezimeIme":"ANIC ANA","Razlog":"PRENOS","Dobijeni":10.0})"}}));
    const QStringList written = entries("Vreme, Korisnik, Racunar").value(0);
    if (servertest::onServer()) {
        // The server decides the time and the user: its clock and the role that logged in. What the
        // program says of its system user and host is a claim, in Racunar.
        const QDateTime at = QDateTime::fromString(written.value(0), Qt::ISODateWithMs);
        EXPECT_LT(std::abs(at.secsTo(QDateTime::currentDateTimeUtc())), 60) << written.value(0).toStdString();
        EXPECT_EQ(written.value(1).toStdString(), engine::connectionUser(*servertest::serverConnection()));
        EXPECT_EQ(written.value(2).toStdString(), engine::journalUser() + "@" + engine::journalHost());
    } else {
        EXPECT_EQ(written, (QStringList{now.toUTC().toString(Qt::ISODateWithMs),
                                        QString::fromStdString(engine::journalUser()),
                                        QString::fromStdString(engine::journalHost())}));
    }

    search("ANIC ANA");
    EXPECT_EQ(
        newEntries(1),
        (QList<QStringList>{{"izmena", "1", "ANIC ANA", R"({"StanjeDana":null})", R"({"StanjeDana":10.0})"}}))
        << "the balance refresh";

    enterDays("SL.DANI", "3", true);
    EXPECT_EQ(
        newEntries(2),
        (QList<QStringList>{{"unos", "2", "ANIC ANA", "",
                             R"({"RedBroj":1.0,"PrezimeIme":"ANIC ANA","Od":"2024-03-04","Do":"2024-03-06",)"
                             R"("Razlog":"SL.DANI","Transakcije":2.0,"Iskorisceni":3.0})"},
                            {"izmena", "1", "ANIC ANA", R"({"StanjeDana":10.0})", R"({"StanjeDana":7.0})"}}));

    showActive(*frmEvidencija);
    frmEvidencija->Query1->Last();
    editCell(4, "BO");
    EXPECT_EQ(
        newEntries(4),
        (QList<QStringList>{{"izmena", "2", "ANIC ANA", R"({"Razlog":"SL.DANI"})", R"({"Razlog":"BO"})"}}));

    frmEvidencija->Query1->Last();
    QTest::keyClick(frmEvidencija->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(newEntries(5).size(), 1);
    EXPECT_EQ(newEntries(5)[0].mid(0, 3), (QStringList{"brisanje", "2", "ANIC ANA"}));
    EXPECT_TRUE(newEntries(5)[0][3].contains(R"("Razlog":"BO","Transakcije":2.0,"Iskorisceni":3.0})"));
    EXPECT_EQ(storedRows().size(), 1u);
}

TEST_F(Journal, AChangeThatFailsLeavesNoEntry) {
    seed({{1, "ANIC ANA", "PRENOS", 10, {}, {}}});
    createWindows(frmUnos, frmEvidencija, frmNoviunos);
    search("ANIC ANA");
    ASSERT_EQ(entries().size(), 1);

    enterDays("SL.DANI", "tri", false);
    EXPECT_EQ(messageTexts().value(0),
              runtime::errorBoxText(QStringLiteral("'TRI' is not a valid integer value")));
    EXPECT_EQ(entries().size(), 1);

    // Another program changes the row while the clerk edits it in the grid.
    showActive(*frmEvidencija);
    TDBGrid* grid = frmEvidencija->DBGrid1;
    grid->setFocus();
    grid->SetSelectedIndex(4);
    QTest::keyClick(grid, Qt::Key_F2);
    typeOver(grid->InplaceEditor(), "BO");
    otherProgram("update kovrel set Dobijeni = 12");
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_TRUE(messageTexts().join('\n').contains("The record was changed by another user."))
        << messageTexts().join('\n').toStdString();
    // On a server the other program's change has its entry too; a file journals the program's alone.
    const QList<QStringList> otherEntries =
        servertest::onServer()
            ? QList<QStringList>{{"izmena", "1", "ANIC ANA", R"({"Dobijeni":10.0})", R"({"Dobijeni":12.0})"}}
            : QList<QStringList>{};
    EXPECT_EQ(newEntries(1), otherEntries);
    EXPECT_EQ(storedRows().at(0).Razlog, "PRENOS");
}

class JournalWindow : public Journal {
  protected:
    void SetUp() override {
        Journal::SetUp();
        if (IsSkipped()) return;
        const char* entry =
            "insert into dnevnik (Vreme, Korisnik, Racunar, Operacija, Kljuc, PrezimeIme, Staro, Novo) "
            "values ('%1', 'ana', 'kadrovska', '%2', %3, '%4', %5, '{\"Dobijeni\":4.0}')";
        for (const QStringList& values :
             {QStringList{"2024-01-10T10:00:00.000Z", "unos", "1", "ANIC ANA", "null"},
              QStringList{"2024-02-20T10:00:00.000Z", "unos", "2", "BOROVIC BOJAN", "null"},
              QStringList{"2024-03-01T10:00:00.000Z", "izmena", "1", "ANIC ANA", "'{\"Dobijeni\":10.0}'"},
              QStringList{"2024-03-04T08:00:00.000Z", "brisanje", "2", "BOROVIC BOJAN",
                          "'{\"Razlog\":\"A, B\"}'"}})
            otherProgram(QString::fromLatin1(entry)
                             .arg(values[0], values[1], values[2], values[3], values[4])
                             .toStdString());
        createWindows(frmDnevnik);
        showActive(*frmDnevnik);
    }
    // What the grid shows: each entry's time and operation, from the top.
    static QStringList shown() {
        QStringList rows;
        TQuery* query = frmDnevnik->Query1;
        for (query->First(); !query->Eof(); query->Next())
            rows << query->FieldByName("Vreme")->AsString().left(10) + " " +
                        query->FieldByName("Operacija")->AsString();
        query->First();
        return rows;
    }
    static void show() { QTest::mouseClick(frmDnevnik->BitBtn1, Qt::LeftButton); }
};

TEST_F(JournalWindow, ShowsTheLastMonthsEntriesNewestFirstAndFiltersByWorkerAndDays) {
    EXPECT_EQ(frmDnevnik->DateTimePicker1->Date(), QDate(2024, 2, 4));
    EXPECT_EQ(frmDnevnik->DateTimePicker2->Date(), QDate(2024, 3, 4));
    EXPECT_EQ(shown(), (QStringList{"2024-03-04 brisanje", "2024-03-01 izmena", "2024-02-20 unos"}));
    EXPECT_EQ(frmDnevnik->ComboBox1->Items().ToStringList(), (QStringList{"ANIC ANA", "BOROVIC BOJAN"}));
    EXPECT_FALSE(frmDnevnik->ComboBox1->isEnabled());
    EXPECT_TRUE(frmDnevnik->Label4->text().isEmpty());

    QTest::mouseClick(frmDnevnik->CheckBox1, Qt::LeftButton);
    frmDnevnik->ComboBox1->SetItemIndex(0);
    frmDnevnik->DateTimePicker1->setDate(QDate(2024, 1, 10));
    show();
    EXPECT_EQ(shown(), (QStringList{"2024-03-01 izmena", "2024-01-10 unos"}));
    frmDnevnik->DateTimePicker2->setDate(QDate(2024, 2, 29));
    show();
    EXPECT_EQ(shown(), QStringList{"2024-01-10 unos"});
}

TEST_F(JournalWindow, SavesTheEntriesShownAsCsvAndSaysWhenTheNewestAloneAreShown) {
    const QString file = QDir(directory()).filePath("dnevnik.csv");
    runtime::setDialogHandler([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files) return int(QDialog::Rejected);
        files->selectFile(file);
        return int(QDialog::Accepted);
    });
    QTest::mouseClick(frmDnevnik->BitBtn2, Qt::LeftButton);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        QString::fromUtf8(saved.readAll()),
        "Vreme,Korisnik,Racunar,Operacija,Kljuc,PrezimeIme,Staro,Novo\r\n"
        "2024-03-04T08:00:00.000Z,ana,kadrovska,brisanje,2,BOROVIC BOJAN,\"{\"\"Razlog\"\":\"\"A, B\"\"}\","
        "\"{\"\"Dobijeni\"\":4.0}\"\r\n"
        "2024-03-01T10:00:00.000Z,ana,kadrovska,izmena,1,ANIC ANA,\"{\"\"Dobijeni\"\":10.0}\","
        "\"{\"\"Dobijeni\"\":4.0}\"\r\n"
        "2024-02-20T10:00:00.000Z,ana,kadrovska,unos,2,BOROVIC BOJAN,,\"{\"\"Dobijeni\"\":4.0}\"\r\n");

    otherProgram(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
        std::to_string(TfrmDnevnik::MaxEntries) +
        ") insert into dnevnik (Vreme, Korisnik, Racunar, Operacija, Kljuc, PrezimeIme, Staro, Novo) select "
        "'2024-03-04T09:00:00.000Z', 'ana', 'kadrovska', 'izmena', i, "
        "'ANIC ANA', null, null from n");
    show();
    EXPECT_EQ(shown().size(), TfrmDnevnik::MaxEntries);
    EXPECT_EQ(shown().back(), "2024-03-04 izmena");
    EXPECT_EQ(frmDnevnik->Label4->text(), "Prikazano je najnovijih 2000 promena; suzite izbor.");
}

}  // namespace
