// What the three request print forms share: their layout from a description and their global reference.
#pragma once

#include "ledger/UnitPrint.h"
#include "report/RpReport.h"

namespace ledger {

// A page-shaped form laid out by the ledger's description `unit`; the register fills its variable labels.
// `global` is the form's program-wide reference, cleared when the form it names goes.
template <class Form, Form*& global>
class PrintForm : public TReport {
  protected:
    PrintForm(QObject* owner, const char* unit) : TReport(owner) { loadPrintForm(*this, unit); }
    ~PrintForm() override {
        if (global == this) global = nullptr;
    }
};

}  // namespace ledger
