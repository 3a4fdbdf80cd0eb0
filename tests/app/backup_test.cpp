// The ledger's copies while the program runs: one at start-up once a day, a failing one told once while
// the program goes on, one from the menu, and a restore from the menu after a confirmation.
#include "engine/Backup.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <fstream>
#include <functional>

#include "ShownProgress.h"
#include "app/Backups.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "data/DBLoginDialogs.h"
#include "data/DBTables.h"
#include "engine/LedgerFile.h"
#include "ledger/Unit2.h"
#include "ledger/Unit3.h"
#include "ledger/Unit4.h"
#include "runtime/Application.h"
#include "runtime/Language.h"
#include "runtime/Seams.h"
#include "tests/AsNobody.h"
#include "tests/ServerLedger.h"
#include "tests/WorkingDirectory.h"

namespace {

class Backups : public ::testing::Test {
  protected:
    void SetUp() override {
        // Timers an earlier test left behind fire now, not inside this test's run of the program.
        QApplication::processEvents();
        ASSERT_TRUE(directory.isValid());
        ASSERT_EQ(engine::createLedgerFile(ledger()), engine::code::Ok);
        setTime(QDateTime(QDate(2024, 3, 4), QTime(8, 0), Qt::UTC));
        runtime::setMessageHandler([this](const runtime::MessageRequest& request) {
            messages << request.text;
            return answer;
        });
    }
    void TearDown() override {
        runtime::setMessageHandler({});
        runtime::setDialogHandler({});
        runtime::setClock({});
    }
    void setTime(const QDateTime& time) {
        runtime::setClock([time] { return time; });
    }
    std::string ledger() const { return directory.ledgerPath(); }
    QStringList copies() const {
        QStringList names;
        for (const engine::BackupCopy& copy : engine::listBackups(engine::backupFolder(ledger())))
            names << QString::fromStdString(copy.name);
        return names;
    }
    // Runs the program until the start-up's copy, if one is made, has ended, then closes it.
    int runProgram() {
        QTimer::singleShot(0, [] {
            // Queued after the start-up's own check, which may have begun a copy.
            QTimer::singleShot(0, [] {
                app::LedgerBackups* backups = frmNavigator->Backups;
                if (!backups->Running()) return frmNavigator->Close();
                QObject::connect(backups, &app::LedgerBackups::Finished, frmNavigator,
                                 [] { QTimer::singleShot(0, frmNavigator, [] { frmNavigator->Close(); }); });
            });
        });
        return app::RunProgram();
    }
    // Waits for the copy under way to end.
    static bool copied(app::LedgerBackups& backups) {
        QSignalSpy finished(&backups, &app::LedgerBackups::Finished);
        return finished.wait(10000) && finished.first().first().toBool();
    }

