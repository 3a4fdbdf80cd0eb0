// The printed lists: their records from the ledger and their layout as list reports.
#include "ledger/UnitLists.h"

#include <QLocale>
#include <functional>

#include "data/DBTables.h"
#include "ledger/Ledger.h"
#include "report/RpBand.h"
#include "report/RpReport.h"

namespace ledger {

namespace {

enum class Summary { None, Total, Last };

// A column of a printed list: the table's field, its heading, its width in 0.1 mm, and what the
// summary shows under it.
struct ListColumn {
    const char* field;
    const char* title;
    double width;
    bool number;
    Summary summary = Summary::None;
};

struct ListLayout {
    const char* title;
    const char* summaryCaption;
    std::vector<ListColumn> columns;
};

const ListLayout& layoutOf(ListKind kind) {
    static const ListLayout balance{
        "Stanje slobodnih dana",
        "Ukupno:",
        {{"prezimeime", "Prezime i ime", 900, false}, {"stanje", "Stanje dana", 300, true, Summary::Total}}};
    static const ListLayout annualLeave{"Godisnji odmor",
                                        "Ukupno:",
                                        {{"prezimeime", "Prezime i ime", 700, false},
                                         {"razlog", "Razlog", 700, false},
                                         {"stanje", "Dana", 250, true, Summary::Total}}};
    static const ListLayout statement{"Kartica radnika",
                                      "Stanje:",
                                      {{"Datum", "Datum", 220, false},
                                       {"Razlog", "Razlog", 410, false},
                                       {"Od", "Od", 220, false},
                                       {"Do", "Do", 220, false},
                                       {"Dobijeni", "Dobijeni", 180, true},
                                       {"Iskorisceni", "Iskorisceni", 230, true},
                                       {"Stanje", "Stanje", 170, true, Summary::Last},
                                       {"Napomena", "Napomena", 200, false}}};
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

// Runs the catalogue's text `lines` on a read-only query of its own and hands each row to `take`.
void forEachRow(const SqlLines& lines, const std::function<void(const TQuery&)>& take) {
    TQuery query;
    for (const std::string& line : lines) query.SQL().Add(QString::fromStdString(line));
    query.Open();
    for (query.First(); !query.Eof(); query.Next()) take(query);
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

QFont arial(int points, bool bold = false) {
    QFont font(QStringLiteral("Arial"), points);
    font.setBold(bold);
    return font;
}

template <class T>
T* place(TRpBand& band, double left, double top, double width, double height, const QFont& font,
         TAlignment alignment = taLeftJustify) {
    T* control = band.Add<T>();
    control->AutoSize = false;
    control->SetSizeValues({height, left, top, width});
    control->SetFont(font);
    control->SetAlignment(alignment);
    return control;
}

void rule(TRpBand& band, double top, double width) {
    auto* line = band.Add<TRpShape>();
    line->Shape = TRpShapeType::rpsHorLine;
    line->SetSizeValues({10, 0, top, width});
}

// The printable width of the page, 0.1 mm.
double bodyWidth(const TReport& report) {
    const TRpPage& page = report.Page();
    return page.Value(TRpPage::PageWidth) - page.Value(TRpPage::LeftMargin) -
           page.Value(TRpPage::RightMargin);
}

}  // namespace

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
    report.SetUnits(TRpUnits::MM);
    report.Page().SetOrientation(TRpOrientation::poPortrait);
    report.Page().SetPaperSize(TRpPaperSize::A4);
    for (auto index : {TRpPage::BottomMargin, TRpPage::TopMargin, TRpPage::LeftMargin, TRpPage::RightMargin})
        report.Page().Values[index] = 100;
    report.SetFont(arial(10));
    report.ReportTitle = QString::fromLatin1(layout.title);
    report.SetDataSet(&rows);
    const double width = bodyWidth(report);

    auto* title = new TRpBand(&report, TRpBandType::Title);
    title->setObjectName(QStringLiteral("Naslov"));
    title->Height = 230;
    place<TRpLabel>(*title, 0, 0, width, 80, arial(14, true))->SetCaption(report.ReportTitle);
    place<TRpLabel>(*title, 0, 100, width - 600, 55, arial(10))->SetCaption(subtitle);
    auto* printed = place<TRpSysData>(*title, width - 600, 100, 600, 55, arial(9), taRightJustify);
    printed->Data = TRpSysDataKind::rpsDate;
    printed->Text = QStringLiteral("Datum stampe: ");

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
    place<TRpLabel>(*summary, 0, 25, layout.columns.front().width, 50, arial(9, true))
        ->SetCaption(QString::fromLatin1(layout.summaryCaption));

    double left = 0;
    for (const ListColumn& column : layout.columns) {
        const TAlignment alignment = column.number ? taRightJustify : taLeftJustify;
        // A little room between neighbouring columns.
        const double inner = column.width - 20;
        place<TRpLabel>(*header, left, 10, inner, 50, arial(9, true), alignment)
            ->SetCaption(QString::fromLatin1(column.title));
        place<TRpDataLabel>(*detail, left, 0, inner, 45, arial(9), alignment)->DataField =
            QString::fromLatin1(column.field);
        if (column.summary != Summary::None) {
            auto* total = place<TRpDataLabel>(*summary, left, 25, inner, 50, arial(9, true), alignment);
            total->DataField = QString::fromLatin1(column.field);
            total->Total = column.summary == Summary::Total;
        }
        left += column.width;
    }
    rule(*header, 65, width);

    auto* footer = new TRpBand(&report, TRpBandType::PageFooter);
    footer->setObjectName(QStringLiteral("Podnozje"));
    footer->Height = 60;
    auto* pages = place<TRpSysData>(*footer, 0, 15, width, 45, arial(8), taCenter);
    pages->Data = TRpSysDataKind::rpsPageOfPages;
    pages->Text = QStringLiteral("Strana %1 od %2");
}

void PreviewList(ListKind kind, TRpDataTable& rows, const QString& subtitle) {
    TReport report;
    report.setObjectName(QStringLiteral("frmLista"));
    BuildList(report, kind, rows, subtitle);
    report.Preview();
}

}  // namespace ledger
