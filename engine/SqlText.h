// The program's SQL dialect: tokens, translation into SQLite's dialect, and the fields of a select.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Records.h"

namespace engine {

struct Token {
    enum class Kind { Word, String, Number, Symbol, Parameter };
    Kind kind = Kind::Symbol;
    std::string text;     // a word or symbol as written; a string's value without its quotes
    bool quoted = false;  // a Word written in brackets or backquotes: a name even if it spells a keyword
};

// The deepest nesting of parentheses and operators a statement may have. The engine's own SQL refuses
// far shallower nesting; the limit keeps every pass over a statement well inside the stack.
constexpr int MaxExpressionDepth = 256;

// Splits an SQL text into tokens; comments and line breaks are dropped. Answers false with *error
// for an unterminated constant or comment, or a zero character.
bool tokenize(const std::string& sql, std::vector<Token>* tokens, std::string* error);

// Looks a column of the statement's table up by name (any letter case).
using ColumnLookup = std::function<std::optional<FieldSpec>(const std::string& name)>;

// One statement of the program's dialect, parsed far enough to run it on SQLite: constants in double
// quotes become ordinary string constants, table names become the file's table `kovrel`, and every
// `sum` counts empty values as 0.
class SqlStatement {
  public:
    enum class Kind { Select, Write };

    // Answers false with *error when the text is not one SELECT, INSERT, UPDATE or DELETE statement, or
    // nests parentheses deeper than MaxExpressionDepth.
    static bool parse(const std::string& sql, SqlStatement* statement, std::string* error);

    Kind kind() const { return kind_; }
    // The table names the statement uses, as written, each once (compared without regard to case); the
    // change journal `dnevnik`, which lives in the ledger file, is not among them.
    const std::vector<std::string>& tableNames() const { return tableNames_; }
    // Whether the statement uses the change journal.
    bool usesJournal() const { return journal_; }
    // The statement in SQLite's dialect. A select without its own order by gives its rows in stored
    // order: plain rows by rowid, groups and distinct rows by their first stored row.
    std::string sqliteText() const;
    // The column of `select distinct <column> from <table>` with nothing after the table, else empty.
    std::string distinctColumn() const;
    // For such a select: the rows and order of sqliteText(), found by seeking from each value to the next
    // in an index that leads with the column, so that the work grows with the number of values instead
    // of the rows. Only for a column that leads such an index: without one, every seek walks the table.
    std::string sqliteTextSeekingDistinct() const;
    // The statement in PostgreSQL's dialect over the server's table, whose key column `id` keeps the stored
    // order as rowid does in the file. Names of the ledger's columns are quoted, LIKE patterns have no escape
    // character, and a distinct select that is also grouped loses its DISTINCT (PostgreSQL cannot order it by
    // its groups' first rows): postgresDropsDistinct() then tells the caller to drop repeated rows itself.
    std::string postgresText() const;
    bool postgresDropsDistinct() const { return order_ == Order::GroupsByFirstRow && distinct_; }
    // The from and where parts of a select in PostgreSQL's dialect.
    std::string postgresFromText() const { return tokensText(fromBegin_, fromEnd_, true); }
    std::string postgresWhereText() const { return tokensText(whereBegin_, whereEnd_, true); }
    // True for `select * from <table> [where ...]`: all columns of one table in stored order.
    bool selectsAllColumnsOfOneTable() const { return allColumns_; }
    // The table of a select as its from clause names it (with any alias), in SQLite's dialect.
    std::string fromText() const { return tokensText(fromBegin_, fromEnd_); }
    // The where clause of a select in SQLite's dialect, or empty.
    std::string whereText() const { return tokensText(whereBegin_, whereEnd_); }
    // The result fields of a select, decided from the statement alone. Answers false with *error when
    // an expression of the select list nests deeper than MaxExpressionDepth.
    bool resultFields(const std::vector<FieldSpec>& tableColumns, std::vector<FieldSpec>* fields,
                      std::string* error) const;

  private:
    void findSelectParts();
    void chooseOrder(bool distinct, bool star, bool oneTable);
    std::string dialectText(bool postgres) const;
    // The tokens from `begin` to `end` in SQLite's dialect, or PostgreSQL's, leaving out those `skip` names.
    std::string tokensText(std::size_t begin, std::size_t end, bool postgres = false,
                           const std::function<bool(std::size_t)>& skip = {}) const;

    Kind kind_ = Kind::Select;
    std::vector<Token> tokens_;  // translated
    std::vector<std::string> tableNames_;
    bool journal_ = false;
    bool allColumns_ = false;
    bool distinct_ = false;
    enum class Order { AsWritten, ByRowid, GroupsByFirstRow, DistinctByFirstRow } order_ = Order::AsWritten;
    std::size_t selectItems_ = 0;
    std::size_t selectListBegin_ = 0, selectListEnd_ = 0;
    std::size_t fromBegin_ = 0, fromEnd_ = 0;
    std::size_t whereBegin_ = 0, whereEnd_ = 0;
};

}  // namespace engine
