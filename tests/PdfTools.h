// Reading the PDF files the program writes through poppler-utils, as a second opinion on them.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <regex>
#include <string>

// What the program `tool`, found on the path, writes to its output for `arguments`; empty when it is
// missing or does not finish within 30 seconds.
inline QString runTool(const QString& tool, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) return {};
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

// Whether pdfinfo and pdftotext are there to read a PDF.
inline bool popplerInstalled() {
    return !QStandardPaths::findExecutable("pdfinfo").isEmpty() &&
           !QStandardPaths::findExecutable("pdftotext").isEmpty();
}

// The PDF `pdf` is one page of Letter paper, as pdfinfo reads it.
inline void expectOneLetterPage(const QString& pdf) {
    const std::string info = runTool("pdfinfo", {pdf}).toStdString();
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+1\\n"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Page size:\\s+612(\\.\\d+)? x 792"))) << info;
}

// The text of `pdf` as pdftotext reads it with `options`, the PDF expected to be one page of Letter paper.
inline QString textOfOneLetterPage(const QString& pdf, QStringList options = {}) {
    expectOneLetterPage(pdf);
    return runTool("pdftotext", options << pdf << "-");
}
