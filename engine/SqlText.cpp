// Tokens of the program's SQL dialect, its translation into SQLite's, and the fields a select yields.
#include "engine/SqlText.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "engine/Journal.h"
#include "engine/LedgerFile.h"

namespace engine {
namespace {

constexpr std::uint16_t UnknownTextSize = 255;

bool isWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool isWordChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

bool sameWord(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

bool isWord(const Token& token, const char* word) {
    return token.kind == Token::Kind::Word && sameWord(token.text, word);
}

bool isAnyWord(const Token& token, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(), [&token](const char* w) { return isWord(token, w); });
}

bool isSymbol(const Token& token, const char* symbol) {
    return token.kind == Token::Kind::Symbol && token.text == symbol;
}

// Words that end a table list or cannot be a table's alias.
bool endsTableName(const Token& token) {
    return isAnyWord(token, {"WHERE",     "GROUP",   "ORDER",     "HAVING",  "LIMIT", "UNION", "EXCEPT",
                             "INTERSECT", "WINDOW",  "JOIN",      "INNER",   "LEFT",  "RIGHT", "FULL",
                             "CROSS",     "NATURAL", "OUTER",     "ON",      "USING", "SET",   "VALUES",
                             "DEFAULT",   "SELECT",  "RETURNING", "INDEXED", "NOT",   "AS"});
}

bool endsSelectPart(const Token& token) {
    return isAnyWord(token, {"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "UNION", "EXCEPT", "INTERSECT",
                             "WINDOW"}) ||
           isSymbol(token, ";");
}

bool plainIdentifier(const std::string& text) {
    if (text.empty() || !isWordStart(static_cast<unsigned char>(text[0]))) return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return isWordChar(static_cast<unsigned char>(c)); });
}

std::string tokenSql(const Token& token) {
    switch (token.kind) {
        case Token::Kind::String:
            return quotedConstant(token.text);
        case Token::Kind::Word:
            if (!token.quoted && plainIdentifier(token.text)) return token.text;
            return quotedConstant(token.text, '"');
        default:
            return token.text;
    }
}

// A token in PostgreSQL's dialect. Names are folded to lower case as PostgreSQL folds unquoted ones, the
// ledger's columns are quoted, since one of them (Do) is a reserved word there, and rowid names the key.
std::string postgresTokenSql(const Token& token) {
    if (token.kind != Token::Kind::Word) return tokenSql(token);
    std::string lower = token.text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool column =
        std::any_of(ledgerColumns().begin(), ledgerColumns().end(),
                    [&](const LedgerColumn& c) { return strcasecmp(c.name, token.text.c_str()) == 0; });
    // The key column keeps the stored order, as the rowid does in a file.
    if (!token.quoted && lower == "rowid") return "id";
    if (!token.quoted && !column) return tokenSql(token);
    return "\"" + lower + "\"";
}

std::size_t utf8Length(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Reads a quoted run starting at `i` (the opening quote); a doubled closing quote stands for one.
bool readQuoted(const std::string& sql, std::size_t* i, char close, std::string* value) {
    for (std::size_t j = *i + 1; j < sql.size(); ++j) {
        if (sql[j] != close) {
            *value += sql[j];
        } else if (j + 1 < sql.size() && sql[j + 1] == close) {
            *value += close;
            ++j;
        } else {
            *i = j + 1;
            return true;
        }
    }
    return false;
}

std::size_t matchingParen(const std::vector<Token>& tokens, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < tokens.size(); ++i) {
        if (isSymbol(tokens[i], "(")) ++depth;
        if (isSymbol(tokens[i], ")") && --depth == 0) return i;
    }
    return tokens.size();
}

