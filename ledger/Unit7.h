// The printed request to use free days.
#pragma once

#include "report/RpReport.h"

// A page-shaped form laid out by its description; the register fills its variable labels.
class TfrmStampakovrelkor : public TReport {
    Q_OBJECT
  public:
    explicit TfrmStampakovrelkor(QObject* owner = nullptr);
    ~TfrmStampakovrelkor() override;

    TRpLabel* RpLabel8 = nullptr;   // days
    TRpLabel* RpLabel9 = nullptr;   // first day
    TRpLabel* RpLabel10 = nullptr;  // last day
};

extern TfrmStampakovrelkor* frmStampakovrelkor;
