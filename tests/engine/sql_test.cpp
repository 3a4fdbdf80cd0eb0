// SQL texts: the dialect's constants and names, result field types, live and read-only answers, writes.
#include <limits>

#include "EngineTestSupport.h"
#include "engine/SqlText.h"

namespace enginetest {
namespace {

using namespace engine;

struct FieldExpectation {
    std::string name;
    FieldType type;
    std::uint16_t size;
};

struct TypedSelect {
    const char* label;
    std::string sql;
    std::vector<FieldExpectation> fields;
};

const std::string crlf = "\r\n";

std::vector<TypedSelect> catalogueSelects() {
    return {
        {"next_number",
         "select (max(redbroj)+1) as redbr from kovrel" + crlf,
         {{"redbr", FieldType::Float, 0}}},
        {"transaction",
         "select (count(prezimeime)+1) as transakcija from kovrel" + crlf + "where prezimeime = 'A'" + crlf,
         {{"transakcija", FieldType::Integer, 0}}},
        {"names", "select distinct prezimeime from kovrel" + crlf, {{"PrezimeIme", FieldType::String, 30}}},
        {"balance",
         "select (sum(Dobijeni)- sum(Iskorisceni)) as ukupno from kovrel" + crlf + "where prezimeime = 'A'" +
             crlf + "and razlog NOT like \"G%\"" + crlf,
         {{"ukupno", FieldType::Float, 0}}},
        {"balance_report",
         "select distinct prezimeime,(sum(dobijeni)-sum(iskorisceni)) as stanje from kovrel" + crlf +
             "WHERE razlog NOT like \"G%\"" + crlf + "group by prezimeime " + crlf,
         {{"PrezimeIme", FieldType::String, 30}, {"stanje", FieldType::Float, 0}}},
        {"leave_report",
         "select distinct prezimeime,razlog, (sum(dobijeni)-sum(iskorisceni)) as stanje from kovrel" + crlf +
             "WHERE razlog like \"G%\"" + crlf + "AND RAZLOG LIKE \"%2012%\"" + crlf +
             "group by prezimeime,razlog" + crlf,
         {{"PrezimeIme", FieldType::String, 30},
          {"Razlog", FieldType::String, 30},
          {"stanje", FieldType::Float, 0}}},
        {"creation_balance",
         "select (sum(Dobijeni) - sum(iskorisceni) ) as ukupno from kovrel" + crlf,
         {{"ukupno", FieldType::Float, 0}}},
        {"arithmetic",
         "select count(*) * 2 as a, count(*) / 2.0 as b, -redbroj c, datum, max(od), upper(razlog) from "
         "kovrel",
         {{"a", FieldType::Integer, 0},
          {"b", FieldType::Float, 0},
          {"c", FieldType::Float, 0},
          {"Datum", FieldType::Date, 0},
          {"max(od)", FieldType::Date, 0},
          {"upper(razlog)", FieldType::String, 30}}},
        {"unary_plus",
         "select +prezimeime p, +dana d, +count(*) n from kovrel",
         {{"p", FieldType::String, 30}, {"d", FieldType::Float, 0}, {"n", FieldType::Integer, 0}}},
        {"casts",
         "select cast(redbroj as varchar(12)) as broj, cast(prezimeime as varchar(20000)) ime, "
         "cast(dobijeni as decimal(10, 2)) as d, cast(razlog as char(5)), "
         "cast(razlog as varchar(99999999999999999999)) v from kovrel",
         {{"broj", FieldType::String, 12},
          {"ime", FieldType::String, 8192},
          {"d", FieldType::Float, 0},
          {"cast(razlog as char(5))", FieldType::String, 5},
          {"v", FieldType::String, 8192}}},
    };
}

class TypedSelectTest : public EngineTest,
                        public testing::WithParamInterface<std::tuple<TypedSelect, bool>> {};

TEST_P(TypedSelectTest, FieldsComeFromTheStatementWhetherRowsExistOrNot) {
    const TypedSelect& expected = std::get<0>(GetParam());
    createLedger();
    if (std::get<1>(GetParam())) {
        addRows({{"A", "PRENOS", 12.5, std::nullopt, 1, "2012-01-02"},
                 {"A", "GO 1 DEO 2012", 3, std::nullopt, 1},
                 {"B", "BO", std::nullopt, 2, 2}});
    }
    const CursorHandle cursor = query(expected.sql);
    const auto descs = fields(cursor);
    ASSERT_EQ(descs.size(), expected.fields.size());
    for (std::size_t i = 0; i < descs.size(); ++i) {
        EXPECT_EQ(descs[i].name, expected.fields[i].name);
        EXPECT_EQ(descs[i].type, expected.fields[i].type) << descs[i].name;
        EXPECT_EQ(descs[i].size, expected.fields[i].size) << descs[i].name;
    }
    CursorProps props;
    ASSERT_EQ(engine_.cursorProperties(cursor, &props), code::Ok);
    EXPECT_FALSE(props.readWrite);
    EXPECT_TRUE(props.temporary);
}

INSTANTIATE_TEST_SUITE_P(Sql, TypedSelectTest,
                         testing::Combine(testing::ValuesIn(catalogueSelects()), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).label) +
                                    (std::get<1>(info.param) ? "_full" : "_empty");
                         });

