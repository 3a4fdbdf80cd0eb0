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

// Who a ledger answers to on its server, named after its database: the role that owns its tables and the
// journal's trigger function, which cannot log in, and the group role of its clerks.
struct LedgerRoles {
    std::string owner, clerks;
};

constexpr const char* OwnerSuffix = "_vlasnik";
constexpr const char* ClerksSuffix = "_sluzbenik";

LedgerRoles rolesOfDatabase(const std::string& database) {
    return {database + OwnerSuffix, database + ClerksSuffix};
}

// Whether the server has the role of the connection's database that ends in `suffix`, as a query's column.
std::string hasDatabaseRoleSql(const char* suffix) {
    return std::string("EXISTS (SELECT FROM pg_roles WHERE rolname = current_database() || '") + suffix +
           "')";
}

// Connects for a tool and asks the server `sql` first; nullptr with *error and *result filled when
// either fails.
PgResult askServer(const std::string& connection, const std::string& sql,
                   const std::vector<const char*>& parameters, std::unique_ptr<ServerConnection>* conn,
                   std::string* error, Result* result) {
    *conn = connectForTool(connection, error, result);
    if (!*conn) return nullptr;
    Failure failure;
    PgResult answer = (*conn)->run(sql, parameters, &failure);
    if (!answer) {
        setError(error, failure.text);
        *result = failure.code;
    }
    return answer;
}

