// The printer setup dialog and what it changes on a report, the paper and bin mapping to Qt's
// printer support, and printing with no printer installed.
#include <QPrintDialog>
#include <QPrinter>

#include "ReportTestSupport.h"
#include "report/RpPrinting.h"

namespace {

// One printer is installed; the print dialog is answered by `answer` after `script` has run.
class PrinterSetup : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        runtime::setPrinterList(QStringList{"KovrelTest"});
        makeLetterForm(report);
        addControl<TRpLabel>(report, "RpLabel1", 56, 152, 73, 33)->SetCaption("Broj:");
        runtime::setDialogHandler([this](QDialog& dialog) {
            auto* print = qobject_cast<QPrintDialog*>(&dialog);
            if (!print) return int(QDialog::Rejected);
            ++shown;
            minPage = print->minPage();
            maxPage = print->maxPage();
            fromPage = print->printer()->fromPage();
            toPage = print->printer()->toPage();
            if (script) script(*print->printer());
            return answer;
        });
    }
    void TearDown() override {
        runtime::setDialogHandler({});
        ReportTest::TearDown();
    }

    TReport report;
    std::function<void(QPrinter&)> script;
    int answer = QDialog::Accepted;
    int shown = 0;
    int minPage = -1, maxPage = -1, fromPage = -1, toPage = -1;
};

TEST_F(PrinterSetup, DuringAPreviewOfOnePageTheRangeIsOneToOne) {
    TRpPrinter preview;
    report.SetPrinter(&preview);
    report.CreateReport(false);
    printerSetup(report);
    report.SetPrinter(nullptr);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(minPage, 1);
    EXPECT_EQ(maxPage, 1);
    EXPECT_EQ(fromPage, 1);
    EXPECT_EQ(toPage, 1);
}

TEST_F(PrinterSetup, WithoutAPreviewAnyPageCanBeChosen) {
    printerSetup(report);
    EXPECT_EQ(minPage, 0);
    EXPECT_EQ(maxPage, 9999);
}

TEST_F(PrinterSetup, ConfirmingTakesPaperBinCopiesAndRange) {
    script = [](QPrinter& printer) {
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPaperSource(QPrinter::Manual);
        printer.setCopyCount(3);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 4);
    };
    report.Tag = 7;
    printerSetup(report);
    EXPECT_EQ(report.Tag, 0);
    EXPECT_EQ(report.Page().PaperSize(), TRpPaperSize::A4);
    EXPECT_EQ(report.Page().Value(TRpPage::PageWidth), 2100);
    EXPECT_EQ(report.Page().Value(TRpPage::PageLength), 2970);
    EXPECT_EQ(report.PrinterSettings.OutputBin, TRpBin::Manual);
    EXPECT_EQ(report.PrinterSettings.Copies, 3);
    EXPECT_EQ(report.PrinterSettings.FirstPage, 2);
    EXPECT_EQ(report.PrinterSettings.LastPage, 4);
}

TEST_F(PrinterSetup, ACustomPaperKeepsTheChosenSize) {
    script = [](QPrinter& printer) {
        printer.setPageSize(QPageSize(QSizeF(100, 150), QPageSize::Millimeter, {}, QPageSize::ExactMatch));
    };
    printerSetup(report);
    EXPECT_EQ(report.Page().PaperSize(), TRpPaperSize::Custom);
    EXPECT_DOUBLE_EQ(report.Page().Value(TRpPage::PageWidth), 1000);
    EXPECT_DOUBLE_EQ(report.Page().Value(TRpPage::PageLength), 1500);
}

TEST_F(PrinterSetup, ABinWithoutACodeInTheTableLeavesTheBinAsItWas) {
    for (const QPrinter::PaperSource source : {QPrinter::FormSource, QPrinter::CustomSource}) {
        report.PrinterSettings.OutputBin = TRpBin::Manual;
        script = [source](QPrinter& printer) { printer.setPaperSource(source); };
        printerSetup(report);
        EXPECT_EQ(report.PrinterSettings.OutputBin, TRpBin::Manual) << source;
    }
}

