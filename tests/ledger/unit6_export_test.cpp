// The three request forms exported as text and as PDF, and printed on a real queue when the machine
// has one (the test command sets up a CUPS PDF queue and names its output folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <regex>

#include "ledger/Unit6.h"
#include "ledger/Unit7.h"
#include "ledger/Unit8.h"
#include "ledger/UnitPrint.h"
#include "report/RpExport.h"
#include "report/RpPrinting.h"
#include "runtime/Geometry.h"
#include "runtime/Seams.h"

namespace {

struct FormCase {
    const char* title;
    const char* form;
    QStringList texts;  // what the PDF must hold
    Rect datumBox;      // the "Datum:" label, pixels at 96 per inch from the paper's corner
};

class RequestOutput : public ::testing::TestWithParam<FormCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        runtime::setClock([] { return QDateTime(QDate(2024, 3, 7), QTime(9, 0)); });
        runtime::setPrinterList(QStringList());
        ledger::CreatePrintForms(&owner);
        frmKovrelstampa->RpLabel8->SetCaption("5");
        frmKovrelstampa->RpLabel9->SetCaption("2");
        frmKovrelstampa->RpLabel10->SetCaption("2020");
        frmKovrelstampa->RpLabel11->SetCaption("01.07.20");
        frmStampakovrelkor->RpLabel8->SetCaption("3");
        frmStampakovrelkor->RpLabel9->SetCaption("04.03.24");
        frmStampakovrelkor->RpLabel10->SetCaption("06.03.24");
        frmZahtevgo->RpLabel9->SetCaption("ANIC ANA");
        frmZahtevgo->RpLabel10->SetCaption("20");
        frmZahtevgo->RpLabel11->SetCaption("01.07.24");
        frmZahtevgo->RpLabel12->SetCaption("1 DEO");
    }
    void TearDown() override {
        runtime::setClock({});
        runtime::setPrinterList(std::nullopt);
        QLocale::setDefault(QLocale::c());
    }
    TReport& form() const { return *owner.findChild<TReport*>(QLatin1String(GetParam().form)); }
    // Runs the form into page images held by `printer`, as its preview does.
    void run(TRpPrinter& printer) {
        form().SetPrinter(&printer);
        form().CreateReport(false);
        form().SetPrinter(nullptr);
    }
    QString path(const QString& name) const { return directory.filePath(name); }

    QTemporaryDir directory;
    QObject owner;
};

QString readText(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

QString runTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000)) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST_P(RequestOutput, TextExportMatchesTheExpectedText) {
    TRpTextExportFilter filter(path("form.txt"));
    exportReport(form(), filter);
    const QString expected =
        readText(QStringLiteral(KOVREL_SOURCE_DIR "/tests/ledger/expected/%1.txt").arg(GetParam().form));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(readText(path("form.txt")), expected);
}

TEST_P(RequestOutput, PdfIsOneLetterPageWithTheFormsText) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
    if (pdftotext.isEmpty() || pdfinfo.isEmpty()) GTEST_SKIP() << "poppler-utils are not installed";
    TRpPrinter printer;
    run(printer);
    savePagesPdf(printer, path("form.pdf"));
    const QString info = runTool(pdfinfo, {path("form.pdf")});
    EXPECT_TRUE(std::regex_search(info.toStdString(), std::regex("Pages:\\s+1\\n"))) << info.toStdString();
    EXPECT_TRUE(std::regex_search(info.toStdString(), std::regex("Page size:\\s+612(\\.\\d+)? x 792")))
        << info.toStdString();
    const QString text = runTool(pdftotext, {"-raw", path("form.pdf"), "-"}).simplified();
    for (const QString& expected : GetParam().texts)
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << " not in " << text.toStdString();
}

// The folder the PDF queue writes to, when the test command set one up.
QString queueOutput() {
    return qEnvironmentVariable("KOVREL_CUPS_PDF_DIR");
}

// Waits, at most 30 s, for a new PDF in `folder` that is not in `before` and has stopped growing.
QString awaitNewPdf(const QString& folder, const QStringList& before) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        for (const QString& name : QDir(folder).entryList({"*.pdf"}, QDir::Files)) {
            if (before.contains(name)) continue;
            const QString file = QDir(folder).filePath(name);
            const qint64 size = QFileInfo(file).size();
            QThread::msleep(500);
            if (size > 0 && size == QFileInfo(file).size()) return file;
        }
        QThread::msleep(200);
    }
    return {};
}

