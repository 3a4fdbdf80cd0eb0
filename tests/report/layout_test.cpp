// Line breaking of labels and memos and what each printable control puts on the page.
#include <gtest/gtest.h>

#include <QPainter>

#include "report/RpReport.h"
#include "runtime/Geometry.h"
#include "runtime/PrintedDates.h"
#include "tests/report/ReportTestSupport.h"

class LayoutTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        makeLetterForm(report);
    }
    int textWidth(const QString& text) const { return report.MeasureWidth(report.Font(), text) + 1; }
    TReport report;
};

TEST_F(LayoutTest, WorkedExampleLabelIsFilledAndWrittenAtItsPixelBox) {
    auto* label = new TRpLabel(&report);
    label->AutoSize = false;
    label->SetSizeValues({87.3125, 952.5, 402.1667, 764.6458});
    label->SetCaption(QStringLiteral("Delovodni broj:_________"));
    const auto pages = runPages(report);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].Size(), QSize(816, 1056));
    const auto fills = itemsOf<TRpPageImage::Fill>(pages[0]);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect.topLeft(), QPoint(360, 152));
    EXPECT_EQ(fills[0].rect.bottomRight() + QPoint(1, 1), QPoint(649, 185));  // exclusive corner
    const auto texts = itemsOf<TRpPageImage::Text>(pages[0]);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].at, QPoint(360, 152));
    EXPECT_EQ(texts[0].anchor, TRpTextAnchor::Left);
}

TEST_F(LayoutTest, WorkedExampleOnAPrinterOfSixHundredDotsWithAnOffset) {
    TRpPrinter printer;
    printer.SetFactors(600 / 254.0, 600 / 254.0);
    printer.SetOffsets(42, 0);
    EXPECT_EQ(printer.XPos(952.5), 2151);
}

struct BreakCase {
    const char* name;
    QString caption;
    QString widthText;  // the label is as wide as this text measures
    int extraWidth;
    QStringList expected;
};
class FormatLinesTest : public LayoutTest, public ::testing::WithParamInterface<BreakCase> {};

