// Layout and printing of the printable controls.
#include "report/RpPrintable.h"

#include <QFontMetrics>
#include <QLocale>

#include "report/RpData.h"
#include "report/RpExport.h"
#include "report/RpReport.h"
#include "runtime/Geometry.h"
#include "runtime/PrintedDates.h"
#include "runtime/Seams.h"

namespace {

// Tenths of a millimetre in `points` points, rounded.
double pointsToNative(double points) {
    return static_cast<double>(roundHalfEven(points / 72.0 * 254.0));
}

int frameLineCount(double factor, double width) {
    const auto lines = roundHalfEven(factor * 254.0 / 72.0 * width);
    if (lines < 1 && (width > 0 || width == -1)) return 1;
    return static_cast<int>(lines);
}

}  // namespace

std::vector<TRpPrintable*> printableChildren(const QObject& parent) {
    std::vector<TRpPrintable*> printables;
    for (QObject* child : parent.children()) {
        if (auto* printable = qobject_cast<TRpPrintable*>(child)) printables.push_back(printable);
    }
    return printables;
}

void drawFrame(TRpCanvas& canvas, const TRpPrinter& printer, const TRpFrame& frame, double left, double top,
               double width, double height) {
    if (!frame.AnySide()) return;
    canvas.SetPen(TRpPenSpec{frame.Color, 1, frame.Style});
    const int x1 = printer.XPos(left), y1 = printer.YPos(top);
    const int x2 = printer.XPos(left + width), y2 = printer.YPos(top + height);
    const int horizontalLines = frameLineCount(printer.VerticalFactor(), frame.Width);
    const int verticalLines = frameLineCount(printer.HorizontalFactor(), frame.Width);
    for (int i = 0; i < horizontalLines; ++i) {
        if (frame.DrawTop) canvas.Line(QPoint(x1, y1 + i), QPoint(x2, y1 + i));
        if (frame.DrawBottom) canvas.Line(QPoint(x1, y2 - 1 - i), QPoint(x2, y2 - 1 - i));
    }
    for (int i = 0; i < verticalLines; ++i) {
        if (frame.DrawLeft) canvas.Line(QPoint(x1 + i, y1), QPoint(x1 + i, y2));
        if (frame.DrawRight) canvas.Line(QPoint(x2 - 1 - i, y1), QPoint(x2 - 1 - i, y2));
    }
}

// ---- TRpPrintable ------------------------------------------------------------------------------

TRpPrintable::TRpPrintable(TReport* owner) : QObject(owner), report_(owner) {}

int TRpPrintable::zoom() const {
    return report_ ? report_->Zoom() : 100;
}

int TRpPrintable::toPixels(double native) const {
    TRpUnitContext context;
    context.zoom = zoom();
    return static_cast<int>(
        roundHalfEven(nativeToUnit(native, TRpUnits::Pixels, TRpAxis::Horizontal, context)));
}

double TRpPrintable::toNative(int pixels) const {
    TRpUnitContext context;
    context.zoom = zoom();
    return unitToNative(pixels, TRpUnits::Pixels, TRpAxis::Horizontal, context);
}

int TRpPrintable::Left() const {
    return toPixels(size_[kLeft]);
}
int TRpPrintable::Top() const {
    return toPixels(size_[kTop]);
}
int TRpPrintable::Width() const {
    return toPixels(size_[kWidth]);
}
int TRpPrintable::Height() const {
    return toPixels(size_[kHeight]);
}
void TRpPrintable::SetLeft(int pixels) {
    size_[kLeft] = toNative(pixels);
}
void TRpPrintable::SetTop(int pixels) {
    size_[kTop] = toNative(pixels);
}
void TRpPrintable::SetWidth(int pixels) {
    size_[kWidth] = toNative(pixels);
}
void TRpPrintable::SetHeight(int pixels) {
    size_[kHeight] = toNative(pixels);
}

bool TRpPrintable::outputToCanvas() const {
    return !report_ || report_->OutputToCanvas();
}

void TRpPrintable::Prepare(TRpPrinter* printer) {
    printer_ = printer;
}

void TRpPrintable::Unprepare() {
    printer_ = nullptr;
}

// ---- TRpCustomLabel ----------------------------------------------------------------------------

TRpCustomLabel::TRpCustomLabel(TReport* owner) : TRpPrintable(owner) {}

