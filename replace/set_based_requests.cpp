#include "replace/set_based_requests.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unordered_map>

#include "engine/buffer_records.h"
#include "engine/field_layout.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"
#include "replace/plain_names.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "replace/statement_progress_scope.h"
#include "server/database.h"
#include "server/query_request.h"
#include "server/sql_wait_cursor.h"
#include "server/table.h"

namespace morvane {

namespace {

// Rows per INSERT request, of the mapping or of an undo file: bounds the
// memory, whatever their size.
constexpr size_t kRowsPerRequest = 5000;

}  // namespace

std::vector<std::vector<std::string>> ReadRows(const std::string& query) {
  TzelTable table;
  table.SetSQLText(query);
  table.Open();
  FormatSettingsScope scope('.', '/');
  std::vector<std::vector<std::string>> rows;
  const size_t columns = size_t(table.FieldCount());
  for (table.First(); !table.Eof(); table.Next()) {
    std::vector<std::string> row;
    row.reserve(columns);
    for (size_t column = 0; column < columns; ++column)
      row.push_back(table.Fields()[column]->AsString());
    rows.push_back(std::move(row));
  }
  table.Close();
  return rows;
}

int64_t ReadTextRows(const std::string& query,
                     const std::function<void(const std::vector<std::string_view>& row)>& take) {
  std::unique_ptr<TMemoryStream> reply = QueryServer(zelDB(), query);
  // Each record is looked at where the reply holds it: no dataset, no copy.
  TzelBufferRecords records;
  std::string errorText;
  if (!records.Open(*reply, errorText)) DatabaseError(zelconst::_Z_OPENTABLE + errorText, nullptr);
  bool texts = true;
  for (const auto& column : records.Fields()) {
    texts = texts && (column->FieldType == zftString || column->FieldType == zftSmallStr ||
                      column->FieldType == zftMemo);
  }
  if (!texts) {
    // A column the reply does not carry as text: read through a dataset,
    // which writes every value as its text.
    int64_t count = 0;
    std::vector<std::string_view> views;
    for (const std::vector<std::string>& row : ReadRows(query)) {
      views.assign(row.begin(), row.end());
      take(views);
      ++count;
    }
    return count;
  }
  int64_t count = 0;
  std::vector<std::string_view> values;
  while (records.Next(values, errorText)) {
    for (size_t column = 0; column < values.size(); ++column) {
      if (records.Fields()[column]->FieldType != zftMemo)
        values[column] = CutAtZero(values[column]);
    }
    take(values);
    ++count;
  }
  if (!errorText.empty()) DatabaseError(zelconst::_Z_OPENTABLE + errorText, nullptr);
  return count;
}

std::string ValuesList(const std::vector<std::vector<std::string>>& rows) {
  std::string values;
  for (const std::vector<std::string>& row : rows) {
    values += values.empty() ? "(" : ",\r\n(";
    for (size_t column = 0; column < row.size(); ++column) {
      if (column > 0) values += ", ";
      values += QuotedStr(row[column]);
    }
    values += ")";
  }
  return values;
}

std::string MappingInserts(const ReplacementPlan& plan, const std::string& insertHead) {
  std::string request;
  std::vector<std::vector<std::string>> chunk;
  for (size_t index = 0; index < plan.lines.size(); ++index) {
    chunk.push_back(
        {std::to_string(index), plan.lines[index].oldValue, plan.lines[index].newValue});
    if (chunk.size() >= kRowsPerRequest || index + 1 == plan.lines.size()) {
      request += insertHead + "VALUES " + ValuesList(chunk) + ";\r\n";
      chunk.clear();
    }
  }
  return request;
}

void RefuseUnreadableKey(const std::string& table, const std::string& fullKey) {
  try {
    ReadRows("SELECT " + fullKey + " FROM " + table + " WHERE 1=0");
  } catch (const EDatabaseError& error) {
    DatabaseError(replacemsg::CannotRead(fullKey, error.what()));
  }
}

void ReadRowsPerLine(const std::string& query, std::vector<int64_t>& rowsPerLine) {
  for (const std::vector<std::string>& row : ReadRows(query)) {
    const size_t line = size_t(std::strtoul(row[0].c_str(), nullptr, 10));
    if (line < rowsPerLine.size()) rowsPerLine[line] = std::strtoll(row[1].c_str(), nullptr, 10);
  }
}

void SendRequest(const std::string& request, const std::string& what) {
  SqlWaitCursor waitCursor;
  if (!zelDB().UpdateToServer(request)) {
    DatabaseError(replacemsg::CannotRead(what, zelDB().LastErrorText()));
  }
}

TemporaryTablesScope::~TemporaryTablesScope() {
  try {
    zelDB().UpdateToServer(dropRequest_);
  } catch (...) {  // a lost connection has dropped them already
  }
}

RunJudge CountGuard(const RunGuard& guard) {
  return [guard](const std::vector<int64_t>& counts, size_t) {
    const int index = int(counts.size()) - 1;
    const int64_t captured = guard.captured >= 0 && size_t(guard.captured) < counts.size()
                                 ? counts[size_t(guard.captured)]
                                 : -1;
    const int64_t count = counts.back();
    return (index != guard.updated || count == captured) &&
           (index != guard.expected ||
            (count == guard.expectedRows && captured == guard.expectedRows));
  };
}

bool SendGuardedRun(const std::string& request, const RunJudge& exact,
                    const std::function<bool(size_t done, size_t total)>& progress,
                    const std::function<std::string()>& strayRow, OnePassOutcome& outcome) {
  std::vector<int64_t> counts;
  bool guardStopped = false;
  TzelDatabase::StatementProgress handler = [&](int done, int total, int64_t rowsChanged) {
    counts.resize(size_t(done), -1);
    counts.back() = rowsChanged;
    if (!exact(counts, size_t(total))) {
      guardStopped = true;
      return false;
    }
    return !progress || progress(size_t(done), size_t(total));
  };
  bool accepted;
  {
    const StatementProgressScope scope(std::move(handler));
    if (!scope.Installed())
      DatabaseError(replacemsg::kFailedWhole + std::string(replacemsg::kNoStatementReport));
    SqlWaitCursor waitCursor;
    accepted = zelDB().UpdateToServer(request);
  }
  if (accepted) return true;
  if (guardStopped) {
    outcome.changedSinceRead = true;
    outcome.message = replacemsg::ChangedRowSinceRead(strayRow());
  } else if (zelDB().Cancelled()) {
    outcome.cancelled = true;
    outcome.message = replacemsg::kCancelledWhole;
  } else {
    outcome.message = replacemsg::kFailedWhole + replacemsg::OneLine(zelDB().LastErrorText());
  }
  return false;
}

int64_t WriteUndoFileByPages(
    const CMvCFG& cfg, const std::string& path,
    const std::function<std::string(const std::string* after)>& pageQuery) {
  const UndoScript header{cfg.SrcTbl, cfg.SrcFld, cfg.SUnFld, {}};
  const std::string partial = path + ".part";
  std::ofstream out(partial, std::ios::binary | std::ios::trunc);
  out << FormatUndoHeader(header);
  int64_t written = 0;
  std::string after;
  for (bool first = true;; first = false) {
    const std::vector<std::vector<std::string>> page =
        ReadRows(pageQuery(first ? nullptr : &after));
    for (const std::vector<std::string>& row : page) {
      const size_t key = row.size() - 3;
      out << FormatUndoRow(header, {row[key], row[key + 1], row[key + 2]});
    }
    written += int64_t(page.size());
    if (page.size() < kUndoRowsPerPage) break;
    after = page.back()[0];
  }
  out.close();
  if (!out || std::rename(partial.c_str(), path.c_str()) != 0) {
    std::remove(partial.c_str());
    DatabaseError("Не удалось записать файл отмены " + path);
  }
  return written;
}

void RefuseUnwritableUndoFile(const std::string& path) {
  if (path.empty()) return;
  const std::string partial = path + ".part";
  const bool writable = std::ofstream(partial, std::ios::binary | std::ios::trunc).good();
  std::remove(partial.c_str());
  if (!writable) DatabaseError("Не удалось записать файл отмены " + path);
}

UndoScript OpenUndoFile(const std::string& path, UndoFileReader& reader) {
  UndoScript header;
  std::string problem;
  if (!reader.Open(path, header, problem)) DatabaseError(problem);
  for (const std::string* name : {&header.table, &header.field, &header.keyField})
    CheckPlainName(*name);
  return header;
}

int64_t InsertUndoRows(UndoFileReader& reader, size_t rowsPerRequest,
                       const std::function<std::string(const UndoRows& rows)>& request,
                       const std::string& what) {
  int64_t rows = 0;
  UndoRows chunk;
  const auto flush = [&] {
    if (chunk.empty()) return;
    SendRequest(request(chunk), what);
    chunk.clear();
  };
  UndoRow row;
  std::string problem;
  int read;
  while ((read = reader.Next(row, problem)) > 0) {
    chunk.push_back({row.key, row.restoredValue, row.replacedValue});
    ++rows;
    if (chunk.size() >= rowsPerRequest) flush();
  }
  if (read < 0) DatabaseError(problem);
  flush();
  return rows;
}

int64_t InsertUndoRows(UndoFileReader& reader, const std::string& insertHead,
                       const std::string& what) {
  return InsertUndoRows(
      reader, kRowsPerRequest,
      [&](const UndoRows& rows) { return insertHead + "VALUES " + ValuesList(rows); }, what);
}

int64_t InsertUndoRowsByPair(UndoFileReader& reader, size_t rowsPerRequest,
                             const std::function<std::string(const UndoRowsByPair& rows)>& request,
                             const std::string& what) {
  // Past this many pairs held, the numbering starts a fresh set: a file of
  // all-different values then costs no more memory than a batch.
  constexpr size_t kPairsHeld = 100000;
  std::unordered_map<std::string, int64_t> numberOf;  // "<length of restored>:" restored replaced
  int64_t nextPair = 0;
  int64_t rows = 0;
  UndoRowsByPair batch;
  const auto flush = [&] {
    if (batch.keys.empty()) return;
    SendRequest(request(batch), what);
    for (std::vector<std::string>& values : batch.newPairs) values.clear();
    batch.firstNewPair = nextPair;
    batch.keys.clear();
    batch.pairOfKey.clear();
    if (numberOf.size() > kPairsHeld) numberOf.clear();
  };
  UndoRow row;
  std::string problem;
  std::string pair;
  int read;
  while ((read = reader.Next(row, problem)) > 0) {
    pair.assign(std::to_string(row.restoredValue.size())).append(1, ':');
    pair.append(row.restoredValue).append(row.replacedValue);
    const auto [found, added] = numberOf.try_emplace(pair, nextPair);
    if (added) {
      batch.newPairs[0].push_back(std::move(row.restoredValue));
      batch.newPairs[1].push_back(std::move(row.replacedValue));
      ++nextPair;
    }
    batch.keys.push_back(std::move(row.key));
    batch.pairOfKey.push_back(found->second);
    ++rows;
    if (batch.keys.size() >= rowsPerRequest) flush();
  }
  if (read < 0) DatabaseError(problem);
  flush();
  return rows;
}

void RefuseRepeatedKey(const std::string& query, const std::string& keyField) {
  const std::vector<std::vector<std::string>> repeated = ReadRows(query);
  if (!repeated.empty()) DatabaseError(replacemsg::KeyNotUnique(keyField, repeated[0][0]));
}

void RefuseRowsChangedSince(const std::string& query) {
  std::vector<std::string> keys;
  for (const std::vector<std::string>& changed : ReadRows(query)) keys.push_back(changed[0]);
  if (!keys.empty()) DatabaseError(ChangedSinceMessage(keys));
}

ExecutionResult RunUndoStatement(const std::vector<std::string>& setup,
                                 const std::string& statement, int64_t rows,
                                 const std::function<void()>& refuseShort) {
  ExecutionResult result;
  result.statements.push_back({1, statement, false, -1, {}});
  std::string request;
  for (const std::string& step : setup) request += step + ";\r\n";
  request += statement;
  const int updateDone = int(setup.size()) + 1;
  bool guardStopped = false;
  bool accepted;
  {
    // Every row of the file, or none: a row changed after the checks makes
    // the count fall short, and the undo is rolled back.
    const StatementProgressScope scope([&](int done, int, int64_t changed) {
      if (done == updateDone && changed != rows) guardStopped = true;
      return !guardStopped;
    });
    if (!scope.Installed())
      DatabaseError(replacemsg::kFailedWhole + std::string(replacemsg::kNoStatementReport));
    SqlWaitCursor waitCursor;
    accepted = zelDB().UpdateToServer(request);
  }
  if (!accepted) {
    if (guardStopped) refuseShort();
    result.message = replacemsg::kFailedWhole + replacemsg::OneLine(zelDB().LastErrorText());
    return result;
  }
  result.applied = true;
  result.statements[0].ran = true;
  result.statements[0].rowsChanged = rows;
  return result;
}

ExecutionResult RunUndoStatement(const std::string& statement, int64_t rows,
                                 const std::string& changedSinceQuery) {
  return RunUndoStatement({}, statement, rows, [&] { RefuseRowsChangedSince(changedSinceQuery); });
}

}  // namespace morvane
