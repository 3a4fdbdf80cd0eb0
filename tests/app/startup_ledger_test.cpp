// Start-up over a working directory whose ledger is missing or is not a ledger: one failure box, no
// main window, and the program ends.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QWidget>

#include "app/Startup.h"
#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "runtime/Seams.h"
#include "tests/WorkingDirectory.h"

namespace {

struct BrokenLedger {
    const char* title;
    const char* contents;          // nullptr: no ledger file at all
    const char* schema = nullptr;  // when given, the file is an SQLite database made by these statements
    int damagedPage = 0;           // when given, a new ledger with this page overwritten
    const char* says = "";         // part of the box's text
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class StartupOverABrokenLedger : public ::testing::TestWithParam<BrokenLedger> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        if (const char* contents = GetParam().contents) {
            QFile file(ledger());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        if (const int page = GetParam().damagedPage) {
            ASSERT_EQ(engine::createLedgerFile(ledger().toStdString()), engine::code::Ok);
            QFile file(ledger());
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.seek(qint64(page - 1) * 4096);
            file.write(QByteArray(4096, '\x5a'));
        }
        if (const char* schema = GetParam().schema) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(ledger().toUtf8().constData(), &db), SQLITE_OK);
            EXPECT_EQ(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
            sqlite3_close(db);
        }
    }
    QString ledger() const { return directory.filePath("Kovrel.DB"); }
    void TearDown() override {
        runtime::setMessageHandler({});
        Session->Close();
    }

    WorkingDirectory directory;
};

TEST_P(StartupOverABrokenLedger, ShowsOneApplicationErrorAndEndsBeforeTheMainWindow) {
    const QByteArray before = fileBytes(ledger());
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
    EXPECT_TRUE(shown[0].text.contains(GetParam().says)) << shown[0].text.toStdString();
    EXPECT_FALSE(windowVisible);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible());
    EXPECT_TRUE(fileBytes(ledger()) == before) << "nothing is written into a file that is not a ledger";
}

INSTANTIATE_TEST_SUITE_P(
    Ledgers, StartupOverABrokenLedger,
    ::testing::Values(BrokenLedger{"Missing", nullptr},
                      BrokenLedger{"NotALedger", "Ovo nije knjiga odsustva.\n"},
                      BrokenLedger{"TableWithoutRowNumbers", "",
                                   "CREATE TABLE kovrel (KovrelID FLOAT PRIMARY KEY, "
                                   "RedBroj FLOAT, Datum DATE, PrezimeIme VARCHAR(30), "
                                   "Od DATE, Do DATE, Dana FLOAT, StanjeDana FLOAT, "
                                   "Razlog VARCHAR(30), Transakcije FLOAT, Dobijeni FLOAT, "
                                   "Iskorisceni FLOAT) WITHOUT ROWID"},
                      // The table's first page overwritten: plainly damaged, and no copy.
                      BrokenLedger{"DamagedTable", nullptr, nullptr, 2,
                                   "\n\nKnjiga Kovrel.DB je ostecena: deo fajla ne moze da se "
                                   "procita. Rezervne kopije nema."}),
    [](const ::testing::TestParamInfo<BrokenLedger>& info) { return info.param.title; });

}  // namespace
