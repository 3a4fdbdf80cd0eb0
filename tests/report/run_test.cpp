// The report run and the printer object: document and page control, errors, vetoes, cancelling,
// posted notifications, the paper of a run and printing onto a device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include "report/RpStandardPreview.h"
#include "tests/report/ReportTestSupport.h"

namespace {

// Counts the printer's notifications as a preview control would receive them.
class NotifyRecorder : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() == TRpPageFinishedEvent::kType)
            pages.push_back(static_cast<TRpPageFinishedEvent*>(event)->Page());
        if (event->type() == TRpProgressEvent::kType)
            progress.push_back(static_cast<TRpProgressEvent*>(event)->Percent());
        return QObject::event(event);
    }
    std::vector<int> pages;
    std::vector<int> progress;
};

}  // namespace

TEST(Printer, MisuseRaisesReportErrors) {
    TRpPrinter printer;
    try {
        printer.NewPage();
        FAIL();
    } catch (const ERpError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Illegal call to NewPage"));
    }
    printer.BeginDoc();
    try {
        printer.BeginDoc();
        FAIL();
    } catch (const ERpError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Report printer not ready"));
        EXPECT_EQ(error.ClassName(), QStringLiteral("ERpError"));
    }
    printer.EndDoc();
    EXPECT_THROW(printer.NewPage(), ERpError);
}

TEST(Printer, PageMessagesArePostedNotSent) {
    NotifyRecorder window;
    TRpPrinter printer;
    printer.SetNotifyWindow(&window);
    printer.BeginDoc();
    printer.NewPage();
    printer.NewPage();
    printer.SetProgress(50);
    printer.EndDoc();
    EXPECT_TRUE(window.pages.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.pages, (std::vector<int>{1, 2}));
    EXPECT_EQ(window.progress, std::vector<int>{50});
    EXPECT_EQ(printer.PageCount(), 2);
    EXPECT_EQ(printer.GetStatus(), TRpPrinter::Status::Finished);
}

TEST_F(ReportTest, BandlessReportMakesExactlyOnePageWithOrWithoutPrintIfEmpty) {
    for (const bool printIfEmpty : {false, true}) {
        TReport report;
        makeLetterForm(report);
        report.PrintIfEmpty = printIfEmpty;
        int started = 0, ended = 0;
        report.OnStartPage = [&](TReport&) { ++started; };
        report.OnEndPage = [&](TReport&) { ++ended; };
        addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 56, 152, 73, 33)
            ->SetCaption(QStringLiteral("Broj:"));
        const auto pages = runPages(report);
        EXPECT_EQ(pages.size(), 1u);
        EXPECT_EQ(textsOf(pages[0]), QStringList{QStringLiteral("Broj:")});
        EXPECT_EQ(started, 1);
        EXPECT_EQ(ended, 1);
        EXPECT_TRUE(report.Available());
        EXPECT_EQ(report.Units(), TRpUnits::Inches);
    }
}

TEST_F(ReportTest, WithoutAPrinterInstalledTheRunKeepsTheFormsPaper) {
    TReport report;
    makeLetterForm(report);
    TRpPrinter printer;
    report.SetPrinter(&printer);
    report.CreateReport(false);
    EXPECT_EQ(printer.Settings.PaperSize, TRpPaperSize::Letter);
    EXPECT_EQ(printer.Page(1)->Size(), QSize(816, 1056));

    report.Page().SetPaperSize(TRpPaperSize::A4);
    report.Page().SetOrientation(TRpOrientation::poLandscape);
    TRpPrinter second;
    report.SetPrinter(&second);
    report.CreateReport(false);
    EXPECT_EQ(second.Page(1)->Size(), QSize(1123, 794));
}

TEST_F(ReportTest, VetoedRunBeginsNoDocument) {
    TReport report;
    makeLetterForm(report);
    report.BeforePrint = [](TReport&, bool& print) { print = false; };
    TRpPrinter printer;
    report.SetPrinter(&printer);
    report.CreateReport(false);
    EXPECT_EQ(printer.GetStatus(), TRpPrinter::Status::Idle);
    EXPECT_EQ(printer.PageCount(), 0);
    EXPECT_TRUE(report.Available());
}

TEST_F(ReportTest, CancelledRunSkipsTheLastPageAndAbortsTheDocument) {
    TReport report;
    makeLetterForm(report);
    addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 10, 10, 73, 33)->SetCaption(QStringLiteral("x"));
    TRpPrinter printer;
    report.OnStartPage = [&](TReport&) { printer.SetCancelled(true); };
    report.SetPrinter(&printer);
    report.CreateReport(false);
    EXPECT_EQ(printer.GetStatus(), TRpPrinter::Status::Finished);
    ASSERT_EQ(printer.PageCount(), 1);
    EXPECT_TRUE(printer.Page(1)->Items().empty());  // the controls never printed
}

TEST_F(ReportTest, PrinterErrorEndsTheRunAndLeavesTheReportAvailable) {
    TReport report;
    makeLetterForm(report);
    TRpPrinter printer;
    printer.BeginDoc();  // a document already in progress
    report.SetPrinter(&printer);
    EXPECT_THROW(report.CreateReport(false), ERpError);
    EXPECT_TRUE(report.Available());
    EXPECT_EQ(printer.GetStatus(), TRpPrinter::Status::Finished);
}

