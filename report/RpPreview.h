// The preview control: a scroll box showing one stored page of a printer object at a zoom.
#pragma once

#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <optional>

#include "report/RpPageImage.h"

class TRpPrinter;

// Paints one page image on a white sheet with a black border and a shadow; a page that cannot be
// drawn shows crossed out. A screen reader finds it as a document named by its page that offers the
// page's text.
class TRpPreviewImage : public QWidget {
    Q_OBJECT
  public:
    explicit TRpPreviewImage(QWidget* parent = nullptr);
    bool HasImage() const { return image_.has_value(); }
    int ImagePage() const { return imagePage_; }
    void SetImage(std::optional<TRpPageImage> image, int page);
    // The shown page's texts in reading order (TRpPageImage::ReadingText); empty without a page.
    const QString& PageText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<TRpPageImage> image_;
    int imagePage_ = 0;
    bool failed_ = false;                      // the image could not be drawn
    mutable std::optional<QString> pageText_;  // made when first asked for
};

// Shows the pages of the attached printer and follows its page-finished and progress messages.
// Zoom modes: fit page, fit width, explicit (2..2000 percent).
class TRpPreview : public QScrollArea {
    Q_OBJECT
  public:
    enum class ZoomMode { FitPage = 0, FitWidth = 1, Explicit = 2 };

    explicit TRpPreview(QWidget* parent = nullptr);
    ~TRpPreview() override;

    TRpPrinter* Printer() const { return printer_; }
    // Detaches any printer shown here, then shows `printer` from page 1.
    void Attach(TRpPrinter* printer);
    // The printer stops showing: an unfinished run is cancelled and the after-preview hook runs.
    void Detach();

    int PageNumber() const { return page_; }
    void SetPage(int page);
    int Zoom() const { return zoom_; }
    ZoomMode Mode() const { return mode_; }
    void SetZoom(int percent);
    void ZoomToFit();
    void ZoomToWidth();
    // Lays the page out again at the current zoom.
    void Relayout();
    // Shows page 1 of the printer's pages anew, e.g. after they were replaced by a loaded file.
    void Refresh();
    TRpPreviewImage& Image() { return *image_; }

    std::function<void(int page)> OnPageAvailable;
    std::function<void(int percent)> OnProgressUpdate;

  protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    void loadPage(int page);
    void pageFinished(int page);
    QSizeF pagePixels() const;

    TRpPrinter* printer_ = nullptr;
    TRpPreviewImage* image_;
    int page_ = 1;
    int zoom_ = 100;
    ZoomMode mode_ = ZoomMode::Explicit;
};
