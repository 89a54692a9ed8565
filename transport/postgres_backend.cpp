// The PostgreSQL back end over libpq. Every statement runs through the
// extended protocol (PQexecParams without parameters), which refuses several
// commands in one text: statement boundaries are the gateway's alone.
// Results come as text; the column's type OID tells how to carry them.
#include <libpq-fe.h>

#include <cstdlib>
#include <map>

#include "transport/backend.h"
#include "transport/postgres_rows.h"
#include "transport/result_encoder.h"
#include "transport/sql_tokenizer.h"
#include "transport/statement_kind.h"
#include "transport/transport_error.h"

namespace morvane::transport {

namespace {

// Type OIDs from the server's catalog (pg_type), stable across versions.
enum : Oid {
  kBoolOid = 16,
  kInt8Oid = 20,
  kInt2Oid = 21,
  kInt4Oid = 23,
  kOidOid = 26,
  kFloat4Oid = 700,
  kFloat8Oid = 701,
  kMoneyOid = 790,
  kBpcharOid = 1042,
  kVarcharOid = 1043,
  kDateOid = 1082,
  kTimeOid = 1083,
  kTimestampOid = 1114,
  kTimestamptzOid = 1184,
  kTimetzOid = 1266,
  kNumericOid = 1700,
};

ColumnKind KindOf(Oid type) {
  switch (type) {
    case kBoolOid:
      return ColumnKind::kBoolean;
    case kByteaOid:
      return ColumnKind::kBlob;
    case kInt8Oid:
    case kOidOid:
      return ColumnKind::kInt64;
    case kInt2Oid:
    case kInt4Oid:
      return ColumnKind::kInt32;
    case kFloat4Oid:
    case kFloat8Oid:
      return ColumnKind::kDouble;
    case kNumericOid:
      return ColumnKind::kDecimal;
    case kMoneyOid:
      return ColumnKind::kCurrency;
    case kDateOid:
      return ColumnKind::kDate;
    case kTimeOid:
    case kTimetzOid:
      return ColumnKind::kTime;
    case kTimestampOid:
    case kTimestamptzOid:
      return ColumnKind::kDateTime;
    default:
      return ColumnKind::kText;
  }
}

class PostgresBackend : public Backend {
 public:
  explicit PostgresBackend(PGconn* connection) : connection_(connection) {}
  ~PostgresBackend() override { PQfinish(connection_); }

  std::string Description() const override {
    const char* version = PQparameterStatus(connection_, "server_version");
    return std::string("PostgreSQL ") + (version != nullptr ? version : "");
  }
  SqlDialect Dialect() const override { return SqlDialect::kPostgreSQL; }

  int64_t RowsChanged() const override { return rowsChanged_; }

  // The live connection's own parameters: never the password.
  std::string Location() const override {
    const auto text = [](const char* value) { return std::string(value != nullptr ? value : ""); };
    return "host=" + text(PQhost(connection_)) + " port=" + text(PQport(connection_)) +
           " dbname=" + text(PQdb(connection_)) + " user=" + text(PQuser(connection_));
  }

  void Begin() override {
    tableNames_.clear();  // the schema may have changed since the last request
    Run("BEGIN");
  }
  void Commit() override { Run("COMMIT"); }
  void Rollback() noexcept override {
    if (PQstatus(connection_) == CONNECTION_OK &&
        PQtransactionStatus(connection_) != PQTRANS_IDLE) {
      PQclear(PQexec(connection_, "ROLLBACK"));
    }
  }

  bool Execute(const std::string& statement, ByteBuffer& reply) override {
    rowsChanged_ = -1;
    if (ReadsThroughCopy(statement)) {
      ExecuteWithCopy(statement, reply);
      return true;
    }
    ResultPtr result = Exec(statement.c_str());
    // The count psql prints after INSERT, UPDATE and DELETE ("UPDATE 3");
    // empty for commands without one.
    const char* count = PQcmdTuples(result.get());
    if (count != nullptr && *count != '\0' && ChangesRows(statement)) {
      rowsChanged_ = std::strtoll(count, nullptr, 10);
    }
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) return false;
    std::vector<ColumnInfo> columns = Describe(result.get());
    PostgresRows rows(std::move(result), std::move(columns));
    reply = EncodeResultSet(rows);
    return true;
  }

