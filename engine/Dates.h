// Day numbers of the record layout (1 = 1 January of year 1) and the ISO-8601 texts stored in the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// The day number of 30 December 1899, the origin of the program's date-time values.
constexpr std::int32_t DayNumberOf18991230 = 693594;
// The day number of 31 December 9999, the last day with a 'YYYY-MM-DD' text.
constexpr std::int32_t LastDayNumber = 3652059;

// 'YYYY-MM-DD' (a time of day after it is ignored) to a day number; nothing for any other text.
std::optional<std::int32_t> dayNumberFromIso(std::string_view text);
// A day number to 'YYYY-MM-DD'; nothing for a day outside the years 1 to 9999.
std::optional<std::string> isoFromDayNumber(std::int32_t day);

}  // namespace engine
