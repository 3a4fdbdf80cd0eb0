// The CSV writer: field quoting, the plain forms of numbers and dates, and the file.
#include "runtime/Csv.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cmath>

#include "runtime/Exception.h"
#include "runtime/ExportFiles.h"
#include "runtime/Language.h"

namespace runtime {

namespace {

QString plainNumber(double value) {
    if (!std::isfinite(value)) return QString();
    // The C locale has no group separator; 'f' with the shortest precision never uses an exponent.
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

QString plainDateTime(const QDateTime& moment) {
    const QString date = moment.date().toString(Qt::ISODate);
    if (moment.time() == QTime(0, 0)) return date;
    return date + QLatin1Char(' ') + moment.time().toString(QStringLiteral("HH:mm:ss"));
}

bool needsQuotes(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    }
    return text.front().isSpace() || text.back().isSpace();
}

// A spreadsheet takes a cell beginning with one of these as a formula (a worker named
// =HYPERLINK(...) would be a link), so such a text is kept a text by a leading apostrophe.
bool readsAsFormula(const QString& text) {
    if (text.isEmpty()) return false;
    switch (text.front().unicode()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            return true;
        default:
            return false;
    }
}

}  // namespace

QString csvField(const QVariant& value) {
    if (value.isNull()) return QString();
    QString text;
    bool guarded = false;
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            text = plainNumber(value.toDouble());
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            text = QString::number(value.toLongLong());
            break;
        case QMetaType::QDate:
            text = value.toDate().toString(Qt::ISODate);
            break;
        case QMetaType::QDateTime:
            text = plainDateTime(value.toDateTime());
            break;
        default:
            text = value.toString();
            guarded = readsAsFormula(text);
            if (guarded) text.prepend(QLatin1Char('\''));
            break;
    }
    if (!guarded && !needsQuotes(text)) return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

TCsvWriter::TCsvWriter(const QString& fileName) : file_(fileName) {
    if (!file_.open(QIODevice::WriteOnly) || !keepExportPrivate(file_))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(fileName, runtime::inProgramWords(file_.errorString())));
}

void TCsvWriter::WriteRow(const QVariantList& values) {
    QString line;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) line += QLatin1Char(',');
        line += csvField(values.at(i));
    }
    line += QLatin1String("\r\n");
    const QByteArray bytes = line.toUtf8();
    if (file_.write(bytes) != bytes.size()) {
        file_.cancelWriting();
        throw Exception(QStringLiteral("Cannot write file \"%1\". %2")
                            .arg(file_.fileName(), runtime::inProgramWords(file_.errorString())));
    }
}

void TCsvWriter::Commit() {
    if (!file_.commit())
        throw Exception(QStringLiteral("Cannot write file \"%1\". %2")
                            .arg(file_.fileName(), runtime::inProgramWords(file_.errorString())));
}

}  // namespace runtime
