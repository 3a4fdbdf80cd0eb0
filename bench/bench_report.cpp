// Generating, storing and rendering one Letter page carrying 30 printables; reports the size of the
// stored page record.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "report/RpReport.h"
#include "runtime/Geometry.h"
#include "runtime/Seams.h"

namespace {

// A request form of 30 controls: labels and memos in several fonts, rectangles, a logo and dates.
void buildForm(TReport& report) {
    report.SetUnits(TRpUnits::Inches);
    report.Page().SetPaperSize(TRpPaperSize::Letter);
    report.Page().Values = {127.0, 2794.0, 787.4, 2159.0, 127.0, 127.0, 0.0};
    report.SetFont(QFont(QStringLiteral("Arial"), 10));
    const double k = 254.0 / 96.0;
    const auto place = [k](TRpPrintable& control, int left, int top, int width, int height) {
        control.SetSizeValues({height * k, left * k, top * k, width * k});
    };
    QImage logo(279, 181, QImage::Format_Indexed8);
    logo.setColorCount(256);
    for (int i = 0; i < 256; ++i) logo.setColor(i, QColor(i, 255 - i, (i * 7) & 0xFF).rgb());
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) logo.setPixel(x, y, (x * y) & 0xFF);
    auto* image = new TRpImage(&report);
    image->Picture = logo;
    place(*image, 32, 16, 305, 121);
    for (int i = 0; i < 20; ++i) {
        auto* label = new TRpLabel(&report);
        label->AutoSize = false;
        label->SetFont(QFont(QStringLiteral("Arial"), 10 + (i % 3) * 2, i % 2 ? QFont::Bold : QFont::Normal));
        label->SetAlignment(i % 3 == 0 ? taCenter : taLeftJustify);
        place(*label, 56 + (i % 4) * 180, 150 + (i / 4) * 60, 170, 50);
        label->SetCaption(QStringLiteral("Prijavljujem radi evidentiranja da mi je ostalo %1 dana").arg(i));
    }
    for (int i = 0; i < 3; ++i) {
        auto* memo = new TRpMemo(&report);
        memo->AutoSize = false;
        place(*memo, 56 + i * 250, 512, 240, 89);
        memo->SetLines({QStringLiteral("SAGLASAN RUKOVODILAC SLUZBE"), QStringLiteral("/UPRAVNIK POSTE"),
                        QString(), QStringLiteral("_________________________")});
    }
    for (int i = 0; i < 4; ++i) {
        auto* shape = new TRpShape(&report);
        place(*shape, 48 + i * 180, 640, 170, 41);
    }
    for (int i = 0; i < 2; ++i) {
        auto* date = new TRpSysData(&report);
        date->AutoSize = false;
        date->Data = TRpSysDataKind::rpsDate;
        place(*date, 136 + i * 400, 700, 81, 33);
    }
}

void BM_GenerateStoreAndRenderLetterPage(benchmark::State& state) {
    runtime::setPrinterList(QStringList());
    TReport report;
    buildForm(report);
    QImage sheet(816, 1056, QImage::Format_RGB32);
    qint64 recordBytes = 0;
    for (auto _ : state) {
        TRpPrinter printer;
        report.SetPrinter(&printer);
        report.CreateReport(false);
        report.SetPrinter(nullptr);
        recordBytes = printer.PageList()->Stream().Size() - TRpPageList::kHeaderSize;
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        printer.Page(1)->Replay(painter, RectF(0, 0, 816, 1056));
    }
    state.counters["record_bytes"] = static_cast<double>(recordBytes);
    state.counters["printables"] = static_cast<double>(report.Printables().size());
}
BENCHMARK(BM_GenerateStoreAndRenderLetterPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
