// The printer object of one report run: it opens and ends the document, records each page image
// through its page canvas, stores finished pages and posts progress to its notify window.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "report/RpPageImage.h"
#include "report/RpPageStore.h"
#include "report/RpUnits.h"

class QObject;

// Posted to the notify window: the progress percent of the run.
class TRpProgressEvent : public QEvent {
  public:
    static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    explicit TRpProgressEvent(int percent) : QEvent(kType), percent_(percent) {}
    int Percent() const { return percent_; }

  private:
    int percent_;
};

// Posted to the notify window: the number of the page just finished.
class TRpPageFinishedEvent : public QEvent {
  public:
    static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    explicit TRpPageFinishedEvent(int page) : QEvent(kType), page_(page) {}
    int Page() const { return page_; }

  private:
    int page_;
};

// The paper the run's pages are made on, as the printer accepted it from the report.
struct TRpPrinterSettings {
    TRpPaperSize PaperSize = TRpPaperSize::A4;
    TRpOrientation Orientation = TRpOrientation::poPortrait;
    double PaperWidth = 2100;  // 0.1 mm, portrait, used for Custom and Default
    double PaperLength = 2970;
    int Copies = 1;
    bool Duplex = false;
    TRpBin OutputBin = TRpBin::First;
    int PrinterIndex = -1;
};

// Drawing onto the printer device (destination 1). The printing module supplies one through
// TRpPrinter::SetDevice; it positions the canvas in the printer's own pixels and offsets.
class TRpPrinterDevice {
  public:
    virtual ~TRpPrinterDevice() = default;
    virtual double DotsPerInchX() const = 0;
    virtual double DotsPerInchY() const = 0;
    virtual double LeftOffset() const = 0;  // unprintable margins, 0.1 mm
    virtual double TopOffset() const = 0;
    virtual void BeginDoc(const QString& title) = 0;
    virtual TRpCanvas& BeginPage(int pageNumber) = 0;
    virtual void EndPage() = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
};

// Status: Idle --BeginDoc--> Printing --EndDoc/Abort--> Finished; any --LoadPages--> Finished. A run
// never goes back to Idle: a new run takes a new printer object.
class TRpPrinter {
  public:
    enum class Destination { PageImages = 0, PrinterDevice = 1 };
    enum class Status { Idle = 0, Printing = 1, Finished = 2 };

    // The screen resolution page images are made at; text is measured at the same resolution.
    static constexpr int kScreenDpi = 96;

    TRpPrinter();
    ~TRpPrinter();
    TRpPrinter(const TRpPrinter&) = delete;
    TRpPrinter& operator=(const TRpPrinter&) = delete;

    Destination GetDestination() const { return destination_; }
    void SetDestination(Destination destination) { destination_ = destination; }
    void SetDevice(std::unique_ptr<TRpPrinterDevice> device) { device_ = std::move(device); }

    Status GetStatus() const { return status_; }
    bool Cancelled() const { return cancelled_; }
    void SetCancelled(bool cancelled) { cancelled_ = cancelled; }
    bool Showing() const { return showing_; }
    // Attaching a preview sets showing; detaching clears it, cancels an unfinished run and raises the
    // after-preview hook.
    void SetShowing(bool showing);

    int PageCount() const;
    int PagesFinished() const { return pagesFinished_; }
    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    int FirstPage = 0;  // print range, 0 = no limit
    int LastPage = 0;
    bool Compression = false;
    TRpPrinterSettings Settings;

    int Progress() const { return progress_; }
    void SetProgress(int percent);

    QObject* NotifyWindow() const { return notify_; }
    void SetNotifyWindow(QObject* window) { notify_ = window; }

    double HorizontalFactor() const { return factorX_; }
    double VerticalFactor() const { return factorY_; }
    double LeftOffset() const { return offsetX_; }
    double TopOffset() const { return offsetY_; }
    void SetFactors(double horizontal, double vertical) { factorX_ = horizontal, factorY_ = vertical; }
    void SetOffsets(double left, double top) { offsetX_ = left, offsetY_ = top; }

    int XPos(double x) const;
    int YPos(double y) const;
    int XSize(double x) const;
    int YSize(double y) const;

    // The sheet in 0.1 mm as the settings give it (orientation applied), and in page-image pixels.
    double PaperWidth() const;
    double PaperLength() const;
    QSize PageImageSize() const;

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    // The canvas of the page being drawn; throws ERpError when no page is open.
    TRpCanvas& Canvas();

    // Page n as a page image, or nothing outside 1..page count or before BeginDoc.
    std::optional<TRpPageImage> Page(int n);
    TRpPageList* PageList() { return pages_.get(); }
    // Replaces the pages with a saved file's (read-only); the run state becomes finished.
    void LoadPages(std::unique_ptr<TRpPageList> pages);

    // Set by the owning report and the operation that created the printer.
    std::function<void()> AfterPreviewHook;
    std::function<void()> AfterPrintHook;
    std::function<void()> PrintHook;         // print from the preview
    std::function<void()> PrinterSetupHook;  // printer setup from the preview
    std::function<void(const QString& fileName, int filterIndex)> ExportHook;
    // Saves the records of a list report as CSV or as a workbook, by the file name's suffix; set only for
    // reports bound to a table of records.
    std::function<void(const QString& fileName)> ListHook;

  private:
    void post(QEvent* event) const;
    // Moves the status on, to one of its successors (see the class comment).
    void ChangeStatus(Status next);
    void storeOpenPage();
    bool inPrintRange(int page) const;

    Destination destination_ = Destination::PageImages;
    Status status_ = Status::Idle;
    bool cancelled_ = false;
    bool showing_ = false;
    int pagesBegun_ = 0;
    int pagesFinished_ = 0;
    int progress_ = 0;
    QString title_;
    QPointer<QObject> notify_;
    double factorX_ = kScreenDpi / 254.0;
    double factorY_ = kScreenDpi / 254.0;
    double offsetX_ = 0;
    double offsetY_ = 0;
    std::unique_ptr<TRpPageList> pages_;
    std::unique_ptr<TRpPageRecorder> page_;
    std::unique_ptr<TRpPrinterDevice> device_;
    TRpCanvas* deviceCanvas_ = nullptr;
    bool deviceJob_ = false;  // the device's job has begun
};
