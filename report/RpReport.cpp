// The report object: page geometry, printer configuration, the report run and the preview.
#include "report/RpReport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLocale>
#include <QPageSize>
#include <QPointer>
#include <QPrinterInfo>

#include "report/RpBand.h"
#include "report/RpData.h"
#include "report/RpExport.h"
#include "report/RpPreview.h"
#include "report/RpStandardPreview.h"
#include "runtime/Application.h"
#include "runtime/ScopeGuard.h"
#include "runtime/Seams.h"

// ---- TRpPage -----------------------------------------------------------------------------------

void TRpPage::SetValue(Index index, double value) {
    if ((index == PageLength || index == PageWidth) && paper_ != TRpPaperSize::Custom) return;
    Values[index] = value;
}

void TRpPage::SetColumns(int columns) {
    if (columns >= 1) columns_ = columns;
}

void TRpPage::SetOrientation(TRpOrientation orientation) {
    orientation_ = orientation;
    applyPaper();
}

void TRpPage::SetPaperSize(TRpPaperSize paper) {
    paper_ = paper;
    applyPaper();
}

void TRpPage::applyPaper() {
    const TRpPaperInfo& info = paperInfo(paper_);
    if (info.widthMM <= 0) return;  // Default and Custom keep the size they have
    const bool landscape = orientation_ == TRpOrientation::poLandscape;
    Values[PageWidth] = (landscape ? info.lengthMM : info.widthMM) * 10;
    Values[PageLength] = (landscape ? info.widthMM : info.lengthMM) * 10;
}

// ---- Operations provided by the printing module -------------------------------------------------

namespace {

TRpReportOperations& operationsStore() {
    static TRpReportOperations operations;
    return operations;
}

// The platform page size of a paper of the table, where the platform has one.
std::optional<QPageSize::PageSizeId> platformPageSize(TRpPaperSize paper) {
    switch (paper) {
        case TRpPaperSize::Letter:
        case TRpPaperSize::LetterSmall:
            return QPageSize::Letter;
        case TRpPaperSize::Tabloid:
        case TRpPaperSize::rp11X17:
            return QPageSize::Tabloid;
        case TRpPaperSize::Ledger:
            return QPageSize::Ledger;
        case TRpPaperSize::Legal:
            return QPageSize::Legal;
        case TRpPaperSize::Statement:
            return QPageSize::Statement;
        case TRpPaperSize::Executive:
            return QPageSize::ExecutiveStandard;
        case TRpPaperSize::A3:
            return QPageSize::A3;
        case TRpPaperSize::A4:
        case TRpPaperSize::A4Small:
            return QPageSize::A4;
        case TRpPaperSize::A5:
            return QPageSize::A5;
        case TRpPaperSize::B4:
            return QPageSize::JisB4;
        case TRpPaperSize::B5:
            return QPageSize::JisB5;
        case TRpPaperSize::Folio:
            return QPageSize::FanFoldGermanLegal;
        case TRpPaperSize::Quarto:
            return QPageSize::Quarto;
        case TRpPaperSize::rp10X14:
            return QPageSize::Imperial10x14;
        case TRpPaperSize::Note:
            return QPageSize::Note;
        case TRpPaperSize::Env9:
            return QPageSize::Envelope9;
        case TRpPaperSize::Env10:
            return QPageSize::Envelope10;
        case TRpPaperSize::Env11:
            return QPageSize::Envelope11;
        case TRpPaperSize::Env12:
            return QPageSize::Envelope12;
        case TRpPaperSize::Env14:
            return QPageSize::Envelope14;
        default:
            return std::nullopt;
    }
}

TRpPaperSize paperFromPlatform(QPageSize::PageSizeId id) {
    for (int i = 1; i < static_cast<int>(TRpPaperSize::Custom); ++i) {
        if (platformPageSize(static_cast<TRpPaperSize>(i)) == id) return static_cast<TRpPaperSize>(i);
    }
    return TRpPaperSize::Default;
}

// The installed printer the settings select, when Qt knows it.
QPrinterInfo selectedPrinter(int printerIndex) {
    const QStringList names = runtime::printerNames();
    const QString name = printerIndex >= 0 && printerIndex < names.size() ? names.at(printerIndex)
                                                                          : runtime::defaultPrinterName();
    return QPrinterInfo::printerInfo(name);
}

}  // namespace