// A name as the server's statements write it.
std::string quotedName(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The trigger functions behind every change of kovrel, whoever makes it. Each change sends a notice on the
// channel of the ledger's schema, so cursors that hold rows learn of it without asking, and writes its
// journal entry as the file's triggers do (see Journal.h): the same texts, a number's JSON with a decimal
// point as SQLite writes a REAL. What the entry says of when and who the server decides: its clock, and
// the role that logged in (which SET ROLE does not change); what the program claims of the system user
// and host it runs for goes into Racunar. The function runs with its owner's rights and finds its tables
// in the ledger's schema alone, never in a session's temporary tables.
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
    "CREATE OR REPLACE FUNCTION kovrel_promena() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET "
    "search_path = @SCHEMA@, pg_temp AS $body$\n"
    "DECLARE\n"
    "  staro text;\n"
    "  novo text;\n"
    "BEGIN\n"
    "  PERFORM pg_notify(TG_TABLE_SCHEMA || '.kovrel', '');\n"
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
    "    to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), session_user,\n"
    "    nullif(current_setting('kovrel.racunar', true), ''),\n"
    "    CASE TG_OP WHEN 'INSERT' THEN 'unos' WHEN 'UPDATE' THEN 'izmena' ELSE 'brisanje' END,\n"
    "    CASE TG_OP WHEN 'DELETE' THEN OLD.id ELSE NEW.id END,\n"
    "    CASE TG_OP WHEN 'DELETE' THEN OLD.prezimeime ELSE NEW.prezimeime END, staro, novo);\n"
    "  RETURN NULL;\n"
    "END\n"
    "$body$;\n"
    "REVOKE ALL ON FUNCTION kovrel_promena() FROM PUBLIC";

// A journal made before entries named their table gets the column tabela, its entries those of kovrel.
const char* const JournalTableSql =
    "CREATE TABLE IF NOT EXISTS dnevnik (vreme varchar, korisnik varchar, racunar varchar, operacija "
    "varchar, "
    "kljuc bigint, prezimeime varchar, staro varchar, novo varchar, id bigserial PRIMARY KEY);\n"
    "ALTER TABLE dnevnik ADD COLUMN IF NOT EXISTS tabela varchar DEFAULT 'kovrel'";

// The holiday calendar and the trigger function that journals each of its changes as the file's triggers
// do: no key and no name, the day's values whole on either side. It runs as kovrel_promena does.
const char* const HolidayTemplate =
    "CREATE TABLE IF NOT EXISTS praznici (datum date PRIMARY KEY, naziv varchar(@SIZE@) NOT NULL CHECK "
    "(btrim(naziv) <> ''));\n"
    "CREATE OR REPLACE FUNCTION praznici_promena() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET "
    "search_path = @SCHEMA@, pg_temp AS $body$\n"
    "DECLARE\n"
    "  staro text;\n"
    "  novo text;\n"
    "BEGIN\n"
    "  IF TG_OP <> 'INSERT' THEN\n"
    "    staro := '{\"Datum\":' || to_json(to_char(OLD.datum, 'YYYY-MM-DD'))::text || ',\"Naziv\":' || "
    "to_json(OLD.naziv)::text || '}';\n"
    "  END IF;\n"
    "  IF TG_OP <> 'DELETE' THEN\n"
    "    novo := '{\"Datum\":' || to_json(to_char(NEW.datum, 'YYYY-MM-DD'))::text || ',\"Naziv\":' || "
    "to_json(NEW.naziv)::text || '}';\n"
    "  END IF;\n"
    "  IF staro = novo THEN\n"
    "    RETURN NULL;\n"
    "  END IF;\n"
    "  INSERT INTO dnevnik (vreme, korisnik, racunar, operacija, staro, novo, tabela) VALUES (\n"
    "    to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), session_user,\n"
    "    nullif(current_setting('kovrel.racunar', true), ''),\n"
    "    CASE TG_OP WHEN 'INSERT' THEN 'unos' WHEN 'UPDATE' THEN 'izmena' ELSE 'brisanje' END, staro, novo,\n"
    "    'praznici');\n"
    "  RETURN NULL;\n"
    "END\n"
    "$body$;\n"
    "REVOKE ALL ON FUNCTION praznici_promena() FROM PUBLIC;\n"
    "DROP TRIGGER IF EXISTS praznici_promena ON praznici;\n"
    "CREATE TRIGGER praznici_promena AFTER INSERT OR UPDATE OR DELETE ON praznici FOR EACH ROW EXECUTE "
    "FUNCTION praznici_promena()";

const char* const ChangeTriggerSql =
    "CREATE TRIGGER kovrel_promena AFTER INSERT OR UPDATE OR DELETE ON kovrel FOR EACH ROW EXECUTE FUNCTION "
    "kovrel_promena()";

// The file's indexes (ledgerIndexes) on the server. A worker's rows are paged in key order, so the index on
// the name ends with the key.
std::string createServerIndexSql(const LedgerIndex& index) {
    std::string columns;
    std::string_view rest = index.columns;
    while (!rest.empty()) {
        const std::size_t comma = std::min(rest.find(','), rest.size());
        std::string name(rest.substr(0, comma));
        rest.remove_prefix(std::min(comma + 1, rest.size()));
        std::erase(name, ' ');
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // Quoted as the table's columns are: "do" is a word of PostgreSQL's own.
        columns += (columns.empty() ? "\"" : ", \"") + name + "\"";
    }
    if (columns == "\"prezimeime\"") columns += ", id";
    return std::string("CREATE INDEX IF NOT EXISTS ") + index.name + " ON kovrel (" + columns + ")";
}

// What the ledger's schema holds of the pieces the program keeps beside the table, and what the session's
// role may do there.
struct LedgerState {
    bool journal = false;      // the table dnevnik
    std::string trigger;       // kovrel_promena's state on the server ("O", "D", ...), empty when missing
    bool definer = false;      // the trigger function runs with its owner's rights, on a fixed path
    bool indexes = false;      // all of the file's indexes, which only speed the reading
    std::string schema;        // the ledger's
    std::string owner;         // of the table kovrel
    bool actsAsOwner = false;  // the session's role has the owner's rights
    bool writable = false;     // the session's role may insert, change and delete rows
    std::string clerks;        // the database's group role of clerks, empty when it has none
    bool journalNamesTable = false;  // the journal has its column tabela
    bool holidays = false;           // the table praznici
    bool holidayTrigger = false;     // its enabled trigger, on a function run with the owner's rights

    bool triggerEnabled() const { return !trigger.empty() && trigger != "D"; }
    // Every change of kovrel is journalled and noticed.
    bool journalled() const { return journal && triggerEnabled() && definer; }
    bool complete() const {
        return journalled() && indexes && journalNamesTable && holidays && holidayTrigger;
    }
};

bool readLedgerState(ServerConnection& connection, LedgerState* state, Failure* failure) {
    std::string names;
    for (const LedgerIndex& index : ledgerIndexes())
        names += (names.empty() ? "'" : ", '") + std::string(index.name) + "'";
    PgResult found = connection.run(
        "SELECT EXISTS (SELECT FROM pg_tables WHERE schemaname = current_schema() AND tablename = "
        "'dnevnik'), (SELECT tgenabled FROM pg_trigger WHERE tgrelid = k.oid AND tgname = "
        "'kovrel_promena'), coalesce((SELECT prosecdef AND proconfig IS NOT NULL AND proowner = k.relowner "
        "FROM pg_proc WHERE oid = to_regprocedure('kovrel_promena()')), false), (SELECT count(*) FROM "
        "pg_indexes WHERE schemaname = current_schema() AND tablename = 'kovrel' AND indexname IN (" +
            names + ")) = " + std::to_string(ledgerIndexes().size()) +
            ", current_schema(), pg_get_userbyid(k.relowner), pg_has_role(k.relowner, 'USAGE'), "
            "has_table_privilege(k.oid, 'INSERT') AND has_table_privilege(k.oid, 'UPDATE') AND "
            "has_table_privilege(k.oid, 'DELETE'), CASE WHEN " +
            hasDatabaseRoleSql(ClerksSuffix) + " THEN current_database() || '" + ClerksSuffix +
            "' ELSE '' END, EXISTS (SELECT FROM information_schema.columns WHERE table_schema = "
            "current_schema() AND table_name = 'dnevnik' AND column_name = 'tabela'), to_regclass("
            "quote_ident(current_schema()) || '.praznici') IS NOT NULL, EXISTS (SELECT FROM pg_trigger t "
            "JOIN "
            "pg_proc p ON p.oid = t.tgfoid WHERE t.tgrelid = to_regclass(quote_ident(current_schema()) || "
            "'.praznici') AND t.tgname = 'praznici_promena' AND t.tgenabled <> 'D' AND p.prosecdef AND "
            "p.proconfig IS NOT NULL AND p.proowner = k.relowner) FROM pg_class k WHERE k.oid = "
            "to_regclass(quote_ident(current_schema()) || '.kovrel')",
        {}, failure);
    if (!found) return false;
    if (PQntuples(found.get()) == 0) {
        *failure = {code::NotALedger, connection.name() + ": the database holds no table kovrel"};
        return false;
    }
    const auto value = [&found](int column) { return std::string(PQgetvalue(found.get(), 0, column)); };
    *state = {value(0) == "t", value(1),        value(2) == "t",  value(3) == "t",
              value(4),        value(5),        value(6) == "t",  value(7) == "t",
              value(8),        value(9) == "t", value(10) == "t", value(11) == "t"};
    return true;
}

// The rights a clerk's group role holds on one of the ledger's tables that clerks change.
std::string clerkTableRightsSql(const char* table, const std::string& clerks) {
    return std::string("GRANT SELECT, INSERT, UPDATE, DELETE ON ") + table + " TO " + quotedName(clerks);
}

// Everything a clerk's group role may do with the ledger, beyond reaching its schema: change the rows of
// kovrel (drawing their keys) and of the holiday calendar, and read the journal. Nothing else: the journal
// and the triggers are its owner's.
std::string clerkRightsSql(const std::string& clerks) {
    return clerkTableRightsSql("kovrel", clerks) + ";\n" + clerkTableRightsSql("praznici", clerks) +
           ";\nGRANT USAGE ON SEQUENCE kovrel_id_seq TO " + quotedName(clerks) +
           ";\nGRANT SELECT ON dnevnik TO " + quotedName(clerks);
}

// The statements, run as the table's owner, that add what readLedgerState looks for and give the clerks
// (when the database has their role) their rights; each leaves a piece that is there already as it is.
std::string extrasSql(const LedgerState& state) {
    std::string columns;
    for (const LedgerColumn& column : ledgerColumns())
        columns += (columns.empty() ? "'" : ", '") + std::string(column.name) + "'";
    std::string function = ChangeFunctionTemplate;
    function.replace(function.find("@COLUMNS@"), 9, columns);
    function.replace(function.find("@SCHEMA@"), 8, quotedName(state.schema));
    std::string holidays = HolidayTemplate;
    holidays.replace(holidays.find("@SIZE@"), 6, std::to_string(HolidayNameSize));
    holidays.replace(holidays.find("@SCHEMA@"), 8, quotedName(state.schema));
    std::string sql = std::string(JournalTableSql) + ";\n" + function + ";\n" + holidays + ";\n";
    for (const LedgerIndex& index : ledgerIndexes()) sql += createServerIndexSql(index) + ";\n";
    sql += "DROP TRIGGER IF EXISTS kovrel_promena ON kovrel;\n" + std::string(ChangeTriggerSql);
    if (!state.clerks.empty()) sql += ";\n" + clerkRightsSql(state.clerks);
    return sql;
}

// Begins a transaction that writes rows without journal entries when the session has the owner's rights:
// the trigger is set aside for it, which no clerk may do, and meanwhile no other session writes the table.
// *unjournalled tells whether it was; a clerk's writes are journalled as ever.
bool beginUnjournalled(ServerConnection& connection, bool* unjournalled, Failure* failure) {
    LedgerState state;
    if (!connection.exec("BEGIN", failure) || !readLedgerState(connection, &state, failure)) return false;
    *unjournalled = state.actsAsOwner && state.triggerEnabled();
    return !*unjournalled || connection.exec("ALTER TABLE kovrel DISABLE TRIGGER kovrel_promena", failure);
}

// Commits what beginUnjournalled began, the trigger back in place, with one notice of the change.
bool commitUnjournalled(ServerConnection& connection, bool unjournalled, Failure* failure) {
    return (!unjournalled || connection.exec("ALTER TABLE kovrel ENABLE TRIGGER kovrel_promena; SELECT "
                                             "pg_notify(current_schema() || '.kovrel', '')",
                                             failure)) &&
           connection.exec("COMMIT", failure);
}

}  // namespace

