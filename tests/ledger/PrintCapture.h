// Takes the pages of the print forms' previews without showing a window, for the ledger tests.
#pragma once

#include <QPoint>
#include <QString>
#include <vector>

class QObject;

struct PrintedText {
    QString text;
    QPoint at;  // pixels at 96 per inch: the anchor of the line
};

// Each preview of the three request forms records its first page and closes at once.
void capturePrintFormPreviews();
// The lines the last preview of the form `formName` printed, in drawing order; empty before any.
std::vector<PrintedText> lastPrintedTexts(const QString& formName);
int previewCount(const QString& formName);
// The text printed by the label `name` of the last preview of `formName`, or nothing.
QString printedLabel(const QString& formName, const char* name);
