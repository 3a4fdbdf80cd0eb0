// The rows the crash writer stores: every value of a row follows from its key (RedBroj) and its version
// (Transakcije), so a row that is only partly written, or mixes two versions, shows at once.
#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <variant>

namespace crash {

// One value as the file stores it: a number, a text (dates as YYYY-MM-DD), or empty.
using StoredValue = std::variant<std::monostate, double, QString>;
// In the ledger's column order: KovrelID, RedBroj, Datum, PrezimeIme, Od, Do, Dana, StanjeDana, Razlog,
// Transakcije, Dobijeni, Iskorisceni.
using StoredRow = std::array<StoredValue, 12>;

inline QDate rowDay(qint64 key, int version) {
    return QDate(2024, 1, 1).addDays((key * 7 + version) % 700);
}

inline StoredRow expectedRow(qint64 key, int version) {
    const QDate day = rowDay(key, version);
    return {double(key % 97),
            double(key),
            day.toString(Qt::ISODate),
            QStringLiteral("RADNIK %1 V%2").arg(key).arg(version),
            day.addDays(1).toString(Qt::ISODate),
            day.addDays(1 + version % 20).toString(Qt::ISODate),
            double(1 + version % 20),
            double(key) * 1000 + version + 0.5,
            QStringLiteral("SL.DANI %1").arg(version),
            double(version),
            double(version % 2 ? 1 + version % 20 : 0),
            double(version % 2 ? 0 : 1 + version % 20)};
}

}  // namespace crash