bool completeServerLedger(ServerConnection& connection, ServerLedgerAccess* access, Failure* failure) {
    *access = {};
    LedgerState state;
    if (!readLedgerState(connection, &state, failure)) return false;
    access->writable = state.writable;
    bool journalled = state.journalled();
    if (!state.complete() && state.actsAsOwner) {
        // The lock keeps two sessions that open the ledger at once from adding the pieces twice.
        Failure refused;
        const bool added = connection.exec("BEGIN; SET LOCAL ROLE " + quotedName(state.owner) +
                                               "; LOCK TABLE kovrel IN SHARE ROW EXCLUSIVE MODE",
                                           &refused) &&
                           readLedgerState(connection, &state, &refused) &&
                           (state.complete() || connection.exec(extrasSql(state), &refused)) &&
                           connection.exec("COMMIT", &refused);
        if (!added) {
            connection.exec("ROLLBACK", failure);
            if (refused.code != code::TableReadOnly) {
                *failure = refused;
                return false;
            }
        }
        journalled = journalled || added;
    }
    // A ledger made before the holiday calendar or an index is noticed as ever until its owner adds them.
    if (journalled) access->channel = state.schema + ".kovrel";
    return true;
}

Result createServerLedger(const std::string& connection, std::string* error) {
    Result result = code::Ok;
    std::unique_ptr<ServerConnection> conn;
    PgResult where = askServer(connection,
                               "SELECT current_database(), current_schema(), " +
                                   hasDatabaseRoleSql(OwnerSuffix) + ", " + hasDatabaseRoleSql(ClerksSuffix),
                               {}, &conn, error, &result);
    if (!where) return result;
    Failure failure;
    const LedgerRoles roles = rolesOfDatabase(PQgetvalue(where.get(), 0, 0));
    LedgerState state;
    state.schema = PQgetvalue(where.get(), 0, 1);
    state.clerks = roles.clerks;
    const std::string owner = quotedName(roles.owner), clerks = quotedName(roles.clerks),
                      schema = quotedName(state.schema);
    // The roles first, made by the administrator running this, who then acts as the owner to make the
    // tables. The key keeps the stored order and lets a live result write through it; the program never
    // sees it. The indexes, the trigger and the clerks' rights come as for an older ledger opened.
    std::string sql = "BEGIN;\n";
    if (std::string(PQgetvalue(where.get(), 0, 2)) != "t") sql += "CREATE ROLE " + owner + " NOLOGIN;\n";
    if (std::string(PQgetvalue(where.get(), 0, 3)) != "t") sql += "CREATE ROLE " + clerks + " NOLOGIN;\n";
    sql += "GRANT " + owner + " TO CURRENT_USER;\nGRANT USAGE, CREATE ON SCHEMA " + schema + " TO " + owner +
           ";\nGRANT USAGE ON SCHEMA " + schema + " TO " + clerks + ";\nSET LOCAL ROLE " + owner +
           ";\nCREATE TABLE kovrel (id bigserial PRIMARY KEY";
    for (std::size_t i = 0; i < LedgerColumnCount; ++i)
        sql += ", " + serverColumnName(i) + " " + serverColumnType(i);
    sql += ");\n" + extrasSql(state) + ";\nCOMMIT";
    if (!conn->exec(sql, &failure)) {
        Failure ignored;
        conn->exec("ROLLBACK", &ignored);
        setError(error, failure.text);
        return failure.code == code::SqlSyntax ? code::FileOpenFailed : failure.code;
    }
    return code::Ok;
}

