// The absence calendar from the ledger, its printed form and its table of absent days.
#include "ledger/AbsenceLists.h"

#include "data/DBTables.h"
#include "engine/Engine.h"
#include "ledger/Holidays.h"
#include "ledger/UnitLists.h"
#include "ledger/Windows.h"
#include "report/RpReport.h"

namespace ledger {
namespace {

using namespace std::chrono;

// The absences reaching into the days from `first` to `last` and the holiday calendar of those days,
// through one query of their own.
void readAbsences(year_month_day first, year_month_day last, const std::optional<std::string>& worker,
                  std::vector<Absence>* absences, std::vector<CalendarDay>* holidays) {
    TQuery query;
    for (const std::string& line : absencesSql(isoDate(first), isoDate(last), worker))
        query.SQL().Add(QString::fromStdString(line));
    query.Open();
    const TField* name = query.Fields(0);
    const TField* from = query.Fields(1);
    const TField* to = query.Fields(2);
    const TField* razlog = query.Fields(3);
    for (query.First(); !query.Eof(); query.Next()) {
        const QDate od = from->Value().toDate(), doDay = to->Value().toDate();
        if (!od.isValid() || !doDay.isValid()) continue;
        absences->push_back({name->AsString().toStdString(), calendarDay(od), calendarDay(doDay),
                             razlog->AsString().toStdString()});
    }
    checkEngine(readCalendar(engine::currentEngine(), query.Database()->Handle(), first, last, holidays));
}

// A day of the printed calendar: the cell of the record being printed, in its colour and with its
// reason's letters.
class CalendarCellLabel : public TRpLabel {
  public:
    CalendarCellLabel(TReport* owner, const AbsenceCalendar& calendar, std::size_t column)
        : TRpLabel(owner), calendar_(calendar), column_(column) {}

    void Print(double ofsX, double ofsY) override {
        const auto row = std::size_t(ParentReport()->RecordNo());
        if (row >= calendar_.rows.size() || column_ >= calendar_.rows[row].cells.size()) return;
        const CalendarCell& cell = calendar_.rows[row].cells[column_];
        SetCaption(cell.reason ? QString::fromUtf8(absenceReasonMark(*cell.reason)) : QString());
        Color = QColor::fromRgb(cell.color());
        TRpLabel::Print(ofsX, ofsY);
    }

