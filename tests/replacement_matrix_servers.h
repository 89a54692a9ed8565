// The database servers of the replacement matrix, behind one interface: a
// server gives the connection string the transport takes (NETBRG_DATABASE),
// runs SQL through its own command-line client (the independent oracle),
// and knows its spelling of a typed literal and of a value in a dump.
//
// Another server joins the matrix with one class here and one line in
// MatrixServerNames/MatrixServerNamed; the field types name their declared
// type per server (tests/replacement_matrix_cases.h).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/mariadb_environment.h"
#include "tests/pg_environment.h"

namespace morvane::testing {

class MatrixServer {
 public:
  virtual ~MatrixServer() = default;
  // The name in the case names ("sqlite", "postgres").
  virtual std::string Name() const = 0;
  // Starts the server, or says why it cannot (the case is skipped then).
  virtual bool Start(std::string& problem) = 0;
  // The value of NETBRG_DATABASE for the transport.
  virtual std::string Connection() const = 0;
  // What the server's own client prints for sql (rows as "a|b" lines);
  // adds a test failure when the client refuses it.
  virtual std::string Client(const std::string& sql) const = 0;
  // text as a value of the declared type, for the oracle's own UPDATE.
  virtual std::string TypedLiteral(const std::string& text, const std::string& type) const = 0;
  // An expression that shows column's value in a dump so that NULL, an
  // empty text and a value are told apart.
  virtual std::string DumpExpression(const std::string& column) const = 0;
};

// A scratch folder that lives as long as the test program.
inline const std::string& MatrixFolder() {
  static const std::string folder = [] {
    char folderTemplate[] = "/tmp/replacement-matrix-XXXXXX";
    const char* made = mkdtemp(folderTemplate);
    return std::string(made == nullptr ? "/tmp" : made);
  }();
  return folder;
}

inline std::string MatrixReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The text in single quotes for sh.
inline std::string MatrixShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string QuotedSql(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

class SqliteMatrixServer : public MatrixServer {
 public:
  std::string Name() const override { return "sqlite"; }
  bool Start(std::string& problem) override {
    if (std::system("command -v sqlite3 > /dev/null") != 0) {
      problem = "sqlite3 not found";
      return false;
    }
    file_ = MatrixFolder() + "/matrix.db";
    return true;
  }
  std::string Connection() const override { return "sqlite:" + file_; }
  std::string Client(const std::string& sql) const override {
    const std::string output = MatrixFolder() + "/sqlite3.out";
    const std::string command = "sqlite3 -batch -bail " + MatrixShellQuoted(file_) + " " +
                                MatrixShellQuoted(sql) + " > " + MatrixShellQuoted(output) +
                                " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << sql << "\n" << MatrixReadFile(output);
    return MatrixReadFile(output);
  }
  // A column's affinity turns an assigned text into its own type.
  std::string TypedLiteral(const std::string& text, const std::string&) const override {
    return QuotedSql(text);
  }
  // quote() also shows the storage class: 5 and '5' differ.
  std::string DumpExpression(const std::string& column) const override {
    return "quote(" + column + ")";
  }

 private:
  std::string file_;
};

class PostgresMatrixServer : public MatrixServer {
 public:
  std::string Name() const override { return "postgres"; }
  bool Start(std::string& problem) override {
    server_ = PostgresEnvironment::Server(problem);
    return server_ != nullptr;
  }
  std::string Connection() const override { return server_->ConnectionInfo(); }
  std::string Client(const std::string& sql) const override {
    const std::string output = MatrixFolder() + "/psql.out";
    EXPECT_EQ(server_->RunTool("psql", "-X -At -F '|' -v ON_ERROR_STOP=1 -d " +
                                           MatrixShellQuoted(server_->ConnectionInfo()) + " -c " +
                                           MatrixShellQuoted(sql) + " > " +
                                           MatrixShellQuoted(output) + " 2>&1"),
              0)
        << sql << "\n"
        << MatrixReadFile(output);
    return MatrixReadFile(output);
  }
  std::string TypedLiteral(const std::string& text, const std::string& type) const override {
    return "CAST(" + QuotedSql(text) + " AS " + type + ")";
  }
  std::string DumpExpression(const std::string& column) const override {
    return "quote_nullable(" + column + ")";
  }

 private:
  PostgresServer* server_ = nullptr;
};

// MariaDB in a database whose collation compares bytes, so that the
// client's own UPDATE ... CASE (the oracle) tells "a", "A" and "a " apart
// as the transport does on any collation.
class MariaDbMatrixServer : public MatrixServer {
 public:
  std::string Name() const override { return "mariadb"; }
  bool Start(std::string& problem) override {
    server_ = MariaDbEnvironment::Server(problem);
    if (server_ == nullptr) return false;
    if (!server_->CreateDatabase(kDatabase, "utf8mb4_nopad_bin")) {
      problem = "the matrix database could not be created";
      return false;
    }
    return true;
  }
  std::string Connection() const override { return server_->Address(kDatabase); }
  std::string Client(const std::string& sql) const override {
    const std::string output = MatrixFolder() + "/mariadb.out";
    // The session's own modes: strict, and || and "" as in standard SQL.
    const std::string session =
        "SET sql_mode = 'STRICT_ALL_TABLES,ANSI_QUOTES,PIPES_AS_CONCAT,NO_BACKSLASH_ESCAPES'; ";
    EXPECT_EQ(server_->RunClient(kDatabase, "-N -B -e " + MatrixShellQuoted(session + sql) +
                                                " > " + MatrixShellQuoted(output) + " 2>&1"),
              0)
        << sql << "\n"
        << MatrixReadFile(output);
    // The client separates columns with a tab; the other servers' dumps use '|'.
    std::string text = MatrixReadFile(output);
    for (char& c : text) {
      if (c == '\t') c = '|';
    }
    return text;
  }
  // An assigned text takes the column's type, as with SQLite.
  std::string TypedLiteral(const std::string& text, const std::string&) const override {
    return QuotedSql(text);
  }
  std::string DumpExpression(const std::string& column) const override {
    return "QUOTE(" + column + ")";
  }

 private:
  static constexpr char kDatabase[] = "matrix";
  MariaDbServer* server_ = nullptr;
};

inline std::vector<std::string> MatrixServerNames() {
  return {"sqlite", "postgres", "mariadb"};
}

// The one server of each name for the whole test program, started on first
// use; null, with problem, when it cannot start.
inline MatrixServer* MatrixServerNamed(const std::string& name, std::string& problem) {
  struct Started {
    std::unique_ptr<MatrixServer> server;
    bool ok = false;
    std::string problem;
  };
  static std::vector<std::pair<std::string, Started>> servers;
  for (auto& [serverName, started] : servers) {
    if (serverName != name) continue;
    problem = started.problem;
    return started.ok ? started.server.get() : nullptr;
  }
  Started started;
  if (name == "sqlite") started.server = std::make_unique<SqliteMatrixServer>();
  if (name == "postgres") started.server = std::make_unique<PostgresMatrixServer>();
  if (name == "mariadb") started.server = std::make_unique<MariaDbMatrixServer>();
  if (started.server == nullptr) {
    started.problem = "no server named " + name;
  } else {
    started.ok = started.server->Start(started.problem);
  }
  problem = started.problem;
  servers.emplace_back(name, std::move(started));
  return servers.back().second.ok ? servers.back().second.server.get() : nullptr;
}

}  // namespace morvane::testing