// A table reference at `i`: the name token becomes the file's table; returns the index after it. The
// change journal keeps its name and counts as no table file of its own.
std::size_t takeTableName(std::vector<Token>& tokens, std::size_t i, std::vector<std::string>* names,
                          std::vector<Token>* aliasFor, bool* journal) {
    Token& name = tokens[i];
    const bool isName =
        name.kind == Token::Kind::String || (name.kind == Token::Kind::Word && !endsTableName(name));
    if (!isName) return i;
    const std::string written = name.text;
    if (name.kind == Token::Kind::Word && sameWord(written, JournalTableName)) {
        *journal = true;
        name = Token{Token::Kind::Word, JournalTableName, false};
        return i + 1;
    }
    const bool known = std::any_of(names->begin(), names->end(),
                                   [&written](const std::string& n) { return sameWord(n, written.c_str()); });
    if (!known) names->push_back(written);
    name = Token{Token::Kind::Word, LedgerTableName, false};
    const bool hasAlias = i + 1 < tokens.size() && tokens[i + 1].kind == Token::Kind::Word &&
                          (isWord(tokens[i + 1], "AS") || !endsTableName(tokens[i + 1]));
    if (!hasAlias && plainIdentifier(written) && !sameWord(written, LedgerTableName)) {
        aliasFor->push_back(Token{Token::Kind::Word, written, false});
    }
    return i + 1;
}

// Replaces every table name by the file's table, keeping the written name as an alias in selects.
std::vector<Token> mapTableNames(std::vector<Token> tokens, std::vector<std::string>* names, bool* journal) {
    std::vector<Token> out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token keyword = tokens[i];
        out.push_back(keyword);
        if (!isAnyWord(keyword, {"FROM", "JOIN", "INTO", "UPDATE"}) || i + 1 >= tokens.size()) continue;
        std::size_t next = i + 1;
        if (isWord(keyword, "UPDATE") && isWord(tokens[next], "OR") && next + 2 < tokens.size()) next += 2;
        std::vector<Token> alias;
        const std::size_t after = takeTableName(tokens, next, names, &alias, journal);
        if (after == next) continue;
        out.insert(out.end(), tokens.begin() + static_cast<std::ptrdiff_t>(i + 1),
                   tokens.begin() + static_cast<std::ptrdiff_t>(after));
        if (!alias.empty() && isAnyWord(keyword, {"FROM", "JOIN"})) {
            out.push_back(Token{Token::Kind::Word, "AS", false});
            out.push_back(alias.front());
        }
        i = after - 1;
    }
    return out;
}

// Rewrites sum(x) as sum(coalesce(x, 0)) so empty values count as 0.
std::vector<Token> sumsCountEmptyAsZero(const std::vector<Token>& tokens) {
    std::vector<Token> out;
    std::vector<std::size_t> closes;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!closes.empty() && closes.back() == i) {
            closes.pop_back();
            out.push_back(Token{Token::Kind::Symbol, ",", false});
            out.push_back(Token{Token::Kind::Number, "0", false});
            out.push_back(Token{Token::Kind::Symbol, ")", false});
        }
        out.push_back(tokens[i]);
        const bool sumCall = isWord(tokens[i], "SUM") && i + 2 < tokens.size() &&
                             isSymbol(tokens[i + 1], "(") && !isSymbol(tokens[i + 2], ")") &&
                             !isSymbol(tokens[i + 2], "*");
        if (!sumCall) continue;
        const std::size_t close = matchingParen(tokens, i + 1);
        if (close >= tokens.size()) continue;
        out.push_back(tokens[++i]);
        if (isAnyWord(tokens[i + 1], {"DISTINCT", "ALL"})) out.push_back(tokens[++i]);
        out.push_back(Token{Token::Kind::Word, "coalesce", false});
        out.push_back(Token{Token::Kind::Symbol, "(", false});
        closes.push_back(close);
    }
    return out;
}

struct ParseError {};
// An expression nested deeper than MaxExpressionDepth.
struct TooDeep {};

struct Typed {
    FieldType type = FieldType::String;
    std::uint16_t size = UnknownTextSize;
    std::string column;  // the table column's name when the expression is a bare column
};

Typed textOf(std::size_t size) {
    return {
        FieldType::String, static_cast<std::uint16_t>(std::clamp<std::size_t>(size, 1, UnknownTextSize)), {}};
}

Typed numberOf(FieldType type) {
    return {type, 0, {}};
}

Typed arithmetic(const Typed& a, const Typed& b) {
    return numberOf(a.type == FieldType::Integer && b.type == FieldType::Integer ? FieldType::Integer
                                                                                 : FieldType::Float);
}

