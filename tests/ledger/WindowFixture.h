// Drives the program's windows offscreen over a ledger of the test's own: a fresh Kovrel.DB in a
// temporary working directory (or, when the suite runs on the server driver, a Kovrel.server there that
// points at a fresh ledger on the test server), scripted message windows, and the rows stored afterwards.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "data/DBCtrls.h"
#include "data/DBLoginDialogs.h"
#include "data/DBTables.h"
#include "data/DataComponents.h"
#include "engine/LedgerFile.h"
#include "engine/SqlText.h"
#include "ledger/Unit3.h"
#include "runtime/Application.h"
#include "runtime/Controls.h"
#include "runtime/Form.h"
#include "runtime/Seams.h"
#include "tests/ServerLedger.h"
#include "tests/WorkingDirectory.h"

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
        std::string error;
        if (servertest::onServer()) {
            if (!servertest::serverConnection()) GTEST_SKIP() << servertest::NoServerText;
            ASSERT_TRUE(server_.create(&error)) << error;
            QFile file(QDir(directory_.path()).filePath(engine::ServerConnectionFileName));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(("# the test's ledger\n" + server_.connection() + "\n").c_str());
            file.close();
            setDialogHandler({});
        } else {
            ASSERT_EQ(engine::createLedgerFile(ledgerPath(), &error), engine::code::Ok) << error;
        }
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
        runtime::setDialogHandler({});
    }

    std::string ledgerPath() const { return directory_.ledgerPath(); }
    QString directory() const { return directory_.path(); }

    // A fresh, initialised application object, which goes with the test.
    TApplication& newApplication() {
        application_ = std::make_unique<TApplication>();
        application_->Initialize();
        return *application_;
    }

    // Creates `forms` in the given order on a fresh application object; the first is its main form.
    template <class... Forms>
    void createWindows(Forms*&... forms) {
        TApplication& application = newApplication();
        (application.CreateForm(forms), ...);
    }

    // Waits until `form` is the active window and its activation has run.
    static void waitActive(TForm& form) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QApplication::processEvents();
    }
    // Shows `form` and waits until it is the active window, as when the clerk opens it.
    static void showActive(TForm& form) {
        form.Show();
        waitActive(form);
    }
    // Types over the text of an editable combo box.
    static void typeInto(TComboBox* combo, const QString& text) {
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo, text);
    }
    // "Pretraga" in the register for the name typed into its name box.
    static void searchRegister(const QString& name) {
        typeInto(frmEvidencija->ComboBox1, name);
        QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
        QApplication::processEvents();
    }

    // Puts `handler` in place for the program's dialogs; on the server the login window is answered
    // first, with the test role's password.
    void setDialogHandler(runtime::DialogHandler handler) {
        runtime::setDialogHandler([handler](QDialog& dialog) {
            if (auto* login = dynamic_cast<TLoginDialog*>(&dialog)) {
                login->Password()->setText(QString::fromStdString(servertest::serverPassword()));
                return int(QDialog::Accepted);
            }
            return handler ? handler(dialog) : int(QDialog::Rejected);
        });
    }

    // Runs SQL statements on the ledger past the program's engine.
    void runOnLedger(const char* sql) {
        std::string error;
        if (servertest::onServer()) {
            // Each statement the program's dialect reads is run as the engine translates it.
            for (const QString& text : QString(sql).split(';', Qt::SkipEmptyParts)) {
                engine::SqlStatement statement;
                std::string translated = text.toStdString();
                if (engine::SqlStatement::parse(translated, &statement, &error))
                    translated = statement.postgresText();
                EXPECT_TRUE(server_.run(translated, &error)) << translated << ": " << error;
            }
            return;
        }
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(ledgerPath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }

    // The rows a query of the program's dialect answers, read past the program's engine; an empty value
    // reads as an empty text.
    QList<QStringList> rowsOf(const std::string& sql) const {
        QList<QStringList> rows;
        if (servertest::onServer()) {
            engine::SqlStatement statement;
            std::string error;
            if (!engine::SqlStatement::parse(sql, &statement, &error)) {
                ADD_FAILURE() << error;
                return rows;
            }
            PGconn* conn = PQconnectdb(server_.connection().c_str());
            PGresult* result = PQexec(conn, statement.postgresText().c_str());
            EXPECT_EQ(PQresultStatus(result), PGRES_TUPLES_OK) << PQerrorMessage(conn);
            for (int r = 0; r < PQntuples(result); ++r) {
                QStringList row;
                for (int c = 0; c < PQnfields(result); ++c)
                    row << QString::fromUtf8(PQgetvalue(result, r, c));
                rows << row;
            }
            PQclear(result);
            PQfinish(conn);
            return rows;
        }
        sqlite3* db = nullptr;
        sqlite3_open_v2(ledgerPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
            rows << row;
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    // Adds rows to the ledger, in order.
    void seed(const std::vector<StoredRow>& rows) {
        std::size_t next = 0;
        std::string error;
        using Rows = std::function<bool(engine::LedgerValues&)>;
        const auto load = [this](const Rows& next, std::string* error) {
            return servertest::onServer()
                       ? engine::loadServerLedgerRows(server_.administration(), next, nullptr, error)
                       : engine::loadLedgerRows(ledgerPath(), next, nullptr, error);
        };
        const engine::Result loaded = load(
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
            &error);
        ASSERT_EQ(loaded, engine::code::Ok) << error;
    }

    // The rows of the ledger file in stored order, read past the program's engine.
    std::vector<StoredRow> storedRows() const {
        std::vector<StoredRow> rows;
        if (servertest::onServer()) {
            std::string error;
            const auto number = [](const engine::LedgerValue& value) -> std::optional<double> {
                if (const double* n = std::get_if<double>(&value)) return *n;
                return std::nullopt;
            };
            const auto text = [](const engine::LedgerValue& value) {
                const std::string* t = std::get_if<std::string>(&value);
                return t ? QString::fromStdString(*t) : QString();
            };
            EXPECT_EQ(engine::readServerLedgerRows(
                          server_.connection(),
                          [&](const engine::LedgerValues& v) {
                              rows.push_back({number(v[1]), text(v[3]), text(v[8]), number(v[10]),
                                              number(v[11]), number(v[7])});
                          },
                          &error),
                      engine::code::Ok)
                << error;
            return rows;
        }
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
    servertest::ServerLedger server_;
    WorkingDirectory directory_;
    std::unique_ptr<TApplication> application_;
};
