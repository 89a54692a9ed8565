// Where the transport finds its database.
//
// The setting is, in this order: the environment variable NETBRG_DATABASE;
// the key Database of section [Server] in netbrg.ini beside the executable;
// the SQLite file morvane.db beside the executable. Its value is either
// "sqlite:" and a file path (relative paths count from the folder of the INI
// file, or of the executable for the default) or a libpq connection string
// or URI ("host=... dbname=...", "postgresql://..."), whose password comes
// from libpq's own sources (~/.pgpass, service file, PGPASSWORD), never from
// the INI file. NETBRG_BUSY_TIMEOUT (milliseconds, default 5000) bounds how
// long a request waits for an SQLite file that another process has locked.
#pragma once

#include <string>
#include <string_view>

namespace morvane::transport {

struct DatabaseSetting {
  enum class Kind { kSqlite, kPostgres };
  Kind kind = Kind::kSqlite;
  std::string target;  // file path or connection string
};

// Folder of the running executable, without a trailing slash.
std::string ExecutableDirectory();

// Reads the setting from the environment, the INI file or the default.
DatabaseSetting ResolveDatabaseSetting();

// Interprets one setting value; relative SQLite paths count from baseDirectory.
DatabaseSetting ParseDatabaseSetting(std::string_view value, std::string_view baseDirectory);

// The setting as netbrg.ini gives it: as ParseDatabaseSetting, but a libpq
// connection string that holds a password is refused (std::runtime_error
// saying where the password belongs), because the file sits readable beside
// the program.
DatabaseSetting ParseIniDatabaseSetting(std::string_view value, std::string_view iniDirectory);

// Value of `key` in `[section]` of an INI file (both matched without regard
// to ASCII case), trimmed; empty when the file, section or key is missing.
std::string ReadIniValue(const std::string& fileName, std::string_view section,
                         std::string_view key);

int BusyTimeoutMs();

}  // namespace morvane::transport
