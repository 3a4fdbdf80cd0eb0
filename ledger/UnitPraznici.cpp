// The holiday calendar window "Praznici": the chosen year's days, added, removed and filled with the state
// holidays through the table engine, which journals each change.
#include "ledger/UnitPraznici.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "data/DBTables.h"
#include "data/Db.h"
#include "ledger/Holidays.h"
#include "ledger/Ledger.h"
#include "ledger/Unit2.h"
#include "ledger/Windows.h"
#include "runtime/Controls.h"
#include "runtime/Seams.h"

TfrmPraznici* frmPraznici = nullptr;

namespace {

const char* const weekdayNames[] = {"ponedeljak", "utorak", "sreda",  "cetvrtak",
                                    "petak",      "subota", "nedelja"};

// Runs `work` on the program's database, opened for it (after the login on a server) when no window has it.
void onLedger(const std::function<void(engine::DatabaseHandle)>& work) {
    TDatabase* database = Session->OpenDatabase(QString());
    try {
        work(database->Handle());
    } catch (...) {
        Session->CloseDatabase(database);
        throw;
    }
    Session->CloseDatabase(database);
}

}  // namespace

TfrmPraznici::TfrmPraznici() : TForm(ledger::windowDescription("UnitPraznici")) {
    FIND_COMPONENTS(Label1, ComboBox1, StringGrid1, BitBtn2, BitBtn3, BitBtn4, Label2, Edit1, Label3, Edit2,
                    BitBtn1);
    HOOK_FORM_EVENTS(Activate);
    HOOK_EVENTS(Change, ComboBox1);
    HOOK_EVENTS(Click, BitBtn1, BitBtn2, BitBtn3, BitBtn4);
    Edit2->setMaxLength(static_cast<int>(engine::HolidayNameSize));
    const int thisYear = runtime::today().year();
    const std::vector<std::string> years = ledger::allYearItems(thisYear);
    for (const std::string& year : years) ComboBox1->Items().Add(QString::fromStdString(year));
    ComboBox1->SetItemIndex(ComboBox1->Items().IndexOf(QString::number(thisYear)));
}

// The first activation shows the year chosen; every one reads the calendar afresh.
void TfrmPraznici::FormActivate(QObject*) {
    ShowYear();
}

void TfrmPraznici::ComboBox1Change(QObject*) {
    if (ChosenYear()) ShowYear();
}

int TfrmPraznici::ChosenYear() const {
    bool whole = false;
    const int year = ComboBox1->Text().trimmed().toInt(&whole);
    return whole && year >= 1900 && year <= 9999 ? year : 0;
}

void TfrmPraznici::ShowYear() {
    shown_.clear();
    if (const int year = ChosenYear()) {
        onLedger([&](engine::DatabaseHandle db) {
            checkEngine(ledger::readCalendarYear(engine::currentEngine(), db, year, &shown_));
        });
    }
    QList<QStringList> rows;
    for (const ledger::CalendarDay& day : shown_) {
        const QDate date = ledger::boxDate(day.day);
        rows << QStringList{QLocale().toString(date, QLocale::ShortFormat),
                            QString::fromLatin1(weekdayNames[date.dayOfWeek() - 1]),
                            QString::fromStdString(day.name)};
    }
    StringGrid1->SetRows(rows);
}

// "Dodaj dan": the day typed, in the locale's date format, with its name.
void TfrmPraznici::BitBtn1Click(QObject*) {
    if (ledger::SayIfLedgerReadOnly()) return;
    if (Edit1->Text().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral("Upisite datum praznika."));
        Edit1->setFocus();
        return;
    }
    const std::optional<QDate> date = datetime::parseLocaleDate(Edit1->Text().trimmed());
    if (!date || !date->isValid()) {
        ShowMessage(QStringLiteral("'%1' nije datum.").arg(Edit1->Text()));
        Edit1->setFocus();
        return;
    }
    const QString name = Edit2->Text().trimmed();
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("Upisite naziv praznika."));
        Edit2->setFocus();
        return;
    }
    const std::chrono::year_month_day day = ledger::calendarDay(*date);
    bool listed = false;
    onLedger([&](engine::DatabaseHandle db) {
        std::vector<ledger::CalendarDay> there;
        checkEngine(ledger::readCalendar(engine::currentEngine(), db, day, day, &there));
        listed = !there.empty();
        if (!listed)
            checkEngine(ledger::addCalendarDays(engine::currentEngine(), db, {{day, name.toStdString()}}));
    });
    if (listed) {
        ShowMessage(QStringLiteral("Dan %1 je vec u kalendaru.")
                        .arg(QLocale().toString(*date, QLocale::ShortFormat)));
        Edit1->setFocus();
        return;
    }
    Edit1->SetText(QString());
    Edit2->SetText(QString());
    const int index = ComboBox1->Items().IndexOf(QString::number(date->year()));
    if (index >= 0 && date->year() != ChosenYear()) ComboBox1->SetItemIndex(index);
    ShowYear();
    Edit1->setFocus();
}

// "Ukloni dan": the day selected in the grid.
void TfrmPraznici::BitBtn2Click(QObject*) {
    const int row = StringGrid1->Row();
    if (row < 0 || row >= static_cast<int>(shown_.size())) return;
    if (ledger::SayIfLedgerReadOnly()) return;
    const std::chrono::year_month_day day = shown_[static_cast<std::size_t>(row)].day;
    onLedger([&](engine::DatabaseHandle db) {
        checkEngine(ledger::removeCalendarDays(engine::currentEngine(), db, {day}));
    });
    ShowYear();
}

// "Drzavni praznici": the state holidays of the chosen year that the calendar lacks.
void TfrmPraznici::BitBtn3Click(QObject*) {
    const int year = ChosenYear();
    if (!year) {
        ShowMessage(QStringLiteral("'%1' nije godina.").arg(ComboBox1->Text()));
        return;
    }
    if (ledger::SayIfLedgerReadOnly()) return;
    onLedger([&](engine::DatabaseHandle db) {
        checkEngine(ledger::fillStateHolidays(engine::currentEngine(), db, year));
    });
    ShowYear();
}

void TfrmPraznici::BitBtn4Click(QObject*) {
    Close();
}
