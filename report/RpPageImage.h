// Page images: the canvas the printables draw on, and the self-contained display list that records
// one page, stores it as bytes and replays it onto any painter at any size.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QString>
#include <variant>
#include <vector>

#include "runtime/Geometry.h"

class QPainter;

// Horizontal anchor of a text item: the recorded x is its left edge, right edge or centre.
enum class TRpTextAnchor : quint8 { Left, Right, Center };

struct TRpPenSpec {
    QColor color = Qt::black;
    int width = 1;  // device pixels; 0 draws a one-pixel line
    Qt::PenStyle style = Qt::SolidLine;
};

struct TRpBrushSpec {
    QColor color = Qt::white;
    Qt::BrushStyle style = Qt::SolidPattern;
};

// What printables draw on. Coordinates are device pixels; rectangles follow the page convention of
// excluding their right and bottom edge (a fill from (1, 1) to (3, 3) covers four pixels).
class TRpCanvas {
  public:
    virtual ~TRpCanvas() = default;
    virtual int DotsPerInch() const = 0;

    virtual void SetFont(const QFont& font, const QColor& color) = 0;
    virtual void SetPen(const TRpPenSpec& pen) = 0;
    virtual void SetBrush(const TRpBrushSpec& brush) = 0;

    virtual void FillRect(const Rect& rect, const QColor& color) = 0;
    virtual void Rectangle(const Rect& rect) = 0;  // outlined with the pen, filled with the brush
    virtual void Ellipse(const Rect& rect) = 0;
    virtual void Line(const QPoint& from, const QPoint& to) = 0;
    // Writes `text` with its top at y and its anchor at x, on a transparent background.
    virtual void TextOut(const QPoint& at, const QString& text, TRpTextAnchor anchor) = 0;
    virtual void SetClip(const Rect& rect) = 0;
    virtual void RemoveClip() = 0;
    virtual void DrawImage(const Rect& target, const QImage& image) = 0;

    // Extents of `text` in the current font, device pixels.
    virtual int TextWidth(const QString& text) const = 0;
    virtual int TextHeight(const QString& text) const = 0;
};

// One recorded page: its size in device pixels, the resolution it was drawn at, and its items in
// drawing order. Every item carries all it needs (font, pen, brush), so items replay independently.
class TRpPageImage {
  public:
    struct Fill {
        Rect rect;
        QColor color;
    };
    enum class ShapeKind : quint8 { Rectangle, Ellipse, Line };
    struct Shape {
        ShapeKind kind;
        Rect rect;  // for lines: from rect.topLeft() to the point (rect.x() + rect.width(), ...)
        TRpPenSpec pen;
        TRpBrushSpec brush;
    };
    struct Text {
        QPoint at;
        QString text;
        QString family;
        double pixelSize;  // at the page's resolution
        bool bold, italic, underline, strikeOut;
        QColor color;
        TRpTextAnchor anchor;
    };
    struct Clip {
        bool on;  // false: the clip is removed
        Rect rect;
    };
    struct Picture {
        Rect rect;
        QByteArray png;
    };
    using Item = std::variant<Fill, Shape, Text, Clip, Picture>;

    static constexpr quint32 kMagic = 0x4B525047;  // "KRPG"
    static constexpr quint16 kVersion = 1;

    TRpPageImage() = default;
    TRpPageImage(QSize pixels, int dotsPerInch) : size_(pixels), dpi_(dotsPerInch) {}

    QSize Size() const { return size_; }
    int DotsPerInch() const { return dpi_; }
    const std::vector<Item>& Items() const { return items_; }
    void Append(Item item) { items_.push_back(std::move(item)); }

    QByteArray Serialize() const;
    // Reads a page written by Serialize; throws ERpError on a foreign, newer or truncated record.
    static TRpPageImage Parse(const QByteArray& bytes);

    // Draws the page scaled into `target` of the painter's device; throws ERpError for an item that
    // cannot be drawn, leaving the painter's state as it was.
    void Replay(QPainter& painter, const RectF& target) const;
    // Throws ERpError unless every item can be drawn (every picture is an image Qt can read).
    void CheckReplayable() const;
    // The page's texts as a reader takes them: lines from the top, a line's texts from the left joined
    // by a blank, lines by a line break. Texts whose tops lie within half a text's height of a line's
    // first text are of that line.
    QString ReadingText() const;

  private:
    QSize size_;
    int dpi_ = 96;
    std::vector<Item> items_;
};

// The canvas that records into a page image. Text is measured on a device of the page's resolution
// created once per page.
class TRpPageRecorder : public TRpCanvas {
  public:
    TRpPageRecorder(QSize pixels, int dotsPerInch);

    int DotsPerInch() const override { return page_.DotsPerInch(); }
    void SetFont(const QFont& font, const QColor& color) override;
    void SetPen(const TRpPenSpec& pen) override { pen_ = pen; }
    void SetBrush(const TRpBrushSpec& brush) override { brush_ = brush; }
    void FillRect(const Rect& rect, const QColor& color) override;
    void Rectangle(const Rect& rect) override;
    void Ellipse(const Rect& rect) override;
    void Line(const QPoint& from, const QPoint& to) override;
    void TextOut(const QPoint& at, const QString& text, TRpTextAnchor anchor) override;
    void SetClip(const Rect& rect) override;
    void RemoveClip() override;
    void DrawImage(const Rect& target, const QImage& image) override;
    int TextWidth(const QString& text) const override;
    int TextHeight(const QString& text) const override;

    const TRpPageImage& Page() const { return page_; }
    TRpPageImage TakePage() { return std::move(page_); }

  private:
    TRpPageImage page_;
    QImage measure_;
    QFont font_;
    QColor fontColor_ = Qt::black;
    TRpPenSpec pen_;
    TRpBrushSpec brush_;
};

// A 1 x 1 image whose logical resolution is `dotsPerInch`, for measuring text at that resolution.
QImage measuringDevice(int dotsPerInch);
