// The standard preview window, its button glyphs, and the print progress window.
#include "report/RpStandardPreview.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "report/RpPreview.h"
#include "report/RpPrinter.h"
#include "report/RpReport.h"
#include "runtime/Accessible.h"
#include "runtime/Boundary.h"
#include "runtime/Geometry.h"

namespace {

enum class Glyph { Fit, Hundred, Width, First, Prev, Next, Last, Setup, Print, Save, Load };

void drawTriangle(QPainter& p, bool left, double x) {
    QPainterPath path;
    path.moveTo(left ? x + 5 : x, 3);
    path.lineTo(left ? x : x + 5, 8);
    path.lineTo(left ? x + 5 : x, 13);
    path.closeSubpath();
    p.fillPath(path, Qt::black);
}

void drawMagnifier(QPainter& p) {
    p.setPen(QPen(Qt::black, 1.5));
    p.drawEllipse(RectF(1.5, 1.5, 9, 9));
    p.setPen(QPen(Qt::black, 2.5));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
}

void drawSheet(QPainter& p, const RectF& r) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(r);
}

// A tool tip names the keys that do what the button does: "Print (Ctrl+P)".
QString withKeys(const QString& hint, const QKeySequence& keys) {
    if (keys.isEmpty()) return hint;
    return hint + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

QIcon glyphIcon(Glyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
        case Glyph::Fit:
            drawMagnifier(p);
            p.fillRect(RectF(4, 4, 4, 4), Qt::darkBlue);
            break;
        case Glyph::Hundred:
            drawMagnifier(p);
            p.setFont(QFont(QStringLiteral("Arial"), 5));
            p.drawText(RectF(1.5, 1.5, 9, 9), Qt::AlignCenter, QStringLiteral("1"));
            break;
        case Glyph::Width:
            drawMagnifier(p);
            p.drawLine(QPointF(3, 6), QPointF(9, 6));
            break;
        case Glyph::First:
            p.fillRect(RectF(3, 3, 2, 10), Qt::black);
            drawTriangle(p, true, 6);
            break;
        case Glyph::Prev:
            drawTriangle(p, true, 5);
            break;
        case Glyph::Next:
            drawTriangle(p, false, 6);
            break;
        case Glyph::Last:
            drawTriangle(p, false, 5);
            p.fillRect(RectF(11, 3, 2, 10), Qt::black);
            break;
        case Glyph::Setup:
            drawSheet(p, RectF(3.5, 1.5, 9, 6));
            p.fillRect(RectF(1, 7, 14, 6), Qt::darkGray);
            p.setPen(QPen(Qt::black, 1.5));
            p.drawLine(QPointF(11, 15), QPointF(15, 11));
            break;
        case Glyph::Print:
            drawSheet(p, RectF(3.5, 1.5, 9, 6));
            p.fillRect(RectF(1, 7, 14, 6), Qt::darkGray);
            drawSheet(p, RectF(3.5, 11.5, 9, 3));
            break;
        case Glyph::Save:
            p.fillRect(RectF(1, 1, 14, 14), Qt::darkBlue);
            p.fillRect(RectF(4, 1, 8, 5), Qt::white);
            p.fillRect(RectF(4, 9, 8, 6), Qt::lightGray);
            break;
        case Glyph::Load: {
            QPainterPath folder;
            folder.addRect(RectF(1, 5, 14, 9));
            p.fillPath(folder, QColor(220, 180, 60));
            p.fillRect(RectF(1, 3, 6, 2), QColor(220, 180, 60));
            p.setPen(Qt::black);
            p.drawPath(folder);
            break;
        }
    }
    return QIcon(pixmap);
}

}  // namespace

// ---- TRpStandardPreview ------------------------------------------------------------------------

