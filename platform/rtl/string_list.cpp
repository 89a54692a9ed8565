#include "platform/rtl/string_list.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

[[noreturn]] void ListIndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// Splits a name=value line at its first '='; false when it has none.
bool SplitNameValue(std::string_view line, std::string_view& name, std::string_view& value) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  name = line.substr(0, equals);
  value = line.substr(equals + 1);
  return true;
}

}  // namespace

const std::string& TStringList::operator[](int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return lines_[size_t(index)];
}

std::string& TStringList::operator[](int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return lines_[size_t(index)];
}

int TStringList::Add(std::string line) {
  auto place = lines_.end();
  if (sorted_) {
    // After any equal lines, so equal lines keep the order they were added in.
    place = std::upper_bound(lines_.begin(), lines_.end(), line,
                             [](const std::string& added, const std::string& existing) {
                               return AnsiCompareText(added, existing) < 0;
                             });
  }
  auto inserted = lines_.insert(place, std::move(line));
  return int(inserted - lines_.begin());
}

void TStringList::Insert(int index, std::string line) {
  // An insert at a chosen place would break the order a sorted list keeps.
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) ListIndexError(index);
  lines_.insert(lines_.begin() + index, std::move(line));
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  lines_.erase(lines_.begin() + index);
}

int TStringList::IndexOf(std::string_view line) const {
  for (int index = 0; index < Count(); ++index) {
    if (AnsiSameText(lines_[size_t(index)], line)) return index;
  }
  return -1;
}

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t lineEnd = text.find_first_of("\r\n", start);
    if (lineEnd == std::string_view::npos) {
      lines_.emplace_back(text.substr(start));
      break;
    }
    lines_.emplace_back(text.substr(start, lineEnd - start));
    start = lineEnd + 1;
    if (text[lineEnd] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  if (sorted_) Sort();
}

std::string TStringList::CommaText() const {
  std::string text;
  for (size_t index = 0; index < lines_.size(); ++index) {
    if (index > 0) text += ',';
    text += lines_[index];
  }
  return text;
}

std::string TStringList::Names(int index) const {
  std::string_view name, value;
  if (!SplitNameValue((*this)[index], name, value)) return {};
  return std::string(name);
}

std::string TStringList::ValueFromIndex(int index) const {
  std::string_view name, value;
  if (!SplitNameValue((*this)[index], name, value)) return {};
  return std::string(value);
}

std::string TStringList::Values(std::string_view name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (index < 0) {
    Add(std::move(line));
  } else if (sorted_) {
    // The new value may move the line within the order.
    Delete(index);
    Add(std::move(line));
  } else {
    lines_[size_t(index)] = std::move(line);
  }
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int index = 0; index < Count(); ++index) {
    std::string_view lineName, value;
    if (SplitNameValue(lines_[size_t(index)], lineName, value) && AnsiSameText(lineName, name)) {
      return index;
    }
  }
  return -1;
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

void TStringList::Sort() {
  // One collation key per line instead of converting both texts at every
  // comparison; stable, so equal lines keep their order.
  std::vector<std::string> keys;
  keys.reserve(lines_.size());
  for (const std::string& line : lines_) keys.push_back(CollationKey(line, true));
  std::vector<size_t> order(lines_.size());
  std::iota(order.begin(), order.end(), size_t(0));
  std::stable_sort(order.begin(), order.end(),
                   [&keys](size_t left, size_t right) { return keys[left] < keys[right]; });
  std::vector<std::string> sortedLines;
  sortedLines.reserve(lines_.size());
  for (size_t index : order) sortedLines.push_back(std::move(lines_[index]));
  lines_ = std::move(sortedLines);
}

void TStringList::LoadFromFile(const std::string& fileName) {
  std::vector<char> bytes = ReadWholeFile(fileName);
  std::string_view text(bytes.data(), bytes.size());
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  SetText(text);
}

void TStringList::SaveToFile(const std::string& fileName) const {
  std::string text = Text();
  WriteFileAtomically(fileName, text.data(), text.size());
}

}  // namespace morvane
