// The bands of a list report.
#include "report/RpBand.h"

#include "report/RpReport.h"

TRpBand::TRpBand(TReport* owner, TRpBandType type) : QObject(owner), report_(owner), type_(type) {}

std::vector<TRpPrintable*> TRpBand::Printables() const {
    std::vector<TRpPrintable*> printables;
    for (QObject* child : children()) {
        if (auto* printable = qobject_cast<TRpPrintable*>(child)) printables.push_back(printable);
    }
    return printables;
}

void TRpBand::Print(double x, double y) {
    for (TRpPrintable* printable : Printables()) printable->Print(x, y);
}
