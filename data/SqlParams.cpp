// The scan of a query's SQL text for its named parameters.
#include "data/SqlParams.h"

ScannedSql scanParams(const QString& text) {
    ScannedSql scanned;
    static const QString terminators = QStringLiteral("\n\r ),;");
    QString piece;
    QChar literal;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!literal.isNull()) {
            piece += c;
            if (c == literal) literal = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            literal = c;
            piece += c;
            continue;
        }
        if (c != QLatin1Char(':')) {
            piece += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char(':')) {
            piece += c;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && !terminators.contains(text[end])) ++end;
        QString name = text.mid(i + 1, end - i - 1);
        if (name.size() >= 2 && (name.front() == QLatin1Char('"') || name.front() == QLatin1Char('\'')) &&
            name.back() == name.front()) {
            name = name.mid(1, name.size() - 2);
        }
        if (name.isEmpty()) {
            piece += c;
            continue;
        }
        scanned.pieces.push_back(piece);
        piece.clear();
        scanned.names.push_back(name);
        i = end - 1;
    }
    scanned.pieces.push_back(piece);
    Q_ASSERT(scanned.pieces.size() == scanned.names.size() + 1);
    return scanned;
}
