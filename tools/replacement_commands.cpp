// Commands that replace values the way the wizard does: apply, undo.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "replace/mapping_file.h"
#include "replace/plain_names.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "tools/commands.h"
#include "tools/session_connect.h"

namespace morvane::tools {

namespace {

// The setting that --table, --field and --key describe.
CMvCFG SettingOf(const ParsedArguments& arguments) {
  CMvCFG cfg("");
  cfg.SrcTbl = arguments.Value("--table");
  cfg.SrcFld = arguments.Value("--field");
  cfg.SUnFld = arguments.Value("--key");
  for (const std::string* name : {&cfg.SrcTbl, &cfg.SrcFld, &cfg.SUnFld}) CheckPlainName(*name);
  cfg.CfgName = cfg.SrcTbl + "." + cfg.SrcFld;
  cfg.SrcFullFld = cfg.CfgName;
  cfg.SrcFullKey = cfg.SUnFld.empty() ? "" : cfg.SrcTbl + "." + cfg.SUnFld;
  return cfg;
}

// The file's pairs; a period recorded in it (a logged run restricted to
// dates) restricts cfg and period the same way, so a replay changes the
// rows its original changed.
std::vector<ReplacementPair> ReadMapping(const std::string& fileName, CMvCFG& cfg,
                                         CPeriod& period) {
  const std::vector<char> bytes = ReadWholeFile(fileName);
  std::vector<ReplacementPair> mapping;
  std::string error;
  MappingPeriod recorded;
  if (!TryParseMappingFile(std::string_view(bytes.data(), bytes.size()), mapping, error,
                           &recorded)) {
    throw EDatabaseError(error);
  }
  if (!recorded.dateField.empty()) {
    const size_t dot = recorded.dateField.find('.');
    if (dot == std::string::npos || recorded.dateField.substr(0, dot) != cfg.SrcTbl) {
      throw EDatabaseError(replacemsg::PeriodOfAnotherTable(recorded.dateField));
    }
    CheckPlainName(recorded.dateField.substr(dot + 1));
    cfg.AWFld = true;
    cfg.SrcFullDate = recorded.dateField;
    period.Fixed = true;
    period.DateFrom = recorded.from;
    period.DateTo = recorded.to;
    // Dates in the access-style form the transport translates for its server.
    period.DialectSource = [] { return TSqlDateDialect{"mm/dd/yyyy", '#'}; };
  }
  return mapping;
}

void WriteLine(std::ostream& out, const std::string& label, const std::string& rows,
               const std::string& statement) {
  out << label << '\t' << rows << '\t' << statement << '\n';
}

}  // namespace

void ApplyCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  // Everything that can be refused without the server is refused before
  // connecting, so a malformed file never sends a byte.
  CMvCFG cfg = SettingOf(arguments);
  CPeriod period;
  const std::vector<ReplacementPair> mapping = ReadMapping(arguments.Positional(0), cfg, period);
  ReplacementPlan plan;
  std::string error;
  if (!TryBuildReplacementPlan(cfg, period, mapping, plan, error)) throw EDatabaseError(error);

  ConnectSession(streams.err);
  if (!arguments.Has("--execute")) {
    const std::vector<int64_t> counts = CountRowsToChange(cfg, period, plan);
    int64_t total = 0;
    for (size_t index = 0; index < plan.lines.size(); ++index) {
      WriteLine(streams.out, "строка " + std::to_string(plan.lines[index].line),
                std::to_string(counts[index]), plan.lines[index].sql);
      total += counts[index];
    }
    streams.out << "итого\t" << total << '\n';
    return;
  }

  // All-or-nothing runs as one set-based statement where the server has
  // one; --line-by-line sends each line as its own request, as the wizard's
  // "Выполнить" does.
  ReplacementRunOptions options;
  options.allOrNothing = !arguments.Has("--line-by-line");
  const ReplacementRun run = RunReplacement(cfg, period, plan, options);
  if (!run.result.applied) throw EDatabaseError(run.result.message);
  for (const LoggedStatement& statement : run.result.statements) {
    WriteLine(streams.out, "строка " + std::to_string(statement.line),
              statement.rowsChanged >= 0 ? std::to_string(statement.rowsChanged) : "?",
              statement.sql);
  }
  const bool counted = std::all_of(run.result.statements.begin(), run.result.statements.end(),
                                   [](const LoggedStatement& s) { return s.rowsChanged >= 0; });
  streams.out << "итого\t" << (counted ? std::to_string(run.result.TotalRowsChanged()) : "?")
              << '\n';
  streams.out << "журнал\t" << run.logFile << '\n';
  streams.out << "файл замен\t" << run.files.mapping << '\n';
  if (!run.files.undo.empty()) streams.out << "файл отмены\t" << run.files.undo << '\n';
  if (!run.undoExact) streams.err << replacemsg::kUndoNotExact << '\n';
  if (!run.logProblem.empty()) streams.err << run.logProblem << '\n';
}

void UndoCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  ConnectSession(streams.err);
  const ExecutionResult result = RunUndoFile(arguments.Positional(0));
  if (!result.applied) throw EDatabaseError(result.message);
  streams.out << "восстановлено строк\t" << result.TotalRowsChanged() << '\n';
  if (!result.message.empty()) streams.err << result.message << '\n';
}

}  // namespace morvane::tools
