// The request to record free days: its layout comes from its description.
#include "ledger/Unit6.h"

#include "ledger/UnitPrint.h"

TfrmKovrelstampa* frmKovrelstampa = nullptr;

TfrmKovrelstampa::TfrmKovrelstampa(QObject* owner) : TReport(owner) {
    ledger::loadPrintForm(*this, QStringLiteral(":/ledger/Unit6.json"));
    RpLabel8 = ledger::printLabel(*this, "RpLabel8");
    RpLabel9 = ledger::printLabel(*this, "RpLabel9");
    RpLabel10 = ledger::printLabel(*this, "RpLabel10");
    RpLabel11 = ledger::printLabel(*this, "RpLabel11");
}

TfrmKovrelstampa::~TfrmKovrelstampa() {
    if (frmKovrelstampa == this) frmKovrelstampa = nullptr;
}