void setReportOperations(TRpReportOperations operations) {
    operationsStore() = std::move(operations);
}
const TRpReportOperations& reportOperations() {
    return operationsStore();
}

// ---- TReport -----------------------------------------------------------------------------------

TReport::TReport(QObject* parent)
    : QObject(parent), font_(QStringLiteral("Arial"), 10), measure_(measuringDevice(TRpPrinter::kScreenDpi)) {
    if (QLocale::system().language() == QLocale::Japanese) font_ = QFont();
    applyMeasurementDefaults();
}

TReport::~TReport() = default;

void TReport::applyMeasurementDefaults() {
    const bool us = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    units_ = us ? TRpUnits::Inches : TRpUnits::MM;
    const double margin = us ? 127 : 100;
    for (auto index : {TRpPage::BottomMargin, TRpPage::TopMargin, TRpPage::LeftMargin, TRpPage::RightMargin})
        page_.Values[index] = margin;
    page_.SetPaperSize(us ? TRpPaperSize::Letter : TRpPaperSize::A4);
    if (runtime::printersInstalled()) {
        const QPrinterInfo printer = selectedPrinter(-1);
        if (!printer.isNull()) {
            const TRpPaperSize paper = paperFromPlatform(printer.defaultPageSize().id());
            if (paper != TRpPaperSize::Default) page_.SetPaperSize(paper);
        }
    }
}

void TReport::SetZoom(int zoom) {
    if (zoom >= 1 && zoom <= 300) zoom_ = zoom;
}

TRpUnitContext TReport::UnitContext() const {
    TRpUnitContext context;
    context.resolution = TRpPrinter::kScreenDpi;
    context.zoom = zoom_;
    const QFontMetrics metrics(font_, &measure_);
    context.charWidthMM = metrics.averageCharWidth() * 25.4 / TRpPrinter::kScreenDpi;
    context.charHeightMM = metrics.height() * 25.4 / TRpPrinter::kScreenDpi;
    return context;
}

double TReport::ToUnits(double native, TRpAxis axis) const {
    return nativeToUnit(native, units_, axis, UnitContext());
}

double TReport::FromUnits(double value, TRpAxis axis) const {
    return unitToNative(value, units_, axis, UnitContext());
}

int TReport::MeasureWidth(const QFont& font, const QString& text) const {
    return QFontMetrics(font, &measure_).horizontalAdvance(text);
}

int TReport::MeasureHeight(const QFont& font, const QString&) const {
    return QFontMetrics(font, &measure_).height();
}

std::vector<TRpPrintable*> TReport::Printables() const {
    return printableChildren(*this);
}

std::vector<TRpBand*> TReport::Bands() const {
    std::vector<TRpBand*> bands;
    for (QObject* child : children()) {
        if (auto* band = qobject_cast<TRpBand*>(child)) bands.push_back(band);
    }
    return bands;
}

void TReport::ConfigurePrinter(TRpPrinter& printer) const {
    TRpPrinterSettings& settings = printer.Settings;
    settings.PrinterIndex = PrinterSettings.PrinterIndex;
    // With no printer installed the report's own paper is taken as it is. Otherwise the settings
    // start from the selected device's paper and its physical size, which Default keeps; another
    // paper must be one the device supports, or the device's stays.
    bool accepted = true;
    if (runtime::printersInstalled()) {
        const QPrinterInfo device = selectedPrinter(PrinterSettings.PrinterIndex);
        if (!device.isNull()) {
            const QPageSize own = device.defaultPageSize();
            const QSizeF size = own.size(QPageSize::Millimeter) * 10;
            settings.PaperSize = paperFromPlatform(own.id());
            settings.PaperWidth = size.width();
            settings.PaperLength = size.height();
            if (const auto wanted = platformPageSize(page_.PaperSize())) {
                accepted = false;
                for (const QPageSize& supported : device.supportedPageSizes())
                    accepted = accepted || supported.id() == *wanted;
            }
        }
    }
    if (accepted) settings.PaperSize = page_.PaperSize();
    if (settings.PaperSize == TRpPaperSize::Custom) {
        settings.PaperWidth = page_.Value(TRpPage::PageWidth);
        settings.PaperLength = page_.Value(TRpPage::PageLength);
    }
    settings.Orientation = page_.Orientation();
    settings.Copies = PrinterSettings.Copies;
    settings.Duplex = PrinterSettings.Duplex;
    settings.OutputBin = PrinterSettings.OutputBin;
    printer.FirstPage = PrinterSettings.FirstPage;
    printer.LastPage = PrinterSettings.LastPage;
    printer.SetTitle(ReportTitle);
    printer.Compression = Options.testFlag(TRpReportOption::Compression);
}

