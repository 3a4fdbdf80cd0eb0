// The statement window "Kartica radnika": a worker's rows up to a date with the running free-day
// balance, previewed as a printed list.
#pragma once

#include "runtime/Form.h"

class TBitBtn;
class TComboBox;
class TDateTimePicker;
class TLabel;
class TQuery;

// Query1 lists the ledger's names for the name box; the statement reads the worker's rows on a query
// of its own, so no other window's datasets are touched.
class TfrmKartica : public TForm {
    Q_OBJECT

  public:
    TfrmKartica();

    void FormActivate(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);

    TQuery* Query1;
    TLabel* Label1;
    TComboBox* ComboBox1;
    TLabel* Label2;
    TDateTimePicker* DateTimePicker1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
};

extern TfrmKartica* frmKartica;
