// The absence calendar's rows and cells, built from the ledger's absences and the holiday calendar.
#include "ledger/Absences.h"

#include <algorithm>
#include <array>
#include <map>

namespace ledger {
namespace {

using namespace std::chrono;

struct ReasonLook {
    AbsenceReason reason;
    std::string_view code;  // the leading text of Razlog
    std::string_view text;
    std::string_view mark;
    unsigned color;
};

// In the order the legend lists them. A code is matched as a whole word, so "GO" never takes "GOST".
constexpr std::array<ReasonLook, AbsenceReasonCount> looks = {{
    {AbsenceReason::GO, "GO", "GO", "GO", 0x8FD18A},
    {AbsenceReason::SlDani, "SL.DANI", "SL.DANI", "SD", 0x8DB8E8},
    {AbsenceReason::OstatakOdGo, "OSTATAK OD GO", "OSTATAK OD GO", "OG", 0xF9B26B},
    {AbsenceReason::Bo, "BO", "BO", "BO", 0xF28B82},
    {AbsenceReason::Drugo, "DRUGO(OSTALO)", "DRUGO(OSTALO)", "DR", 0xC7A3DB},
    {AbsenceReason::Placeno, "PLACENO", "PLACENO", "PL", 0xFFE066},
    {AbsenceReason::Prenos, "PRENOS", "PRENOS", "PR", 0x7FD6CB},
    {AbsenceReason::Other, "", "drugi razlog", "?", 0xD9B88C},
}};

const ReasonLook& lookOf(AbsenceReason reason) {
    return looks[static_cast<std::size_t>(reason)];
}

year_month_day dayOf(int year, unsigned month, unsigned day) {
    return year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
}

std::map<sys_days, std::string> holidayNames(const std::vector<CalendarDay>& holidays) {
    std::map<sys_days, std::string> names;
    for (const CalendarDay& holiday : holidays) names.emplace(sys_days{holiday.day}, holiday.name);
    return names;
}

CalendarCell plainCell(year_month_day day, const std::map<sys_days, std::string>& holidays) {
    CalendarCell cell;
    cell.day = day;
    cell.weekend = isWeekend(sys_days{day});
    if (const auto found = holidays.find(sys_days{day}); found != holidays.end())
        cell.holiday = found->second;
    return cell;
}

// The worker's absences in the order they colour the days: the one that began later over the earlier.
std::vector<const Absence*> inColouringOrder(const std::vector<Absence>& absences) {
    std::vector<const Absence*> ordered;
    for (const Absence& absence : absences) ordered.push_back(&absence);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Absence* a, const Absence* b) {
        return sys_days{a->from} < sys_days{b->from};
    });
    return ordered;
}

// Colours the cells of `row` whose days `absence` covers.
void colour(CalendarRow& row, const Absence& absence) {
    const sys_days from{absence.from}, to{absence.to};
    for (CalendarCell& cell : row.cells) {
        if (!cell.day || sys_days{*cell.day} < from || sys_days{*cell.day} > to) continue;
        cell.reason = absenceReasonOf(absence.razlog);
        cell.razlog = absence.razlog;
    }
}

}  // namespace

AbsenceReason absenceReasonOf(std::string_view razlog) {
    for (const ReasonLook& look : looks) {
        if (look.code.empty() || !razlog.starts_with(look.code)) continue;
        if (razlog.size() == look.code.size() || razlog[look.code.size()] == ' ') return look.reason;
    }
    return AbsenceReason::Other;
}

std::string_view absenceReasonText(AbsenceReason reason) {
    return lookOf(reason).text;
}

std::string_view absenceReasonMark(AbsenceReason reason) {
    return lookOf(reason).mark;
}

unsigned absenceReasonColor(AbsenceReason reason) {
    return lookOf(reason).color;
}

std::string CalendarCell::spokenText() const {
    if (reason) return std::string(absenceReasonText(*reason));
    if (!holiday.empty()) return holiday;
    if (weekend) return "vikend";
    return {};
}

unsigned CalendarCell::color() const {
    if (!day) return MissingDayColor;
    if (reason) return absenceReasonColor(*reason);
    if (!holiday.empty()) return HolidayColor;
    if (weekend) return WeekendColor;
    return PlainDayColor;
}

