// The day entry window "Evidencija sl.dana": records one transaction of days for the worker that the
// register window shows, writing it through the register's worker-rows query.
#pragma once

#include <functional>

#include "runtime/Form.h"

class TBitBtn;
class TCheckBox;
class TComboBox;
class TDateTimePicker;
class TEdit;
class TField;
class TLabel;
class TPanel;
class TQuery;
class TIntegerField;

// Reads the worker's name and number from the register grid's current row (frmEvidencija) when it
// becomes active, counts the working days of the period, and on OK stores one ledger row through the
// register grid's dataset and refreshes the register's rows and balance. The three texts that become
// numbers are checked before a row is begun, so a refused entry leaves nothing pending in the
// register's query. The count leaves out the ledger calendar's days that fall on a weekday of the period;
// Label10, in the free room beside the buttons, and the days box's tool tip say how many.
class TfrmNoviunos : public TForm {
    Q_OBJECT

  public:
    TfrmNoviunos();

    void FormActivate(QObject* Sender);
    void FormClose(QObject* Sender);
    void ComboBox1Change(QObject* Sender);
    void ComboBox1Exit(QObject* Sender);
    void DateTimePicker2Change(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);

    TLabel* Label6;
    TEdit* Edit4;
    TLabel* Label1;
    TEdit* Edit1;
    TLabel* Label4;
    TComboBox* ComboBox1;
    TPanel* Panel1;
    TLabel* Label8;
    TComboBox* ComboBox2;
    TLabel* Label9;
    TComboBox* ComboBox3;
    TLabel* Label7;
    TEdit* Edit5;
    TLabel* Label2;
    TDateTimePicker* DateTimePicker1;
    TLabel* Label3;
    TDateTimePicker* DateTimePicker2;
    TLabel* Label5;
    TEdit* Edit3;
    TCheckBox* CheckBox1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TLabel* Label10;
    TQuery* Query1;
    TIntegerField* Query1transakcija;

  private:
    // Runs a command of the window; when it fails, the return from the error box leaves the boxes as
    // they are, so the clerk can correct them.
    void KeepBoxesOnFailure(const std::function<void()>& command);
    void ClearPlainEdits();
    void ShowHolidaysLeftOut(int count);
    void RecordRow();
    void RefreshRegister();

    // Set by a failed command until the next activation, which it skips when that activation is the
    // return from the command's error box.
    bool keepBoxesOnReturn_ = false;
};

extern TfrmNoviunos* frmNoviunos;
