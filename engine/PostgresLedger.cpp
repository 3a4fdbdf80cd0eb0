// The ledger on a PostgreSQL server: its table kovrel and what the program keeps beside it, and creating,
// checking, loading and reading it.
#include "engine/PostgresLedger.h"

#include <strings.h>

#include <charconv>
#include <cstdlib>

namespace engine {
namespace {

// The server's type of each ledger column.
const char* typeOf(const LedgerColumn& column) {
    switch (column.type) {
        case FieldType::Date:
            return "date";
        case FieldType::String:
            return "varchar(30)";
        default:
            return "float8";
    }
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::unique_ptr<ServerConnection> connectForTool(const std::string& connection, std::string* error,
                                                 Result* result) {
    Failure failure;
    auto opened = ServerConnection::open(connection, "", "", &failure);
    if (!opened) {
        setError(error, failure.text);
        *result = failure.code;
    }
    return opened;
}

}  // namespace

std::string serverColumnName(std::size_t column) {
    std::string lower = ledgerColumns()[column].name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "\"" + lower + "\"";
}

std::string serverColumnList() {
    std::string list;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) list += (i ? ", " : "") + serverColumnName(i);
    return list;
}

const char* serverColumnType(std::size_t column) {
    return typeOf(ledgerColumns()[column]);
}

std::string serverParameter(std::size_t column, int number) {
    const char* type = serverColumnType(column);
    // A text parameter is cast to varchar without a length, so the column's own length check applies.
    return "$" + std::to_string(number) + "::" + (type[0] == 'v' ? "varchar" : type);
}

std::string serverInsertSql() {
    std::string sql = "INSERT INTO kovrel (" + serverColumnList() + ") VALUES (";
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        sql += (i ? ", " : "") + serverParameter(i, static_cast<int>(i) + 1);
    return sql + ")";
}

std::string serverNumberText(double value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

bool hasServerLedgerShape(ServerConnection& connection, Failure* failure) {
    PgResult result = connection.run(
        "SELECT column_name, data_type FROM information_schema.columns WHERE table_schema = current_schema() "
        "AND table_name = 'kovrel' ORDER BY ordinal_position",
        {}, failure);
    if (!result) return false;
    const int rows = PQntuples(result.get());
    if (rows == 0) {
        *failure = {code::NotALedger, connection.name() + ": the database holds no table kovrel"};
        return false;
    }
    bool matches = rows == static_cast<int>(LedgerColumnCount) + 1 &&
                   std::string(PQgetvalue(result.get(), 0, 0)) == "id";
    for (std::size_t i = 0; matches && i < LedgerColumnCount; ++i) {
        const std::string name = PQgetvalue(result.get(), static_cast<int>(i) + 1, 0);
        const std::string type = PQgetvalue(result.get(), static_cast<int>(i) + 1, 1);
        const std::string want = typeOf(ledgerColumns()[i]);
        matches = strcasecmp(name.c_str(), ledgerColumns()[i].name) == 0 &&
                  (want == "date"     ? type == "date"
                   : want == "float8" ? type == "double precision"
                                      : type == "character varying");
    }
    if (!matches) {
        *failure = {code::NotALedger,
                    connection.name() + ": the table kovrel has other columns than the ledger's"};
        return false;
    }
    return true;
}

namespace {

// The trigger functions behind every change of kovrel. Each change sends a notice on the channel of the
// ledger's schema, so cursors that hold rows learn of it without asking. The change of a journalled
// connection (one that set kovrel.korisnik) writes its journal entry as the file's triggers do (see
// Journal.h): the same texts, a number's JSON with a decimal point as SQLite writes a REAL.
const char* const ChangeFunctionTemplate =
    "CREATE OR REPLACE FUNCTION kovrel_vrednosti(vrednosti json, poredjenje json) RETURNS text LANGUAGE "
    "plpgsql IMMUTABLE AS $body$\n"
    "DECLARE\n"
    "  imena CONSTANT text[] := ARRAY[@COLUMNS@];\n"
    "  rezultat text := '';\n"
    "  vrednost text;\n"
    "BEGIN\n"
    "  FOR i IN 1 .. array_length(imena, 1) LOOP\n"
    "    vrednost := coalesce((vrednosti -> lower(imena[i]))::text, 'null');\n"
    "    IF vrednost IS DISTINCT FROM coalesce((poredjenje -> lower(imena[i]))::text, 'null') THEN\n"
    "      IF json_typeof(vrednosti -> lower(imena[i])) = 'number' AND vrednost !~ '[.eE]' THEN\n"
    "        vrednost := vrednost || '.0';\n"
    "      END IF;\n"
    "      rezultat := rezultat || CASE WHEN rezultat = '' THEN '' ELSE ',' END || to_json(imena[i])::text "
    "|| "
    "':' || vrednost;\n"
    "    END IF;\n"
    "  END LOOP;\n"
    "  RETURN '{' || rezultat || '}';\n"
    "END\n"
    "$body$;\n"
    "CREATE OR REPLACE FUNCTION kovrel_promena() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
    "DECLARE\n"
    "  staro text;\n"
    "  novo text;\n"
    "BEGIN\n"
    "  PERFORM pg_notify(TG_TABLE_SCHEMA || '.kovrel', '');\n"
    "  IF coalesce(current_setting('kovrel.korisnik', true), '') = '' THEN\n"
    "    RETURN NULL;\n"
    "  END IF;\n"
    "  IF TG_OP = 'INSERT' THEN\n"
    "    novo := kovrel_vrednosti(row_to_json(NEW), NULL);\n"
    "  ELSIF TG_OP = 'DELETE' THEN\n"
    "    staro := kovrel_vrednosti(row_to_json(OLD), NULL);\n"
    "  ELSE\n"
    "    staro := kovrel_vrednosti(row_to_json(OLD), row_to_json(NEW));\n"
    "    IF staro = '{}' THEN\n"
    "      RETURN NULL;\n"
    "    END IF;\n"
    "    novo := kovrel_vrednosti(row_to_json(NEW), row_to_json(OLD));\n"
    "  END IF;\n"
    "  INSERT INTO dnevnik (vreme, korisnik, racunar, operacija, kljuc, prezimeime, staro, novo) VALUES (\n"
    "    coalesce(nullif(current_setting('kovrel.vreme', true), ''),\n"
    "             to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')),\n"
    "    current_setting('kovrel.korisnik'), current_setting('kovrel.racunar', true),\n"
    "    CASE TG_OP WHEN 'INSERT' THEN 'unos' WHEN 'UPDATE' THEN 'izmena' ELSE 'brisanje' END,\n"
    "    CASE TG_OP WHEN 'DELETE' THEN OLD.id ELSE NEW.id END,\n"
    "    CASE TG_OP WHEN 'DELETE' THEN OLD.prezimeime ELSE NEW.prezimeime END, staro, novo);\n"
    "  RETURN NULL;\n"
    "END\n"
    "$body$";

const char* const JournalTableSql =
    "CREATE TABLE IF NOT EXISTS dnevnik (vreme varchar, korisnik varchar, racunar varchar, operacija "
    "varchar, "
    "kljuc bigint, prezimeime varchar, staro varchar, novo varchar, id bigserial PRIMARY KEY)";

const char* const ChangeTriggerSql =
    "CREATE TRIGGER kovrel_promena AFTER INSERT OR UPDATE OR DELETE ON kovrel FOR EACH ROW EXECUTE FUNCTION "
    "kovrel_promena()";

// The file's indexes (ledgerIndexes) on the server. A worker's rows are paged in key order, so the index on
// the name ends with the key.
std::string createServerIndexSql(const LedgerIndex& index) {
    std::string columns = index.columns;
    for (char& c : columns) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (columns == "prezimeime") columns += ", id";
    return std::string("CREATE INDEX IF NOT EXISTS ") + index.name + " ON kovrel (" + columns + ")";
}

// Whether the ledger lacks one of the pieces completeServerLedger adds, and the schema it lives in.
bool lacksExtras(ServerConnection& connection, bool* lacks, std::string* schema, Failure* failure) {
    std::string names;
    for (const LedgerIndex& index : ledgerIndexes())
        names += (names.empty() ? "'" : ", '") + std::string(index.name) + "'";
    PgResult found = connection.run(
        "SELECT (SELECT count(*) FROM pg_trigger WHERE tgrelid = 'kovrel'::regclass AND tgname = "
        "'kovrel_promena') + (SELECT count(*) FROM pg_tables WHERE schemaname = current_schema() AND "
        "tablename = 'dnevnik') + (SELECT count(*) FROM pg_indexes WHERE schemaname = current_schema() AND "
        "tablename = 'kovrel' AND indexname IN (" +
            names + ")), current_schema()",
        {}, failure);
    if (!found) return false;
    *lacks = std::string(PQgetvalue(found.get(), 0, 0)) != std::to_string(2 + ledgerIndexes().size());
    *schema = PQgetvalue(found.get(), 0, 1);
    return true;
}

// The statements that add what lacksExtras looks for; each leaves a piece that is there already as it is.
std::string extrasSql() {
    std::string columns;
    for (const LedgerColumn& column : ledgerColumns())
        columns += (columns.empty() ? "'" : ", '") + std::string(column.name) + "'";
    std::string function = ChangeFunctionTemplate;
    function.replace(function.find("@COLUMNS@"), 9, columns);
    std::string sql = std::string(JournalTableSql) + ";\n" + function + ";\n";
    for (const LedgerIndex& index : ledgerIndexes()) sql += createServerIndexSql(index) + ";\n";
    return sql + "DROP TRIGGER IF EXISTS kovrel_promena ON kovrel;\n" + ChangeTriggerSql;
}

}  // namespace

bool completeServerLedger(ServerConnection& connection, std::string* channel, Failure* failure) {
    channel->clear();
    bool lacks = false;
    std::string schema;
    if (!lacksExtras(connection, &lacks, &schema, failure)) return false;
    if (lacks) {
        // The lock keeps two clerks who open the ledger at once from adding the pieces twice.
        Failure refused;
        const bool added =
            connection.exec("BEGIN; LOCK TABLE kovrel IN SHARE ROW EXCLUSIVE MODE", &refused) &&
            lacksExtras(connection, &lacks, &schema, &refused) &&
            (!lacks || connection.exec(extrasSql(), &refused)) && connection.exec("COMMIT", &refused);
        if (!added) {
            connection.exec("ROLLBACK", failure);
            if (refused.code != code::TableReadOnly) {
                *failure = refused;
                return false;
            }
            return true;
        }
    }
    *channel = schema + ".kovrel";
    return true;
}

Result createServerLedger(const std::string& connection, std::string* error) {
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    std::string columns;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        columns += ", " + serverColumnName(i) + " " + serverColumnType(i);
    Failure failure;
    // The key keeps the stored order and lets a live result write through it; the program never sees it.
    // The indexes, and the trigger, come as for an older ledger opened.
    std::string channel;
    if (!conn->exec("CREATE TABLE kovrel (id bigserial PRIMARY KEY" + columns + ")", &failure) ||
        !completeServerLedger(*conn, &channel, &failure)) {
        setError(error, failure.text);
        return failure.code == code::SqlSyntax ? code::FileOpenFailed : failure.code;
    }
    return code::Ok;
}

Result checkServerLedger(const std::string& connection, std::string* report) {
    Result result = code::Ok;
    std::string error;
    auto conn = connectForTool(connection, &error, &result);
    Failure failure;
    if (conn && !hasServerLedgerShape(*conn, &failure)) {
        error = failure.text;
        result = failure.code;
    }
    PgResult count;
    if (conn && result == code::Ok) {
        count = conn->run("SELECT count(*) FROM kovrel", {}, &failure);
        if (!count) error = failure.text, result = failure.code;
    }
    if (result != code::Ok) {
        *report = error + "\nVerdict: not a sound ledger";
        return result;
    }
    *report = connectionDatabase(connection) + " on the server: table kovrel with its 12 columns and key, " +
              PQgetvalue(count.get(), 0, 0) + " rows\nVerdict: sound ledger";
    return code::Ok;
}

Result loadServerLedgerRows(const std::string& connection, const std::function<bool(LedgerValues&)>& next,
                            std::uint64_t* loaded, std::string* error) {
    if (loaded) *loaded = 0;
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    Failure failure;
    if (!hasServerLedgerShape(*conn, &failure) || !conn->exec("BEGIN", &failure)) {
        setError(error, failure.text);
        return failure.code;
    }
    const std::string sql = serverInsertSql();
    std::uint64_t count = 0;
    LedgerValues values;
    std::vector<std::string> texts(LedgerColumnCount);
    std::vector<const char*> parameters(LedgerColumnCount);
    bool stored = true;
    while (stored && (values = LedgerValues{}, next(values))) {
        for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
            if (const double* number = std::get_if<double>(&values[i])) {
                texts[i] = serverNumberText(*number);
                parameters[i] = texts[i].c_str();
            } else if (const std::string* text = std::get_if<std::string>(&values[i])) {
                parameters[i] = text->c_str();
            } else {
                parameters[i] = nullptr;
            }
        }
        if (conn->run(sql, parameters, &failure)) {
            ++count;
        } else {
            failure.text += " (row " + std::to_string(count + 1) + ")";
            stored = false;
        }
    }
    if (!stored || !conn->exec("COMMIT", &failure)) {
        conn->exec("ROLLBACK", &failure);
        setError(error, failure.text);
        return failure.code == code::SqlSyntax ? code::WriteFailed : failure.code;
    }
    if (loaded) *loaded = count;
    return code::Ok;
}

Result removeServerLedgerRows(const std::string& connection, std::string* error) {
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    Failure failure;
    if (!conn->exec("DELETE FROM kovrel", &failure)) {
        setError(error, failure.text);
        return failure.code;
    }
    return code::Ok;
}

Result readServerLedgerRows(const std::string& connection,
                            const std::function<void(const LedgerValues&)>& row, std::string* error) {
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    Failure failure;
    PgResult rows;
    if (!hasServerLedgerShape(*conn, &failure) ||
        !(rows = conn->run("SELECT " + serverColumnList() + " FROM kovrel ORDER BY id", {}, &failure))) {
        setError(error, failure.text);
        return failure.code;
    }
    LedgerValues values;
    for (int r = 0; r < PQntuples(rows.get()); ++r) {
        for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
            const int c = static_cast<int>(i);
            if (PQgetisnull(rows.get(), r, c))
                values[i] = std::monostate{};
            else if (ledgerColumns()[i].type == FieldType::Float)
                values[i] = std::strtod(PQgetvalue(rows.get(), r, c), nullptr);
            else
                values[i] = std::string(PQgetvalue(rows.get(), r, c));
        }
        row(values);
    }
    return code::Ok;
}

}  // namespace engine
