// The report object: page geometry, printer settings, its printable controls, the run that turns
// them into pages, and the preview that shows those pages.
#pragma once

#include <QFlags>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

#include "report/RpPrintable.h"
#include "report/RpPrinter.h"
#include "report/RpUnits.h"

class QWidget;
class TRpBand;
class TRpDataTable;
class TRpExportFilter;
class TRpPreview;

// Page geometry. Values are stored in 0.1 mm in the order of the Index enumeration.
class TRpPage {
  public:
    enum Index { BottomMargin = 0, PageLength, TopMargin, PageWidth, LeftMargin, RightMargin, ColumnSpace };

    std::array<double, 7> Values{127, 2794, 127, 2159, 127, 127, 0};
    bool Ruler = false;

    double Value(Index index) const { return Values[index]; }
    void SetValue(Index index, double value);

    int Columns() const { return columns_; }
    void SetColumns(int columns);  // a value below 1 is ignored
    TRpOrientation Orientation() const { return orientation_; }
    void SetOrientation(TRpOrientation orientation);
    TRpPaperSize PaperSize() const { return paper_; }
    // Takes the width and length of a tabled paper size (swapped in landscape).
    void SetPaperSize(TRpPaperSize paper);

  private:
    void applyPaper();

    int columns_ = 1;
    TRpOrientation orientation_ = TRpOrientation::poPortrait;
    TRpPaperSize paper_ = TRpPaperSize::Letter;
};

struct TReportPrinterSettings {
    int Copies = 1;
    bool Duplex = false;
    int FirstPage = 0;  // 0 = no limit
    int LastPage = 0;
    TRpBin OutputBin = TRpBin::First;
    int PrinterIndex = -1;  // -1 = the default printer
    QString Title;
};

enum class TRpReportOption { FirstPageHeader = 1, LastPageFooter = 2, Compression = 4 };
Q_DECLARE_FLAGS(TRpReportOptions, TRpReportOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRpReportOptions)

class TReport;

// The operations reached from the preview window that the printing module provides: printing,
// printer setup, export, printing stored pages, saving and loading. Until it registers them the
// corresponding buttons do nothing.
struct TRpReportOperations {
    std::function<void(TReport& report)> Print;
    std::function<void(TReport& report)> PrinterSetup;
    std::function<void(TReport& report, const QString& fileName, int filterIndex)> Export;
    std::function<void(TRpPrinter& printer)> PrintStoredPages;
    std::function<void(TRpPrinter& printer, QWidget* window)> Save;
    std::function<void(TRpPreview& preview)> Load;
};
void setReportOperations(TRpReportOperations operations);
const TRpReportOperations& reportOperations();

// A page-shaped print form. Its direct printable children print once at the end of every page, in
// child order, at their stored positions measured from the paper's top-left corner. A report with
// bands is a list: bound to a table of records, it prints its detail band once per record down the
// pages between the page margins, beginning a new page when the next band does not fit (see
// TRpBandType). A run moves it from Available to busy and back; the printer of a run is set by the
// operation that runs it.
class TReport : public QObject {
    Q_OBJECT
  public:
    explicit TReport(QObject* parent = nullptr);
    ~TReport() override;

    TRpPage& Page() { return page_; }
    const TRpPage& Page() const { return page_; }
    TReportPrinterSettings PrinterSettings;
    TRpReportOptions Options{TRpReportOption::FirstPageHeader, TRpReportOption::LastPageFooter};
    bool PrintIfEmpty = false;
    TRpFrame Frame;
    QString ReportTitle;
    bool ShowProgress = true;
    QStringList Description;
    int Tag = 0;

