// The ledger's rules: composite reasons, quoting, working days and the exact catalogue lines.
#include <gtest/gtest.h>

#include "engine/Engine.h"
#include "ledger/Ledger.h"

using namespace std::chrono;
using namespace ledger;

namespace {

struct CompositeCase {
    const char* reason;
    const char* part;
    const char* year;
    bool oduzmi;
    const char* expected;
};

class CompositeReasonTest : public testing::TestWithParam<CompositeCase> {};

TEST_P(CompositeReasonTest, BuildsRazlog) {
    const auto& c = GetParam();
    EXPECT_EQ(compositeReason(c.reason, c.part, c.year, c.oduzmi), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, CompositeReasonTest,
    testing::Values(CompositeCase{"GO", "1 DEO", "2012", false, "GO 1 DEO 2012"},
                    CompositeCase{"OSTATAK OD GO", "2 DEO", "2015", false, "OSTATAK OD GO 2 DEO 2015"},
                    CompositeCase{"GO", "1 DEO", "2012", true, "GO"},
                    CompositeCase{"OSTATAK OD GO", "2 DEO", "2020", true, "OSTATAK OD GO"},
                    CompositeCase{"SL.DANI", "1 DEO", "2012", false, "SL.DANI"},
                    CompositeCase{"go", "1 DEO", "2012", false, "go"},
                    CompositeCase{"GO ", "1 DEO", "2012", false, "GO "},
                    CompositeCase{"", "1 DEO", "2012", false, ""}, CompositeCase{"GO", "", "", false, "GO  "},
                    CompositeCase{"GO", "3 DELA", "20xx", false, "GO 3 DELA 20xx"}));

TEST(CompositeReasonLayout, PrintedRequestsFindPartAndYearAtFixedPositions) {
    const std::string remainder = compositeReason("OSTATAK OD GO", "2 DEO", "2020", false);
    ASSERT_EQ(remainder.size(), 24u);
    EXPECT_EQ(remainder[14], '2');
    EXPECT_EQ(remainder.substr(20, 4), "2020");
    EXPECT_EQ(compositeReason("GO", "2 DEO", "2011", false).substr(3, 5), "2 DEO");
    for (const auto& part : partItems())
        for (const auto& year : yearItems())
            EXPECT_LE(compositeReason("OSTATAK OD GO", part, year, false).size(), ledgerTextSize);
}

TEST(ReasonCodes, OnlyReasonsBeginningWithCapitalGLeaveTheBalance) {
    EXPECT_TRUE(countsInBalance(reasonText(ReasonCode::PRENOS)));
    EXPECT_FALSE(countsInBalance(reasonText(ReasonCode::GO)));
    EXPECT_FALSE(countsInBalance("GO 1 DEO 2012"));
    EXPECT_TRUE(countsInBalance(reasonText(ReasonCode::OSTATAK_OD_GO)));
    EXPECT_TRUE(countsInBalance("OSTATAK OD GO 2 DEO 2015"));
    EXPECT_TRUE(countsInBalance("go 1 deo 2012"));
    EXPECT_TRUE(countsInBalance(""));
    EXPECT_FALSE(countsInBalance("GODISNJI"));
}

TEST(QuotedSqlString, DoublesEmbeddedQuotes) {
    EXPECT_EQ(engine::quotedConstant("PETROVIC PETAR"), "'PETROVIC PETAR'");
    EXPECT_EQ(engine::quotedConstant("O'BRIEN"), "'O''BRIEN'");
    EXPECT_EQ(engine::quotedConstant("''"), "''''''");
    EXPECT_EQ(engine::quotedConstant(""), "''");
    EXPECT_EQ(engine::quotedConstant("A\"B"), "'A\"B'");
    EXPECT_EQ(engine::quotedConstant("ĐURĐEVIĆ"), "'ĐURĐEVIĆ'");
    EXPECT_EQ(engine::quotedConstant("A\"B", '"'), "\"A\"\"B\"");
}

struct PeriodCase {
    year_month_day first;
    year_month_day last;
    int expected;
};

class WorkingDaysTest : public testing::TestWithParam<PeriodCase> {};

TEST_P(WorkingDaysTest, CountsMondayToFridayBothEndsIncluded) {
    EXPECT_EQ(workingDays(GetParam().first, GetParam().last), GetParam().expected);
}

// 2024-03-04 is a Monday.
INSTANTIATE_TEST_SUITE_P(
    Periods, WorkingDaysTest,
    testing::Values(PeriodCase{2024y / March / 4, 2024y / March / 8, 5},      // Monday to Friday
                    PeriodCase{2024y / March / 9, 2024y / March / 10, 0},     // Saturday to Sunday
                    PeriodCase{2024y / March / 8, 2024y / March / 11, 2},     // Friday to Monday
                    PeriodCase{2024y / March / 8, 2024y / March / 4, 0},      // second before first
                    PeriodCase{2024y / March / 6, 2024y / March / 6, 1},      // one weekday
                    PeriodCase{2024y / March / 10, 2024y / March / 10, 0},    // one Sunday
                    PeriodCase{2024y / February / 26, 2024y / March / 4, 6},  // across a leap day
                    PeriodCase{2023y / December / 25, 2024y / January / 7, 10},
                    PeriodCase{2024y / January / 1, 2024y / December / 31, 262}));

TEST(WorkingDays, AgreesWithDayByDayCountOverEveryShortPeriod) {
    const sys_days start{2024y / January / 1};
    for (int offset = 0; offset < 14; ++offset) {
        for (int length = -2; length < 40; ++length) {
            const sys_days first = start + days(offset);
            const sys_days last = first + days(length);
            int expected = 0;
            for (sys_days d = first; d <= last; d += days(1)) {
                const weekday wd{d};
                if (wd != Saturday && wd != Sunday) ++expected;
            }
            EXPECT_EQ(workingDays(first, last), expected) << offset << " " << length;
        }
    }
}

// What the clerk types enters the catalogue's texts quoted; what the texts do is the engine's
// catalogue test's concern.
struct CatalogueCase {
    const char* name;
    SqlLines lines;
    SqlLines expected;
};

class CatalogueTest : public testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueTest, QuotesWhatTheClerkTyped) {
    EXPECT_EQ(GetParam().lines, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CatalogueTest,
    testing::Values(CatalogueCase{"NameWithApostrophe",
                                  {transactionNumberSql("O'BRIEN").at(1), workerRowsSql("D'ARC").at(1)},
                                  {"where prezimeime = 'O''BRIEN'", "where prezimeime = 'D''ARC'"}},
                    CatalogueCase{"AnnualLeaveEmptyAndPartialYear",
                                  {annualLeaveReportAllSql("").at(2), annualLeaveReportAllSql("201").at(2)},
                                  {"AND RAZLOG LIKE \"%%\"", "AND RAZLOG LIKE \"%201%\""}},
                    CatalogueCase{
                        "AnnualLeaveYearWithQuote",
                        {annualLeaveReportAllSql("20\"12").at(2), annualLeaveReportOneSql("A", "\"").at(3)},
                        {"AND RAZLOG LIKE \"%20\"\"12%\"", "AND RAZLOG LIKE  \"%\"\"%\""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SqlText, EndsEveryLineWithCarriageReturnLineFeed) {
    EXPECT_EQ(sqlText({"select * from kovrel", "where prezimeime = 'A'"}),
              "select * from kovrel\r\nwhere prezimeime = 'A'\r\n");
    EXPECT_EQ(sqlText({}), "");
}

}  // namespace
