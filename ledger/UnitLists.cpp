// The printed lists: their records from the ledger and their layout as list reports.
#include "ledger/UnitLists.h"

#include <QLocale>
#include <functional>

#include "data/DBTables.h"
#include "ledger/Ledger.h"
#include "report/RpBand.h"
#include "report/RpReport.h"
#include "runtime/PrintedDates.h"

namespace ledger {

namespace {

enum class Summary { None, Total, Last };
enum class ColumnKind { Text, Number, Date };

// A column of a printed list: the table's field, its heading, its designed width in 0.1 mm, what it
// holds, and what the summary shows under it.
struct ListColumn {
    const char* field;
    const char* title;
    double width;
    ColumnKind kind;
    Summary summary = Summary::None;
};

// The room between neighbouring columns, 0.1 mm.
constexpr double kColumnGap = 20;
const QString kPrintedOn = QStringLiteral("Datum stampe: ");

struct ListLayout {
    const char* title;
    const char* summaryCaption;
    std::vector<ListColumn> columns;
};

const ListLayout& layoutOf(ListKind kind) {
    static const ListLayout balance{"Stanje slobodnih dana",
                                    "Ukupno:",
                                    {{"prezimeime", "Prezime i ime", 900, ColumnKind::Text},
                                     {"stanje", "Stanje dana", 300, ColumnKind::Number, Summary::Total}}};
    static const ListLayout annualLeave{"Godisnji odmor",
                                        "Ukupno:",
                                        {{"prezimeime", "Prezime i ime", 700, ColumnKind::Text},
                                         {"razlog", "Razlog", 700, ColumnKind::Text},
                                         {"stanje", "Dana", 250, ColumnKind::Number, Summary::Total}}};
    static const ListLayout statement{"Kartica radnika",
                                      "Stanje:",
                                      {{"Datum", "Datum", 190, ColumnKind::Date},
                                       {"Razlog", "Razlog", 470, ColumnKind::Text},
                                       {"Od", "Od", 190, ColumnKind::Date},
                                       {"Do", "Do", 190, ColumnKind::Date},
                                       {"Dobijeni", "Dobijeni", 180, ColumnKind::Number},
                                       {"Iskorisceni", "Iskorisceni", 230, ColumnKind::Number},
                                       {"Stanje", "Stanje", 170, ColumnKind::Number, Summary::Last},
                                       {"Napomena", "Napomena", 200, ColumnKind::Text}}};
    switch (kind) {
        case ListKind::Balance:
            return balance;
        case ListKind::AnnualLeave:
            return annualLeave;
        case ListKind::Statement:
            break;
    }
    return statement;
}

TRpDataTable tableOf(ListKind kind) {
    TRpDataTable table;
    for (const ListColumn& column : layoutOf(kind).columns)
        table.AddColumn(QString::fromLatin1(column.field), QString::fromLatin1(column.title));
    return table;
}

// The rows of a query, one value per column of the list, read by the column's field name.
TRpDataTable queryList(ListKind kind, const SqlLines& lines) {
    TRpDataTable table = tableOf(kind);
    forEachRow(lines, [&](const TQuery& query) {
        QVariantList values;
        for (int i = 0; i < table.ColumnCount(); ++i)
            values.append(query.FieldByName(table.Columns(i).Name)->Value());
        table.AppendRow(values);
    });
    return table;
}

// The columns' widths, 0.1 mm: as designed, but a date column at least as wide as every date printed in
// `font` takes, with the room between columns; what the page then lacks, the widest text column gives.
std::vector<double> columnWidths(const TReport& report, const ListLayout& layout, const QFont& font) {
    const double dateWidth = dateLabelWidth(report, font) + kColumnGap;
    std::vector<double> widths;
    double total = 0;
    std::size_t widestText = 0;
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const ListColumn& column = layout.columns[i];
        widths.push_back(column.kind == ColumnKind::Date ? std::max(column.width, dateWidth) : column.width);
        total += widths.back();
        if (column.kind == ColumnKind::Text && column.width > layout.columns[widestText].width)
            widestText = i;
    }
    const double lacking = total - bodyWidth(report);
    if (lacking > 0) widths[widestText] = std::max(widths[widestText] - lacking, kColumnGap);
    return widths;
}

}  // namespace

void forEachRow(const SqlLines& lines, const std::function<void(const TQuery&)>& take) {
    TQuery query;
    for (const std::string& line : lines) query.SQL().Add(QString::fromStdString(line));
    query.Open();
    for (query.First(); !query.Eof(); query.Next()) take(query);
}

QFont arial(int points, bool bold) {
    QFont font(QStringLiteral("Arial"), points);
    font.setBold(bold);
    return font;
}

void rule(TRpBand& band, double top, double width) {
    auto* line = band.Add<TRpShape>();
    line->Shape = TRpShapeType::rpsHorLine;
    line->SetSizeValues({10, 0, top, width});
}

double bodyWidth(const TReport& report) {
    const TRpPage& page = report.Page();
    return page.Value(TRpPage::PageWidth) - page.Value(TRpPage::LeftMargin) -
           page.Value(TRpPage::RightMargin);
}

