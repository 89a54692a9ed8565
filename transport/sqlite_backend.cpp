// The SQLite back end. Dates live in SQLite as ISO texts (YYYY-MM-DD,
// YYYY-MM-DD hh:mm:ss, hh:mm:ss); the declared column type tells how a
// column's values are carried in the reply.
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "transport/backend.h"
#include "transport/result_encoder.h"
#include "transport/statement_kind.h"
#include "transport/transport_error.h"

namespace morvane::transport {

namespace {

std::string Upper(const char* text) {
  std::string upper = text == nullptr ? "" : text;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool SameName(const char* left, const char* right) {
  return left != nullptr && right != nullptr && Upper(left) == Upper(right);
}

// The first number in parentheses of a declared type: VARCHAR(20) gives 20.
int DeclaredLength(const std::string& declared) {
  const size_t open = declared.find('(');
  if (open == std::string::npos) return -1;
  int length = 0;
  size_t position = open + 1;
  while (position < declared.size() && declared[position] == ' ') ++position;
  if (position >= declared.size() || declared[position] < '0' || declared[position] > '9') {
    return -1;
  }
  while (position < declared.size() && declared[position] >= '0' && declared[position] <= '9') {
    length = std::min(length * 10 + (declared[position] - '0'), 1'000'000);
    ++position;
  }
  return length;
}

// Declared type to column kind, in the spirit of SQLite's affinity rules
// with the date and Boolean names the schema uses added.
ColumnInfo DescribeColumn(sqlite3_stmt* statement, int column) {
  ColumnInfo info;
  info.name = sqlite3_column_name(statement, column);
  const char* table = sqlite3_column_table_name(statement, column);
  const char* origin = sqlite3_column_origin_name(statement, column);
  // An aliased column (SELECT Unit AS src) is named by its alias alone: the
  // table prefix would claim a column the table does not have.
  if (table != nullptr && SameName(origin, info.name.c_str())) info.table = table;
  const std::string declared = Upper(sqlite3_column_decltype(statement, column));
  const auto has = [&](const char* part) { return declared.find(part) != std::string::npos; };
  if (declared.empty()) {
    info.kind = ColumnKind::kUnknown;
  } else if (has("BIGINT") || has("INT8")) {
    info.kind = ColumnKind::kInt64;
  } else if (has("BOOL")) {
    info.kind = ColumnKind::kBoolean;
  } else if (has("INT")) {
    info.kind = ColumnKind::kInt32;  // widened when a value needs 64 bits
  } else if (has("DATETIME") || has("TIMESTAMP")) {
    info.kind = ColumnKind::kDateTime;
  } else if (has("DATE")) {
    info.kind = ColumnKind::kDate;
  } else if (has("TIME")) {
    info.kind = ColumnKind::kTime;
  } else if (has("CHAR") || has("CLOB") || has("TEXT")) {
    info.kind = ColumnKind::kText;
    info.declaredLength = DeclaredLength(declared);
  } else if (has("BLOB")) {
    info.kind = ColumnKind::kBlob;
  } else if (has("MONEY") || has("CURRENCY")) {
    info.kind = ColumnKind::kCurrency;
  } else if (has("REAL") || has("FLOA") || has("DOUB")) {
    info.kind = ColumnKind::kDouble;
  } else if (has("NUMERIC") || has("DECIMAL")) {
    info.kind = ColumnKind::kDecimal;
  } else {
    info.kind = ColumnKind::kUnknown;
  }
  return info;
}

class SqliteRows : public RowSource {
 public:
  SqliteRows(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {
    const int count = sqlite3_column_count(statement);
    // A statement that changes data (INSERT ... RETURNING) must not run
    // twice, so its columns are carried as text or blob, never re-read.
    const bool readOnly = sqlite3_stmt_readonly(statement) != 0;
    for (int i = 0; i < count; ++i) {
      ColumnInfo info = DescribeColumn(statement, i);
      if (!readOnly && info.kind != ColumnKind::kBlob) {
        info.kind = ColumnKind::kText;
        info.declaredLength = -1;
      }
      columns_.push_back(std::move(info));
    }
  }

  const std::vector<ColumnInfo>& Columns() const override { return columns_; }

  bool Next() override {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw TransportError(sqlite3_errmsg(db_));
  }

  Cell Get(size_t column) override {
    const int index = static_cast<int>(column);
    Cell cell;
    switch (sqlite3_column_type(statement_, index)) {
      case SQLITE_INTEGER:
        cell.storage = CellStorage::kInteger;
        cell.integer = sqlite3_column_int64(statement_, index);
        break;
      case SQLITE_FLOAT:
        cell.storage = CellStorage::kReal;
        cell.real = sqlite3_column_double(statement_, index);
        break;
      case SQLITE_TEXT: {
        cell.storage = CellStorage::kText;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
        cell.bytes =
            std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(statement_, index)));
        break;
      }
      case SQLITE_BLOB: {
        cell.storage = CellStorage::kBlob;
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, index));
        cell.bytes =
            std::string_view(bytes, static_cast<size_t>(sqlite3_column_bytes(statement_, index)));
        break;
      }
      default:
        break;
    }
    return cell;
  }

