// Reads a CSV file back as a spreadsheet does (RFC 4180: quoted fields with doubled quotes, CR LF or
// LF line ends), for the tests of the program's CSV files.
#pragma once

#include <QFile>
#include <QStringList>
#include <vector>

struct CsvFile {
    bool wellFormed = false;  // readable UTF-8, every quote closed, nothing after a closing quote
    std::vector<QStringList> rows;
};

inline CsvFile readCsv(const QString& fileName) {
    CsvFile csv;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return csv;
    const QByteArray bytes = file.readAll();
    const QString text = QString::fromUtf8(bytes);
    csv.wellFormed = text.toUtf8() == bytes;
    QStringList row;
    QString field;
    bool quoted = false, closed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (quoted && c == '"' && next == '"') {
            field += c, ++i;
        } else if (quoted) {
            if (c == '"')
                quoted = false, closed = true;
            else
                field += c;
        } else if (c == ',' || c == '\r' || c == '\n') {
            row << field;
            field.clear();
            closed = false;
            if (c == ',') continue;
            if (c == '\r' && next == '\n') ++i;
            csv.rows.push_back(row);
            row.clear();
        } else if (c == '"' && field.isEmpty() && !closed) {
            quoted = true;
        } else {
            csv.wellFormed = csv.wellFormed && !closed;
            field += c;
        }
    }
    csv.wellFormed = csv.wellFormed && !quoted && row.isEmpty() && field.isEmpty();
    return csv;
}
