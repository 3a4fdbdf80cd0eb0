// The three printed requests started from the register: labels filled from the grid's current row,
// the page they print, and the commands doing nothing without a row to read.
#include <QFile>
#include <QLocale>
#include <QStandardPaths>
#include <algorithm>
#include <map>

#include "PrintCapture.h"
#include "WindowFixture.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "ledger/Unit6.h"
#include "ledger/Unit7.h"
#include "ledger/Unit8.h"
#include "ledger/UnitPrint.h"
#include "report/RpExport.h"
#include "report/RpPrinter.h"
#include "runtime/PrintedDates.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Seams.h"
#include "tests/PdfTools.h"

namespace {

// A ledger row as the request commands read it. Dates are ISO text or empty.
struct RequestRow {
    QString name;
    QString reason;
    std::optional<double> granted;
    std::optional<double> used;
    QString from;
    QString to;
};

// What each form shows for a row.
struct RequestCase {
    const char* title;
    RequestRow row;
    QString days;       // the second and third form
    QString recorded;   // the first form's days
    QString part;       // the first form
    QString year;       // the first form
    QString returnDay;  // the first form
    QString firstDay;   // the second and third form
    QString lastDay;    // the second form
    QString leavePart;  // the third form
};

class Requests : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        WindowFixture::TearDown();
    }

    void seedRows(const std::vector<RequestRow>& rows) {
        std::vector<StoredRow> stored;
        double number = 1;
        for (const RequestRow& row : rows)
            stored.push_back({number++, row.name, row.reason, row.granted, row.used, {}});
        seed(stored);
        const auto date = [](const QString& text) {
            return text.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(text);
        };
        for (std::size_t i = 0; i < rows.size(); ++i) {
            runOnLedger(QStringLiteral("update kovrel set Od = %1, Do = %2 where rowid = %3")
                            .arg(date(rows[i].from), date(rows[i].to))
                            .arg(i + 1)
                            .toUtf8()
                            .constData());
        }
    }

    void open() {
        createWindows(frmEvidencija, frmNoviunos);
        ledger::CreatePrintForms(&printForms_);
        capturePrintFormPreviews();
        showActive(*frmEvidencija);
    }

    void printAll() {
        frmEvidencija->Noviunos1Click(nullptr);
        frmEvidencija->Stampazahtevazakoriscenjeslobodnihdana1Click(nullptr);
        frmEvidencija->StampazahtevazaGO1Click(nullptr);
    }

    QObject printForms_;
};

class FilledRequests : public Requests, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(FilledRequests, EachFormShowsTheCurrentRowsValues) {
    const RequestCase& c = GetParam();
    seedRows({c.row});
    open();
    searchRegister(c.row.name);
    printAll();

    EXPECT_EQ(printedLabel("frmKovrelstampa", "RpLabel8"), c.recorded);
    EXPECT_EQ(printedLabel("frmKovrelstampa", "RpLabel9"), c.part);
    EXPECT_EQ(printedLabel("frmKovrelstampa", "RpLabel10"), c.year);
    EXPECT_EQ(printedLabel("frmKovrelstampa", "RpLabel11"), c.returnDay);
    EXPECT_EQ(printedLabel("frmStampakovrelkor", "RpLabel8"), c.days);
    EXPECT_EQ(printedLabel("frmStampakovrelkor", "RpLabel9"), c.firstDay);
    EXPECT_EQ(printedLabel("frmStampakovrelkor", "RpLabel10"), c.lastDay);
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel9"), c.row.name);
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel10"), c.days);
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel11"), c.firstDay);
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel12"), c.leavePart);
}