void TReport::CreateReportOn(TRpPrinter& printer) {
    const auto printing = runtime::setForScope(printer_, &printer);
    CreateReport(false);
}

void TReport::CreateReport(bool composite) {
    if (!available_) return;
    if (!printer_) throw ERpError(QStringLiteral("Report printer not ready"));
    // The report is busy until the run ends, however it ends: also when ending the document fails.
    const auto busy = runtime::setForScope(available_, false);
    finalPage_ = false;
    bool print = true;
    if (BeforePrint) BeforePrint(*this, print);
    if (!print) return;
    TRpPrinter& printer = *printer_;
    const std::vector<TRpBand*> bands = Bands();
    // Every printable under the report is prepared: its own and those on its bands.
    std::vector<TRpPrintable*> printables = Printables();
    for (TRpBand* band : bands) {
        for (TRpPrintable* printable : band->Printables()) printables.push_back(printable);
    }
    // Ending the document can fail, so it cannot run in a scope guard; the units and the printables
    // are given back first, when the run's scope is left.
    const auto endDocument = [&] {
        if (composite) return;
        if (printer.Cancelled() || exportFilter_) {
            printer.Abort();
        } else {
            printer.EndDoc();
        }
    };
    try {
        const auto nativeUnits = runtime::setForScope(units_, TRpUnits::Native);
        bool prepared = false;
        const runtime::ScopeGuard unprepare([&] {
            if (!prepared) return;
            for (TRpPrintable* printable : printables) printable->Unprepare();
        });
        if (!composite) {
            ConfigurePrinter(printer);
            printer.BeginDoc();
        }
        currentY_ = page_.Value(TRpPage::PageLength);
        pageNumber_ = 0;
        column_ = 1;
        pageFooterHeight_ = 0;
        for (TRpBand* band : bands) {
            if (band->Enabled && band->BandType() == TRpBandType::PageFooter)
                pageFooterHeight_ += band->Height;
        }
        currentX_ = page_.Value(TRpPage::LeftMargin);
        for (TRpPrintable* printable : printables) printable->Prepare(&printer);
        prepared = true;
        pageCount_ = bands.empty() ? 1 : LayBands(false);
        pageNumber_ = 0;
        NewPage();
        // Without bands the data loop has nothing to print, whether or not PrintIfEmpty is set.
        if (!bands.empty()) LayBands(true);
        currentX_ = page_.Value(TRpPage::LeftMargin);
        finalPage_ = true;
        if (!printer.Cancelled()) EndPage();
    } catch (...) {
        endDocument();
        throw;
    }
    endDocument();
}

int TReport::LayBands(bool draw) {
    const auto first = [bands = Bands()](TRpBandType type) -> TRpBand* {
        for (TRpBand* band : bands) {
            if (band->Enabled && band->BandType() == type) return band;
        }
        return nullptr;
    };
    TRpBand* const title = first(TRpBandType::Title);
    TRpBand* const header = first(TRpBandType::ColumnHeader);
    TRpBand* const detail = first(TRpBandType::Detail);
    TRpBand* const summary = first(TRpBandType::Summary);
    const double top = page_.Value(TRpPage::TopMargin);
    const double bottom =
        page_.Value(TRpPage::PageLength) - page_.Value(TRpPage::BottomMargin) - pageFooterHeight_;
    if (!draw) {
        pageNumber_ = 1;
        currentY_ = top;
    }
    recordNo_ = detailNo_ = 0;
    bool pageHasRecords = false;  // anything below the title and the column header

    // A band that does not fit below the title and header of a fresh page never will.
    const auto put = [&](TRpBand& band) {
        if (currentY_ + band.Height > bottom)
            throw ERpError(QStringLiteral("The band %1 is taller than the page").arg(band.objectName()));
        if (draw) band.Print(page_.Value(TRpPage::LeftMargin), currentY_);
        currentY_ += band.Height;
    };
    const auto pageTop = [&] {
        if (title && pageNumber_ == 1) put(*title);
        if (header && (pageNumber_ > 1 || Options.testFlag(TRpReportOption::FirstPageHeader))) put(*header);
        pageHasRecords = false;
    };
    const auto makeRoom = [&](const TRpBand& band) {
        if (!pageHasRecords || currentY_ + band.Height <= bottom) return;
        if (draw) {
            NewPage();
            QCoreApplication::processEvents();
        } else {
            ++pageNumber_;
            currentY_ = top;
        }
        pageTop();
    };

    pageTop();
    const int records = dataSet_ && detail ? dataSet_->RowCount() : 0;
    int progress = 0;
    for (int row = 0; row < records; ++row) {
        if (draw && printer_->Cancelled()) return pageNumber_;
        recordNo_ = row;
        makeRoom(*detail);
        detailNo_ = row + 1;
        put(*detail);
        pageHasRecords = true;
        if (draw && detailNo_ * 100 / records != progress)
            printer_->SetProgress(progress = detailNo_ * 100 / records);
    }
    if (summary) {
        makeRoom(*summary);
        put(*summary);
    }
    return pageNumber_;
}