Result makeServerClerk(const std::string& connection, const std::string& role, std::string* report) {
    Result result = code::Ok;
    std::unique_ptr<ServerConnection> conn;
    PgResult found = askServer(connection,
                               "SELECT current_database(), " + hasDatabaseRoleSql(ClerksSuffix) +
                                   ", EXISTS (SELECT FROM pg_roles WHERE rolname = $1)",
                               {role.c_str()}, &conn, report, &result);
    if (!found) return result;
    Failure failure;
    const std::string database = PQgetvalue(found.get(), 0, 0);
    const LedgerRoles roles = rolesOfDatabase(database);
    if (std::string(PQgetvalue(found.get(), 0, 1)) != "t") {
        setError(report, conn->name() + ": the database has no clerks' role " + roles.clerks +
                             ": kovrel-db create makes it with the ledger");
        return code::NotALedger;
    }
    if (std::string(PQgetvalue(found.get(), 0, 2)) != "t") {
        setError(report, conn->name() + ": the server has no role " + role);
        return code::InvalidParameter;
    }
    if (!conn->exec("GRANT " + quotedName(roles.clerks) + " TO " + quotedName(role), &failure)) {
        setError(report, role + " cannot be made a clerk: " + failure.text);
        return failure.code;
    }
    setError(report, role + " is a clerk of the ledger in " + database + ", a member of " + roles.clerks);
    return code::Ok;
}

