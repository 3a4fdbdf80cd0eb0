// The bands of a list report.
#include "report/RpBand.h"

#include "report/RpPrintable.h"
#include "report/RpReport.h"

TRpBand::TRpBand(TReport* owner, TRpBandType type) : QObject(owner), report_(owner), type_(type) {}

std::vector<TRpPrintable*> TRpBand::Printables() const {
    return printableChildren(*this);
}

void TRpBand::Print(double x, double y) {
    for (TRpPrintable* printable : Printables()) printable->Print(x, y);
}