Typed wider(const Typed& a, const Typed& b) {
    if (a.type == b.type)
        return a.type == FieldType::String ? textOf(std::max(a.size, b.size)) : numberOf(a.type);
    if ((a.type == FieldType::Integer || a.type == FieldType::Float) &&
        (b.type == FieldType::Integer || b.type == FieldType::Float)) {
        return numberOf(FieldType::Float);
    }
    return textOf(UnknownTextSize);
}

// Decides the type of one select-list expression from its tokens.
class ExpressionTyper {
  public:
    ExpressionTyper(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                    const std::vector<FieldSpec>& columns)
        : tokens_(tokens), pos_(begin), end_(end), columns_(columns) {}

    Typed expression(int minPrecedence = 0) {
        Typed left = unary();
        while (pos_ < end_) {
            const int precedence = binaryPrecedence();
            if (precedence == 0 || precedence < minPrecedence) break;
            left = binary(left, precedence);
        }
        return left;
    }

    std::size_t position() const { return pos_; }

  private:
    const Token& peek(std::size_t ahead = 0) const {
        if (pos_ + ahead >= end_) throw ParseError{};
        return tokens_[pos_ + ahead];
    }
    bool atEnd(std::size_t ahead = 0) const { return pos_ + ahead >= end_; }
    const Token& take() {
        const Token& token = peek();
        ++pos_;
        return token;
    }
    void expectSymbol(const char* symbol) {
        if (!isSymbol(take(), symbol)) throw ParseError{};
    }
    void skipParenthesised() {
        if (!isSymbol(peek(), "(")) throw ParseError{};
        const std::size_t close = matchingParen(tokens_, pos_);
        if (close >= end_) throw ParseError{};
        pos_ = close + 1;
    }

    int binaryPrecedence() const {
        const Token& t = tokens_[pos_];
        if (isWord(t, "OR")) return 1;
        if (isWord(t, "AND")) return 2;
        if (isAnyWord(t,
                      {"IS", "IN", "LIKE", "GLOB", "MATCH", "REGEXP", "BETWEEN", "ISNULL", "NOTNULL", "NOT"}))
            return 4;
        if (t.kind != Token::Kind::Symbol) return 0;
        for (const char* s : {"=", "==", "!=", "<>"})
            if (t.text == s) return 4;
        for (const char* s : {"<", "<=", ">", ">="})
            if (t.text == s) return 5;
        for (const char* s : {"&", "|", "<<", ">>"})
            if (t.text == s) return 6;
        if (t.text == "+" || t.text == "-") return 7;
        if (t.text == "*" || t.text == "/" || t.text == "%") return 8;
        if (t.text == "||") return 9;
        return 0;
    }

    Typed binary(const Typed& left, int precedence) {
        const Token op = take();
        if (op.kind == Token::Kind::Symbol) {
            const Typed right = expression(precedence + 1);
            if (op.text == "||") return textOf(left.size + right.size);
            if (precedence >= 6) return arithmetic(left, right);
            return numberOf(FieldType::Integer);
        }
        if (precedence <= 2) {
            expression(precedence + 1);
            return numberOf(FieldType::Integer);
        }
        comparison(op);
        return numberOf(FieldType::Integer);
    }

    void comparison(const Token& op) {
        if (isAnyWord(op, {"ISNULL", "NOTNULL"})) return;
        if (isWord(op, "NOT") && !atEnd() && isWord(peek(), "NULL")) {
            ++pos_;
            return;
        }
        const Token& word = isWord(op, "NOT") ? take() : op;
        if (isWord(word, "IS")) {
            if (isWord(peek(), "NOT")) ++pos_;
            if (isWord(peek(), "DISTINCT")) pos_ += 2;
            expression(5);
        } else if (isWord(word, "IN")) {
            if (isSymbol(peek(), "(")) {
                skipParenthesised();
            } else {
                ++pos_;
            }
        } else if (isWord(word, "BETWEEN")) {
            expression(5);
            if (!isWord(take(), "AND")) throw ParseError{};
            expression(5);
        } else if (isAnyWord(word, {"LIKE", "GLOB", "MATCH", "REGEXP"})) {
            expression(5);
            if (!atEnd() && isWord(peek(), "ESCAPE")) {
                ++pos_;
                expression(5);
            }
        } else {
            throw ParseError{};
        }
    }

