// The list reports' table of records, saved as CSV or as a workbook.
#include "report/RpData.h"

#include <QDate>
#include <QLocale>

#include "runtime/PrintedDates.h"
#include "runtime/TableFile.h"

void TRpDataTable::AddColumn(const QString& name, const QString& title) {
    columns_.push_back({name, title});
    for (QVariantList& row : rows_) row.append(QVariant());
}

void TRpDataTable::AppendRow(QVariantList values) {
    values.resize(ColumnCount());
    rows_.push_back(std::move(values));
}

int TRpDataTable::ColumnIndex(const QString& name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    }
    return -1;
}

const QVariant& TRpDataTable::Value(int row, int column) const {
    static const QVariant empty;
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return empty;
    return rows_[std::size_t(row)].at(column);
}

QString TRpDataTable::DisplayText(const QVariant& value) {
    if (value.isNull()) return QString();
    const QLocale locale;
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float: {
            QString text = QString::number(value.toDouble(), 'g', 15);
            return text.replace(QLatin1Char('.'), locale.decimalPoint());
        }
        case QMetaType::QDate:
            return runtime::printedDate(value.toDate(), locale);
        default:
            return value.toString();
    }
}

void TRpDataTable::SaveAsTable(const QString& fileName) const {
    const std::unique_ptr<runtime::TTableWriter> table = runtime::tableWriterFor(fileName);
    QVariantList titles;
    for (const Column& column : columns_) titles.append(column.Title);
    table->WriteRow(titles);
    for (const QVariantList& row : rows_) table->WriteRow(row);
    table->Commit();
}
