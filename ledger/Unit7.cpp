// The request to use free days: its layout comes from its description.
#include "ledger/Unit7.h"

#include "ledger/Windows.h"

TfrmStampakovrelkor* frmStampakovrelkor = nullptr;

TfrmStampakovrelkor::TfrmStampakovrelkor(QObject* owner) : PrintForm(owner, "Unit7") {
    FIND_COMPONENTS(RpLabel8, RpLabel9, RpLabel10);
}