TEST_F(PrinterSetup, AllPagesClearsAnEarlierRange) {
    report.PrinterSettings.FirstPage = 2;
    report.PrinterSettings.LastPage = 3;
    printerSetup(report);
    EXPECT_EQ(report.PrinterSettings.FirstPage, 0);
    EXPECT_EQ(report.PrinterSettings.LastPage, 0);
}

TEST_F(PrinterSetup, TheReportsCopiesAreProposed) {
    report.PrinterSettings.Copies = 4;
    int proposed = 0;
    script = [&](QPrinter& printer) { proposed = printer.copyCount(); };
    printerSetup(report);
    EXPECT_EQ(proposed, 4);
    EXPECT_EQ(report.PrinterSettings.Copies, 4);
}

TEST_F(PrinterSetup, CancelKeepsEverySettingAndSetsTagOne) {
    script = [](QPrinter& printer) {
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setCopyCount(5);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(1, 1);
    };
    answer = QDialog::Rejected;
    const TReportPrinterSettings before = report.PrinterSettings;
    const auto values = report.Page().Values;
    printerSetup(report);
    EXPECT_EQ(report.Tag, 1);
    EXPECT_EQ(report.Page().PaperSize(), TRpPaperSize::Letter);
    EXPECT_EQ(report.Page().Values, values);
    EXPECT_EQ(report.PrinterSettings.Copies, before.Copies);
    EXPECT_EQ(report.PrinterSettings.FirstPage, before.FirstPage);
    EXPECT_EQ(report.PrinterSettings.LastPage, before.LastPage);
    EXPECT_EQ(report.PrinterSettings.OutputBin, before.OutputBin);
}

TEST_F(PrinterSetup, WithoutAPrinterNothingHappens) {
    runtime::setPrinterList(QStringList());
    report.Tag = 5;
    printerSetup(report);
    printReport(report);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(report.Tag, 5);
    EXPECT_TRUE(report.Available());
}

// ---- Paper and bins ----------------------------------------------------------------------------

class PaperMapping : public ::testing::TestWithParam<std::pair<TRpPaperSize, QPageSize::PageSizeId>> {};

TEST_P(PaperMapping, GoesBothWays) {
    const auto [paper, id] = GetParam();
    EXPECT_EQ(pageSizeFor(paper).id(), id);
    EXPECT_EQ(paperFor(QPageSize(id)), paper);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaperMapping,
                         ::testing::Values(std::pair{TRpPaperSize::Letter, QPageSize::Letter},
                                           std::pair{TRpPaperSize::A4, QPageSize::A4},
                                           std::pair{TRpPaperSize::A3, QPageSize::A3},
                                           std::pair{TRpPaperSize::Legal, QPageSize::Legal},
                                           std::pair{TRpPaperSize::A5, QPageSize::A5},
                                           std::pair{TRpPaperSize::Env10, QPageSize::Envelope10}));

TEST(PaperMappingEdges, ASizeOfItsOwnIsCustom) {
    EXPECT_EQ(paperFor(QPageSize(QSizeF(123, 77), QPageSize::Millimeter)), TRpPaperSize::Custom);
}

class BinMapping : public ::testing::TestWithParam<std::pair<TRpBin, QPrinter::PaperSource>> {};

TEST_P(BinMapping, GoesBothWays) {
    const auto [bin, source] = GetParam();
    EXPECT_EQ(paperSourceFor(bin), source);
    EXPECT_EQ(binFor(source), bin);
}

INSTANTIATE_TEST_SUITE_P(Bins, BinMapping,
                         ::testing::Values(std::pair{TRpBin::Lower, QPrinter::Lower},
                                           std::pair{TRpBin::Manual, QPrinter::Manual},
                                           std::pair{TRpBin::Envelope, QPrinter::Envelope},
                                           std::pair{TRpBin::Tractor, QPrinter::Tractor},
                                           std::pair{TRpBin::LargeCapacity, QPrinter::LargeCapacity},
                                           std::pair{TRpBin::Cassette, QPrinter::Cassette}));

}  // namespace
