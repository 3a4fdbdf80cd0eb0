// The request for annual leave: its layout comes from its description.
#include "ledger/Unit8.h"

#include "ledger/UnitPrint.h"

TfrmZahtevgo* frmZahtevgo = nullptr;

TfrmZahtevgo::TfrmZahtevgo(QObject* owner) : TReport(owner) {
    ledger::loadPrintForm(*this, QStringLiteral(":/ledger/Unit8.json"));
    RpLabel9 = ledger::printLabel(*this, "RpLabel9");
    RpLabel10 = ledger::printLabel(*this, "RpLabel10");
    RpLabel11 = ledger::printLabel(*this, "RpLabel11");
    RpLabel12 = ledger::printLabel(*this, "RpLabel12");
}

TfrmZahtevgo::~TfrmZahtevgo() {
    if (frmZahtevgo == this) frmZahtevgo = nullptr;
}
