// Sending the wizard's script: every line is its own request through the
// session's FreeSQL, in order, and a failed line does not stop the lines
// after it (each runs on its own, as the operator reviewed them).
//
// A line fails when FreeSQL raises (the server refused it, the connection
// broke) or returns false (the session is closed: nothing was sent). Lines
// of nothing but blanks are sent as nothing and are not statements. The
// result counts the statements, names the failed lines (1-based, as the
// operator sees them in the script) and keeps the first failure's reason,
// so a failure is never reported as success.
#pragma once

#include <string>
#include <vector>

namespace morvane {

class TzelDatabase;

struct TScriptRun {
  int statements = 0;            // lines that held a statement
  std::vector<int> failedLines;  // 1-based
  std::string firstReason;       // why the first failed line failed
};

TScriptRun RunScript(const std::vector<std::string>& lines, TzelDatabase& session);

// The one message after a run: how many statements were executed, or how
// many failed, which lines, and the first reason.
std::string ScriptRunMessage(const TScriptRun& run);

// Why a request failed, as the operator should read it, from the text of
// the error it raised. The session's error text carries the server's reason
// after the system's own message; this is the one place that turns it into
// the line shown under the wizard's messages.
std::string FailureReason(const std::string& errorText);

}  // namespace morvane
