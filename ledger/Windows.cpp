// What the program's windows and print forms share: descriptions, components by name, name boxes.
#include "ledger/Windows.h"

#include "data/DBTables.h"
#include "runtime/Controls.h"

// Outside any namespace, where Qt's resource initialiser is declared.
static void initLedgerResources() {
    Q_INIT_RESOURCE(ledger);
}

namespace ledger {

std::chrono::year_month_day calendarDay(const QDate& date) {
    return std::chrono::year_month_day{std::chrono::year{date.year()},
                                       std::chrono::month{static_cast<unsigned>(date.month())},
                                       std::chrono::day{static_cast<unsigned>(date.day())}};
}

QDate boxDate(std::chrono::year_month_day day) {
    return QDate(static_cast<int>(day.year()), static_cast<int>(static_cast<unsigned>(day.month())),
                 static_cast<int>(static_cast<unsigned>(day.day())));
}

QString windowDescription(const char* unit) {
    initLedgerResources();
    return QStringLiteral(":/ledger/%1.json").arg(QLatin1String(unit));
}

QStringList memberNames(const char* names) {
    QStringList list = QString::fromLatin1(names).split(QLatin1Char(','));
    for (QString& name : list) name = name.trimmed();
    return list;
}

void fillNameList(TComboBox& names, TQuery& query, const std::vector<std::string>& sql, NameChoice choice) {
    const QString chosen = names.Text();
    names.Items().Clear();
    query.SQL().Assign(sql);
    query.Open();
    for (query.First(); !query.Eof(); query.Next()) names.Items().Add(query.Fields(0)->AsString());
    query.Close();
    const int index = choice == NameChoice::Kept ? names.Items().IndexOf(chosen) : 0;
    names.SetItemIndex(index >= 0 ? index : 0);
}

}  // namespace ledger
