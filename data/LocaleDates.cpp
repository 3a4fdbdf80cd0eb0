// Reading a date as a person types it in the forms of the locale's short and long date formats.
#include <QLocale>
#include <vector>

#include "data/Db.h"
#include "runtime/Seams.h"

namespace {

// One part of a date format: a run of one pattern letter, or literal text (quoted text included).
struct FormatPart {
    QString text;
    bool pattern;
};

std::vector<FormatPart> formatParts(const QString& format) {
    std::vector<FormatPart> parts;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype end = i + 1;
        if (c == QLatin1Char('\'')) {
            end = format.indexOf(QLatin1Char('\''), i + 1);
            end = end < 0 ? format.size() : end + 1;
        } else if (c.isLetter()) {
            while (end < format.size() && format[end] == c) ++end;
        } else {
            while (end < format.size() && !format[end].isLetter() && format[end] != QLatin1Char('\'')) ++end;
        }
        parts.push_back({format.mid(i, end - i), c.isLetter()});
        i = end;
    }
    return parts;
}

// A format of the locale made tolerant: the day and month in one or two digits, the year in four, with
// the place of the year among the format's numbers. A weekday name may be left out, with the literal
// text that parts it from the date.
struct TolerantFormat {
    QStringList forms;
    int yearNumber = -1;
    int numbers = 0;
};

TolerantFormat tolerant(const QString& format) {
    TolerantFormat made;
    const std::vector<FormatPart> parts = formatParts(format);
    std::vector<QString> written;
    qsizetype weekday = -1;
    for (const FormatPart& part : parts) {
        const QChar letter = part.text.front();
        const bool numeric = part.pattern && part.text.size() <= 2 &&
                             (letter == QLatin1Char('d') || letter == QLatin1Char('M'));
        if (numeric) {
            written.push_back(letter);
            ++made.numbers;
        } else if (part.pattern && letter == QLatin1Char('y')) {
            written.push_back(QStringLiteral("yyyy"));
            made.yearNumber = made.numbers++;
        } else {
            if (part.pattern && letter == QLatin1Char('d')) weekday = qsizetype(written.size());
            written.push_back(part.text);
        }
    }
    made.forms << QStringList(written.begin(), written.end()).join(QString());
    if (weekday >= 0) {
        const qsizetype parting = weekday == 0 ? 1 : weekday - 1;
        const bool literal = parting < qsizetype(parts.size()) && !parts[std::size_t(parting)].pattern;
        QString without;
        for (qsizetype i = 0; i < qsizetype(written.size()); ++i)
            if (i != weekday && !(literal && i == parting)) without += written[std::size_t(i)];
        made.forms << without.trimmed();
    }
    return made;
}

// `text` with a two-digit year written in four digits: the year lies within the fifty years before
// and the forty-nine after this year. Empty when the text's numbers do not match the format's.
QString withFourDigitYear(const QString& text, const TolerantFormat& format) {
    int number = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (!text[i].isDigit()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text[end].isDigit()) ++end;
        if (number++ == format.yearNumber) {
            if (end - i != 2) return QString();
            const int thisYear = runtime::today().year();
            int year = thisYear / 100 * 100 + text.mid(i, 2).toInt();
            if (year > thisYear + 49) year -= 100;
            if (year < thisYear - 50) year += 100;
            QString expanded = text;
            expanded.replace(i, 2, QString::number(year));
            return expanded;
        }
        i = end;
    }
    return QString();
}

}  // namespace

namespace datetime {

std::optional<QDate> parseLocaleDate(const QString& text) {
    const QLocale locale;
    const QString trimmed = text.trimmed();
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const TolerantFormat format = tolerant(locale.dateFormat(type));
        if (format.yearNumber < 0) continue;
        const QString fourDigits = withFourDigitYear(trimmed, format);
        for (const QString& base : format.forms) {
            // With and without a closing dot ("4.3.2024." and "4.3.2024"), where the locale writes dots.
            QStringList forms{base};
            if (base.endsWith(QLatin1Char('.')))
                forms << base.chopped(1);
            else if (base.contains(QLatin1Char('.')))
                forms << base + QLatin1Char('.');
            for (const QString& form : forms) {
                for (const QString& candidate : {trimmed, fourDigits}) {
                    if (candidate.isEmpty()) continue;
                    const QDate date = locale.toDate(candidate, form);
                    if (date.isValid()) return date;
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace datetime
