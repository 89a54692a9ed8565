// A stand-in for libnetbrg2.so in the session's tests. It reaches no server:
// the init reply is "fake:" and the connect text; a send answers a normal
// reply buffer ('S' at offset 4) whose remaining bytes echo the request, so
// a test sees exactly what was sent. Built a second time without
// WaitCloseNetClient to show that a missing entry point is silent.
#include <cstdlib>
#include <cstring>
#include <string>

#include "transport/netbrg2.h"

namespace {

void Answer(const std::string& bytes, int32_t status, TransportReply** reply) {
  if (!reply || !*reply) return;
  char* data = static_cast<char*>(std::malloc(bytes.size() + 1));
  std::memcpy(data, bytes.data(), bytes.size());
  data[bytes.size()] = '\0';
  (*reply)->data = data;
  (*reply)->length = int32_t(bytes.size());
  (*reply)->status = status;
}

}  // namespace

extern "C" {

NETBRG2_EXPORT void WaitInitNetClient(const char* text, int32_t, TransportReply** reply) {
  Answer(std::string("fake:") + text, 0, reply);
}

NETBRG2_EXPORT void WaitSendToServer(const char* text, int32_t length, TransportReply** reply) {
  std::string buffer(4, '\0');
  buffer += 'S';
  buffer.append(text, size_t(length > 0 ? length - 1 : 0));
  Answer(buffer, 0, reply);
}

#ifndef FAKE_NETBRG2_WITHOUT_CLOSE
NETBRG2_EXPORT void WaitCloseNetClient(void) {}
#endif

NETBRG2_EXPORT void FreeMem_NB(void* data) {
  std::free(data);
}

}  // extern "C"