QFont TRpCustomLabel::Font() const {
    if (font_) return *font_;
    if (ParentReport()) return ParentReport()->Font();
    return QFont(QStringLiteral("Arial"), 10);
}

void TRpCustomLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    FormatLines();
}

void TRpCustomLabel::SetLines(const QStringList& lines) {
    lines_ = lines;
    FormatLines();
}

// Screen pixels the text takes, as the layout compares them with the control's width.
int TRpCustomLabel::measure(const QString& text) const {
    static const QImage standalone = measuringDevice(TRpPrinter::kScreenDpi);
    const int extent = ParentReport() ? ParentReport()->MeasureWidth(Font(), text)
                                      : QFontMetrics(Font(), &standalone).horizontalAdvance(text);
    return (extent + 1) * zoom() / 100;
}

void TRpCustomLabel::FormatLines() {
    formatted_.clear();
    const bool fromCaption = !caption_.isEmpty();
    const int width = Width();
    if (fromCaption) {
        // CR LF and CR end a line; a line feed of its own, as a typed name may hold, reads as a blank.
        QString text = caption_;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(QChar(10), QChar(' '));
        for (const QString& paragraph : text.split(QChar(13))) layoutParagraph(paragraph, width);
    } else {
        for (const QString& line : lines_) layoutParagraph(line, width);
    }
    fitToLines(fromCaption);
}

