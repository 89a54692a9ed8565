#include "transport/config.h"

#include "transport/mariadb_address.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace morvane::transport {

namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualIgnoringCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (size_t i = 0; i < left.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    if (lower(left[i]) != lower(right[i])) return false;
  }
  return true;
}

bool Exists(const std::string& path, mode_t type) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == type;
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
  if (const passwd* account = getpwuid(getuid()); account != nullptr && account->pw_dir) {
    return account->pw_dir;
  }
  return ".";
}

}  // namespace

std::string InstalledDataDirectory(const std::string& executableDirectory) {
  const std::string directory = executableDirectory + "/../share/morvane";
  return Exists(directory, S_IFDIR) ? directory : std::string();
}

std::string UserDirectory(const char* xdgVariable, const char* homeFallback) {
  // A relative XDG folder is ignored, as the freedesktop folder rules ask.
  if (const char* base = std::getenv(xdgVariable); base != nullptr && *base == '/') {
    return std::string(base) + "/morvane";
  }
  return HomeDirectory() + "/" + homeFallback + "/morvane";
}

std::string ExecutableDirectory() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  const std::string executable(path, static_cast<size_t>(length));
  const size_t slash = executable.rfind('/');
  return slash == std::string::npos ? "." : executable.substr(0, slash);
}

std::string ReadIniValue(const std::string& fileName, std::string_view section,
                         std::string_view key) {
  std::ifstream file(fileName);
  std::string line;
  bool inSection = false;
  while (std::getline(file, line)) {
    const std::string_view text = Trim(line);
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text.front() == '[' && text.back() == ']') {
      inSection = EqualIgnoringCase(Trim(text.substr(1, text.size() - 2)), section);
      continue;
    }
    const size_t equals = text.find('=');
    if (inSection && equals != std::string_view::npos &&
        EqualIgnoringCase(Trim(text.substr(0, equals)), key)) {
      return std::string(Trim(text.substr(equals + 1)));
    }
  }
  return "";
}

DatabaseSetting ParseDatabaseSetting(std::string_view value, std::string_view baseDirectory) {
  DatabaseSetting setting;
  value = Trim(value);
  if (value.substr(0, 7) == "sqlite:") {
    setting.kind = DatabaseSetting::Kind::kSqlite;
    std::string path(Trim(value.substr(7)));
    if (!path.empty() && path[0] != '/') path = std::string(baseDirectory) + "/" + path;
    setting.target = path;
  } else if (IsMariaDbSetting(value)) {
    setting.kind = DatabaseSetting::Kind::kMariaDb;
    setting.target = std::string(value);
  } else {
    setting.kind = DatabaseSetting::Kind::kPostgres;
    setting.target = std::string(value);
  }
  return setting;
}

DatabaseSetting ParseIniDatabaseSetting(std::string_view value, std::string_view iniDirectory) {
  DatabaseSetting setting = ParseDatabaseSetting(value, iniDirectory);
  if (setting.kind != DatabaseSetting::Kind::kPostgres) return setting;
  // libpq reads the text the way the connection will: keyword form, URI
  // (user:secret@host) and URI parameters alike. A text it cannot read is
  // left for the connection to report.
  PQconninfoOption* options = PQconninfoParse(setting.target.c_str(), nullptr);
  bool holdsPassword = false;
  for (PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr;
       ++option) {
    if (std::strcmp(option->keyword, "password") == 0 && option->val != nullptr &&
        *option->val != '\0') {
      holdsPassword = true;
    }
  }
  PQconninfoFree(options);
  if (holdsPassword) {
    throw std::runtime_error(
        "В netbrg.ini не должно быть пароля: PostgreSQL берёт его из ~/.pgpass, "
        "файла служб или PGPASSWORD");
  }
  return setting;
}

DatabaseSetting ResolveDatabaseSetting(const std::string& executableDirectory) {
  char cwd[4096];
  if (const char* fromEnvironment = std::getenv("NETBRG_DATABASE");
      fromEnvironment != nullptr && *fromEnvironment != '\0') {
    return ParseDatabaseSetting(fromEnvironment, getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".");
  }
  const std::string dataDirectory = InstalledDataDirectory(executableDirectory);
  const bool besideExecutable =
      dataDirectory.empty() || Exists(executableDirectory + "/netbrg.ini", S_IFREG);
  const std::string iniDirectory =
      besideExecutable ? executableDirectory : UserDirectory("XDG_CONFIG_HOME", ".config");
  const std::string fromIni = ReadIniValue(iniDirectory + "/netbrg.ini", "Server", "Database");
  if (!fromIni.empty()) return ParseIniDatabaseSetting(fromIni, iniDirectory);
  if (dataDirectory.empty()) return ParseDatabaseSetting("sqlite:morvane.db", executableDirectory);
  DatabaseSetting setting =
      ParseDatabaseSetting("sqlite:morvane.db", UserDirectory("XDG_DATA_HOME", ".local/share"));
  setting.demoDataFolder = dataDirectory;
  return setting;
}

int BusyTimeoutMs() {
  const char* text = std::getenv("NETBRG_BUSY_TIMEOUT");
  if (text == nullptr || *text == '\0') return 5000;
  const int value = std::atoi(text);
  return value >= 0 ? value : 5000;
}

}  // namespace morvane::transport
