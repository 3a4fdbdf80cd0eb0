// The printed request to record, as free days, the granted but unused part of the annual leave.
#pragma once

#include "ledger/PrintForm.h"

class TfrmKovrelstampa;
extern TfrmKovrelstampa* frmKovrelstampa;

// The register fills its variable labels.
class TfrmKovrelstampa : public ledger::PrintForm<TfrmKovrelstampa, frmKovrelstampa> {
    Q_OBJECT
  public:
    explicit TfrmKovrelstampa(QObject* owner = nullptr);

    TRpLabel* RpLabel8 = nullptr;   // days
    TRpLabel* RpLabel9 = nullptr;   // part of the annual leave
    TRpLabel* RpLabel10 = nullptr;  // year
    TRpLabel* RpLabel11 = nullptr;  // return date
};