class SqlTest : public EngineTest {
  protected:
    std::vector<std::string> rows(const std::string& sql) { return readAll(query(sql)); }
};

TEST_F(SqlTest, DoubleQuotedTextsAreConstantsWithDoubledQuotesInside) {
    createLedger(
        {{"O'NEIL DZON", "PRENOS", 4}, {"KAO \"NADIMAK\"", "PRENOS", 6}, {"PrezimeIme", "PRENOS", 8}});
    EXPECT_EQ(rows("select dobijeni from kovrel where prezimeime = 'O''NEIL DZON'"),
              std::vector<std::string>{"4"});
    EXPECT_EQ(rows("select dobijeni from kovrel where prezimeime = \"KAO \"\"NADIMAK\"\"\""),
              std::vector<std::string>{"6"});
    EXPECT_EQ(rows("select dobijeni from kovrel where prezimeime = \"PrezimeIme\""),
              std::vector<std::string>{"8"})
        << "a double-quoted text is a constant even when it spells a column's name";
    EXPECT_EQ(rows("select [Dobijeni], `Razlog` from kovrel where [PrezimeIme] = 'O''NEIL DZON'"),
              std::vector<std::string>{"4|PRENOS"})
        << "names in brackets or backquotes stay names";
    EXPECT_EQ(rows("select dobijeni from kovrel where razlog like \"PRE%\" and prezimeime like \"%'%\""),
              std::vector<std::string>{"4"});
}

TEST_F(SqlTest, LikeComparesLetterCase) {
    createLedger({{"A", "GO 1 DEO 2012", 1}, {"A", "go nesto", 2}, {"A", "SL.DANI", 4}});
    EXPECT_EQ(rows("select dobijeni from kovrel where razlog like \"G%\""), std::vector<std::string>{"1"});
    EXPECT_EQ(rows("select sum(dobijeni) from kovrel where razlog NOT like \"G%\""),
              std::vector<std::string>{"6"});
    EXPECT_EQ(rows("select dobijeni from kovrel where razlog like \"g%\""), std::vector<std::string>{"2"});
}

