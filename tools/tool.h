// morvane-data: the command-line tool over data files and the session.
//
//   morvane-data COMMAND ARGUMENTS...     (commands: tools/commands.cpp)
//
// Exit status: 0 on success; 1 on any failure, with the error's whole message
// as the last line written to err (its line breaks shown as " | "); 2 on bad
// usage, with the usage text on err.
// "--help" alone writes the usage to out and succeeds. The process session
// zelDB lives while the command runs; it connects only for the commands that
// reach the server. Until a connect reply says otherwise, statements are
// written in the transport's dialect (dates as #mm/dd/yyyy#).
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace morvane::tools {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// arguments: the command line without the program name.
// in: standard input, read by the commands that take "-" for their SQL.
int RunMorvaneData(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                   std::ostream& err);

}  // namespace morvane::tools
