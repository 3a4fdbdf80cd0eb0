// Native save and load of stored pages, the text export filter and the PDF output.
#include "report/RpExport.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

#include "report/RpPageStore.h"
#include "report/RpPreview.h"
#include "report/RpPrinter.h"
#include "report/RpReport.h"
#include "report/RpStandardPreview.h"
#include "runtime/ExportFiles.h"
#include "runtime/Geometry.h"
#include "runtime/Language.h"
#include "runtime/Seams.h"
#include "runtime/TableFile.h"

namespace {

constexpr double kTenthsPerPoint = 254.0 / 72.0;
constexpr qint64 kCopyBlock = 10240;

const QString kNativeEntry = QStringLiteral("Report file(*.RPP)|*.RPP");
const QString kPdfEntry = QStringLiteral("PDF file (*.PDF)|*.PDF");
const QString kListEntries = QStringLiteral("CSV file (*.CSV)|*.CSV|Excel workbook (*.XLSX)|*.XLSX");

// A grid place computed from lengths in 0.1 mm, rid of the floating-point noise that would tip an exact
// half (a form's pixel positions often give one) to the wrong side when it is rounded.
double withoutNoise(double cells) {
    return std::round(cells * 1e6) / 1e6;
}

// The index of the last non-blank character of `text`, or -1 when it has none.
qsizetype lastNonBlank(const QString& text) {
    qsizetype i = text.size() - 1;
    while (i >= 0 && text.at(i).isSpace()) --i;
    return i;
}

// Splits "name|pattern|name|pattern..." into the names a file dialog lists.
QStringList dialogFilters(const QString& list) {
    const QStringList parts = list.split(QLatin1Char('|'));
    QStringList names;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) names << parts.at(i);
    return names;
}

// Which paper a page of `width` x `height` screen pixels is, by quarter-centimetre buckets. Where
// several portrait sizes match, the first one stands; a landscape match ends the scan.
void guessPaper(TRpPrinter& printer, QSize pixels) {
    const double factor = TRpPrinter::kScreenDpi / 254.0;
    const int w4 = int(std::trunc(pixels.width() / factor * 0.025));
    const int l4 = int(std::trunc(pixels.height() / factor * 0.025));
    bool portraitFound = false;
    for (int i = int(TRpPaperSize::Letter); i <= int(TRpPaperSize::ESheet); ++i) {
        const TRpPaperInfo& paper = paperInfo(TRpPaperSize(i));
        const int width4 = int(std::trunc(paper.widthMM / 4)), length4 = int(std::trunc(paper.lengthMM / 4));
        if (!portraitFound && width4 == w4 && length4 == l4) {
            printer.Settings.PaperSize = TRpPaperSize(i);
            printer.Settings.Orientation = TRpOrientation::poPortrait;
            portraitFound = true;
        } else if (width4 == l4 && length4 == w4) {
            printer.Settings.PaperSize = TRpPaperSize(i);
            printer.Settings.Orientation = TRpOrientation::poLandscape;
            return;
        }
    }
}

}  // namespace

// ---- Text export -------------------------------------------------------------------------------

TRpTextExportFilter::TRpTextExportFilter(QString fileName) : fileName_(std::move(fileName)) {}

void TRpTextExportFilter::Start(double, double pageLength, const QFont& font) {
    file_ = std::make_unique<QFile>(fileName_);
    if (!runtime::openExport(*file_))
        throw ERpError(QStringLiteral("Cannot create file \"%1\". %2")
                           .arg(fileName_, runtime::inProgramWords(file_->errorString())));
    charWidth_ = charHeight_ = font.pointSizeF() * kTenthsPerPoint;
    linesPerPage_ = int(roundHalfEven(pageLength / charHeight_));
}

void TRpTextExportFilter::StartPage() {
    rows_ = std::vector<std::vector<Placed>>(kBufferRows);
}

void TRpTextExportFilter::TextItem(const QFont&, const QColor&, const QString& text, TAlignment alignment,
                                   double y, double x) {
    const long long row = roundHalfEven(withoutNoise(y / charHeight_));
    if (row < 0 || row >= kBufferRows) return;
    double column = withoutNoise(x / charWidth_ * 1.7);
    if (alignment == TAlignment::taRightJustify) column -= text.size();
    rows_[row].push_back({column, std::max<qsizetype>(roundHalfEven(column), 0), text});
}

