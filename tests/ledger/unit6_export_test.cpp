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
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "ledger/Unit6.h"
#include "ledger/Unit7.h"
#include "ledger/Unit8.h"
#include "ledger/UnitPrint.h"
#include "report/RpExport.h"
#include "report/RpPreview.h"
#include "report/RpPrinting.h"
#include "report/RpStandardPreview.h"
#include "runtime/Geometry.h"
#include "runtime/Seams.h"
#include "tests/PdfTools.h"

namespace {

struct FormCase {
    const char* title;
    const char* form;
    QStringList texts;  // what the PDF must hold
    Rect datumBox;      // the "Datum:" label, pixels at 96 per inch from the paper's corner
};

void PrintTo(const FormCase& form, std::ostream* out) {
    *out << form.form;
}

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

TEST_P(RequestOutput, TextExportMatchesTheExpectedText) {
    TRpTextExportFilter filter(path("form.txt"));
    exportReport(form(), filter);
    const QString expected =
        readText(QStringLiteral(KOVREL_SOURCE_DIR "/tests/ledger/expected/%1.txt").arg(GetParam().form));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(readText(path("form.txt")), expected);
}

TEST_P(RequestOutput, PdfIsOneLetterPageWithTheFormsText) {
    if (!popplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
    TRpPrinter printer;
    run(printer);
    savePagesPdf(printer, path("form.pdf"));
    const QString text = textOfOneLetterPage(path("form.pdf"), {"-raw"}).simplified();
    for (const QString& expected : GetParam().texts)
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << " not in " << text.toStdString();
}

// The folder the PDF queue writes to, when the test command set one up.
QString queueOutput() {
    return qEnvironmentVariable("KOVREL_CUPS_PDF_DIR");
}

QStringList queuedPdfs() {
    return QDir(queueOutput()).entryList({"*.pdf"}, QDir::Files);
}

// Waits, at most 30 s, for a new PDF from the queue that is not in `before` and has stopped growing.
QString awaitNewPdf(const QStringList& before) {
    const QDir folder(queueOutput());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        for (const QString& name : queuedPdfs()) {
            if (before.contains(name)) continue;
            const QString file = folder.filePath(name);
            const qint64 size = QFileInfo(file).size();
            QThread::msleep(500);
            if (size > 0 && size == QFileInfo(file).size()) return file;
        }
        QThread::msleep(200);
    }
    return {};
}

// No new PDF from the queue within 3 s of `before`.
bool nothingQueuedSince(const QStringList& before) {
    QThread::msleep(3000);
    return queuedPdfs() == before;
}

// The tests that print for real, on the KovrelPDF queue that the test command sets up. Each one skips,
// saying why, when the machine has no such queue; the test command counts them.
class PrintQueue : public RequestOutput {
  protected:
    void SetUp() override {
        RequestOutput::SetUp();
        if (queueOutput().isEmpty())
            GTEST_SKIP() << "no CUPS PDF queue: scripts/cups-pdf-queue sets one up and exports "
                            "KOVREL_CUPS_PDF_DIR";
        for (const char* tool : {"pdfinfo", "pdftoppm"})
            if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
        runtime::setPrinterList(std::nullopt);
        if (!runtime::printerNames().contains("KovrelPDF"))
            GTEST_SKIP() << "the KovrelPDF queue is not installed";
        runtime::setPrinterList(QStringList{"KovrelPDF"});
        form().PrinterSettings.PrinterIndex = 0;
        form().ShowProgress = false;
    }
    // The form's pages saved and loaded again into `loaded`, to print on the queue.
    void loadSavedPages(TRpPrinter& loaded) {
        TRpPrinter preview;
        run(preview);
        savePagesNative(preview, path("saved.rpp"));
        ASSERT_TRUE(loadPagesFile(loaded, path("saved.rpp")));
        loaded.Settings.PrinterIndex = 0;
    }
};

TEST_P(PrintQueue, PrintsTheForm) {
    const QStringList before = queuedPdfs();
    printReport(form());
    const QString printed = awaitNewPdf(before);
    ASSERT_FALSE(printed.isEmpty()) << "no PDF from the queue within 30 s in " << queueOutput().toStdString();
    expectOneLetterPage(printed);
    // The queue's PDF keeps the text as drawn glyphs only, so it is looked for in a 96 dpi raster:
    // ink where the logo and the "Datum:" label lie, none in the empty margin.
    runTool("pdftoppm", {"-r", "96", "-png", "-singlefile", printed, path("raster")});
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

TEST_P(PrintQueue, APageRangeWithoutPagesPrintsNothing) {
    form().PrinterSettings.FirstPage = 2;
    form().PrinterSettings.LastPage = 3;
    const QStringList before = queuedPdfs();
    printReport(form());
    EXPECT_TRUE(nothingQueuedSince(before));
}

TEST_P(PrintQueue, CancelInTheProgressWindowAbortsTheJob) {
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
    const QStringList before = queuedPdfs();
    printReport(form());
    form().OnStartPage = nullptr;
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(nothingQueuedSince(before));
}

TEST_P(PrintQueue, LoadedPagesPrint) {
    TRpPrinter loaded;
    ASSERT_NO_FATAL_FAILURE(loadSavedPages(loaded));
    const QStringList before = queuedPdfs();
    printStoredPages(loaded);
    const QString printed = awaitNewPdf(before);
    ASSERT_FALSE(printed.isEmpty()) << "no PDF from the queue within 30 s";
    expectOneLetterPage(printed);
}

// Printing tests that one form is enough for.
class PrintQueueOneForm : public PrintQueue {};

// Once the preview has its page, runs `act` on the window and closes it.
void whenPreviewReady(std::function<void(TRpStandardPreview&)> act) {
    QTimer::singleShot(5, [act] {
        TRpStandardPreview* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<TRpStandardPreview*>(widget); preview && preview->isVisible())
                window = preview;
        if (!window || window->Preview().Printer()->Progress() < 100) {
            whenPreviewReady(act);
            return;
        }
        act(*window);
        window->close();
    });
}

TEST_P(PrintQueueOneForm, ThePreviewsPrintButtonPrintsTheForm) {
    const QStringList before = queuedPdfs();
    bool clicked = false;
    whenPreviewReady([&](TRpStandardPreview& window) {
        window.findChild<QToolButton*>("Print")->click();
        clicked = true;
    });
    form().Preview();
    ASSERT_TRUE(clicked);
    const QString printed = awaitNewPdf(before);
    ASSERT_FALSE(printed.isEmpty()) << "no PDF from the queue within 30 s";
    expectOneLetterPage(printed);
}

TEST_P(PrintQueueOneForm, CancellingLoadedPagesBeforeTheyPrintSendsNothing) {
    TRpPrinter loaded;
    ASSERT_NO_FATAL_FAILURE(loadSavedPages(loaded));
    const QStringList before = queuedPdfs();
    QTimer::singleShot(0, [&loaded] { loaded.SetCancelled(true); });  // as Cancel does while pages are read
    printStoredPages(loaded);
    EXPECT_TRUE(nothingQueuedSince(before));
}

TEST_P(PrintQueueOneForm, DefaultPaperIsTheQueuesOwn) {
    form().Page().SetPaperSize(TRpPaperSize::Default);
    TRpPrinter preview;
    run(preview);
    const QSizeF paper = QPrinterInfo::printerInfo("KovrelPDF").defaultPageSize().size(QPageSize::Inch);
    EXPECT_EQ(preview.Page(1)->Size(),
              QSize(int(std::lround(paper.width() * 96)), int(std::lround(paper.height() * 96))));
}

const std::vector<FormCase> kForms{
    FormCase{
        "RecordFreeDays",
        "frmKovrelstampa",
        {"Broj:", "Datum:", "07.03.2024", "dana od", "5", "2020", "01.07.20", "SAGLASAN RUKOVODILAC SLUZBE"},
        Rect(56, 192, 50, 18)},
    FormCase{"UseFreeDays",
             "frmStampakovrelkor",
             {"Zahtev za koriscenje slobodnih dana", "04.03.24", "06.03.24", "godine"},
             Rect(56, 192, 50, 18)},
    FormCase{"AnnualLeave",
             "frmZahtevgo",
             {"Zahtev za godisnji odmor", "Prezime i ime", "ANIC ANA", "1 DEO", "U Zelinu"},
             Rect(360, 192, 50, 18)}};
const auto formName = [](const auto& info) { return std::string(info.param.title); };

INSTANTIATE_TEST_SUITE_P(Forms, RequestOutput, ::testing::ValuesIn(kForms), formName);
INSTANTIATE_TEST_SUITE_P(Forms, PrintQueue, ::testing::ValuesIn(kForms), formName);
INSTANTIATE_TEST_SUITE_P(Forms, PrintQueueOneForm, ::testing::Values(kForms.front()), formName);

}  // namespace
