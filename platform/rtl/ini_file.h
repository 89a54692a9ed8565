// INI files: sections of key=value lines.
//
//   ; comment
//   [Section]
//   Key=Value
//
// Sections and keys match without regard to case. Reading: a missing file,
// section or key gives the default; ReadInteger and ReadBool read the text as
// a 32-bit integer and give the default when it is not one (non-zero is
// true). Writing keeps every other section, key, comment and blank line and
// their order; a new key goes at the end of its section, a new section at the
// end of the file. The file is created on the first write, and every write
// replaces it atomically (temporary file, then rename), so a failed write
// leaves the old file as it was and raises EFCreateError.
//
// Reads use the lines read when the object was created or last wrote;
// UpdateFile() re-reads the file (the "flush the profile cache" step of the
// settings store, also reached by WriteString with an empty section and key).
// Every write starts from the file as it is on disk at that moment, so keys
// added by hand meanwhile are kept; a file that exists but cannot be read is
// never rewritten (EFCreateError). A repeated section counts as one section
// (first key wins; a new key goes into its first part). Values are read with
// blanks around them trimmed; line breaks in written names and values become
// blanks. Lines are kept byte for byte (a UTF-8 byte order mark too), ends
// written as CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/rtl/string_list.h"

namespace morvane {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  TStringList ReadSections() const;
  TStringList ReadSection(std::string_view section) const;  // the keys, in file order
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

  void UpdateFile();  // re-read the file from disk

 private:
  // The file's lines now; none when it does not exist. EFCreateError when it
  // exists but cannot be read.
  void LoadLines(TStringList& lines, bool& byteOrderMark) const;
  // Re-reads the file, applies the change and, when it reports one, replaces
  // the file atomically.
  void Rewrite(const std::function<bool(TStringList&)>& change);

  std::string fileName_;
  TStringList lines_;
  bool byteOrderMark_ = false;
};

}  // namespace morvane
