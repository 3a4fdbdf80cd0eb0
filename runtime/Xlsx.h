// Lists written as Excel workbooks, with typed cells, so that a spreadsheet in any locale reads numbers
// as numbers and dates as dates.
#pragma once

#include <QString>
#include <QVariantList>
#include <vector>

#include "runtime/TableFile.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace runtime {

// One sheet: the first row is the header, in bold; numbers are number cells, dates date cells in the
// locale's short date style with a four-digit year, texts text cells (never formulas), empty values
// blank. Each column is as wide as its longest text. The workbook is written apart and takes the named
// file's place on Commit, with the permissions of every export (ExportFiles.h).
class TXlsxWriter : public TTableWriter {
  public:
    explicit TXlsxWriter(const QString& fileName);
    ~TXlsxWriter() override;
    TXlsxWriter(const TXlsxWriter&) = delete;
    TXlsxWriter& operator=(const TXlsxWriter&) = delete;

    void WriteRow(const QVariantList& values) override;
    void Commit() override;

  private:
    void WriteCell(int column, const QVariant& value, lxw_format* textFormat);
    void Fit(int column, qsizetype characters);
    void publish();
    [[noreturn]] void Fail(const QString& reason);

    QString fileName_;
    QString partial_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* header_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* dateTime_ = nullptr;
    int row_ = 0;
    std::vector<qsizetype> widths_;
};

}  // namespace runtime
