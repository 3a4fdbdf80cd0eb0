// The short date format of the locale with its year widened to four digits.
#include "runtime/PrintedDates.h"

namespace runtime {

QString fourDigitYearFormat(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString widened;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        qsizetype end = i + 1;
        while (!quoted && c == QLatin1Char('y') && end < format.size() && format[end] == c) ++end;
        widened += !quoted && c == QLatin1Char('y') && end - i <= 2 ? QStringLiteral("yyyy")
                                                                    : format.mid(i, end - i);
        i = end;
    }
    return widened;
}

QString printedDate(const QDate& date, const QLocale& locale) {
    return locale.toString(date, fourDigitYearFormat(locale));
}

}  // namespace runtime
