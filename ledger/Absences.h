// The absence calendar: the ledger's uses of days laid out by worker and day of a month, or by month and
// day of one worker's year, with the weekends and the holiday calendar's days beside them.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/Holidays.h"
#include "ledger/Ledger.h"

namespace ledger {

// A ledger row that is an absence: a use of days (a value in Iskorisceni) with both Od and Do. Its days
// run from `from` to `to`, both included.
struct Absence {
    std::string name;
    std::chrono::year_month_day from;
    std::chrono::year_month_day to;
    std::string razlog;
};

// What an absence's Razlog says: one of the reason codes it begins with (the code alone, or the code and
// a blank before a part and year), or Other for any other typed text.
enum class AbsenceReason { GO, SlDani, OstatakOdGo, Bo, Drugo, Placeno, Prenos, Other };
inline constexpr int AbsenceReasonCount = 8;

AbsenceReason absenceReasonOf(std::string_view razlog);
// The reason's short text as the legend and a screen reader give it ("GO", "SL.DANI", ...; "drugi
// razlog" for Other), and the two letters a cell shows.
std::string_view absenceReasonText(AbsenceReason reason);
std::string_view absenceReasonMark(AbsenceReason reason);
// The cell colour of each reason, as 0xRRGGBB; the colours differ and black text reads on each.
unsigned absenceReasonColor(AbsenceReason reason);
// The shading of a weekend day and of a holiday without an absence, the grey of a day the month lacks,
// and the ground of an ordinary day, 0xRRGGBB.
inline constexpr unsigned WeekendColor = 0xDCDCDC;
inline constexpr unsigned HolidayColor = 0xF2C4CE;
inline constexpr unsigned MissingDayColor = 0xA8A8A8;
inline constexpr unsigned PlainDayColor = 0xFFFFFF;

// One entry of the calendar's legend: a swatch with its letters, and what it stands for.
struct LegendEntry {
    std::string_view mark;
    unsigned color;
    std::string_view text;
};
// Every reason a cell may show, in order, then the weekend's and the holiday's shadings.
std::vector<LegendEntry> calendarLegend();

// One day of a calendar row; a day the month lacks (the year view's 30 February) has no date.
struct CalendarCell {
    std::optional<std::chrono::year_month_day> day;
    bool weekend = false;
    std::string holiday;  // the calendar's name of the day, empty on an ordinary day
    std::optional<AbsenceReason> reason;
    std::string razlog;  // the absence's stored reason, when there is one

    // What a screen reader says of the cell: the reason's short text, else the holiday or "vikend",
    // else nothing.
    std::string spokenText() const;
    // The cell's colour, 0xRRGGBB: the reason's, else the holiday's or the weekend's shading, else an
    // ordinary day's; a day the month lacks is grey.
    unsigned color() const;
};

struct CalendarRow {
    std::string title;   // the worker's name, or the month's
    std::string worker;  // whose days the row shows
    std::vector<CalendarCell> cells;
};

// A month of many workers (rows by name, columns the month's days) or a year of one worker (rows the
// twelve months, columns 31 days).
struct AbsenceCalendar {
    std::string title;                      // "Odsustva za decembar 2026." or the worker and year
    std::vector<std::string> columnTitles;  // "1\nP", ... in the month; "1" to "31" in the year
    std::string rowTitle;                   // "Prezime i ime" or "Mesec"
    std::vector<CalendarRow> rows;
};

// The Serbian name of a month (1 to 12), in lower case: "januar" ... "decembar".
std::string_view monthName(unsigned month);
// The initial of a weekday in Serbian: P U S C P S N from Monday.
char weekdayInitial(std::chrono::weekday day);

// The month `month` of `year`: one row per worker who has an absence in it, by name; with `worker`, that
// worker's row alone, also without an absence. Where two absences of a worker meet, the one that began
// later colours the day.
AbsenceCalendar monthCalendar(int year, unsigned month, const std::vector<Absence>& absences,
                              const std::vector<CalendarDay>& holidays,
                              const std::optional<std::string>& worker = std::nullopt);
// The year of one worker: twelve rows of 31 days.
AbsenceCalendar yearCalendar(int year, const std::string& worker, const std::vector<Absence>& absences,
                             const std::vector<CalendarDay>& holidays);

// One line of the calendar's export: a worker's absent day.
struct AbsentDay {
    std::string name;
    std::chrono::year_month_day day;
    std::string razlog;
};
// Every absent day of the calendar, by row and day.
std::vector<AbsentDay> absentDays(const AbsenceCalendar& calendar);

}  // namespace ledger
