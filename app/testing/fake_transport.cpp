#include "app/testing/fake_transport.h"

#include <cstdlib>
#include <cstring>

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

void FakeSend(const char* text, int32_t /*length*/, TransportReply** reply) {
  FakeServerState& server = FakeServer();
  server.requests.emplace_back(text);
  TransportReply& answer = **reply;
  answer.data = CopyOut(server.sendReply.data(), server.sendReply.size());
  answer.length = int32_t(server.sendReply.size());
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

FakeServerState& FakeServer() {
  static FakeServerState state;
  return state;
}

void ResetFakeServer() {
  FakeServer() = FakeServerState{};
}

TransportEntryPoints FakeEntryPoints() {
  TransportEntryPoints entryPoints;
  entryPoints.WaitInitNetClient = FakeInit;
  entryPoints.WaitSendToServer = FakeSend;
  entryPoints.WaitCloseNetClient = FakeClose;
  entryPoints.FreeMem_NB = FakeFree;
  return entryPoints;
}

}  // namespace morvane::testing
