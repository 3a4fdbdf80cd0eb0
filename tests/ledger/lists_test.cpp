// The printed lists as the clerk makes them: "Stampa" in the reports window and the worker statement
// "Kartica radnika", saved as text, CSV and PDF from their preview and checked against the datasets the
// windows show; and every statement of a seeded ledger against the register's balance.
#include <sys/stat.h>
#include <sys/xattr.h>

#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <set>

#include "PreviewFixture.h"
#include "ReportsLedger.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit5.h"
#include "ledger/Unit9.h"
#include "ledger/UnitLists.h"
#include "runtime/PrintedDates.h"
#include "tests/CsvReader.h"
#include "tests/PdfTools.h"
#include "tests/XlsxReader.h"

namespace {

class Lists : public PreviewFixture {
  protected:
    Lists() : PreviewFixture(QDate(2024, 3, 7)) {}
    void execSql(const char* sql) { runOnLedger(sql); }
    // The reports' ledger, O'Brien Olga with half a day more, and periods for Anic Ana's rows: before
    // 7 March 2024 but the last.
    void open() {
        seed(reportsLedgerRows());
        execSql(
            "update kovrel set dobijeni = 7.5 where rowid = 2;"
            "update kovrel set od = '2024-01-10', do = '2024-01-12' where rowid = 4;"
            "update kovrel set od = '2012-07-01' where rowid = 5;"
            "update kovrel set od = '2024-02-01' where rowid = 6;"
            "update kovrel set od = '2024-05-01' where rowid = 7;");
        createWindows(frmUnos, frmEvidencija, frmNoviunos, frmIzvestaji, frmKartica);
    }
    QString text(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
    }
};

const std::vector<std::pair<QString, QString>> textAndCsv = {{"Text file (*.TXT)", "lista.txt"},
                                                             {"CSV file (*.CSV)", "lista.csv"},
                                                             {"Excel workbook (*.XLSX)", "lista.xlsx"}};

// A dataset's or a CSV file's rows, fields joined by '|', numbers as QString::number writes them.
std::multiset<QString> datasetRows(TDataSet& rows) {
    std::multiset<QString> found;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        QStringList fields;
        for (int i = 0; i < rows.FieldCount(); ++i)
            fields << (rows.Fields(i)->DataType() == ftFloat ? QString::number(rows.Fields(i)->AsFloat())
                                                             : rows.Fields(i)->AsString());
        found.insert(fields.join('|'));
    }
    return found;
}
std::multiset<QString> csvRows(const CsvFile& csv) {
    std::multiset<QString> found;
    for (std::size_t r = 1; r < csv.rows.size(); ++r) {
        QStringList fields = csv.rows[r];
        fields.last() = QString::number(fields.last().toDouble());
        found.insert(fields.join('|'));
    }
    return found;
}

// A workbook's rows as csvRows gives a CSV file's, each cell's kind checked: texts, then numbers.
std::multiset<QString> xlsxRows(const XlsxSheet& sheet) {
    std::multiset<QString> found;
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        QStringList fields;
        for (const QString& cell : sheet.rows[r]) {
            const bool last = fields.size() + 1 == sheet.rows[r].size();
            EXPECT_TRUE(cell.startsWith(last ? "n:" : "s:")) << cell.toStdString();
            fields << (last ? QString::number(cell.mid(2).toDouble()) : cell.mid(2));
        }
        found.insert(fields.join('|'));
    }
    return found;
}

struct StampaCase {
    const char* name;
    bool annualLeave;
    bool allWorkers;
    const char* year;
    QStringList lines;                  // texts the page holds, in this order
    bool controlsChangedAfter = false;  // the workers and the year chosen anew after the list was shown
};

class Stampa : public Lists, public ::testing::WithParamInterface<StampaCase> {};

