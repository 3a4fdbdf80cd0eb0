// The data-aware edit and the field link that binds a control to one field of a data source; also the
// valid characters of a field that both data-aware controls accept.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include "data/Db.h"
#include "runtime/ComponentRegistry.h"

class QWidget;

namespace data {

// Whether a person may type `ch` into a control bound to `field`: every character for string and
// date fields; digits and signs for integer fields; for float fields also E, e and the decimal
// separator of the locale. Without a field every character is valid.
bool fieldAcceptsChar(const TField* field, QChar ch);

// Registers TDBGrid and TDBEdit for window descriptions. Keys:
//   {"class":"TDBGrid","name":"DBGrid1","dataSource":"DataSource1",
//    "options":["dgEditing","dgTitles",...],"readOnly":false,
//    "columns":[{"fieldName":"RedBroj","width":35,"title":"Broj"},...]}
//   {"class":"TDBEdit","name":"DBEdit2","dataSource":"DataSource1","dataField":"PrezimeIme",
//    "charCase":"ecUpperCase","enabled":true,"readOnly":false}
// The data source is found by name in the owner when loading completes; the loader attaches the
// grid's "popupMenu" itself.
void registerDataControls();

}  // namespace data

// Binds a control to one field of a data source: looks the field up whenever the link becomes active
// or the layout changes, tells the control when the field's value or the editing state changes, and
// keeps the control's "modified" flag (text changed and not yet written to the field).
class TFieldDataLink : public TDataLink {
  public:
    explicit TFieldDataLink(QWidget* control) : control_(control) {}

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    TField* Field() const { return field_; }
    QWidget* Control() const { return control_; }
    bool Modified() const { return modified_; }
    // Marks the control's text as changed by the person (or the program).
    void SetModified() { modified_ = true; }
    // Reloads the control from the field and clears the modified flag.
    void Reset();
    // Whether the link is not read-only and the field can take a value.
    bool CanModify() const;
    // Whether the dataset edits and this link may write its field.
    bool FieldEditing() const { return editing_; }

    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;

  protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void EditingChanged() override;
    void UpdateData() override;
    void FocusControl(TField* field) override;

  private:
    void UpdateField();

    QWidget* control_;
    QString fieldName_;
    QPointer<TField> field_;
    bool modified_ = false;
    bool editing_ = false;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// An edit that shows and edits one field of the current record. The native edit is read-only unless
// the link edits; typing first asks the dataset to edit. Every change of the text, typed or set by
// the program, is written into the field at the next update-record and when the edit loses the focus.
class TDBEdit : public QLineEdit, public runtime::Loadable {
    Q_OBJECT
  public:
    explicit TDBEdit(QWidget* parent = nullptr);
    ~TDBEdit() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source);
    QString DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    TField* Field() const { return link_.Field(); }
    bool ReadOnly() const { return link_.ReadOnly(); }
    void SetReadOnly(bool readOnly);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase);
    QString Text() const { return text(); }
    void SetText(const QString& text) { setText(text); }
    bool Modified() const { return link_.Modified(); }

    // A data source named in a window's description, found in `owner` when loading completes.
    void SetDataSourceName(QObject* owner, const QString& name) { namedDataSource_.Set(owner, name); }
    void Loaded() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void DataChange();
    void EditingChange();
    void UpdateData();
    void UpdateAlignment();
    bool RequestEdit();
    bool KeyChangesText(const QKeyEvent* event) const;

    TFieldDataLink link_;
    TEditCharCase charCase_ = ecNormal;
    bool loading_ = false;
    runtime::NamedComponent<TDataSource> namedDataSource_;
};
