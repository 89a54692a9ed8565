#include "platform/rtl/ini_file.h"

#include <filesystem>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// "[Name]" (blanks around allowed) gives the trimmed name. The name ends at
// the last ']' of the line, so a name that holds brackets itself
// ("[Order Details].Unit") reads back as it was written.
bool IsSectionHeader(std::string_view line, std::string& name) {
  std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return false;
  size_t close = trimmed.rfind(']');
  if (close == std::string::npos) return false;
  name = Trim(std::string_view(trimmed).substr(1, close - 1));
  return true;
}

// "Key=Value" outside comments gives the trimmed key and the raw value.
bool IsKeyLine(std::string_view line, std::string& key, std::string_view& value) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  std::string_view keyPart = line.substr(0, equals);
  if (TrimLeft(keyPart).starts_with(';')) return false;
  key = Trim(keyPart);
  value = line.substr(equals + 1);
  return true;
}

bool IsBlankOrComment(std::string_view line) {
  std::string trimmed = Trim(line);
  return trimmed.empty() || trimmed.front() == ';';
}

// A line break inside a name or value would split the line and let the text
// turn into keys or sections of its own.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

// Calls visit(lineIndex, key, value) for every key line of every section
// named `section` (a file may repeat a section; all its parts count as one).
// visit returns false to stop.
template <typename Visit>
void ForEachKey(const TStringList& lines, std::string_view section, Visit visit) {
  bool inSection = false;
  std::string name;
  std::string_view value;
  for (int index = 0; index < lines.Count(); ++index) {
    const std::string& line = lines[index];
    if (IsSectionHeader(line, name)) {
      inSection = AnsiSameText(name, section);
    } else if (inSection && IsKeyLine(line, name, value)) {
      if (!visit(index, name, value)) return;
    }
  }
}

int FindKey(const TStringList& lines, std::string_view section, std::string_view key) {
  int found = -1;
  ForEachKey(lines, section, [&](int index, const std::string& name, std::string_view) {
    if (!AnsiSameText(name, key)) return true;
    found = index;
    return false;
  });
  return found;
}

int FindSection(const TStringList& lines, std::string_view section) {
  std::string name;
  for (int index = 0; index < lines.Count(); ++index) {
    if (IsSectionHeader(lines[index], name) && AnsiSameText(name, section)) return index;
  }
  return -1;
}

// Where a new key of the section starting at `header` goes: after its last
// line that is neither blank nor a comment, so the blank lines and the
// comment that lead into the next section stay with it.
int EndOfSection(const TStringList& lines, int header) {
  int lastContent = header;
  std::string name;
  for (int index = header + 1; index < lines.Count(); ++index) {
    if (IsSectionHeader(lines[index], name)) break;
    if (!IsBlankOrComment(lines[index])) lastContent = index;
  }
  return lastContent + 1;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  UpdateFile();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  std::string result(defaultValue);
  ForEachKey(lines_, section, [&](int, const std::string& name, std::string_view value) {
    if (!AnsiSameText(name, key)) return true;
    result = Trim(value);
    return false;
  });
  return result;
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                              int32_t defaultValue) const {
  int32_t result = defaultValue;
  if (!TryStrToInt(ReadString(section, key, ""), result)) return defaultValue;
  return result;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() && key.empty()) {
    UpdateFile();  // the "flush" call: nothing to write
    return;
  }
  Rewrite([&](TStringList& lines) {
    int keyLine = FindKey(lines, section, key);
    if (keyLine >= 0) {
      // Keep the key as the file spells it, blanks included.
      std::string_view line = lines[keyLine];
      std::string newLine = std::string(line.substr(0, line.find('='))) + "=" + OneLine(value);
      if (newLine == lines[keyLine]) return false;
      lines[keyLine] = std::move(newLine);
      return true;
    }
    std::string newLine = OneLine(key) + "=" + OneLine(value);
    int header = FindSection(lines, section);
    if (header >= 0) {
      lines.Insert(EndOfSection(lines, header), std::move(newLine));
      return true;
    }
    if (lines.Count() > 0 && !Trim(lines[lines.Count() - 1]).empty()) lines.Add("");
    lines.Add("[" + OneLine(section) + "]");
    lines.Add(std::move(newLine));
    return true;
  });
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSection(lines_, section) >= 0;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(lines_, section, key) >= 0;
}

TStringList TIniFile::ReadSections() const {
  TStringList sections;
  std::string name;
  for (const std::string& line : lines_) {
    if (IsSectionHeader(line, name) && sections.IndexOf(name) < 0) sections.Add(name);
  }
  return sections;
}

TStringList TIniFile::ReadSection(std::string_view section) const {
  TStringList keys;
  ForEachKey(lines_, section, [&](int, const std::string& name, std::string_view) {
    if (keys.IndexOf(name) < 0) keys.Add(name);
    return true;
  });
  return keys;
}

void TIniFile::EraseSection(std::string_view section) {
  Rewrite([&](TStringList& lines) {
    bool changed = false;
    bool inSection = false;
    std::string name;
    for (int index = 0; index < lines.Count();) {
      if (IsSectionHeader(lines[index], name)) inSection = AnsiSameText(name, section);
      if (inSection) {
        lines.Delete(index);
        changed = true;
      } else {
        ++index;
      }
    }
    return changed;
  });
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  Rewrite([&](TStringList& lines) {
    bool changed = false;
    for (int index; (index = FindKey(lines, section, key)) >= 0;) {
      lines.Delete(index);
      changed = true;
    }
    return changed;
  });
}

void TIniFile::UpdateFile() {
  // A file that cannot be read reads as empty: every value is its default.
  try {
    LoadLines(lines_, byteOrderMark_);
  } catch (const EFCreateError&) {
    lines_.Clear();
  }
}

void TIniFile::LoadLines(TStringList& lines, bool& byteOrderMark) const {
  lines.Clear();
  byteOrderMark = false;
  std::error_code error;
  if (!std::filesystem::exists(fileName_, error) && !error) return;  // created on the first write
  std::vector<char> bytes;
  try {
    bytes = ReadWholeFile(fileName_);
  } catch (const EFOpenError&) {
    // A write must not replace a file whose content it could not read.
    throw EFCreateError(fileName_);
  }
  std::string_view text(bytes.data(), bytes.size());
  if (text.starts_with(kUtf8Bom)) {
    byteOrderMark = true;
    text.remove_prefix(kUtf8Bom.size());
  }
  lines.SetText(text);
}

void TIniFile::Rewrite(const std::function<bool(TStringList&)>& change) {
  // Start from the file as it is now, not as it was read: a key added by hand
  // (or by another program) since then must survive this write.
  TStringList lines;
  bool byteOrderMark = false;
  LoadLines(lines, byteOrderMark);
  if (!change(lines)) {
    lines_ = std::move(lines);
    byteOrderMark_ = byteOrderMark;
    return;
  }
  std::string text = (byteOrderMark ? std::string(kUtf8Bom) : std::string()) + lines.Text();
  WriteFileAtomically(fileName_, text.data(), text.size());
  lines_ = std::move(lines);
  byteOrderMark_ = byteOrderMark;
}

}  // namespace morvane