std::vector<LegendEntry> calendarLegend() {
    std::vector<LegendEntry> entries;
    for (const ReasonLook& look : looks) entries.push_back({look.mark, look.color, look.text});
    entries.push_back({{}, WeekendColor, "vikend"});
    entries.push_back({{}, HolidayColor, "praznik"});
    return entries;
}

std::string_view monthName(unsigned month) {
    static constexpr std::array<std::string_view, 12> names = {
        "januar", "februar", "mart",      "april",   "maj",      "jun",
        "jul",    "avgust",  "septembar", "oktobar", "novembar", "decembar"};
    return month >= 1 && month <= 12 ? names[month - 1] : std::string_view();
}

char weekdayInitial(weekday day) {
    static constexpr std::array<char, 7> initials = {'P', 'U', 'S', 'C', 'P', 'S', 'N'};
    return initials[day.iso_encoding() - 1];
}

AbsenceCalendar monthCalendar(int year, unsigned month, const std::vector<Absence>& absences,
                              const std::vector<CalendarDay>& holidays,
                              const std::optional<std::string>& worker) {
    AbsenceCalendar calendar;
    calendar.title = "Odsustva za " + std::string(monthName(month)) + " " + std::to_string(year) + ".";
    calendar.rowTitle = "Prezime i ime";
    const year_month_day first = dayOf(year, month, 1);
    const unsigned length = static_cast<unsigned>(
        year_month_day_last{std::chrono::year{year}, month_day_last{std::chrono::month{month}}}.day());
    const auto names = holidayNames(holidays);
    CalendarRow blank;
    for (unsigned d = 1; d <= length; ++d) {
        const year_month_day day = dayOf(year, month, d);
        calendar.columnTitles.push_back(std::to_string(d) + "\n" + weekdayInitial(weekday{sys_days{day}}));
        blank.cells.push_back(plainCell(day, names));
    }
    const sys_days monthFirst{first}, monthLast = monthFirst + days{length - 1};
    std::map<std::string, CalendarRow> rows;
    if (worker) {
        blank.title = blank.worker = *worker;
        rows.emplace(*worker, blank);
    }
    for (const Absence* absence : inColouringOrder(absences)) {
        if (worker && absence->name != *worker) continue;
        if (sys_days{absence->to} < monthFirst || sys_days{absence->from} > monthLast) continue;
        auto [at, added] = rows.try_emplace(absence->name, blank);
        if (added) at->second.title = at->second.worker = absence->name;
        colour(at->second, *absence);
    }
    for (auto& [name, row] : rows) calendar.rows.push_back(std::move(row));
    return calendar;
}

AbsenceCalendar yearCalendar(int year, const std::string& worker, const std::vector<Absence>& absences,
                             const std::vector<CalendarDay>& holidays) {
    AbsenceCalendar calendar;
    calendar.title = "Odsustva: " + worker + ", " + std::to_string(year) + ". godina";
    calendar.rowTitle = "Mesec";
    for (unsigned d = 1; d <= 31; ++d) calendar.columnTitles.push_back(std::to_string(d));
    const auto names = holidayNames(holidays);
    const auto ordered = inColouringOrder(absences);
    for (unsigned m = 1; m <= 12; ++m) {
        CalendarRow row;
        row.title = std::string(monthName(m));
        row.worker = worker;
        for (unsigned d = 1; d <= 31; ++d) {
            const year_month_day day = dayOf(year, m, d);
            row.cells.push_back(day.ok() ? plainCell(day, names) : CalendarCell{});
        }
        for (const Absence* absence : ordered)
            if (absence->name == worker) colour(row, *absence);
        calendar.rows.push_back(std::move(row));
    }
    return calendar;
}

std::vector<AbsentDay> absentDays(const AbsenceCalendar& calendar) {
    std::vector<AbsentDay> days;
    for (const CalendarRow& row : calendar.rows)
        for (const CalendarCell& cell : row.cells)
            if (cell.day && cell.reason) days.push_back({row.worker, *cell.day, cell.razlog});
    return days;
}

}  // namespace ledger
