// The holiday calendar window "Praznici": a year's days in the ledger's calendar, added and removed one by
// one, and the state holidays filled in.
#pragma once

#include <vector>

#include "ledger/Holidays.h"
#include "runtime/Form.h"

class TBitBtn;
class TComboBox;
class TEdit;
class TLabel;
class TStringGrid;

// The grid shows the chosen year's days as the calendar holds them, read afresh after every change.
class TfrmPraznici : public TForm {
    Q_OBJECT

  public:
    TfrmPraznici();

    void FormActivate(QObject* Sender);
    void ComboBox1Change(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);
    void BitBtn4Click(QObject* Sender);

    TLabel* Label1;
    TComboBox* ComboBox1;
    TStringGrid* StringGrid1;
    TBitBtn* BitBtn2;
    TBitBtn* BitBtn3;
    TBitBtn* BitBtn4;
    TLabel* Label2;
    TEdit* Edit1;
    TLabel* Label3;
    TEdit* Edit2;
    TBitBtn* BitBtn1;

  private:
    void ShowYear();
    // The days the grid shows, row by row.
    std::vector<ledger::CalendarDay> shown_;
    int ChosenYear() const;
};

extern TfrmPraznici* frmPraznici;