double BuildListPage(TReport& report, TRpOrientation orientation, const QString& title,
                     const QString& subtitle) {
    report.SetUnits(TRpUnits::MM);
    report.Page().SetOrientation(orientation);
    report.Page().SetPaperSize(TRpPaperSize::A4);
    for (auto index : {TRpPage::BottomMargin, TRpPage::TopMargin, TRpPage::LeftMargin, TRpPage::RightMargin})
        report.Page().Values[index] = 100;
    report.SetFont(arial(10));
    report.ReportTitle = title;
    const double width = bodyWidth(report);

    auto* band = new TRpBand(&report, TRpBandType::Title);
    band->setObjectName(QStringLiteral("Naslov"));
    band->Height = 230;
    place<TRpLabel>(*band, 0, 0, width, 80, arial(14, true))->SetCaption(title);
    const double printedWidth = std::max(600.0, dateLabelWidth(report, arial(9), [](const QDate& day) {
                                             return kPrintedOn + runtime::printedDate(day);
                                         }));
    place<TRpLabel>(*band, 0, 100, width - printedWidth, 55, arial(10))->SetCaption(subtitle);
    auto* printed =
        place<TRpSysData>(*band, width - printedWidth, 100, printedWidth, 55, arial(9), taRightJustify);
    printed->Data = TRpSysDataKind::rpsDate;
    printed->Text = kPrintedOn;

    auto* footer = new TRpBand(&report, TRpBandType::PageFooter);
    footer->setObjectName(QStringLiteral("Podnozje"));
    footer->Height = 60;
    auto* pages = place<TRpSysData>(*footer, 0, 15, width, 45, arial(8), taCenter);
    pages->Data = TRpSysDataKind::rpsPageOfPages;
    pages->Text = QStringLiteral("Strana %1 od %2");
    return width;
}

TRpDataTable BalanceList(bool allWorkers, const QString& name) {
    return queryList(ListKind::Balance,
                     allWorkers ? balanceReportAllSql() : balanceReportOneSql(name.toStdString()));
}

TRpDataTable AnnualLeaveList(bool allWorkers, const QString& name, const QString& year) {
    return queryList(ListKind::AnnualLeave,
                     allWorkers ? annualLeaveReportAllSql(year.toStdString())
                                : annualLeaveReportOneSql(name.toStdString(), year.toStdString()));
}

// A row belongs to the statement when its date (the row's own, else the first day of its period) is
// not after `asOf`; a row without either, such as the carry-over, always does.
TRpDataTable Statement(const QString& name, const QDate& asOf) {
    TRpDataTable table = tableOf(ListKind::Statement);
    double balance = 0;
    forEachRow(workerRowsSql(name.toStdString()), [&](const TQuery& query) {
        const QVariant datum = query.FieldByName(QStringLiteral("Datum"))->Value();
        const QVariant od = query.FieldByName(QStringLiteral("Od"))->Value();
        const QDate day = datum.isNull() ? od.toDate() : datum.toDate();
        if (day.isValid() && day > asOf) return;
        const TField* reason = query.FieldByName(QStringLiteral("Razlog"));
        const QString razlog = reason->AsString();
        const TField* granted = query.FieldByName(QStringLiteral("Dobijeni"));
        const TField* used = query.FieldByName(QStringLiteral("Iskorisceni"));
        // As in the register's balance, whose SQL leaves out a row without a reason.
        const bool counts = !reason->IsNull() && countsInBalance(razlog.toStdString());
        if (counts) balance += granted->AsFloat() - used->AsFloat();
        table.AppendRow({datum, razlog, od, query.FieldByName(QStringLiteral("Do"))->Value(),
                         granted->Value(), used->Value(), balance,
                         counts ? QVariant() : QVariant(QStringLiteral("van stanja"))});
    });
    return table;
}

void BuildList(TReport& report, ListKind kind, TRpDataTable& rows, const QString& subtitle) {
    const ListLayout& layout = layoutOf(kind);
    const double width =
        BuildListPage(report, TRpOrientation::poPortrait, QString::fromLatin1(layout.title), subtitle);
    report.SetDataSet(&rows);

    auto* header = new TRpBand(&report, TRpBandType::ColumnHeader);
    header->setObjectName(QStringLiteral("Zaglavlje"));
    header->Height = 80;
    auto* detail = new TRpBand(&report, TRpBandType::Detail);
    detail->setObjectName(QStringLiteral("Red"));
    detail->Height = 50;
    auto* summary = new TRpBand(&report, TRpBandType::Summary);
    summary->setObjectName(QStringLiteral("Ukupno"));
    summary->Height = 90;
    rule(*summary, 0, width);
    const std::vector<double> widths = columnWidths(report, layout, arial(9));
    place<TRpLabel>(*summary, 0, 25, widths.front(), 50, arial(9, true))
        ->SetCaption(QString::fromLatin1(layout.summaryCaption));

    double left = 0;
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const ListColumn& column = layout.columns[i];
        const TAlignment alignment = column.kind == ColumnKind::Number ? taRightJustify : taLeftJustify;
        const double inner = widths[i] - kColumnGap;
        place<TRpLabel>(*header, left, 10, inner, 50, arial(9, true), alignment)
            ->SetCaption(QString::fromLatin1(column.title));
        place<TRpDataLabel>(*detail, left, 0, inner, 45, arial(9), alignment)->DataField =
            QString::fromLatin1(column.field);
        if (column.summary != Summary::None) {
            auto* total = place<TRpDataLabel>(*summary, left, 25, inner, 50, arial(9, true), alignment);
            total->DataField = QString::fromLatin1(column.field);
            total->Total = column.summary == Summary::Total;
        }
        left += widths[i];
    }
    rule(*header, 65, width);
}

void PreviewList(ListKind kind, TRpDataTable& rows, const QString& subtitle) {
    TReport report;
    report.setObjectName(QStringLiteral("frmLista"));
    BuildList(report, kind, rows, subtitle);
    report.Preview();
}

}  // namespace ledger