TEST_P(FormatLinesTest, BreaksAsLaidOut) {
    const BreakCase& c = GetParam();
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 0, 0, 10, 33);
    label->SetWidth(textWidth(c.widthText) + c.extraWidth);
    label->SetCaption(c.caption);
    EXPECT_EQ(label->FormattedLines(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, FormatLinesTest,
    ::testing::Values(
        BreakCase{"BreaksAfterSpaceNeverInsideAWord",
                  QStringLiteral("Prezime i ime"),
                  QStringLiteral("Prezime i "),
                  0,
                  {QStringLiteral("Prezime i "), QStringLiteral("ime")}},
        BreakCase{"KeepsTheWholeTextWhenItFits",
                  QStringLiteral("Prezime i ime"),
                  QStringLiteral("Prezime i ime"),
                  0,
                  {QStringLiteral("Prezime i ime")}},
        BreakCase{"BreaksAfterHyphen",
                  QStringLiteral("Sluzba-kadrovska"),
                  QStringLiteral("Sluzba-kadro"),
                  0,
                  {QStringLiteral("Sluzba-"), QStringLiteral("kadrovska")}},
        BreakCase{"CarriageReturnLineFeedBreaksOnce",
                  QStringLiteral("prvi\r\ndrugi"),
                  QStringLiteral("prvi drugi"),
                  0,
                  {QStringLiteral("prvi"), QStringLiteral("drugi")}},
        BreakCase{"LoneLineFeedIsPrintedAsABlank",
                  QStringLiteral("NOVI\nRED MILAN"),
                  QStringLiteral("NOVI RED MILAN"),
                  0,
                  {QStringLiteral("NOVI RED MILAN")}},
        BreakCase{"EmptyParagraphStaysAnEmptyLine",
                  QStringLiteral("a\r\rb"),
                  QStringLiteral("a b"),
                  0,
                  {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        BreakCase{"LongWordAfterShortOneGoesOnItsOwnLineCut",
                  QStringLiteral("ab Prijavljujem"),
                  QStringLiteral("Prijavlj"),
                  0,
                  {QStringLiteral("ab "), QStringLiteral("Prijavlj")}},
        BreakCase{
            "ZeroWidthDropsEverything", QStringLiteral("ab cd"), QString(), -1000, {QString(), QString()}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LayoutTest, WordWiderThanTheLabelKeepsOnlyTheLeadingCharactersThatFit) {
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 0, 0, 60, 33);
    label->SetCaption(QStringLiteral("Prijavljujemradievidentiranja"));
    ASSERT_EQ(label->FormattedLines().size(), 1);
    const QString kept = label->FormattedLines().first();
    EXPECT_FALSE(kept.isEmpty());
    EXPECT_LT(textWidth(kept), 60);
    EXPECT_GE(textWidth(QStringLiteral("Prijavljujemradievidentiranja").left(kept.size() + 1)), 60);
    EXPECT_EQ(textsOf(runPages(report)[0]), QStringList{kept});
}

TEST_F(LayoutTest, AutoSizeKeepsTheParagraphWholeAndFitsTheWidthKeepingTheRightEdge) {
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 100, 0, 20, 2);
    label->SetAlignment(taRightJustify);
    label->AutoSize = true;
    label->SetCaption(QStringLiteral("Prezime i ime"));
    EXPECT_EQ(label->FormattedLines(), QStringList{QStringLiteral("Prezime i ime")});
    EXPECT_EQ(label->Width(), textWidth(QStringLiteral("Prezime i ime")));
    EXPECT_EQ(label->Left() + label->Width(), 120);
    EXPECT_EQ(label->Height(), report.MeasureHeight(report.Font(), QStringLiteral("A")) + 1);
}

// A centred label fitted to one date after another prints each at the same centre.
TEST_F(LayoutTest, AutoSizeKeepsACentredLabelsCentreThroughEveryCaption) {
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel11"), 328, 360, 73, 33);
    label->SetAlignment(taCenter);
    label->AutoSize = true;
    for (const QString& date : {QStringLiteral("1.7.2020."), QStringLiteral("31.12.2026."),
                                QStringLiteral("1.1.2027."), QStringLiteral("10.10.2020.")}) {
        label->SetCaption(date);
        const auto page = runPages(report)[0];
        const auto texts = itemsOf<TRpPageImage::Text>(page);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, date);
        EXPECT_EQ(texts[0].at.x(), 328 + 73 / 2) << date.toStdString();
    }
}

TEST_F(LayoutTest, MemoPrintsOnlyTheLinesThatFitItsBox) {
    auto* memo = addControl<TRpMemo>(report, QStringLiteral("RpMemo1"), 384, 16, 273, 40);
    memo->SetLines(
        {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"), QStringLiteral("four")});
    auto* tiny = addControl<TRpMemo>(report, QStringLiteral("RpMemo2"), 0, 300, 273, 5);
    tiny->SetLines({QStringLiteral("never")});
    const auto page = runPages(report)[0];
    // Arial 10 pt is 15 or 16 pixels a line: two lines fit in 40 pixels, none in 5.
    EXPECT_EQ(textsOf(page), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(itemsOf<TRpPageImage::Fill>(page).size(), 2u);
    EXPECT_EQ(memo->Caption(), QStringLiteral("RpMemo1"));
}

TEST_F(LayoutTest, ControlsPrintInChildOrderFromThePaperCornerWhateverTheMargins) {
    report.Page().Values[TRpPage::TopMargin] = 78740.0;  // larger than the paper
    auto* first = addControl<TRpShape>(report, QStringLiteral("RpShape1"), 104, 0, 185, 41);
    auto* second = addControl<TRpLabel>(report, QStringLiteral("RpLabel3"), 120, 8, 161, 25);
    second->SetCaption(QStringLiteral("Prezime i ime"));
    Q_UNUSED(first);
    const auto page = runPages(report)[0];
    ASSERT_EQ(page.Items().size(), 3u);
    const auto* shape = std::get_if<TRpPageImage::Shape>(&page.Items()[0]);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->rect.topLeft(), QPoint(104, 0));
    EXPECT_TRUE(std::holds_alternative<TRpPageImage::Fill>(page.Items()[1]));
    EXPECT_TRUE(std::holds_alternative<TRpPageImage::Text>(page.Items()[2]));
}

TEST_F(LayoutTest, DisabledControlsPrintNothingNotEvenTheirFrame) {
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 10, 10, 100, 30);
    label->SetCaption(QStringLiteral("hidden"));
    label->Frame.DrawTop = label->Frame.DrawLeft = true;
    label->SetEnabled(false);
    auto* shape = addControl<TRpShape>(report, QStringLiteral("RpShape1"), 10, 10, 100, 30);
    shape->SetEnabled(false);
    const auto pages = runPages(report);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].Items().empty());
}

struct AnchorCase {
    TAlignment alignment;
    bool italic;
    TRpTextAnchor anchor;
    int x;  // expected text x for a box from 100 to 300 pixels
};
class AnchorTest : public LayoutTest, public ::testing::WithParamInterface<AnchorCase> {};

TEST_P(AnchorTest, TextIsAnchoredByAlignment) {
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 100, 50, 200, 30);
    QFont font(QStringLiteral("Arial"), 10);
    font.setItalic(GetParam().italic);
    label->SetFont(font);
    label->SetAlignment(GetParam().alignment);
    label->SetCaption(QStringLiteral("1."));
    const auto texts = itemsOf<TRpPageImage::Text>(runPages(report)[0]);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].anchor, GetParam().anchor);
    int expected = GetParam().x;
    // Italic right-aligned text moves left by the width of a space, taken as tenths of a millimetre.
    if (GetParam().italic)
        expected = static_cast<int>(roundHalfEven((300 * 254.0 / 96 - textWidth(" ")) * 96 / 254));
    EXPECT_EQ(texts[0].at.x(), expected);
    EXPECT_EQ(texts[0].at.y(), 50);
}

