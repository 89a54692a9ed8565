// The MariaDB/MySQL back end over MariaDB Connector/C. Each statement runs
// as one query of the text protocol (several statements in one text are
// refused by the server, as the client never asks for them): statement
// boundaries are the gateway's alone. Results are read whole, as the
// server's command-line client reads them, and encoded from their text.
#include <errmsg.h>
#include <mysql.h>

#include <map>

#include "transport/backend.h"
#include "transport/changed_table.h"
#include "transport/mariadb_address.h"
#include "transport/mariadb_rows.h"
#include "transport/statement_kind.h"
#include "transport/transport_error.h"

namespace morvane::transport {

namespace {

// What every session gets, whatever the server's defaults:
//  - strict mode: a value too long or of the wrong type is an error, never
//    silently cut or turned into zero, and no zero dates;
//  - names in double quotes, || joining texts, and backslashes as plain
//    characters inside literals, as the other back ends read the program's
//    SQL (it only doubles apostrophes, so a Windows path must reach the
//    table unchanged);
//  - no silent change of a table's engine to one without transactions.
constexpr char kSessionSqlMode[] =
    "SET SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ZERO_IN_DATE,NO_ZERO_DATE,"
    "ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION,ANSI_QUOTES,PIPES_AS_CONCAT,"
    "NO_BACKSLASH_ESCAPES'";

constexpr unsigned kConnectTimeoutSeconds = 15;

// The client library keeps global state from the first connection on; it
// is released when the transport is unloaded (dlclose) or the process ends,
// so none of it outlives the library that used it. Harmless when no MariaDB
// connection was ever made.
struct ClientLibraryCleanup {
  ~ClientLibraryCleanup() { mysql_library_end(); }
} clientLibraryCleanup;

bool IsConnectionError(unsigned code) {
  return code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST ||
         code == CR_SERVER_LOST_EXTENDED || code == CR_CONNECTION_ERROR ||
         code == CR_CONN_HOST_ERROR;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string InfoText(MYSQL* mysql, enum mariadb_value value) {
  const char* text = nullptr;
  if (mariadb_get_infov(mysql, value, &text) != 0 || text == nullptr) return "";
  return text;
}

class MariaDbBackend : public Backend {
 public:
  explicit MariaDbBackend(MYSQL* mysql) : mysql_(mysql) {}
  ~MariaDbBackend() override { mysql_close(mysql_); }

  // "MariaDB 10.11.19" or "MySQL 8.0.36": the number without the build tag.
  std::string Description() const override {
    const unsigned long version = mysql_get_server_version(mysql_);
    return std::string(mariadb_connection(mysql_) ? "MariaDB " : "MySQL ") +
           std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." +
           std::to_string(version % 100);
  }
  SqlDialect Dialect() const override {
    return mariadb_connection(mysql_) ? SqlDialect::kMariaDB : SqlDialect::kMySQL;
  }
  int64_t RowsChanged() const override { return rowsChanged_; }

  // The live connection's own parameters: never the password.
  std::string Location() const override {
    const std::string socket = InfoText(mysql_, MARIADB_CONNECTION_UNIX_SOCKET);
    std::string place;
    if (!socket.empty()) {
      place = "socket=" + socket;
    } else {
      unsigned int port = 0;
      mariadb_get_infov(mysql_, MARIADB_CONNECTION_PORT, &port);
      place = "host=" + InfoText(mysql_, MARIADB_CONNECTION_HOST) + " port=" + std::to_string(port);
    }
    return place + " dbname=" + InfoText(mysql_, MARIADB_CONNECTION_SCHEMA) +
           " user=" + InfoText(mysql_, MARIADB_CONNECTION_USER);
  }

  void Begin() override {
    engines_.clear();  // tables may have changed since the last request
    Run("START TRANSACTION");
  }
  void Commit() override {
    if (mysql_commit(mysql_) != 0) Fail();
  }
  void Rollback() noexcept override { mysql_rollback(mysql_); }

  bool Execute(const std::string& statement, ByteBuffer& reply) override {
    rowsChanged_ = -1;
    const bool changesRows = ChangesRows(statement);
    if (changesRows) RefuseTableWithoutTransactions(statement);
    Run(statement);
    if (mysql_field_count(mysql_) == 0) {
      if (changesRows) rowsChanged_ = static_cast<int64_t>(mysql_affected_rows(mysql_));
      return false;
    }
    MariaDbResultPtr result(mysql_store_result(mysql_));
    if (result == nullptr) Fail();
    // INSERT ... RETURNING: the rows it answers are the rows it inserted.
    if (changesRows) rowsChanged_ = static_cast<int64_t>(mysql_num_rows(result.get()));
    MariaDbRows rows(std::move(result));
    reply = EncodeResultSet(rows);
    return true;
  }

 private:
  void Run(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0) Fail();
  }

  [[noreturn]] void Fail() {
    const unsigned code = mysql_errno(mysql_);
    std::string message = mysql_error(mysql_);
    if (message.empty()) message = "ошибка сервера MariaDB " + std::to_string(code);
    throw TransportError(message, IsConnectionError(code));
  }

  // A request is one transaction: a table whose engine has none (MyISAM,
  // Aria, MEMORY, ...) would keep the changes of a request that fails later,
  // so a statement that changes one is refused before it runs.
  void RefuseTableWithoutTransactions(const std::string& statement) {
    const TableName name = ChangedTable(statement);
    if (name.table.empty()) return;
    const std::string key = name.schema + "." + name.table;
    auto found = engines_.find(key);
    if (found == engines_.end())
      found = engines_.emplace(key, EngineWithoutTransactions(name)).first;
    if (!found->second.empty()) {
      throw TransportError("Таблица " + name.table + " хранится в " + found->second +
                           ", без транзакций: запрос выполняется одной транзакцией, поэтому "
                           "изменять её нельзя (переведите таблицу на InnoDB)");
    }
  }

  // The engine's name when it has no transactions; empty for a
  // transactional engine, a view, or a table the catalog does not show
  // (a temporary table; the statement then reports what is wrong).
  std::string EngineWithoutTransactions(const TableName& name) {
    const std::string schema = name.schema.empty() ? "DATABASE()" : Quoted(name.schema);
    Run("SELECT t.ENGINE FROM information_schema.TABLES t JOIN information_schema.ENGINES e "
        "ON e.ENGINE = t.ENGINE WHERE t.TABLE_SCHEMA = " +
        schema + " AND t.TABLE_NAME = " + Quoted(name.table) + " AND e.TRANSACTIONS <> 'YES'");
    MariaDbResultPtr result(mysql_store_result(mysql_));
    if (result == nullptr) Fail();
    const MYSQL_ROW row = mysql_fetch_row(result.get());
    return row != nullptr && row[0] != nullptr ? row[0] : "";
  }

  MYSQL* mysql_;
  std::map<std::string, std::string> engines_;  // "schema.table" -> engine without transactions
  int64_t rowsChanged_ = -1;
};

}  // namespace

std::unique_ptr<Backend> OpenMariaDbBackend(const std::string& setting) {
  std::string problem;
  const std::optional<MariaDbAddress> address = ParseMariaDbAddress(setting, problem);
  if (!address) throw OpenFailure{-2, "Неверная строка соединения MariaDB: " + problem};
  MYSQL* mysql = mysql_init(nullptr);
  if (mysql == nullptr) throw OpenFailure{-1, "Нет памяти для соединения MariaDB"};
  // The user's option files ([client] of ~/.my.cnf and the system's) give
  // the password and whatever the setting leaves out; they are read at
  // connect time, so their connect-timeout wins over this default.
  const unsigned timeout = kConnectTimeoutSeconds;
  mysql_optionsv(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  mysql_optionsv(mysql, MYSQL_READ_DEFAULT_GROUP, "client");
  mysql_optionsv(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  const auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
  // CLIENT_FOUND_ROWS: an UPDATE counts the rows it matched, also those that
  // already held the new value, as the other back ends count them.
  if (mysql_real_connect(mysql, orNull(address->host), orNull(address->user), nullptr,
                         orNull(address->database), address->port, orNull(address->socket),
                         CLIENT_FOUND_ROWS) == nullptr) {
    const std::string message = mysql_error(mysql);
    mysql_close(mysql);
    throw OpenFailure{-1, "Сервер MariaDB недоступен: " + message};
  }
  if (mysql_real_query(mysql, kSessionSqlMode, sizeof kSessionSqlMode - 1) != 0) {
    const std::string message = mysql_error(mysql);
    mysql_close(mysql);
    throw OpenFailure{-1, "Сервер MariaDB не принял настройки сеанса: " + message};
  }
  return std::make_unique<MariaDbBackend>(mysql);
}

}  // namespace morvane::transport
