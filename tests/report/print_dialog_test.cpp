// The preview's save and load actions through their file dialogs: the entry chosen decides the
// output, and a missing file is refused with a message.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include "ReportTestSupport.h"
#include "report/RpExport.h"
#include "report/RpPreview.h"

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
            // The entry is chosen as a person does, in the file type box.
            auto* types = files->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; i < entry; ++i) QTest::keyClick(types, Qt::Key_Down);
            files->selectFile(chosen);
            return int(QDialog::Accepted);
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

TEST_F(FileDialogs, TheNativeEntrySavesTheStoredPages) {
    chosen = path("saved.RPP");
    saveFromPreview(printer, nullptr);
    EXPECT_EQ(offered, QStringList({"Report file(*.RPP)", "Text file (*.TXT)", "PDF file (*.PDF)"}));
    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), printer.PageList()->Stream().ReadAll());
}

TEST_F(FileDialogs, TheTextEntryGoesToTheExportHookWithItsFilter) {
    QString exportedTo;
    int filter = 0;
    printer.ExportHook = [&](const QString& fileName, int index) {
        exportedTo = fileName;
        filter = index;
    };
    entry = 1;
    chosen = path("out");
    saveFromPreview(printer, nullptr);
    EXPECT_EQ(exportedTo, path("out.TXT"));
    EXPECT_EQ(filter, 1);
}

TEST_F(FileDialogs, ThePdfEntryWritesAPdfWithItsOwnSuffix) {
    entry = 2;
    chosen = path("zahtev");
    saveFromPreview(printer, nullptr);
    EXPECT_FALSE(QFile::exists(path("zahtev.RPP")));
    QFile file(path("zahtev.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

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
