// Start-up over an older ledger that lacks indexes: they are added once, in a progress window only when
// that takes a while, and a read-only ledger is used as it is.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QTimer>

#include "ShownProgress.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "runtime/Seams.h"
#include "tests/WorkingDirectory.h"

namespace {

struct OlderLedger {
    const char* label;
    bool readOnly;
    int showProgressAfterMs;
    bool indexesAdded;
    bool progressShown;
};

void PrintTo(const OlderLedger& ledger, std::ostream* out) {
    *out << ledger.label;
}

class StartupOverAnOlderLedger : public ::testing::TestWithParam<OlderLedger> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        // Rows enough for the index builds to report their progress along the way.
        int rows = 0;
        ASSERT_EQ(engine::createLedgerFile(path()), engine::code::Ok);
        ASSERT_EQ(engine::loadLedgerRows(path(),
                                         [&rows](engine::LedgerValues& values) {
                                             values = {};
                                             values[3] = "RADNIK " + std::to_string(rows % 40);
                                             values[8] = std::string("PRENOS");
                                             return ++rows <= 20000;
                                         }),
                  engine::code::Ok);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "DROP INDEX kovrel_stanje; DROP INDEX kovrel_redbroj", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        if (GetParam().readOnly) {
            ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
        }
    }

    std::string path() const { return directory.ledgerPath(); }

    int indexCount() const {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'kovrel'",
                           -1, &statement, nullptr);
        const int count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return count;
    }

    WorkingDirectory directory;
};

TEST_P(StartupOverAnOlderLedger, AddsTheMissingIndexesShowingProgressOnlyForLongWork) {
    ShownProgress shown;
    app::AddMissingLedgerIndexes(GetParam().showProgressAfterMs);
    EXPECT_EQ(indexCount(), GetParam().indexesAdded ? 4 : 2);
    if (GetParam().progressShown) {
        ASSERT_EQ(shown.captions.size(), 1);
        EXPECT_EQ(shown.captions[0], runtime::applicationTitle());
        EXPECT_GE(shown.bars[0], 0);
        EXPECT_LT(shown.bars[0], 100);
    } else {
        EXPECT_TRUE(shown.captions.isEmpty());
    }
    for (QWidget* window : QApplication::topLevelWidgets()) EXPECT_FALSE(window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ledgers, StartupOverAnOlderLedger,
                         ::testing::Values(OlderLedger{"quick_work_shows_nothing", false,
                                                       TProgressWindow::DefaultShowAfterMs, true, false},
                                           OlderLedger{"long_work_shows_progress", false, 0, true, true},
                                           OlderLedger{"read_only_ledger_is_left_alone", true, 0, false,
                                                       false}),
                         [](const ::testing::TestParamInfo<OlderLedger>& info) { return info.param.label; });

TEST_P(StartupOverAnOlderLedger, RunsOverTheLedgerWithOrWithoutTheIndexes) {
    runtime::setMessageHandler([](const runtime::MessageRequest&) { return runtime::MessageAnswer::Ok; });
    bool navigatorShown = false;
    QTimer::singleShot(0, [&navigatorShown] {
        navigatorShown = frmNavigator && frmNavigator->isVisible();
        if (frmNavigator) frmNavigator->Close();
    });
    EXPECT_EQ(app::RunProgram(), 0);
    runtime::setMessageHandler({});
    EXPECT_TRUE(navigatorShown);
    EXPECT_EQ(indexCount(), GetParam().indexesAdded ? 4 : 2);
}

}  // namespace