TEST_P(RequestOutput, PrintsOnTheQueue) {
    const QString folder = queueOutput();
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (folder.isEmpty() || pdftoppm.isEmpty())
        GTEST_SKIP()
            << "no CUPS PDF queue: scripts/cups-pdf-queue sets one up and exports KOVREL_CUPS_PDF_DIR";
    runtime::setPrinterList(std::nullopt);
    if (!runtime::printerNames().contains("KovrelPDF"))
        GTEST_SKIP() << "the KovrelPDF queue is not installed";
    runtime::setPrinterList(QStringList{"KovrelPDF"});
    form().PrinterSettings.PrinterIndex = 0;
    form().ShowProgress = false;
    const QStringList before = QDir(folder).entryList({"*.pdf"}, QDir::Files);
    printReport(form());
    const QString printed = awaitNewPdf(folder, before);
    ASSERT_FALSE(printed.isEmpty()) << "no PDF from the queue within 30 s in " << folder.toStdString();
    const QString info = runTool(QStandardPaths::findExecutable("pdfinfo"), {printed});
    EXPECT_TRUE(std::regex_search(info.toStdString(), std::regex("Pages:\\s+1\\n"))) << info.toStdString();
    EXPECT_TRUE(std::regex_search(info.toStdString(), std::regex("Page size:\\s+612(\\.\\d+)? x 792")))
        << info.toStdString();
    // The queue's PDF keeps the text as drawn glyphs only, so it is looked for in a 96 dpi raster:
    // ink where the logo and the "Datum:" label lie, none in the empty margin.
    runTool(pdftoppm, {"-r", "96", "-png", "-singlefile", printed, path("raster")});
    const QImage raster(path("raster.png"));
    ASSERT_FALSE(raster.isNull());
    EXPECT_NE(raster.pixelColor(32 + 70, 16 + 90), QColor(Qt::white));
    EXPECT_EQ(raster.pixelColor(5, 700), QColor(Qt::white));
    const Rect box = GetParam().datumBox;
    int ink = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) ink += qGray(raster.pixel(x, y)) < 128;
    EXPECT_GT(ink, 20);
    int above = 0;  // the band just above the label is blank on every form
    for (int x = box.left(); x <= box.right(); ++x) above += qGray(raster.pixel(x, box.top() - 4)) < 128;
    EXPECT_EQ(above, 0);
}

TEST_P(RequestOutput, APageRangeWithoutPagesPrintsNothing) {
    const QString folder = queueOutput();
    if (folder.isEmpty()) GTEST_SKIP() << "no CUPS PDF queue";
    runtime::setPrinterList(std::nullopt);
    if (!runtime::printerNames().contains("KovrelPDF"))
        GTEST_SKIP() << "the KovrelPDF queue is not installed";
    runtime::setPrinterList(QStringList{"KovrelPDF"});
    form().PrinterSettings.PrinterIndex = 0;
    form().PrinterSettings.FirstPage = 2;
    form().PrinterSettings.LastPage = 3;
    form().ShowProgress = false;
    const QStringList before = QDir(folder).entryList({"*.pdf"}, QDir::Files);
    printReport(form());
    QThread::msleep(3000);
    EXPECT_EQ(QDir(folder).entryList({"*.pdf"}, QDir::Files), before);
}

// Selects the KovrelPDF queue for the form, or answers why the test cannot run.
QString selectQueue(TReport& report) {
    if (queueOutput().isEmpty()) return QStringLiteral("no CUPS PDF queue");
    runtime::setPrinterList(std::nullopt);
    if (!runtime::printerNames().contains("KovrelPDF"))
        return QStringLiteral("the KovrelPDF queue is not installed");
    runtime::setPrinterList(QStringList{"KovrelPDF"});
    report.PrinterSettings.PrinterIndex = 0;
    return {};
}

TEST_P(RequestOutput, CancelInTheProgressWindowAbortsTheJob) {
    if (const QString why = selectQueue(form()); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
    form().ShowProgress = true;
    bool cancelled = false;
    form().OnStartPage = [&](TReport&) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() != "TRpProgressForm" || !window->isVisible()) continue;
            if (auto* cancel = window->findChild<QPushButton*>("CancelButton")) {
                cancel->click();
                cancelled = true;
            }
        }
    };
    const QStringList before = QDir(queueOutput()).entryList({"*.pdf"}, QDir::Files);
    printReport(form());
    form().OnStartPage = nullptr;
    EXPECT_TRUE(cancelled);
    QThread::msleep(3000);
    EXPECT_EQ(QDir(queueOutput()).entryList({"*.pdf"}, QDir::Files), before);
}

TEST_P(RequestOutput, LoadedPagesPrintOnTheQueue) {
    if (const QString why = selectQueue(form()); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
    TRpPrinter preview;
    run(preview);
    savePagesNative(preview, path("saved.rpp"));
    TRpPrinter loaded;
    ASSERT_TRUE(loadPagesFile(loaded, path("saved.rpp")));
    loaded.Settings.PrinterIndex = 0;
    const QStringList before = QDir(queueOutput()).entryList({"*.pdf"}, QDir::Files);
    printStoredPages(loaded);
    const QString printed = awaitNewPdf(queueOutput(), before);
    ASSERT_FALSE(printed.isEmpty()) << "no PDF from the queue within 30 s";
    const QString info = runTool(QStandardPaths::findExecutable("pdfinfo"), {printed});
    EXPECT_TRUE(std::regex_search(info.toStdString(), std::regex("Pages:\\s+1\\n"))) << info.toStdString();
    EXPECT_TRUE(std::regex_search(info.toStdString(), std::regex("Page size:\\s+612(\\.\\d+)? x 792")))
        << info.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RequestOutput,
    ::testing::Values(FormCase{"RecordFreeDays",
                               "frmKovrelstampa",
                               {"Broj:", "Datum:", "07.03.24", "dana od", "5", "2020", "01.07.20",
                                "SAGLASAN RUKOVODILAC SLUZBE"},
                               Rect(56, 192, 50, 18)},
                      FormCase{"UseFreeDays",
                               "frmStampakovrelkor",
                               {"Zahtev za koriscenje slobodnih dana", "04.03.24", "06.03.24", "godine"},
                               Rect(56, 192, 50, 18)},
                      FormCase{"AnnualLeave",
                               "frmZahtevgo",
                               {"Zahtev za godisnji odmor", "Prezime i ime", "ANIC ANA", "1 DEO", "U Zelinu"},
                               Rect(360, 192, 50, 18)}),
    [](const auto& info) { return std::string(info.param.title); });

}  // namespace
