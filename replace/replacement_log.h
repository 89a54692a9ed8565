// The replacement log: every execution of a replacement leaves an entry, so
// an operator can tell later what ran, what it changed, how to take it back
// and how to run it again.
//
// Where: the folder $XDG_STATE_HOME/morvane, else ~/.local/state/morvane
// (created on first use, readable by the user only). In it:
//
//   replacements.log                         entries appended, one per run
//   <stamp>-<setting>-mapping.tsv            the mapping (replace/mapping_file.h),
//                                            for morvane-data apply
//   <stamp>-<setting>-undo.sql               the undo script (replace/undo_script.h)
//
// with <stamp> the local start time YYYYMMDD-HHMMSS (and "-2", "-3" ... when
// that name is taken). An entry:
//
//   == 2026-12-07 13:05:12 +0100  Goods.Unit
//   база данных: SQLite 3.40.1; /srv/stock.db
//   режим: одним целым
//   итог: выполнено, изменено строк: 5
//   файл замен: /home/op/.local/state/morvane/20261207-130512-Goods.Unit-mapping.tsv
//   файл отмены: /home/op/.local/state/morvane/20261207-130512-Goods.Unit-undo.sql
//   строка 2	изменено 3	UPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'шт.'
//   строка 1	ошибка: <the server's message>	UPDATE ...
//   строка 3	не выполнена	UPDATE ...
//
// Statements are listed in the order they ran; line breaks inside a
// statement or message are written as \n so one statement stays one line.
// The database is named as the transport describes it, which holds no
// password. Files are written whole (temporary file, then rename); the
// entry is appended with one write. Failures raise EFCreateError.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace morvane {

struct LoggedStatement {
  int line = 0;  // the line of the script or mapping it came from
  std::string sql;
  bool ran = false;          // false: not reached (an earlier line failed, or cancelled)
  int64_t rowsChanged = -1;  // -1: not known
  std::string error;         // empty when the server took it
};

struct ReplacementLogEntry {
  std::time_t time = 0;  // when the execution started
  std::string settingName;
  std::string database;
  bool allOrNothing = true;
  std::string outcome;  // one line: what happened as a whole
  std::string mappingFile;
  std::string undoFile;  // empty: no undo script
  std::string undoNote;  // why there is none, when undoFile is empty
  std::vector<LoggedStatement> statements;
};

struct ExecutionFiles {
  std::string mapping;
  std::string undo;
};

// $XDG_STATE_HOME/morvane when that is an absolute path, else
// $HOME/.local/state/morvane.
std::string DefaultReplacementLogFolder();

// A text as the log writes it on one line: line breaks shown as \n and \r.
std::string LoggedLine(const std::string& text);

class ReplacementLog {
 public:
  explicit ReplacementLog(std::string folder = DefaultReplacementLogFolder());

  const std::string& Folder() const { return folder_; }
  std::string LogFile() const { return folder_ + "/replacements.log"; }

  // Free names for the files of one execution; nothing is written yet.
  ExecutionFiles NameFiles(const std::string& settingName, std::time_t time) const;
  // Writes a file of the folder whole, creating the folder when needed.
  void WriteFile(const std::string& path, const std::string& text) const;
  void Append(const ReplacementLogEntry& entry) const;

  static std::string FormatEntry(const ReplacementLogEntry& entry);

 private:
  void CreateFolder() const;

  std::string folder_;
};

}  // namespace morvane
