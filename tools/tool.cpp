#include "tools/tool.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "server/database.h"
#include "tools/commands.h"

namespace morvane::tools {

namespace {

constexpr char kOutputFailed[] = "Не удалось записать результат в стандартный вывод";

const ToolCommand* FindCommand(const std::string& name) {
  const std::vector<ToolCommand>& commands = ToolCommands();
  auto found = std::find_if(commands.begin(), commands.end(),
                            [&](const ToolCommand& command) { return command.name == name; });
  return found == commands.end() ? nullptr : &*found;
}

// The message on one line: scripts read the last line of standard error, and
// the server's texts span lines (its message, then "SQL: " and the
// statement). Each line break, CR LF counting as one, becomes " | ".
std::string OnOneLine(std::string_view message) {
  std::string line;
  line.reserve(message.size());
  for (size_t i = 0; i < message.size(); ++i) {
    const char c = message[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n') ++i;
      line += " | ";
    } else {
      line += c;
    }
  }
  return line;
}

int UsageFailure(const std::string& problem, std::ostream& err) {
  err << "morvane-data: " << problem << "\n" << UsageText();
  return kExitUsage;
}

}  // namespace

int RunMorvaneData(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                   std::ostream& err) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << UsageText();
    return kExitSuccess;
  }
  if (arguments.empty()) return UsageFailure("no command", err);
  const ToolCommand* command = FindCommand(arguments[0]);
  if (!command) return UsageFailure("unknown command " + arguments[0], err);

  ParsedArguments parsed;
  try {
    parsed = ParseArguments(command->syntax, {arguments.begin() + 1, arguments.end()});
  } catch (const UsageError& error) {
    return UsageFailure(command->name + ": " + error.what(), err);
  }

  ToolStreams streams{in, out, err};
  try {
    ZelTblUnit zelTbl;  // the process session, while the command runs
    zelDB().SetEngine(zeDAO);
    command->run(parsed, streams);
    out.flush();
  } catch (const UsageError& error) {
    // Options that only make sense together are checked by the command.
    return UsageFailure(command->name + ": " + error.what(), err);
  } catch (const std::exception& error) {
    out.flush();
    err << OnOneLine(error.what()) << '\n';
    return kExitFailure;
  }
  if (!out) {
    err << kOutputFailed << '\n';
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace morvane::tools
