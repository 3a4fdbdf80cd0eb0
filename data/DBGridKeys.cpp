// The data-aware grid's keyboard: moving between rows and columns, appending, inserting and deleting
// rows, leaving the grid by Ctrl+Tab, and saving the rows as a table file.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "data/DBGridAccessible.h"
#include "data/DBGrids.h"
#include "data/DataSetCsv.h"
#include "runtime/Boundary.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

bool TDBGrid::IsPrintable(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool TDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && runtime::leaveGridByKey(*this, *static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::KeyPress && (options_ & dgTabs)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    runtime::guarded([&] {
        handled = HandleKey(event->key(), event->modifiers());
        if (!handled && IsPrintable(event) && (options_ & dgEditing) && CanEditShow()) {
            if (!EditorMode()) {
                ShowEditor();
                editor_->selectAll();
            }
            if (EditorMode()) {
                QKeyEvent copy(QEvent::KeyPress, event->key(), event->modifiers(), event->text());
                QCoreApplication::sendEvent(editor_, &copy);
                handled = true;
            }
        }
    });
    event->setAccepted(handled);
}

bool TDBGrid::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (!link_.Active()) return false;
    if (modifiers & Qt::ControlModifier) return HandleCtrlKey(key);
    const bool singleColumn = columns_.Count() == 1 || (options_ & dgRowSelect);
    switch (key) {
        case Qt::Key_Up:
            GoUp();
            return true;
        case Qt::Key_Down:
            GoDown();
            return true;
        case Qt::Key_PageUp:
            MoveRows(-visibleRows_);
            return true;
        case Qt::Key_PageDown:
            MoveRows(visibleRows_);
            return true;
        case Qt::Key_Home:
            if (singleColumn) {
                DataSet()->First();
            } else {
                MoveColumn(0);
            }
            return true;
        case Qt::Key_End:
            if (singleColumn) {
                DataSet()->Last();
            } else {
                MoveColumn(columns_.Count() - 1);
            }
            return true;
        case Qt::Key_Left:
            MoveColumn(selectedColumn_ - 1);
            return true;
        case Qt::Key_Right:
            MoveColumn(selectedColumn_ + 1);
            return true;
        case Qt::Key_Tab:
            if (!(options_ & dgTabs)) return false;
            if (modifiers & Qt::ShiftModifier) {
                TabBackward();
            } else {
                TabForward();
            }
            return true;
        case Qt::Key_Backtab:
            if (!(options_ & dgTabs)) return false;
            TabBackward();
            return true;
        case Qt::Key_Insert:
            if (modifiers & Qt::ShiftModifier) return false;
            if (CanInsert()) DataSet()->Insert();
            return true;
        case Qt::Key_Escape:
            if (editorState_ == EditorState::Modified) {
                LoadEditorText();
                editor_->selectAll();
            } else if (DataSet()->State() == DataSetState::Edit ||
                       DataSet()->State() == DataSetState::Insert) {
                DataSet()->Cancel();
            } else if (!EditorMode()) {
                return false;
            }
            if (!(options_ & dgAlwaysShowEditor)) DiscardEditor();
            return true;
        case Qt::Key_F2:
            ShowEditor();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (EditorMode()) {
                WriteEditorText();
                if (!(options_ & dgAlwaysShowEditor)) DiscardEditor();
            } else {
                ShowEditor();
            }
            return true;
        default:
            return false;
    }
}

bool TDBGrid::HandleCtrlKey(int key) {
    switch (key) {
        case Qt::Key_Home:
            DataSet()->First();
            return true;
        case Qt::Key_End:
            DataSet()->Last();
            return true;
        case Qt::Key_PageUp:
            MoveRows(-CurrentRow());
            return true;
        case Qt::Key_PageDown:
            MoveRows(std::max(0, RecordCount() - 1 - CurrentRow()));
            return true;
        case Qt::Key_Left:
            MoveColumn(0);
            return true;
        case Qt::Key_Right:
            MoveColumn(columns_.Count() - 1);
            return true;
        case Qt::Key_Delete:
            ConfirmAndDelete();
            return true;
        case Qt::Key_E:
            SaveRowsAsCsv();
            return true;
        default:
            return false;
    }
}