INSTANTIATE_TEST_SUITE_P(Alignments, AnchorTest,
                         ::testing::Values(AnchorCase{taLeftJustify, false, TRpTextAnchor::Left, 100},
                                           AnchorCase{taRightJustify, false, TRpTextAnchor::Right, 300},
                                           AnchorCase{taRightJustify, true, TRpTextAnchor::Right, 0},
                                           AnchorCase{taCenter, false, TRpTextAnchor::Center, 200}));

TEST_F(LayoutTest, FrameMovesTheTextInAndDrawsItsSidesAsPixelLines) {
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 100, 50, 200, 40);
    label->Frame.DrawTop = label->Frame.DrawLeft = true;
    label->Frame.Width = 3;  // points: 11 tenths of a millimetre, 4 pixels
    label->SetCaption(QStringLiteral("x"));
    const auto page = runPages(report)[0];
    const auto texts = itemsOf<TRpPageImage::Text>(page);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].at, QPoint(roundHalfEven((100 * 254.0 / 96 + 11) * 96 / 254),
                                  roundHalfEven((50 * 254.0 / 96 + 11) * 96 / 254)));
    const auto lines = itemsOf<TRpPageImage::Shape>(page);
    ASSERT_EQ(lines.size(), 8u);  // four lines each for the top and the left side
    EXPECT_EQ(lines[0].rect.topLeft(), QPoint(100, 50));
    EXPECT_EQ(lines[3].rect.topLeft(), QPoint(100, 53));
}

TEST_F(LayoutTest, LaterControlCoversTheEarlierWithItsBackground) {
    auto* under = addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 100, 100, 100, 30);
    under->Color = Qt::red;
    under->SetCaption(QStringLiteral("under"));
    auto* over = addControl<TRpLabel>(report, QStringLiteral("RpLabel2"), 150, 100, 100, 30);
    over->Color = Qt::blue;
    over->SetCaption(QStringLiteral("over"));
    QImage sheet(816, 1056, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    runPages(report)[0].Replay(painter, RectF(0, 0, 816, 1056));
    painter.end();
    EXPECT_EQ(sheet.pixelColor(120, 125), QColor(Qt::red));
    EXPECT_EQ(sheet.pixelColor(195, 125), QColor(Qt::blue));
}

TEST_F(LayoutTest, SystemDataPrintsTodayInTheShortFormatWithAFourDigitYearAndKeepsIt) {
    auto* date = addControl<TRpSysData>(report, QStringLiteral("RpSysData1"), 136, 192, 81, 33);
    date->Data = TRpSysDataKind::rpsDate;
    auto* page = addControl<TRpSysData>(report, QStringLiteral("RpSysData2"), 136, 230, 81, 33);
    page->Data = TRpSysDataKind::rpsPageNumber;
    page->Text = QStringLiteral("Strana ");
    const QString today = runtime::printedDate(QDate(2024, 3, 7));
    EXPECT_TRUE(today.contains("2024"));
    EXPECT_EQ(textsOf(runPages(report)[0]), (QStringList{today, QStringLiteral("Strana 1")}));
    EXPECT_EQ(date->Caption(), today);
}