TEST_F(ReportTest, ARunOnAnotherPrinterGivesTheReportItsOwnBackEvenWhenItFails) {
    TReport report;
    makeLetterForm(report);
    TRpPrinter own, other;
    other.SetDestination(TRpPrinter::Destination::PageImages);
    report.SetPrinter(&own);
    report.CreateReportOn(other);
    EXPECT_EQ(report.Printer(), &own);
    EXPECT_EQ(other.PageCount(), 1);
    EXPECT_EQ(own.PageCount(), 0);
    TRpPrinter busy;
    busy.BeginDoc();  // a document already in progress makes the run fail
    EXPECT_THROW(report.CreateReportOn(busy), ERpError);
    EXPECT_EQ(report.Printer(), &own);
}

TEST_F(ReportTest, RunRequestedDuringARunDoesNothing) {
    TReport report;
    makeLetterForm(report);
    int runs = 0;
    report.OnStartPage = [&](TReport& r) {
        ++runs;
        r.CreateReport(false);
    };
    runPages(report);
    EXPECT_EQ(runs, 1);
}

TEST_F(ReportTest, ReportFrameIsDrawnAroundTheMargins) {
    TReport report;
    makeLetterForm(report);
    report.Frame.DrawLeft = true;
    const auto lines = itemsOf<TRpPageImage::Shape>(runPages(report)[0]);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rect.topLeft(), QPoint(48, 298));  // left margin, top margin
    EXPECT_EQ(lines[0].rect.topLeft() + QPoint(0, lines[0].rect.height()), QPoint(48, 1008));
}

namespace {

// A printer device that records its pages and reports a 600 dpi sheet with a 4.2 mm margin.
class FakeDevice : public TRpPrinterDevice {
  public:
    explicit FakeDevice(std::vector<int>& printed) : printed_(printed) {}
    double DotsPerInchX() const override { return 600; }
    double DotsPerInchY() const override { return 600; }
    double LeftOffset() const override { return 42; }
    double TopOffset() const override { return 42; }
    void BeginDoc(const QString&) override { ++jobs; }
    TRpCanvas& BeginPage(int page) override {
        printed_.push_back(page);
        canvas_ = std::make_unique<TRpPageRecorder>(QSize(5100, 6600), 600);
        return *canvas_;
    }
    void EndPage() override {}
    void EndDoc() override {
        if (failToEnd) throw ERpError(QStringLiteral("Printer selected is not valid"));
    }
    void Abort() override {}
    int jobs = 0;
    bool failToEnd = false;
    std::unique_ptr<TRpPageRecorder> canvas_;

  private:
    std::vector<int>& printed_;
};

}  // namespace

TEST_F(ReportTest, DevicePagesArePositionedFromThePhysicalEdgeAndFollowThePrintRange) {
    TReport report;
    makeLetterForm(report);
    auto* label = new TRpLabel(&report);
    label->AutoSize = false;
    label->SetSizeValues({87.3125, 952.5, 402.1667, 764.6458});
    label->SetCaption(QStringLiteral("Broj"));
    int afterPrint = 0;
    report.AfterPrint = [&](TReport&) { ++afterPrint; };
    std::vector<int> printed;
    TRpPrinter printer;
    auto device = std::make_unique<FakeDevice>(printed);
    FakeDevice* fake = device.get();
    printer.SetDestination(TRpPrinter::Destination::PrinterDevice);
    printer.SetDevice(std::move(device));
    printer.AfterPrintHook = [&] { report.AfterPrint(report); };
    report.SetPrinter(&printer);
    report.CreateReport(false);
    EXPECT_EQ(printed, std::vector<int>{1});
    const auto fills = itemsOf<TRpPageImage::Fill>(fake->canvas_->Page());
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect.left(), 2151);
    EXPECT_EQ(afterPrint, 1);

    printed.clear();
    report.PrinterSettings.FirstPage = 2;
    TRpPrinter outOfRange;
    outOfRange.SetDestination(TRpPrinter::Destination::PrinterDevice);
    outOfRange.SetDevice(std::make_unique<FakeDevice>(printed));
    report.SetPrinter(&outOfRange);
    report.CreateReport(false);
    EXPECT_TRUE(printed.empty());
}

TEST(Printer, DeviceDestinationWithoutADeviceIsNotReady) {
    TRpPrinter printer;
    printer.SetDestination(TRpPrinter::Destination::PrinterDevice);
    EXPECT_THROW(printer.BeginDoc(), ERpError);
}

// A printer that cannot end its document (one Qt cannot open, a failed spill) leaves the form usable.
TEST_F(ReportTest, AFailureToEndThePrintedDocumentLeavesTheReportReadyToPreview) {
    TReport report;
    makeLetterForm(report);
    std::vector<int> printed;
    auto device = std::make_unique<FakeDevice>(printed);
    device->failToEnd = true;
    TRpPrinter printer;
    printer.SetDestination(TRpPrinter::Destination::PrinterDevice);
    printer.SetDevice(std::move(device));
    EXPECT_THROW(report.CreateReportOn(printer), ERpError);
    EXPECT_TRUE(report.Available());
    bool opened = false;
    QTimer::singleShot(5, &report, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!qobject_cast<TRpStandardPreview*>(window) || !window->isVisible()) continue;
            opened = true;
            window->close();
        }
    });
    report.Preview();
    EXPECT_TRUE(opened);
}
