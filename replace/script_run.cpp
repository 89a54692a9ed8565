#include "replace/script_run.h"

#include <exception>

#include "engine/zelconst.h"
#include "platform/rtl/text.h"
#include "server/database.h"

namespace morvane {

namespace {

constexpr char kAllExecuted[] = "Выполнено операторов: ";
constexpr char kRowsChanged[] = ", изменено записей: ";
constexpr char kSomeFailed[] = "Не выполнено операторов: ";
constexpr char kFailedLines[] = "Строки: ";
constexpr char kFirstReason[] = "Первая ошибка: ";

}  // namespace

std::string FailureReason(const std::string& errorText) {
  return Trim(errorText);
}

TScriptRun RunScript(const std::vector<std::string>& lines, TzelDatabase& session) {
  TScriptRun run;
  for (size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    if (Trim(line).empty()) {
      session.FreeSQL(line);  // sends nothing
      continue;
    }
    ++run.statements;
    std::string reason;
    bool executed = false;
    // Every line runs inside its own guard: one refused statement must not
    // keep the later, independent ones from the server.
    try {
      executed = session.FreeSQL(line);
      if (!executed) reason = zelconst::_Z_NOSESSION;
    } catch (const std::exception& error) {
      // The session keeps the server's reason for this very request; the
      // error's text is the fallback for failures that carry no reply.
      reason = FailureReason(session.LastErrorText().empty() ? std::string(error.what())
                                                             : session.LastErrorText());
    } catch (...) {
      reason.clear();
    }
    if (executed) continue;
    if (run.failedLines.empty()) run.firstReason = reason;
    run.failedLines.push_back(int(index) + 1);
  }
  return run;
}

std::string ScriptRunMessage(const TScriptRun& run) {
  if (run.failedLines.empty()) {
    std::string text = kAllExecuted + std::to_string(run.statements);
    if (run.rowsChanged >= 0) text += kRowsChanged + std::to_string(run.rowsChanged);
    return text + ".";
  }
  std::string lineNumbers;
  for (int line : run.failedLines) {
    if (!lineNumbers.empty()) lineNumbers += ", ";
    lineNumbers += std::to_string(line);
  }
  std::string text = kSomeFailed + std::to_string(run.failedLines.size()) + " из " +
                     std::to_string(run.statements) + ".\r\n" + kFailedLines + lineNumbers + ".";
  if (!run.firstReason.empty()) text += "\r\n" + std::string(kFirstReason) + run.firstReason;
  return text;
}

}  // namespace morvane