    // Every nesting of the grammar passes through here, so counting here bounds the recursion.
    Typed unary() {
        if (depth_ >= MaxExpressionDepth) throw TooDeep{};
        ++depth_;
        Typed typed = unaryOperand();
        --depth_;
        return typed;
    }

    Typed unaryOperand() {
        const Token& t = peek();
        // SQLite's unary plus leaves its operand as it is, a text too.
        if (isSymbol(t, "+")) {
            ++pos_;
            Typed operand = unary();
            operand.column.clear();
            return operand;
        }
        if (isSymbol(t, "-") || isSymbol(t, "~")) {
            ++pos_;
            const Typed operand = unary();
            return numberOf(operand.type == FieldType::Integer ? FieldType::Integer : FieldType::Float);
        }
        if (isWord(t, "NOT")) {
            ++pos_;
            expression(3);
            return numberOf(FieldType::Integer);
        }
        return primary();
    }

    Typed primary() {
        const Token& t = take();
        switch (t.kind) {
            case Token::Kind::Number:
                return numberOf(t.text.find_first_of(".eE") == std::string::npos ? FieldType::Integer
                                                                                 : FieldType::Float);
            case Token::Kind::String:
                return textOf(utf8Length(t.text));
            case Token::Kind::Parameter:
                return textOf(UnknownTextSize);
            case Token::Kind::Symbol:
                if (t.text != "(") throw ParseError{};
                if (isAnyWord(peek(), {"SELECT", "WITH"})) {
                    --pos_;
                    skipParenthesised();
                    return textOf(UnknownTextSize);
                }
                {
                    Typed inner = expression();
                    expectSymbol(")");
                    inner.column.clear();
                    return inner;
                }
            case Token::Kind::Word:
                break;
        }
        if (isWord(t, "CASE")) return caseExpression();
        if (isWord(t, "CAST")) return castExpression();
        if (isWord(t, "EXISTS")) {
            skipParenthesised();
            return numberOf(FieldType::Integer);
        }
        if (isWord(t, "NULL")) return textOf(UnknownTextSize);
        if (isWord(t, "CURRENT_DATE")) return numberOf(FieldType::Date);
        if (!atEnd() && isSymbol(peek(), "(")) return functionCall(t.text);
        if (!atEnd(1) && isSymbol(peek(), ".") && peek(1).kind == Token::Kind::Word) {
            pos_ += 2;
            return column(tokens_[pos_ - 1].text);
        }
        return column(t.text);
    }

    Typed column(const std::string& name) const {
        for (const FieldSpec& c : columns_) {
            if (sameWord(c.name, name.c_str())) return {c.type, c.size, c.name};
        }
        throw ParseError{};
    }

    Typed caseExpression() {
        if (!isWord(peek(), "WHEN")) expression();
        std::optional<Typed> result;
        while (isWord(peek(), "WHEN")) {
            ++pos_;
            expression();
            if (!isWord(take(), "THEN")) throw ParseError{};
            const Typed branch = expression();
            result = result ? wider(*result, branch) : branch;
        }
        if (isWord(peek(), "ELSE")) {
            ++pos_;
            const Typed branch = expression();
            result = result ? wider(*result, branch) : branch;
        }
        if (!isWord(take(), "END") || !result) throw ParseError{};
        result->column.clear();
        return *result;
    }

    Typed castExpression() {
        expectSymbol("(");
        expression();
        if (!isWord(take(), "AS")) throw ParseError{};
        // The type name runs to the cast's own closing parenthesis: varchar(30), decimal(10, 2).
        std::string typeName;
        for (int open = 0; open > 0 || !isSymbol(peek(), ")");) {
            if (isSymbol(peek(), "(")) ++open;
            if (isSymbol(peek(), ")")) --open;
            typeName += take().text;
        }
        ++pos_;
        const LedgerColumn declared = fieldTypeOfDeclared(typeName);
        return {declared.type, declared.size, {}};
    }

