// The values command: each distinct value of a field with its row count and,
// against a reference table, the allowed value it most likely means, as a
// tab-separated file for preparing a mapping in a spreadsheet.
//
// The counts come from the wizard's own grouped query, the suggestions from
// the wizard's own suggester (replace/builders.h, replace/suggestions.h), so the
// file says what the wizard would show. Values are in the server's own text
// form (decimal point, ISO dates: replace/sql_value_text.h), so a mapping
// made from the file matches on the server. NULL and an empty text both read
// as an empty value; their rows are counted together on one line. A zero is
// a value of its own, never counted with the NULLs.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "replace/builders.h"
#include "replace/sql_value_text.h"
#include "replace/suggestions.h"
#include "server/table.h"
#include "tools/commands.h"
#include "tools/session_connect.h"

namespace morvane::tools {

namespace {

struct ValueCount {
  std::string value;
  int64_t count = 0;
};

// The grouped counts of field in table, largest first, then by value.
std::vector<ValueCount> CountValues(const std::string& table, const std::string& field) {
  CMvCFG cfg({});
  cfg.SrcTbl = table;
  cfg.SrcFld = field;
  CPeriod period;
  std::string sql;
  if (!BuildCountsQuery(cfg, period, sql)) throw UsageError("--table and --field need a value");
  TzelTable counts;
  counts.SetSQLText(sql);
  counts.Open();
  std::map<std::string, int64_t> byValue;
  TField* valueField = counts.Fields()[0];
  TField* countField = counts.FieldByName("cnt");
  TField* valuedField = counts.FieldByName("valued");
  for (counts.First(); !counts.Eof(); counts.Next()) {
    // The NULL group has no valued row; a NULL number would read as 0.
    const bool isNull = std::llround(valuedField->AsFloat()) == 0;
    byValue[isNull ? std::string() : SqlValueText(*valueField)] +=
        std::llround(countField->AsFloat());
  }
  std::vector<ValueCount> result;
  for (auto& [value, count] : byValue) result.push_back({value, count});
  std::stable_sort(result.begin(), result.end(),
                   [](const ValueCount& a, const ValueCount& b) { return a.count > b.count; });
  return result;
}

// The allowed values of the reference table: the key field, with the
// column "name" as full name when the table has one.
std::vector<TAllowedValue> AllowedValues(const std::string& reference, const std::string& key) {
  TzelTable table;
  table.SetSQLText("SELECT * FROM " + reference);
  table.Open();
  TField* keyField = table.FieldByName(key);
  TField* nameField = table.FindField("name");
  std::vector<TAllowedValue> allowed;
  for (table.First(); !table.Eof(); table.Next()) {
    allowed.push_back({SqlValueText(*keyField), nameField ? nameField->AsString() : std::string()});
  }
  return allowed;
}

// A cell of the file: as it stands, or in double quotes (inner ones doubled)
// when it holds a tab, a line break or a double quote.
std::string Cell(const std::string& text) {
  if (text.find_first_of("\t\r\n\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

void ValuesCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  const std::string reference = arguments.Value("--reference");
  const std::string key = arguments.Value("--key");
  if (reference.empty() != key.empty()) {
    throw UsageError("--reference and --key are given together");
  }
  ConnectSession(streams.err);
  const std::vector<ValueCount> counts =
      CountValues(arguments.Value("--table"), arguments.Value("--field"));
  const TSuggester suggester(reference.empty() ? std::vector<TAllowedValue>{}
                                               : AllowedValues(reference, key));
  const std::string& path = arguments.Positional(0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw EFCreateError(path);
  out << "value\tcount\tsuggestion\n";
  for (const ValueCount& item : counts) {
    out << Cell(item.value) << '\t' << item.count << '\t' << Cell(suggester.Suggest(item.value))
        << '\n';
  }
  out.close();
  if (!out) throw EFCreateError(path);
}

}  // namespace morvane::tools