  bool Rewind() override {
    if (sqlite3_stmt_readonly(statement_) == 0) return false;
    sqlite3_reset(statement_);
    return true;
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_;
  std::vector<ColumnInfo> columns_;
};

class SqliteBackend : public Backend {
 public:
  explicit SqliteBackend(sqlite3* db) : db_(db) {}
  ~SqliteBackend() override { sqlite3_close_v2(db_); }

  std::string Description() const override { return std::string("SQLite ") + sqlite3_libversion(); }
  SqlDialect Dialect() const override { return SqlDialect::kSQLite; }

  void Begin() override { Run("BEGIN"); }
  void Commit() override { Run("COMMIT"); }
  void Rollback() noexcept override {
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }

  bool Execute(const std::string& text, ByteBuffer& reply) override {
    bool producedRows = false;
    rowsChanged_ = -1;
    const char* rest = text.c_str();
    // The gateway has split the request; a tail SQLite still finds (the body
    // of a trigger, say) runs in order.
    while (rest != nullptr && *rest != '\0') {
      sqlite3_stmt* statement = nullptr;
      const char* tail = nullptr;
      if (sqlite3_prepare_v2(db_, rest, -1, &statement, &tail) != SQLITE_OK) {
        throw TransportError(sqlite3_errmsg(db_));
      }
      rest = tail;
      if (statement == nullptr) continue;  // only blanks or comments
      StatementGuard guard{statement};
      if (sqlite3_column_count(statement) > 0) {
        SqliteRows rows(db_, statement);
        reply = EncodeResultSet(rows);
        producedRows = true;
      } else {
        int result;
        while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        if (result != SQLITE_DONE) throw TransportError(sqlite3_errmsg(db_));
        // sqlite3_changes64 keeps the count of the last data-changing
        // statement, so it is read only after one.
        if (ChangesRows(sqlite3_sql(statement))) {
          rowsChanged_ = std::max<int64_t>(rowsChanged_, 0) + sqlite3_changes64(db_);
        }
      }
    }
    return producedRows;
  }

  int64_t RowsChanged() const override { return rowsChanged_; }

  std::string Location() const override {
    const char* file = sqlite3_db_filename(db_, "main");
    return file != nullptr ? file : "";
  }

 private:
  struct StatementGuard {
    sqlite3_stmt* statement;
    ~StatementGuard() { sqlite3_finalize(statement); }
  };

  void Run(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message != nullptr ? message : sqlite3_errmsg(db_);
      sqlite3_free(message);
      throw TransportError(text);
    }
  }

  sqlite3* db_;
  int64_t rowsChanged_ = -1;
};

}  // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path, int busyTimeoutMs) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw OpenFailure{-2, "Не найден файл базы данных SQLite: " + path};
  }
  sqlite3* db = nullptr;
  // Never SQLITE_OPEN_CREATE: a mistyped path must not leave an empty
  // database behind. The library uses its one connection from one thread
  // at a time, so the connection needs no mutex of its own (which would be
  // taken on every step and every column read).
  const int result =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result != SQLITE_OK) {
    std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    sqlite3_close_v2(db);
    throw OpenFailure{-2, "Невозможно открыть базу данных SQLite " + path + ": " + message};
  }
  sqlite3_busy_timeout(db, busyTimeoutMs);
  sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
  // A file that is not a database fails only on first use; find out now.
  char* message = nullptr;
  if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, &message) !=
      SQLITE_OK) {
    std::string text = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    sqlite3_close_v2(db);
    throw OpenFailure{-2, "Невозможно открыть базу данных SQLite " + path + ": " + text};
  }
  return std::make_unique<SqliteBackend>(db);
}

}  // namespace morvane::transport
