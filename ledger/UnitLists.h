// The printed lists: the balances of the workers, the annual leave of a year and a worker's statement,
// read from the ledger into tables of records and laid out as list reports.
#pragma once

#include <QDate>
#include <QString>

#include "report/RpData.h"

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

}  // namespace ledger
