// Commands over the records of a data file: script, group.
#include "replace/plain_names.h"
#include "server/group_by.h"
#include "server/insert_script.h"
#include "server/table.h"
#include "tools/commands.h"

namespace morvane::tools {

void ScriptCommand(const ParsedArguments& arguments, ToolStreams&) {
  // The script is SQL someone will run: its table name must be a name.
  CheckPlainName(arguments.Value("--origin"));
  TzelTable table;
  table.LoadFromFile(arguments.Positional(0));
  table.SetOrigin(arguments.Value("--origin"));
  DoInsertScript(table, arguments.Positional(1), arguments.Has("--oem"));
}

void GroupCommand(const ParsedArguments& arguments, ToolStreams&) {
  TzelTable source;
  source.LoadFromFile(arguments.Positional(0));
  TzelTable grouped;
  GroupBy(grouped, &source, arguments.Value("--group"), arguments.Value("--sum"));
  grouped.SaveToFile(arguments.Positional(1));
}

}  // namespace morvane::tools