  private:
    const AbsenceCalendar& calendar_;
    std::size_t column_;
};

void frameAll(TRpPrintable& control) {
    control.Frame.DrawTop = control.Frame.DrawBottom = control.Frame.DrawLeft = control.Frame.DrawRight =
        true;
    control.Frame.Width = 0.5;
    control.Frame.Color = QColor(0x80, 0x80, 0x80);
}

// Width of `caption` in `font` on the report's measuring device, 0.1 mm.
double textWidth(const TReport& report, const QFont& font, const QString& caption) {
    return report.MeasureWidth(font, caption) * 254.0 / 96.0;
}

// The legend: a swatch with its letters and the short text of every reason a cell may show, then the
// shadings of weekends and holidays.
void addLegend(TReport& report, TRpBand& band, double width) {
    const QFont font = arial(8);
    constexpr double swatch = 60, gap = 25, top = 40, height = 40;
    double left = 0;
    const auto entry = [&](const QString& mark, unsigned color, const QString& caption) {
        const double captionWidth = textWidth(report, font, caption) + 10;
        if (left + swatch + gap + captionWidth > width) return;
        auto* box = place<TRpLabel>(band, left, top, swatch, height, font, taCenter);
        box->SetCaption(mark);
        box->Color = QColor::fromRgb(color);
        frameAll(*box);
        place<TRpLabel>(band, left + swatch + gap / 2, top, captionWidth, height, font)->SetCaption(caption);
        left += swatch + gap + captionWidth + gap * 2;
    };
    for (const LegendEntry& legend : calendarLegend())
        entry(QString::fromUtf8(legend.mark), legend.color, QString::fromUtf8(legend.text));
}

}  // namespace

AbsenceCalendar MonthAbsences(int year, unsigned month, const std::optional<std::string>& worker) {
    const year_month_day first{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{1}};
    const year_month_day last{
        year_month_day_last{std::chrono::year{year}, month_day_last{std::chrono::month{month}}}};
    std::vector<Absence> absences;
    std::vector<CalendarDay> holidays;
    readAbsences(first, last, worker, &absences, &holidays);
    return monthCalendar(year, month, absences, holidays, worker);
}

AbsenceCalendar YearAbsences(int year, const std::string& worker) {
    const std::chrono::year y{year};
    std::vector<Absence> absences;
    std::vector<CalendarDay> holidays;
    readAbsences(y / January / 1, y / December / 31, worker, &absences, &holidays);
    return yearCalendar(year, worker, absences, holidays);
}

TRpDataTable AbsentDaysTable(const AbsenceCalendar& calendar) {
    TRpDataTable table;
    table.AddColumn(QStringLiteral("prezimeime"), QStringLiteral("Prezime i ime"));
    table.AddColumn(QStringLiteral("datum"), QStringLiteral("Datum"));
    table.AddColumn(QStringLiteral("razlog"), QStringLiteral("Razlog"));
    for (const AbsentDay& day : absentDays(calendar))
        table.AppendRow(
            {QString::fromStdString(day.name), boxDate(day.day), QString::fromStdString(day.razlog)});
    return table;
}

void BuildAbsenceReport(TReport& report, const AbsenceCalendar& calendar, TRpDataTable& rows,
                        const TRpDataTable& days, const QString& subtitle) {
    const double width =
        BuildListPage(report, TRpOrientation::poLandscape, QString::fromUtf8(calendar.title), subtitle);
    report.SetDataSet(&rows);
    report.SetListTable(&days);

    const QFont font = arial(8), bold = arial(8, true);
    double titleWidth = textWidth(report, bold, QString::fromUtf8(calendar.rowTitle));
    for (const CalendarRow& row : calendar.rows)
        titleWidth = std::max(titleWidth, textWidth(report, font, QString::fromUtf8(row.title)));
    const std::size_t columns = calendar.columnTitles.size();
    const double dayWidth = std::min(90.0, (width - std::min(titleWidth + 30, width / 3)) / double(columns));
    const double nameWidth = width - dayWidth * double(columns);

    auto* header = new TRpBand(&report, TRpBandType::ColumnHeader);
    header->setObjectName(QStringLiteral("Zaglavlje"));
    header->Height = 100;
    place<TRpLabel>(*header, 0, 45, nameWidth - 20, 40, bold)
        ->SetCaption(QString::fromUtf8(calendar.rowTitle));
    auto* detail = new TRpBand(&report, TRpBandType::Detail);
    detail->setObjectName(QStringLiteral("Red"));
    detail->Height = 45;
    place<TRpDataLabel>(*detail, 0, 5, nameWidth - 20, 40, font)->DataField = QStringLiteral("naziv");
    for (std::size_t i = 0; i < columns; ++i) {
        const double left = nameWidth + dayWidth * double(i);
        const QStringList title = QString::fromUtf8(calendar.columnTitles[i]).split(QLatin1Char('\n'));
        for (qsizetype line = 0; line < title.size(); ++line)
            place<TRpLabel>(*header, left, 5 + 40 * double(line + 2 - title.size()), dayWidth, 40, bold,
                            taCenter)
                ->SetCaption(title[line]);
        auto* cell = new CalendarCellLabel(&report, calendar, i);
        cell->setParent(detail);
        cell->AutoSize = false;
        cell->SetSizeValues({45, left, 0, dayWidth});
        cell->SetFont(arial(7));
        cell->SetAlignment(taCenter);
        frameAll(*cell);
    }
    rule(*header, 92, width);

    auto* summary = new TRpBand(&report, TRpBandType::Summary);
    summary->setObjectName(QStringLiteral("Legenda"));
    summary->Height = 100;
    addLegend(report, *summary, width);
}

void PreviewAbsences(const AbsenceCalendar& calendar, const QString& subtitle) {
    TRpDataTable rows;
    rows.AddColumn(QStringLiteral("naziv"), QString::fromUtf8(calendar.rowTitle));
    for (const CalendarRow& row : calendar.rows) rows.AppendRow({QString::fromUtf8(row.title)});
    const TRpDataTable days = AbsentDaysTable(calendar);
    TReport report;
    report.setObjectName(QStringLiteral("frmKalendarStampa"));
    BuildAbsenceReport(report, calendar, rows, days, subtitle);
    report.Preview();
}

}  // namespace ledger
