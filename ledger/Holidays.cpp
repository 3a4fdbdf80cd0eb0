// The state holidays of a year, the ledger's calendar through the table engine, and the count without it.
#include "ledger/Holidays.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>

#include "engine/Dates.h"
#include "ledger/Ledger.h"

namespace ledger {
namespace {

using namespace std::chrono;

year_month_day dayOf(int year, unsigned month, unsigned day) {
    return year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
}

}  // namespace

bool isWeekend(sys_days day) {
    const weekday wd{day};
    return wd == Saturday || wd == Sunday;
}

std::string isoDate(year_month_day day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

std::optional<year_month_day> dateFromIso(std::string_view text) {
    const auto number = engine::dayNumberFromIso(text);
    if (!number || text.size() != engine::DateTextLength) return std::nullopt;
    // Day number 1 is 1 January of year 1.
    const year_month_day day{sys_days{dayOf(1, 1, 1)} + days{*number - 1}};
    if (isoDate(day) != text) return std::nullopt;
    return day;
}

year_month_day orthodoxEaster(int year) {
    // The Julian reckoning of the Paschal full moon (d) and the following Sunday (e), from 22 March.
    const int a = year % 4, b = year % 7, c = year % 19;
    const int d = (19 * c + 15) % 30;
    const int e = (2 * a + 4 * b - d + 34) % 7;
    const int month = (d + e + 114) / 31, day = (d + e + 114) % 31 + 1;
    // A Julian date from March on reads in the Gregorian calendar this many days later.
    const int lag = year / 100 - year / 400 - 2;
    return year_month_day{sys_days{dayOf(year, static_cast<unsigned>(month), static_cast<unsigned>(day))} +
                          days{lag}};
}

std::vector<CalendarDay> stateHolidays(int year) {
    const sys_days easter{orthodoxEaster(year)};
    std::vector<CalendarDay> fixed = {
        {dayOf(year, 1, 1), "Nova godina"},
        {dayOf(year, 1, 2), "Nova godina"},
        {dayOf(year, 2, 15), "Sretenje - Dan drzavnosti"},
        {dayOf(year, 2, 16), "Sretenje - Dan drzavnosti"},
        {dayOf(year, 5, 1), "Praznik rada"},
        {dayOf(year, 5, 2), "Praznik rada"},
        {dayOf(year, 11, 11), "Dan primirja u Prvom svetskom ratu"},
    };
    std::vector<CalendarDay> holidays = fixed;
    holidays.push_back({dayOf(year, 1, 7), "Bozic"});
    holidays.push_back({year_month_day{easter - days{2}}, "Veliki petak"});
    holidays.push_back({year_month_day{easter - days{1}}, "Velika subota"});
    holidays.push_back({year_month_day{easter}, "Vaskrs"});
    holidays.push_back({year_month_day{easter + days{1}}, "Vaskrsnji ponedeljak"});
    std::set<sys_days> taken;
    for (const CalendarDay& holiday : holidays) taken.insert(sys_days{holiday.day});
    for (const CalendarDay& holiday : fixed) {
        if (weekday{sys_days{holiday.day}} != Sunday) continue;
        sys_days next = sys_days{holiday.day} + days{1};
        while (isWeekend(next) || taken.count(next)) next += days{1};
        taken.insert(next);
        holidays.push_back({year_month_day{next}, holiday.name + " (prenet dan)"});
    }
    // Easter may meet Labour Day: such a day is one holiday under both names.
    std::stable_sort(holidays.begin(), holidays.end(), [](const CalendarDay& a, const CalendarDay& b) {
        return sys_days{a.day} < sys_days{b.day};
    });
    std::vector<CalendarDay> merged;
    for (const CalendarDay& holiday : holidays) {
        if (!merged.empty() && merged.back().day == holiday.day)
            merged.back().name += ", " + holiday.name;
        else
            merged.push_back(holiday);
    }
    return merged;
}

engine::Result readCalendar(engine::TableEngine& eng, engine::DatabaseHandle db, year_month_day first,
                            year_month_day last, std::vector<CalendarDay>* days) {
    days->clear();
    std::vector<engine::Holiday> stored;
    if (const engine::Result result = eng.readHolidays(db, isoDate(first), isoDate(last), &stored))
        return result;
    for (const engine::Holiday& holiday : stored)
        if (const auto day = dateFromIso(holiday.day)) days->push_back({*day, holiday.name});
    return engine::code::Ok;
}

engine::Result readCalendarYear(engine::TableEngine& eng, engine::DatabaseHandle db, int year,
                                std::vector<CalendarDay>* days) {
    return readCalendar(eng, db, dayOf(year, 1, 1), dayOf(year, 12, 31), days);
}

namespace {

std::vector<engine::Holiday> storedDays(const std::vector<CalendarDay>& days) {
    std::vector<engine::Holiday> stored;
    for (const CalendarDay& day : days) stored.push_back({isoDate(day.day), day.name});
    return stored;
}

}  // namespace

engine::Result addCalendarDays(engine::TableEngine& eng, engine::DatabaseHandle db,
                               const std::vector<CalendarDay>& add) {
    return eng.changeHolidays(db, storedDays(add), {}, false);
}

engine::Result removeCalendarDays(engine::TableEngine& eng, engine::DatabaseHandle db,
                                  const std::vector<year_month_day>& remove) {
    std::vector<std::string> days;
    for (const year_month_day& day : remove) days.push_back(isoDate(day));
    return eng.changeHolidays(db, {}, days, false);
}

engine::Result fillStateHolidays(engine::TableEngine& eng, engine::DatabaseHandle db, int year) {
    return eng.changeHolidays(db, storedDays(stateHolidays(year)), {}, true);
}

int workingDays(year_month_day first, year_month_day last, const std::vector<CalendarDay>& calendar,
                int* leftOut) {
    int left = 0;
    const sys_days from{first}, to{last};
    std::set<sys_days> seen;
    for (const CalendarDay& holiday : calendar) {
        const sys_days day{holiday.day};
        if (day >= from && day <= to && !isWeekend(day) && seen.insert(day).second) ++left;
    }
    if (leftOut) *leftOut = left;
    return to < from ? 0 : workingDays(from, to) - left;
}

}  // namespace ledger
