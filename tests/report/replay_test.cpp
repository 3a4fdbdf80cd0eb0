// Replaying a stored page onto devices of different resolutions gives the same lines and
// proportional geometry.
#include <gtest/gtest.h>

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>

#include "runtime/Geometry.h"
#include "tests/report/ReportTestSupport.h"

namespace {

struct DrawnText {
    QString text;
    QPointF baseline;
    double pixelSize;
};

// A paint engine that records what is drawn instead of rasterising it.
class RecordingEngine : public QPaintEngine {
  public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const RectF& r, const QPixmap&, const RectF&) override { images.push_back(r); }
    void drawImage(const RectF& r, const QImage&, const RectF&, Qt::ImageConversionFlags) override {
        images.push_back(r);
    }
    void drawRects(const RectF* rects, int count) override {
        for (int i = 0; i < count; ++i) this->rects.push_back(painter()->transform().mapRect(rects[i]));
    }
    void drawRects(const Rect* rects, int count) override {
        for (int i = 0; i < count; ++i)
            this->rects.push_back(painter()->transform().mapRect(RectF(rects[i])));
    }
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({item.text(), p, item.font().pointSizeF() * dpi / 72.0});
    }
    Type type() const override { return QPaintEngine::User; }

    int dpi = 96;
    std::vector<DrawnText> texts;
    std::vector<RectF> rects;
    std::vector<RectF> images;
};

// A sheet of paper at a given resolution that records drawing.
class RecordingSheet : public QPaintDevice {
  public:
    RecordingSheet(QSize size, int dpi) : size_(size) { engine.dpi = dpi; }
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmWidthMM:
                return static_cast<int>(size_.width() * 25.4 / engine.dpi);
            case PdmHeightMM:
                return static_cast<int>(size_.height() * 25.4 / engine.dpi);
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return engine.dpi;
            case PdmNumColors:
                return 256;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

  private:
    QSize size_;
};

RecordingEngine& replayAt(const TRpPageImage& page, RecordingSheet& sheet) {
    QPainter painter(&sheet);
    page.Replay(painter, RectF(QPointF(0, 0), QSizeF(sheet.width(), sheet.height())));
    painter.end();
    return sheet.engine;
}

}  // namespace

TEST_F(ReportTest, PageReplayedAtNinetySixAndThreeHundredDotsGivesTheSameLinesAndProportionalBoxes) {
    TReport report;
    makeLetterForm(report);
    auto* memo = addControl<TRpMemo>(report, QStringLiteral("RpMemo4"), 64, 312, 300, 73);
    memo->SetLines({QStringLiteral("Molimo Vas da sledecim radnicima poste __________________ "), QString(),
                    QStringLiteral("izdate Resenje o koriscenju godisnjeg odmora")});
    auto* label = addControl<TRpLabel>(report, QStringLiteral("RpLabel3"), 120, 400, 90, 50);
    label->SetAlignment(taCenter);
    label->SetCaption(QStringLiteral("Prezime i ime"));
    const TRpPageImage page = TRpPageImage::Parse(runPages(report)[0].Serialize());

    RecordingSheet screen(QSize(816, 1056), 96);
    RecordingSheet printer(QSize(2550, 3300), 300);
    const RecordingEngine& low = replayAt(page, screen);
    const RecordingEngine& high = replayAt(page, printer);

    ASSERT_GE(low.texts.size(), 3u);
    ASSERT_EQ(low.texts.size(), high.texts.size());
    QStringList expected;
    for (const QString& line : memo->FormattedLines()) {
        if (!line.isEmpty()) expected.append(line);
    }
    expected.append(label->FormattedLines());
    QStringList lowLines, highLines;
    for (size_t i = 0; i < low.texts.size(); ++i) {
        lowLines.append(low.texts[i].text);
        highLines.append(high.texts[i].text);
        EXPECT_NEAR(high.texts[i].pixelSize, low.texts[i].pixelSize * 300 / 96, 0.01) << i;
        // Within one pixel of the screen page: font ascents round differently at each size.
        EXPECT_NEAR(high.texts[i].baseline.y(), low.texts[i].baseline.y() * 300 / 96, 300.0 / 96) << i;
    }
    // The left-anchored memo lines start at the same proportional x.
    EXPECT_NEAR(high.texts[0].baseline.x(), low.texts[0].baseline.x() * 300 / 96, 0.01);
    EXPECT_EQ(lowLines, expected);
    EXPECT_EQ(highLines, lowLines);

    ASSERT_EQ(low.rects.size(), 2u);  // the two backgrounds
    ASSERT_EQ(high.rects.size(), 2u);
    for (size_t i = 0; i < low.rects.size(); ++i) {
        const RectF scaled(low.rects[i].topLeft() * 300 / 96, low.rects[i].size() * 300 / 96);
        EXPECT_NEAR(high.rects[i].left(), scaled.left(), 0.01);
        EXPECT_NEAR(high.rects[i].top(), scaled.top(), 0.01);
        EXPECT_NEAR(high.rects[i].width(), scaled.width(), 0.01);
        EXPECT_NEAR(high.rects[i].height(), scaled.height(), 0.01);
    }
    EXPECT_EQ(low.rects[0], RectF(64, 312, 300, 73));
}
