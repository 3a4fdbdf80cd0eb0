// The data-aware edit, the field link, the error boundary of the data-aware controls and their
// registration for window descriptions.
#include "data/DBCtrls.h"

#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLocale>
#include <algorithm>

#include "data/DBGrids.h"
#include "data/DataMessages.h"
#include "runtime/Boundary.h"
#include "runtime/ComponentRegistry.h"

namespace data {

bool fieldAcceptsChar(const TField* field, QChar ch) {
    if (!field) return true;
    const bool sign = ch == QLatin1Char('+') || ch == QLatin1Char('-');
    const bool digit = ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    switch (field->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
            return digit || sign;
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            return digit || sign || ch == QLatin1Char('E') || ch == QLatin1Char('e') ||
                   QLocale().decimalPoint().startsWith(ch);
        default:
            return true;
    }
}

}  // namespace data

// ---- TFieldDataLink ---------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const QString& name) {
    if (name == fieldName_) return;
    fieldName_ = name;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    TField* field = nullptr;
    if (Active() && !fieldName_.isEmpty()) {
        field = DataSet()->FindField(fieldName_);
        if (!field) {
            throw EDatabaseError(data::message::FieldNotFound.arg(control_->objectName(), fieldName_));
        }
    }
    field_ = field;
    EditingChanged();
    Reset();
}

bool TFieldDataLink::CanModify() const {
    return !ReadOnly() && field_ && field_->CanModify();
}

void TFieldDataLink::Reset() {
    RecordChanged(nullptr);
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
}

void TFieldDataLink::RecordChanged(TField* field) {
    if (field && field != field_) return;
    if (OnDataChange) OnDataChange();
    modified_ = false;
}

void TFieldDataLink::EditingChanged() {
    const bool editing = Editing() && CanModify();
    if (editing == editing_) return;
    editing_ = editing;
    modified_ = false;
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::UpdateData() {
    if (!modified_) return;
    if (field_ && OnUpdateData) OnUpdateData();
    modified_ = false;
}

void TFieldDataLink::FocusControl(TField* field) {
    if (field && field == field_ && control_ && control_->isEnabled())
        control_->setFocus(Qt::OtherFocusReason);
}

// ---- TDBEdit ----------------------------------------------------------------------------------

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent), link_(this) {
    QLineEdit::setReadOnly(true);
    link_.OnDataChange = [this] { DataChange(); };
    link_.OnEditingChange = [this] { EditingChange(); };
    link_.OnUpdateData = [this] { UpdateData(); };
    link_.OnActiveChange = [this] { UpdateAlignment(); };
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!loading_) link_.SetModified();
    });
}

TDBEdit::~TDBEdit() {
    link_.OnDataChange = nullptr;
    link_.OnEditingChange = nullptr;
    link_.OnUpdateData = nullptr;
    link_.OnActiveChange = nullptr;
    try {
        link_.SetDataSource(nullptr);
    } catch (...) {
        // Nothing is left to show an error to while the edit goes away.
    }
}

void TDBEdit::SetDataSource(TDataSource* source) {
    if (link_.Updating()) throw EDatabaseError(data::message::DataSourceFixed);
    link_.SetDataSource(source);
}

void TDBEdit::SetReadOnly(bool readOnly) {
    link_.SetReadOnly(readOnly);
    EditingChange();
}

void TDBEdit::SetCharCase(TEditCharCase charCase) {
    charCase_ = charCase;
}

void TDBEdit::DataChange() {
    TField* field = link_.Field();
    QString shown;
    if (field) shown = hasFocus() && link_.CanModify() ? field->Text() : field->DisplayText();
    // The same text is left alone, so a selection the person made survives the edit request.
    if (shown != text()) {
        loading_ = true;
        setText(shown);
        loading_ = false;
    }
    UpdateAlignment();
}

void TDBEdit::EditingChange() {
    QLineEdit::setReadOnly(!link_.FieldEditing());
}

void TDBEdit::UpdateData() {
    if (TField* field = link_.Field()) field->SetText(text());
}

void TDBEdit::UpdateAlignment() {
    Qt::Alignment horizontal = Qt::AlignLeft;
    TField* field = link_.Field();
    if (field && !hasFocus()) {
        if (field->Alignment() == taRightJustify) horizontal = Qt::AlignRight;
        if (field->Alignment() == taCenter) horizontal = Qt::AlignHCenter;
    }
    setAlignment(horizontal | Qt::AlignVCenter);
}

bool TDBEdit::RequestEdit() {
    if (link_.FieldEditing()) return true;
    if (!link_.CanModify()) return false;
    link_.Edit();
    return link_.FieldEditing();
}