    // Arguments of a call, after its name, through its closing parenthesis.
    std::vector<Typed> arguments() {
        expectSymbol("(");
        std::vector<Typed> args;
        if (isAnyWord(peek(), {"DISTINCT", "ALL"})) ++pos_;
        if (isSymbol(peek(), "*")) {
            ++pos_;
        } else if (!isSymbol(peek(), ")")) {
            args.push_back(expression());
            while (isSymbol(peek(), ",")) {
                ++pos_;
                args.push_back(expression());
            }
        }
        expectSymbol(")");
        for (const char* trailer : {"FILTER", "OVER"}) {
            if (!atEnd() && isWord(peek(), trailer)) {
                ++pos_;
                if (!atEnd() && isSymbol(peek(), "("))
                    skipParenthesised();
                else if (!atEnd())
                    ++pos_;
            }
        }
        return args;
    }

    // The type of a call of one of SQLite's functions; any other function gives text.
    Typed functionCall(const std::string& name) {
        const std::vector<Typed> args = arguments();
        const auto named = [&name](std::initializer_list<const char*> names) {
            return std::any_of(names.begin(), names.end(),
                               [&name](const char* n) { return sameWord(name, n); });
        };
        Typed result = args.empty() ? textOf(UnknownTextSize) : args.front();
        if (named({"count", "length", "instr"})) {
            result = numberOf(FieldType::Integer);
        } else if (named({"sum", "avg", "total", "round"})) {
            result = numberOf(FieldType::Float);
        } else if (named({"max", "min", "coalesce", "ifnull"})) {
            for (std::size_t i = 1; i < args.size(); ++i) result = wider(result, args[i]);
        } else if (named({"upper", "lower", "trim", "ltrim", "rtrim", "substr", "replace"})) {
            result = textOf(result.type == FieldType::String ? result.size : UnknownTextSize);
        } else if (named({"date"})) {
            result = numberOf(FieldType::Date);
        } else if (!named({"abs", "nullif"})) {
            result = textOf(UnknownTextSize);
        }
        result.column.clear();
        return result;
    }

    const std::vector<Token>& tokens_;
    std::size_t pos_, end_;
    const std::vector<FieldSpec>& columns_;
    int depth_ = 0;
};

std::string itemText(const std::vector<Token>& tokens, std::size_t begin, std::size_t end) {
    std::string text;
    for (std::size_t i = begin; i < end; ++i) {
        const bool wordy = tokens[i].kind != Token::Kind::Symbol;
        if (i > begin && wordy && tokens[i - 1].kind != Token::Kind::Symbol) text += ' ';
        text += tokens[i].kind == Token::Kind::String ? quotedConstant(tokens[i].text) : tokens[i].text;
    }
    return text;
}

std::string tooDeepText() {
    return "the statement nests expressions more than " + std::to_string(MaxExpressionDepth) + " levels deep";
}

// Parentheses nested deeper than any expression may be are refused before any pass walks them.
bool nestingWithinLimit(const std::vector<Token>& tokens) {
    int depth = 0;
    for (const Token& token : tokens) {
        if (isSymbol(token, "(") && ++depth > MaxExpressionDepth) return false;
        if (isSymbol(token, ")")) --depth;
    }
    return true;
}

void addUniquely(std::vector<FieldSpec>* fields, FieldSpec field) {
    const std::string base = field.name;
    for (int n = 1;; ++n) {
        const bool taken = std::any_of(fields->begin(), fields->end(), [&field](const FieldSpec& f) {
            return sameWord(f.name, field.name.c_str());
        });
        if (!taken) break;
        field.name = base + "_" + std::to_string(n);
    }
    fields->push_back(std::move(field));
}

}  // namespace

std::string quotedConstant(std::string_view value, char quote) {
    std::string quoted(1, quote);
    quoted.reserve(value.size() + 2);
    for (char c : value) {
        quoted += c;
        if (c == quote) quoted += quote;
    }
    return quoted += quote;
}