TEST_P(Stampa, PreviewsTheListTheWindowShows) {
    open();
    showActive(*frmIzvestaji);
    const StampaCase& list = GetParam();
    if (list.allWorkers) QTest::mouseClick(frmIzvestaji->CheckBox1, Qt::LeftButton, {}, QPoint(4, 8));
    frmIzvestaji->ComboBox1->SetItemIndex(frmIzvestaji->ComboBox1->findText("O'BRIEN OLGA"));
    frmIzvestaji->ComboBox2->setEditText(list.year);
    QTest::mouseClick(list.annualLeave ? frmIzvestaji->BitBtn4 : frmIzvestaji->BitBtn1, Qt::LeftButton);
    TQuery* shown = frmEvidencija->Query1;
    const QString reportSql = shown->SQL().Text();
    const std::multiset<QString> expected = datasetRows(*shown);
    if (list.controlsChangedAfter) {
        QTest::mouseClick(frmIzvestaji->CheckBox1, Qt::LeftButton, {}, QPoint(4, 8));
        frmIzvestaji->ComboBox1->SetItemIndex(frmIzvestaji->ComboBox1->findText("ANIC ANA"));
        frmIzvestaji->ComboBox2->setEditText("2019");
    }

    onNextPreview(textAndCsv);
    QTest::mouseClick(frmIzvestaji->BitBtn3, Qt::LeftButton);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(previewTitle, list.annualLeave ? "Godisnji odmor" : "Stanje slobodnih dana");
    EXPECT_EQ(shown->SQL().Text(), reportSql) << "the register's query keeps the report";

    const QString page = text("lista.txt");
    qsizetype at = 0;
    for (const QString& line : list.lines + QStringList{"Strana 1 od 1"}) {
        at = page.indexOf(line, at);
        ASSERT_GE(at, 0) << line.toStdString() << " in order in\n" << page.toStdString();
    }
    EXPECT_TRUE(page.contains("Datum stampe: 07.03.2024"));
    const CsvFile csv = readCsv(path("lista.csv"));
    ASSERT_TRUE(csv.wellFormed);
    EXPECT_EQ(csv.rows.front().join('|'),
              list.annualLeave ? "Prezime i ime|Razlog|Dana" : "Prezime i ime|Stanje dana");
    EXPECT_EQ(csvRows(csv), expected) << "the rows of the window's dataset";
    const XlsxSheet sheet = readXlsx(path("lista.xlsx"));
    ASSERT_TRUE(sheet.read);
    EXPECT_EQ(sheet.rows.front().join('|'),
              list.annualLeave ? "s:Prezime i ime*|s:Razlog*|s:Dana*" : "s:Prezime i ime*|s:Stanje dana*");
    EXPECT_EQ(xlsxRows(sheet), expected) << "the same rows, the numbers as numbers";
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Stampa,
    ::testing::Values(
        StampaCase{"BalancesOfAll",
                   false,
                   true,
                   "",
                   {"Stanje slobodnih dana", "Svi radnici", "Prezime i ime", "Stanje dana", "ANIC ANA", "9",
                    "Ukupno:", "20,5"}},
        StampaCase{"AnnualLeaveOfOneEveryYear",
                   true,
                   false,
                   "",
                   {"O'BRIEN OLGA, sve godine", "GO 1 DEO 2019", "GO 2 DEO 2020", "Ukupno:", "20"}},
        StampaCase{"TheListShownNotTheControlsChosenSince",
                   true,
                   false,
                   "",
                   {"O'BRIEN OLGA, sve godine", "GO 1 DEO 2019", "GO 2 DEO 2020", "Ukupno:", "20"},
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lists, AFailingListSaysSoAndShowsNoPreview) {
    open();
    showActive(*frmIzvestaji);
    execSql("alter table kovrel rename to drugo");
    QTest::mouseClick(frmIzvestaji->BitBtn3, Qt::LeftButton);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().text, "Doslo je do greske");
}

TEST_F(Lists, TheStatementListsTheRowsUpToTheDateWithTheRunningBalance) {
    open();
    execSql("insert into kovrel (PrezimeIme, Dobijeni) values ('ANIC ANA', 2)");
    showActive(*frmKartica);
    EXPECT_EQ(frmKartica->DateTimePicker1->Date(), QDate(2024, 3, 7)) << "today by default";
    frmKartica->ComboBox1->SetItemIndex(frmKartica->ComboBox1->findText("ANIC ANA"));
    auto entries = textAndCsv;
    entries.emplace_back("PDF file (*.PDF)", "lista.pdf");
    onNextPreview(entries);
    QTest::mouseClick(frmKartica->BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    EXPECT_EQ(previewTitle, "Kartica radnika");

    const CsvFile csv = readCsv(path("lista.csv"));
    EXPECT_TRUE(csv.wellFormed);
    EXPECT_EQ(csv.rows, (std::vector<QStringList>{
                            {"Datum", "Razlog", "Od", "Do", "Dobijeni", "Iskorisceni", "Stanje", "Napomena"},
                            {"", "PRENOS", "", "", "10", "", "10", ""},
                            {"", "SL.DANI", "2024-01-10", "2024-01-12", "", "3", "7", ""},
                            {"", "GO 1 DEO 2012", "2012-07-01", "", "20", "", "7", "van stanja"},
                            {"", "GO", "2024-02-01", "", "", "5", "7", "van stanja"},
                            {"", "", "", "", "2", "", "7", "van stanja"}}))
        << "the row after the date is left out";
    const QString page = text("lista.txt");
    for (const char* line : {"Kartica radnika", "ANIC ANA, stanje na dan 07.03.2024", "10.01.2024",
                             "van stanja", "Stanje:", "Strana 1 od 1"})
        EXPECT_TRUE(page.contains(line)) << line << " in\n" << page.toStdString();

    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty()) GTEST_SKIP() << "poppler-utils are not installed";
    QProcess::execute(pdftoppm, {"-png", "-r", "50", "-singlefile", path("lista.pdf"), path("lista")});
    const QImage image(path("lista.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_NEAR(double(image.width()) / image.height(), 210.0 / 297.0, 0.01) << "an A4 page";
    // Ink in the title, in the rows, in the page footer; none in the bottom margin.
    const auto inked = [&](double from, double to) {
        int dark = 0;
        for (int y = int(from * image.height()); y < int(to * image.height()); ++y)
            for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_GT(inked(0.03, 0.07), 0);
    EXPECT_GT(inked(0.12, 0.17), 0);
    EXPECT_GT(inked(0.94, 0.965), 0);
    EXPECT_EQ(inked(0.97, 1.0), 0);
}

class StatementColumns : public Lists, public ::testing::WithParamInterface<const char*> {};

// The statement's dates, and the day it is printed on, stand whole in its PDF, years included, however
// wide the locale writes them; the reasons beside them stay whole too.
TEST_P(StatementColumns, PrintDatesAndReasonsWhole) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "poppler-utils are not installed";
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam())));
    open();
    execSql(
        "update kovrel set datum = '2023-09-30' where rowid = 4;"
        "insert into kovrel (PrezimeIme, Razlog, Dobijeni, Od, Do) values "
        "('ANIC ANA', 'OSTATAK OD GO 2 DEO 2025', 3, '2024-02-26', '2024-02-28');");
    showActive(*frmKartica);
    frmKartica->ComboBox1->SetItemIndex(frmKartica->ComboBox1->findText("ANIC ANA"));
    onNextPreview({{"PDF file (*.PDF)", "kartica.pdf"}});
    QTest::mouseClick(frmKartica->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();

    const QString page = runTool("pdftotext", {"-layout", path("kartica.pdf"), "-"});
    QStringList whole{"OSTATAK OD GO 2 DEO 2025", "GO 1 DEO 2012"};
    for (const QDate& day : {QDate(2023, 9, 30), QDate(2024, 1, 10), QDate(2024, 1, 12), QDate(2012, 7, 1),
                             QDate(2024, 2, 1), QDate(2024, 2, 26), QDate(2024, 2, 28), QDate(2024, 3, 7)})
        whole << runtime::printedDate(day);
    for (const QString& text : whole)
        EXPECT_TRUE(page.contains(text)) << text.toStdString() << " not in\n" << page.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, StatementColumns, ::testing::Values("C", "sr_RS", "de_DE", "hu_HU"),
                         [](const auto& info) { return std::string(info.param); });

// A default ACL on a folder: its group may read what is made in it, others nothing.
bool shareWithGroup(const QString& folder) {
    struct Entry {
        quint16 tag, permissions;
        quint32 id;
    };
    const struct {
        quint32 version = 2;
        Entry entries[3] = {{0x01, 7, ~0u}, {0x04, 5, ~0u}, {0x20, 0, ~0u}};
    } acl;
    return setxattr(QFile::encodeName(folder).constData(), "system.posix_acl_default", &acl, sizeof acl, 0) ==
           0;
}

// Every file saved from a preview holds workers' data: under the usual umask it is the clerk's alone, an
// earlier file of that name included, unless the folder's default ACL shares it.
TEST_F(Lists, SavedFilesAreTheClerksAloneUnlessTheFolderSharesThem) {
    const mode_t umaskBefore = umask(022);
    open();
    ASSERT_TRUE(QDir(directory()).mkpath("own") && QDir(directory()).mkpath("shared"));
    QFile earlier(path("own/lista.csv"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.close();
    const bool shared = shareWithGroup(path("shared"));
    const std::vector<std::pair<QString, QString>> kinds = {{"Report file(*.RPP)", "lista.rpp"},
                                                            {"Text file (*.TXT)", "lista.txt"},
                                                            {"CSV file (*.CSV)", "lista.csv"},
                                                            {"PDF file (*.PDF)", "lista.pdf"},
                                                            {"Excel workbook (*.XLSX)", "lista.xlsx"}};
    std::vector<std::pair<QString, QString>> entries;
    for (const auto& [entry, name] : kinds) {
        entries.emplace_back(entry, "own/" + name);
        entries.emplace_back(entry, "shared/" + name);
    }
    showActive(*frmKartica);
    frmKartica->ComboBox1->SetItemIndex(frmKartica->ComboBox1->findText("ANIC ANA"));
    onNextPreview(entries);
    QTest::mouseClick(frmKartica->BitBtn1, Qt::LeftButton);
    umask(umaskBefore);
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
    for (const auto& [entry, name] : kinds) {
        EXPECT_EQ(QFileInfo(path("own/" + name)).permissions() & 0x0777, 0x0600) << name.toStdString();
        if (shared) {
            EXPECT_EQ(QFileInfo(path("shared/" + name)).permissions() & 0x0777, 0x0640) << name.toStdString();
        }
    }
    if (!shared) GTEST_SKIP() << "this file system keeps no ACLs";
}

// On a ledger that kovrel-db seeds, every worker's statement as of today or later ends on the balance
// the register shows for him.
TEST_F(Lists, EveryStatementEndsOnTheRegistersBalance) {
    // kovrel-db seeds a file; on the server the seeded file is copied there.
    QTemporaryDir seeded;
    const QString seedDirectory = servertest::onServer() ? seeded.path() : directory();
    if (!servertest::onServer()) {
        ASSERT_TRUE(QFile::remove(QString::fromStdString(ledgerPath())));
    }
    ASSERT_EQ(QProcess::execute(KOVREL_DB_EXE, {"seed", seedDirectory, "--workers", "40", "--rows", "2400"}),
              0);
    if (servertest::onServer()) {
        ASSERT_EQ(QProcess::execute(KOVREL_DB_EXE, {"copy", seedDirectory, directory()}), 0);
    }
    createWindows(frmUnos, frmEvidencija, frmNoviunos, frmIzvestaji, frmKartica);
    showActive(*frmEvidencija);
    const QStringList names = frmEvidencija->ComboBox1->Items().ToStringList();
    ASSERT_EQ(names.size(), 40);
    for (const QString& name : names) {
        frmEvidencija->ComboBox1->SetItemIndex(frmEvidencija->ComboBox1->findText(name));
        QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
        for (const QDate asOf : {runtime::today(), runtime::today().addYears(5)}) {
            const TRpDataTable statement = ledger::Statement(name, asOf);
            ASSERT_GT(statement.RowCount(), 0);
            EXPECT_EQ(statement.Value(statement.RowCount() - 1, statement.ColumnIndex("Stanje")).toDouble(),
                      frmEvidencija->Query3ukupno->AsFloat())
                << name.toStdString();
        }
        EXPECT_EQ(ledger::Statement(name, QDate(2009, 12, 31)).RowCount(), 1) << "the carry-over alone";
    }
    EXPECT_TRUE(messages.empty()) << messageTexts().join('|').toStdString();
}

}  // namespace
