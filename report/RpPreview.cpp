// The preview control and its page-image control.
#include "report/RpPreview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "report/RpPrinter.h"
#include "runtime/Accessible.h"
#include "runtime/Boundary.h"
#include "runtime/Geometry.h"

// ---- TRpPreviewImage ---------------------------------------------------------------------------

namespace {

// The shown page for a screen reader: a document named "Page n" whose text is the page's texts, read
// only, with a caret the reader may move and no selection.
class PageAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit PageAccessible(TRpPreviewImage* page) : QAccessibleWidget(page, QAccessible::Document) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return page()->HasImage() ? QStringLiteral("Page %1").arg(page()->ImagePage()) : QString();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return std::min<int>(cursor_, characterCount()); }
    void setCursorPosition(int position) override { cursor_ = std::clamp(position, 0, characterCount()); }
    QString text(int startOffset, int endOffset) const override {
        const QString& all = page()->PageText();
        startOffset = std::clamp<int>(startOffset, 0, all.size());
        endOffset = endOffset < 0 ? all.size() : std::clamp<int>(endOffset, startOffset, all.size());
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(page()->PageText().size()); }
    // No character has a place of its own on the page's image: every character answers an empty rectangle.
    Rect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  private:
    const TRpPreviewImage* page() const { return static_cast<const TRpPreviewImage*>(object()); }
    int cursor_ = 0;
};

QAccessibleInterface* pageFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("TRpPreviewImage")) return nullptr;
    return new PageAccessible(static_cast<TRpPreviewImage*>(object));
}

}  // namespace

TRpPreviewImage::TRpPreviewImage(QWidget* parent) : QWidget(parent) {
    runtime::installAccessibleFactory(pageFactory);
    setObjectName(QStringLiteral("TRpPreviewImage"));
}

void TRpPreviewImage::SetImage(std::optional<TRpPageImage> image, int page) {
    const QString before = QAccessible::isActive() ? PageText() : QString();
    image_ = std::move(image);
    imagePage_ = image_ ? page : 0;
    failed_ = false;
    pageText_.reset();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
        QAccessibleTextUpdateEvent text(this, 0, before, PageText());
        QAccessible::updateAccessibility(&text);
    }
}

const QString& TRpPreviewImage::PageText() const {
    if (!pageText_) pageText_ = image_ ? image_->ReadingText() : QString();
    return *pageText_;
}

