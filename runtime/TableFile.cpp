// Choosing a list's file type by its name.
#include "runtime/TableFile.h"

#include "runtime/Csv.h"
#include "runtime/Xlsx.h"

namespace runtime {

std::unique_ptr<TTableWriter> tableWriterFor(const QString& fileName) {
    if (fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return std::make_unique<TXlsxWriter>(fileName);
    return std::make_unique<TCsvWriter>(fileName);
}

QStringList tableFileFilters() {
    return {QStringLiteral("CSV file (*.csv)"), QStringLiteral("Excel workbook (*.xlsx)")};
}

QStringList tableFileSuffixes() {
    return {QStringLiteral("csv"), QStringLiteral("xlsx")};
}

}  // namespace runtime
