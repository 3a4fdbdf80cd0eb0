// Drawing for the data-aware grid: the canvas that draw hooks use, cell text, the raised edges of
// fixed cells and the row indicator's state marks.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "runtime/Geometry.h"

class QPainter;

// The brush of a canvas: the colour that fills a cell before its text is written.
class TBrush {
  public:
    QColor Color() const { return color_; }
    void SetColor(const QColor& color) { color_ = color; }

  private:
    QColor color_ = Qt::white;
};

// What a grid cell is drawn with. The grid prepares brush, font and font colour for each cell; a draw
// hook may change them before asking for the default drawing.
class TCanvas {
  public:
    explicit TCanvas(QPainter* painter = nullptr) : painter_(painter) {}

    TBrush& Brush() { return brush_; }
    QFont& Font() { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    QColor FontColor() const { return fontColor_; }
    void SetFontColor(const QColor& color) { fontColor_ = color; }
    QPainter* Painter() const { return painter_; }
    void SetPainter(QPainter* painter) { painter_ = painter; }

    // Fills `rect` with the brush colour, then writes `text` in the font and font colour, clipped to
    // the cell: 2 px below the top; 2 px from the left, ending 3 px before the right edge, or centred.
    void DrawCellText(const Rect& rect, const QString& text, Qt::Alignment horizontal);

  private:
    QPainter* painter_;
    TBrush brush_;
    QFont font_;
    QColor fontColor_ = Qt::black;
};

// The mark a row indicator shows for the active record.
enum class IndicatorMark { None, Arrow, Edit, Insert, MultiDot, MultiArrow };

// Draws `mark` at the right of `cell`, vertically centred, in `color`.
void drawIndicatorMark(QPainter& painter, const Rect& cell, IndicatorMark mark, const QColor& color);

// Draws the light top-left and dark bottom-right lines that make a fixed cell look raised.
void drawRaisedEdge(QPainter& painter, const Rect& cell);
