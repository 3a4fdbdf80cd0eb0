// Unit conversions, rounding and the page geometry of reports.
#include <gtest/gtest.h>

#include <climits>

#include "report/RpReport.h"
#include "tests/report/ReportTestSupport.h"

struct RoundingCase {
    double value;
    long long expected;
};
class RoundHalfEvenTest : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(RoundHalfEvenTest, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEvenTest,
                         ::testing::Values(RoundingCase{0.5, 0}, RoundingCase{1.5, 2}, RoundingCase{2.5, 2},
                                           RoundingCase{-0.5, 0}, RoundingCase{-1.5, -2},
                                           RoundingCase{2.4999, 2}, RoundingCase{2.5001, 3},
                                           RoundingCase{648.9999, 649}, RoundingCase{3.3e32, LLONG_MAX},
                                           RoundingCase{-3.3e32, LLONG_MIN}));

struct ConversionCase {
    TRpUnits unit;
    int zoom;
    double native;
    double inUnit;
};
class UnitConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(UnitConversionTest, ConvertsBothWays) {
    const ConversionCase& c = GetParam();
    TRpUnitContext context;
    context.zoom = c.zoom;
    context.charWidthMM = 2.0;
    context.charHeightMM = 4.0;
    EXPECT_NEAR(nativeToUnit(c.native, c.unit, TRpAxis::Horizontal, context), c.inUnit, 1e-9);
    EXPECT_NEAR(unitToNative(c.inUnit, c.unit, TRpAxis::Horizontal, context), c.native, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Units, UnitConversionTest,
                         ::testing::Values(ConversionCase{TRpUnits::MM, 100, 2159, 215.9},
                                           ConversionCase{TRpUnits::Inches, 100, 2794, 11},
                                           ConversionCase{TRpUnits::Pixels, 100, 2159, 816},
                                           ConversionCase{TRpUnits::Pixels, 200, 254, 192},
                                           ConversionCase{TRpUnits::Pixels, 50, 254, 48},
                                           ConversionCase{TRpUnits::Characters, 100, 100, 5},
                                           ConversionCase{TRpUnits::Native, 100, 787.4, 787.4}));

TEST(UnitConversion, CharactersUseTheCharacterHeightVertically) {
    TRpUnitContext context;
    context.charWidthMM = 2.0;
    context.charHeightMM = 4.0;
    EXPECT_DOUBLE_EQ(nativeToUnit(100, TRpUnits::Characters, TRpAxis::Vertical, context), 2.5);
}

TEST_F(ReportTest, PixelBoundsDeriveFromStoredSizeAtTheReportZoom) {
    TReport report;
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 56, 152, 73, 33);
    EXPECT_NEAR(label->SizeValues()[TRpPrintable::kLeft], 148.1666, 1e-3);
    EXPECT_EQ(label->Left(), 56);
    report.SetZoom(200);
    EXPECT_EQ(label->Left(), 112);
    label->SetLeft(100);  // written back through the same conversion
    EXPECT_NEAR(label->SizeValues()[TRpPrintable::kLeft], 50 * 254.0 / 96.0, 1e-9);
    report.SetZoom(0);
    report.SetZoom(301);
    EXPECT_EQ(report.Zoom(), 200);
}

struct PaperCase {
    TRpPaperSize paper;
    TRpOrientation orientation;
    double width;
    double length;
};
class PaperGeometryTest : public ::testing::TestWithParam<PaperCase> {};

TEST_P(PaperGeometryTest, PaperSetsWidthAndLength) {
    TRpPage page;
    page.SetPaperSize(GetParam().paper);
    page.SetOrientation(GetParam().orientation);
    EXPECT_DOUBLE_EQ(page.Value(TRpPage::PageWidth), GetParam().width);
    EXPECT_DOUBLE_EQ(page.Value(TRpPage::PageLength), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Papers, PaperGeometryTest,
    ::testing::Values(PaperCase{TRpPaperSize::A4, TRpOrientation::poLandscape, 2970, 2100},
                      PaperCase{TRpPaperSize::A4, TRpOrientation::poPortrait, 2100, 2970},
                      PaperCase{TRpPaperSize::Letter, TRpOrientation::poPortrait, 2159, 2794},
                      PaperCase{TRpPaperSize::Ledger, TRpOrientation::poLandscape, 2794, 4318},
                      // Custom and Default keep the size the page had (Letter, from the default page).
                      PaperCase{TRpPaperSize::Custom, TRpOrientation::poLandscape, 2159, 2794}));

TEST(PageGeometry, LengthAndWidthAreSetOnlyForCustomPaper) {
    TRpPage page;
    page.SetPaperSize(TRpPaperSize::A4);
    page.SetValue(TRpPage::PageWidth, 1000);
    EXPECT_DOUBLE_EQ(page.Value(TRpPage::PageWidth), 2100);
    page.SetPaperSize(TRpPaperSize::Custom);
    page.SetValue(TRpPage::PageWidth, 1000);
    EXPECT_DOUBLE_EQ(page.Value(TRpPage::PageWidth), 1000);
    page.SetColumns(0);
    EXPECT_EQ(page.Columns(), 1);
}

TEST(CodeTables, CodesMapToTheFirstMatchingEntry) {
    EXPECT_EQ(paperSizeForCode(9), TRpPaperSize::A4);
    EXPECT_EQ(paperSizeForCode(256), TRpPaperSize::Custom);
    EXPECT_EQ(paperSizeForCode(99), TRpPaperSize::Default);
    EXPECT_EQ(binForCode(1), TRpBin::First);
    EXPECT_EQ(binForCode(14), TRpBin::Cassette);
    EXPECT_EQ(binForCode(12), TRpBin::First);
    EXPECT_EQ(binCode(TRpBin::LargeCapacity), 11);
}