 private:
  // Plain SELECTs are read through COPY; anything else (data-changing
  // statements with RETURNING, SELECT INTO) runs as it is.
  static bool ReadsThroughCopy(const std::string& statement) {
    const std::vector<Token> tokens = TokenizeSql(statement);
    size_t first = 0;
    while (first < tokens.size() && IsBlankToken(tokens[first])) ++first;
    if (first == tokens.size() || !IsKeyword(tokens[first], "SELECT")) return false;
    int depth = 0;
    for (const Token& token : tokens) {
      if (token.text == "(") ++depth;
      if (token.text == ")") --depth;
      if (depth == 0 && IsKeyword(token, "INTO")) return false;
    }
    return true;
  }

  // Describes the statement's columns (an unnamed prepared statement), then
  // streams its rows with COPY: the server does the work it does for its own
  // client, and libpq hands over each row without building a result object.
  void ExecuteWithCopy(const std::string& statement, ByteBuffer& reply) {
    Check(ResultPtr(PQprepare(connection_, "", statement.c_str(), 0, nullptr)));
    ResultPtr description = Check(ResultPtr(PQdescribePrepared(connection_, "")));
    std::vector<ColumnInfo> columns = Describe(description.get());
    std::vector<bool> isBytea;
    for (int i = 0; i < PQnfields(description.get()); ++i) {
      isBytea.push_back(PQftype(description.get(), i) == kByteaOid);
    }
    // The line break keeps a trailing comment from swallowing the parenthesis.
    const std::string copy = "COPY (" + statement + "\n) TO STDOUT";
    ResultPtr started(PQexec(connection_, copy.c_str()));
    if (PQresultStatus(started.get()) != PGRES_COPY_OUT) Check(std::move(started));
    CopyRows rows(connection_, std::move(columns), std::move(isBytea));
    reply = EncodeResultSet(rows);
  }

  ResultPtr Exec(const char* sql) {
    if (PQstatus(connection_) != CONNECTION_OK) {
      throw TransportError("соединение с сервером PostgreSQL потеряно", true);
    }
    return Check(
        ResultPtr(PQexecParams(connection_, sql, 0, nullptr, nullptr, nullptr, nullptr, 0)));
  }

  // Passes a successful result through; throws the back end's message.
  ResultPtr Check(ResultPtr result) {
    const ExecStatusType status = PQresultStatus(result.get());
    if (result != nullptr &&
        (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK || status == PGRES_EMPTY_QUERY)) {
      return result;
    }
    const bool lost = PQstatus(connection_) != CONNECTION_OK;
    std::string message = result != nullptr ? PQresultErrorMessage(result.get()) : "";
    if (message.empty()) message = PQerrorMessage(connection_);
    if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
      // Leave the copy state so the connection stays usable.
      message = "COPY is not supported through the transport";
      PQputCopyEnd(connection_, message.c_str());
      while (ResultPtr(PQgetResult(connection_)) != nullptr) {
      }
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    if (lost && message.empty()) message = "соединение с сервером PostgreSQL потеряно";
    throw TransportError(message, lost);
  }

  void Run(const char* sql) { Exec(sql); }

  std::vector<ColumnInfo> Describe(PGresult* result) {
    std::vector<ColumnInfo> columns;
    const int count = PQnfields(result);
    for (int i = 0; i < count; ++i) {
      ColumnInfo info;
      info.name = PQfname(result, i);
      const Oid type = PQftype(result, i);
      info.kind = KindOf(type);
      const int modifier = PQfmod(result, i);
      if ((type == kBpcharOid || type == kVarcharOid) && modifier >= 4) {
        info.declaredLength = modifier - 4;
      }
      const Oid table = PQftable(result, i);
      const int tableColumn = PQftablecol(result, i);
      if (table != InvalidOid && tableColumn > 0) {
        const TableNames& names = NamesOf(table);
        const auto column = names.columns.find(tableColumn);
        // An aliased column is named by its alias alone (see the SQLite side).
        if (column != names.columns.end() && column->second == info.name) {
          info.table = names.table;
        }
      }
      columns.push_back(std::move(info));
    }
    return columns;
  }