bool tokenize(const std::string& sql, std::vector<Token>* tokens, std::string* error) {
    tokens->clear();
    // SQLite reads a statement only up to a zero character, so the rest would not run as it was read here.
    if (sql.find('\0') != std::string::npos) {
        *error = "the statement holds a zero character";
        return false;
    }
    tokens->reserve(sql.size() / 4);  // about the tokens of the catalogue's texts, so they seldom move
    std::size_t i = 0;
    const std::size_t n = sql.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const auto close = sql.find("*/", i + 2);
            if (close == std::string::npos) {
                *error = "unterminated comment";
                return false;
            }
            i = close + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            Token token{
                c == '\'' || c == '"' ? Token::Kind::String : Token::Kind::Word, {}, c == '[' || c == '`'};
            const bool closed = readQuoted(sql, &i, c == '[' ? ']' : static_cast<char>(c), &token.text);
            if (!closed) {
                *error = std::string("unterminated quoted text starting with ") + static_cast<char>(c);
                return false;
            }
            tokens->push_back(std::move(token));
        } else if (std::isdigit(c) ||
                   (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            std::size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '.' ||
                             ((sql[j] == '+' || sql[j] == '-') && (sql[j - 1] == 'e' || sql[j - 1] == 'E'))))
                ++j;
            tokens->push_back(Token{Token::Kind::Number, sql.substr(i, j - i), false});
            i = j;
        } else if (isWordStart(c)) {
            std::size_t j = i;
            while (j < n && isWordChar(static_cast<unsigned char>(sql[j]))) ++j;
            tokens->push_back(Token{Token::Kind::Word, sql.substr(i, j - i), false});
            i = j;
        } else if (c == '?' || c == ':' || c == '@' || c == '$') {
            std::size_t j = i + 1;
            while (j < n && isWordChar(static_cast<unsigned char>(sql[j]))) ++j;
            tokens->push_back(Token{Token::Kind::Parameter, sql.substr(i, j - i), false});
            i = j;
        } else {
            static const char* pairs[] = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>"};
            std::string symbol(1, static_cast<char>(c));
            for (const char* pair : pairs) {
                if (sql.compare(i, 2, pair) == 0) symbol = pair;
            }
            tokens->push_back(Token{Token::Kind::Symbol, symbol, false});
            i += symbol.size();
        }
    }
    return true;
}

bool SqlStatement::parse(const std::string& sql, SqlStatement* statement, std::string* error) {
    std::vector<Token> tokens;
    if (!tokenize(sql, &tokens, error)) return false;
    if (!nestingWithinLimit(tokens)) {
        *error = tooDeepText();
        return false;
    }
    if (!tokens.empty() && isSymbol(tokens.back(), ";")) tokens.pop_back();
    if (tokens.empty()) {
        *error = "the statement is empty";
        return false;
    }
    if (std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return isSymbol(t, ";"); })) {
        *error = "only one statement can be run at a time";
        return false;
    }
    SqlStatement parsed;
    if (isWord(tokens.front(), "SELECT")) {
        parsed.kind_ = Kind::Select;
    } else if (isAnyWord(tokens.front(), {"INSERT", "UPDATE", "DELETE", "REPLACE"})) {
        parsed.kind_ = Kind::Write;
    } else {
        *error = "only SELECT, INSERT, UPDATE and DELETE statements can be run";
        return false;
    }
    parsed.tokens_ =
        sumsCountEmptyAsZero(mapTableNames(std::move(tokens), &parsed.tableNames_, &parsed.journal_));
    if (parsed.tableNames_.empty() && !parsed.journal_) {
        *error = "the statement names no table";
        return false;
    }
    if (parsed.kind_ == Kind::Select) parsed.findSelectParts();
    *statement = std::move(parsed);
    return true;
}