// A page that cannot be drawn is crossed out; why is shown once, after the paint.
void TRpPreviewImage::paintEvent(QPaintEvent*) {
    if (!image_) return;
    QPainter painter(this);
    const int w = width(), h = height();
    painter.fillRect(Rect(1, 1, w - 4, h - 4), Qt::white);
    if (!failed_) {
        try {
            image_->Replay(painter, RectF(0, 0, w, h));
        } catch (...) {
            failed_ = true;
            QMetaObject::invokeMethod(
                this, [error = std::current_exception()] { runtime::showException(error); },
                Qt::QueuedConnection);
        }
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    if (failed_) {
        painter.drawLine(0, 0, w - 4, h - 4);
        painter.drawLine(0, h - 4, w - 4, 0);
    }
    painter.drawRect(Rect(0, 0, w - 4, h - 4));
    painter.fillRect(Rect(w - 2, 2, 2, h - 2), Qt::black);
    painter.fillRect(Rect(2, h - 2, w - 2, 2), Qt::black);
}

// ---- TRpPreview --------------------------------------------------------------------------------

TRpPreview::TRpPreview(QWidget* parent) : QScrollArea(parent), image_(new TRpPreviewImage) {
    setObjectName(QStringLiteral("TRpPreview"));
    setWidget(image_);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
}

TRpPreview::~TRpPreview() {
    Detach();
}

void TRpPreview::Attach(TRpPrinter* printer) {
    Detach();
    printer_ = printer;
    if (!printer_) return;
    printer_->SetNotifyWindow(this);
    printer_->SetShowing(true);
    image_->SetImage(std::nullopt, 0);
    page_ = 0;
    SetPage(1);
    page_ = 1;
    Relayout();
}

void TRpPreview::Detach() {
    if (!printer_) return;
    TRpPrinter* printer = printer_;
    printer_ = nullptr;
    if (printer->NotifyWindow() == this) printer->SetNotifyWindow(nullptr);
    printer->SetShowing(false);
}

void TRpPreview::SetPage(int page) {
    if (!printer_ || page < 1 || page > printer_->PageCount()) return;
    if (page == page_ && image_->HasImage()) return;
    loadPage(page);
    page_ = page;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

// A page that cannot be read is reported and leaves the control without an image.
void TRpPreview::loadPage(int page) {
    try {
        image_->SetImage(printer_ ? printer_->Page(page) : std::nullopt, page);
    } catch (const Exception&) {
        image_->SetImage(std::nullopt, 0);
        runtime::showException(std::current_exception());
    }
}

QSizeF TRpPreview::pagePixels() const {
    if (!printer_) return QSizeF();
    return QSizeF(printer_->XSize(printer_->PaperWidth()), printer_->YSize(printer_->PaperLength()));
}

void TRpPreview::SetZoom(int percent) {
    if (percent < 2 || percent > 2000) return;
    zoom_ = percent;
    mode_ = ZoomMode::Explicit;
    Relayout();
}

void TRpPreview::ZoomToFit() {
    const QSizeF page = pagePixels();
    if (page.isEmpty()) return;
    const auto byWidth = roundHalfEven(width() / page.width() * 95);
    const auto byHeight = roundHalfEven(height() / page.height() * 95);
    SetZoom(static_cast<int>(std::min(byWidth, byHeight)));
    mode_ = ZoomMode::FitPage;
}

void TRpPreview::ZoomToWidth() {
    const QSizeF page = pagePixels();
    if (page.isEmpty()) return;
    SetZoom(static_cast<int>(roundHalfEven(width() / page.width() * 90)));
    mode_ = ZoomMode::FitWidth;
}

void TRpPreview::Relayout() {
    if (printer_) {
        const int w =
            static_cast<int>(roundHalfEven(printer_->XSize(printer_->PaperWidth() * zoom_ / 100.0))) + 4;
        const int h =
            static_cast<int>(roundHalfEven(printer_->YSize(printer_->PaperLength() * zoom_ / 100.0))) + 4;
        image_->resize(w, h);
    }
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TRpPreview::Refresh() {
    image_->SetImage(std::nullopt, 0);
    page_ = 1;
    if (printer_ && printer_->PageCount() > 0) loadPage(1);
    Relayout();
}

bool TRpPreview::event(QEvent* event) {
    if (event->type() == TRpPageFinishedEvent::kType) {
        const int page = static_cast<TRpPageFinishedEvent*>(event)->Page();
        runtime::guarded([&] { pageFinished(page); });
        return true;
    }
    if (event->type() == TRpProgressEvent::kType) {
        const int percent = static_cast<TRpProgressEvent*>(event)->Percent();
        runtime::guarded([&] {
            if (OnProgressUpdate) OnProgressUpdate(percent);
        });
        return true;
    }
    return QScrollArea::event(event);
}

void TRpPreview::pageFinished(int page) {
    if (printer_ && page == page_ && !image_->HasImage() && printer_->PagesFinished() >= page_) {
        ZoomToWidth();
        loadPage(page_);
    }
    if (OnPageAvailable) OnPageAvailable(page);
}

// A new viewport size recomputes a fitted zoom and re-centres the page.
bool TRpPreview::viewportEvent(QEvent* event) {
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() != QEvent::Resize) return handled;
    if (mode_ == ZoomMode::FitPage) ZoomToFit();
    if (mode_ == ZoomMode::FitWidth) ZoomToWidth();
    Relayout();
    return handled;
}
