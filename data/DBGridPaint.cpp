// Drawing for the data-aware grid: cell text, raised edges and the indicator marks, all drawn with
// QPainter so they look the same on every platform.
#include "data/DBGridPaint.h"

#include <QPainter>
#include <QPolygon>

#include "runtime/Geometry.h"

namespace {

constexpr int textLeftMargin = 2;
constexpr int textTopMargin = 2;
constexpr int textRightMargin = 3;

}  // namespace

void TCanvas::DrawCellText(const Rect& rect, const QString& text, Qt::Alignment horizontal) {
    if (!painter_) return;
    painter_->save();
    painter_->fillRect(rect, brush_.Color());
    painter_->setClipRect(rect);
    painter_->setFont(font_);
    painter_->setPen(fontColor_);
    const Rect textArea = rect.adjusted(textLeftMargin, textTopMargin, -textRightMargin, 0);
    Qt::Alignment flags = Qt::AlignTop;
    if (horizontal & Qt::AlignRight) {
        flags |= Qt::AlignRight;
    } else if (horizontal & Qt::AlignHCenter) {
        flags |= Qt::AlignHCenter;
    } else {
        flags |= Qt::AlignLeft;
    }
    const Rect unbounded(textArea.left(), textArea.top(), textArea.width(), rect.height());
    painter_->drawText(unbounded, int(flags) | Qt::TextSingleLine | Qt::TextDontClip, text);
    painter_->restore();
}

void drawIndicatorMark(QPainter& painter, const Rect& cell, IndicatorMark mark, const QColor& color) {
    if (mark == IndicatorMark::None) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(color);
    painter.setBrush(color);
    const int right = cell.right() - 1;
    const int midY = cell.top() + cell.height() / 2;
    switch (mark) {
        case IndicatorMark::Arrow:
        case IndicatorMark::MultiArrow: {
            // A solid triangle pointing right, 4 px wide and 7 px tall.
            const QPolygon triangle(
                {QPoint(right - 4, midY - 3), QPoint(right - 1, midY), QPoint(right - 4, midY + 3)});
            painter.drawPolygon(triangle);
            if (mark == IndicatorMark::MultiArrow) painter.drawRect(right - 8, midY - 1, 1, 1);
            break;
        }
        case IndicatorMark::Edit: {
            // A text cursor: a vertical bar with short serifs at both ends.
            const int x = right - 3;
            painter.drawLine(x, midY - 4, x, midY + 4);
            painter.drawLine(x - 2, midY - 4, x + 2, midY - 4);
            painter.drawLine(x - 2, midY + 4, x + 2, midY + 4);
            break;
        }
        case IndicatorMark::Insert: {
            // An asterisk of three crossing strokes.
            const int x = right - 3;
            painter.drawLine(x, midY - 3, x, midY + 3);
            painter.drawLine(x - 3, midY - 2, x + 3, midY + 2);
            painter.drawLine(x - 3, midY + 2, x + 3, midY - 2);
            break;
        }
        case IndicatorMark::MultiDot:
            painter.drawRect(right - 4, midY - 1, 2, 2);
            break;
        case IndicatorMark::None:
            break;
    }
    painter.restore();
}

void drawRaisedEdge(QPainter& painter, const Rect& cell) {
    painter.save();
    painter.setPen(Qt::white);
    painter.drawLine(cell.topLeft(), cell.topRight());
    painter.drawLine(cell.topLeft(), cell.bottomLeft());
    painter.setPen(Qt::gray);
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    painter.drawLine(cell.topRight(), cell.bottomRight());
    painter.restore();
}
