// List reports: the bands down the pages, page breaks, the column header on every page, "Strana N od
// M", totals, and bands that can never fit.
#include <algorithm>

#include "ReportTestSupport.h"
#include "report/RpBand.h"
#include "report/RpData.h"

namespace {

// Bands fit between 100 and 2594 (page 2794, margins 100, footer 100). Rows start at 400 on page 1
// (title 200, header 100), where 43 fit, and at 200 on later pages, where 47 fit.
class Bands : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        report.Page().SetPaperSize(TRpPaperSize::Letter);
        report.Page().Values = {100, 2794, 100, 2159, 100, 100, 0};
        report.SetDataSet(&table);
        table.AddColumn("broj", "Broj");
        table.AddColumn("oznaka", "Oznaka");
        band<TRpLabel>(TRpBandType::Title, 200)->SetCaption("NASLOV");
        band<TRpLabel>(TRpBandType::ColumnHeader, 100)->SetCaption("KOLONA");
        band<TRpDataLabel>(TRpBandType::Detail, 50)->DataField = "oznaka";
        auto* pages = band<TRpSysData>(TRpBandType::PageFooter, 100);
        pages->Data = TRpSysDataKind::rpsPageOfPages;
        pages->Text = "Strana %1 od %2";
        auto* total = band<TRpDataLabel>(TRpBandType::Summary, 100);
        total->DataField = "broj";
        total->Total = true;
    }
    // A band of `height` holding one control of class T.
    template <class T>
    T* band(TRpBandType type, double height) {
        auto* made = new TRpBand(&report, type);
        made->Height = height;
        T* control = made->Add<T>();
        control->AutoSize = false;
        control->SetSizeValues({45, 0, 0, 800});
        return control;
    }
    void fill(int rows) {
        for (int i = 1; i <= rows; ++i)
            table.AppendRow({double(i), QStringLiteral("R%1").arg(i, 4, 10, QChar('0'))});
    }
    void setHeight(TRpBandType type, double height) {
        for (TRpBand* each : report.Bands())
            if (each->BandType() == type) each->Height = height;
    }
    static QStringList rowsOn(const TRpPageImage& page) {
        QStringList rows;
        for (const QString& text : textsOf(page)) {
            const bool row = text.size() == 5 && text.startsWith(u'R') &&
                             std::all_of(text.begin() + 1, text.end(), [](QChar c) { return c.isDigit(); });
            if (row) rows << text;
        }
        return rows;
    }

    TReport report;
    TRpDataTable table;
};

struct PageCase {
    const char* name;
    int rows;
    int pages;
    int rowsOnFirstPage;
};

class BandPages : public Bands, public ::testing::WithParamInterface<PageCase> {};

TEST_P(BandPages, EveryRowPrintsOnceUnderTheHeaderOfItsPage) {
    fill(GetParam().rows);
    const std::vector<TRpPageImage> pages = runPages(report);
    ASSERT_EQ(int(pages.size()), GetParam().pages);
    EXPECT_EQ(report.PageCount(), GetParam().pages);
    QStringList printed;
    for (std::size_t n = 0; n < pages.size(); ++n) {
        const QStringList texts = textsOf(pages[n]);
        EXPECT_EQ(texts.count("KOLONA"), 1) << "page " << n + 1;
        EXPECT_EQ(texts.count("NASLOV"), n == 0 ? 1 : 0);
        EXPECT_EQ(texts.count(QStringLiteral("Strana %1 od %2").arg(n + 1).arg(pages.size())), 1);
        printed += rowsOn(pages[n]);
    }
    EXPECT_EQ(rowsOn(pages.front()).size(), GetParam().rowsOnFirstPage);
    ASSERT_EQ(printed.size(), GetParam().rows);
    for (int i = 0; i < GetParam().rows; ++i) EXPECT_EQ(printed[i], table.Value(i, 1).toString());
    EXPECT_TRUE(textsOf(pages.back()).contains(QString::number(GetParam().rows * (GetParam().rows + 1) / 2)))
        << "the summary's total of every row";
}

INSTANTIATE_TEST_SUITE_P(Rows, BandPages,
                         ::testing::Values(PageCase{"NoRowsOnePageWithTheTitle", 0, 1, 0},
                                           PageCase{"SummaryStillFits", 41, 1, 41},
                                           PageCase{"SummaryGoesOverAlone", 42, 2, 42},
                                           PageCase{"OneRowOver", 44, 2, 43},
                                           PageCase{"AThousandRows", 1000, 22, 43}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Bands, ADetailThatFillsAFreshPageExactlyStillPrints) {
    fill(2);
    setHeight(TRpBandType::Title, 0);
    setHeight(TRpBandType::Detail, 2594 - 200);
    const std::vector<TRpPageImage> pages = runPages(report);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(rowsOn(pages[1]), QStringList{"R0002"});
}

class TallBands : public Bands, public ::testing::WithParamInterface<std::pair<TRpBandType, double>> {};

TEST_P(TallBands, AreAnErrorNotAnEndlessRun) {
    fill(3);
    setHeight(GetParam().first, GetParam().second);
    TRpPrinter printer;
    report.SetPrinter(&printer);
    EXPECT_THROW(report.CreateReport(false), ERpError);
    EXPECT_TRUE(report.Available());
    EXPECT_EQ(printer.GetStatus(), TRpPrinter::Status::Finished);
}

INSTANTIATE_TEST_SUITE_P(Heights, TallBands,
                         ::testing::Values(std::pair{TRpBandType::Detail, 2500.0},
                                           std::pair{TRpBandType::Summary, 2400.0},
                                           std::pair{TRpBandType::Title, 2450.0},
                                           std::pair{TRpBandType::PageFooter, 2700.0}));

}  // namespace
