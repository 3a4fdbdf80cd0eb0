// The printed request for annual leave.
#pragma once

#include "report/RpReport.h"

// A page-shaped form laid out by its description; the register fills its variable labels.
class TfrmZahtevgo : public TReport {
    Q_OBJECT
  public:
    explicit TfrmZahtevgo(QObject* owner = nullptr);
    ~TfrmZahtevgo() override;

    TRpLabel* RpLabel9 = nullptr;   // name
    TRpLabel* RpLabel10 = nullptr;  // days
    TRpLabel* RpLabel11 = nullptr;  // first day
    TRpLabel* RpLabel12 = nullptr;  // part
};

extern TfrmZahtevgo* frmZahtevgo;
