// TStringList: an ordered list of texts with the framework's conveniences.
//
// Text joins the lines with CR LF after each; assigning Text splits on CR LF,
// LF or CR. Name=value lines: Names(i) is the part before the first '=',
// Values(name) the part after it on the first line whose name matches without
// regard to case (locale rules). IndexOf is case-insensitive by the locale.
// A line without '=' has no name: Names and ValueFromIndex give "" for it.
// With Sorted set, Add inserts at the sorted position (case-insensitive, after
// equal lines) and Insert raises EListError. A bad index raises EListError
// "List index out of bounds (5)". LoadFromFile skips a UTF-8 byte order mark.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> lines) : lines_(lines) {}

  int Count() const { return int(lines_.size()); }
  const std::string& operator[](int index) const;  // throws EListError
  std::string& operator[](int index);
  const std::string& Strings(int index) const { return (*this)[index]; }

  int Add(std::string line);  // returns the index where the line went
  void Insert(int index, std::string line);
  void Delete(int index);
  void Clear() { lines_.clear(); }
  int IndexOf(std::string_view line) const;  // -1 when absent

  std::string Text() const;
  void SetText(std::string_view text);
  std::string CommaText() const;  // lines joined by ","

  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  std::string Values(std::string_view name) const;  // "" when absent
  // Replaces the value of the first line with the name, or appends
  // "name=value"; an empty value deletes the line.
  void SetValue(std::string_view name, std::string_view value);
  int IndexOfName(std::string_view name) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);  // sorting on when set
  void Sort();

  void LoadFromFile(const std::string& fileName);      // EFOpenError
  void SaveToFile(const std::string& fileName) const;  // atomically; EFCreateError

  const std::vector<std::string>& Lines() const { return lines_; }
  auto begin() const { return lines_.begin(); }
  auto end() const { return lines_.end(); }

 private:
  std::vector<std::string> lines_;
  bool sorted_ = false;
};

}  // namespace morvane