// The row's texts from left to right, each from its 1-based position, padding with blanks up to it.
// Texts that lie close may share columns: a text that would cover non-blank characters of the text
// before it starts one blank after them instead, and keeps a blank before the next text too, so that
// every text is whole and in its place in the reading order.
QString TRpTextExportFilter::composeLine(std::vector<Placed> texts) {
    std::stable_sort(texts.begin(), texts.end(),
                     [](const Placed& a, const Placed& b) { return a.column < b.column; });
    QString line;
    qsizetype inked = -1;  // the last non-blank character so far
    qsizetype free = 0;    // the first column the next text may cover
    for (const Placed& placed : texts) {
        if (line.size() < placed.column) line = line.leftJustified(placed.position, QLatin1Char(' '));
        qsizetype at = std::min(std::max<qsizetype>(placed.position - 1, 0), line.size());
        const bool moved = !placed.text.isEmpty() && at < free;
        if (moved) {
            at = inked + 2;
            line = line.leftJustified(at, QLatin1Char(' '));
        }
        line.replace(at, placed.text.size(), placed.text);
        const qsizetype last = lastNonBlank(placed.text);
        if (last >= 0) {
            inked = std::max(inked, at + last);
            free = inked + (moved ? 2 : 1);
        }
    }
    return line;
}

void TRpTextExportFilter::EndPage() {
    QByteArray page;
    for (int row = 0; row < std::min(linesPerPage_, kBufferRows); ++row) {
        const QString line = composeLine(rows_.at(row));
        if (line.isEmpty()) continue;
        page += line.toLocal8Bit() + '\n';
    }
    if (file_->write(page) != page.size())
        throw ERpError(QStringLiteral("Cannot write file \"%1\". %2")
                           .arg(fileName_, runtime::inProgramWords(file_->errorString())));
}

void TRpTextExportFilter::Finish() {
    file_->close();
}

const std::vector<TRpExportFilterClass>& exportFilters() {
    static const std::vector<TRpExportFilterClass> filters{
        {QStringLiteral("Text file"), QStringLiteral("TXT"), QStringLiteral("Text export (ASCII) filter"),
         [](const QString& fileName) { return std::make_unique<TRpTextExportFilter>(fileName); }}};
    return filters;
}

QString saveFilterList(bool list) {
    QString entries = kNativeEntry;
    for (const TRpExportFilterClass& filter : exportFilters())
        entries += QStringLiteral("|%1 (*.%2)|*.%2").arg(filter.Name, filter.Extension);
    entries += QLatin1Char('|') + kPdfEntry;
    return list ? entries + QLatin1Char('|') + kListEntries : entries;
}

QString loadFilterList() {
    return QStringLiteral("Report file (*.RPP)|*.RPP");
}

void exportReport(TReport& report, TRpExportFilter& filter) {
    TRpPrinter printer;
    printer.SetDestination(TRpPrinter::Destination::PageImages);
    TRpProgressForm progress(printer);
    if (report.ShowProgress) progress.show();
    report.ConfigurePrinter(printer);
    filter.Start(printer.PaperWidth(), printer.PaperLength(), report.Font());
    // For this run the report's lines go to the filter and nothing is drawn on the page canvas.
    struct Exporting {
        TReport& report;
        Exporting(TReport& exported, TRpExportFilter& to) : report(exported) {
            report.SetExportFilter(&to);
            report.SetOutputToCanvas(false);
        }
        ~Exporting() {
            report.SetExportFilter(nullptr);
            report.SetOutputToCanvas(true);
        }
    } exporting(report, filter);
    report.CreateReportOn(printer);
    filter.Finish();
}

// ---- Native save, PDF, load --------------------------------------------------------------------

// The pages are written beside the target and renamed over it once complete, so the target (which
// may be the very file the pages were loaded from and are still read from) is never lost.
void savePagesNative(TRpPrinter& printer, const QString& fileName) {
    if (printer.GetStatus() != TRpPrinter::Status::Finished || !printer.PageList()) return;
    TRpStream& stream = printer.PageList()->Stream();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !runtime::keepExportPrivate(file))
        throw ERpError(QStringLiteral("Cannot create file \"%1\". %2")
                           .arg(fileName, runtime::inProgramWords(file.errorString())));
    const qint64 position = stream.Position();
    const qint64 size = stream.Size();
    for (qint64 at = 0; at < size; at += kCopyBlock) {
        stream.Seek(at);
        const QByteArray block = stream.Read(std::min(kCopyBlock, size - at));
        if (file.write(block) != block.size()) break;
    }
    stream.Seek(position);
    if (!file.commit())
        throw ERpError(QStringLiteral("Cannot write file \"%1\". %2")
                           .arg(fileName, runtime::inProgramWords(file.errorString())));
}

void savePagesPdf(TRpPrinter& printer, const QString& fileName) {
    if (printer.GetStatus() != TRpPrinter::Status::Finished || printer.PageCount() == 0) return;
    QFile file(fileName);
    if (!runtime::openExport(file))
        throw ERpError(QStringLiteral("Cannot create file \"%1\". %2")
                           .arg(fileName, runtime::inProgramWords(file.errorString())));
    QPdfWriter pdf(&file);
    pdf.setResolution(1200);
    const auto orientation = printer.Settings.Orientation == TRpOrientation::poLandscape
                                 ? QPageLayout::Landscape
                                 : QPageLayout::Portrait;
    const QSizeF portrait = orientation == QPageLayout::Landscape
                                ? QSizeF(printer.PaperLength(), printer.PaperWidth()) / 10
                                : QSizeF(printer.PaperWidth(), printer.PaperLength()) / 10;
    pdf.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Millimeter), orientation, QMarginsF()));
    pdf.setTitle(printer.Title());
    QPainter painter;
    if (!painter.begin(&pdf)) throw ERpError(QStringLiteral("Cannot create file \"%1\"").arg(fileName));
    const RectF sheet(QPointF(0, 0), pdf.pageLayout().fullRectPixels(pdf.resolution()).size());
    for (int n = 1; n <= printer.PageCount(); ++n) {
        if (n > 1) pdf.newPage();
        if (const std::optional<TRpPageImage> page = printer.Page(n)) page->Replay(painter, sheet);
    }
    painter.end();
}

