// The data-aware grid's focus, mouse and wheel: clicks that move the current cell or open the editor,
// resizing a column by its title border, the click hooks and the pop-up menu.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

#include "data/DBGridAccessible.h"
#include "data/DBGrids.h"
#include "runtime/Boundary.h"
#include "runtime/UserSettings.h"

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    data::gridCurrentCellMoved(*this);
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    runtime::guarded([this] { CancelUntouchedInsert(); });
    viewport()->update();
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    runtime::guarded([this, event] {
        if (focusPolicy() == Qt::NoFocus || !isEnabled()) return;
        if (!hasFocus() && !editor_->hasFocus()) setFocus(Qt::MouseFocusReason);
        const Hit hit = HitTest(event->position().toPoint());
        if (hit.kind == Hit::ColumnBorder && event->button() == Qt::LeftButton) {
            resizingColumn_ = hit.column;
            return;
        }
        if (hit.kind != Hit::Data) return;
        const bool sameCell = hit.row == CurrentRow() && hit.column == selectedColumn_ && !EditorMode();
        HideEditor();
        if (hit.row < RecordCount() && hit.row != CurrentRow()) MoveRows(hit.row - CurrentRow());
        MoveColumn(hit.column);
        if (event->button() == Qt::LeftButton && sameCell) ShowEditor();
    });
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        runtime::guarded([this, pos] {
            columns_.Items(resizingColumn_)->SetWidth(std::max(1, pos.x() - ColumnLeft(resizingColumn_)));
        });
        return;
    }
    const bool onBorder = HitTest(pos).kind == Hit::ColumnBorder;
    viewport()->setCursor(onBorder ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (resizingColumn_ >= 0) {
        if (const TColumn* column = columns_.Items(std::exchange(resizingColumn_, -1)))
            runtime::saveColumnWidth(this, column->FieldName(), column->Width());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    const Hit hit = HitTest(event->position().toPoint());
    runtime::guarded([this, hit] {
        if (hit.kind == Hit::Data && OnCellClick) OnCellClick(columns_.Items(hit.column));
        if (hit.kind == Hit::Title && OnTitleClick) OnTitleClick(columns_.Items(hit.column));
    });
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick) runtime::guarded(OnDblClick);
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && link_.Active()) runtime::guarded([this, steps] { MoveRows(-steps); });
    event->accept();
}

void TDBGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (!popupMenu_) {
        event->ignore();
        return;
    }
    popupMenu_->popup(event->globalPos());
}
