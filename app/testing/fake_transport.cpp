#include "app/testing/fake_transport.h"

#include <cstdlib>
#include <cstring>

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
  FakeServer().requests.emplace_back(text);
  // A data buffer of five bytes: its size, then the status of a normal reply.
  const char normal[] = {5, 0, 0, 0, 'S'};
  TransportReply& answer = **reply;
  answer.data = CopyOut(normal, sizeof normal);
  answer.length = sizeof normal;
  answer.status = 0;
}

void FakeClose() {}

void FakeFree(void* data) {
  std::free(data);
}

}  // namespace

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
