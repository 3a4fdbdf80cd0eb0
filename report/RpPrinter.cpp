// The run's printer object: document and page control, page storage and notifications.
#include "report/RpPrinter.h"

#include <QCoreApplication>
#include <QSizeF>

TRpPrinter::TRpPrinter() = default;

TRpPrinter::~TRpPrinter() {
    if (status_ == Status::Printing) cancelled_ = true;
}

void TRpPrinter::post(QEvent* event) const {
    if (notify_) {
        QCoreApplication::postEvent(notify_, event);
    } else {
        delete event;
    }
}

void TRpPrinter::ChangeStatus(Status next) {
    Q_ASSERT(next == Status::Finished || (status_ == Status::Idle && next == Status::Printing));
    status_ = next;
}

void TRpPrinter::SetShowing(bool showing) {
    if (showing_ == showing) return;
    showing_ = showing;
    if (showing) return;
    if (status_ == Status::Printing) cancelled_ = true;
    if (AfterPreviewHook) AfterPreviewHook();
}

int TRpPrinter::PageCount() const {
    return pagesBegun_;
}

void TRpPrinter::SetProgress(int percent) {
    progress_ = percent;
    post(new TRpProgressEvent(percent));
}

int TRpPrinter::XPos(double x) const {
    return static_cast<int>(roundHalfEven((x - offsetX_) * factorX_));
}
int TRpPrinter::YPos(double y) const {
    return static_cast<int>(roundHalfEven((y - offsetY_) * factorY_));
}
int TRpPrinter::XSize(double x) const {
    return static_cast<int>(roundHalfEven(x * factorX_));
}
int TRpPrinter::YSize(double y) const {
    return static_cast<int>(roundHalfEven(y * factorY_));
}

namespace {

// The paper's width and length in tenths of a millimetre, in portrait: the size table's figures for a
// size it lists, else the settings' own.
QSizeF portraitPaper(const TRpPrinterSettings& settings) {
    const TRpPaperInfo& paper = paperInfo(settings.PaperSize);
    if (paper.widthMM > 0) return QSizeF(paper.widthMM * 10, paper.lengthMM * 10);
    return QSizeF(settings.PaperWidth, settings.PaperLength);
}

}  // namespace

double TRpPrinter::PaperWidth() const {
    const QSizeF paper = portraitPaper(Settings);
    return Settings.Orientation == TRpOrientation::poLandscape ? paper.height() : paper.width();
}

double TRpPrinter::PaperLength() const {
    const QSizeF paper = portraitPaper(Settings);
    return Settings.Orientation == TRpOrientation::poLandscape ? paper.width() : paper.height();
}

QSize TRpPrinter::PageImageSize() const {
    return QSize(XSize(PaperWidth()), YSize(PaperLength()));
}

bool TRpPrinter::inPrintRange(int page) const {
    return (FirstPage <= 0 || page >= FirstPage) && (LastPage <= 0 || page <= LastPage);
}

void TRpPrinter::BeginDoc() {
    if (status_ != Status::Idle) throw ERpError(QStringLiteral("Report printer not ready"));
    if (destination_ == Destination::PrinterDevice && !device_) {
        throw ERpError(QStringLiteral("Report printer not ready"));
    }
    cancelled_ = false;
    pagesBegun_ = 0;
    pagesFinished_ = 0;
    if (destination_ == Destination::PrinterDevice) {
        factorX_ = device_->DotsPerInchX() / 254.0;
        factorY_ = device_->DotsPerInchY() / 254.0;
        offsetX_ = device_->LeftOffset();
        offsetY_ = device_->TopOffset();
    } else {
        factorX_ = factorY_ = kScreenDpi / 254.0;
        offsetX_ = offsetY_ = 0;
        pages_ = std::make_unique<TRpPageList>(std::make_unique<TRpStream>(TRpStream::kPreviewMemoryLimit),
                                               Compression);
    }
    ChangeStatus(Status::Printing);
}

// Hands the page drawn so far on: into the page list for page images, to the device for printing.
void TRpPrinter::storeOpenPage() {
    if (deviceCanvas_) {
        device_->EndPage();
        deviceCanvas_ = nullptr;
    }
    if (page_ && pages_ && destination_ == Destination::PageImages)
        pages_->StorePage(page_->Page().Serialize());
    page_.reset();
}

void TRpPrinter::NewPage() {
    if (status_ != Status::Printing) throw ERpError(QStringLiteral("Illegal call to NewPage"));
    if (pagesBegun_ > 0) {
        storeOpenPage();
        post(new TRpPageFinishedEvent(++pagesFinished_));
    }
    ++pagesBegun_;
    Q_ASSERT(pagesFinished_ == pagesBegun_ - 1);
    if (destination_ == Destination::PrinterDevice && inPrintRange(pagesBegun_)) {
        if (!deviceJob_) device_->BeginDoc(title_);
        deviceJob_ = true;
        deviceCanvas_ = &device_->BeginPage(pagesBegun_);
    } else {
        // Page images, and device pages outside the print range, which are drawn and thrown away.
        page_ = std::make_unique<TRpPageRecorder>(PageImageSize(), kScreenDpi);
    }
}

void TRpPrinter::EndDoc() {
    if (status_ != Status::Printing) return;
    if (pagesBegun_ > 0) {
        storeOpenPage();
        post(new TRpPageFinishedEvent(++pagesFinished_));
    }
    if (pages_) pages_->Finish();
    if (deviceJob_) device_->EndDoc();
    deviceJob_ = false;
    ChangeStatus(Status::Finished);
    if (destination_ == Destination::PrinterDevice && AfterPrintHook) AfterPrintHook();
}

void TRpPrinter::Abort() {
    if (status_ != Status::Printing) return;
    if (destination_ == Destination::PrinterDevice) {
        deviceCanvas_ = nullptr;
        page_.reset();
        if (deviceJob_) device_->Abort();
        deviceJob_ = false;
    } else {
        storeOpenPage();
        if (pages_) pages_->Finish();
    }
    ChangeStatus(Status::Finished);
}

TRpCanvas& TRpPrinter::Canvas() {
    if (deviceCanvas_) return *deviceCanvas_;
    if (!page_) throw ERpError(QStringLiteral("Illegal call to NewPage"));
    return *page_;
}

std::optional<TRpPageImage> TRpPrinter::Page(int n) {
    if (!pages_ || status_ == Status::Idle) return std::nullopt;
    const std::optional<QByteArray> bytes = pages_->Page(n);
    if (!bytes) return std::nullopt;
    return TRpPageImage::Parse(*bytes);
}

void TRpPrinter::LoadPages(std::unique_ptr<TRpPageList> pages) {
    if (status_ == Status::Printing) cancelled_ = true;
    page_.reset();
    pages_ = std::move(pages);
    pagesBegun_ = pagesFinished_ = pages_ ? pages_->PageCount() : 0;
    factorX_ = factorY_ = kScreenDpi / 254.0;
    offsetX_ = offsetY_ = 0;
    ChangeStatus(Status::Finished);
}
