// The printable controls of a report form: the base with its stored size and frame, labels, memos,
// system data, shapes and images, and how each one draws itself on the run's page canvas.
#pragma once

#include <QColor>
#include <QDate>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "report/RpPageImage.h"
#include "runtime/Graphics.h"

class TReport;
class TRpPrinter;
class TRpPrintable;

// The printable controls among the children of `parent` (a report or a band), in child order.
std::vector<TRpPrintable*> printableChildren(const QObject& parent);

// A frame around a control or the report's margins. Width is in points.
struct TRpFrame {
    QColor Color = Qt::black;
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
    double Width = 1;
    Qt::PenStyle Style = Qt::SolidLine;

    bool AnySide() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
};

// Draws the drawn sides of `frame` as runs of one-pixel lines inward from the edges of the box
// (L, T, W, H in 0.1 mm).
void drawFrame(TRpCanvas& canvas, const TRpPrinter& printer, const TRpFrame& frame, double left, double top,
               double width, double height);

// The base of every control that prints. Its stored size (0.1 mm, in the order Height, Left, Top,
// Width) is authoritative; the pixel bounds are derived from it at the report's zoom and 96 pixels
// per inch, and setting them writes the stored size back.
class TRpPrintable : public QObject {
    Q_OBJECT
  public:
    enum SizeIndex { kHeight = 0, kLeft = 1, kTop = 2, kWidth = 3 };

    explicit TRpPrintable(TReport* owner);

    const std::array<double, 4>& SizeValues() const { return size_; }
    void SetSizeValues(const std::array<double, 4>& values) { size_ = values; }

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int pixels);
    void SetTop(int pixels);
    void SetWidth(int pixels);
    void SetHeight(int pixels);

    TRpFrame Frame;
    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    bool AlignToBand = false;
    QColor Color = Qt::white;
    bool Transparent = false;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

    TReport* ParentReport() const { return report_; }
    void SetParentReport(TReport* report) { report_ = report; }
    TRpPrinter* Printer() const { return printer_; }

    virtual void Prepare(TRpPrinter* printer);
    // Draws the control onto the current page, offset by (ofsX, ofsY) tenths of a millimetre.
    virtual void Print(double ofsX, double ofsY) = 0;
    virtual void Unprepare();

  protected:
    int zoom() const;
    int toPixels(double native) const;
    double toNative(int pixels) const;
    // Whether drawing goes to the page canvas (false while a report exports through a filter).
    bool outputToCanvas() const;

  private:
    std::array<double, 4> size_{0, 0, 0, 0};
    TAlignment alignment_ = taLeftJustify;
    bool enabled_ = true;
    TReport* report_;
    TRpPrinter* printer_ = nullptr;
};

// A control that prints lines of text: the caption, or the lines when the caption is empty.
class TRpCustomLabel : public TRpPrintable {
    Q_OBJECT
  public:
    explicit TRpCustomLabel(TReport* owner);

    QString Caption() const { return caption_; }
    // Stores the text and lays the lines out anew.
    void SetCaption(const QString& caption);
    QStringList Lines() const { return lines_; }
    void SetLines(const QStringList& lines);

    bool AutoSize = true;
    bool AutoStretch = false;
    bool WordWrap = true;

    // The control's own font, or the report's when it has none.
    QFont Font() const;
    void SetFont(const QFont& font) { font_ = font; }
    bool HasOwnFont() const { return font_.has_value(); }
    QColor FontColor = Qt::black;

    // May replace the text just before printing; the caption comes back afterwards.
    std::function<void(TRpCustomLabel& label, QString& text)> OnPrint;

    const QStringList& FormattedLines() const { return formatted_; }
    // Breaks the text into the lines that fit the control's pixel width.
    virtual void FormatLines();

    void Print(double ofsX, double ofsY) override;

  protected:
    void setCaptionText(const QString& caption) { caption_ = caption; }

  private:
    int measure(const QString& text) const;
    void layoutParagraph(const QString& paragraph, int width);
    void fitToLines(bool fromCaption);

    QString caption_;
    QStringList lines_;
    std::optional<QFont> font_;
    QStringList formatted_;
};

class TRpLabel : public TRpCustomLabel {
    Q_OBJECT
  public:
    explicit TRpLabel(TReport* owner) : TRpCustomLabel(owner) {}
};

// Prints its lines; an empty memo shows its name.
class TRpMemo : public TRpCustomLabel {
    Q_OBJECT
  public:
    explicit TRpMemo(TReport* owner) : TRpCustomLabel(owner) {}
    void Print(double ofsX, double ofsY) override;
};

enum class TRpSysDataKind {
    rpsTime,
    rpsDate,
    rpsDateTime,
    rpsPageNumber,
    rpsReportTitle,
    rpsDetailCount,
    rpsDetailNo,
    rpsPageOfPages  // `Text` with %1 replaced by the page number and %2 by the pages of the run
};

// Prints a value of the moment of printing after the prefix `Text` (rpsPageOfPages fills `Text` in
// instead); the caption keeps that value.
class TRpSysData : public TRpCustomLabel {
    Q_OBJECT
  public:
    explicit TRpSysData(TReport* owner) : TRpCustomLabel(owner) {}
    TRpSysDataKind Data = TRpSysDataKind::rpsTime;
    QString Text;
    QString Value() const;
    void Print(double ofsX, double ofsY) override;

  private:
    QString pageOfPages(QString pattern) const;
};

// The width, 0.1 mm, that a label of `report` in `font` needs to hold on one line, whole, the widest
// text that `dateText` gives for a date: every day of a leap year is tried, so that every month's and
// weekday's name and every day's digits count. Without `dateText`, the dates as lists print them.
double dateLabelWidth(const TReport& report, const QFont& font,
                      const std::function<QString(const QDate&)>& dateText = {});

// Prints the value of the field `DataField` of the report's current record in the list's display
// form, or with `Total` the sum of that field over the records printed so far (a summary prints the
// sum of all). A field the report's table lacks prints nothing.
class TRpDataLabel : public TRpCustomLabel {
    Q_OBJECT
  public:
    explicit TRpDataLabel(TReport* owner) : TRpCustomLabel(owner) {}
    QString DataField;
    bool Total = false;
    QString Value() const;
    void Print(double ofsX, double ofsY) override;
};

enum class TRpShapeType {
    rpsRectangle,
    rpsCircle,
    rpsVertLine,
    rpsHorLine,
    rpsTopAndBottom,
    rpsRightAndLeft
};

class TRpShape : public TRpPrintable {
    Q_OBJECT
  public:
    explicit TRpShape(TReport* owner);
    TRpShapeType Shape = TRpShapeType::rpsRectangle;
    TRpPenSpec Pen;  // width in device pixels, not scaled
    TRpBrushSpec Brush;
    void Print(double ofsX, double ofsY) override;
};

// A picture drawn stretched into its box, or at its natural size from the box's corner or centre,
// clipped to the box.
class TRpImage : public TRpPrintable {
    Q_OBJECT
  public:
    explicit TRpImage(TReport* owner);
    QImage Picture;
    bool AutoSize = false;
    bool Center = false;
    bool Stretch = false;
    void Print(double ofsX, double ofsY) override;
};
