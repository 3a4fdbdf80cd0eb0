// Day numbers and their stored ISO texts.
#include <gtest/gtest.h>

#include "data/engine/Dates.h"

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
    for (const char* text : {"", "2012-02-30", "2011-02-29", "2012-13-01", "12-01-2012", "2012/01/01",
                             "abcd-ef-gh", "0000-01-01", "2012-01-01x"}) {
        EXPECT_FALSE(dayNumberFromIso(text)) << text;
    }
    EXPECT_EQ(dayNumberFromIso("2012-01-01 10:30:00"), 734503);
    EXPECT_FALSE(isoFromDayNumber(0));
    EXPECT_FALSE(isoFromDayNumber(3652060));
}

}  // namespace
