#include "tools/commands.h"

namespace morvane::tools {

const std::vector<ToolCommand>& ToolCommands() {
  static const std::vector<ToolCommand> commands = {
      {"fields",
       {{"FILE"}, {}},
       "the field descriptors of a data file: name, table, type, declared length",
       FieldsCommand},
      {"dump",
       {{"FILE"}, {{"--index", "NAMES"}, {"--descending", ""}, {"--case-insensitive", ""}}},
       "the records of a data file as tab-separated lines, after a line of field names",
       DumpCommand},
      {"copy", {{"FILE", "OUT"}, {}}, "reads a data file and writes it again to OUT", CopyCommand},
      {"query",
       {{"SQL", "OUT"}, {{"--file", "F", false, true}}},
       "runs a query on the server and saves its result as the data file OUT",
       QueryCommand},
      {"exec",
       {{"SQL"}, {{"--file", "F", false, true}}},
       "sends SQL to the server as one request",
       ExecCommand},
      {"script",
       {{"FILE", "OUT"}, {{"--origin", "TABLE", true}, {"--oem", ""}}},
       "writes the records of a data file as INSERT INTO TABLE statements to OUT "
       "(--oem: code page 866)",
       ScriptCommand},
      {"group",
       {{"FILE", "OUT"}, {{"--group", "NAMES", true}, {"--sum", "NAMES", true}}},
       "one record per group of the group fields with the sums of the sum fields, "
       "saved as the data file OUT",
       GroupCommand},
      {"apply",
       {{"MAPPING"},
        {{"--table", "TABLE", true},
         {"--field", "FIELD", true},
         {"--key", "KEY"},
         {"--execute", ""},
         {"--line-by-line", ""}}},
       "the wizard's UPDATE statements for a mapping file (current value TAB new value per "
       "line): shows the rows each will change; --execute runs them all-or-nothing, logs the "
       "run and, with --key, writes its undo script",
       ApplyCommand},
      {"undo",
       {{"UNDO"}, {}},
       "runs the undo script of an apply or wizard run all-or-nothing, unless a row was "
       "changed since",
       UndoCommand},
      {"values",
       {{"OUT"},
        {{"--table", "T", true}, {"--field", "F", true}, {"--reference", "R"}, {"--key", "K"}}},
       "each distinct value of field F of table T with its row count and, with a reference "
       "table R and its field K of allowed values, the allowed value it most likely means, "
       "and which rule gave it (\"log\": chosen in an earlier apply), as tab-separated lines "
       "to OUT",
       ValuesCommand},
      {"groups",
       {{"OUT"}, {{"--table", "T", true}, {"--field", "F", true}}},
       "the distinct values of field F of table T in groups of near spellings, with their "
       "row counts, each group's number and, for all but its most frequent spelling, that "
       "spelling as the proposed new value, as tab-separated lines to OUT",
       GroupsCommand},
  };
  return commands;
}

std::string UsageText() {
  std::string usage = "usage:\n";
  for (const ToolCommand& command : ToolCommands()) {
    usage += "  morvane-data " + command.name;
    for (const std::string& name : command.syntax.positionalNames) usage += " " + name;
    for (const OptionSpec& option : command.syntax.options) {
      std::string text = option.name;
      if (option.TakesValue()) text += " " + option.valueName;
      usage += " " + (option.required ? text : "[" + text + "]");
    }
    usage += "\n";
  }
  usage += "\n";
  for (const ToolCommand& command : ToolCommands())
    usage += "  " + command.name + ": " + command.description + "\n";
  usage +=
      "\nNAMES are field names separated by ';'. The server is the transport's database "
      "(NETBRG_DATABASE, netbrg.ini).\n"
      "SQL given as - is read from standard input; --file F reads it from F instead.\n"
      "-- ends the options: every argument after it is taken as it stands.\n"
      "--help prints this text, --version the version.\n";
  return usage;
}

}  // namespace morvane::tools
