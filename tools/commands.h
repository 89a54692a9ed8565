// The commands of morvane-data: one entry per command, holding its syntax,
// a one-line description and the function that runs it. To add a command,
// write its function in a commands file and add an entry to the table in
// commands.cpp; parsing, the usage text and the exit statuses follow.
//
// A command function writes its results to out and reports failures by
// throwing (EDatabaseError and the other errors of the program's layers);
// the tool turns them into exit status 1. It runs while the process session
// zelDB exists.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "tools/arguments.h"

namespace morvane::tools {

struct ToolStreams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

struct ToolCommand {
  std::string name;
  CommandSyntax syntax;
  std::string description;
  std::function<void(const ParsedArguments& arguments, ToolStreams& streams)> run;
};

const std::vector<ToolCommand>& ToolCommands();

// The usage of every command, one line each, then their descriptions.
std::string UsageText();

// Command functions (file_commands.cpp, session_commands.cpp,
// script_commands.cpp, replacement_commands.cpp).
void FieldsCommand(const ParsedArguments& arguments, ToolStreams& streams);
void DumpCommand(const ParsedArguments& arguments, ToolStreams& streams);
void CopyCommand(const ParsedArguments& arguments, ToolStreams& streams);
void QueryCommand(const ParsedArguments& arguments, ToolStreams& streams);
void ExecCommand(const ParsedArguments& arguments, ToolStreams& streams);
void ScriptCommand(const ParsedArguments& arguments, ToolStreams& streams);
void GroupCommand(const ParsedArguments& arguments, ToolStreams& streams);
void ApplyCommand(const ParsedArguments& arguments, ToolStreams& streams);
void UndoCommand(const ParsedArguments& arguments, ToolStreams& streams);
// values_command.cpp
void ValuesCommand(const ParsedArguments& arguments, ToolStreams& streams);
void GroupsCommand(const ParsedArguments& arguments, ToolStreams& streams);

}  // namespace morvane::tools
