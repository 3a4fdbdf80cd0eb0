// The printed request to record, as free days, the granted but unused part of the annual leave.
#pragma once

#include "report/RpReport.h"

// A page-shaped form laid out by its description; the register fills its variable labels.
class TfrmKovrelstampa : public TReport {
    Q_OBJECT
  public:
    explicit TfrmKovrelstampa(QObject* owner = nullptr);
    ~TfrmKovrelstampa() override;

    TRpLabel* RpLabel8 = nullptr;   // days
    TRpLabel* RpLabel9 = nullptr;   // part of the annual leave
    TRpLabel* RpLabel10 = nullptr;  // year
    TRpLabel* RpLabel11 = nullptr;  // return date
};

extern TfrmKovrelstampa* frmKovrelstampa;