    TRpUnits Units() const { return units_; }
    void SetUnits(TRpUnits units) { units_ = units; }
    int Zoom() const { return zoom_; }
    void SetZoom(int zoom);  // accepted only in 1..300
    QFont Font() const { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    QColor FontColor = Qt::black;

    // Conversions between stored lengths and the report's current unit.
    TRpUnitContext UnitContext() const;
    double ToUnits(double native, TRpAxis axis) const;
    double FromUnits(double value, TRpAxis axis) const;

    // Width of `text` on the report's 96 pixels-per-inch measuring device, pixels.
    int MeasureWidth(const QFont& font, const QString& text) const;
    int MeasureHeight(const QFont& font, const QString& text) const;

    std::vector<TRpPrintable*> Printables() const;
    std::vector<TRpBand*> Bands() const;
    // The records the bands print; the table must outlive every run of the report.
    TRpDataTable* DataSet() const { return dataSet_; }
    void SetDataSet(TRpDataTable* table) { dataSet_ = table; }
    // The records the preview saves as a list (CSV or workbook): the data set, unless another table is
    // set here; it must outlive the preview.
    const TRpDataTable* ListTable() const { return listTable_ ? listTable_ : dataSet_; }
    void SetListTable(const TRpDataTable* table) { listTable_ = table; }

    // Events; BeforePrint may clear `print` to veto the run.
    std::function<void(TReport& report, bool& print)> BeforePrint;
    std::function<void(TReport& report)> OnStartPage;
    std::function<void(TReport& report)> OnEndPage;
    std::function<void(TReport& report)> AfterPrint;
    std::function<void(TReport& report)> AfterPreview;
    // Replaces the standard preview window; it attaches the printer to its own preview control.
    std::function<void(TReport& report, TRpPrinter& printer)> OnPreview;

    bool Available() const { return available_; }
    int PageNumber() const { return pageNumber_; }
    // The pages the current run makes, known before its first page is drawn: the bands' heights are
    // fixed, so a first pass lays the records out without drawing and counts the pages.
    int PageCount() const { return pageCount_; }
    // The record the detail band prints (0-based) and how many records have been printed so far.
    int RecordNo() const { return recordNo_; }
    int DetailNo() const { return detailNo_; }
    int CurrentColumn() const { return column_; }
    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    bool OutputToCanvas() const { return outputToCanvas_; }
    void SetOutputToCanvas(bool on) { outputToCanvas_ = on; }
    // While a filter is set, a run exports through it: only the first page is begun on the printer,
    // each page start and end is told to the filter, the printed lines go to it instead of the page
    // canvas, and the document is aborted at the end rather than ended.
    TRpExportFilter* ExportFilter() const { return exportFilter_; }
    void SetExportFilter(TRpExportFilter* filter) { exportFilter_ = filter; }
    TRpPrinter* Printer() const { return printer_; }
    void SetPrinter(TRpPrinter* printer) { printer_ = printer; }

    // Applies the report's printer settings, paper and title to `printer` as the printer accepts them.
    void ConfigurePrinter(TRpPrinter& printer) const;
    // Generates the report into the current printer. A composite run adds its pages to a document
    // already open on that printer instead of beginning and ending one.
    void CreateReport(bool composite = false);
    // Generates the report into `printer` for this run only: the report's own printer is back in place
    // afterwards, also when the run fails.
    void CreateReportOn(TRpPrinter& printer);
    // Generates the pages into page images and shows them; returns when the preview is closed.
    // While this report's preview is open a second call returns at once.
    void Preview();

  private:
    void NewPage();
    void EndPage();
    // Prints the bands from page 1 on, which has begun; with `draw` false only counts the pages.
    // Answers the page count.
    int LayBands(bool draw);
    void applyMeasurementDefaults();

    TRpPage page_;
    TRpUnits units_ = TRpUnits::Inches;
    int zoom_ = 100;
    QFont font_;
    QImage measure_;
    bool available_ = true;
    bool previewOpen_ = false;
    bool finalPage_ = false;
    bool outputToCanvas_ = true;
    int pageNumber_ = 0;
    int pageCount_ = 0;
    int recordNo_ = 0;
    int detailNo_ = 0;
    int column_ = 1;
    double currentX_ = 0;
    double currentY_ = 0;
    double pageFooterHeight_ = 0;
    TRpPrinter* printer_ = nullptr;
    TRpExportFilter* exportFilter_ = nullptr;
    TRpDataTable* dataSet_ = nullptr;
    const TRpDataTable* listTable_ = nullptr;
};