TEST_F(SqlTest, SumCountsEmptyValuesAsZeroAndMaxOfNothingStaysEmpty) {
    createLedger();
    EXPECT_EQ(rows("select (max(redbroj)+1) as redbr from kovrel"), std::vector<std::string>{""});
    addRows({{"SAMO PRENOS", "PRENOS", 7, std::nullopt, 1},
             {"DRUGI", "PRENOS", 2, std::nullopt, 2},
             {"DRUGI", "BO", std::nullopt, 1.5, 2}});
    const std::string balance =
        "select (sum(Dobijeni)- sum(Iskorisceni)) as ukupno from kovrel\r\n"
        "where prezimeime = 'SAMO PRENOS'\r\nand razlog NOT like \"G%\"\r\n";
    EXPECT_EQ(rows(balance), std::vector<std::string>{"7"});
    EXPECT_EQ(rows("select distinct prezimeime,(sum(dobijeni)-sum(iskorisceni)) as stanje from kovrel\r\n"
                   "WHERE razlog NOT like \"G%\"\r\ngroup by prezimeime \r\n"),
              (std::vector<std::string>{"SAMO PRENOS|7", "DRUGI|0.5"}))
        << "groups come in the order of their first stored row";
    EXPECT_EQ(rows("select (max(redbroj)+1) as redbr from kovrel"), std::vector<std::string>{"3"});
    EXPECT_EQ(rows("select (count(prezimeime)+1) as transakcija from kovrel where prezimeime = 'DRUGI'"),
              std::vector<std::string>{"3"});
}

TEST_F(SqlTest, RowsComeInStoredOrderWithoutAnOrderBy) {
    createLedger({{"C", "PRENOS", 1}, {"A", "PRENOS", 2}, {"B", "PRENOS", 3}, {"A", "BO", 4}});
    EXPECT_EQ(rows("select dobijeni from kovrel where prezimeime = 'A' or prezimeime = 'C'"),
              (std::vector<std::string>{"1", "2", "4"}));
    EXPECT_EQ(rows("select distinct prezimeime from kovrel"), (std::vector<std::string>{"C", "A", "B"}));
}

TEST_F(SqlTest, WindowFunctionsSeeEveryRowOfTheAnswer) {
    std::vector<Row> stored(3 * TableCursor::PageRows, Row{"A", "BO", 1});
    createLedger(stored);
    const auto numbered = rows("select row_number() over () as n, prezimeime from kovrel");
    ASSERT_EQ(numbered.size(), stored.size());
    EXPECT_EQ(numbered.back(), std::to_string(stored.size()) + "|A");
}

// The engine's own conversion of rows inside SQLite is out of reach of the program's SQL: called there
// it does nothing.
TEST_F(SqlTest, ChosenColumnsOfEveryRowArriveAndTheEnginesRowConversionIsInert) {
    std::vector<Row> stored;
    for (int i = 1; i <= 2 * TableCursor::PageRows + 3; ++i)
        stored.push_back(
            Row{"R" + std::to_string(i), i % 2 ? "BO" : "SL.DANI", double(i), std::nullopt, double(i)});
    createLedger(stored);
    const auto all = rows("select prezimeime, dobijeni, iskorisceni, od from kovrel");
    ASSERT_EQ(all.size(), stored.size());
    EXPECT_EQ(all.front(), "R1|1||");
    EXPECT_EQ(all.back(), "R" + std::to_string(stored.size()) + "|" + std::to_string(stored.size()) + "||");
    const auto odd = rows("select dobijeni from kovrel where razlog = 'BO'");
    ASSERT_EQ(odd.size(), (stored.size() + 1) / 2);
    EXPECT_EQ(odd[1], "3");
    EXPECT_EQ(rows("select kovrel_record(1, prezimeime) as x from kovrel where redbroj = 1"),
              std::vector<std::string>{""});
}

struct Liveness {
    const char* label;
    const char* sql;
    bool liveWanted;
    bool readWrite;
};

class LivenessTest : public EngineTest, public testing::WithParamInterface<Liveness> {};

TEST_P(LivenessTest, OnlyAllColumnsOfOneTableAskedLiveCanBeWritten) {
    createLedger({{"A", "PRENOS", 1, std::nullopt, 1}, {"B", "PRENOS", 2, std::nullopt, 2}});
    const CursorHandle cursor = query(GetParam().sql, GetParam().liveWanted);
    CursorProps props;
    ASSERT_EQ(engine_.cursorProperties(cursor, &props), code::Ok);
    EXPECT_EQ(props.readWrite, GetParam().readWrite);
    EXPECT_EQ(props.temporary, !GetParam().readWrite);
    auto record = newRecord(cursor);
    ASSERT_EQ(engine_.getRecord(cursor, GetMode::Next, record.data()), code::Ok);
    const Result expected = GetParam().readWrite ? code::Ok : code::CursorReadOnly;
    EXPECT_EQ(engine_.lockRecord(cursor), expected);
    EXPECT_EQ(engine_.modifyRecord(cursor, record.data()), expected);
    EXPECT_EQ(engine_.insertRecord(cursor, record.data()), expected);
    EXPECT_EQ(engine_.deleteRecord(cursor, nullptr), expected);
    EXPECT_EQ(readAll(openTable()).size(), 2u) << "an insert and a delete, or neither";
}