void TReport::NewPage() {
    EndPage();
    ++pageNumber_;
    if (!exportFilter_ || pageNumber_ == 1) printer_->NewPage();
    if (exportFilter_) exportFilter_->StartPage();
    currentY_ = page_.Value(TRpPage::TopMargin);
    if (OnStartPage) OnStartPage(*this);
}

void TReport::EndPage() {
    if (pageNumber_ <= 0) return;
    if (OnEndPage) OnEndPage(*this);
    currentY_ = page_.Value(TRpPage::PageLength) - page_.Value(TRpPage::BottomMargin) - pageFooterHeight_;
    if (!finalPage_ || Options.testFlag(TRpReportOption::LastPageFooter)) {
        for (TRpBand* band : Bands()) {
            if (!band->Enabled || band->BandType() != TRpBandType::PageFooter) continue;
            band->Print(page_.Value(TRpPage::LeftMargin), currentY_);
            currentY_ += band->Height;
        }
    }
    for (TRpPrintable* printable : Printables()) printable->Print(0, 0);
    if (outputToCanvas_ && Frame.AnySide()) {
        const double left = page_.Value(TRpPage::LeftMargin), top = page_.Value(TRpPage::TopMargin);
        const double right = page_.Value(TRpPage::PageWidth) - page_.Value(TRpPage::RightMargin);
        const double bottom = page_.Value(TRpPage::PageLength) - page_.Value(TRpPage::BottomMargin);
        drawFrame(printer_->Canvas(), *printer_, Frame, left, top, right - left, bottom - top);
    }
    if (exportFilter_) exportFilter_->EndPage();
}

void TReport::Preview() {
    if (!available_ || previewOpen_) return;
    TRpPrinter printer;
    // The caller waits here until the preview stops showing or the application terminates.
    QEventLoop wait;
    const auto open = runtime::setForScope(previewOpen_, true);
    printer.AfterPreviewHook = [this, &wait] {
        wait.quit();
        if (AfterPreview) AfterPreview(*this);
    };
    printer.AfterPrintHook = [this] {
        if (AfterPrint) AfterPrint(*this);
    };
    printer.SetDestination(TRpPrinter::Destination::PageImages);
    const TRpReportOperations& operations = reportOperations();
    if (operations.Print) printer.PrintHook = [this] { reportOperations().Print(*this); };
    if (operations.PrinterSetup)
        printer.PrinterSetupHook = [this] { reportOperations().PrinterSetup(*this); };
    if (operations.Export) {
        printer.ExportHook = [this](const QString& fileName, int filter) {
            reportOperations().Export(*this, fileName, filter);
        };
    }
    if (const TRpDataTable* list = ListTable())
        printer.ListHook = [list](const QString& fileName) { list->SaveAsTable(fileName); };
    printer.SetTitle(ReportTitle);
    const auto previewing = runtime::setForScope(printer_, &printer);

    QPointer<TRpStandardPreview> window;
    const runtime::ScopeGuard closeWindow([&] {
        if (window) window->Preview().Detach();
        delete window.data();
    });
    if (OnPreview) {
        OnPreview(*this, printer);
    } else {
        window = new TRpStandardPreview(printer);
        window->showMaximized();
    }
    QCoreApplication::processEvents();
    CreateReport(false);
    printer.SetProgress(100);
    if (printer.Showing()) {
        if (Application) {
            Application->RunLoop(wait);
        } else {
            wait.exec();
        }
    }
}
