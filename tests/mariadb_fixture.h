// A throw-away MariaDB server for tests and benchmarks: mariadb-install-db
// into a temporary folder, mariadbd on a socket in that folder and a free
// port of 127.0.0.1, stopped and removed on destruction. The server dies
// with the process that started it (a parent-death signal), so even a test
// run that crashes leaves no server behind. It has a database `morvane` in
// utf8mb4 with the server's default, case-insensitive collation; `root`
// has no password.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace morvane::testing {

class MariaDbServer {
 public:
  // Starts a server. On failure returns null and sets `problem` (binaries
  // missing, install or start failed: the reason and the log's tail).
  static std::unique_ptr<MariaDbServer> Start(std::string& problem);

  ~MariaDbServer();
  MariaDbServer(const MariaDbServer&) = delete;
  MariaDbServer& operator=(const MariaDbServer&) = delete;

  // NETBRG_DATABASE for a database of the server over TCP.
  std::string Address(const std::string& database = "morvane") const;
  // The same database through the server's socket.
  std::string SocketAddress(const std::string& database = "morvane") const;
  const std::string& Socket() const { return socket_; }
  int Port() const { return port_; }

  // Creates (or creates again, empty) a utf8mb4 database with the given
  // collation (empty: the server's default); false when the client fails.
  bool CreateDatabase(const std::string& name, const std::string& collation = "");

  // Runs the `mariadb` client on `database` with `arguments` appended
  // (already shell-quoted), as root over the socket; returns its exit code.
  int RunClient(const std::string& database, const std::string& arguments) const;

  // Stops the server (open connections are cut) and starts it again on the
  // same port and socket; both return false on failure.
  bool Stop();
  bool Restart();

 private:
  MariaDbServer() = default;
  bool Launch(std::string& problem);

  std::string folder_;
  std::string socket_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace morvane::testing
