// The journal window "Dnevnik promena": the ledger's change journal, newest first, by worker and by days,
// in a read-only grid, and saved from there as a CSV file.
#pragma once

#include "runtime/Form.h"

class TBitBtn;
class TCheckBox;
class TComboBox;
class TDataSource;
class TDateTimePicker;
class TDBGrid;
class TLabel;
class TQuery;

// Query1 holds the entries the filter chose (at most MaxEntries, the newest) and feeds the grid; Query2
// lists the names the entries carry. The first activation sets the days to the last month and shows
// the entries; "Prikazi" shows them again for the filter as it stands.
class TfrmDnevnik : public TForm {
    Q_OBJECT

  public:
    TfrmDnevnik();

    void FormActivate(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);

    TQuery* Query1;
    TDataSource* DataSource1;
    TQuery* Query2;
    TLabel* Label1;
    TComboBox* ComboBox1;
    TCheckBox* CheckBox1;
    TLabel* Label2;
    TDateTimePicker* DateTimePicker1;
    TLabel* Label3;
    TDateTimePicker* DateTimePicker2;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TBitBtn* BitBtn3;
    TLabel* Label4;
    TDBGrid* DBGrid1;

    // The most entries the grid shows at once.
    static constexpr int MaxEntries = 2000;

  private:
    bool daysSet_ = false;
};

extern TfrmDnevnik* frmDnevnik;
