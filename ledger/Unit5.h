// The reports window "frmIzvestaji": free-day balances and granted annual leave, for all workers or one,
// run on the register window's worker-rows query and shown in this window's grid.
#pragma once

#include <QString>
#include <optional>

#include "runtime/Form.h"

class TBitBtn;
class TCheckBox;
class TComboBox;
class TDBGrid;

// Owns no dataset: each report replaces the SQL of the register's Query1 and binds this window's grid
// to the register's DataSource1, so the register's grid shows the report too until its next search.
class TfrmIzvestaji : public TForm {
    Q_OBJECT

  public:
    TfrmIzvestaji();

    void FormActivate(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void BitBtn4Click(QObject* Sender);
    void BitBtn3Click(QObject* Sender);

    TComboBox* ComboBox1;
    TCheckBox* CheckBox1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TBitBtn* BitBtn3;
    TBitBtn* BitBtn4;
    TComboBox* ComboBox2;
    TDBGrid* DBGrid1;

  private:
    // A list as the window shows it: which one, for whom, for which year.
    struct ShownList {
        bool annualLeave = false;
        bool allWorkers = false;
        QString name;
        QString year;
    };
    // The list the controls choose now.
    ShownList ChosenList(bool annualLeave) const;
    // Binds the grid to the register's rows and shows `list` there; any failure ends in the notice
    // "Doslo je do greske".
    void ShowReport(const ShownList& list);

    // The list "Stampa" prints: the one the window last showed, whatever the controls say since; before
    // any, the balances the controls choose.
    std::optional<ShownList> shown_;
};

extern TfrmIzvestaji* frmIzvestaji;
