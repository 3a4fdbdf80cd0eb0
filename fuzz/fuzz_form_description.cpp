// Fuzz target: a form description read as a window's layout and as a print form's, as the program reads
// its own at start-up. A window that loads is drawn; a print form that loads is run into its pages.
// Oracles: a print form that loads runs without an error, and its pages store and draw back whole.
#include <QImage>
#include <QJsonDocument>
#include <QPainter>

#include "data/DataComponents.h"
#include "fuzz/FuzzSupport.h"
#include "report/RpFormLoader.h"
#include "report/RpPrinter.h"
#include "report/RpReport.h"
#include "runtime/Form.h"

namespace {

void loadWindow(const QString& fileName) {
    try {
        TForm form(fileName);
        QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
        form.render(&image);
    } catch (const Exception&) {
        // refused with its message, which stops the program's start-up
    }
}

void loadPrintForm(const QJsonObject& description) {
    TReport report;
    try {
        LoadReportForm(report, description);
    } catch (const Exception&) {
        return;
    }
    TRpPrinter printer;
    try {
        report.CreateReportOn(printer);
    } catch (const Exception& error) {
        fuzz::fail(QStringLiteral("a print form that loads does not run: ") + error.Message());
    }
    QImage sheet(85, 110, QImage::Format_ARGB32_Premultiplied);
    for (int n = 1; n <= printer.PageCount(); ++n) {
        try {
            const TRpPageImage page = TRpPageImage::Parse(printer.PageList()->Page(n).value());
            QPainter painter(&sheet);
            page.Replay(painter, RectF(0, 0, sheet.width(), sheet.height()));
        } catch (const Exception& error) {
            fuzz::fail(
                QStringLiteral("page %1 of a print form does not read back: %2").arg(n).arg(error.Message()));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startApplication(argc, argv);
    fuzz::enterPrivateDirectory();
    data::registerDataComponents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject()) return 0;
    loadWindow(fuzz::inputFile(QStringLiteral("form.json"), data, size));
    loadPrintForm(document.object());
    return 0;
}
