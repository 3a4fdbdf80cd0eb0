// A list saved for people to open in a spreadsheet: as CSV or as an Excel workbook, by the file's
// suffix. Every list the program offers to save goes through here.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

namespace runtime {

// Receives the rows of one list, the header row of column titles first, and writes them to a new file
// that replaces the named one only when Commit succeeds. Failures raise Exception with the file's name
// and the reason.
class TTableWriter {
  public:
    virtual ~TTableWriter() = default;
    virtual void WriteRow(const QVariantList& values) = 0;
    virtual void Commit() = 0;
};

// The writer for `fileName`: an Excel workbook for a name ending in ".xlsx" (in any letter case),
// CSV otherwise.
std::unique_ptr<TTableWriter> tableWriterFor(const QString& fileName);

// The save dialogs' entries for a list, CSV first, and the suffix each gives a name typed without one.
QStringList tableFileFilters();
QStringList tableFileSuffixes();

}  // namespace runtime