  struct TableNames {
    std::string table;
    std::map<int, std::string> columns;
  };

  const TableNames& NamesOf(Oid table) {
    auto found = tableNames_.find(table);
    if (found != tableNames_.end()) return found->second;
    TableNames& names = tableNames_[table];
    const std::string oidText = std::to_string(table);
    const char* values[] = {oidText.c_str()};
    ResultPtr result(
        PQexecParams(connection_,
                     "SELECT c.relname, a.attnum, a.attname FROM pg_catalog.pg_class c "
                     "JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid "
                     "WHERE c.oid = $1::oid AND a.attnum > 0",
                     1, nullptr, values, nullptr, nullptr, 0));
    if (PQresultStatus(result.get()) == PGRES_TUPLES_OK) {
      for (int row = 0; row < PQntuples(result.get()); ++row) {
        names.table = PQgetvalue(result.get(), row, 0);
        names.columns[std::atoi(PQgetvalue(result.get(), row, 1))] =
            PQgetvalue(result.get(), row, 2);
      }
    }
    return names;
  }

  PGconn* connection_;
  std::map<Oid, TableNames> tableNames_;
  int64_t rowsChanged_ = -1;
};

}  // namespace

std::unique_ptr<Backend> OpenPostgresBackend(const std::string& connectionInfo) {
  char* parseError = nullptr;
  PQconninfoOption* options = PQconninfoParse(connectionInfo.c_str(), &parseError);
  if (options == nullptr) {
    std::string message = parseError != nullptr ? parseError : "invalid connection string";
    PQfreemem(parseError);
    throw OpenFailure{-2, "Неверная строка соединения PostgreSQL: " + message};
  }
  PQconninfoFree(options);

  // libpq waits for an unreachable host without limit by default, which
  // would freeze the program; the setting's own connect_timeout (or
  // PGCONNECT_TIMEOUT) still wins, as the expanded dbname comes later.
  const bool timeoutFromEnvironment = std::getenv("PGCONNECT_TIMEOUT") != nullptr;
  const char* keywords[] = {timeoutFromEnvironment ? nullptr : "connect_timeout", "dbname",
                            nullptr};
  const char* values[] = {"15", connectionInfo.c_str(), nullptr};
  PGconn* connection = timeoutFromEnvironment ? PQconnectdbParams(keywords + 1, values + 1, 1)
                                              : PQconnectdbParams(keywords, values, 1);
  if (PQstatus(connection) != CONNECTION_OK) {
    std::string message = PQerrorMessage(connection);
    PQfinish(connection);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    throw OpenFailure{-1, "Сервер PostgreSQL недоступен: " + message};
  }
  // Server notices ("table does not exist, skipping") are not errors; the
  // default processor would print them on the program's stderr.
  PQsetNoticeProcessor(
      connection, [](void*, const char*) {}, nullptr);
  PQsetClientEncoding(connection, "UTF8");
  // Fixed formats, whatever the server's defaults: ISO dates, money without
  // a locale's currency symbol, bytea as hex (the only form the rows decode)
  // and backslashes as plain characters inside literals (the program only
  // doubles apostrophes, so a Windows path must reach the table unchanged).
  for (const char* setting :
       {"SET DateStyle = 'ISO, YMD'", "SET lc_monetary = 'C'", "SET extra_float_digits = 1",
        "SET bytea_output = 'hex'", "SET standard_conforming_strings = on"}) {
    PQclear(PQexec(connection, setting));
  }
  return std::make_unique<PostgresBackend>(connection);
}

}  // namespace morvane::transport