void TDBGrid::SaveRowsAsCsv() {
    if (!link_.Active()) return;
    std::vector<TField*> fields;
    QStringList titles;
    for (int i = 0; i < columns_.Count(); ++i) {
        if (TField* field = Fields(i)) {
            fields.push_back(field);
            titles.append(columns_.Items(i)->Title().Caption());
        }
    }
    const QString file = data::AskTableFileName(window());
    if (!file.isEmpty()) data::SaveDataSetAsTable(*DataSet(), fields, titles, file);
}

void TDBGrid::MoveRows(int distance) {
    if (distance == 0) return;
    DataSet()->MoveBy(distance);
    AfterRowMove();
}

void TDBGrid::AfterRowMove() {
    if (!(options_ & dgAlwaysShowEditor)) DiscardEditor();
}

void TDBGrid::MoveColumn(int dataCol) {
    dataCol = std::clamp(dataCol, 0, std::max(0, columns_.Count() - 1));
    if (dataCol == selectedColumn_) return;
    const bool editing = EditorMode();
    WriteEditorText();
    DiscardEditor();
    const int row = CurrentRow();
    viewport()->update(CellRect(selectedColumn_, row));
    selectedColumn_ = dataCol;
    EnsureColumnVisible(dataCol);
    viewport()->update(CellRect(selectedColumn_, row));
    if (editing && (options_ & dgAlwaysShowEditor)) ShowEditor();
    data::gridCurrentCellMoved(*this);
}

bool TDBGrid::UntouchedInsert() const {
    return DataSet()->State() == DataSetState::Insert && !DataSet()->Modified() &&
           editorState_ != EditorState::Modified;
}

bool TDBGrid::CanInsert() const {
    return link_.Active() && (options_ & dgEditing) && !readOnly_ && !link_.ReadOnly() &&
           DataSet()->CanModify();
}

bool TDBGrid::GoDown() {
    TDataSet* dataSet = DataSet();
    if (UntouchedInsert()) {
        if (dataSet->Eof()) return false;
        dataSet->Cancel();
        AfterRowMove();
        return true;
    }
    if (dataSet->MoveBy(1) != 0) {
        AfterRowMove();
        return true;
    }
    if (dataSet->Eof() && CanInsert()) {
        dataSet->Append();
        AfterRowMove();
        return true;
    }
    return false;
}

bool TDBGrid::GoUp() {
    TDataSet* dataSet = DataSet();
    if (UntouchedInsert()) {
        dataSet->Cancel();
        AfterRowMove();
        return true;
    }
    if (dataSet->MoveBy(-1) == 0) return false;
    AfterRowMove();
    return true;
}

void TDBGrid::TabForward() {
    if (selectedColumn_ + 1 < columns_.Count()) {
        MoveColumn(selectedColumn_ + 1);
    } else if (GoDown()) {
        MoveColumn(0);
    }
}

void TDBGrid::TabBackward() {
    if (selectedColumn_ > 0) {
        MoveColumn(selectedColumn_ - 1);
    } else if (GoUp()) {
        MoveColumn(columns_.Count() - 1);
    }
}

void TDBGrid::ConfirmAndDelete() {
    TDataSet* dataSet = DataSet();
    if (readOnly_ || dataSet->IsEmpty() || !dataSet->CanModify()) return;
    if (options_ & dgConfirmDelete) {
        const runtime::MessageRequest question{runtime::MessageKind::Question, QStringLiteral("Confirm"),
                                               QStringLiteral("Delete record?")};
        if (runtime::showMessage(question) != runtime::MessageAnswer::Ok) return;
    }
    DiscardEditor();
    dataSet->Delete();
}
