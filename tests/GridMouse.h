// Dragging in a data grid with the mouse, as a person does.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QTest>

#include "data/DBGrids.h"
#include "runtime/Geometry.h"

// Drags the right border of column `column`'s title `dx` pixels along, as a person widens the column.
inline void dragTitleBorder(TDBGrid& grid, int column, int dx) {
    const Rect title = grid.TitleRect(column);
    const QPoint border(title.right() + 1, title.center().y());
    const QPoint end = border + QPoint(dx, 0);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, border);
    QMouseEvent move(QEvent::MouseMove, QPointF(end), grid.viewport()->mapToGlobal(QPointF(end)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &move);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, end);
}