INSTANTIATE_TEST_SUITE_P(
    Sql, LivenessTest,
    testing::Values(Liveness{"star", "select * from kovrel", true, true},
                    Liveness{"star_where", "select * from kovrel\r\nwhere prezimeime = 'A'\r\n", true, true},
                    Liveness{"star_alias", "select k.* from Kovrel k where k.prezimeime = 'A'", true, true},
                    Liveness{"star_not_asked", "select * from kovrel", false, false},
                    Liveness{"distinct", "select distinct * from kovrel", true, false},
                    Liveness{"columns", "select prezimeime, dobijeni from kovrel", true, false},
                    Liveness{"aggregate", "select sum(dobijeni) from kovrel", true, false},
                    Liveness{"grouped", "select prezimeime from kovrel group by prezimeime", true, false},
                    Liveness{"ordered", "select * from kovrel order by prezimeime", true, false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SqlTest, ATextRunAgainKeepsEachStatementsOwnLivenessAndSeesNewRows) {
    createLedger({{"A", "PRENOS", 1, std::nullopt, 1}});
    const std::string text = "select * from kovrel where prezimeime = 'A'";
    for (const bool live : {true, false, true}) {
        CursorProps props;
        ASSERT_EQ(engine_.cursorProperties(query(text, live), &props), code::Ok);
        EXPECT_EQ(props.readWrite, live);
    }
    addRows({{"A", "SL.DANI", 2}});
    EXPECT_EQ(readAll(query(text)).size(), 2u);
    CursorHandle cursor = NoHandle;
    for (int run = 0; run < 2; ++run)
        EXPECT_EQ(tryQuery("select * from kovrel where", false, &cursor), code::SqlSyntax) << "run " << run;
}

TEST_F(SqlTest, WritesThroughSqlChangeTheTableAndYieldNoCursor) {
    createLedger();
    EXPECT_EQ(
        query("insert into kovrel (RedBroj, PrezimeIme, Razlog, Od) values (1, \"PETROVIC MARKO\", 'PRENOS', "
              "'2012-03-04')"),
        NoHandle);
    EXPECT_EQ(query("update kovrel set dobijeni = 5 where prezimeime = 'PETROVIC MARKO'"), NoHandle);
    EXPECT_EQ(rows("select redbroj, prezimeime, od, dobijeni from kovrel"),
              std::vector<std::string>{"1|PETROVIC MARKO|2012-03-04|5"});
    EXPECT_EQ(query("delete from KOVREL where razlog = \"PRENOS\""), NoHandle);
    EXPECT_TRUE(rows("select * from kovrel").empty());
    // A number another program stored infinite stays as it is through a change of another column.
    addRows({{"JOVANOVIC ANA", "PRENOS", std::numeric_limits<double>::infinity()}});
    EXPECT_EQ(query("update kovrel set razlog = 'GO' where prezimeime = 'JOVANOVIC ANA'"), NoHandle);
    EXPECT_EQ(rows("select razlog from kovrel"), std::vector<std::string>{"GO"});
}

struct BadSql {
    const char* label;
    std::string sql;
    Result expected;
    const char* says = "";  // part of the entry's text
};

std::string nested(int depth, const std::string& open, const std::string& inner, const std::string& close) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    text += inner;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

class BadSqlTest : public EngineTest, public testing::WithParamInterface<BadSql> {};

TEST_P(BadSqlTest, IsRefusedWithAnEntrySayingWhy) {
    createLedger();
    CursorHandle cursor = NoHandle;
    EXPECT_EQ(tryQuery(GetParam().sql, false, &cursor), GetParam().expected);
    ErrorEntry entry;
    ASSERT_EQ(engine_.errorEntry(1, &entry), code::Ok);
    EXPECT_EQ(entry.code, GetParam().expected);
    EXPECT_FALSE(entry.text.empty());
    EXPECT_NE(entry.text.find(GetParam().says), std::string::npos) << entry.text;
    EXPECT_EQ(cursor, NoHandle);
}

INSTANTIATE_TEST_SUITE_P(
    Sql, BadSqlTest,
    testing::Values(
        BadSql{"syntax", "select from kovrel where", code::SqlSyntax},
        BadSql{"unknown_column", "select nosuch from kovrel", code::SqlSyntax},
        BadSql{"unterminated", "select * from kovrel where razlog = \"GO", code::SqlSyntax},
        BadSql{"two_statements", "select * from kovrel; delete from kovrel", code::SqlSyntax},
        BadSql{"not_a_query", "drop table kovrel", code::SqlSyntax},
        BadSql{"unknown_table", "select * from nosuch", code::SqlUnknownTable},
        // SQLite makes an infinite number of a literal or a product beyond a double's range.
        BadSql{"infinite_literal", "insert into kovrel (PrezimeIme, Dana) values ('A', 1e309)",
               code::WriteFailed, "'inf' is not a valid floating point value for field 'Dana'"},
        BadSql{"infinite_product", "insert into kovrel (Dobijeni) values (-1e308 * 10)", code::WriteFailed,
               "'-inf' is not a valid floating point value for field 'Dobijeni'"},
        BadSql{"empty", "\r\n", code::SqlSyntax},
        // Two items named alike up to a zero character made the naming loop forever; and
        // SQLite would run the delete without its where clause.
        BadSql{"zero_character", std::string("select total(da\0na), total(da\0na) from kovrel", 45),
               code::SqlSyntax, "zero character"},
        BadSql{"zero_character_before_where", std::string("delete from kovrel\0 where redbroj = 1", 37),
               code::SqlSyntax, "zero character"},
        BadSql{"deep_select_list", "select " + nested(30000, "(", "1", ")") + " as x from kovrel",
               code::SqlSyntax, "nests"},
        BadSql{"deep_unary", "select " + nested(60000, "~", "1", "") + " from kovrel", code::SqlSyntax,
               "nests"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SqlTest, ExecuteWithoutAPreparedStatementIsRefused) {
    StatementHandle stmt = NoHandle;
    ASSERT_EQ(engine_.allocateStatement(db_, &stmt), code::Ok);
    CursorHandle cursor = 7;
    EXPECT_EQ(engine_.execute(stmt, &cursor), code::NoStatement);
    EXPECT_EQ(cursor, NoHandle);
}

TEST(SqlTranslation, ConstantsNamesAndSumsBecomeSqlite) {
    SqlStatement statement;
    std::string error;
    ASSERT_TRUE(
        SqlStatement::parse("select (sum(Dobijeni)- sum(Iskorisceni)) as ukupno from Kovrel\r\n"
                            "where prezimeime = 'O''NEIL'\r\nand razlog NOT like \"G\"\"%\"\r\n",
                            &statement, &error))
        << error;
    EXPECT_EQ(statement.sqliteText(),
              "select ( sum ( coalesce ( Dobijeni , 0 ) ) - sum ( coalesce ( Iskorisceni , 0 ) ) ) as ukupno "
              "from kovrel where prezimeime = 'O''NEIL' and razlog NOT like 'G\"%'");
    EXPECT_EQ(statement.tableNames(), std::vector<std::string>{"Kovrel"});
    EXPECT_FALSE(statement.selectsAllColumnsOfOneTable());

    ASSERT_TRUE(
        SqlStatement::parse("select * from kovrel\r\nwhere prezimeime = 'A'\r\n", &statement, &error));
    EXPECT_TRUE(statement.selectsAllColumnsOfOneTable());
    EXPECT_EQ(statement.whereText(), "prezimeime = 'A'");
}

}  // namespace
}  // namespace enginetest