    WorkingDirectory directory;
    QStringList messages;
    runtime::MessageAnswer answer = runtime::MessageAnswer::Ok;
};

TEST_F(Backups, OneIsMadeAtStartUpWhenTheNewestIsADayOld) {
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(copies(), QStringList{"2024-03-04_08-00-00"});
    setTime(QDateTime(QDate(2024, 3, 5), QTime(7, 59), Qt::UTC));
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(copies(), QStringList{"2024-03-04_08-00-00"});
    setTime(QDateTime(QDate(2024, 3, 5), QTime(8, 0), Qt::UTC));
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(copies(), (QStringList{"2024-03-04_08-00-00", "2024-03-05_08-00-00"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Backups, OneIsMadeOfALedgerNamedInAnotherLetterCase) {
    ASSERT_TRUE(QFile::rename(QString::fromStdString(ledger()), directory.filePath("kovrel.db")));
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(copies(), QStringList{"2024-03-04_08-00-00"});
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Backups, OneThatFailsIsToldOnceAndTheProgramGoesOn) {
    std::ofstream(engine::backupFolder(ledger())) << "not a folder";
    bool registered = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            QObject::connect(frmNavigator->Backups, &app::LedgerBackups::Finished, frmNavigator, [&] {
                frmNavigator->Unosnovogradnika1->Click();
                frmUnos->DBEdit2->setFocus();
                QTest::keyClicks(frmUnos->DBEdit2, "ANIC ANA");
                frmUnos->DBEdit3->setFocus();
                QTest::keyClicks(frmUnos->DBEdit3, "4");
                QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
                registered = frmUnos->Query1->FieldByName("redbr")->AsInteger() == 2;
                frmNavigator->Close();
            });
        });
    });
    EXPECT_EQ(app::RunProgram(), 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Rezervna kopija nije napravljena: ")) << messages[0].toStdString();
    EXPECT_TRUE(registered);
}

// How a ledger is made one the clerk may only read: the modes of the file and its folder, and whether
// the program runs as a user other than the owner of the machine (a folder's mode binds only such a one).
struct ReadOnlyLedger {
    const char* title;
    mode_t file, folder;
    bool asAnotherUser;
    bool onServer = false;  // the ledger is on the test server, opened by a role that may only read it
};

class ReadOnlyLedgers : public Backups, public ::testing::WithParamInterface<ReadOnlyLedger> {};

// A ledger the clerk may only read (the engine goes by the file's mode bits, so a file of mode 444 is one
// for root too; a writable file in a folder the clerk may not write is one because SQLite cannot make its
// journal there; on a server, a role that may not write): one message at start-up says so and no copy is
// tried; the register finds the worker, and the windows that would write say the same and store nothing.
TEST_P(ReadOnlyLedgers, AreToldOnceAndNotCopied) {
    const ReadOnlyLedger& c = GetParam();
    const AsNobody user(c.asAnotherUser);
    if (c.asAnotherUser && !user.Switching() && geteuid() == 0) GTEST_SKIP() << "no user nobody";
    servertest::ServerLedger server;
    if (c.onServer) {
        if (!servertest::serverConnection()) GTEST_SKIP() << servertest::NoServerText;
        std::string error;
        ASSERT_TRUE(server.createWith(
            "INSERT INTO kovrel (redbroj, prezimeime, razlog, dobijeni) VALUES (1, 'ANIC ANA', 'PRENOS', 4)",
            &error))
            << error;
        const auto reader = server.reader(&error);
        ASSERT_TRUE(reader) << error;
        ASSERT_TRUE(QFile::remove(QString::fromStdString(ledger())));
        QFile connection(directory.filePath(engine::ServerConnectionFileName));
        ASSERT_TRUE(connection.open(QIODevice::WriteOnly));
        connection.write(reader->c_str());
        connection.close();
        runtime::setDialogHandler([](QDialog& dialog) {
            if (auto* login = dynamic_cast<TLoginDialog*>(&dialog))
                login->Password()->setText(QString::fromStdString(servertest::serverPassword()));
            return int(QDialog::Accepted);
        });
    } else {
        ASSERT_EQ(engine::loadLedgerRows(ledger(),
                                         [rows = 0](engine::LedgerValues& values) mutable {
                                             values = {};
                                             values[1] = 1.0;
                                             values[3] = std::string("ANIC ANA");
                                             values[8] = std::string("PRENOS");
                                             values[10] = 4.0;
                                             return ++rows <= 1;
                                         }),
                  engine::code::Ok);
    }
    // What the ledger holds: the file's bytes, or the server's rows and journal.
    const auto stored = [&] {
        std::string error;
        if (c.onServer) {
            const auto rows = server.runAsClerk(
                "SELECT (SELECT string_agg(kovrel::text, ' ') FROM kovrel), "
                "(SELECT count(*) FROM dnevnik)",
                &error);
            return rows ? QByteArray::fromStdString(rows->at(0).at(0) + " / " + rows->at(0).at(1))
                        : QByteArray::fromStdString(error);
        }
        QFile file(QString::fromStdString(ledger()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = stored();
    const std::string folder = directory.path().toStdString();
    user.Own(ledger());
    user.Own(folder);
    if (!c.onServer) {
        ASSERT_EQ(::chmod(ledger().c_str(), c.file), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), c.folder), 0);
    QString balance;
    bool registrationLeftOpen = true;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            frmNavigator->Unosnovogradnika1->Click();
            QTest::qWait(50);
            registrationLeftOpen = frmUnos->isVisible();
            frmNavigator->Evidentiranjedana1->Click();
            EXPECT_TRUE(QTest::qWaitForWindowActive(frmEvidencija));
            QTest::mouseClick(frmEvidencija->BitBtn1, Qt::LeftButton);
            balance = frmEvidencija->Edit1->text();
            QTest::mouseClick(frmEvidencija->BitBtn2, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitForWindowActive(frmNoviunos));
            frmNoviunos->ComboBox1->lineEdit()->setText("SL.DANI");
            frmNoviunos->Edit3->setText("1");
            QTest::mouseClick(frmNoviunos->BitBtn1, Qt::LeftButton);
            frmNavigator->Close();
        });
    });
    EXPECT_EQ(user.Run([] { return app::RunProgram(); }), 0);
    ::chmod(folder.c_str(), 0755);
    ::chmod(ledger().c_str(), 0644);
    const QString readOnly =
        QStringLiteral(
            "Knjiga je otvorena samo za citanje: %1 Radnici, dani i izvestaji mogu da se pregledaju, "
            "stampaju i cuvaju, ali nista ne moze da se unese ni promeni, i rezervna kopija se ne pravi.")
            .arg(c.onServer ? "uloga kojom je program prijavljen na server sme knjigu samo da cita."
                            : "fajl knjige ili njegov direktorijum ne sme da se menja (dozvole).");
    EXPECT_EQ(messages, QStringList({readOnly, readOnly, readOnly})) << messages.join('\n').toStdString();
    EXPECT_FALSE(registrationLeftOpen);
    EXPECT_EQ(balance, "4");
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_EQ(stored(), before);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ledger()) + "-journal"));
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadOnlyLedgers,
                         ::testing::Values(ReadOnlyLedger{"ReadOnlyFileAndFolder", 0444, 0555, false},
                                           ReadOnlyLedger{"WritableFileInAFolderOnlyRead", 0644, 0555, true},
                                           ReadOnlyLedger{"RoleThatMayOnlyReadOnTheServer", 0644, 0755, false,
                                                          true}),
                         [](const auto& info) { return std::string(info.param.title); });

