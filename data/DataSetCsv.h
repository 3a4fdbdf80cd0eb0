// A dataset's records written as CSV or as an Excel workbook, as the grids save the list they show.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class QWidget;
class TDataSet;
class TField;

namespace data {

// Writes a header row of `titles`, then one row per record of `dataSet` from its first to its last
// with the values of `fields`, as CSV or as a workbook by the file's suffix (runtime::tableWriterFor). A
// pending edit is posted first; afterwards the same record is current again and the controls show it
// as before.
void SaveDataSetAsTable(TDataSet& dataSet, const std::vector<TField*>& fields, const QStringList& titles,
                        const QString& fileName);

// Asks, in the program's save dialog, for the CSV file or workbook to write, offering `suggested` as its
// name (none when empty); the file name, or empty when the clerk cancelled.
QString AskTableFileName(QWidget* parent, const QString& suggested = {});

}  // namespace data
