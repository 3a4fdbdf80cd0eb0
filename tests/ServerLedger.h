// A ledger of the test's own on the test server: the connection scripts/test exports, and an empty
// ledger table in a schema that only this test uses and that goes when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "engine/ServerLedger.h"

namespace servertest {

// Whether this run of a suite runs it on the server driver (KOVREL_TEST_DRIVER=server).
inline bool onServer() {
    const char* driver = std::getenv("KOVREL_TEST_DRIVER");
    return driver && std::string(driver) == "server";
}

// The test server's connection string (KOVREL_PG_TEST), or nothing.
inline std::optional<std::string> serverConnection() {
    const char* connection = std::getenv("KOVREL_PG_TEST");
    if (!connection || !*connection) return std::nullopt;
    return std::string(connection);
}

// The test role's password, which libpq also takes from PGPASSWORD when no other is given.
inline std::string serverPassword() {
    const char* password = std::getenv("PGPASSWORD");
    return password ? password : "";
}

constexpr const char* NoServerText =
    "no test server: KOVREL_PG_TEST is not set (scripts/test starts a private PostgreSQL cluster and sets "
    "it)";

// An empty ledger table in a fresh schema of the test server; connection() reaches it.
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
        if (!run("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_, error))
            return false;
        connection_ = base_ + " options='-csearch_path=" + schema_ + "'";
        return engine::createServerLedger(connection_, error) == engine::code::Ok;
    }

    ~ServerLedger() {
        std::string ignored;
        if (!schema_.empty()) run("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE", &ignored);
    }

    const std::string& connection() const { return connection_; }

    // Runs statements on the ledger's schema, past the program's engine.
    bool run(const std::string& sql, std::string* error) const {
        PGconn* conn = PQconnectdb((connection_.empty() ? base_ : connection_).c_str());
        bool done = PQstatus(conn) == CONNECTION_OK;
        if (done) {
            PGresult* result = PQexec(conn, ("SET client_min_messages = warning; " + sql).c_str());
            done = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
            PQclear(result);
        }
        if (!done) *error = PQerrorMessage(conn);
        PQfinish(conn);
        return done;
    }

  private:
    std::string base_, schema_, connection_;
};

}  // namespace servertest
