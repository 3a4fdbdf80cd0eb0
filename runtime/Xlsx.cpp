// The workbook writer over libxlsxwriter: typed cells, a bold header, fitting columns, and the file
// taking the named one's place only once it is whole, with an export's permissions.
#include "runtime/Xlsx.h"

#include <xlsxwriter.h>

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cmath>

#include "runtime/Csv.h"
#include "runtime/Exception.h"
#include "runtime/ExportFiles.h"
#include "runtime/Language.h"
#include "runtime/PrintedDates.h"

namespace runtime {

namespace {

constexpr qsizetype kWidestColumn = 60;

// The spreadsheet's number format for a date in the locale's short form with a four-digit year: its
// letters are those of Qt's formats, the month in capitals there and in small letters here.
QByteArray sheetDateFormat() {
    return fourDigitYearFormat().replace(QLatin1Char('M'), QLatin1Char('m')).toUtf8();
}

lxw_datetime sheetDateTime(const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    return {date.year(), date.month(),  date.day(),
            time.hour(), time.minute(), time.second() + time.msec() / 1000.0};
}

}  // namespace

TXlsxWriter::TXlsxWriter(const QString& fileName) : fileName_(fileName) {
    // The workbook is written under a name of our own beside the named file, readable by us alone, and
    // copied into the named file on Commit.
    QTemporaryFile partial(QFileInfo(fileName).absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!partial.open())
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(fileName, runtime::inProgramWords(partial.errorString())));
    partial.setAutoRemove(false);
    partial_ = partial.fileName();
    partial.close();
    workbook_ = workbook_new(QFile::encodeName(partial_).constData());
    if (!workbook_) {
        QFile::remove(partial_);
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(fileName));
    }
    sheet_ = workbook_add_worksheet(workbook_, nullptr);
    header_ = workbook_add_format(workbook_);
    format_set_bold(header_);
    date_ = workbook_add_format(workbook_);
    format_set_num_format(date_, sheetDateFormat().constData());
    dateTime_ = workbook_add_format(workbook_);
    format_set_num_format(dateTime_, (sheetDateFormat() + " hh:mm:ss").constData());
}

TXlsxWriter::~TXlsxWriter() {
    if (workbook_) {
        // A workbook never committed is closed only to free it; its file goes.
        workbook_close(workbook_);
    }
    if (!partial_.isEmpty()) QFile::remove(partial_);
}

void TXlsxWriter::WriteRow(const QVariantList& values) {
    for (qsizetype column = 0; column < values.size(); ++column)
        WriteCell(int(column), values.at(column), row_ == 0 ? header_ : nullptr);
    ++row_;
}

void TXlsxWriter::WriteCell(int column, const QVariant& value, lxw_format* textFormat) {
    if (value.isNull()) return;
    lxw_error error = LXW_NO_ERROR;
    QString shown;
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            if (!std::isfinite(value.toDouble())) return;
            error = worksheet_write_number(sheet_, lxw_row_t(row_), lxw_col_t(column), value.toDouble(),
                                           textFormat);
            shown = csvField(value);
            break;
        case QMetaType::QDate: {
            lxw_datetime date = sheetDateTime(QDateTime(value.toDate(), QTime(0, 0)));
            error = worksheet_write_datetime(sheet_, lxw_row_t(row_), lxw_col_t(column), &date, date_);
            shown = printedDate(value.toDate());
            break;
        }
        case QMetaType::QDateTime: {
            const QDateTime moment = value.toDateTime();
            lxw_datetime stamp = sheetDateTime(moment);
            error = worksheet_write_datetime(sheet_, lxw_row_t(row_), lxw_col_t(column), &stamp, dateTime_);
            shown = printedDate(moment.date()) + QLatin1Char(' ') +
                    moment.time().toString(QStringLiteral("HH:mm:ss"));
            break;
        }
        default:
            shown = value.toString();
            if (shown.isEmpty()) return;
            error = worksheet_write_string(sheet_, lxw_row_t(row_), lxw_col_t(column),
                                           shown.toUtf8().constData(), textFormat);
            break;
    }
    if (error != LXW_NO_ERROR) Fail(QString::fromUtf8(lxw_strerror(error)));
    Fit(column, shown.size());
}

void TXlsxWriter::Fit(int column, qsizetype characters) {
    if (qsizetype(widths_.size()) <= column) widths_.resize(std::size_t(column) + 1, 0);
    widths_[std::size_t(column)] =
        std::max(widths_[std::size_t(column)], std::min(characters, kWidestColumn));
}

void TXlsxWriter::Commit() {
    for (std::size_t column = 0; column < widths_.size(); ++column)
        worksheet_set_column(sheet_, lxw_col_t(column), lxw_col_t(column), double(widths_[column]) + 2,
                             nullptr);
    const lxw_error closed = workbook_close(workbook_);
    workbook_ = nullptr;
    if (closed != LXW_NO_ERROR) Fail(QString::fromUtf8(lxw_strerror(closed)));
    publish();
    QFile::remove(partial_);
    partial_.clear();
}

// Copies the written workbook into the named file, which keeps an export's permissions and is replaced
// only once the copy is whole.
void TXlsxWriter::publish() {
    QFile written(partial_);
    if (!written.open(QIODevice::ReadOnly)) Fail(runtime::inProgramWords(written.errorString()));
    QSaveFile target(fileName_);
    if (!target.open(QIODevice::WriteOnly) || !keepExportPrivate(target))
        Fail(runtime::inProgramWords(target.errorString()));
    if (target.write(written.readAll()) < 0 || !target.commit())
        Fail(runtime::inProgramWords(target.errorString()));
}

void TXlsxWriter::Fail(const QString& reason) {
    throw Exception(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName_, reason));
}

}  // namespace runtime
