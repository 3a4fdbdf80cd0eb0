// Fuzz target: a saved report file loaded as the preview's Load loads it, every page replayed as the
// preview and the printer draw it, then the pages saved again and loaded back.
// Oracles: a file that loads has every page readable and drawable, each page image stores back to the
// same bytes, and the saved copy loads to the same pages.
#include <QImage>
#include <QPainter>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "report/RpExport.h"
#include "report/RpPrinter.h"

namespace {

std::vector<QByteArray> loadedPages(TRpPrinter& printer, const QString& what) {
    std::vector<QByteArray> pages;
    QImage sheet(85, 110, QImage::Format_ARGB32_Premultiplied);
    for (int n = 1; n <= printer.PageCount(); ++n) {
        std::optional<TRpPageImage> page;
        try {
            page = printer.Page(n);
        } catch (const Exception& error) {
            fuzz::fail(
                QStringLiteral("page %1 of a loaded %2 does not read: %3").arg(n).arg(what, error.Message()));
        }
        if (!page) fuzz::fail(QStringLiteral("page %1 of a loaded %2 is missing").arg(n).arg(what));
        QPainter painter(&sheet);
        try {
            page->Replay(painter, RectF(0, 0, sheet.width(), sheet.height()));
        } catch (const Exception& error) {
            fuzz::fail(QStringLiteral("page %1 of a loaded %2 cannot be drawn: %3")
                           .arg(n)
                           .arg(what, error.Message()));
        }
        const QByteArray bytes = page->Serialize();
        if (TRpPageImage::Parse(bytes).Serialize() != bytes)
            fuzz::fail(
                QStringLiteral("page %1 of a loaded %2 does not store back the same").arg(n).arg(what));
        pages.push_back(bytes);
    }
    return pages;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString fileName = fuzz::inputFile(QStringLiteral("input.RPP"), data, size);
    std::vector<QByteArray> pages;
    {
        TRpPrinter printer;
        try {
            if (!loadPagesFile(printer, fileName)) fuzz::fail(QStringLiteral("the written input is missing"));
        } catch (const ERpError&) {
            return 0;  // refused with its message, as the preview shows it
        }
        pages = loadedPages(printer, QStringLiteral("file"));
        savePagesNative(printer, fuzz::path(QStringLiteral("copy.RPP")));
    }
    TRpPrinter again;
    try {
        loadPagesFile(again, fuzz::path(QStringLiteral("copy.RPP")));
    } catch (const ERpError& error) {
        fuzz::fail(QStringLiteral("the saved copy of a loaded file does not load: ") + error.Message());
    }
    if (loadedPages(again, QStringLiteral("copy")) != pages)
        fuzz::fail(QStringLiteral("the saved copy loads to other pages"));
    return 0;
}
