// The absence calendar window "Kalendar odsustva": who is away on which day of a month, or on which day
// of one worker's year, coloured by reason, printed and saved from there.
#pragma once

#include "runtime/Form.h"

class TBitBtn;
class TCheckBox;
class TComboBox;
class TKalendarGrid;
class TLabel;
class TPanel;
class TQuery;

// Query1 lists the ledger's names for the name box; the calendar reads its absences on a query of its
// own. The first activation shows the current month of all workers; "Prikazi" shows the month (or, with
// "Cela godina", the chosen worker's year) again for the boxes as they stand. Printing and saving take
// the calendar shown.
class TfrmKalendar : public TForm {
    Q_OBJECT

  public:
    TfrmKalendar();

    void FormActivate(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void CheckBox2Click(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);
    void BitBtn4Click(QObject* Sender);

    TQuery* Query1;
    TLabel* Label1;
    TComboBox* ComboBox1;
    TCheckBox* CheckBox1;
    TLabel* Label2;
    TComboBox* ComboBox2;
    TLabel* Label3;
    TComboBox* ComboBox3;
    TCheckBox* CheckBox2;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TBitBtn* BitBtn3;
    TBitBtn* BitBtn4;
    TLabel* Label4;
    TKalendarGrid* KalendarGrid1;
    TPanel* Panel1;

  private:
    void FillLegend();
    void EnableBoxes();
    bool shown_ = false;
    QString subtitle_;  // of the calendar shown: the worker's name or "Svi radnici"
};

extern TfrmKalendar* frmKalendar;
