// One connection to a database back end, as the request handler uses it.
//
// A request runs as Begin, Execute for each statement, then Commit; any
// TransportError from Execute or Commit is followed by Rollback. Errors carry
// the back end's own message; TransportError::ConnectionLost() tells that the
// connection is gone and the back end object must be dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transport/byte_buffer.h"
#include "transport/sql_gateway.h"

namespace morvane::transport {

class Backend {
 public:
  virtual ~Backend() = default;

  // Name and version, e.g. "SQLite 3.40.1".
  virtual std::string Description() const = 0;
  virtual SqlDialect Dialect() const = 0;

  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;

  // Runs one statement. When it returns a result set, encodes it into
  // `reply` and returns true; otherwise returns false and leaves `reply`.
  virtual bool Execute(const std::string& statement, ByteBuffer& reply) = 0;
  // The rows the last Execute inserted, updated or deleted, as the back
  // end's own client counts them; -1 when the statement has no such count.
  virtual int64_t RowsChanged() const = 0;
  // Which database this is, for people: a file path, or host, port, database
  // and user of a server. Never a password.
  virtual std::string Location() const = 0;
};

// Why a connection could not be opened. status is -1 when the server is not
// reachable, -2 when the setting itself is wrong (missing file, bad text).
struct OpenFailure {
  int status;
  std::string message;
};

// Throw OpenFailure.
std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path, int busyTimeoutMs);
std::unique_ptr<Backend> OpenPostgresBackend(const std::string& connectionInfo);
// `setting` is a mariadb:// or mysql:// address (mariadb_address.h).
std::unique_ptr<Backend> OpenMariaDbBackend(const std::string& setting);

}  // namespace morvane::transport
