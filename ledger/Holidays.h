// The holiday calendar: the state non-working holidays of Serbia of any year, the ledger's calendar as the
// table engine keeps it, and the working-day count that leaves the calendar's days out.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Engine.h"

namespace ledger {

// A day of a holiday calendar and its name.
struct CalendarDay {
    std::chrono::year_month_day day;
    std::string name;
    bool operator==(const CalendarDay&) const = default;
};

// A day as 'YYYY-MM-DD', and back: nothing for any other text.
std::string isoDate(std::chrono::year_month_day day);
std::optional<std::chrono::year_month_day> dateFromIso(std::string_view text);

// Whether `day` is a Saturday or a Sunday.
bool isWeekend(std::chrono::sys_days day);

// Orthodox Easter Sunday of `year`, reckoned in the Julian calendar and given as a Gregorian date.
std::chrono::year_month_day orthodoxEaster(int year);

// The state non-working holidays of `year`, in date order: New Year (1 and 2 January), Statehood Day (15
// and 16 February), Labour Day (1 and 2 May) and Armistice Day (11 November), each followed, when it falls
// on a Sunday, by the first following day that is neither Saturday, Sunday nor a holiday; Christmas (7
// January) and Easter from Good Friday to Easter Monday, which never move. A day that is two holidays is
// listed once, under both names.
std::vector<CalendarDay> stateHolidays(int year);

// The ledger calendar's days from `first` to `last` (both included), in date order, through the engine's
// database `db`; a day the engine hands over that is no date is left out.
engine::Result readCalendar(engine::TableEngine& eng, engine::DatabaseHandle db,
                            std::chrono::year_month_day first, std::chrono::year_month_day last,
                            std::vector<CalendarDay>* days);
engine::Result readCalendarYear(engine::TableEngine& eng, engine::DatabaseHandle db, int year,
                                std::vector<CalendarDay>* days);
// Adds the days `add` to the calendar, refusing them all when one is there already; removes `remove`.
engine::Result addCalendarDays(engine::TableEngine& eng, engine::DatabaseHandle db,
                               const std::vector<CalendarDay>& add);
engine::Result removeCalendarDays(engine::TableEngine& eng, engine::DatabaseHandle db,
                                  const std::vector<std::chrono::year_month_day>& remove);
// Adds the state holidays of `year` that the calendar lacks; the days there keep their names.
engine::Result fillStateHolidays(engine::TableEngine& eng, engine::DatabaseHandle db, int year);

// Monday to Friday from `first` to `last`, both included, less the days of `calendar` that fall on one of
// them; *leftOut, when given, receives how many were left out. 0 when `last` lies before `first`.
int workingDays(std::chrono::year_month_day first, std::chrono::year_month_day last,
                const std::vector<CalendarDay>& calendar, int* leftOut = nullptr);

}  // namespace ledger
