#include "replace/replacement_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace morvane {

namespace {

std::string LocalTime(std::time_t time, const char* format) {
  std::tm local{};
  localtime_r(&time, &local);
  char text[64];
  const size_t length = std::strftime(text, sizeof text, format, &local);
  return std::string(text, length);
}

// A setting name as part of a file name: no folders, no blanks or controls.
std::string FileNamePart(const std::string& name) {
  std::string part = name.empty() ? "replacement" : name;
  for (char& c : part) {
    if (c == '/' || static_cast<unsigned char>(c) <= ' ') c = '_';
  }
  if (part == "." || part == "..") part = "replacement";
  return part;
}


bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::string DefaultReplacementLogFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/morvane";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/morvane";
}

ReplacementLog::ReplacementLog(std::string folder) : folder_(std::move(folder)) {}

ExecutionFiles ReplacementLog::NameFiles(const std::string& settingName, std::time_t time) const {
  const std::string stem =
      folder_ + "/" + LocalTime(time, "%Y%m%d-%H%M%S") + "-" + FileNamePart(settingName);
  for (int attempt = 1;; ++attempt) {
    const std::string base = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
    ExecutionFiles files{base + "-mapping.tsv", base + "-undo.sql"};
    if (!Exists(files.mapping) && !Exists(files.undo)) return files;
  }
}

void ReplacementLog::CreateFolder() const {
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error) throw EFCreateError(folder_);
  ::chmod(folder_.c_str(), 0700);  // statements name the operator's data
}

void ReplacementLog::WriteFile(const std::string& path, const std::string& text) const {
  CreateFolder();
  WriteFileAtomically(path, text.data(), text.size());
}

void ReplacementLog::Append(const ReplacementLogEntry& entry) const {
  CreateFolder();
  const std::string text = FormatEntry(entry);
  const std::string path = LogFile();
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (file < 0) throw EFCreateError(path);
  // One write keeps entries of two programs logging at once apart.
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(file, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      ::close(file);
      throw EFCreateError(path);
    }
    written += size_t(count);
  }
  if (::close(file) != 0) throw EFCreateError(path);
}

std::string ReplacementLog::FormatEntry(const ReplacementLogEntry& entry) {
  std::string text = "== " + LocalTime(entry.time, "%Y-%m-%d %H:%M:%S %z") + "  " +
                     LoggedLine(entry.settingName) + "\n";
  text += "база данных: " + LoggedLine(entry.database) + "\n";
  text += std::string("режим: ") + (entry.allOrNothing ? "одним целым" : "построчно") + "\n";
  text += "итог: " + LoggedLine(entry.outcome) + "\n";
  text += "файл замен: " + entry.mappingFile + "\n";
  text += "файл отмены: " + (entry.undoFile.empty() ? "нет (" + LoggedLine(entry.undoNote) + ")"
                                                    : entry.undoFile) +
          "\n";
  for (const LoggedStatement& statement : entry.statements) {
    std::string result;
    if (!statement.error.empty()) {
      result = "ошибка: " + LoggedLine(statement.error);
    } else if (!statement.ran) {
      result = "не выполнена";
    } else if (statement.rowsChanged >= 0) {
      result = "изменено " + std::to_string(statement.rowsChanged);
    } else {
      result = "выполнена";
    }
    text += "строка " + std::to_string(statement.line) + "\t" + result + "\t" +
            LoggedLine(statement.sql) + "\n";
  }
  return text + "\n";
}

std::string LoggedLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace morvane
