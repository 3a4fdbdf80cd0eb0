// The request to record free days: its layout comes from its description.
#include "ledger/Unit6.h"

#include "ledger/Windows.h"

TfrmKovrelstampa* frmKovrelstampa = nullptr;

TfrmKovrelstampa::TfrmKovrelstampa(QObject* owner) : PrintForm(owner, "Unit6") {
    FIND_COMPONENTS(RpLabel8, RpLabel9, RpLabel10, RpLabel11);
}