const RequestCase requestCases[] = {
    {"RemainderOfLeave",
     {"ANIC ANA", "OSTATAK OD GO 2 DEO 2020", 5, {}, "2020-06-20", "2020-06-30"},
     "5",
     "5",
     "2",
     "2020",
     "01.07.2020",
     "20.06.2020",
     "30.06.2020",
     "ATAK "},
    {"LastDayOfTheYear",
     {"BOROVIC BOJAN", "OSTATAK OD GO 1 DEO 2015", 3, {}, "2015-12-29", "2015-12-31"},
     "3",
     "3",
     "1",
     "2015",
     "01.01.2016",
     "29.12.2015",
     "31.12.2015",
     "ATAK "},
    {"AnnualLeavePart",
     {"CVETIC CVETA", "GO 2 DEO 2014", 12, {}, "2014-07-01", "2014-07-16"},
     "12",
     "12",
     "",
     "",
     "17.07.2014",
     "01.07.2014",
     "16.07.2014",
     "2 DEO"},
    {"PlainReason",
     {"DUDIC DUSAN", "SL.DANI", 2, {}, "2021-03-01", "2021-03-02"},
     "2",
     "2",
     "",
     "",
     "03.03.2021",
     "01.03.2021",
     "02.03.2021",
     "DANI"},
    {"UseOfDaysAsksForTheDaysUsed",
     {"ERIC EMA", "SL.DANI", {}, 4, "2022-02-07", "2022-02-10"},
     "4",
     "0",
     "",
     "",
     "11.02.2022",
     "07.02.2022",
     "10.02.2022",
     "DANI"},
    {"UseOfAnnualLeave",
     {"GAJIC GORAN", "GO", {}, 10, "2023-08-07", "2023-08-18"},
     "10",
     "0",
     "",
     "",
     "19.08.2023",
     "07.08.2023",
     "18.08.2023",
     ""},
    {"EmptyDates",
     {"FILIPOVIC FILIP", "GO 1 DEO 2019", 2.5, {}, "", ""},
     "2",
     "2",
     "",
     "",
     "31.12.1899",
     "30.12.1899",
     "30.12.1899",
     "1 DEO"},
};

