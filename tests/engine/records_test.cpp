// Day numbers and their stored ISO texts, the texts of UTC moments, and whole numbers read from text.
#include "engine/Records.h"

#include <gtest/gtest.h>

#include "engine/Dates.h"

namespace {

using namespace engine;

struct DayCase {
    std::int32_t day;
    const char* iso;
};

class DayNumberTest : public testing::TestWithParam<DayCase> {};

TEST_P(DayNumberTest, ConvertsBothWays) {
    EXPECT_EQ(isoFromDayNumber(GetParam().day), GetParam().iso);
    EXPECT_EQ(dayNumberFromIso(GetParam().iso), GetParam().day);
}

INSTANTIATE_TEST_SUITE_P(Dates, DayNumberTest,
                         testing::Values(DayCase{1, "0001-01-01"}, DayCase{DayNumberOf18991230, "1899-12-30"},
                                         DayCase{693596, "1900-01-01"}, DayCase{734503, "2012-01-01"},
                                         DayCase{734562, "2012-02-29"}, DayCase{738000, "2021-07-29"},
                                         DayCase{3652059, "9999-12-31"}));

TEST(DayNumbers, RefuseTextsThatAreNotDatesAndDaysOutsideTheCalendar) {
    for (const char* text :
         {"", "2012-02-30", "2011-02-29", "1900-02-29", "2012-04-31", "2012-00-10", "2012-13-01",
          "12-01-2012", "2012/01/01", "abcd-ef-gh", "0000-01-01", "2012-01-01x"}) {
        EXPECT_FALSE(dayNumberFromIso(text)) << text;
    }
    EXPECT_EQ(dayNumberFromIso("2012-01-01 10:30:00"), 734503);
    EXPECT_TRUE(dayNumberFromIso("2000-02-29"));
    EXPECT_FALSE(isoFromDayNumber(0));
    EXPECT_FALSE(isoFromDayNumber(3652060));
}

struct UtcCase {
    std::int64_t milliseconds;  // since 1970-01-01T00:00:00Z
    UtcStyle style;
    const char* text;
};

class UtcTextTest : public testing::TestWithParam<UtcCase> {};

TEST_P(UtcTextTest, WritesTheMomentInUtc) {
    const std::chrono::system_clock::time_point time{std::chrono::milliseconds(GetParam().milliseconds)};
    EXPECT_EQ(utcText(time, GetParam().style), GetParam().text);
}

// 1709647629250 ms is 2024-03-05T14:07:09.250Z; 1709251199999 ms the last millisecond of February 2024.
INSTANTIATE_TEST_SUITE_P(
    Dates, UtcTextTest,
    testing::Values(UtcCase{0, UtcStyle::Milliseconds, "1970-01-01T00:00:00.000Z"},
                    UtcCase{1709647629250, UtcStyle::Milliseconds, "2024-03-05T14:07:09.250Z"},
                    UtcCase{1709647629250, UtcStyle::Seconds, "2024-03-05T14:07:09Z"},
                    UtcCase{1709647629999, UtcStyle::FileName, "2024-03-05_14-07-09"},
                    UtcCase{1709251199999, UtcStyle::Milliseconds, "2024-02-29T23:59:59.999Z"},
                    UtcCase{1709251200000, UtcStyle::Seconds, "2024-03-01T00:00:00Z"}));

TEST(WholeNumbers, ReadOnlyTextsThatAreWholeNumbersOf64Bits) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"42", 42},
        {"+42", 42},
        {"-42", -42},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"+-4", std::nullopt},
        {" 4", std::nullopt},
        {"4 ", std::nullopt},
        {"4.0", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const auto& [text, number] : cases) EXPECT_EQ(wholeNumberOf(text), number) << text;
}

// The text of every 97th day of the calendar reads back as that day.
TEST(DayNumbers, ReadBackEveryDayTheyWrite) {
    for (std::int32_t day = 1; day <= 3652059; day += 97) {
        const auto text = isoFromDayNumber(day);
        ASSERT_TRUE(text) << day;
        ASSERT_EQ(dayNumberFromIso(*text), day) << *text;
    }
}

}  // namespace
