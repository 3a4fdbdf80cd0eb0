// The request for annual leave: its layout comes from its description.
#include "ledger/Unit8.h"

#include "ledger/Windows.h"

TfrmZahtevgo* frmZahtevgo = nullptr;

TfrmZahtevgo::TfrmZahtevgo(QObject* owner) : PrintForm(owner, "Unit8") {
    FIND_COMPONENTS(RpLabel9, RpLabel10, RpLabel11, RpLabel12);
}
