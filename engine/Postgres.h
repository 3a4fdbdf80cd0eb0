// Sessions with a PostgreSQL server: libpq connections with their prepared statements.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/LedgerFile.h"
#include "engine/ServerLedger.h"
#include "engine/Sqlite.h"

namespace engine {

struct ResultFree {
    void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, ResultFree>;

// One session with the server. Each statement is its own committed transaction; statements with
// parameters are prepared once per connection and kept by their text. A session found lost (the server
// ended it, or a call failed with the connection broken) is made again, once, by the next call, with its
// settings, prepared statements and listening; that call goes on unless a transaction was open on the
// lost session, and then fails telling the clerk to repeat the action. Nothing else depends on the
// session: cursors ask for their rows by key.
//
// The session's states (lost is libpq's CONNECTION_BAD, found by reconnectIfLost before each call;
// in a transaction is inTransaction_, noted after each call; restoring is restoring_):
//
//   connected --a call leaves a transaction open--> in a transaction --a call ends it--> connected
//   connected --lost--> restoring --session set up again--> connected (the call goes on)
//   in a transaction --lost--> restoring --session set up again--> connected (the call fails:
//                                                                  "repeat the action")
//   restoring --the server cannot be reached--> lost (the call fails; the next call tries again)
//   restoring --the server refuses the set-up--> connected, set up in part (the call fails)
//
// While restoring, the set-up's own statements run without looking for a loss again.
class ServerConnection {
  public:
    // How long a statement waits for a row or table another session holds locked before it fails busy.
    static constexpr int LockTimeoutSeconds = 5;

    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Connects; `user` and `password` override the connection string's when not empty. A refused login
    // answers nullptr with PasswordRequired, any other failure with FileOpenFailed.
    static std::unique_ptr<ServerConnection> open(const std::string& connection, const std::string& user,
                                                  const std::string& password, Failure* failure);

    PGconn* handle() const { return conn_; }
    // How messages name the database: "server database NAME".
    const std::string& name() const { return name_; }
    // Prepares `sql` unless it is prepared already; answers false with *failure when the server refuses it.
    bool prepare(const std::string& sql, Failure* failure);
    // Runs `sql` with text parameters (nullptr: empty), prepared on first use. Answers the result of a
    // statement that succeeded, else nullptr with *failure filled. Outside a transaction the statement
    // must only read: when the connection is lost while it runs, it is run again on the session made again.
    PgResult run(const std::string& sql, const std::vector<const char*>& parameters, Failure* failure);
    // Runs a statement that writes as run() does, and counts the write.
    PgResult write(const std::string& sql, const std::vector<const char*>& parameters, Failure* failure);
    // Runs statements without parameters and without preparing them.
    bool exec(const std::string& sql, Failure* failure);
    Failure failure(const PGresult* result, const std::string& what) const;

    // Counts this connection's committed writes, so a cursor knows when rows it holds may have changed.
    std::uint64_t writeCount() const { return writes_; }
    void countWrite() { ++writes_; }

    // Listens for the notices the ledger's trigger sends at every committed change (see
    // completeServerLedger); `channel` is the one it names.
    bool listen(const std::string& channel, Failure* failure);
    // A number that grows whenever a notice of a committed change has come in, by this connection or any
    // other, without asking the server. Without listening it grows at every call.
    std::uint64_t changeStamp();

  private:
    ServerConnection(PGconn* conn, std::string name) : conn_(conn), name_(std::move(name)) {}

    // Sets the session up as the program wants it, again after it was made again.
    bool startSession(Failure* failure);
    // Makes a lost session again (see the class comment); answers false with *failure when it cannot.
    bool reconnectIfLost(Failure* failure);
    // libpq's last message on this connection, its passwords masked.
    std::string connectionError() const;
    // Notes whether the last call left a transaction open.
    void noteTransaction();

    PGconn* conn_;
    std::string name_;
    std::map<std::string, std::string> prepared_;  // statement text -> prepared statement name
    std::uint64_t writes_ = 0;
    std::uint64_t preparedCount_ = 0;
    bool listening_ = false;
    std::string channel_;
    bool inTransaction_ = false;
    bool restoring_ = false;
    std::uint64_t changes_ = 0;
};

}  // namespace engine
