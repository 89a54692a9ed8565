#include "app/testing/fake_transport.h"

#include <cstdlib>
#include <cstring>
#include <optional>

#include "engine/test_buffer.h"

namespace morvane::testing {

namespace {

char* CopyOut(const char* bytes, size_t length) {
  char* data = static_cast<char*>(std::malloc(length));
  std::memcpy(data, bytes, length);
  return data;
}

void FakeInit(const char* /*text*/, int32_t /*length*/, TransportReply** reply) {
  FakeServerState& server = FakeServer();
  ++server.initCalls;
  TransportReply& answer = **reply;
  answer.data = CopyOut(server.initReply.c_str(), server.initReply.size() + 1);
  answer.length = int32_t(server.initReply.size() + 1);
  answer.status = server.initStatus;
}

TransportProgressFunc progressHandler = nullptr;
void* progressContext = nullptr;

void FakeSetProgressHandler(TransportProgressFunc handler, void* context) {
  progressHandler = handler;
  progressContext = context;
}

// The statements of a request as the wizard joins them: each ends with
// ";\r\n" (a text without it is one statement).
std::vector<std::string> FakeStatements(const std::string& request) {
  std::vector<std::string> statements;
  size_t start = 0;
  for (size_t end; (end = request.find(";\r\n", start)) != std::string::npos; start = end + 3) {
    statements.push_back(request.substr(start, end - start));
  }
  // The session trims the request, so the last one keeps only its ';'.
  std::string last = request.substr(start);
  if (!last.empty() && last.back() == ';') last.pop_back();
  if (!last.empty()) statements.push_back(last);
  return statements;
}

// Tells the handler of every statement; the cancel reply when it cancels.
std::optional<std::string> ReportStatements(const std::string& request) {
  if (progressHandler == nullptr) return std::nullopt;
  const std::vector<std::string> statements = FakeStatements(request);
  for (size_t index = 0; index < statements.size(); ++index) {
    const auto rows = FakeServer().statementRows.find(statements[index]);
    const int64_t changed = rows == FakeServer().statementRows.end() ? -1 : rows->second;
    if (progressHandler(progressContext, int32_t(index + 1), int32_t(statements.size()), changed)) {
      std::string body = std::string("E") + kFakeCancelledMessage + '\0' + "STMT";
      const int32_t position = int32_t(index);
      body.append(reinterpret_cast<const char*>(&position), 4);
      body += "STOP";
      const int32_t total = int32_t(body.size() + 4);
      return std::string(reinterpret_cast<const char*>(&total), 4) + body;
    }
  }
  return std::nullopt;
}

void FakeSend(const char* text, int32_t /*length*/, TransportReply** reply) {
  FakeServerState& server = FakeServer();
  const std::string request(text);
  server.requests.push_back(request);
  TransportReply& answer = **reply;
  if (server.lostConnection.count(request) != 0) {
    answer.status = -1;
    return;
  }
  std::string bytes = server.sendReply;
  if (std::optional<std::string> cancelled = ReportStatements(request)) {
    bytes = *cancelled;
  } else if (auto rejected = server.rejections.find(request); rejected != server.rejections.end()) {
    bytes = ErrorReply(rejected->second);
  } else if (auto scripted = server.replies.find(request); scripted != server.replies.end()) {
    bytes = scripted->second;
  }
  answer.data = CopyOut(bytes.data(), bytes.size());
  answer.length = int32_t(bytes.size());
  answer.status = 0;
}

void FakeClose() {}

void FakeFree(void* data) {
  std::free(data);
}

}  // namespace

std::string EmptyResult(std::initializer_list<std::string> columns) {
  TestBuffer buffer;
  std::string layout;
  for (const std::string& column : columns) layout += column + " s40" + FieldSeparator;
  buffer.LayoutText(layout + RecordSeparator);
  buffer.FieldCount(int32_t(columns.size()));
  return buffer.String();
}

std::string TextResult(const std::vector<TextColumn>& columns, const std::vector<TextRow>& rows) {
  TestBuffer buffer;
  std::string layout;
  // Up to 35 bytes an inline text (its length as a base-36 digit), longer a
  // heap text.
  for (const TextColumn& column : columns) {
    const std::string code =
        column.length <= MAXSLEN
            ? std::string(1, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[column.length])
            : "s" + std::to_string(column.length);
    layout += column.name + " " + code + FieldSeparator;
  }
  buffer.LayoutText(layout + RecordSeparator);
  buffer.FieldCount(int32_t(columns.size()));
  // A record is its length bytes, then the value bytes (see TestBuffer).
  std::string records;
  for (const TextRow& row : rows) {
    std::string lengths;
    std::string payload;
    for (size_t index = 0; index < columns.size(); ++index) {
      const std::optional<std::string> value = index < row.size() ? row[index] : std::nullopt;
      WireValue wire = !value                             ? Absent()
                       : columns[index].length <= MAXSLEN ? Small(*value)
                                                          : Text(*value);
      lengths += char(wire.length);
      payload += wire.bytes;
    }
    records += lengths + payload;
  }
  buffer.RecordCount(int32_t(rows.size()));
  buffer.Tail(records);
  return buffer.String();
}

std::string ErrorReply(const std::string& reason) {
  std::string body = 'E' + reason;
  return Int32Bytes(int32_t(body.size() + 4)) + body;
}

FakeServerState& FakeServer() {
  static FakeServerState state;
  return state;
}

void ResetFakeServer() {
  FakeServer() = FakeServerState{};
  FakeSetProgressHandler(nullptr, nullptr);
}

TransportEntryPoints FakeEntryPoints(bool reportsProgress) {
  TransportEntryPoints entryPoints;
  entryPoints.WaitInitNetClient = FakeInit;
  entryPoints.WaitSendToServer = FakeSend;
  entryPoints.WaitCloseNetClient = FakeClose;
  entryPoints.FreeMem_NB = FakeFree;
  if (reportsProgress) entryPoints.SetProgressHandler_NB = FakeSetProgressHandler;
  return entryPoints;
}

}  // namespace morvane::testing
