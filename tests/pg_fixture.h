// A throw-away PostgreSQL server for tests and benchmarks: initdb into a
// temporary folder, pg_ctl start on a free loopback port, stop and remove
// everything on destruction. Uses the binaries in $PG_BIN, else the newest
// /usr/lib/postgresql/<version>/bin. initdb refuses to run as root, so under
// root the server runs as the `postgres` system user (runuser), owning the
// temporary folder. Nothing listens beyond 127.0.0.1.
#pragma once

#include <memory>
#include <string>

namespace morvane::testing {

class PostgresServer {
 public:
  // Starts a server. On failure returns null and sets `problem` (binaries
  // missing, initdb or start failed: the reason and the log's tail).
  static std::unique_ptr<PostgresServer> Start(std::string& problem);

  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // libpq connection string of the server's "postgres" database.
  const std::string& ConnectionInfo() const { return connectionInfo_; }
  const std::string& BinDirectory() const { return binDirectory_; }

  // Stops (fast shutdown: open connections are cut) and starts again on the
  // same port; both return false when pg_ctl fails.
  bool Stop();
  bool Restart();

  // Runs a command of the server's bin folder as the server's user with
  // `arguments` appended (already shell-quoted); returns its exit code.
  int RunTool(const std::string& tool, const std::string& arguments) const;

 private:
  PostgresServer() = default;
  bool PgCtl(const std::string& action) const;

  std::string binDirectory_;
  std::string folder_;
  std::string userPrefix_;  // "runuser -u postgres -- " when running as root
  int port_ = 0;
  std::string connectionInfo_;
  bool running_ = false;
};

}  // namespace morvane::testing
