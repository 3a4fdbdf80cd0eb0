// The printed lists: the balances of the workers, the annual leave of a year and a worker's statement,
// read from the ledger into tables of records and laid out as list reports.
#pragma once

#include <QDate>
#include <QFont>
#include <QString>
#include <functional>

#include "ledger/Ledger.h"
#include "report/RpBand.h"
#include "report/RpData.h"
#include "report/RpPrintable.h"
#include "report/RpUnits.h"

class TQuery;
class TReport;

namespace ledger {

enum class ListKind { Balance, AnnualLeave, Statement };

// The records of each list. A failing query raises its error. The balance and annual-leave lists are
// the reports window's queries; the statement holds the worker's rows up to `asOf` in the order the
// register shows them, each with the free-day balance after it.
TRpDataTable BalanceList(bool allWorkers, const QString& name);
TRpDataTable AnnualLeaveList(bool allWorkers, const QString& name, const QString& year);
TRpDataTable Statement(const QString& name, const QDate& asOf);

// Lays `report` out as the list `kind` of `rows`, headed by the list's name, `subtitle` and the date
// printed, its pages numbered "Strana N od M", with totals (or the statement's last balance) at the end.
void BuildList(TReport& report, ListKind kind, TRpDataTable& rows, const QString& subtitle);
// Builds the list and previews it; returns when the preview closes.
void PreviewList(ListKind kind, TRpDataTable& rows, const QString& subtitle);

// What every printed list is made of.
// Runs the catalogue's text `lines` on a read-only query of its own and hands each row to `take`; a
// failing query raises its error.
void forEachRow(const SqlLines& lines, const std::function<void(const TQuery&)>& take);
// Lays `report` out on A4 in `orientation` with margins of 10 mm: its title band with `title`,
// `subtitle` and the printing date, and its page footer "Strana N od M". Answers the printable width,
// 0.1 mm; the caller adds the header, detail and summary bands.
double BuildListPage(TReport& report, TRpOrientation orientation, const QString& title,
                     const QString& subtitle);
QFont arial(int points, bool bold = false);
// The printable width of the page, 0.1 mm.
double bodyWidth(const TReport& report);
// A horizontal rule across `band` at `top`, `width` long (0.1 mm).
void rule(TRpBand& band, double top, double width);
// A control of `band` of a fixed size (0.1 mm) in `font`.
template <class T>
T* place(TRpBand& band, double left, double top, double width, double height, const QFont& font,
         TAlignment alignment = taLeftJustify) {
    T* control = band.Add<T>();
    control->AutoSize = false;
    control->SetSizeValues({height, left, top, width});
    control->SetFont(font);
    control->SetAlignment(alignment);
    return control;
}

}  // namespace ledger
