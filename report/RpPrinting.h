// The report operations reached from the preview window: printing to the chosen printer, printing
// stored pages, the printer setup dialog, export, save and load.
#pragma once

#include <QPrinter>
#include <optional>

#include "report/RpUnits.h"

class TReport;
class TRpPrinter;

// Makes the preview's Print, Printer setup, Save and Load buttons work for every report.
void registerPrintingOperations();

// Prints `report` anew on the printer its settings select; nothing without an installed printer.
void printReport(TReport& report);
// Prints the finished pages of `printer` stretched into the printable area of the selected printer.
void printStoredPages(TRpPrinter& printer);
// The print dialog for `report`; confirmation takes its settings (Tag 0), cancel keeps them (Tag 1).
void printerSetup(TReport& report);

// Between the report's paper and bin enumerations and Qt's page sizes and paper sources.
QPageSize pageSizeFor(TRpPaperSize paper);
TRpPaperSize paperFor(const QPageSize& size);  // Default when the table has no such code
QPrinter::PaperSource paperSourceFor(TRpBin bin);
std::optional<TRpBin> binFor(QPrinter::PaperSource source);  // nothing when the table has no such bin