TEST_F(LayoutTest, ImageIsClippedToItsBoxOrCentredOrStretched) {
    QImage picture(279, 181, QImage::Format_RGB32);
    picture.fill(Qt::green);
    struct Case {
        bool center, stretch;
        Rect expected;
    };
    for (const Case& c :
         {Case{false, false, Rect(32, 16, 279, 181)}, Case{true, false, Rect(45, -14, 279, 181)},
          Case{false, true, Rect(32, 16, 305, 121)}}) {
        TReport form;
        makeLetterForm(form);
        auto* image = addControl<TRpImage>(form, QStringLiteral("RpImage1"), 32, 16, 305, 121);
        image->Picture = picture;
        image->Center = c.center;
        image->Stretch = c.stretch;
        const auto page = runPages(form)[0];
        const auto pictures = itemsOf<TRpPageImage::Picture>(page);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].rect, c.expected);
        const auto clips = itemsOf<TRpPageImage::Clip>(page);
        ASSERT_EQ(clips.size(), c.stretch ? 0u : 2u);
        if (!c.stretch) {
            EXPECT_EQ(clips[0].rect, Rect(32, 16, 305, 121));
            EXPECT_FALSE(clips[1].on);
            QImage sheet(816, 1056, QImage::Format_RGB32);
            sheet.fill(Qt::white);
            QPainter painter(&sheet);
            page.Replay(painter, RectF(0, 0, 816, 1056));
            painter.end();
            EXPECT_EQ(sheet.pixelColor(50, 136), QColor(Qt::green));
            EXPECT_EQ(sheet.pixelColor(50, 137), QColor(Qt::white));  // cut at the box's bottom edge
        }
    }
}

struct ShapeCase {
    TRpShapeType type;
    std::vector<Rect> expected;  // rectangles, or lines as (from, to - from)
};
class ShapeTest : public LayoutTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ShapeTest, DrawsItsFigureInTheBox) {
    auto* shape = addControl<TRpShape>(report, QStringLiteral("RpShape1"), 100, 200, 60, 40);
    shape->Shape = GetParam().type;
    const auto shapes = itemsOf<TRpPageImage::Shape>(runPages(report)[0]);
    ASSERT_EQ(shapes.size(), GetParam().expected.size());
    for (size_t i = 0; i < shapes.size(); ++i) EXPECT_EQ(shapes[i].rect, GetParam().expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeTest,
                         ::testing::Values(ShapeCase{TRpShapeType::rpsRectangle, {Rect(100, 200, 60, 40)}},
                                           ShapeCase{TRpShapeType::rpsCircle, {Rect(100, 200, 60, 40)}},
                                           ShapeCase{TRpShapeType::rpsVertLine, {Rect(130, 200, 0, 40)}},
                                           ShapeCase{TRpShapeType::rpsHorLine, {Rect(100, 220, 60, 0)}},
                                           ShapeCase{TRpShapeType::rpsTopAndBottom,
                                                     {Rect(100, 200, 60, 0), Rect(100, 240, 60, 0)}},
                                           ShapeCase{TRpShapeType::rpsRightAndLeft,
                                                     {Rect(100, 200, 0, 40), Rect(160, 200, 0, 40)}}));

struct SysDataCase {
    TRpSysDataKind kind;
    QTime time;
    QString expected;
};
class SysDataValueTest : public LayoutTest, public ::testing::WithParamInterface<SysDataCase> {};

TEST_P(SysDataValueTest, ShowsTheValueOfTheMomentOfPrinting) {
    const QTime time = GetParam().time;
    runtime::setClock([time] { return QDateTime(QDate(2024, 3, 7), time); });
    report.ReportTitle = QStringLiteral("Zahtev");
    auto* data = addControl<TRpSysData>(report, QStringLiteral("RpSysData1"), 0, 0, 300, 33);
    data->Data = GetParam().kind;
    EXPECT_EQ(data->Value(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SysDataValueTest,
    ::testing::Values(SysDataCase{TRpSysDataKind::rpsTime, QTime(14, 30), QStringLiteral("2:30 PM")},
                      SysDataCase{TRpSysDataKind::rpsDate, QTime(14, 30), QStringLiteral("3/7/2024")},
                      SysDataCase{TRpSysDataKind::rpsDateTime, QTime(14, 30),
                                  QStringLiteral("3/7/2024 2:30 PM")},
                      SysDataCase{TRpSysDataKind::rpsDateTime, QTime(0, 0), QStringLiteral("3/7/2024")},
                      SysDataCase{TRpSysDataKind::rpsReportTitle, QTime(0, 0), QStringLiteral("Zahtev")},
                      SysDataCase{TRpSysDataKind::rpsDetailCount, QTime(0, 0), QStringLiteral("1")}));
