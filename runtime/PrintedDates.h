// Dates as printed documents, printed lists and workbooks show them: the locale's short date format,
// always with a four-digit year.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace runtime {

// The locale's short date format with its year in four digits ("d.M.yyyy." for Serbian's "d.M.yy.").
QString fourDigitYearFormat(const QLocale& locale = QLocale());
QString printedDate(const QDate& date, const QLocale& locale = QLocale());

}  // namespace runtime