INSTANTIATE_TEST_SUITE_P(Rows, FilledRequests, ::testing::ValuesIn(requestCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(Requests, TheRecordRequestPrintsItsBodyAtItsPlaces) {
    seedRows({{"ANIC ANA", "OSTATAK OD GO 2 DEO 2020", 5, {}, "2020-06-20", "2020-06-30"}});
    open();
    searchRegister("ANIC ANA");
    frmEvidencija->Noviunos1Click(nullptr);
    const std::vector<PrintedText> texts = lastPrintedTexts("frmKovrelstampa");
    const auto at = [&](const QString& text) {
        for (const PrintedText& printed : texts)
            if (printed.text == text) return printed.at;
        return QPoint(-1, -1);
    };
    EXPECT_EQ(at("Broj:"), QPoint(56, 152));
    EXPECT_EQ(at("Datum:"), QPoint(56, 192));
    EXPECT_EQ(at("dana od"), QPoint(376, 312));
    EXPECT_EQ(at("(datum)"), QPoint(408, 360));
    EXPECT_EQ(at("5"), QPoint(312 + 57 / 2, 312));
    EXPECT_EQ(at("01.07.2020"), QPoint(328 + 73 / 2, 360));
    EXPECT_EQ(at("SAGLASAN RUKOVODILAC SLUZBE"), QPoint(56, 512));
}

TEST_F(Requests, ASecondCommandForAnotherRowShowsOnlyThatRow) {
    seedRows({{"ANIC ANA", "GO 1 DEO 2019", 20, {}, "2019-07-01", "2019-07-26"},
              {"BOROVIC BOJAN", "GO 2 DEO 2019", 7, {}, "2019-08-05", "2019-08-13"}});
    open();
    searchRegister("ANIC ANA");
    frmEvidencija->StampazahtevazaGO1Click(nullptr);
    searchRegister("BOROVIC BOJAN");
    frmEvidencija->StampazahtevazaGO1Click(nullptr);

    EXPECT_EQ(previewCount("frmZahtevgo"), 2);
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel9"), "BOROVIC BOJAN");
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel10"), "7");
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel11"), "05.08.2019");
    EXPECT_EQ(printedLabel("frmZahtevgo", "RpLabel12"), "2 DEO");
    for (const PrintedText& text : lastPrintedTexts("frmZahtevgo")) EXPECT_NE(text.text, "ANIC ANA");
}

TEST_F(Requests, CommandsWithoutARowDoNothing) {
    seedRows({{"ANIC ANA", "GO 1 DEO 2019", 20, {}, "2019-07-01", "2019-07-26"}});
    open();
    printAll();  // before any search the grid's query is closed
    searchRegister("NIKO NIKIC");
    printAll();  // a search without rows
    EXPECT_EQ(previewCount("frmKovrelstampa"), 0);
    EXPECT_EQ(previewCount("frmStampakovrelkor"), 0);
    EXPECT_EQ(previewCount("frmZahtevgo"), 0);
    EXPECT_TRUE(messages.empty());
}

// Keeps the texts handed to the text export, by line and place, and exports them.
class KeptTextExport : public TRpTextExportFilter {
  public:
    using TRpTextExportFilter::TRpTextExportFilter;
    void TextItem(const QFont& font, const QColor& color, const QString& text, TAlignment alignment, double y,
                  double x) override {
        if (!text.trimmed().isEmpty()) lines[y].insert({x, text.trimmed()});
        TRpTextExportFilter::TextItem(font, color, text, alignment, y, x);
    }
    std::map<double, std::multimap<double, QString>> lines;  // by y, then by x
};

// Whether `line` holds `texts` whole, one after the other.
bool holdsInOrder(const QString& line, const std::multimap<double, QString>& texts) {
    qsizetype from = 0;
    for (const auto& [x, text] : texts) {
        const qsizetype at = line.indexOf(text, from);
        if (at < 0) return false;
        from = at + text.size();
    }
    return true;
}

class TextExports : public Requests, public ::testing::WithParamInterface<const char*> {};

// Each request saved as text holds every text it prints whole, and the texts of one line of the page in
// their order there, however wide the locale's dates and the worker's name are.
TEST_P(TextExports, KeepEveryTextWholeInReadingOrder) {
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam())));
    const QString name = QStringLiteral("KARADJORDJEVIC-STEFANOVIC ANA");
    seedRows({{name, "OSTATAK OD GO 2 DEO 2025", 10, {}, "2026-01-05", "2026-01-16"}});
    open();
    searchRegister(name);
    printAll();
    for (TReport* form : std::initializer_list<TReport*>{frmKovrelstampa, frmStampakovrelkor, frmZahtevgo}) {
        SCOPED_TRACE(form->objectName().toStdString());
        KeptTextExport exported(QStringLiteral("request.txt"));
        exportReport(*form, exported);
        QFile file(QStringLiteral("request.txt"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList written = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
        for (const auto& line : exported.lines) {
            const auto& texts = line.second;
            EXPECT_TRUE(std::any_of(written.begin(), written.end(),
                                    [&texts](const QString& text) { return holdsInOrder(text, texts); }))
                << texts.begin()->second.toStdString() << " ... in " << written.join('\n').toStdString();
        }
    }
}

// The dates of a row and today's date print whole, each on one line, in the widest dates the locale
// writes: on the page the preview shows, saved as PDF and saved as text.
TEST_P(TextExports, PrintEveryDateWholeOnOneLine) {
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam())));
    runtime::setClock([] { return QDateTime(QDate(2026, 12, 28), QTime(9, 0)); });
    const runtime::ScopeGuard realClock([] { runtime::setClock({}); });
    seedRows({{"ANIC ANA", "OSTATAK OD GO 2 DEO 2026", 10, {}, "2026-12-21", "2026-12-31"}});
    open();
    searchRegister("ANIC ANA");
    printAll();
    const auto printed = [](const QDate& date) { return runtime::printedDate(date); };
    const std::map<TReport*, QStringList> dates = {
        {frmKovrelstampa, {printed(QDate(2027, 1, 1)), printed(QDate(2026, 12, 28))}},
        {frmStampakovrelkor, {printed(QDate(2026, 12, 21)), printed(QDate(2026, 12, 31))}},
        {frmZahtevgo, {printed(QDate(2026, 12, 21)), printed(QDate(2026, 12, 28))}}};
    const bool poppler = !QStandardPaths::findExecutable("pdftotext").isEmpty();
    for (const auto& [form, shown] : dates) {
        SCOPED_TRACE(form->objectName().toStdString());
        QStringList page;
        for (const PrintedText& text : lastPrintedTexts(form->objectName())) page.append(text.text);
        TRpTextExportFilter text(QStringLiteral("request.txt"));
        exportReport(*form, text);
        QFile file(QStringLiteral("request.txt"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString exported = QString::fromLocal8Bit(file.readAll());
        TRpPrinter pages;
        form->SetPrinter(&pages);
        form->CreateReport(false);
        form->SetPrinter(nullptr);
        savePagesPdf(pages, QStringLiteral("request.pdf"));
        const QString pdf = runTool("pdftotext", {"-layout", "request.pdf", "-"});
        for (const QString& date : shown) {
            EXPECT_TRUE(page.contains(date))
                << date.toStdString() << " not a line of " << page.join('|').toStdString();
            EXPECT_TRUE(exported.contains(date))
                << date.toStdString() << " not in " << exported.toStdString();
            if (poppler) {
                EXPECT_TRUE(pdf.contains(date)) << date.toStdString() << " not in " << pdf.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, TextExports, ::testing::Values("C", "sr_RS"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