bool loadPagesFile(TRpPrinter& printer, const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return false;
    std::unique_ptr<TRpPageList> pages = TRpPageList::Open(fileName);
    std::optional<QSize> firstPage;
    try {
        for (int n = 1; n <= pages->PageCount(); ++n) {
            const TRpPageImage page = TRpPageImage::Parse(pages->Page(n).value());
            page.CheckReplayable();
            if (n == 1) firstPage = page.Size();
        }
    } catch (const ERpError&) {
        throw ERpError(QStringLiteral("%1 is not a report file").arg(fileName));
    }
    printer.LoadPages(std::move(pages));
    if (firstPage) guessPaper(printer, *firstPage);
    printer.PrintHook = nullptr;
    printer.PrinterSetupHook = nullptr;
    printer.ExportHook = nullptr;
    printer.ListHook = nullptr;
    return true;
}

// ---- The preview's dialogs ---------------------------------------------------------------------

namespace {

// A type the preview's save dialog offers: its entry there, the suffix it gives a file, and the saving.
struct SaveType {
    QString entry;
    QString suffix;
    std::function<void(const QString& fileName)> save;
};

// The offered types in the dialog's order: the native file, each export filter, PDF and, for a list
// report, the list's files.
std::vector<SaveType> saveTypes(TRpPrinter& printer) {
    const bool list = bool(printer.ListHook);
    std::vector<SaveType> types;
    types.push_back(
        {{}, QStringLiteral("RPP"), [&printer](const QString& name) { savePagesNative(printer, name); }});
    for (int k = 1; k <= int(exportFilters().size()); ++k) {
        types.push_back(
            {{}, exportFilters()[std::size_t(k - 1)].Extension, [&printer, k](const QString& name) {
                 if (printer.ExportHook) printer.ExportHook(name, k);
             }});
    }
    types.push_back(
        {{}, QStringLiteral("pdf"), [&printer](const QString& name) { savePagesPdf(printer, name); }});
    if (list) {
        for (const QString& suffix : runtime::tableFileSuffixes())
            types.push_back({{}, suffix, [&printer](const QString& name) { printer.ListHook(name); }});
    }
    const QStringList entries = dialogFilters(saveFilterList(list));
    Q_ASSERT(entries.size() == qsizetype(types.size()));
    for (std::size_t i = 0; i < types.size(); ++i) types[i].entry = entries.value(qsizetype(i));
    return types;
}

}  // namespace

// A name typed without a suffix gets the chosen entry's. A typed suffix of an offered type saves in that
// type, whichever entry is chosen; any other suffix keeps the chosen type and gets its suffix after it.
void saveFromPreview(TRpPrinter& printer, QWidget* window) {
    QFileDialog dialog(window);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const std::vector<SaveType> types = saveTypes(printer);
    QStringList entries;
    for (const SaveType& type : types) entries << type.entry;
    dialog.setNameFilters(entries);
    dialog.setDefaultSuffix(types.front().suffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &types, entries](const QString& entry) {
                         if (const qsizetype i = entries.indexOf(entry); i >= 0)
                             dialog.setDefaultSuffix(types[std::size_t(i)].suffix);
                     });
    if (runtime::execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString fileName = dialog.selectedFiles().constFirst();
    const QString typed = QFileInfo(fileName).suffix();
    const auto named = std::find_if(types.begin(), types.end(), [&typed](const SaveType& type) {
        return typed.compare(type.suffix, Qt::CaseInsensitive) == 0;
    });
    if (named != types.end()) {
        named->save(fileName);
        return;
    }
    const SaveType& chosen =
        types[std::size_t(std::max<qsizetype>(entries.indexOf(dialog.selectedNameFilter()), 0))];
    if (!typed.isEmpty()) fileName += QLatin1Char('.') + chosen.suffix;
    chosen.save(fileName);
}

void loadIntoPreview(TRpPreview& preview) {
    TRpPrinter* printer = preview.Printer();
    if (!printer) return;
    QFileDialog dialog(preview.window());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(dialogFilters(loadFilterList()));
    if (runtime::execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    if (!loadPagesFile(*printer, dialog.selectedFiles().constFirst())) {
        ShowMessage(QStringLiteral("File does not exist"));
        return;
    }
    preview.Refresh();
}