TRpStandardPreview::TRpStandardPreview(TRpPrinter& printer, QWidget* parent)
    : QWidget(parent, Qt::Window), printer_(printer), preview_(new TRpPreview), toolBar_(new QWidget) {
    runtime::answerWindowsAsFrames();
    setObjectName(QStringLiteral("TRpStandardPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(printer.Title());
    // A screen reader names a window by its title; the request forms have none.
    if (printer.Title().isEmpty()) setAccessibleName(QStringLiteral("Preview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar();
    layout->addWidget(toolBar_);
    layout->addWidget(preview_, 1);
    buildStatusPanel();
    bindKeys();

    preview_->OnPageAvailable = [this](int) { UpdateStatus(); };
    preview_->OnProgressUpdate = [this](int percent) {
        gauge_->setValue(percent);
        gauge_->setVisible(percent > 0 && percent < 100);
        UpdateStatus();
    };
    preview_->setAccessibleName(QStringLiteral("Page"));
    preview_->Attach(&printer_);
    preview_->SetZoom(218);
}

QToolButton* TRpStandardPreview::addButton(const QString& name, const QString& hint, const QIcon& glyph,
                                           const QKeySequence& keys) {
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(name);
    button->setToolTip(withKeys(hint, keys));
    button->setAccessibleName(hint);
    button->setIcon(glyph);
    button->setFixedSize(25, 25);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    toolBar_->layout()->addWidget(button);
    return button;
}

void TRpStandardPreview::buildToolBar() {
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    auto* bar = new QHBoxLayout(toolBar_);
    bar->setContentsMargins(2, 2, 2, 2);
    bar->setSpacing(0);

    zoomGroup_ = new QButtonGroup(this);
    const auto zoomButton = [&](const QString& name, const QString& hint, Glyph glyph, auto action) {
        QToolButton* button = addButton(name, hint, glyphIcon(glyph), {});
        button->setCheckable(true);
        zoomGroup_->addButton(button);
        runtime::connectGuarded(button, &QToolButton::clicked, this, [action] {
            QCoreApplication::processEvents();
            action();
        });
        return button;
    };
    zoomButton(QStringLiteral("ZoomToFit"), QStringLiteral("Zoom to fit"), Glyph::Fit,
               [this] { preview_->ZoomToFit(); });
    zoomButton(QStringLiteral("ZoomTo100"), QStringLiteral("Zoom to 100%"), Glyph::Hundred,
               [this] { preview_->SetZoom(100); });
    zoomButton(QStringLiteral("ZoomToWidth"), QStringLiteral("Zoom to page width"), Glyph::Width, [this] {
        preview_->ZoomToWidth();
    })->setChecked(true);
    bar->addSpacing(8);

    const auto commandButton = [&](const QString& name, const QString& hint, Glyph glyph, QKeySequence keys,
                                   auto action) {
        runtime::connectGuarded(addButton(name, hint, glyphIcon(glyph), keys), &QToolButton::clicked, this,
                                action);
    };
    commandButton(QStringLiteral("FirstPage"), QStringLiteral("First Page"), Glyph::First,
                  QKeySequence(Qt::Key_Home), [this] { pageCommand(1); });
    commandButton(QStringLiteral("PrevPage"), QStringLiteral("Previous page"), Glyph::Prev,
                  QKeySequence(Qt::Key_PageUp), [this] { pageCommand(preview_->PageNumber() - 1); });
    commandButton(QStringLiteral("NextPage"), QStringLiteral("Next page"), Glyph::Next,
                  QKeySequence(Qt::Key_PageDown), [this] { pageCommand(preview_->PageNumber() + 1); });
    commandButton(QStringLiteral("LastPage"), QStringLiteral("Last page"), Glyph::Last,
                  QKeySequence(Qt::Key_End), [this] { pageCommand(printer_.PageCount()); });
    bar->addSpacing(8);
    commandButton(QStringLiteral("PrintSetup"), QStringLiteral("Printer setup"), Glyph::Setup, {},
                  [this] { printerSetup(); });
    commandButton(QStringLiteral("Print"), QStringLiteral("Print"), Glyph::Print, QKeySequence::Print,
                  [this] { print(); });
    commandButton(QStringLiteral("Save"), QStringLiteral("Save"), Glyph::Save, QKeySequence::Save,
                  [this] { save(); });
    commandButton(QStringLiteral("Load"), QStringLiteral("Load"), Glyph::Load, QKeySequence::Open,
                  [this] { load(); });
    bar->addSpacing(8);

    auto* exit = new QPushButton(QStringLiteral("&Close"), toolBar_);
    exit->setObjectName(QStringLiteral("Exit"));
    exit->setToolTip(withKeys(QStringLiteral("Close"), QKeySequence(Qt::Key_Escape)));
    exit->setAccessibleName(QStringLiteral("Close"));
    exit->setFocusPolicy(Qt::TabFocus);
    runtime::connectGuarded(exit, &QPushButton::clicked, this, [this] { close(); });
    bar->addWidget(exit);
    bar->addStretch(1);
}

void TRpStandardPreview::buildStatusPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("StatusPanel"));
    panel->setFixedHeight(19);
    gauge_ = new QProgressBar(panel);
    gauge_->setObjectName(QStringLiteral("Gauge"));
    gauge_->setGeometry(2, 2, 100, panel->height() - 3);
    gauge_->setRange(0, 100);
    gauge_->setTextVisible(false);
    gauge_->setVisible(false);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    status_ = new QLabel(QStringLiteral("Working..."), panel);
    status_->setObjectName(QStringLiteral("Status"));
    status_->setFixedWidth(128);
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    row->addWidget(status_);
    layout()->addWidget(panel);
}

// The window sees page keys before any of its controls does.
void TRpStandardPreview::bindKeys() {
    qApp->installEventFilter(this);
}

bool TRpStandardPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    bool handled = false;
    runtime::guarded([&] { handled = handleKey(*static_cast<QKeyEvent*>(event)); });
    return handled;
}

bool TRpStandardPreview::handleKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool control = modifiers == Qt::ControlModifier;
    if (key.matches(QKeySequence::Print)) {
        print();
        return true;
    }
    if (key.matches(QKeySequence::Save)) {
        save();
        return true;
    }
    if (key.matches(QKeySequence::Open)) {
        load();
        return true;
    }
    const bool zoomKey =
        key.key() == Qt::Key_Plus || key.key() == Qt::Key_Equal || key.key() == Qt::Key_Minus;
    if (zoomKey && !(modifiers & ~Qt::ShiftModifier)) {
        zoomStep(key.key() != Qt::Key_Minus);
        return true;
    }
    return pageKey(key.key(), control);
}

