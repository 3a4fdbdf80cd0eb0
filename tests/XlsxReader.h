// Reads a workbook the program wrote back with a reader of its own (tests/read_xlsx.py, Python's zipfile
// and XML), for the tests of the program's .xlsx files.
#pragma once

#include <QProcess>
#include <QStringList>
#include <vector>

struct XlsxSheet {
    bool read = false;
    std::vector<QStringList> rows;  // cells as KIND:VALUE, see read_xlsx.py
    QStringList widths;
    QStringList dateFormats;
};

inline XlsxSheet readXlsx(const QString& fileName) {
    XlsxSheet sheet;
    QProcess reader;
    reader.start(QStringLiteral("python3"),
                 {QStringLiteral(KOVREL_SOURCE_DIR "/tests/read_xlsx.py"), fileName});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) return sheet;
    for (const QString& line :
         QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        QStringList cells = line.split('\t');
        if (cells.front() == "widths") {
            sheet.widths = cells.mid(1);
        } else if (cells.front() == "dates") {
            sheet.dateFormats = cells.mid(1);
        } else {
            sheet.rows.push_back(cells);
        }
    }
    sheet.read = true;
    return sheet;
}
