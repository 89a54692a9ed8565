// Where the transport finds its database.
//
// The setting is, in this order: the environment variable NETBRG_DATABASE;
// the key Database of section [Server] in netbrg.ini; the default database.
//
// netbrg.ini is read beside the executable when it is there, or when the
// program runs from its build tree; a program that runs installed (its
// shared data folder ../share/morvane stands beside its bin folder) reads it
// otherwise from $XDG_CONFIG_HOME/morvane (else ~/.config/morvane). The
// default database is morvane.db beside the executable in a build tree, and
// $XDG_DATA_HOME/morvane/morvane.db (else ~/.local/share/morvane) for an
// installed program, which creates it from the demo schema in its shared
// data folder when it is missing. The program's own settings follow the
// same rules (platform/rtl/program_folders.h); the transport keeps its own
// copy of them because it links nothing of the program.
//
// A value is "sqlite:" and a file path (relative paths count from the
// folder of the INI file, or of the executable for the default), a MariaDB or
// MySQL address ("mariadb://user@host:port/db", "mysql://...", see
// mariadb_address.h) whose password comes only from the client's option
// files, or a libpq connection string
// or URI ("host=... dbname=...", "postgresql://..."), whose password comes
// from libpq's own sources (~/.pgpass, service file, PGPASSWORD), never from
// the INI file. NETBRG_BUSY_TIMEOUT (milliseconds, default 5000) bounds how
// long a request waits for an SQLite file that another process has locked.
#pragma once

#include <string>
#include <string_view>

namespace morvane::transport {

struct DatabaseSetting {
  enum class Kind { kSqlite, kPostgres, kMariaDb };
  Kind kind = Kind::kSqlite;
  std::string target;  // file path or connection string
  // Set for an installed program's default database: the folder holding
  // schema.sql and data.sql to create the SQLite file from when it is missing.
  std::string demoDataFolder;
};

// Folder of the running executable, without a trailing slash.
std::string ExecutableDirectory();

// <executableDirectory>/../share/morvane when that folder exists (the program
// runs installed), without a trailing slash; "" otherwise.
std::string InstalledDataDirectory(const std::string& executableDirectory);

// $<xdgVariable>/morvane when the variable holds an absolute path, else
// $HOME/<homeFallback>/morvane; without a trailing slash.
std::string UserDirectory(const char* xdgVariable, const char* homeFallback);

// Reads the setting from the environment, the INI file or the default, for a
// program whose executable lies in executableDirectory.
DatabaseSetting ResolveDatabaseSetting(
    const std::string& executableDirectory = ExecutableDirectory());

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
