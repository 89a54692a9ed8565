// The values command: each distinct value of a field with its row count and,
// against a reference table, the allowed value it most likely means, as a
// tab-separated file for preparing a mapping in a spreadsheet.
//
// The counts are the server's groups (replace/value_counts.h), the
// suggestions come from the wizard's own suggester (replace/suggestions.h),
// so the file says what the wizard would show. Values are in the server's own text
// form (decimal point, ISO dates: replace/sql_value_text.h), so a mapping
// made from the file matches on the server. NULL and an empty text both read
// as an empty value; their rows are counted together on one line. A zero is
// a value of its own, never counted with the NULLs. The last column says
// which rule gave the suggestion ("log" for a choice of an earlier run of the
// same table and field).
//
// The groups command: the same values grouped into near spellings without a
// reference table (replace/value_groups.h), each with its group and the
// group's most frequent spelling as the value proposed for it.
#include <algorithm>
#include <fstream>

#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "replace/plain_names.h"
#include "replace/replacement_log.h"
#include "replace/sql_value_text.h"
#include "replace/suggestion_memory.h"
#include "replace/suggestions.h"
#include "replace/value_counts.h"
#include "replace/value_groups.h"
#include "server/table.h"
#include "tools/commands.h"
#include "tools/session_connect.h"

namespace morvane::tools {

namespace {

// The table and field options, both given and plain names.
void CheckTableAndField(const ParsedArguments& arguments) {
  const std::string& table = arguments.Value("--table");
  const std::string& field = arguments.Value("--field");
  if (table.empty() || field.empty()) throw UsageError("--table and --field need a value");
  CheckPlainName(table);
  CheckPlainName(field);
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
  CheckTableAndField(arguments);
  CheckPlainName(reference);
  CheckPlainName(key);
  ConnectSession(streams.err);
  const std::vector<TCountedValue> counts =
      CountFieldValues(arguments.Value("--table"), arguments.Value("--field"));
  TSuggester suggester(reference.empty() ? std::vector<TAllowedValue>{}
                                         : AllowedValues(reference, key));
  // morvane-data apply logs its runs under the table and field.
  suggester.Remember(
      RememberedChoices(DefaultReplacementLogFolder(),
                        arguments.Value("--table") + "." + arguments.Value("--field")));
  const std::string& path = arguments.Positional(0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw EFCreateError(path);
  out << "value\tcount\tsuggestion\tsource\n";
  for (const TCountedValue& item : counts) {
    const TSuggestion suggestion = suggester.SuggestWithSource(item.value);
    out << Cell(item.value) << '\t' << item.count << '\t' << Cell(suggestion.value) << '\t'
        << SuggestionSourceName(suggestion.source) << '\n';
  }
  out.close();
  if (!out) throw EFCreateError(path);
}

void GroupsCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  CheckTableAndField(arguments);
  ConnectSession(streams.err);
  const std::vector<TCountedValue> values =
      CountFieldValues(arguments.Value("--table"), arguments.Value("--field"));
  const TValueGroups groups = GroupNearSpellings(values);
  const std::string& path = arguments.Positional(0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw EFCreateError(path);
  out << "value\tcount\tgroup\tproposed\n";
  // A group's lines together, its proposed spelling first.
  std::vector<size_t> order(values.size());
  for (size_t index = 0; index < order.size(); ++index) order[index] = index;
  std::stable_sort(order.begin(), order.end(), [&groups](size_t a, size_t b) {
    return groups.group[a] != groups.group[b] ? groups.group[a] < groups.group[b]
                                              : (groups.centre[a] == a) > (groups.centre[b] == b);
  });
  for (const size_t index : order) {
    const size_t centre = groups.centre[index];
    out << Cell(values[index].value) << '\t' << values[index].count << '\t' << groups.group[index]
        << '\t' << (centre == index ? std::string() : Cell(values[centre].value)) << '\n';
  }
  out.close();
  if (!out) throw EFCreateError(path);
}

}  // namespace morvane::tools