// Appends the lines of one paragraph. Words end after a space, hyphen or carriage return and keep it.
void TRpCustomLabel::layoutParagraph(const QString& paragraph, int width) {
    if (AutoSize) {
        formatted_.append(paragraph);
        return;
    }
    QStringList words;
    QString word;
    for (const QChar c : paragraph) {
        word.append(c);
        if (c == QChar(' ') || c == QChar('-') || c == QChar(13)) {
            words.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty()) words.append(word);

    const qsizetype before = formatted_.size();
    QString line;
    for (QString next : words) {
        if (measure(line + next) <= width) {
            line += next;
            continue;
        }
        if (line.isEmpty()) {
            // A word wider than the control: keep the leading characters that fit, drop the rest.
            qsizetype taken = 0;
            while (taken < next.size() && measure(line + next.at(taken)) < width) line += next.at(taken++);
            next.clear();
        }
        formatted_.append(line);
        line.clear();
        if (!WordWrap) return;
        if (!next.isEmpty() && measure(next) > width) {
            while (!next.isEmpty() && (width <= 0 || measure(next) > width)) next.chop(1);
            if (!next.isEmpty()) formatted_.append(next);
        } else {
            line = next;
        }
    }
    if (!line.isEmpty() || formatted_.size() == before) formatted_.append(line);
}

// Makes the control at least one line tall and, with AutoSize, as wide as its widest line.
void TRpCustomLabel::fitToLines(bool fromCaption) {
    if (!ParentReport()) return;
    if (fromCaption || AutoSize) {
        const int lineHeight = ParentReport()->MeasureHeight(Font(), QStringLiteral("A")) * zoom() / 100 + 1;
        if (Height() < lineHeight) SetHeight(lineHeight);
    }
    if (!AutoSize) return;
    int widest = 0;
    for (const QString& line : formatted_) widest = std::max(widest, measure(line));
    const int framePixels = static_cast<int>(roundHalfEven(Frame.Width * TRpPrinter::kScreenDpi / 72.0));
    if (Frame.DrawLeft) widest += framePixels;
    if (Frame.DrawRight) widest += framePixels;
    // The kept edge or centre is kept in the stored lengths, so that a label fitted again and again to
    // texts of other widths stays where it was.
    std::array<double, 4> size = SizeValues();
    const double oldWidth = size[kWidth];
    size[kWidth] = toNative(widest);
    if (Alignment() == taRightJustify) size[kLeft] += oldWidth - size[kWidth];
    if (Alignment() == taCenter) size[kLeft] += (oldWidth - size[kWidth]) / 2;
    SetSizeValues(size);
}

void TRpCustomLabel::Print(double ofsX, double ofsY) {
    if (!Enabled() || !Printer()) return;
    TRpPrinter& printer = *Printer();
    TRpCanvas& canvas = printer.Canvas();
    canvas.SetFont(Font(), FontColor);
    const auto& size = SizeValues();
    const double L = size[kLeft] + ofsX, T = size[kTop] + ofsY, W = size[kWidth], H = size[kHeight];
    const double lineHeight = canvas.TextHeight(QStringLiteral("W")) / printer.VerticalFactor();

    const QString savedCaption = caption_;
    if (OnPrint && !caption_.isEmpty()) {
        QString text = caption_;
        OnPrint(*this, text);
        caption_ = text;
    }
    FormatLines();

    if (outputToCanvas() && !Transparent) {
        canvas.FillRect(Rect(QPoint(printer.XPos(L), printer.YPos(T)),
                             QPoint(printer.XPos(L + W) - 1, printer.YPos(T + H) - 1)),
                        Color);
    }
    double x = L, y = T;
    if (!AutoSize && Frame.DrawTop) y += pointsToNative(Frame.Width);
    if (!AutoSize && Frame.DrawLeft) x += pointsToNative(Frame.Width);

    TRpTextAnchor anchor = TRpTextAnchor::Left;
    if (Alignment() == taRightJustify) {
        anchor = TRpTextAnchor::Right;
        x = L + W;
        if (Font().italic()) x -= measure(QStringLiteral(" "));
    } else if (Alignment() == taCenter) {
        anchor = TRpTextAnchor::Center;
        x = L + W / 2;
    }
    // An export takes each line with its exact place: the anchor x and the top y, in 0.1 mm.
    TRpExportFilter* const filter = ParentReport() ? ParentReport()->ExportFilter() : nullptr;
    for (const QString& line : formatted_) {
        if (y + lineHeight > T + H + 1 && !AutoStretch) break;
        if (!line.isEmpty() && filter) {
            filter->TextItem(Font(), FontColor, line, Alignment(), y, x);
        } else if (!line.isEmpty()) {
            canvas.TextOut(QPoint(printer.XPos(x), printer.YPos(y)), line, anchor);
        }
        y += lineHeight;
    }
    if (outputToCanvas()) drawFrame(canvas, printer, Frame, L, T, W, H);
    caption_ = savedCaption;
}

void TRpMemo::Print(double ofsX, double ofsY) {
    setCaptionText(QString());
    TRpCustomLabel::Print(ofsX, ofsY);
    setCaptionText(objectName());
}

double dateLabelWidth(const TReport& report, const QFont& font,
                      const std::function<QString(const QDate&)>& dateText) {
    int widest = 0;
    for (QDate day(2000, 1, 1); day.year() == 2000; day = day.addDays(1)) {
        const QString text = dateText ? dateText(day) : runtime::printedDate(day);
        widest = std::max(widest, report.MeasureWidth(font, text));
    }
    // A label lays a line out in whole pixels at 96 per inch, with one pixel to spare (see measure).
    TRpUnitContext context;
    return unitToNative(widest + 1, TRpUnits::Pixels, TRpAxis::Horizontal, context);
}

QString TRpSysData::Value() const {
    const QLocale locale;
    switch (Data) {
        case TRpSysDataKind::rpsTime:
            return locale.toString(runtime::now().time(), QLocale::ShortFormat);
        case TRpSysDataKind::rpsDate:
            return runtime::printedDate(runtime::today(), locale);
        case TRpSysDataKind::rpsDateTime: {
            const QDateTime moment = runtime::now();
            QString text = runtime::printedDate(moment.date(), locale);
            if (moment.time() != QTime(0, 0))
                text += QLatin1Char(' ') + locale.toString(moment.time(), QLocale::ShortFormat);
            return text;
        }
        case TRpSysDataKind::rpsPageNumber:
            return QString::number(ParentReport() ? ParentReport()->PageNumber() : 0);
        case TRpSysDataKind::rpsReportTitle:
            return ParentReport() ? ParentReport()->ReportTitle : QString();
        case TRpSysDataKind::rpsDetailCount: {
            const TRpDataTable* table = ParentReport() ? ParentReport()->DataSet() : nullptr;
            return QString::number(table ? table->RowCount() : 1);
        }
        case TRpSysDataKind::rpsDetailNo:
            return QString::number(ParentReport() ? ParentReport()->DetailNo() : 0);
        case TRpSysDataKind::rpsPageOfPages:
            return pageOfPages(QStringLiteral("%1/%2"));
    }
    return QString();
}

QString TRpSysData::pageOfPages(QString pattern) const {
    const TReport* report = ParentReport();
    return pattern.replace(QLatin1String("%1"), QString::number(report ? report->PageNumber() : 0))
        .replace(QLatin1String("%2"), QString::number(report ? report->PageCount() : 0));
}

void TRpSysData::Print(double ofsX, double ofsY) {
    const bool pattern = Data == TRpSysDataKind::rpsPageOfPages && Text.contains(QLatin1String("%1"));
    setCaptionText(pattern ? pageOfPages(Text) : Text + Value());
    TRpCustomLabel::Print(ofsX, ofsY);
}

QString TRpDataLabel::Value() const {
    const TReport* report = ParentReport();
    const TRpDataTable* table = report ? report->DataSet() : nullptr;
    const int column = table ? table->ColumnIndex(DataField) : -1;
    if (column < 0) return QString();
    if (!Total) return TRpDataTable::DisplayText(table->Value(report->RecordNo(), column));
    double sum = 0;
    for (int row = 0; row < report->DetailNo(); ++row) sum += table->Value(row, column).toDouble();
    return TRpDataTable::DisplayText(sum);
}

void TRpDataLabel::Print(double ofsX, double ofsY) {
    setCaptionText(Value());
    TRpCustomLabel::Print(ofsX, ofsY);
}

// ---- TRpShape ----------------------------------------------------------------------------------

TRpShape::TRpShape(TReport* owner) : TRpPrintable(owner) {
    SetWidth(65);
    SetHeight(65);
}

void TRpShape::Print(double ofsX, double ofsY) {
    if (!Enabled() || !Printer() || !outputToCanvas()) return;
    TRpPrinter& printer = *Printer();
    TRpCanvas& canvas = printer.Canvas();
    canvas.SetBrush(Brush);
    canvas.SetPen(Pen);
    const auto& size = SizeValues();
    const double L = size[kLeft] + ofsX, T = size[kTop] + ofsY, W = size[kWidth], H = size[kHeight];
    const int x1 = printer.XPos(L), y1 = printer.YPos(T), x2 = printer.XPos(L + W), y2 = printer.YPos(T + H);
    const Rect box(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    switch (Shape) {
        case TRpShapeType::rpsRectangle:
            canvas.Rectangle(box);
            break;
        case TRpShapeType::rpsCircle:
            canvas.Ellipse(box);
            break;
        case TRpShapeType::rpsVertLine: {
            const int x = printer.XPos(L + W / 2);
            canvas.Line(QPoint(x, y1), QPoint(x, y2));
            break;
        }
        case TRpShapeType::rpsHorLine: {
            const int y = printer.YPos(T + H / 2);
            canvas.Line(QPoint(x1, y), QPoint(x2, y));
            break;
        }
        case TRpShapeType::rpsTopAndBottom:
            canvas.Line(QPoint(x1, y1), QPoint(x2, y1));
            canvas.Line(QPoint(x1, y2), QPoint(x2, y2));
            break;
        case TRpShapeType::rpsRightAndLeft:
            canvas.Line(QPoint(x1, y1), QPoint(x1, y2));
            canvas.Line(QPoint(x2, y1), QPoint(x2, y2));
            break;
    }
}

// ---- TRpImage ----------------------------------------------------------------------------------

TRpImage::TRpImage(TReport* owner) : TRpPrintable(owner) {
    SetWidth(105);
    SetHeight(105);
}

void TRpImage::Print(double ofsX, double ofsY) {
    if (!Enabled() || !Printer() || !outputToCanvas()) return;
    TRpPrinter& printer = *Printer();
    TRpCanvas& canvas = printer.Canvas();
    const auto& size = SizeValues();
    const double L = size[kLeft] + ofsX, T = size[kTop] + ofsY, W = size[kWidth], H = size[kHeight];
    const Rect box(QPoint(printer.XPos(L), printer.YPos(T)),
                   QPoint(printer.XPos(L + W) - 1, printer.YPos(T + H) - 1));
    if (!Picture.isNull()) {
        if (Stretch) {
            canvas.DrawImage(box, Picture);
        } else {
            const double nativePerPixel = 254.0 / TRpPrinter::kScreenDpi;
            const int w = printer.XSize(Picture.width() * nativePerPixel);
            const int h = printer.YSize(Picture.height() * nativePerPixel);
            QPoint at = box.topLeft();
            if (Center) at += QPoint((box.width() - w) / 2, (box.height() - h) / 2);
            canvas.SetClip(box);
            canvas.DrawImage(Rect(at, QSize(w, h)), Picture);
            canvas.RemoveClip();
        }
    }
    drawFrame(canvas, printer, Frame, L, T, W, H);
}
