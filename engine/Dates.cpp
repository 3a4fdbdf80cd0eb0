// Conversions between record day numbers and stored ISO-8601 date texts, and the texts of UTC moments.
#include "engine/Dates.h"

#include <cstdio>

namespace engine {
namespace {

using namespace std::chrono;

constexpr sys_days firstDay = sys_days{year{1} / January / 1};

// The value of the digit at `place` of `text`, or a value above 9 when it is not a digit.
unsigned digitAt(std::string_view text, std::size_t place) {
    return static_cast<unsigned char>(text[place]) - unsigned{'0'};
}

bool isLeapYear(unsigned y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

}  // namespace

std::optional<std::int32_t> dayNumberFromIso(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') return std::nullopt;
    const unsigned y1 = digitAt(text, 0), y2 = digitAt(text, 1), y3 = digitAt(text, 2), y4 = digitAt(text, 3);
    const unsigned m1 = digitAt(text, 5), m2 = digitAt(text, 6), d1 = digitAt(text, 8), d2 = digitAt(text, 9);
    if (y1 > 9 || y2 > 9 || y3 > 9 || y4 > 9 || m1 > 9 || m2 > 9 || d1 > 9 || d2 > 9) return std::nullopt;
    const unsigned y = y1 * 1000 + y2 * 100 + y3 * 10 + y4, m = m1 * 10 + m2, d = d1 * 10 + d2;
    if (y < 1 || m < 1 || m > 12 || d < 1) return std::nullopt;
    // Month lengths and the days before each month in a common year.
    static constexpr unsigned lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    static constexpr unsigned before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const unsigned leapDay = m >= 2 && isLeapYear(y) ? 1 : 0;
    if (d > lengths[m - 1] + (m == 2 ? leapDay : 0)) return std::nullopt;
    const unsigned past = y - 1;
    return static_cast<std::int32_t>(past * 365 + past / 4 - past / 100 + past / 400 + before[m - 1] +
                                     (m > 2 ? leapDay : 0) + d);
}

std::optional<std::string> isoFromDayNumber(std::int32_t dayNumber) {
    if (dayNumber < 1 || dayNumber > LastDayNumber) return std::nullopt;
    const year_month_day date{firstDay + days{dayNumber - 1}};
    const int y = static_cast<int>(date.year());
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));
    return std::string(text);
}

std::string utcText(system_clock::time_point time, UtcStyle style) {
    const auto milliseconds = floor<std::chrono::milliseconds>(time);
    const sys_days day = floor<days>(milliseconds);
    const year_month_day date{day};
    const hh_mm_ss clock{milliseconds - day};
    const int y = static_cast<int>(date.year());
    const auto m = static_cast<unsigned>(date.month()), d = static_cast<unsigned>(date.day());
    const auto hour = static_cast<int>(clock.hours().count()),
               minute = static_cast<int>(clock.minutes().count());
    const auto second = static_cast<int>(clock.seconds().count());
    char text[64];
    switch (style) {
        case UtcStyle::Seconds:
            std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", y, m, d, hour, minute, second);
            break;
        case UtcStyle::Milliseconds:
            std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", y, m, d, hour, minute,
                          second, static_cast<int>(clock.subseconds().count()));
            break;
        case UtcStyle::FileName:
            std::snprintf(text, sizeof text, "%04d-%02u-%02u_%02d-%02d-%02d", y, m, d, hour, minute, second);
            break;
    }
    return text;
}

}  // namespace engine
