// Tables and queries over a real ledger file made in a temporary directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "MemoryDataSet.h"
#include "data/DBTables.h"
#include "data/DataComponents.h"
#include "engine/LedgerFile.h"
#include "runtime/Form.h"

namespace {

// A ledger of `rows` rows in a temporary working directory: RedBroj 1..rows, PrezimeIme "Radnik <n % 3>",
// Dana n, Razlog "GO" for even rows.
class LedgerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override {
        table.Close();
        query.Close();
        Session->Close();
        QDir::setCurrent(previous_);
    }
    // `firstDate`, when given, is stored as the first row's Datum instead.
    void MakeLedger(int rows, const char* firstDate = nullptr) {
        const std::string path = dir_.filePath(QStringLiteral("Kovrel.DB")).toStdString();
        ASSERT_EQ(engine::createLedgerFile(path), engine::code::Ok);
        int n = 0;
        const auto next = [&](engine::LedgerValues& values) {
            if (n == rows) return false;
            ++n;
            values = {};
            values[0] = double(n % 3 + 1);
            values[1] = double(n);
            values[2] = std::string("2026-01-") + (n % 28 + 1 < 10 ? "0" : "") + std::to_string(n % 28 + 1);
            if (n == 1 && firstDate) values[2] = std::string(firstDate);
            values[3] = "Radnik " + std::to_string(n % 3);
            values[6] = double(n);
            values[8] = std::string(n % 2 == 0 ? "GO" : "SD");
            return true;
        };
        ASSERT_EQ(engine::loadLedgerRows(path, next), engine::code::Ok);
    }
    std::vector<int> RedBrojevi(TDataSet& dataSet) {
        std::vector<int> seen;
        dataSet.First();
        while (!dataSet.Eof()) {
            seen.push_back(dataSet.FieldByName(QStringLiteral("RedBroj"))->AsInteger());
            dataSet.Next();
        }
        return seen;
    }
    void SetSQL(TQuery& q, const QString& text, bool live) {
        q.Close();
        q.SetRequestLive(live);
        q.SQL().Clear();
        q.SQL().Add(text);
    }

    // Opens the table over the ledger with a window of `rows` buffered records, as a grid would.
    void OpenTableInWindowOf(int rows) {
        table.SetTableName(QStringLiteral("Kovrel.DB"));
        grid_.SetBufferCount(rows);
        source_.SetDataSet(&table);
        grid_.SetDataSource(&source_);
        table.Open();
    }

    QTemporaryDir dir_;
    QString previous_;
    TTable table;
    TQuery query;
    TDataSource source_;
    QStringList log_;
    RecordingLink grid_{log_};
};

// Another program on the same ledger file: plain SQLite.
class OtherProgram {
  public:
    OtherProgram() { EXPECT_EQ(sqlite3_open("Kovrel.DB", &db_), SQLITE_OK); }
    ~OtherProgram() { sqlite3_close(db_); }
    void Run(const std::string& sql) {
        EXPECT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), 0) << sql;
    }
    // Every column of the row as SQLite quotes it, which tells its kind and value exactly.
    QStringList Row(int rowid) {
        std::string sql = "select rowid";
        for (const auto& column : engine::ledgerColumns()) sql += std::string(", quote(") + column.name + ")";
        QStringList values;
        const auto collect = [](void* out, int count, char** texts, char**) {
            for (int i = 1; i < count; ++i)
                static_cast<QStringList*>(out)->append(QString::fromUtf8(texts[i]));
            return 0;
        };
        sqlite3_exec(db_, (sql + " from kovrel where rowid = " + std::to_string(rowid)).c_str(), collect,
                     &values, nullptr);
        return values;
    }

  private:
    sqlite3* db_ = nullptr;
};

std::vector<int> range(int from, int to) {
    std::vector<int> numbers;
    for (int i = from; i <= to; ++i) numbers.push_back(i);
    return numbers;
}

