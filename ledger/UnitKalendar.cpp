// The absence calendar window "Kalendar odsustva": the boxes, the grid and its legend, printing and saving.
#include "ledger/UnitKalendar.h"

#include <QHBoxLayout>

#include "data/DBTables.h"
#include "data/DataSetCsv.h"
#include "ledger/AbsenceGrid.h"
#include "ledger/AbsenceLists.h"
#include "ledger/Ledger.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

TfrmKalendar* frmKalendar = nullptr;

namespace {

// The description names the grid, which this window brings.
QString description() {
    ledger::registerCalendarGrid();
    return ledger::windowDescription("UnitKalendar");
}

}  // namespace

TfrmKalendar::TfrmKalendar() : TForm(description()) {
    FIND_COMPONENTS(Query1, Label1, ComboBox1, CheckBox1, Label2, ComboBox2, Label3, ComboBox3, CheckBox2,
                    BitBtn1, BitBtn2, BitBtn3, BitBtn4, Label4, KalendarGrid1, Panel1);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Click, CheckBox1, CheckBox2, BitBtn1, BitBtn2, BitBtn3, BitBtn4);
    KalendarGrid1->OnExport = [this](QObject* sender) { BitBtn3Click(sender); };
    for (const std::string& year : ledger::allYearItems(runtime::today().year()))
        ComboBox3->Items().Add(QString::fromStdString(year));
    const QDate today = runtime::today();
    ComboBox2->SetItemIndex(today.month() - 1);
    ComboBox3->SetText(QString::number(today.year()));
    EnableBoxes();
    FillLegend();
}

// The names are refilled on every activation, keeping the chosen one; the first one shows the month.
void TfrmKalendar::FormActivate(QObject*) {
    ledger::fillNameList(*ComboBox1, *Query1, ledger::nameListSql(), ledger::NameChoice::Kept);
    if (shown_) return;
    shown_ = true;
    BitBtn1Click(this);
}

// Every reason's swatch with its letters and short text, then the weekend's and holiday's shading.
void TfrmKalendar::FillLegend() {
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(4);
    const auto entry = [&](const QString& mark, unsigned color, const QString& caption) {
        auto* swatch = new QLabel(mark, Panel1);
        swatch->setAlignment(Qt::AlignCenter);
        swatch->setFixedSize(fontMetrics().horizontalAdvance(QStringLiteral("OG")) + 8,
                             fontMetrics().height() + 4);
        swatch->setFrameShape(QFrame::Box);
        runtime::setControlColor(swatch, QColor::fromRgb(color));
        swatch->setAccessibleName(caption);
        row->addWidget(swatch);
        auto* label = new QLabel(caption, Panel1);
        label->setMinimumWidth(label->sizeHint().width());
        row->addWidget(label);
        row->addSpacing(6);
    };
    for (const ledger::LegendEntry& legend : ledger::calendarLegend())
        entry(QString::fromUtf8(legend.mark), legend.color, QString::fromUtf8(legend.text));
    row->addStretch();
}

void TfrmKalendar::EnableBoxes() {
    const bool year = CheckBox2->Checked();
    CheckBox1->setEnabled(!year);
    ComboBox1->setEnabled(year || !CheckBox1->Checked());
    ComboBox2->setEnabled(!year);
}

void TfrmKalendar::CheckBox1Click(QObject*) {
    EnableBoxes();
}

void TfrmKalendar::CheckBox2Click(QObject*) {
    EnableBoxes();
}

// "Prikazi": the month of all workers or of the chosen one, or the chosen worker's year.
void TfrmKalendar::BitBtn1Click(QObject*) {
    bool yearValid = false;
    const int year = ComboBox3->Text().trimmed().toInt(&yearValid);
    if (!yearValid || year < 1 || year > 9999) {
        ShowMessage(QStringLiteral("Godina nije ispravna."));
        return;
    }
    const int month = ComboBox2->Items().IndexOf(ComboBox2->Text().trimmed()) + 1;
    const bool wholeYear = CheckBox2->Checked();
    if (!wholeYear && month == 0) {
        ShowMessage(QStringLiteral("Mesec nije ispravan."));
        return;
    }
    const bool allWorkers = !wholeYear && CheckBox1->Checked();
    const QString name = ComboBox1->Text();
    if (!allWorkers && name.isEmpty()) {
        ShowMessage(QStringLiteral("Izaberite radnika."));
        return;
    }
    ledger::AbsenceCalendar calendar;
    try {
        calendar = wholeYear
                       ? ledger::YearAbsences(year, name.toStdString())
                       : ledger::MonthAbsences(year, unsigned(month),
                                               allWorkers ? std::nullopt : std::optional(name.toStdString()));
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Doslo je do greske"));
        return;
    }
    subtitle_ = wholeYear || !allWorkers ? name : QStringLiteral("Svi radnici");
    Label4->SetCaption(calendar.rows.empty() ? QStringLiteral("Nema odsustva u izabranom mesecu.")
                                             : QString());
    KalendarGrid1->SetCalendar(std::move(calendar));
}

// "Stampa": the calendar shown, in the report's preview.
void TfrmKalendar::BitBtn2Click(QObject*) {
    ledger::PreviewAbsences(KalendarGrid1->Calendar(), subtitle_);
}

// "Izvoz CSV" and Ctrl+E in the grid: the absent days shown, into a file the clerk names.
void TfrmKalendar::BitBtn3Click(QObject*) {
    const QString file = data::AskTableFileName(this, QStringLiteral("odsustva.csv"));
    if (file.isEmpty()) return;
    ledger::AbsentDaysTable(KalendarGrid1->Calendar()).SaveAsTable(file);
}

void TfrmKalendar::BitBtn4Click(QObject*) {
    Close();
}