// A page in the middle of the rows overwritten: the program starts, and its copy finds the damage.
TEST_F(Backups, ADamagedLedgerIsToldPlainlyWithTheCopyToPutBack) {
    int rows = 0;
    ASSERT_EQ(engine::loadLedgerRows(ledger(),
                                     [&rows](engine::LedgerValues& values) {
                                         values = {};
                                         values[3] = std::string("PETROVIC MARKO");
                                         values[8] = std::string("SL.DANI");
                                         return ++rows <= 2000;
                                     }),
              engine::code::Ok);
    engine::BackupResult made;
    std::string error;
    const auto yesterday = std::chrono::sys_days(std::chrono::year(2024) / 3 / 3) + std::chrono::hours(8);
    ASSERT_EQ(engine::makeBackup(ledger(), yesterday, &made, &error), engine::code::Ok) << error;
    {
        std::fstream file(ledger(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096 * 9 + 100);
        const std::string garbage(3000, '\x5a');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(messages,
              QStringList{"Rezervna kopija nije napravljena. Knjiga Kovrel.DB je ostecena: deo fajla ne "
                          "moze da se procita. Vratite je iz poslednje rezervne kopije, "
                          "2024-03-03_08-00-00 (Podaci / Vracanje iz kopije...)."});
    EXPECT_EQ(copies(), QStringList{"2024-03-03_08-00-00"});

    // The restore keeps the damaged ledger aside, never among the copies, and puts the copy back.
    engine::RestoreResult restored;
    ASSERT_EQ(engine::restoreLedger(ledger(), made.copy.ledger, yesterday + std::chrono::hours(30), &restored,
                                    &error),
              engine::code::Ok)
        << error;
    EXPECT_EQ(restored.saved.name, "2024-03-04_14-00-00.damaged");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(restored.saved.ledger)));
    EXPECT_EQ(restored.rows, 2000u);
    EXPECT_EQ(copies(), QStringList{"2024-03-03_08-00-00"});
}

