// Helpers shared by the report engine's tests: a fixture with fixed seams, building forms in code,
// and running a report into page images.
#pragma once

#include <gtest/gtest.h>

#include <QDateTime>

#include "report/RpReport.h"
#include "runtime/Seams.h"

// No printers, a fixed clock and no message windows, restored afterwards.
class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        runtime::setPrinterList(QStringList());
        runtime::setClock([] { return QDateTime(QDate(2024, 3, 7), QTime(14, 30)); });
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            messages.append(request.text);
            return runtime::MessageAnswer::Ok;
        });
    }
    void TearDown() override {
        runtime::setPrinterList(std::nullopt);
        runtime::setClock({});
        runtime::setMessageHandler({});
    }
    QStringList messages;
};

// A Letter report in inches, as the program's forms are.
inline void makeLetterForm(TReport& report) {
    report.SetUnits(TRpUnits::Inches);
    report.Page().SetOrientation(TRpOrientation::poPortrait);
    report.Page().SetPaperSize(TRpPaperSize::Letter);
    report.Page().Values = {127.0, 2794.0, 787.4, 2159.0, 127.0, 127.0, 0.0};
    report.SetFont(QFont(QStringLiteral("Arial"), 10));
}

// Places a control at a pixel box (96 pixels per inch), as the forms' layouts are given.
template <typename T>
T* addControl(TReport& report, const QString& name, int left, int top, int width, int height) {
    auto* control = new T(&report);
    control->setObjectName(name);
    const double k = 254.0 / 96.0;
    control->SetSizeValues({height * k, left * k, top * k, width * k});
    if constexpr (std::is_base_of_v<TRpCustomLabel, T>) control->AutoSize = false;
    return control;
}

// Runs the report into page images and answers its pages.
inline std::vector<TRpPageImage> runPages(TReport& report) {
    TRpPrinter printer;
    report.SetPrinter(&printer);
    report.CreateReport(false);
    report.SetPrinter(nullptr);
    std::vector<TRpPageImage> pages;
    for (int n = 1; n <= printer.PageCount(); ++n) pages.push_back(*printer.Page(n));
    return pages;
}

template <typename T>
std::vector<T> itemsOf(const TRpPageImage& page) {
    std::vector<T> items;
    for (const auto& item : page.Items()) {
        if (const T* found = std::get_if<T>(&item)) items.push_back(*found);
    }
    return items;
}

inline QStringList textsOf(const TRpPageImage& page) {
    QStringList texts;
    for (const auto& text : itemsOf<TRpPageImage::Text>(page)) texts.append(text.text);
    return texts;
}