bool TDBEdit::KeyChangesText(const QKeyEvent* event) const {
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    return printable || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
           event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
           (event->key() == Qt::Key_Insert && shift);
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        runtime::guarded([this] { link_.Reset(); });
        selectAll();
        // The window may still want Escape (its cancel button).
        event->ignore();
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (printable && !data::fieldAcceptsChar(link_.Field(), text.at(0))) {
        QApplication::beep();
        event->accept();
        return;
    }
    if (KeyChangesText(event)) {
        bool editing = false;
        runtime::guarded([&] { editing = RequestEdit(); });
        if (!editing) {
            event->accept();
            return;
        }
    }
    if (charCase_ != ecNormal && printable) {
        const QString cased = charCase_ == ecUpperCase ? text.toUpper() : text.toLower();
        QKeyEvent casedEvent(event->type(), event->key(), event->modifiers(), cased, event->isAutoRepeat(),
                             ushort(event->count()));
        QLineEdit::keyPressEvent(&casedEvent);
        event->setAccepted(casedEvent.isAccepted());
        return;
    }
    if (charCase_ != ecNormal &&
        (event->matches(QKeySequence::Paste) ||
         (event->key() == Qt::Key_Insert && (event->modifiers() & Qt::ShiftModifier)))) {
        const QString pasted = QGuiApplication::clipboard()->text();
        insert(charCase_ == ecUpperCase ? pasted.toUpper() : pasted.toLower());
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event) {
    runtime::guarded([this] {
        if (!link_.Modified()) link_.Reset();
    });
    UpdateAlignment();
    QLineEdit::focusInEvent(event);
}

// Only leaving the edit within its window writes the text: when another window takes the activation
// (a message box, another program) or a popup opens, the edit keeps its focus in the window, and the
// text stays pending as typed.
void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    runtime::guarded([this] {
        try {
            if (link_.FieldEditing()) link_.UpdateRecord();
        } catch (...) {
            selectAll();
            setFocus(Qt::OtherFocusReason);
            throw;
        }
        if (!link_.Modified()) link_.Reset();
        UpdateAlignment();
    });
}

void TDBEdit::Loaded() {
    if (TDataSource* source = namedDataSource_.Resolve(*this)) SetDataSource(source);
}

// ---- Registration -----------------------------------------------------------------------------

namespace {

TDBGridOptions gridOptions(const QObject* owner, const QJsonObject& description) {
    static const std::pair<const char*, TDBGridOption> known[] = {
        {"dgEditing", dgEditing},
        {"dgAlwaysShowEditor", dgAlwaysShowEditor},
        {"dgTitles", dgTitles},
        {"dgIndicator", dgIndicator},
        {"dgColumnResize", dgColumnResize},
        {"dgColLines", dgColLines},
        {"dgRowLines", dgRowLines},
        {"dgTabs", dgTabs},
        {"dgRowSelect", dgRowSelect},
        {"dgAlwaysShowSelection", dgAlwaysShowSelection},
        {"dgConfirmDelete", dgConfirmDelete},
        {"dgCancelOnExit", dgCancelOnExit},
        {"dgMultiSelect", dgMultiSelect},
    };
    TDBGridOptions options;
    for (const QJsonValue& value : description.value(QLatin1String("options")).toArray()) {
        const QString name = value.toString();
        const auto found = std::find_if(std::begin(known), std::end(known), [&](const auto& entry) {
            return name == QLatin1String(entry.first);
        });
        if (found == std::end(known)) runtime::unknownOption(owner, description, name);
        options |= found->second;
    }
    return options;
}

QObject* createGrid(QObject* owner, const QJsonObject& description) {
    const TDBGridOptions options =
        description.contains(QLatin1String("options")) ? gridOptions(owner, description) : defaultGridOptions;
    auto* grid = new TDBGrid(qobject_cast<QWidget*>(owner));
    grid->SetOptions(options);
    grid->SetReadOnly(description.value(QLatin1String("readOnly")).toBool(false));
    grid->SetDefaultDrawing(description.value(QLatin1String("defaultDrawing")).toBool(true));
    for (const QJsonValue& value : description.value(QLatin1String("columns")).toArray()) {
        const QJsonObject columnKeys = value.toObject();
        TColumn* column = grid->Columns().Add();
        column->SetFieldName(columnKeys.value(QLatin1String("fieldName")).toString());
        if (columnKeys.contains(QLatin1String("width")))
            column->SetWidth(columnKeys.value(QLatin1String("width")).toInt());
        if (columnKeys.contains(QLatin1String("title"))) {
            column->Title().SetCaption(columnKeys.value(QLatin1String("title")).toString());
        }
        if (columnKeys.contains(QLatin1String("readOnly"))) {
            column->SetReadOnly(columnKeys.value(QLatin1String("readOnly")).toBool());
        }
    }
    grid->SetDataSourceName(owner, description.value(QLatin1String("dataSource")).toString());
    return grid;
}

QObject* createEdit(QObject* owner, const QJsonObject& description) {
    const QString caseName =
        description.value(QLatin1String("charCase")).toString(QStringLiteral("ecNormal"));
    TEditCharCase charCase = ecNormal;
    if (caseName == QLatin1String("ecUpperCase")) {
        charCase = ecUpperCase;
    } else if (caseName == QLatin1String("ecLowerCase")) {
        charCase = ecLowerCase;
    } else if (caseName != QLatin1String("ecNormal")) {
        runtime::unknownOption(owner, description, caseName);
    }
    auto* edit = new TDBEdit(qobject_cast<QWidget*>(owner));
    edit->SetDataField(description.value(QLatin1String("dataField")).toString());
    edit->SetCharCase(charCase);
    edit->setEnabled(description.value(QLatin1String("enabled")).toBool(true));
    edit->SetReadOnly(description.value(QLatin1String("readOnly")).toBool(false));
    edit->SetDataSourceName(owner, description.value(QLatin1String("dataSource")).toString());
    return edit;
}

}  // namespace

namespace data {

void registerDataControls() {
    runtime::registerComponentClass(QStringLiteral("TDBGrid"), createGrid);
    runtime::registerComponentClass(QStringLiteral("TDBEdit"), createEdit);
}

}  // namespace data
