// The preview's save and load actions through their file dialogs: the entry chosen decides the
// output, and a missing file is refused with a message.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include "ReportTestSupport.h"
#include "report/RpExport.h"
#include "report/RpPreview.h"
#include "tests/SaveDialog.h"

namespace {

class FileDialogs : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        ASSERT_TRUE(directory.isValid());
        makeLetterForm(report);
        addControl<TRpLabel>(report, "RpLabel1", 56, 152, 73, 33)->SetCaption("Broj:");
        report.SetPrinter(&printer);
        report.CreateReport(false);
        report.SetPrinter(nullptr);
        runtime::setDialogHandler([this](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files) return int(QDialog::Rejected);
            offered = files->nameFilters();
            return saveAsChosen(*files, entry, chosen);
        });
    }
    void TearDown() override {
        runtime::setDialogHandler({});
        ReportTest::TearDown();
    }
    QString path(const char* name) const { return directory.filePath(QLatin1String(name)); }

    QTemporaryDir directory;
    TReport report;
    TRpPrinter printer;
    QStringList offered;
    int entry = 0;
    QString chosen;
};

enum class Saved { Native, Text, Pdf, List };

// The name typed under the entry chosen (0 native, 1 text, 2 PDF, 3 CSV, 4 workbook), for a list report
// or another, and the file saved, in which type.
struct SaveCase {
    const char* title;
    int entry;
    const char* typed;
    bool list;
    const char* saved;
    Saved as;
};

class SaveAs : public FileDialogs, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveAs, TheTypedSuffixOfAnOfferedTypeDecidesElseTheChosenEntry) {
    const SaveCase& c = GetParam();
    QString exportedTo, listedTo;
    int filter = 0;
    printer.ExportHook = [&](const QString& fileName, int index) {
        exportedTo = fileName;
        filter = index;
    };
    if (c.list) printer.ListHook = [&](const QString& fileName) { listedTo = fileName; };
    entry = c.entry;
    chosen = path(c.typed);
    saveFromPreview(printer, nullptr);

    QStringList entries{"Report file(*.RPP)", "Text file (*.TXT)", "PDF file (*.PDF)"};
    if (c.list)
        entries << "CSV file (*.CSV)"
                << "Excel workbook (*.XLSX)";
    EXPECT_EQ(offered, entries);
    const QString saved = path(c.saved);
    const bool written = c.as == Saved::Native || c.as == Saved::Pdf;
    EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files),
              written ? QStringList{QLatin1String(c.saved)} : QStringList());
    EXPECT_EQ(exportedTo, c.as == Saved::Text ? saved : QString());
    EXPECT_EQ(filter, c.as == Saved::Text ? 1 : 0);
    EXPECT_EQ(listedTo, c.as == Saved::List ? saved : QString());
    QFile file(saved);
    if (c.as == Saved::Native) {
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), printer.PageList()->Stream().ReadAll());
    } else if (c.as == Saved::Pdf) {
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(5) == "%PDF-");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAs,
    ::testing::Values(
        SaveCase{"Native", 0, "saved.RPP", false, "saved.RPP", Saved::Native},
        SaveCase{"TextGetsItsSuffix", 1, "out", false, "out.TXT", Saved::Text},
        SaveCase{"PdfGetsItsSuffix", 2, "zahtev", false, "zahtev.pdf", Saved::Pdf},
        SaveCase{"PdfNameUnderNative", 0, "stanje.pdf", false, "stanje.pdf", Saved::Pdf},
        SaveCase{"CapitalPdfNameUnderText", 1, "STANJE.PDF", false, "STANJE.PDF", Saved::Pdf},
        SaveCase{"TextNameUnderPdf", 2, "stanje.txt", false, "stanje.txt", Saved::Text},
        SaveCase{"NativeNameUnderPdf", 2, "stanje.rpp", false, "stanje.rpp", Saved::Native},
        SaveCase{"OtherSuffixUnderNative", 0, "stanje.v2", false, "stanje.v2.RPP", Saved::Native},
        SaveCase{"OtherSuffixUnderPdf", 2, "stanje.doc", false, "stanje.doc.pdf", Saved::Pdf},
        SaveCase{"WorkbookNameUnderNative", 0, "stanje.xlsx", true, "stanje.xlsx", Saved::List},
        SaveCase{"CsvNameUnderWorkbook", 4, "stanje.csv", true, "stanje.csv", Saved::List},
        SaveCase{"OtherSuffixUnderWorkbook", 4, "stanje.doc", true, "stanje.doc.xlsx", Saved::List},
        SaveCase{"WorkbookNameWithoutAList", 0, "stanje.xlsx", false, "stanje.xlsx.RPP", Saved::Native}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(FileDialogs, LoadShowsTheSavedPagesAndRefusesAMissingFile) {
    chosen = path("saved.RPP");
    saveFromPreview(printer, nullptr);

    TRpPrinter shown;
    TReport other;
    makeLetterForm(other);
    other.SetPrinter(&shown);
    other.CreateReport(false);
    other.SetPrinter(nullptr);
    TRpPreview preview;
    preview.Attach(&shown);

    chosen = path("nowhere.RPP");
    loadIntoPreview(preview);
    EXPECT_EQ(messages, QStringList{"File does not exist"});
    EXPECT_NE(*shown.PageList()->Page(1), *printer.PageList()->Page(1));

    chosen = path("saved.RPP");
    loadIntoPreview(preview);
    EXPECT_EQ(offered, QStringList{"Report file (*.RPP)"});
    EXPECT_EQ(*shown.PageList()->Page(1), *printer.PageList()->Page(1));
    EXPECT_TRUE(preview.Image().HasImage());
    preview.Detach();
}

}  // namespace
