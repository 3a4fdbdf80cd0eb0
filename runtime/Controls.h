// The standard controls of the program's windows, each a Qt widget whose objectName() is its
// component name. Event hooks run inside the event boundary.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "runtime/Boundary.h"

class QAbstractItemView;
class QCompleter;
class QKeyEvent;
class QMouseEvent;

namespace runtime {
// Gives a control the background colour of the layouts (behind a label's or check box's text, inside an
// edit's or combo box's text area).
void setControlColor(QWidget* control, const QColor& color);

// Ctrl+Tab and Ctrl+Shift+Tab leave every grid of the program for its window's next and previous control
// that Tab reaches, past the controls inside the grid (its editor), as Tab does in any other control.
// True when `key` was one of them and the focus moved on.
bool leaveGridByKey(QWidget& grid, const QKeyEvent& key);

// Gives a control the name a screen reader speaks for it; an editable combo box's text part gets the
// same name.
void setAccessibleName(QWidget* control, const QString& name);
// A label's caption as the name of the control it stands for: without mnemonic marks or a final colon.
QString spokenCaption(const QString& caption);
}  // namespace runtime

// Static text of a fixed size, drawn from the top left.
class TLabel : public QLabel {
    Q_OBJECT

  public:
    explicit TLabel(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // Reads "caption".
    void ReadDescription(const QJsonObject& description);
};

namespace runtime {
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
}  // namespace runtime

// A single-line edit. With a forced letter case, typed, pasted and assigned texts all take that case.
// Disabled, it shows the text the program puts in but takes no input and no focus.
class TEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit TEdit(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    void SetText(const QString& text);
    runtime::TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(runtime::TEditCharCase charCase);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    // Reads "text" and "charCase" ("ecNormal", "ecUpperCase", "ecLowerCase").
    void ReadDescription(const QJsonObject& description);

    // Runs whenever the text changes, by typing or from the program.
    TNotifyEvent OnChange;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString inCase(const QString& text) const;
    void enforceCase();

    runtime::TEditCharCase charCase_ = runtime::ecNormal;
};

class TComboBox;

// The item list of a combo box, in the manner of a string list.
class TComboBoxItems {
  public:
    explicit TComboBoxItems(TComboBox* combo) : combo_(combo) {}
    void Clear();
    int Add(const QString& item);
    int Count() const;
    QString Strings(int index) const;  // throws EListError outside 0..Count()-1
    int IndexOf(const QString& item) const;
    QStringList ToStringList() const;

  private:
    TComboBox* combo_;
};

// A drop-down combo box with an editable text. OnChange runs whenever the person changes the text, by
// choosing from the list or by typing; OnExit when the focus leaves it for another control.
// A typed text stays exactly as typed: there is no inline completion and no insertion into the list.
// With type-ahead on, the items that contain the typed text anywhere, whatever the letter case, are
// offered in a list under the box while the person types. The text changes only when an offer is
// chosen, as from the drop-down list: by a click, or by Enter or Tab on the offer marked with the arrow
// keys, which then go on as after a typed text. Esc closes the list and keeps the typed text; a click
// outside the list closes it and acts on what it was made on, as without the list.
class TComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit TComboBox(QWidget* parent = nullptr);

    TComboBoxItems Items() { return TComboBoxItems(this); }
    // The selected item, or -1 when none is selected or the text was typed over it.
    int ItemIndex() const;
    // Selects an item and shows its text; -1 selects none and empties the text. An index outside the
    // list selects none.
    void SetItemIndex(int index);
    QString Text() const { return currentText(); }
    void SetText(const QString& text) { setEditText(text); }
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    bool TypeAhead() const { return offers_ != nullptr; }
    void SetTypeAhead(bool on);
    // The list of offers under the box (shown only while there are offers), or nullptr without
    // type-ahead.
    QAbstractItemView* Offers() const;
    // Reads "items", "itemHeight", "itemIndex", "text" and "typeAhead".
    void ReadDescription(const QJsonObject& description);

    TNotifyEvent OnChange;
    TNotifyEvent OnExit;

  protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Offer();
    void ChooseOffer(const QString& name);
    void LeaveOffers(const QKeyEvent& key);
    void PassPressOn(const QMouseEvent& press);

    QCompleter* offers_ = nullptr;
    QString marked_;  // the offer the arrow keys mark in the shown list
    int itemHeight_ = 0;
};

// A check box. OnClick runs when the person clicks it.
class TCheckBox : public QCheckBox {
    Q_OBJECT

  public:
    explicit TCheckBox(QWidget* parent = nullptr);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // Reads "caption" and "checked".
    void ReadDescription(const QJsonObject& description);

    TNotifyEvent OnClick;
};

// A raised panel that holds controls and can be hidden with them.
class TPanel : public QFrame {
    Q_OBJECT

  public:
    explicit TPanel(QWidget* parent = nullptr);
    bool Visible() const { return isVisibleTo(parentWidget()); }
    void SetVisible(bool visible) { setVisible(visible); }
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel };

namespace runtime {
// The standard 18 x 18 glyphs of the OK (green check mark) and Cancel (red cross) buttons.
QPixmap okGlyph();
QPixmap cancelGlyph();
}  // namespace runtime

// A push button with a picture. The OK kind has the caption "OK", the green check mark and the default
// role (Enter in its form); the Cancel kind has "Cancel", the red cross and the cancel role (Esc).
class TBitBtn : public QPushButton {
    Q_OBJECT

  public:
    explicit TBitBtn(QWidget* parent = nullptr);

    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    void SetGlyph(const QPixmap& glyph);
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool isCancel) { cancel_ = isCancel; }
    // Reads "kind" ("bkCustom", "bkOK", "bkCancel"), "caption", "glyph" (an image resource path),
    // "default" and "cancel".
    void ReadDescription(const QJsonObject& description);

    TNotifyEvent OnClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    TBitBtnKind kind_ = bkCustom;
    bool default_ = false;
    bool cancel_ = false;
};

// A date picker showing the date only, in the locale's short date format, with a drop-down calendar.
// Setting the date from the program raises no OnChange; every change the person makes does.
class TDateTimePicker : public QDateEdit {
    Q_OBJECT

  public:
    explicit TDateTimePicker(QWidget* parent = nullptr);

    QDate Date() const { return date(); }
    void SetDate(const QDate& date);
    // The date with the picker's time of day, which only the program sets.
    QDateTime DateTime() const { return QDateTime(date(), time_); }
    void SetDateTime(const QDateTime& dateTime);

    TNotifyEvent OnChange;

  protected:
    bool focusNextPrevChild(bool next) override;

  private:
    QTime time_{0, 0};
    bool settingFromProgram_ = false;
};


// A read-only grid of texts, one row selected at a time, for lists the program makes itself. Its columns
// come from "columns" ([{"title", "width"}]); each cell says its column's title and text to a screen reader.
// Tab leaves it; the arrows move in it.
class TStringGrid : public QTableWidget {
    Q_OBJECT

  public:
    explicit TStringGrid(QWidget* parent = nullptr);

    // Shows `rows`, each a text per column, and selects the first.
    void SetRows(const QList<QStringList>& rows);
    int RowCount() const { return rowCount(); }
    QString Cells(int column, int row) const;
    // The selected row, or -1.
    int Row() const { return currentRow(); }
    // Reads "columns".
    void ReadDescription(const QJsonObject& description);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
