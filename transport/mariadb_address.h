// The MariaDB/MySQL form of the database setting:
//
//   mariadb://[user@]host[:port]/database
//   mysql://[user@]host[:port]/database
//   mariadb://[user@][localhost]/database?socket=/run/mysqld/mysqld.sock
//
// Percent escapes (%2F, %40, ...) are decoded in every part. The password is
// never part of the setting: the client library reads it, like the user,
// socket and TLS options the setting leaves out, from the user's own option
// files (~/.my.cnf, group [client]). A setting that holds one
// (user:secret@host, ?password=...) is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::transport {

struct MariaDbAddress {
  std::string user;      // empty: from the option files, else the login name
  std::string host;      // empty: the local socket
  unsigned port = 0;     // 0: the default (3306) or the option files'
  std::string database;  // may be empty: then no default database
  std::string socket;    // a Unix socket path, or empty
};

// True when the value names a MariaDB/MySQL server (mariadb:// or mysql://).
bool IsMariaDbSetting(std::string_view value);

// Reads the setting; on a malformed value or one holding a password returns
// nothing and sets `problem` to the reason.
std::optional<MariaDbAddress> ParseMariaDbAddress(std::string_view value, std::string& problem);

}  // namespace morvane::transport
