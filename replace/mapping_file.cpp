#include "replace/mapping_file.h"

#include "replace/replacement_messages.h"

namespace morvane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Unescape(std::string_view field) {
  std::string value;
  value.reserve(field.size());
  for (size_t at = 0; at < field.size(); ++at) {
    if (field[at] == '\\' && at + 1 < field.size()) {
      const char next = field[at + 1];
      const char meant = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
      if (next == 't' || next == 'n' || next == 'r' || next == '\\') {
        value += meant;
        ++at;
        continue;
      }
    }
    value += field[at];
  }
  return value;
}

void AppendEscaped(std::string& out, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

bool TryParseMappingFile(std::string_view text, std::vector<ReplacementPair>& mapping,
                         std::string& error) {
  std::vector<ReplacementPair> pairs;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const size_t tab = line.find('\t');
    const char* problem = nullptr;
    if (tab == std::string_view::npos) {
      problem = replacemsg::kNoTab;
    } else if (line.find('\t', tab + 1) != std::string_view::npos) {
      problem = replacemsg::kExtraTab;
    } else if (tab == 0) {
      problem = replacemsg::kEmptyOld;
    } else if (tab + 1 == line.size()) {
      problem = replacemsg::kEmptyNew;
    }
    if (problem != nullptr) {
      error = replacemsg::MappingLine(lineNumber, problem);
      return false;
    }
    pairs.push_back({Unescape(line.substr(0, tab)), Unescape(line.substr(tab + 1)), lineNumber});
  }
  if (pairs.empty()) {
    error = replacemsg::kEmptyMapping;
    return false;
  }
  mapping = std::move(pairs);
  return true;
}

std::string FormatMappingFile(const std::vector<ReplacementPair>& mapping) {
  std::string text;
  // A first value that starts with a byte-order mark would lose it to the
  // reader, which skips one at the start: a mark of the file's own goes first.
  if (!mapping.empty() && mapping.front().oldValue.substr(0, kByteOrderMark.size()) ==
                              kByteOrderMark) {
    text += kByteOrderMark;
  }
  for (const ReplacementPair& pair : mapping) {
    AppendEscaped(text, pair.oldValue);
    text += '\t';
    AppendEscaped(text, pair.newValue);
    text += '\n';
  }
  return text;
}

}  // namespace morvane