void SqlStatement::findSelectParts() {
    const auto& t = tokens_;
    std::size_t i = 1;
    const bool distinct = i < t.size() && isWord(t[i], "DISTINCT");
    if (i < t.size() && isAnyWord(t[i], {"DISTINCT", "ALL"})) ++i;
    selectListBegin_ = i;
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (isSymbol(t[i], "(")) ++depth;
        if (isSymbol(t[i], ")")) --depth;
        if (depth == 0 && isWord(t[i], "FROM")) break;
    }
    selectListEnd_ = i;
    const std::size_t fromBegin = std::min(i + 1, t.size());
    for (i = fromBegin; i < t.size() && !endsSelectPart(t[i]); ++i) {
    }
    const std::size_t fromEnd = i;
    fromBegin_ = fromBegin;
    fromEnd_ = fromEnd;
    whereBegin_ = whereEnd_ = i;
    if (i < t.size() && isWord(t[i], "WHERE")) {
        whereBegin_ = ++i;
        for (depth = 0; i < t.size(); ++i) {
            if (isSymbol(t[i], "(")) ++depth;
            if (isSymbol(t[i], ")")) --depth;
            if (depth == 0 && endsSelectPart(t[i])) break;
        }
        whereEnd_ = i;
    }
    const std::size_t listLength = selectListEnd_ - selectListBegin_;
    const bool star =
        (listLength == 1 && isSymbol(t[selectListBegin_], "*")) ||
        (listLength == 3 && isSymbol(t[selectListBegin_ + 1], ".") && isSymbol(t[selectListBegin_ + 2], "*"));
    const std::size_t fromLength = fromEnd - fromBegin;
    const bool oneTable = tableNames_.size() == 1 && fromLength >= 1 && fromLength <= 3 &&
                          std::none_of(t.begin() + static_cast<std::ptrdiff_t>(fromBegin),
                                       t.begin() + static_cast<std::ptrdiff_t>(fromEnd),
                                       [](const Token& x) { return isSymbol(x, ",") || isSymbol(x, "("); });
    allColumns_ = !distinct && star && oneTable && whereEnd_ == t.size();
    distinct_ = distinct;
    chooseOrder(distinct, star, oneTable);
}

void SqlStatement::chooseOrder(bool distinct, bool star, bool oneTable) {
    const auto& t = tokens_;
    bool grouped = false, ordered = false, aggregate = false;
    int depth = 0;
    for (std::size_t i = selectListBegin_; i < t.size(); ++i) {
        if (isSymbol(t[i], "(")) ++depth;
        if (isSymbol(t[i], ")")) --depth;
        if (depth != 0) continue;
        if (isWord(t[i], "GROUP")) grouped = true;
        if (isAnyWord(t[i], {"ORDER", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "WINDOW"})) ordered = true;
        if (i < selectListEnd_ && isSymbol(t[i], ",")) ++selectItems_;
    }
    ++selectItems_;
    // Aggregates and window functions see more than one row, so their rows cannot be paged.
    for (std::size_t i = selectListBegin_; i + 1 < selectListEnd_; ++i) {
        const bool call = isSymbol(t[i + 1], "(");
        if ((call && isAnyWord(t[i], {"COUNT", "SUM", "AVG", "TOTAL", "MAX", "MIN", "GROUP_CONCAT"})) ||
            isWord(t[i], "OVER"))
            aggregate = true;
    }
    if (ordered || !oneTable) return;
    if (grouped) {
        order_ = Order::GroupsByFirstRow;
    } else if (aggregate) {
        order_ = Order::AsWritten;
    } else if (distinct) {
        order_ = star ? Order::AsWritten : Order::DistinctByFirstRow;
    } else {
        order_ = Order::ByRowid;
    }
}

std::string SqlStatement::sqliteText() const {
    return dialectText(false);
}

std::string SqlStatement::distinctColumn() const {
    const bool oneColumn = order_ == Order::DistinctByFirstRow && selectListEnd_ == selectListBegin_ + 1 &&
                           tokens_[selectListBegin_].kind == Token::Kind::Word;
    if (!oneColumn || whereBegin_ != whereEnd_ || fromEnd_ != tokens_.size()) return {};
    return tokenSql(tokens_[selectListBegin_]);
}

