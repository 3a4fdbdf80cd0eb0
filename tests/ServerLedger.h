// A ledger of the test's own on the test server: the connection scripts/test exports, and an empty
// ledger table in a schema that only this test uses and that goes when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "engine/ServerLedger.h"

namespace servertest {

// Whether this run of a suite runs it on the server driver (KOVREL_TEST_DRIVER=server).
inline bool onServer() {
    const char* driver = std::getenv("KOVREL_TEST_DRIVER");
    return driver && std::string(driver) == "server";
}

// The test server's connection string (KOVREL_PG_TEST), or nothing. It logs in as a clerk.
inline std::optional<std::string> serverConnection() {
    const char* connection = std::getenv("KOVREL_PG_TEST");
    if (!connection || !*connection) return std::nullopt;
    return std::string(connection);
}

// The role that sets the test server's ledgers up, as an organisation's administrator does; it logs in
// with the clerk's password (scripts/pg-cluster makes both).
constexpr const char* TestAdministrator = "kovrel";

// The test role's password, which libpq also takes from PGPASSWORD when no other is given.
inline std::string serverPassword() {
    const char* password = std::getenv("PGPASSWORD");
    return password ? password : "";
}

constexpr const char* NoServerText =
    "no test server: KOVREL_PG_TEST is not set (scripts/test starts a private PostgreSQL cluster and sets "
    "it)";

// The rows of an answer as texts (an empty value as empty), or nothing with *error when it failed.
using Rows = std::vector<std::vector<std::string>>;

// An empty ledger table in a fresh schema of the test server, made by the administrator; connection()
// reaches it as the clerk, administration() as the administrator.
class ServerLedger {
  public:
    // Makes the schema and the table; answers false with *error when the server cannot be reached.
    bool create(std::string* error) {
        const auto base = serverConnection();
        if (!base) {
            *error = NoServerText;
            return false;
        }
        static int made = 0;
        schema_ = "kt_" + std::to_string(getpid()) + "_" + std::to_string(++made);
        base_ = *base;
        administrator_ = base_ + " user=" + TestAdministrator;
        if (!run("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_, error))
            return false;
        const std::string inSchema = " options='-csearch_path=" + schema_ + "'";
        connection_ = base_ + inSchema;
        administration_ = administrator_ + inSchema;
        return engine::createServerLedger(administration_, error) == engine::code::Ok;
    }

    // Makes the ledger as create() does, then runs `sql` on it as the administrator (its first rows, or a
    // change of its schema).
    bool createWith(const std::string& sql, std::string* error) { return create(error) && run(sql, error); }

    ~ServerLedger() {
        std::string ignored;
        if (!schema_.empty()) run("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE", &ignored);
        if (!reader_.empty()) run("DROP ROLE IF EXISTS " + reader_, &ignored);
    }

    // Makes a login role that may only read the ledger (it logs in with the clerk's password and goes with
    // the ledger); answers the connection string that reaches the ledger as it, or nothing with *error.
    std::optional<std::string> reader(std::string* error) {
        reader_ = schema_ + "_citac";
        if (!run("DROP ROLE IF EXISTS " + reader_ + "; CREATE ROLE " + reader_ + " LOGIN PASSWORD '" +
                     serverPassword() + "'; GRANT USAGE ON SCHEMA " + schema_ + " TO " + reader_ +
                     "; GRANT SELECT ON kovrel, dnevnik, praznici TO " + reader_,
                 error))
            return std::nullopt;
        return connection_ + " user=" + reader_;
    }

    const std::string& connection() const { return connection_; }
    const std::string& administration() const { return administration_; }
    const std::string& schema() const { return schema_; }

    // Runs statements on the ledger's schema as the administrator, past the program's engine.
    bool run(const std::string& sql, std::string* error) const {
        return query(administration_.empty() ? administrator_ : administration_, sql, error).has_value();
    }
    // Runs statements on the ledger's schema as the clerk does in a tool of the server's, such as psql;
    // the rows of the last one.
    std::optional<Rows> runAsClerk(const std::string& sql, std::string* error) const {
        return query(connection_, sql, error);
    }

  private:
    static std::optional<Rows> query(const std::string& connection, const std::string& sql,
                                     std::string* error) {
        PGconn* conn = PQconnectdb(connection.c_str());
        std::optional<Rows> rows;
        if (PQstatus(conn) == CONNECTION_OK) {
            PGresult* result = PQexec(conn, ("SET client_min_messages = warning; " + sql).c_str());
            if (PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK) {
                rows.emplace();
                for (int r = 0; r < PQntuples(result); ++r) {
                    rows->emplace_back();
                    for (int c = 0; c < PQnfields(result); ++c)
                        rows->back().emplace_back(PQgetvalue(result, r, c));
                }
            }
            PQclear(result);
        }
        if (!rows) *error = PQerrorMessage(conn);
        PQfinish(conn);
        return rows;
    }

    std::string base_, administrator_, schema_, connection_, administration_, reader_;
};

}  // namespace servertest
