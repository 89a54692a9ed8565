#include "platform/rtl/program_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace morvane {

namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
  if (const passwd* account = getpwuid(getuid()); account != nullptr && account->pw_dir) {
    return account->pw_dir;
  }
  return ".";
}

}  // namespace

std::string ExecutableFolder() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || size_t(length) >= path.size()) return {};
  path.resize(size_t(length));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string InstalledDataFolder(const std::string& executableFolder) {
  if (executableFolder.empty()) return {};
  const std::string folder = executableFolder + "../share/morvane/";
  return IsFolder(folder) ? folder : std::string();
}

std::string UserConfigFolder() {
  // A relative XDG folder is ignored, as the freedesktop folder rules ask.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    return std::string(config) + "/morvane/";
  }
  return HomeFolder() + "/.config/morvane/";
}

std::string SettingsFolder(std::string_view fileName, const std::string& executableFolder) {
  if (IsFile(executableFolder + std::string(fileName)) ||
      InstalledDataFolder(executableFolder).empty()) {
    return executableFolder;
  }
  return UserConfigFolder();
}

}  // namespace morvane