std::string SqlStatement::sqliteTextSeekingDistinct() const {
    const std::string column = distinctColumn();
    if (column.empty()) return {};
    // The values other than empty, each found as the least one above the one before; then the empty
    // value when there is one; ordered by the first row that holds each. @c stands for the column, @t for
    // the table.
    const std::string pattern =
        "WITH RECURSIVE distinct_values(value) AS ("
        "SELECT (SELECT min(@c) FROM @t) UNION ALL "
        "SELECT (SELECT min(@c) FROM @t WHERE @c > distinct_values.value) FROM distinct_values "
        "WHERE distinct_values.value IS NOT NULL) "
        "SELECT value AS @c FROM (SELECT value FROM distinct_values WHERE value IS NOT NULL "
        "UNION ALL SELECT NULL WHERE EXISTS (SELECT 1 FROM @t WHERE @c IS NULL)) AS found "
        "ORDER BY (SELECT min(rowid) FROM @t WHERE @c IS found.value)";
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '@' && i + 1 < pattern.size()) {
            text += pattern[++i] == 'c' ? column : std::string(LedgerTableName);
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::string SqlStatement::postgresText() const {
    return dialectText(true);
}

std::string SqlStatement::dialectText(bool postgres) const {
    const bool dropDistinct = postgres && postgresDropsDistinct();
    std::string text = tokensText(0, tokens_.size(), postgres, [&](std::size_t i) {
        return (order_ == Order::DistinctByFirstRow || dropDistinct) && i == selectListBegin_ - 1;
    });
    const std::string key = postgres ? "id" : "rowid";
    switch (order_) {
        case Order::AsWritten:
            break;
        case Order::ByRowid:
            text += " ORDER BY " + key;
            break;
        case Order::GroupsByFirstRow:
            text += " ORDER BY min(" + key + ")";
            break;
        case Order::DistinctByFirstRow:
            text += " GROUP BY ";
            for (std::size_t item = 1; item <= selectItems_; ++item)
                text += (item > 1 ? ", " : "") + std::to_string(item);
            text += " ORDER BY min(" + key + ")";
            break;
    }
    return text;
}

std::string SqlStatement::tokensText(std::size_t begin, std::size_t end, bool postgres,
                                     const std::function<bool(std::size_t)>& skip) const {
    std::string text;
    for (std::size_t i = begin; i < end; ++i) {
        if (skip && skip(i)) continue;
        if (!text.empty()) text += ' ';
        text += postgres ? postgresTokenSql(tokens_[i]) : tokenSql(tokens_[i]);
        // PostgreSQL's LIKE takes a backslash as its escape character unless told otherwise.
        if (postgres && isAnyWord(tokens_[i], {"LIKE"}) && i + 1 < end &&
            tokens_[i + 1].kind == Token::Kind::String &&
            !(i + 2 < end && isWord(tokens_[i + 2], "ESCAPE"))) {
            text += ' ' + quotedConstant(tokens_[++i].text) + " ESCAPE ''";
        }
    }
    return text;
}

bool SqlStatement::resultFields(const std::vector<FieldSpec>& tableColumns, std::vector<FieldSpec>* result,
                                std::string* error) const {
    std::vector<FieldSpec> fields;
    std::size_t begin = selectListBegin_;
    while (begin < selectListEnd_) {
        std::size_t end = begin;
        for (int depth = 0; end < selectListEnd_; ++end) {
            if (isSymbol(tokens_[end], "(")) ++depth;
            if (isSymbol(tokens_[end], ")")) --depth;
            if (depth == 0 && isSymbol(tokens_[end], ",")) break;
        }
        const std::size_t length = end - begin;
        const bool star =
            (length == 1 && isSymbol(tokens_[begin], "*")) ||
            (length == 3 && isSymbol(tokens_[begin + 1], ".") && isSymbol(tokens_[begin + 2], "*"));
        if (star) {
            for (const FieldSpec& column : tableColumns) addUniquely(&fields, column);
        } else {
            ExpressionTyper typer(tokens_, begin, end, tableColumns);
            Typed typed;
            std::size_t exprEnd = end;
            try {
                typed = typer.expression();
                exprEnd = typer.position();
            } catch (const ParseError&) {
                typed = textOf(UnknownTextSize);
            } catch (const TooDeep&) {
                *error = tooDeepText();
                return false;
            }
            std::string name;
            std::size_t aliasAt = exprEnd;
            if (aliasAt < end && isWord(tokens_[aliasAt], "AS")) ++aliasAt;
            if (aliasAt + 1 == end && tokens_[aliasAt].kind != Token::Kind::Symbol) {
                name = tokens_[aliasAt].text;
            } else {
                name = typed.column.empty() ? itemText(tokens_, begin, exprEnd) : typed.column;
            }
            addUniquely(&fields, FieldSpec{name, typed.type,
                                           typed.type == FieldType::String ? typed.size : std::uint16_t{0}});
        }
        begin = end + 1;
    }
    *result = std::move(fields);
    return true;
}

}  // namespace engine
