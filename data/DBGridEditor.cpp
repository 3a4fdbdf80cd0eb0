// The data-aware grid's in-place editor: when it opens and closes, the text it loads from the current
// field and writes back, and the keys it handles itself or passes on to the grid.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "data/DBCtrls.h"
#include "data/DBGrids.h"
#include "runtime/Boundary.h"
#include "runtime/Controls.h"

namespace {

bool isBinary(const TField* field) {
    switch (field->DataType()) {
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftMemo:
        case ftGraphic:
        case ftFmtMemo:
        case ftEngineBinary1:
        case ftEngineBinary2:
        case ftTypedBinary:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool TDBGrid::EditorMode() const {
    Q_ASSERT((editorState_ == EditorState::Hidden) == editor_->isHidden());
    return editorState_ != EditorState::Hidden;
}

void TDBGrid::SetEditorMode(bool on) {
    if (on) {
        ShowEditor();
    } else {
        HideEditor();
    }
}

bool TDBGrid::CanEditShow() const {
    if (!(options_ & dgEditing) || (options_ & dgRowSelect) || readOnly_) return false;
    if (!link_.Active() || link_.ReadOnly()) return false;
    TColumn* column = columns_.Items(selectedColumn_);
    if (!column || column->ReadOnly()) return false;
    TField* field = column->Field();
    if (!field || !field->CanModify()) return false;
    return !isBinary(field) || field->OnGetText;
}

void TDBGrid::ShowEditor() {
    if (EditorMode() || !CanEditShow()) return;
    if (!link_.Editing() && !link_.Edit()) return;
    editorField_ = SelectedField();
    editor_->setAccessibleName(columns_.Items(selectedColumn_)->Title().Caption());
    LoadEditorText();
    editor_->setReadOnly(!link_.Editing());
    editorState_ = EditorState::Shown;
    editor_->show();
    PlaceEditor();
    editor_->setFocus(Qt::OtherFocusReason);
    editor_->selectAll();
}

void TDBGrid::HideEditor() {
    if (!EditorMode()) return;
    WriteEditorText();
    DiscardEditor();
}

void TDBGrid::DiscardEditor() {
    if (!EditorMode()) return;
    const bool hadFocus = editor_->hasFocus();
    editorState_ = EditorState::Hidden;
    editorField_ = nullptr;
    editor_->hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    viewport()->update(CellRect(selectedColumn_, CurrentRow()));
}

void TDBGrid::PlaceEditor() {
    if (!EditorMode()) return;
    const Rect cell = CellRect(selectedColumn_, CurrentRow());
    if (cell.isEmpty()) {
        editorState_ = EditorState::Hidden;
        editorField_ = nullptr;
        editor_->hide();
        return;
    }
    editor_->setGeometry(cell.intersected(Rect(FixedWidth(), 0, viewport()->width(), viewport()->height())));
    if (TColumn* column = columns_.Items(selectedColumn_)) editor_->setFont(column->Font());
}

void TDBGrid::LoadEditorText() {
    editor_->setText(editorField_ ? editorField_->Text() : QString());
    if (editorState_ == EditorState::Modified) editorState_ = EditorState::Shown;
}

void TDBGrid::WriteEditorText() {
    if (editorState_ == EditorState::Modified) link_.UpdateRecord();
}

void TDBGrid::CancelUntouchedInsert() {
    if (!(options_ & dgCancelOnExit) || !link_.Active()) return;
    QWidget* now = QApplication::focusWidget();
    if (now && (now == this || isAncestorOf(now))) return;
    if (UntouchedInsert()) DataSet()->Cancel();
}

bool TDBGrid::EditorKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            return HandleKey(key, modifiers);
        case Qt::Key_Home:
        case Qt::Key_End:
            return ctrl && HandleKey(key, modifiers);
        case Qt::Key_Left:
            if (ctrl || (editor_->cursorPosition() == 0 && !editor_->hasSelectedText())) {
                return HandleKey(key, modifiers);
            }
            return false;
        case Qt::Key_Right:
            if (ctrl ||
                (editor_->cursorPosition() == editor_->text().size() && !editor_->hasSelectedText())) {
                return HandleKey(key, modifiers);
            }
            return false;
        case Qt::Key_Delete:
        case Qt::Key_E:
            if (ctrl) return HandleKey(key, modifiers);
            break;
        case Qt::Key_Insert:
            if (!(modifiers & Qt::ShiftModifier)) return HandleKey(key, modifiers);
            break;
        default:
            break;
    }
    const bool changesText = IsPrintable(event) || key == Qt::Key_Backspace || key == Qt::Key_Delete ||
                             event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
                             (key == Qt::Key_Insert && (modifiers & Qt::ShiftModifier));
    if (!changesText) return false;
    if (IsPrintable(event) && !data::fieldAcceptsChar(editorField_, event->text().at(0))) {
        QApplication::beep();
        return true;
    }
    if (!link_.Editing() && !link_.Edit()) return true;
    return false;
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_) return QAbstractScrollArea::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        if (runtime::leaveGridByKey(*this, *static_cast<QKeyEvent*>(event))) return true;
        bool handled = false;
        const bool finished = runtime::guarded([&] { handled = EditorKey(static_cast<QKeyEvent*>(event)); });
        // A key whose command failed is spent: the grid must not run it a second time.
        return handled || !finished;
    }
    if (event->type() == QEvent::FocusOut) {
        runtime::guarded([this] { CancelUntouchedInsert(); });
        viewport()->update();
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TDBGrid::UpdateData() {
    if (editorState_ != EditorState::Modified || !editorField_) return;
    editorField_->SetText(editor_->text());
    editorState_ = EditorState::Shown;
}
