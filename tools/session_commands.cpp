// Commands that talk to the server through the session zelDB: query, exec.
#include "server/database.h"
#include "server/table.h"
#include "tools/commands.h"
#include "tools/session_connect.h"

namespace morvane::tools {

void QueryCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  ConnectSession(streams.err);
  TzelTable table;
  table.SetSQLText(arguments.Positional(0));
  table.Open();
  table.SaveToFile(arguments.Positional(1));
}

void ExecCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  ConnectSession(streams.err);
  zelDB().FreeSQL(arguments.Positional(0));
}

}  // namespace morvane::tools