TEST_F(LedgerTest, TableReadsEveryRowOnceWhateverTheWindow) {
    MakeLedger(25);
    OpenTableInWindowOf(7);
    EXPECT_EQ(table.FieldCount(), 12);
    EXPECT_EQ(RedBrojevi(table), range(1, 25));
    std::vector<int> back;
    table.Last();
    while (!table.Bof()) {
        back.push_back(table.FieldByName(QStringLiteral("RedBroj"))->AsInteger());
        table.Prior();
    }
    EXPECT_EQ(back.size(), 25u);
    EXPECT_EQ(back.front(), 25);
    EXPECT_EQ(back.back(), 1);
}

TEST_F(LedgerTest, NextMovesPastTheWindowsLastRowWhenAnotherProgramDeletedIt) {
    MakeLedger(10);
    OpenTableInWindowOf(3);
    table.MoveBy(3);
    table.MoveBy(-3);  // the window holds rows 1 to 3 and was filled from its top
    table.MoveBy(2);
    ASSERT_EQ(table.FieldByName(QStringLiteral("RedBroj"))->AsInteger(), 3);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dir_.filePath(QStringLiteral("Kovrel.DB")).toUtf8().constData(), &other),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "DELETE FROM kovrel WHERE RedBroj = 3", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(table.MoveBy(1), 1);
    std::vector<int> rest;
    for (; !table.Eof(); table.Next())
        rest.push_back(table.FieldByName(QStringLiteral("RedBroj"))->AsInteger());
    EXPECT_EQ(rest, range(4, 10));
}

TEST_F(LedgerTest, MissingTableFileRaisesTheEngineError) {
    table.SetTableName(QStringLiteral("Kovrel.DB"));
    try {
        table.Open();
        FAIL();
    } catch (const EDBEngineError& e) {
        EXPECT_FALSE(e.Message().isEmpty());
        EXPECT_EQ(e.Errors(0).ErrorCode(), engine::code::FileNotFound);
    }
    EXPECT_FALSE(table.Active());
    EXPECT_FALSE(QFile::exists(QStringLiteral("Kovrel.DB"))) << "opening never creates the file";
}

TEST_F(LedgerTest, TableDeclaredOpenInAFormOpensWhenTheFormIsReadAndItsFailureEndsTheCreation) {
    data::registerDataComponents();
    QFile description(dir_.filePath(QStringLiteral("form.json")));
    ASSERT_TRUE(description.open(QIODevice::WriteOnly));
    description.write(R"({"class":"TfrmProba","name":"frmProba","components":[
        {"class":"TTable","name":"Table1","tableName":"Kovrel.DB","active":true,
         "fields":[{"class":"TStringField","name":"Table1PrezimeIme","fieldName":"PrezimeIme","size":30}]},
        {"class":"TDataSource","name":"DataSource1","dataSet":"Table1"}]})");
    description.close();
    EXPECT_THROW(TForm form(description.fileName()), EDBEngineError);
    MakeLedger(3);
    TForm form(description.fileName());
    auto* opened = form.Component<TTable>(QStringLiteral("Table1"));
    EXPECT_TRUE(opened->Active());
    EXPECT_EQ(opened->FieldCount(), 1);
    EXPECT_EQ(opened->FieldByName(QStringLiteral("PrezimeIme"))->AsString(), "Radnik 1");
    EXPECT_EQ(form.Component<TDataSource>(QStringLiteral("DataSource1"))->State(), DataSetState::Browse);
    opened->Close();
}

