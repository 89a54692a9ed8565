#include "replace/mapping_file.h"

#include <cstdio>

#include "replace/replacement_messages.h"

namespace morvane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kPeriodLine = "-- period\t";

std::string IsoDate(TDateTime date) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

bool TryReadIsoDate(std::string_view text, TDateTime& date) {
  int year = 0, month = 0, day = 0;
  char rest = 0;
  if (text.size() != 10 ||
      std::sscanf(std::string(text).c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &rest) != 3)
    return false;
  return TryEncodeDate(year, month, day, date);
}

// "-- period TAB field TAB from TAB to".
bool TryReadPeriod(std::string_view line, MappingPeriod& period) {
  line.remove_prefix(kPeriodLine.size());
  const size_t first = line.find('\t');
  const size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
  if (second == std::string_view::npos || first == 0) return false;
  period.dateField = std::string(line.substr(0, first));
  return TryReadIsoDate(line.substr(first + 1, second - first - 1), period.from) &&
         TryReadIsoDate(line.substr(second + 1), period.to);
}

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
                         std::string& error, MappingPeriod* period) {
  std::vector<ReplacementPair> pairs;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (lineNumber == 1 && line.substr(0, kPeriodLine.size()) == kPeriodLine) {
      MappingPeriod read;
      if (period == nullptr || !TryReadPeriod(line, read)) {
        error = replacemsg::MappingLine(lineNumber, replacemsg::kPeriodNotApplicable);
        return false;
      }
      *period = read;
      continue;
    }
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

std::string FormatMappingFile(const std::vector<ReplacementPair>& mapping,
                              const MappingPeriod& period) {
  std::string text;
  // A first value that starts with a byte-order mark would lose it to the
  // reader, which skips one at the start: a mark of the file's own goes first.
  if (!mapping.empty() && mapping.front().oldValue.substr(0, kByteOrderMark.size()) ==
                              kByteOrderMark) {
    text += kByteOrderMark;
  }
  if (!period.dateField.empty()) {
    text += std::string(kPeriodLine) + period.dateField + "\t" + IsoDate(period.from) + "\t" +
            IsoDate(period.to) + "\n";
  } else if (!mapping.empty() && (mapping.front().oldValue + "\t").rfind(kPeriodLine, 0) == 0) {
    // A first pair whose current value is "-- period" would read back as
    // the period line: an empty line first keeps it a pair.
    text += "\n";
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
