// Printing reports and stored pages through Qt's printer support, and the printer setup dialog.
#include "report/RpPrinting.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrintDialog>
#include <cmath>

#include "report/RpExport.h"
#include "report/RpReport.h"
#include "report/RpStandardPreview.h"
#include "runtime/Geometry.h"
#include "runtime/Seams.h"

namespace {

// Qt numbers its paper sources one below the platform bin codes, up to large capacity.
constexpr int kLastSequentialBin = 11;
constexpr int kCassetteBin = 14;

QString printerNameFor(int printerIndex) {
    const QStringList names = runtime::printerNames();
    return printerIndex >= 0 && printerIndex < names.size() ? names.at(printerIndex)
                                                            : runtime::defaultPrinterName();
}

QPageLayout::Orientation qtOrientation(TRpOrientation orientation) {
    return orientation == TRpOrientation::poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

// Writes the run's paper (Default leaves the device's own), orientation, copies, duplex and bin into
// `device`.
void applySettings(QPrinter& device, const TRpPrinterSettings& settings) {
    if (settings.PaperSize == TRpPaperSize::Custom) {
        device.setPageSize(QPageSize(QSizeF(settings.PaperWidth, settings.PaperLength) / 10,
                                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    } else if (settings.PaperSize != TRpPaperSize::Default) {
        device.setPageSize(pageSizeFor(settings.PaperSize));
    }
    device.setPageOrientation(qtOrientation(settings.Orientation));
    device.setCopyCount(std::max(1, settings.Copies));
    device.setDuplex(settings.Duplex ? QPrinter::DuplexLongSide : QPrinter::DuplexNone);
    device.setPaperSource(paperSourceFor(settings.OutputBin));
}

int tenthsOfMillimetre(double pixels, double dotsPerInch) {
    return dotsPerInch > 0 ? int(std::lround(pixels / dotsPerInch * 254)) : 0;
}

// The selected printer as the run's device: each page is recorded at the printer's resolution,
// positioned from the physical paper edge, and drawn onto the printable area when it ends.
class TQtPrinterDevice : public TRpPrinterDevice {
  public:
    TQtPrinterDevice(const QString& printerName, const TRpPrinter& run)
        : device_(QPrinter::HighResolution), run_(run) {
        device_.setPrinterName(printerName);
        device_.setFullPage(false);
    }

    double DotsPerInchX() const override { return configured().resolution(); }
    double DotsPerInchY() const override { return configured().resolution(); }
    double LeftOffset() const override {
        const QPrinter& device = configured();
        return tenthsOfMillimetre(device.pageRect(QPrinter::DevicePixel).left(), device.resolution());
    }
    double TopOffset() const override {
        const QPrinter& device = configured();
        return tenthsOfMillimetre(device.pageRect(QPrinter::DevicePixel).top(), device.resolution());
    }

    // Qt's printer support spools a job until the painter ends and cannot take back a begun job, so
    // the pages are kept until the document ends: an aborted run sends nothing to the printer.
    void BeginDoc(const QString& title) override {
        configured();
        device_.setDocName(title);
        pages_.clear();
    }
    TRpCanvas& BeginPage(int) override {
        const QSize sheet = device_.pageLayout().fullRectPixels(device_.resolution()).size();
        page_ = std::make_unique<TRpPageRecorder>(sheet, device_.resolution());
        return *page_;
    }
    void EndPage() override {
        if (page_) pages_.push_back(page_->TakePage());
        page_.reset();
    }
    void EndDoc() override {
        QPainter painter;
        if (!painter.begin(&device_)) throw ERpError(QStringLiteral("Printer selected is not valid"));
        for (std::size_t i = 0; i < pages_.size(); ++i) {
            if (i > 0) device_.newPage();
            pages_[i].Replay(painter, RectF(QPointF(0, 0), pages_[i].Size()));
        }
        painter.end();
        pages_.clear();
    }
    void Abort() override {
        page_.reset();
        pages_.clear();
    }

  private:
    const QPrinter& configured() const {
        if (!configured_) {
            applySettings(device_, run_.Settings);
            configured_ = true;
        }
        return device_;
    }

    mutable QPrinter device_;
    mutable bool configured_ = false;
    const TRpPrinter& run_;
    std::unique_ptr<TRpPageRecorder> page_;
    std::vector<TRpPageImage> pages_;
};

void exportThroughFilter(TReport& report, const QString& fileName, int filterIndex) {
    const std::vector<TRpExportFilterClass>& filters = exportFilters();
    if (filterIndex < 1 || filterIndex > int(filters.size())) return;
    const std::unique_ptr<TRpExportFilter> filter = filters[filterIndex - 1].Create(fileName);
    exportReport(report, *filter);
}

}  // namespace

// ---- Paper and bin codes -----------------------------------------------------------------------

QPageSize pageSizeFor(TRpPaperSize paper) {
    const TRpPaperInfo& info = paperInfo(paper);
    const QPageSize::PageSizeId id = QPageSize::id(info.code);
    if (info.code > 0 && id != QPageSize::Custom) return QPageSize(id);
    return QPageSize(QSizeF(info.widthMM, info.lengthMM), QPageSize::Millimeter, QString(),
                     QPageSize::ExactMatch);
}

TRpPaperSize paperFor(const QPageSize& size) {
    return paperSizeForCode(size.windowsId());
}

QPrinter::PaperSource paperSourceFor(TRpBin bin) {
    const int code = binCode(bin);
    if (code >= 1 && code <= kLastSequentialBin) return QPrinter::PaperSource(code - 1);
    if (code == kCassetteBin) return QPrinter::Cassette;
    return QPrinter::Auto;
}

std::optional<TRpBin> binFor(QPrinter::PaperSource source) {
    const int value = int(source);
    if (value >= 0 && value < kLastSequentialBin) return binForCode(value + 1);
    if (source == QPrinter::Cassette) return binForCode(kCassetteBin);
    return std::nullopt;
}

// ---- Printing ----------------------------------------------------------------------------------

void printReport(TReport& report) {
    if (!report.Available() || !runtime::printersInstalled()) return;
    TRpPrinter printer;
    printer.AfterPrintHook = [&report] {
        if (report.AfterPrint) report.AfterPrint(report);
    };
    printer.SetDestination(TRpPrinter::Destination::PrinterDevice);
    printer.SetDevice(
        std::make_unique<TQtPrinterDevice>(printerNameFor(report.PrinterSettings.PrinterIndex), printer));
    TRpProgressForm progress(printer);
    if (report.ShowProgress) progress.show();
    report.CreateReportOn(printer);
}

void printStoredPages(TRpPrinter& printer) {
    if (printer.GetStatus() != TRpPrinter::Status::Finished || !runtime::printersInstalled()) return;
    printer.SetCancelled(false);
    // The pages are read first, answering Cancel between them; a cancelled run sends no job.
    std::vector<TRpPageImage> pages;
    for (int n = 1; n <= printer.PageCount(); ++n) {
        QCoreApplication::processEvents();
        if (printer.Cancelled()) return;
        if (std::optional<TRpPageImage> page = printer.Page(n)) pages.push_back(std::move(*page));
    }
    QPrinter device(QPrinter::HighResolution);
    device.setPrinterName(printerNameFor(printer.Settings.PrinterIndex));
    device.setFullPage(false);
    applySettings(device, printer.Settings);
    device.setDocName(printer.Title());
    QPainter painter;
    if (!painter.begin(&device)) throw ERpError(QStringLiteral("Printer selected is not valid"));
    const RectF printable(0, 0, device.width(), device.height());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) device.newPage();
        pages[i].Replay(painter, printable);
    }
    painter.end();
}

// ---- Printer setup -----------------------------------------------------------------------------

void printerSetup(TReport& report) {
    if (!report.Available() || !runtime::printersInstalled()) return;
    QPrinter device(QPrinter::HighResolution);
    device.setPrinterName(printerNameFor(report.PrinterSettings.PrinterIndex));
    device.setPageOrientation(qtOrientation(report.Page().Orientation()));
    device.setCopyCount(std::max(1, report.PrinterSettings.Copies));
    QPrintDialog dialog(&device);
    dialog.setMinMax(0, 9999);
    const TRpPrinter* shown = report.Printer();
    if (shown && shown->GetStatus() == TRpPrinter::Status::Finished) {
        dialog.setMinMax(1, std::max(1, shown->PageCount()));
        device.setFromTo(1, std::max(1, shown->PageCount()));
    }
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
    device.setPrintRange(QPrinter::AllPages);
    device.setCollateCopies(false);
    if (runtime::execDialog(dialog) != QDialog::Accepted) {
        report.Tag = 1;
        return;
    }
    TReportPrinterSettings& settings = report.PrinterSettings;
    settings.Copies = device.copyCount();
    if (const std::optional<TRpBin> bin = binFor(device.paperSource())) settings.OutputBin = *bin;
    const QPageSize chosen = device.pageLayout().pageSize();
    const TRpPaperSize paper = paperFor(chosen);
    if (paper != TRpPaperSize::Default) report.Page().SetPaperSize(paper);
    if (paper == TRpPaperSize::Custom) {
        const QSizeF size = chosen.size(QPageSize::Millimeter) * 10;
        report.Page().SetValue(TRpPage::PageWidth, size.width());
        report.Page().SetValue(TRpPage::PageLength, size.height());
    }
    const qsizetype index = runtime::printerNames().indexOf(device.printerName());
    settings.PrinterIndex = index >= 0 ? int(index) : -1;
    report.Page().SetOrientation(device.pageLayout().orientation() == QPageLayout::Landscape
                                     ? TRpOrientation::poLandscape
                                     : TRpOrientation::poPortrait);
    const bool pageNumbers = device.printRange() == QPrinter::PageRange;
    settings.FirstPage = pageNumbers ? device.fromPage() : 0;
    settings.LastPage = pageNumbers ? device.toPage() : 0;
    report.Tag = 0;
}

void registerPrintingOperations() {
    TRpReportOperations operations;
    operations.Print = printReport;
    operations.PrinterSetup = printerSetup;
    operations.Export = exportThroughFilter;
    operations.PrintStoredPages = printStoredPages;
    operations.Save = saveFromPreview;
    operations.Load = loadIntoPreview;
    setReportOperations(std::move(operations));
}
