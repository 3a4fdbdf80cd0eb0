// The records a list report prints: a table of named columns and rows of typed values.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <vector>

// A snapshot of the rows a report walks, so that a preview, its printing and its exports all show the
// same records whatever happens to the dataset they came from. Values are numbers (double), dates
// (QDate), texts (QString), or null for an empty value.
class TRpDataTable {
  public:
    struct Column {
        QString Name;
        QString Title;  // the column's heading in the list and in its CSV file
    };

    void AddColumn(const QString& name, const QString& title);
    // Adds a row; a row shorter than the columns is filled with empty values, a longer one cut.
    void AppendRow(QVariantList values);

    int ColumnCount() const { return int(columns_.size()); }
    const Column& Columns(int index) const { return columns_.at(std::size_t(index)); }
    // The column `name` (letter case ignored), or -1.
    int ColumnIndex(const QString& name) const;
    int RowCount() const { return int(rows_.size()); }
    const QVariant& Value(int row, int column) const;

    // A value as the list shows it: numbers with up to 15 significant digits and the locale's decimal
    // separator, dates in the locale's short format.
    static QString DisplayText(const QVariant& value);

    // Writes the titles and then every row to `fileName`, as CSV or as a workbook by its suffix.
    void SaveAsTable(const QString& fileName) const;

  private:
    std::vector<Column> columns_;
    std::vector<QVariantList> rows_;
};
