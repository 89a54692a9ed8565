#include "transport/demo_database.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "transport/backend.h"

namespace morvane::transport {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw OpenFailure{-2, "Невозможно создать демонстрационную базу данных " + path + ": " + reason};
}

std::string ReadScript(const std::string& path, const std::string& databasePath) {
  std::ifstream file(path, std::ios::binary);
  if (!file) Fail(databasePath, "не найден файл " + path);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

// Removes the temporary file (and a journal SQLite may have left) on every path.
struct TemporaryFile {
  std::string path;
  ~TemporaryFile() {
    if (path.empty()) return;
    unlink(path.c_str());
    unlink((path + "-journal").c_str());
  }
};

void LoadScripts(const std::string& temporaryPath, const std::string& sql,
                 const std::string& path) {
  sqlite3* db = nullptr;
  const int opened = sqlite3_open_v2(temporaryPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  std::string failure;
  if (opened != SQLITE_OK) {
    failure = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(opened);
  } else {
    char* message = nullptr;
    if (sqlite3_exec(db, ("BEGIN;\n" + sql + "\nCOMMIT;").c_str(), nullptr, nullptr, &message) !=
        SQLITE_OK) {
      failure = message != nullptr ? message : sqlite3_errmsg(db);
      sqlite3_free(message);
    }
  }
  sqlite3_close_v2(db);
  if (!failure.empty()) Fail(path, failure);
}

}  // namespace

bool CreateDemoDatabaseIfMissing(const std::string& path, const std::string& dataFolder) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) return false;

  const std::string sql =
      ReadScript(dataFolder + "/schema.sql", path) + ReadScript(dataFolder + "/data.sql", path);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error) Fail(path, error.message());

  TemporaryFile temporary{path + ".new-XXXXXX"};
  const int descriptor = mkstemp(temporary.path.data());  // readable by the user only
  if (descriptor < 0) {
    const std::string reason = std::strerror(errno);
    temporary.path.clear();
    Fail(path, reason);
  }
  close(descriptor);
  LoadScripts(temporary.path, sql, path);
  // link() never replaces: a file that another start put there meanwhile wins.
  if (link(temporary.path.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) return false;
    Fail(path, std::strerror(errno));
  }
  return true;
}

}  // namespace morvane::transport
