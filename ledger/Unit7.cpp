// The request to use free days: its layout comes from its description.
#include "ledger/Unit7.h"

#include "ledger/UnitPrint.h"

TfrmStampakovrelkor* frmStampakovrelkor = nullptr;

TfrmStampakovrelkor::TfrmStampakovrelkor(QObject* owner) : TReport(owner) {
    ledger::loadPrintForm(*this, QStringLiteral(":/ledger/Unit7.json"));
    RpLabel8 = ledger::printLabel(*this, "RpLabel8");
    RpLabel9 = ledger::printLabel(*this, "RpLabel9");
    RpLabel10 = ledger::printLabel(*this, "RpLabel10");
}

TfrmStampakovrelkor::~TfrmStampakovrelkor() {
    if (frmStampakovrelkor == this) frmStampakovrelkor = nullptr;
}
