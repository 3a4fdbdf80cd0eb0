// Day numbers of the record layout (1 = 1 January of year 1), the ISO-8601 texts stored in the file, and
// the texts of moments in UTC.
#pragma once

#include <chrono>
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

// How `utcText` writes a moment.
enum class UtcStyle {
    Seconds,       // 2024-03-05T14:07:09Z
    Milliseconds,  // 2024-03-05T14:07:09.250Z, as the journal stores its times
    FileName,      // 2024-03-05_14-07-09, usable as a file or folder name
};
// The moment `time` in UTC, as `style` says; a fraction of a second below the shown one is dropped.
std::string utcText(std::chrono::system_clock::time_point time, UtcStyle style);

}  // namespace engine
