// Drives the program's windows offscreen over a ledger of the test's own: a fresh Kovrel.DB in a
// temporary working directory, scripted message windows, and the rows the file holds afterwards.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <vector>

#include "data/DBCtrls.h"
#include "data/DBTables.h"
#include "data/DataComponents.h"
#include "data/engine/LedgerFile.h"
#include "runtime/Application.h"
#include "runtime/Form.h"
#include "runtime/Seams.h"

// A row as the ledger file stores it; only the fields the windows write or compute.
struct StoredRow {
    std::optional<double> RedBroj;
    QString PrezimeIme;
    QString Razlog;
    std::optional<double> Dobijeni;
    std::optional<double> Iskorisceni;
    std::optional<double> StanjeDana;
};

// The test's working directory holds a new empty ledger; the windows are created as at start-up, in
// the program's order, by createWindows(). Every message window is recorded in `messages` and answered
// with `answer`; the forms go and the engine session ends after each test.
class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory_.isValid());
        previousDirectory_ = QDir::currentPath();
        QDir::setCurrent(directory_.path());
        std::string error;
        ASSERT_EQ(engine::createLedgerFile(ledgerPath(), &error), engine::code::Ok) << error;
        static const bool registered = [] {
            data::registerDataComponents();
            data::registerDataControls();
            return true;
        }();
        (void)registered;
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            messages.push_back(request);
            return answer;
        });
    }

    void TearDown() override {
        application_.reset();
        Session->Close();
        runtime::setMessageHandler({});
        QDir::setCurrent(previousDirectory_);
    }

    std::string ledgerPath() const { return QDir(directory_.path()).filePath("Kovrel.DB").toStdString(); }
    QString directory() const { return directory_.path(); }

    // Creates `forms` in the given order on a fresh application object; the first is its main form.
    template <class... Forms>
    void createWindows(Forms*&... forms) {
        application_ = std::make_unique<TApplication>();
        application_->Initialize();
        (application_->CreateForm(forms), ...);
    }

    // Shows `form` and waits until it is the active window, as when the clerk opens it.
    static void showActive(TForm& form) {
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QApplication::processEvents();
    }

    // Adds rows to the ledger file, in order.
    void seed(const std::vector<StoredRow>& rows) {
        std::size_t next = 0;
        std::string error;
        const engine::Result loaded = engine::loadLedgerRows(
            ledgerPath(),
            [&](engine::LedgerValues& values) {
                if (next == rows.size()) return false;
                const StoredRow& row = rows[next++];
                values.fill(std::monostate{});
                const auto number = [](std::optional<double> v) -> engine::LedgerValue {
                    if (v) return *v;
                    return std::monostate{};
                };
                values[1] = number(row.RedBroj);
                values[3] = row.PrezimeIme.toStdString();
                values[7] = number(row.StanjeDana);
                values[8] = row.Razlog.toStdString();
                values[10] = number(row.Dobijeni);
                values[11] = number(row.Iskorisceni);
                return true;
            },
            nullptr, &error);
        ASSERT_EQ(loaded, engine::code::Ok) << error;
    }

    // The rows of the ledger file in stored order, read past the program's engine.
    std::vector<StoredRow> storedRows() const {
        std::vector<StoredRow> rows;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(ledgerPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            ADD_FAILURE() << "cannot read " << ledgerPath();
            return rows;
        }
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "select RedBroj, PrezimeIme, Razlog, Dobijeni, Iskorisceni, StanjeDana "
                           "from kovrel order by rowid",
                           -1, &statement, nullptr);
        const auto number = [&](int column) -> std::optional<double> {
            if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
            return sqlite3_column_double(statement, column);
        };
        const auto text = [&](int column) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
        };
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.push_back({number(0), text(1), text(2), number(3), number(4), number(5)});
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    // From here on every message window is a real window that takes the focus until it is answered,
    // as message boxes do under a window manager; which window is active afterwards is the runtime's
    // business.
    void messagesTakeTheFocus() {
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            messages.push_back(request);
            static bool showing = false;
            if (showing) return answer;
            showing = true;
            QWidget box;
            box.setWindowTitle(request.caption);
            box.show();
            box.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
            box.hide();
            showing = false;
            return answer;
        });
    }

    QStringList messageTexts() const {
        QStringList texts;
        for (const runtime::MessageRequest& request : messages) texts << request.text;
        return texts;
    }

    std::vector<runtime::MessageRequest> messages;
    runtime::MessageAnswer answer = runtime::MessageAnswer::Ok;

  private:
    QTemporaryDir directory_;
    QString previousDirectory_;
    std::unique_ptr<TApplication> application_;
};