TEST_F(LedgerTest, QueryDescribedInAFormKeepsItsLinesAndPersistentFields) {
    data::registerDataComponents();
    MakeLedger(4);
    QFile description(dir_.filePath(QStringLiteral("query.json")));
    ASSERT_TRUE(description.open(QIODevice::WriteOnly));
    description.write(R"({"class":"TfrmProba","name":"frmProba","components":[
        {"class":"TQuery","name":"Query3","requestLive":false,
         "sql":["select sum(Dana) as ukupno", "from kovrel"],
         "fields":[{"class":"TFloatField","name":"Query3ukupno","fieldName":"ukupno"}]},
        {"class":"TQuery","name":"Query1","requestLive":true,"active":true,"sql":["select * from kovrel"],
         "components":[{"class":"TStringField","name":"Query1PrezimeIme","fieldName":"PrezimeIme","size":30}]}]})");
    description.close();
    TForm form(description.fileName());
    auto* sum = form.Component<TQuery>(QStringLiteral("Query3"));
    EXPECT_FALSE(sum->Active());
    EXPECT_EQ(sum->SQL().Text(), "select sum(Dana) as ukupno\r\nfrom kovrel\r\n");
    sum->Open();
    EXPECT_EQ(form.Component<TFloatField>(QStringLiteral("Query3ukupno"))->AsInteger(), 10);
    auto* rows = form.Component<TQuery>(QStringLiteral("Query1"));
    EXPECT_TRUE(rows->Active());
    EXPECT_TRUE(rows->CanModify());
    EXPECT_EQ(rows->FieldCount(), 1);
    sum->Close();
    rows->Close();
}

TEST_F(LedgerTest, TableWritesInsertsEditsAndDeletesAndDropsAClosedInsert) {
    MakeLedger(3);
    table.SetTableName(QStringLiteral("Kovrel.DB"));
    table.Open();
    table.Append();
    table.FieldByName(QStringLiteral("RedBroj"))->SetAsInteger(4);
    table.FieldByName(QStringLiteral("PrezimeIme"))->SetAsString(QStringLiteral("Novi Radnik"));
    table.FieldByName(QStringLiteral("Datum"))->SetValue(QDate(2026, 12, 8));
    table.Post();
    EXPECT_EQ(table.FieldByName(QStringLiteral("PrezimeIme"))->AsString(), "Novi Radnik");
    table.First();
    table.Edit();
    table.FieldByName(QStringLiteral("Dana"))->SetAsFloat(2.5);
    table.Post();
    table.Next();
    table.Delete();
    table.Insert();
    table.FieldByName(QStringLiteral("RedBroj"))->SetAsInteger(99);
    table.Close();

    table.Open();
    EXPECT_EQ(RedBrojevi(table), std::vector<int>({1, 3, 4}));
    table.First();
    EXPECT_EQ(table.FieldByName(QStringLiteral("Dana"))->AsFloat(), 2.5);
    table.Last();
    EXPECT_EQ(table.FieldByName(QStringLiteral("Datum"))->Value(), QVariant(QDate(2026, 12, 8)));
}

TEST_F(LedgerTest, AStoredDateThatIsNoDayReadsEmptyAndSurvivesAnEditOfTheRow) {
    MakeLedger(2, "2026-02-30");
    table.SetTableName(QStringLiteral("Kovrel.DB"));
    table.Open();
    TField* date = table.FieldByName(QStringLiteral("Datum"));
    EXPECT_TRUE(date->IsNull());
    EXPECT_EQ(date->AsString(), QString());
    table.Edit();
    table.FieldByName(QStringLiteral("Dana"))->SetAsFloat(7);
    table.Post();
    table.Next();
    EXPECT_EQ(date->Value(), QVariant(QDate(2026, 1, 3)));
    table.Close();

    SetSQL(query, QStringLiteral("select count(*) as n from kovrel where Datum = '2026-02-30' and Dana = 7"),
           false);
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("n"))->AsInteger(), 1);
}

TEST_F(LedgerTest, LiveQueryOverAllColumnsWritesThroughToTheTable) {
    MakeLedger(5);
    SetSQL(query, QStringLiteral("select * from kovrel"), true);
    query.Open();
    ASSERT_TRUE(query.CanModify());
    query.MoveBy(2);
    query.Edit();
    query.FieldByName(QStringLiteral("PrezimeIme"))->SetAsString(QStringLiteral("Promenjen"));
    query.Post();
    query.Insert();
    query.FieldByName(QStringLiteral("RedBroj"))->SetAsInteger(6);
    query.FieldByName(QStringLiteral("PrezimeIme"))->SetAsString(QStringLiteral("Dodat"));
    query.Post();
    query.Close();

    table.SetTableName(QStringLiteral("Kovrel.DB"));
    table.Open();
    QStringList names;
    for (table.First(); !table.Eof(); table.Next())
        names << table.FieldByName(QStringLiteral("PrezimeIme"))->AsString();
    EXPECT_EQ(names, QStringList({"Radnik 1", "Radnik 2", "Promenjen", "Radnik 1", "Radnik 2", "Dodat"}));
}

