// Conversions between record day numbers and stored ISO-8601 date texts.
#include "data/engine/Dates.h"

#include <chrono>
#include <cstdio>

namespace engine {
namespace {

using namespace std::chrono;

constexpr sys_days firstDay = sys_days{year{1} / January / 1};

std::optional<int> digits(std::string_view text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::optional<std::int32_t> dayNumberFromIso(std::string_view text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') return std::nullopt;
    const auto y = digits(text, 0, 4), m = digits(text, 5, 2), d = digits(text, 8, 2);
    if (!y || !m || !d) return std::nullopt;
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*m)}, day{static_cast<unsigned>(*d)}};
    if (!date.ok() || *y < 1) return std::nullopt;
    return static_cast<std::int32_t>((sys_days{date} - firstDay).count() + 1);
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
