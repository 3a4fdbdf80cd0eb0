// The window "O programu": the program's name and version, the ledger in use, the versions of Qt and
// SQLite beneath it, and its licence.
#pragma once

#include "runtime/Form.h"

class TBitBtn;
class TLabel;

// Label3..Label5 are filled on every activation, so the ledger shown is the one in use then: the
// ledger file's path, or the server and database that the working directory's Kovrel.server names.
class TfrmOProgramu : public TForm {
    Q_OBJECT

  public:
    TfrmOProgramu();

    void FormActivate(QObject* Sender);
    void BitBtn1Click(QObject* Sender);

    TLabel* Label1;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* Label4;
    TLabel* Label5;
    TLabel* Label6;
    TBitBtn* BitBtn1;
};

extern TfrmOProgramu* frmOProgramu;