class ExactWriteTest : public LedgerTest, public testing::WithParamInterface<bool> {};

// Values another program stored that a record cannot hold: a name of 36 characters, a word in a number
// column, a day with its time of day, a day that does not exist.
TEST_P(ExactWriteTest, AnEditWritesTheChangedFieldAloneAndEveryOtherColumnKeepsItsStoredValue) {
    MakeLedger(0);
    OtherProgram other;
    other.Run(
        "insert into kovrel values (1.5, 7, '2024-03-04 10:00', 'PETROVIC-NIKOLIC MARKO ALEKSANDAR JR', "
        "'2024-02-30', '2024-03-08', 'tri', 0.1, 'PRENOS', 1, 3, null)");
    const QStringList before = other.Row(1);
    TDataSet* data = &table;
    if (GetParam()) {
        SetSQL(query, QStringLiteral("select * from kovrel where RedBroj = 7"), true);
        data = &query;
    } else {
        table.SetTableName(QStringLiteral("Kovrel.DB"));
    }
    data->Open();
    data->Edit();
    data->FieldByName(QStringLiteral("Transakcije"))->SetAsInteger(2);
    data->Post();
    QStringList expected = before;
    expected[9] = QStringLiteral("2.0");
    EXPECT_EQ(other.Row(1), expected);
}

INSTANTIATE_TEST_SUITE_P(Ledger, ExactWriteTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "LiveQuery" : "Table"; });

TEST_F(LedgerTest, APostOrDeleteOfARowAnotherProgramChangedSinceItWasReadIsRefused) {
    MakeLedger(3);
    OtherProgram other;
    const auto expectRefused = [&](const std::function<void()>& write, const std::string& change) {
        other.Run(change);
        try {
            write();
            ADD_FAILURE() << "no exception";
        } catch (const EDBEngineError& e) {
            EXPECT_EQ(e.Errors(0).ErrorCode(), engine::code::RecordChanged);
            EXPECT_TRUE(e.Message().startsWith("The record was changed by another user.\n"));
        }
    };
    table.SetTableName(QStringLiteral("Kovrel.DB"));
    table.Open();
    table.Edit();
    table.FieldByName(QStringLiteral("Transakcije"))->SetAsInteger(5);
    expectRefused([&] { table.Post(); }, "update kovrel set StanjeDana = 9 where rowid = 1");
    EXPECT_EQ(table.State(), DataSetState::Edit);
    EXPECT_EQ(other.Row(1).value(9), "NULL") << "nothing is written";
    table.Cancel();
    EXPECT_EQ(table.FieldByName(QStringLiteral("StanjeDana"))->AsInteger(), 9);
    table.Edit();
    table.FieldByName(QStringLiteral("Transakcije"))->SetAsInteger(5);
    table.Post();
    EXPECT_EQ(other.Row(1).mid(7, 3), QStringList({"9.0", "'SD'", "5.0"}));

    // A delete compares with the record shown, or with the one read when its edit began.
    table.Next();
    expectRefused([&] { table.Delete(); }, "update kovrel set Dana = 42 where rowid = 2");
    table.Edit();
    expectRefused([&] { table.Delete(); }, "update kovrel set Dana = 43 where rowid = 2");
    table.Cancel();
    table.Delete();
    EXPECT_TRUE(other.Row(2).isEmpty());
}

class ReadOnlyResults : public LedgerTest, public testing::WithParamInterface<const char*> {};

