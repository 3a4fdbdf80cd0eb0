// Conversions between record day numbers and stored ISO-8601 date texts.
#include "data/engine/Dates.h"

#include <chrono>
#include <cstdio>

namespace engine {
namespace {

using namespace std::chrono;

constexpr sys_days firstDay = sys_days{year{1} / January / 1};

// The value of the decimal digits text[from, from + count), or -1 when one is not a digit.
int digits(std::string_view text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit > 9) return -1;
        value = value * 10 + static_cast<int>(digit);
    }
    return value;
}

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

}  // namespace

std::optional<std::int32_t> dayNumberFromIso(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') return std::nullopt;
    const int y = digits(text, 0, 4), m = digits(text, 5, 2), d = digits(text, 8, 2);
    if (y < 1 || m < 1 || m > 12 || d < 1) return std::nullopt;
    // Month lengths and the days before each month in a common year.
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    static constexpr int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int leapDay = m >= 2 && isLeapYear(y) ? 1 : 0;
    if (d > lengths[m - 1] + (m == 2 ? leapDay : 0)) return std::nullopt;
    const int past = y - 1;
    return past * 365 + past / 4 - past / 100 + past / 400 + before[m - 1] + (m > 2 ? leapDay : 0) + d;
}

std::optional<std::string> isoFromDayNumber(std::int32_t dayNumber) {
    const year_month_day date{firstDay + days{dayNumber - 1}};
    const int y = static_cast<int>(date.year());
    if (dayNumber < 1 || y > 9999) return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));
    return std::string(text);
}

}  // namespace engine
