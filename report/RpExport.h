// Saving and loading stored pages, the export filters (the text export), and writing the stored pages
// as a PDF.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "report/RpPageImage.h"
#include "report/RpPrintable.h"

class QWidget;
class TReport;
class TRpPreview;
class TRpPrinter;

// Receives the text of an export run: started with the page size (0.1 mm) and the report's font,
// told at each page start and end, handed each printed line, finished after the last page.
class TRpExportFilter {
  public:
    virtual ~TRpExportFilter() = default;
    virtual void Start(double pageWidth, double pageLength, const QFont& font) = 0;
    virtual void StartPage() = 0;
    // `y` is the line's top and `x` its anchor on the sheet in 0.1 mm: its left edge, its right edge or
    // its centre, as `alignment` says.
    virtual void TextItem(const QFont& font, const QColor& color, const QString& text, TAlignment alignment,
                          double y, double x) = 0;
    virtual void EndPage() = 0;
    virtual void Finish() = 0;
};

// Writes each page's lines as plain text placed by a character grid of the report font's point size;
// empty rows are left out. A text never cuts another: where two would share columns, the one further
// right moves right. A file that cannot be written raises ERpError.
class TRpTextExportFilter : public TRpExportFilter {
  public:
    static constexpr int kBufferRows = 201;

    explicit TRpTextExportFilter(QString fileName);
    void Start(double pageWidth, double pageLength, const QFont& font) override;
    void StartPage() override;
    void TextItem(const QFont& font, const QColor& color, const QString& text, TAlignment alignment, double y,
                  double x) override;
    void EndPage() override;
    void Finish() override;

  private:
    // A text of a row and where the grid puts it: its column and 1-based position.
    struct Placed {
        double column;
        qsizetype position;
        QString text;
    };
    static QString composeLine(std::vector<Placed> texts);

    QString fileName_;
    std::unique_ptr<class QFile> file_;
    double charWidth_ = 1;
    double charHeight_ = 1;
    int linesPerPage_ = 0;
    std::vector<std::vector<Placed>> rows_;  // the page's texts, by row
};

// A registered export filter class: what the save dialog lists after the native file.
struct TRpExportFilterClass {
    QString Name;
    QString Extension;
    QString Description;
    std::function<std::unique_ptr<TRpExportFilter>(const QString& fileName)> Create;
};
const std::vector<TRpExportFilterClass>& exportFilters();

// "Report file(*.RPP)|*.RPP" followed by each registered filter and the PDF entry, '|'-separated; with
// `list` (a list report's pages) the CSV and the workbook entries last.
QString saveFilterList(bool list = false);
// The open dialog's single entry, "Report file (*.RPP)|*.RPP".
QString loadFilterList();

// Runs `report` for `filter`, which gets every printed line at its exact place, page by page; the
// progress window shows meanwhile when the report's ShowProgress is set.
void exportReport(TReport& report, TRpExportFilter& filter);
// Copies the finished stored-pages stream of `printer` to `fileName`; does nothing while unfinished.
void savePagesNative(TRpPrinter& printer, const QString& fileName);
// Writes the stored pages of `printer` to a PDF of its paper size, one PDF page per stored page.
void savePagesPdf(TRpPrinter& printer, const QString& fileName);
// Replaces the pages of `printer` with the saved file's, checking every page first; a missing file
// gives false. A foreign or damaged file raises ERpError and leaves the printer as it was.
bool loadPagesFile(TRpPrinter& printer, const QString& fileName);

// The preview window's save and load actions: the file dialogs and what the choice does.
void saveFromPreview(TRpPrinter& printer, QWidget* window);
void loadIntoPreview(TRpPreview& preview);
