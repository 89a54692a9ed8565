// Commands that talk to the server through the session zelDB: query, exec.
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "server/database.h"
#include "server/table.h"
#include "tools/commands.h"
#include "tools/session_connect.h"

namespace morvane::tools {

namespace {

// The SQL of query and exec: the file of --file, standard input for "-", or
// the argument as it stands. Read before connecting, so an unreadable file
// sends nothing.
std::string SqlText(const ParsedArguments& arguments, std::istream& in) {
  if (arguments.Has("--file")) {
    const std::vector<char> bytes = ReadWholeFile(arguments.Value("--file"));
    return std::string(bytes.begin(), bytes.end());
  }
  if (arguments.Positional(0) != "-") return arguments.Positional(0);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw EStreamError("Stream read error");
  return text;
}

}  // namespace

void QueryCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  const std::string sql = SqlText(arguments, streams.in);
  const std::string& out = arguments.Positional(arguments.Has("--file") ? 0 : 1);
  ConnectSession(streams.err);
  TzelTable table;
  table.SetSQLText(sql);
  table.Open();
  table.SaveToFile(out);
}

void ExecCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  const std::string sql = SqlText(arguments, streams.in);
  ConnectSession(streams.err);
  zelDB().FreeSQL(sql);
}

}  // namespace morvane::tools
