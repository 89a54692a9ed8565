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

#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

class TzelDatabase;

struct TScriptRun {
  int statements = 0;            // lines that held a statement
  std::vector<int> failedLines;  // 1-based
  std::string firstReason;       // why the first failed line failed
  int64_t rowsChanged = -1;      // by all statements together; -1: not known
};

TScriptRun RunScript(const std::vector<std::string>& lines, TzelDatabase& session);

// The one message after a run: how many statements were executed and, when
// known, how many rows they changed; or how many failed, which lines, and the
// first reason.
std::string ScriptRunMessage(const TScriptRun& run);

// Why a request failed, as the operator reads it under the wizard's
// messages: the server's reason (the session's LastErrorText after a refused
// statement), or the text of the error that ended a query's open, which
// names the table and carries the server's message. Blanks and line breaks
// around it go.
std::string FailureReason(const std::string& errorText);

}  // namespace morvane