TEST_P(ReadOnlyResults, RefuseEditing) {
    MakeLedger(5);
    SetSQL(query, QString::fromUtf8(GetParam()), true);
    query.Open();
    EXPECT_FALSE(query.CanModify());
    QStringList hooks;
    query.BeforeDelete = [&](TDataSet*) { hooks << "BeforeDelete"; };
    query.BeforeScroll = [&](TDataSet*) { hooks << "BeforeScroll"; };
    for (const auto& operation :
         std::vector<std::function<void()>>{[&] { query.Edit(); }, [&] { query.Insert(); },
                                            [&] { query.Append(); }, [&] { query.Delete(); }}) {
        try {
            operation();
            ADD_FAILURE() << "no exception";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), "Cannot modify a read-only dataset");
        }
    }
    EXPECT_EQ(query.State(), DataSetState::Browse);
    EXPECT_TRUE(hooks.isEmpty()) << hooks.join(QLatin1Char(' ')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Ledger, ReadOnlyResults,
    testing::Values("select distinct PrezimeIme from kovrel",
                    "select sum(Dobijeni)-sum(Iskorisceni) as stanje from kovrel",
                    "select PrezimeIme, sum(Dana) as ukupno from kovrel group by PrezimeIme"));

TEST_F(LedgerTest, QueryWithoutRequestLiveIsReadOnly) {
    MakeLedger(2);
    SetSQL(query, QStringLiteral("select * from kovrel"), false);
    query.Open();
    EXPECT_FALSE(query.CanModify());
}

TEST_F(LedgerTest, DefaultFieldsFollowTheResultAfterAChangeOfText) {
    MakeLedger(4);
    SetSQL(query, QStringLiteral("select * from kovrel"), true);
    query.Open();
    EXPECT_EQ(query.FieldCount(), 12);
    SetSQL(query,
           QStringLiteral("select count(*)+1 as broj, max(RedBroj)+1 as sledeci, 123456789012345678 as velik "
                          "from kovrel"),
           false);
    query.Open();
    ASSERT_EQ(query.FieldCount(), 3);
    EXPECT_EQ(query.Fields(0)->DataType(), ftInteger);
    EXPECT_EQ(query.Fields(1)->DataType(), ftFloat);
    EXPECT_EQ(query.FieldByName(QStringLiteral("broj"))->AsInteger(), 5);
    EXPECT_EQ(query.FieldByName(QStringLiteral("sledeci"))->AsString(), "5");
    // An integer beyond 32 bits comes exactly in a 64-bit field, which refuses to be read as an int.
    EXPECT_EQ(query.Fields(2)->DataType(), ftLargeint);
    EXPECT_EQ(query.Fields(2)->Value(), QVariant(qlonglong(123456789012345678)));
    EXPECT_THROW(query.Fields(2)->AsInteger(), EDatabaseError);
    SetSQL(query, QStringLiteral("select cast(PrezimeIme as varchar(9000)) as ime from kovrel"), false);
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("ime"))->AsString(), "Radnik 1");
}

TEST_F(LedgerTest, PersistentFieldMissingFromTheResultFailsTheOpen) {
    MakeLedger(2);
    TFloatField redbr;
    redbr.setObjectName(QStringLiteral("Query1redbr"));
    redbr.SetFieldName(QStringLiteral("redbr"));
    redbr.SetDataSet(&query);
    query.setObjectName(QStringLiteral("Query1"));
    SetSQL(query, QStringLiteral("select PrezimeIme from kovrel"), false);
    EXPECT_THAT([&] { query.Open(); },
                testing::ThrowsMessage<EDatabaseError>(testing::StrEq("Query1: Field 'redbr' not found")));
    EXPECT_FALSE(query.Active());
    SetSQL(query, QStringLiteral("select max(RedBroj) as redbr from kovrel"), false);
    query.Open();
    EXPECT_EQ(redbr.AsInteger(), 2);
    query.Close();
    redbr.SetDataSet(nullptr);
}

TEST_F(LedgerTest, RejectedSqlTextRaisesAndLeavesTheQueryClosedAndUnprepared) {
    MakeLedger(1);
    SetSQL(query, QStringLiteral("selec * frm kovrel"), false);
    EXPECT_THROW(query.Open(), EDBEngineError);
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
    SetSQL(query, QStringLiteral("select * from kovrel"), false);
    query.Open();
    EXPECT_TRUE(query.Active());
}

}  // namespace