namespace {

// What is wrong with the pieces the program keeps beside the table, one line each.
std::vector<std::string> pieceProblems(const LedgerState& state) {
    std::vector<std::string> problems;
    if (!state.journal)
        problems.emplace_back("the change journal dnevnik is missing");
    else if (!state.journalNamesTable)
        problems.emplace_back("the change journal dnevnik lacks its column tabela");
    if (!state.holidays)
        problems.emplace_back("the holiday calendar praznici is missing");
    else if (!state.holidayTrigger)
        problems.emplace_back(
            "the trigger praznici_promena is missing, disabled or runs with the rights of whoever changes a "
            "day: changes of the holiday calendar are not journalled safely");
    if (state.trigger.empty())
        problems.emplace_back("the trigger kovrel_promena is missing: changes are not journalled");
    else if (!state.triggerEnabled())
        problems.emplace_back("the trigger kovrel_promena is disabled: changes are not journalled");
    else if (!state.definer)
        problems.emplace_back(
            "the trigger's function kovrel_promena runs with the rights of whoever changes a row, so a clerk "
            "may write the journal: the ledger opened by its owner mends it");
    return problems;
}

// The ledger's column of the server's column `name`.
const LedgerColumn& ledgerColumnNamed(const std::string& name) {
    for (const LedgerColumn& column : ledgerColumns()) {
        if (strcasecmp(column.name, name.c_str()) == 0) return column;
    }
    return ledgerColumns()[0];
}

// Text columns that take longer texts than the ledger's fields hold.
bool widthProblems(ServerConnection& connection, std::vector<std::string>* problems, Failure* failure) {
    PgResult wide = connection.run(
        "SELECT column_name, character_maximum_length FROM information_schema.columns WHERE table_schema = "
        "current_schema() AND table_name = 'kovrel' AND data_type = 'character varying' AND "
        "character_maximum_length IS DISTINCT FROM " +
            std::to_string(ledgerColumnNamed("PrezimeIme").size) + " ORDER BY ordinal_position",
        {}, failure);
    if (!wide) return false;
    for (int r = 0; r < PQntuples(wide.get()); ++r) {
        const LedgerColumn& column = ledgerColumnNamed(PQgetvalue(wide.get(), r, 0));
        const std::string length = PQgetvalue(wide.get(), r, 1);
        problems->push_back(std::string(column.name) + ": the column takes texts " +
                            (length.empty() ? "of any length" : "of up to " + length + " characters") +
                            ", longer than the field's " + std::to_string(column.size));
    }
    return true;
}

// The condition under which a stored value of `column` is one the program cannot read whole, and how the
// check's line names such values.
std::pair<std::string, const char*> unreadableValue(std::size_t column) {
    const std::string name = serverColumnName(column);
    const LedgerColumn& ledgerColumn = ledgerColumns()[column];
    switch (ledgerColumn.type) {
        case FieldType::Date:
            return {"NOT " + name + " BETWEEN '0001-01-01' AND '9999-12-31'",
                    "outside the years 1 to 9999 (infinite or before Christ)"};
        case FieldType::String:
            return {"char_length(" + name + ") > " + std::to_string(ledgerColumn.size),
                    "longer than the field"};
        default:
            return {name + " IN ('NaN', 'Infinity', '-Infinity')", "not a finite number"};
    }
}

// One line per column holding values the program cannot read whole, with the rows (their keys).
bool valueProblems(ServerConnection& connection, std::vector<std::string>* problems, Failure* failure) {
    std::string flags, any;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        const std::string condition = "coalesce(" + unreadableValue(i).first + ", false)";
        flags += ", " + condition;
        any += (any.empty() ? "" : " OR ") + condition;
    }
    PgResult rows =
        connection.run("SELECT id" + flags + " FROM kovrel WHERE " + any + " ORDER BY id", {}, failure);
    if (!rows) return false;
    for (std::size_t i = 0; i < LedgerColumnCount; ++i) {
        std::vector<std::string> keys;
        for (int r = 0; r < PQntuples(rows.get()); ++r) {
            if (std::string(PQgetvalue(rows.get(), r, static_cast<int>(i) + 1)) == "t")
                keys.emplace_back(PQgetvalue(rows.get(), r, 0));
        }
        if (keys.empty()) continue;
        std::string line = std::string(ledgerColumns()[i].name) + ": " + std::to_string(keys.size()) +
                           " value" + (keys.size() == 1 ? " " : "s ") + unreadableValue(i).second +
                           ", in row" + (keys.size() == 1 ? "" : "s");
        for (std::size_t n = 0; n < keys.size(); ++n) line += (n ? ", " : " ") + keys[n];
        problems->push_back(line);
    }
    return true;
}

}  // namespace

