// The absence calendar read from the ledger, printed as a landscape list and saved as a table of
// absent days.
#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <string>

#include "ledger/Absences.h"
#include "report/RpData.h"

class TReport;

namespace ledger {

// The month `month` of `year`, of all workers or of `worker`, and the year of one worker, as the ledger
// and its holiday calendar hold them now. A failing query raises its error.
AbsenceCalendar MonthAbsences(int year, unsigned month, const std::optional<std::string>& worker);
AbsenceCalendar YearAbsences(int year, const std::string& worker);

// The calendar's absent days, one record per worker and day: "Prezime i ime", "Datum", "Razlog".
TRpDataTable AbsentDaysTable(const AbsenceCalendar& calendar);

// Lays `report` out as the calendar on landscape pages: the title names the month or the worker and
// year, `subtitle` beneath it; a row per record of `rows` (the calendar's row titles), each day in its
// colour with its reason's letters; the legend at the end, and "Strana N od M" on every page. The
// preview saves `days` as the list.
void BuildAbsenceReport(TReport& report, const AbsenceCalendar& calendar, TRpDataTable& rows,
                        const TRpDataTable& days, const QString& subtitle);
// Builds the calendar's report and previews it; returns when the preview closes.
void PreviewAbsences(const AbsenceCalendar& calendar, const QString& subtitle);

}  // namespace ledger
