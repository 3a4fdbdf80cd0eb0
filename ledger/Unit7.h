// The printed request to use free days.
#pragma once

#include "ledger/PrintForm.h"

class TfrmStampakovrelkor;
extern TfrmStampakovrelkor* frmStampakovrelkor;

// The register fills its variable labels.
class TfrmStampakovrelkor : public ledger::PrintForm<TfrmStampakovrelkor, frmStampakovrelkor> {
    Q_OBJECT
  public:
    explicit TfrmStampakovrelkor(QObject* owner = nullptr);

    TRpLabel* RpLabel8 = nullptr;   // days
    TRpLabel* RpLabel9 = nullptr;   // first day
    TRpLabel* RpLabel10 = nullptr;  // last day
};
