// The printed request for annual leave.
#pragma once

#include "ledger/PrintForm.h"

class TfrmZahtevgo;
extern TfrmZahtevgo* frmZahtevgo;

// The register fills its variable labels.
class TfrmZahtevgo : public ledger::PrintForm<TfrmZahtevgo, frmZahtevgo> {
    Q_OBJECT
  public:
    explicit TfrmZahtevgo(QObject* owner = nullptr);

    TRpLabel* RpLabel9 = nullptr;   // name
    TRpLabel* RpLabel10 = nullptr;  // days
    TRpLabel* RpLabel11 = nullptr;  // first day
    TRpLabel* RpLabel12 = nullptr;  // part
};
