// Shared set-up of the grid and edit tests: ledger-shaped datasets in memory, a window holding the
// controls, and a recorder for message windows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <memory>

#include "data/DBCtrls.h"
#include "data/DBGrids.h"
#include "runtime/Geometry.h"
#include "runtime/Seams.h"
#include "tests/data/MemoryDataSet.h"

// The columns of the register window's grid, in their order.
inline const QStringList& registerColumnNames() {
    static const QStringList names{"RedBroj", "Transakcije", "Datum",    "PrezimeIme",  "Razlog",
                                   "Od",      "Do",          "Dobijeni", "Iskorisceni", "StanjeDana"};
    return names;
}

inline std::vector<MemoryColumn> ledgerColumns() {
    return {{"KovrelID", ftFloat},    {"RedBroj", ftFloat},
            {"Datum", ftDate},        {"PrezimeIme", ftString, 30},
            {"Od", ftDate},           {"Do", ftDate},
            {"Dana", ftFloat},        {"StanjeDana", ftFloat},
            {"Razlog", ftString, 30}, {"Transakcije", ftFloat},
            {"Dobijeni", ftFloat},    {"Iskorisceni", ftFloat}};
}

// A ledger row of worker `worker` with transaction `transaction` and the balance `balance`.
inline QVariantList ledgerRow(int worker, int transaction, const QString& name, double balance) {
    return {double(worker * 100 + transaction),
            double(worker),
            QVariant(),
            name,
            QVariant(),
            QVariant(),
            1.0,
            balance,
            QStringLiteral("PRENOS"),
            double(transaction),
            5.0,
            0.0};
}

class MessageRecorder {
  public:
    MessageRecorder() {
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            shown.push_back(request);
            return answer;
        });
    }
    ~MessageRecorder() { runtime::setMessageHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<runtime::MessageRequest> shown;
    runtime::MessageAnswer answer = runtime::MessageAnswer::Ok;
};

class ControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(720, 300);
        source = new TDataSource(window.get());
    }
    void TearDown() override {
        window.reset();
        dataSet.reset();
    }

    MemoryDataSet& MakeLedger(int rows) {
        dataSet = std::make_unique<MemoryDataSet>(ledgerColumns());
        dataSet->setObjectName("Query1");
        for (int r = 0; r < rows; ++r) {
            dataSet->AddRow(
                ledgerRow(1, r + 1, QStringLiteral("PETROVIC PETAR"), r % 2 == 0 ? -1.0 - r : 2.0 + r));
        }
        source->SetDataSet(dataSet.get());
        return *dataSet;
    }

    TDBGrid* MakeGrid(bool registerColumns) {
        grid = new TDBGrid(window.get());
        grid->setObjectName("DBGrid1");
        grid->setGeometry(8, 8, 689, 249);
        if (registerColumns) {
            const int widths[] = {35, 33, 0, 133, 87, 42, 46, 49, 56, 73};
            for (int c = 0; c < registerColumnNames().size(); ++c) {
                TColumn* column = grid->Columns().Add();
                column->SetFieldName(registerColumnNames()[c]);
                if (widths[c] > 0) column->SetWidth(widths[c]);
            }
        }
        grid->SetDataSource(source);
        ShowWindow();
        return grid;
    }

    void ShowWindow() {
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QImage Grab() const { return grid->viewport()->grab().toImage(); }

    MessageRecorder messages;
    std::unique_ptr<MemoryDataSet> dataSet;
    std::unique_ptr<QWidget> window;
    TDataSource* source = nullptr;
    TDBGrid* grid = nullptr;
};

// How many pixels of `area` in `image` differ from `background`.
inline int pixelsNotOf(const QImage& image, const Rect& area, const QColor& background) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != background) ++count;
        }
    }
    return count;
}