class MenuBackups : public Backups {
  protected:
    void SetUp() override {
        Backups::SetUp();
        application.Initialize();
        app::registerComponentClasses();
        app::CreateProgramForms(application);
    }
    void TearDown() override {
        application.Terminate();
        Session->Close();
        Backups::TearDown();
    }
    void registerWorker(const QString& name) {
        frmUnos->DBEdit2->setFocus();
        QTest::keyClicks(frmUnos->DBEdit2, name);
        frmUnos->DBEdit3->setFocus();
        QTest::keyClicks(frmUnos->DBEdit3, "4");
        QTest::mouseClick(frmUnos->BitBtn1, Qt::LeftButton);
    }
    static QStringList storedNames(const std::string& path) {
        QStringList names;
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT PrezimeIme FROM kovrel ORDER BY rowid", -1, &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW)
            names << reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return names;
    }
    int nextNumber() const { return frmUnos->Query1->FieldByName("redbr")->AsInteger(); }

    TApplication application;
};

TEST_F(MenuBackups, TheMenuMakesACopyAndPutsOneBackAfterAConfirmation) {
    frmNavigator->Unosnovogradnika1->Click();
    registerWorker("ANIC ANA");
    frmNavigator->Rezervnakopija1->Click();
    ASSERT_TRUE(copied(*frmNavigator->Backups));
    EXPECT_EQ(messages, QStringList{"Rezervna kopija je napravljena: 2024-03-04_08-00-00 (1 redova)."});
    registerWorker("BOROVIC BOJAN");
    ASSERT_EQ(nextNumber(), 3);

    // The running program holds the ledger: a restore from outside is refused.
    engine::RestoreResult result;
    std::string error;
    const std::string copy = engine::resolveCopy(ledger(), "2024-03-04_08-00-00");
    EXPECT_EQ(engine::restoreLedger(ledger(), copy, {}, &result, &error), engine::code::FileBusy);

    QString offered;
    runtime::setDialogHandler([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files) return int(QDialog::Rejected);
        offered = files->directory().absolutePath();
        files->selectFile(QDir(offered).filePath("2024-03-04_08-00-00"));
        return int(QDialog::Accepted);
    });
    setTime(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC));
    messages.clear();
    answer = runtime::MessageAnswer::Cancel;
    frmNavigator->Vracanjeizkopije1->Click();
    EXPECT_EQ(messages,
              QStringList{"Zameniti knjigu kopijom 2024-03-04_08-00-00 (1 redova)? Knjiga kakva je sada "
                          "bice prvo sacuvana kao nova kopija."});
    EXPECT_EQ(offered, QString::fromStdString(engine::backupFolder(ledger())));
    EXPECT_EQ(nextNumber(), 3) << "cancelled: nothing changes";

    // An edit under way is posted before the ledger is copied as it is.
    TTable* table = frmUnos->Table1;
    table->Cancel();
    table->Last();
    table->Edit();
    table->FieldByName("PrezimeIme")->SetAsString("BOROVIC BOJANA");
    answer = runtime::MessageAnswer::Ok;
    frmNavigator->Vracanjeizkopije1->Click();
    EXPECT_EQ(messages.value(2),
              "Knjiga je vracena iz kopije 2024-03-04_08-00-00 (1 redova). Knjiga kakva je bila "
              "sacuvana je kao kopija 2024-03-04_09-00-00.");
    EXPECT_TRUE(frmUnos->Table1->Active());
    EXPECT_EQ(nextNumber(), 2) << "the ledger is the copy again";
    EXPECT_EQ(copies(), (QStringList{"2024-03-04_08-00-00", "2024-03-04_09-00-00"}));
    EXPECT_EQ(storedNames(engine::resolveCopy(ledger(), "2024-03-04_09-00-00")),
              (QStringList{"ANIC ANA", "BOROVIC BOJANA"}));
    registerWorker("CVETIC CVETA");
    EXPECT_EQ(nextNumber(), 3) << "and the program writes it again";
}

