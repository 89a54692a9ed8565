// A stand-in for the transport library, for the wizard's tests and the tab
// renderer: the session binds these entry points instead of libnetbrg2.so.
//
// The fake answers the init call with FakeServer().initStatus and
// initReply and records every request sent. Each request is answered by the
// first rule that knows its text (the SQL as the session sends it, trimmed,
// with no user id in front):
//   lostConnection  a negative status, no reply: the session closes
//   rejections      an error reply carrying the server's reason
//   replies         the data buffer scripted for that text
// and otherwise with sendReply (by default a normal reply with the two text
// columns "src" and "inf" and no records). One fake per process; tests
// reset it.
//
// Bound with reportsProgress, the fake also has the progress entry point:
// before those rules it tells an installed handler of each statement of the
// request (statements end with ";\r\n"; the rows come from statementRows,
// -1 when absent) and answers the transport's cancel reply when the handler
// cancels.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "server/transport_binding.h"

namespace morvane::testing {

// A data buffer of a normal reply with the given text columns and no records.
std::string EmptyResult(std::initializer_list<std::string> columns);

// A text column of a scripted result: its name and declared length in bytes
// (up to 35 the values are stored inline, longer ones on the heap).
struct TextColumn {
  std::string name;
  int length = 40;
};
// A missing value is NULL.
using TextRow = std::vector<std::optional<std::string>>;

// A data buffer of a normal reply with text columns and these rows.
std::string TextResult(const std::vector<TextColumn>& columns, const std::vector<TextRow>& rows);
// A data buffer of an error reply: the server refused, for this reason.
std::string ErrorReply(const std::string& reason);

struct FakeServerState {
  int32_t initStatus = 0;
  std::string initReply = "0000200 fake";               // fifth character '2': the access dialect
  std::string sendReply = EmptyResult({"src", "inf"});  // a data buffer
  std::map<std::string, std::string> replies;           // SQL text -> data buffer
  std::map<std::string, std::string> rejections;        // SQL text -> the server's reason
  std::set<std::string> lostConnection;                 // SQL texts that end the connection
  std::map<std::string, int64_t> statementRows;         // statement -> rows it changes
  std::vector<std::string> requests;
  int initCalls = 0;
};

FakeServerState& FakeServer();
void ResetFakeServer();
TransportEntryPoints FakeEntryPoints(bool reportsProgress = false);

inline constexpr char kFakeCancelledMessage[] = "Выполнение отменено: изменения не внесены";

}  // namespace morvane::testing