Result checkServerLedger(const std::string& connection, std::string* report) {
    Result result = code::Ok;
    std::string error;
    auto conn = connectForTool(connection, &error, &result);
    Failure failure;
    LedgerState state;
    PgResult count;
    std::vector<std::string> problems, values;
    const bool checked = conn && hasServerLedgerShape(*conn, &failure) &&
                         readLedgerState(*conn, &state, &failure) &&
                         (count = conn->run("SELECT count(*) FROM kovrel", {}, &failure)) &&
                         widthProblems(*conn, &problems, &failure) && valueProblems(*conn, &values, &failure);
    if (!checked) {
        *report = (conn ? failure.text : error) + "\nVerdict: not a sound ledger";
        return conn ? failure.code : result;
    }
    const std::vector<std::string> pieces = pieceProblems(state);
    problems.insert(problems.begin(), pieces.begin(), pieces.end());
    *report = connectionDatabase(connection) + " on the server: table kovrel with its 12 columns and key, " +
              PQgetvalue(count.get(), 0, 0) + " rows" + (state.journal ? ", change journal dnevnik" : "") +
              (state.holidays ? ", holiday calendar praznici" : "") + "\n";
    for (const std::vector<std::string>* lines : {&problems, &values}) {
        for (const std::string& line : *lines) *report += line + "\n";
    }
    *report += values.empty() ? "every stored value is readable\n" : "the values above cannot be read\n";
    const bool sound = problems.empty() && values.empty();
    *report += sound ? "Verdict: sound ledger" : "Verdict: not a sound ledger";
    return sound ? code::Ok : code::NotALedger;
}

Result loadServerLedgerRows(const std::string& connection, const std::function<bool(LedgerValues&)>& next,
                            std::uint64_t* loaded, std::string* error) {
    if (loaded) *loaded = 0;
    Result result = code::Ok;
    auto conn = connectForTool(connection, error, &result);
    if (!conn) return result;
    Failure failure;
    bool unjournalled = false;
    if (!hasServerLedgerShape(*conn, &failure) || !beginUnjournalled(*conn, &unjournalled, &failure)) {
        Failure ignored;
        conn->exec("ROLLBACK", &ignored);
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
    if (!stored || !commitUnjournalled(*conn, unjournalled, &failure)) {
        Failure ignored;
        conn->exec("ROLLBACK", &ignored);
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
    bool unjournalled = false;
    if (!beginUnjournalled(*conn, &unjournalled, &failure) || !conn->exec("DELETE FROM kovrel", &failure) ||
        !commitUnjournalled(*conn, unjournalled, &failure)) {
        Failure ignored;
        conn->exec("ROLLBACK", &ignored);
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