TEST_F(MenuBackups, ARestoreShowsItsChecksInAProgressWindow) {
    frmNavigator->Rezervnakopija1->Click();
    ASSERT_TRUE(copied(*frmNavigator->Backups));
    runtime::setDialogHandler([](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        files->selectFile(files->directory().filePath("2024-03-04_08-00-00"));
        return int(QDialog::Accepted);
    });
    setTime(QDateTime(QDate(2024, 3, 4), QTime(9, 0), Qt::UTC));
    ShownProgress shown;
    app::RestoreFromBackup(*frmNavigator->Backups, 0);
    EXPECT_EQ(shown.captions.size(), 2) << "the copy's check, then the restore";
    EXPECT_TRUE(messages.last().startsWith("Knjiga je vracena iz kopije")) << messages.last().toStdString();
}

TEST_F(MenuBackups, NoCopyIsMadeHereOfALedgerOnAServerOrOfNone) {
    // The working directory holds no ledger file: the ledger lives on a server, or there is none.
    const QString file = QString::fromStdString(ledger());
    ASSERT_TRUE(QFile::rename(file, file + ".away"));
    bool dialogShown = false;
    runtime::setDialogHandler([&](QDialog&) {
        dialogShown = true;
        return int(QDialog::Rejected);
    });
    const QString server = directory.filePath("Kovrel.server");
    for (const bool onServer : {true, false}) {
        if (onServer) {
            QFile connection(server);
            ASSERT_TRUE(connection.open(QIODevice::WriteOnly));
            connection.write("dbname=kovrel\n");
        } else {
            ASSERT_TRUE(QFile::remove(server));
        }
        messages.clear();
        frmNavigator->Backups->StartIfDue();
        EXPECT_FALSE(frmNavigator->Backups->Running());
        EXPECT_TRUE(messages.isEmpty()) << "nothing to say at start-up";
        frmNavigator->Rezervnakopija1->Click();
        frmNavigator->Vracanjeizkopije1->Click();
        const QString told = onServer
                                 ? "Knjiga je na serveru: njene kopije pravi server, ne ovaj program."
                                 : "U radnom direktorijumu nema knjige Kovrel.DB: nema sta da se kopira ni "
                                   "vrati.";
        EXPECT_EQ(messages, (QStringList{told, told}));
    }
    EXPECT_FALSE(dialogShown);
    EXPECT_FALSE(QDir(QString::fromStdString(engine::backupFolder(ledger()))).exists());
    ASSERT_TRUE(QFile::rename(file + ".away", file));
}

// A backup or a restore from the menu that fails, and the whole message the clerk gets for it.
struct ToldFailure {
    const char* title;
    bool asNobody;  // runs as the user nobody, who owns the ledger and its folder but not the backup folder
    std::function<void(const QString& backups)> prepare;
    const char* chosen;  // the folder chosen for a restore in the backup folder; nothing for a backup
    const char* told;    // %1 is the ledger's folder
};

