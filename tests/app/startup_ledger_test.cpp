// Start-up over a working directory whose ledger is missing or is not a ledger: one failure box, no
// main window, and the program ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include "app/Startup.h"
#include "data/DBTables.h"
#include "runtime/Seams.h"

namespace {

struct BrokenLedger {
    const char* title;
    const char* contents;  // nullptr: no ledger file at all
};

class StartupOverABrokenLedger : public ::testing::TestWithParam<BrokenLedger> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(directory.path());
        if (const char* contents = GetParam().contents) {
            QFile file(directory.filePath("Kovrel.DB"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
    }
    void TearDown() override {
        runtime::setMessageHandler({});
        Session->Close();
        QDir::setCurrent(previous);
    }

    QTemporaryDir directory;
    QString previous;
};

TEST_P(StartupOverABrokenLedger, ShowsOneApplicationErrorAndEndsBeforeTheMainWindow) {
    std::vector<runtime::MessageRequest> shown;
    bool windowVisible = false;
    runtime::setMessageHandler([&](const runtime::MessageRequest& request) {
        shown.push_back(request);
        for (QWidget* widget : QApplication::topLevelWidgets()) windowVisible |= widget->isVisible();
        return runtime::MessageAnswer::Ok;
    });

    const int exitCode = app::RunProgram();

    EXPECT_NE(exitCode, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, runtime::MessageKind::StartupFailure);
    EXPECT_EQ(shown[0].caption, "Application Error");
    EXPECT_TRUE(shown[0].text.startsWith("Exception EDBEngineError in module "))
        << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.contains("Kovrel.DB", Qt::CaseInsensitive)) << shown[0].text.toStdString();
    EXPECT_FALSE(windowVisible);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ledgers, StartupOverABrokenLedger,
                         ::testing::Values(BrokenLedger{"Missing", nullptr},
                                           BrokenLedger{"NotALedger", "Ovo nije knjiga odsustva.\n"}),
                         [](const ::testing::TestParamInfo<BrokenLedger>& info) { return info.param.title; });

}  // namespace
