// The data-aware grid as a table for screen readers: its interface, its cells and the events that keep
// a screen reader in step with the rows and the current cell.
#include "data/DBGridAccessible.h"

#include <QAccessibleTableInterface>
#include <QAccessibleWidget>
#include <QPointer>
#include <exception>
#include <map>
#include <utility>

#include "data/DBGrids.h"
#include "runtime/Accessible.h"

namespace data {
namespace {

constexpr int titleRow = -1;

class GridAccessible;

// One cell of the grid: a data cell, or a column title when its row is titleRow. A cell reads the
// grid whenever it is asked, so it stays right while the rows scroll under it.
class GridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
  public:
    GridCellAccessible(TDBGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    bool isValid() const override { return grid_ && column_ < grid_->Columns().Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return table() ? table()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return table(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override {
        return row_ == titleRow ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QString text(QAccessible::Text t) const override {
        if (!grid_ || (t != QAccessible::Name && t != QAccessible::Value)) return {};
        if (row_ == titleRow) {
            const TColumn* column = grid_->Columns().Items(column_);
            return column ? column->Title().Caption() : QString();
        }
        // A value that cannot be shown reads as nothing here; painting the cell reports the failure.
        try {
            return grid_->CellText(column_, row_);
        } catch (const std::exception&) {
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    Rect rect() const override {
        if (!grid_) return {};
        const Rect cell = row_ == titleRow ? grid_->TitleRect(column_) : grid_->CellRect(column_, row_);
        return Rect(grid_->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!grid_) {
            state.invalid = true;
            return state;
        }
        const Rect cell = row_ == titleRow ? grid_->TitleRect(column_) : grid_->CellRect(column_, row_);
        if (!grid_->viewport()->rect().intersects(cell)) state.invisible = state.offscreen = true;
        if (row_ == titleRow) return state;
        state.focusable = state.selectable = true;
        if (isSelected()) {
            state.selected = true;
            state.focused = grid_->hasFocus();
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override {
        return grid_ && row_ != titleRow && grid_->RecordCount() > 0 && row_ == grid_->CurrentRow() &&
               (column_ == grid_->SelectedIndex() || (grid_->Options() & dgRowSelect));
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return QAccessible::queryAccessibleInterface(grid_); }

  private:
    QPointer<TDBGrid> grid_;
    int row_;
    int column_;
};

// The grid as a table. Its children are the column titles (when the grid shows them), then the data
// cells row by row; its rows are the records the grid shows, not the whole dataset. Cell interfaces
// are made on demand and kept until the table's shape changes.
class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit GridAccessible(TDBGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
    ~GridAccessible() override { ForgetCells(); }

    TDBGrid* Grid() const { return static_cast<TDBGrid*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return titleCount() + rowCount() * columnCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        if (index < titleCount()) return Cell(titleRow, index);
        index -= titleCount();
        return Cell(index / columnCount(), index % columnCount());
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const QAccessibleTableCellInterface* cell =
            child ? const_cast<QAccessibleInterface*>(child)->tableCellInterface() : nullptr;
        if (!cell || child->parent() != this) return -1;
        if (cell->rowIndex() == titleRow) return cell->columnIndex();
        return titleCount() + cell->rowIndex() * columnCount() + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* cell = child(i);
            if (cell->rect().contains(x, y)) return cell;
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (!Grid()->hasFocus() || Grid()->RecordCount() == 0) return nullptr;
        return Cell(Grid()->CurrentRow(), Grid()->SelectedIndex());
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
        return Cell(row, column);
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        if (rowCount() == 0 || columnCount() == 0) return cells;
        const int row = Grid()->CurrentRow();
        if (Grid()->Options() & dgRowSelect) {
            for (int c = 0; c < columnCount(); ++c) cells << Cell(row, c);
        } else {
            cells << Cell(row, Grid()->SelectedIndex());
        }
        return cells;
    }
    QString columnDescription(int column) const override {
        const TColumn* item = Grid()->Columns().Items(column);
        return item ? item->Title().Caption() : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return Grid()->Columns().Count(); }
    int rowCount() const override { return Grid()->RecordCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        if (!(Grid()->Options() & dgRowSelect) || rowCount() == 0) return {};
        return {Grid()->CurrentRow()};
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    // The current record moves only with the dataset; a screen reader reads, it does not select.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset) ForgetCells();
    }

    // Answers how the table changed since it was last asked: a reset when its shape did (its cells are
    // then forgotten), else a change of the data in its cells.
    QAccessibleTableModelChangeEvent::ModelChangeType Refresh() {
        const std::pair<int, int> shape{rowCount(), columnCount()};
        if (shape == shape_) return QAccessibleTableModelChangeEvent::DataChanged;
        shape_ = shape;
        ForgetCells();
        return QAccessibleTableModelChangeEvent::ModelReset;
    }

    QAccessibleInterface* Cell(int row, int column) const {
        const auto known = cells_.find({row, column});
        if (known != cells_.end()) return QAccessible::accessibleInterface(known->second);
        auto* cell = new GridCellAccessible(Grid(), row, column);
        cells_[{row, column}] = QAccessible::registerAccessibleInterface(cell);
        return cell;
    }

  private:
    int titleCount() const { return (Grid()->Options() & dgTitles) ? columnCount() : 0; }

    void ForgetCells() {
        for (const auto& [at, id] : cells_) QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
    std::pair<int, int> shape_{-1, -1};
};

QList<QAccessibleInterface*> GridCellAccessible::columnHeaderCells() const {
    if (!grid_ || row_ == titleRow || !(grid_->Options() & dgTitles)) return {};
    auto* grid = dynamic_cast<GridAccessible*>(table());
    if (!grid) return {};
    return {grid->Cell(titleRow, column_)};
}

QAccessibleInterface* gridFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("TDBGrid") || !object || !object->isWidgetType()) return nullptr;
    return new GridAccessible(static_cast<TDBGrid*>(object));
}

GridAccessible* gridInterface(TDBGrid& grid) {
    return dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(&grid));
}

}  // namespace

void installGridAccessibility() {
    runtime::installAccessibleFactory(gridFactory);
}

void gridContentsChanged(TDBGrid& grid) {
    if (!QAccessible::isActive() || !grid.isVisible()) return;
    GridAccessible* table = gridInterface(grid);
    if (!table) return;
    QAccessibleTableModelChangeEvent change(&grid, table->Refresh());
    if (change.modelChangeType() == QAccessibleTableModelChangeEvent::DataChanged) {
        change.setFirstRow(0);
        change.setLastRow(table->rowCount() - 1);
        change.setFirstColumn(0);
        change.setLastColumn(table->columnCount() - 1);
    }
    QAccessible::updateAccessibility(&change);
    gridCurrentCellMoved(grid);
}

void gridCurrentCellMoved(TDBGrid& grid) {
    if (!QAccessible::isActive() || !grid.isVisible() || !grid.hasFocus()) return;
    GridAccessible* table = gridInterface(grid);
    if (!table) return;
    QAccessibleInterface* cell = table->focusChild();
    if (!cell) return;
    QAccessibleEvent focus(&grid, QAccessible::Focus);
    focus.setChild(table->indexOfChild(cell));
    QAccessible::updateAccessibility(&focus);
}

}  // namespace data