class ToldFailures : public MenuBackups, public ::testing::WithParamInterface<ToldFailure> {
  protected:
    void SetUp() override {
        MenuBackups::SetUp();
        language = runtime::useProgramLanguage();
    }
    void TearDown() override {
        QCoreApplication::removeTranslator(language);
        MenuBackups::TearDown();
    }
    QTranslator* language = nullptr;
};

TEST_P(ToldFailures, SayInTheClerksWordsWhatFailedWhereAndWhy) {
    const ToldFailure& c = GetParam();
    const AsNobody user(c.asNobody);
    if (c.asNobody && !user.Switching()) GTEST_SKIP() << "needs root to run as the user nobody";
    const QString backups = QString::fromStdString(engine::backupFolder(ledger()));
    c.prepare(backups);
    user.Own(ledger());
    user.Own(directory.path().toStdString());
    runtime::setDialogHandler([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        files->selectFile(QDir(backups).filePath(QString::fromLatin1(c.chosen)));
        return int(QDialog::Accepted);
    });
    user.Run([&] {
        if (c.chosen) return frmNavigator->Vracanjeizkopije1->Click();
        frmNavigator->Rezervnakopija1->Click();
        EXPECT_FALSE(copied(*frmNavigator->Backups));
    });
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last().toStdString(), QString::fromLatin1(c.told).arg(directory.path()).toStdString());
    EXPECT_TRUE(copies().isEmpty() || c.chosen);
}

// A copy made an hour before, which the user nobody may read but not add to.
void copyReadableByAll(const QString& backups) {
    const std::string ledger = QDir(backups).filePath("../Kovrel.DB").toStdString();
    engine::BackupResult made;
    std::string error;
    ASSERT_EQ(engine::makeBackup(
                  ledger, std::chrono::sys_days(std::chrono::year(2024) / 3 / 4) + std::chrono::hours(7),
                  &made, &error),
              engine::code::Ok)
        << error;
    for (const std::string& path :
         {backups.toStdString(), made.copy.ledger.substr(0, made.copy.ledger.rfind('/'))})
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(made.copy.ledger.c_str(), 0644), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Menu, ToldFailures,
    ::testing::Values(
        ToldFailure{
            "BackupFolderIsAFile", false,
            [](const QString& backups) { std::ofstream(backups.toStdString()) << "not a folder"; }, nullptr,
            "Rezervna kopija nije napravljena: fascikla za kopije %1/backup ne moze da se napravi: na "
            "putu je datoteka, a ne fascikla."},
        ToldFailure{
            "BackupFolderOfAnother", true, [](const QString& backups) { QDir().mkpath(backups); }, nullptr,
            "Rezervna kopija nije napravljena: kopija %1/backup/2024-03-04_08-00-00.partial ne moze da "
            "se napravi: nema dozvole."},
        ToldFailure{
            "RestoreOfAFolderWithoutALedger", false,
            [](const QString& backups) { QDir().mkpath(backups + "/prazna"); }, "prazna",
            "Knjiga nije vracena: provera datoteke %1/backup/prazna/Kovrel.DB nije prosla: datoteka ne "
            "postoji."},
        ToldFailure{
            "RestoreOfAFileThatIsNoLedger", false,
            [](const QString& backups) {
                QDir().mkpath(backups + "/tekst");
                std::ofstream((backups + "/tekst/Kovrel.DB").toStdString()) << "not a ledger";
            },
            "tekst",
            "Knjiga nije vracena: provera datoteke %1/backup/tekst/Kovrel.DB nije prosla: datoteka nije "
            "knjiga ovog programa."},
        ToldFailure{"RestoreThatCannotCopyTheLedgerFirst", true, copyReadableByAll, "2024-03-04_07-00-00",
                    "Knjiga nije vracena: knjiga je ostala kakva je bila, jer ne moze prvo da se sacuva kao "
                    "kopija: kopija %1/backup/2024-03-04_08-00-00.partial ne moze da se napravi: nema "
                    "dozvole."}),
    [](const auto& info) { return std::string(info.param.title); });

}  // namespace