bool TRpStandardPreview::pageKey(int key, bool control) {
    switch (key) {
        case Qt::Key_PageUp:
            pageCommand(control ? 1 : preview_->PageNumber() - 1);
            return true;
        case Qt::Key_PageDown:
            pageCommand(control ? printer_.PageCount() : preview_->PageNumber() + 1);
            return true;
        case Qt::Key_Home:
            pageCommand(1);
            return true;
        case Qt::Key_End:
            pageCommand(printer_.PageCount());
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            return false;
    }
}

// Each step of + or - zooms by a quarter, within the zooms the page takes; no zoom button stays down.
void TRpStandardPreview::zoomStep(bool in) {
    const int zoom = preview_->Zoom();
    preview_->SetZoom(std::clamp(in ? (zoom * 5 + 3) / 4 : zoom * 4 / 5, 2, 2000));
    zoomGroup_->setExclusive(false);
    if (QAbstractButton* down = zoomGroup_->checkedButton()) down->setChecked(false);
    zoomGroup_->setExclusive(true);
}

void TRpStandardPreview::pageCommand(int page) {
    preview_->SetPage(page);
    UpdateStatus();
}

// The page shown is named as the status names it, for screen readers.
void TRpStandardPreview::UpdateStatus() {
    status_->setText(QStringLiteral("Page %1 of %2").arg(preview_->PageNumber()).arg(printer_.PageCount()));
    preview_->setAccessibleName(status_->text());
    preview_->Image().setAccessibleName(status_->text());
}

void TRpStandardPreview::print() {
    if (printer_.PrintHook) {
        printer_.PrintHook();
    } else if (reportOperations().PrintStoredPages) {
        reportOperations().PrintStoredPages(printer_);
    }
}

void TRpStandardPreview::printerSetup() {
    if (printer_.PrinterSetupHook) printer_.PrinterSetupHook();
}

void TRpStandardPreview::save() {
    if (reportOperations().Save) reportOperations().Save(printer_, this);
}

void TRpStandardPreview::load() {
    if (!reportOperations().Load) return;
    reportOperations().Load(*preview_);
    UpdateStatus();
}

void TRpStandardPreview::closeEvent(QCloseEvent* event) {
    preview_->Detach();
    QWidget::closeEvent(event);
}

// ---- TRpProgressForm ---------------------------------------------------------------------------

TRpProgressForm::TRpProgressForm(TRpPrinter& printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      printer_(printer),
      bar_(new QProgressBar(this)),
      info_(new QLabel(this)) {
    setObjectName(QStringLiteral("TRpProgressForm"));
    setWindowTitle(QStringLiteral("Printing progress"));
    setFixedSize(147, 84);
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setGeometry(10, 10, width() - 20, 15);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    info_->setObjectName(QStringLiteral("Info"));
    info_->setGeometry(0, 30, width(), 16);
    info_->setAlignment(Qt::AlignCenter);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry((width() - 75) / 2, 52, 75, 25);
    runtime::connectGuarded(cancel, &QPushButton::clicked, this, [this] { printer_.SetCancelled(true); });
    printer_.SetNotifyWindow(this);
}

bool TRpProgressForm::event(QEvent* event) {
    if (event->type() != TRpProgressEvent::kType) return QDialog::event(event);
    const int progress = printer_.Progress();
    if (progress % 5 == 0) {
        bar_->setValue(progress);
        info_->setText(QString::number(progress) + QStringLiteral("% ") + QStringLiteral(" Completed"));
        runtime::guarded([] { QCoreApplication::processEvents(); });
    }
    return true;
}
