// Comma-separated values as spreadsheets and payroll imports read them: the one writer behind every
// list the program saves as CSV, whether from a grid or from a list report.
#pragma once

#include <QSaveFile>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "runtime/TableFile.h"

namespace runtime {

// One field as the file holds it: numbers with a '.' and no grouping (never in exponent form), dates
// as YYYY-MM-DD (a time of day other than midnight after a blank, HH:MM:SS), texts as they are, but a
// text beginning with '=', '+', '-', '@', a tab or a carriage return, which a spreadsheet would take as
// a formula, after an apostrophe and in double quotes. A field holding a comma, a double quote, a line
// break or a leading or trailing blank is enclosed in double quotes, each double quote inside doubled
// (RFC 4180). A null value is an empty field.
QString csvField(const QVariant& value);

// Writes rows to a new file that replaces `fileName` only when Commit succeeds: UTF-8 without a
// byte-order mark, fields separated by commas, every row ended by CR LF, with an export's permissions
// (ExportFiles.h). Failures raise Exception with the file's name and the system's reason.
class TCsvWriter : public TTableWriter {
  public:
    explicit TCsvWriter(const QString& fileName);
    void WriteRow(const QVariantList& values) override;
    void Commit() override;

  private:
    QSaveFile file_;
};

}  // namespace runtime
