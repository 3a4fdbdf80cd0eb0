// Saving stored pages natively and as PDF, loading them back, and the text export's placing.
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include "ReportTestSupport.h"
#include "report/RpExport.h"
#include "report/RpPageStore.h"
#include "report/RpStandardPreview.h"
#include "tests/PdfTools.h"

namespace {

class PrintStore : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        ASSERT_TRUE(directory.isValid());
        makeLetterForm(report);
        auto* label = addControl<TRpLabel>(report, "RpLabel1", 56, 152, 200, 33);
        label->SetCaption("Broj:");
        auto* right = addControl<TRpLabel>(report, "RpLabel2", 400, 312, 200, 33);
        right->SetAlignment(TAlignment::taRightJustify);
        right->SetCaption("desno");
        addControl<TRpShape>(report, "RpShape1", 100, 500, 100, 40);
    }
    // Runs the report into `printer`'s page images.
    void run(TRpPrinter& printer) {
        report.SetPrinter(&printer);
        report.CreateReport(false);
        report.SetPrinter(nullptr);
    }
    QString path(const char* name) const { return directory.filePath(QLatin1String(name)); }
    // Runs the report into `printer` and saves its pages as one.rpp; answers the file's bytes.
    QByteArray savedRun(TRpPrinter& printer) {
        run(printer);
        savePagesNative(printer, path("one.rpp"));
        QFile file(path("one.rpp"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir directory;
    TReport report;
};

TEST_F(PrintStore, NativeSaveWritesTheHeaderAndOneRecord) {
    TRpPrinter printer;
    const QByteArray bytes = savedRun(printer);
    const qint64 image = printer.PageList()->Page(1)->size();
    EXPECT_EQ(bytes.size(), 124 + 4 + 4 + image + 4);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    EXPECT_EQ(qFromLittleEndian<qint16>(data), 3);
    EXPECT_EQ(qFromLittleEndian<qint16>(data + 2), 212);
    EXPECT_EQ(qFromLittleEndian<qint32>(data + 8), 1);
    EXPECT_EQ(bytes.at(21), 0);  // compression
}

TEST_F(PrintStore, NativeSaveOfAnUnfinishedRunWritesNothing) {
    TRpPrinter printer;
    savePagesNative(printer, path("none.rpp"));
    EXPECT_FALSE(QFile::exists(path("none.rpp")));
}

TEST_F(PrintStore, LoadingASavedFileShowsTheSamePageOnLetterPaper) {
    TRpPrinter printer;
    run(printer);
    savePagesNative(printer, path("one.rpp"));

    TRpPrinter loaded;
    loaded.PrintHook = [] {};
    loaded.PrinterSetupHook = [] {};
    loaded.ExportHook = [](const QString&, int) {};
    ASSERT_TRUE(loadPagesFile(loaded, path("one.rpp")));
    EXPECT_EQ(loaded.PageCount(), 1);
    EXPECT_EQ(loaded.GetStatus(), TRpPrinter::Status::Finished);
    EXPECT_EQ(*loaded.PageList()->Page(1), *printer.PageList()->Page(1));
    // Letter, LetterSmall and Note all match a Letter page; the first one stands.
    EXPECT_EQ(loaded.Settings.PaperSize, TRpPaperSize::Letter);
    EXPECT_EQ(loaded.Settings.Orientation, TRpOrientation::poPortrait);
    EXPECT_FALSE(loaded.PrintHook);
    EXPECT_FALSE(loaded.PrinterSetupHook);
    EXPECT_FALSE(loaded.ExportHook);
}

TEST_F(PrintStore, LoadingALandscapePageSetsLandscape) {
    report.Page().SetPaperSize(TRpPaperSize::A4);
    report.Page().SetOrientation(TRpOrientation::poLandscape);
    TRpPrinter printer;
    run(printer);
    savePagesNative(printer, path("wide.rpp"));
    TRpPrinter loaded;
    ASSERT_TRUE(loadPagesFile(loaded, path("wide.rpp")));
    EXPECT_EQ(loaded.Settings.PaperSize, TRpPaperSize::A4);
    EXPECT_EQ(loaded.Settings.Orientation, TRpOrientation::poLandscape);
}

QByteArray fileBytes(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A stored-pages file of one page that draws `item`.
QByteArray pageWith(TRpPageImage::Item item) {
    TRpPageImage page(QSize(816, 1056), 96);
    page.Append(std::move(item));
    TRpPageList pages(std::make_unique<TRpStream>(), false);
    pages.StorePage(page.Serialize());
    pages.Finish();
    return pages.Stream().ReadAll();
}

QByteArray pageWithPicture(const QByteArray& png) {
    return pageWith(TRpPageImage::Picture{Rect(10, 10, 40, 40), png});
}

// A PNG whose header declares `width` x `height` pixels over the data of a single pixel.
QByteArray pngDeclaring(quint32 width, quint32 height) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(1, 1, QImage::Format_RGB32).save(&buffer, "PNG");
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    quint32 crc = 0xFFFFFFFF;  // over the chunk's type and data, bytes 12 to 28
    for (int i = 12; i < 29; ++i) {
        crc ^= quint8(png.at(i));
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    qToBigEndian(~crc, png.data() + 29);
    return png;
}

TEST_F(PrintStore, SavingOverTheLoadedFileKeepsItAndThePagesShown) {
    TRpPrinter printer;
    run(printer);
    savePagesNative(printer, path("X.RPP"));
    const QByteArray saved = fileBytes(path("X.RPP"));
    TRpPrinter loaded;
    ASSERT_TRUE(loadPagesFile(loaded, path("X.RPP")));
    savePagesNative(loaded, path("X.RPP"));
    EXPECT_EQ(fileBytes(path("X.RPP")), saved);
    EXPECT_EQ(*loaded.PageList()->Page(1), *printer.PageList()->Page(1));
    try {
        savePagesNative(loaded, path("missing/X.RPP"));
        FAIL() << "saved into a missing folder";
    } catch (const ERpError& error) {
        EXPECT_TRUE(error.Message().contains(path("missing/X.RPP"))) << error.Message().toStdString();
    }
}

struct BadFile {
    const char* title;
    std::function<QByteArray(const QByteArray& saved)> damage;
};

class DamagedFiles : public PrintStore, public ::testing::WithParamInterface<BadFile> {};

TEST_P(DamagedFiles, AreRefusedAndLeaveThePreviewAsItWas) {
    TRpPrinter printer;
    const QByteArray saved = savedRun(printer);
    ASSERT_FALSE(saved.isEmpty());
    QFile damaged(path("bad.rpp"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(GetParam().damage(saved));
    damaged.close();

    TRpPrinter shown;
    run(shown);
    const QByteArray before = *shown.PageList()->Page(1);
    try {
        loadPagesFile(shown, path("bad.rpp"));
        ADD_FAILURE() << "loaded";
    } catch (const ERpError& error) {
        EXPECT_EQ(error.Message(), path("bad.rpp") + " is not a report file");
    }
    EXPECT_EQ(shown.PageCount(), 1);
    EXPECT_EQ(*shown.PageList()->Page(1), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFiles,
    ::testing::Values(
        BadFile{"Truncated", [](const QByteArray& saved) { return saved.left(saved.size() - 40); }},
        BadFile{"HeaderOnly", [](const QByteArray& saved) { return saved.left(124); }},
        BadFile{"Foreign", [](const QByteArray&) { return QByteArray(600, 'x'); }},
        BadFile{"Empty", [](const QByteArray&) { return QByteArray(); }},
        BadFile{"PictureIsNotAPng", [](const QByteArray&) { return pageWithPicture("GIF89a, not a PNG"); }},
        BadFile{"PictureBeyondTheImageLimit",
                [](const QByteArray&) { return pageWithPicture(pngDeclaring(30000, 30000)); }},
        // Its height fits an int, the difference of its edges does not.
        BadFile{
            "RectangleTallerThanAnInt",
            [](const QByteArray&) {
                return pageWith(TRpPageImage::Fill{Rect(QPoint(0, 214), QPoint(10, -2147483435)), Qt::black});
            }}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(PrintStore, LoadingAMissingFileAnswersFalse) {
    TRpPrinter printer;
    EXPECT_FALSE(loadPagesFile(printer, path("nowhere.rpp")));
    EXPECT_EQ(printer.GetStatus(), TRpPrinter::Status::Idle);
}

TEST_F(PrintStore, FilterListsNameTheNativeTextAndPdfEntries) {
    EXPECT_EQ(saveFilterList(), "Report file(*.RPP)|*.RPP|Text file (*.TXT)|*.TXT|PDF file (*.PDF)|*.PDF");
    EXPECT_EQ(loadFilterList(), "Report file (*.RPP)|*.RPP");
}

TEST_F(PrintStore, TextExportPlacesLinesByTheCharacterGrid) {
    auto* title = new TRpLabel(&report);
    title->AutoSize = false;
    title->SetSizeValues({87.3125, 254, 1000, 1651});
    title->SetAlignment(TAlignment::taCenter);
    title->SetCaption("NASLOV");
    TRpTextExportFilter filter(path("out.txt"));
    exportReport(report, filter);
    QFile file(path("out.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split('\n');
    // 10 pt: a cell of 35.28 tenths of a millimetre each way. "Broj:" at 56, 152 px is at
    // 148.2, 402.2 tenths: row 11, column 148.2 / 35.28 * 1.7 = 7.1, so from the seventh character.
    // "desno" ends at 600 px = 1587.5 tenths: column 76.5 less its 5 characters, 71.5, rounds to the 72nd.
    // "NASLOV" is anchored at its box's centre, 254 + 1651 / 2 = 1079.5: column 52.02, the 52nd.
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), QString(6, ' ') + "Broj:");
    EXPECT_EQ(lines.at(1).indexOf("desno"), 71);
    EXPECT_EQ(lines.at(2), QString(51, ' ') + "NASLOV");
    EXPECT_EQ(lines.at(3), "");
}

TEST_F(PrintStore, TextExportShowsTheProgressWindowWhenTheReportAsks) {
    for (const bool show : {true, false}) {
        report.ShowProgress = show;
        bool shown = false;
        report.OnStartPage = [&](TReport&) {
            for (QWidget* window : QApplication::topLevelWidgets())
                shown = shown || (qobject_cast<TRpProgressForm*>(window) && window->isVisible());
        };
        TRpTextExportFilter filter(path("out.txt"));
        exportReport(report, filter);
        EXPECT_EQ(shown, show);
    }
}

// A text that would cover an earlier one starts one blank after it, and the next one keeps a blank
// after the moved one; texts that only touch stay where the grid puts them.
TEST_F(PrintStore, TextExportFilterKeepsEveryTextWholeAndSkipsRowsOutsideTheBuffer) {
    TRpTextExportFilter filter(path("grid.txt"));
    const double cell = 10 * 254.0 / 72;
    filter.Start(2159, 2794, QFont("Arial", 10));
    filter.StartPage();
    filter.TextItem({}, Qt::black, "q", TAlignment::taLeftJustify, 0, 8 * cell / 1.7);
    filter.TextItem({}, Qt::black, "abcdef", TAlignment::taLeftJustify, 0, 0);
    filter.TextItem({}, Qt::black, "XY", TAlignment::taLeftJustify, 0, 2 * cell / 1.7);
    filter.TextItem({}, Qt::black, "far", TAlignment::taLeftJustify, 300 * cell, 0);
    filter.TextItem({}, Qt::black, "up", TAlignment::taLeftJustify, -5 * cell, 0);
    filter.TextItem({}, Qt::black, "z", TAlignment::taLeftJustify, 3 * cell, 4 * cell / 1.7);
    filter.TextItem({}, Qt::black, "w", TAlignment::taLeftJustify, 3 * cell, 5 * cell / 1.7);
    filter.EndPage();
    filter.Finish();
    QFile file(path("grid.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(file.readAll()), "abcdef XY q\n   zw\n");
}

TEST_F(PrintStore, TextExportToAnUnwritablePlaceFails) {
    TRpTextExportFilter filter(path("missing/folder/out.txt"));
    EXPECT_THROW(exportReport(report, filter), ERpError);
}

TEST_F(PrintStore, PdfHoldsThePageAtItsPaperSizeWithItsText) {
    if (!popplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
    TRpPrinter printer;
    run(printer);
    savePagesPdf(printer, path("page.pdf"));
    const QString content = textOfOneLetterPage(path("page.pdf"));
    EXPECT_TRUE(content.contains("Broj:"));
    EXPECT_TRUE(content.contains("desno"));
}

}  // namespace
