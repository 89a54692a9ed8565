// A transport for the session's tests, injected as entry points instead of a
// loaded library: the test scripts what the next init and send answer
// (through scriptedServer) and reads back every call the session made.
#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "server/transport_binding.h"

namespace morvane {

// What the next init and send answer, and a record of every call.
struct ScriptedServer {
  int32_t initStatus = 0;
  std::string initReply = "12342 fake";
  int32_t sendStatus = 0;
  char replyStatus = 'S';
  std::string replyBody = "server text";  // after the status character
  std::string replyBuffer;  // when not empty: the whole reply, as it stands
  bool replyHasData = true;
  std::vector<std::string> initTexts;
  std::vector<std::string> requests;
  int closeCount = 0;
  int allocated = 0;  // reply blocks handed out and not yet freed
};

inline ScriptedServer* scriptedServer = nullptr;

inline void ScriptedAnswer(const std::string& bytes, int32_t status, TransportReply** reply) {
  char* data = static_cast<char*>(std::malloc(bytes.size() + 1));
  std::memcpy(data, bytes.data(), bytes.size());
  data[bytes.size()] = '\0';
  ++scriptedServer->allocated;
  (*reply)->data = data;
  (*reply)->length = int32_t(bytes.size());
  (*reply)->status = status;
}

inline void ScriptedInit(const char* text, int32_t length, TransportReply** reply) {
  scriptedServer->initTexts.emplace_back(text, size_t(length - 1));
  ScriptedAnswer(scriptedServer->initReply, scriptedServer->initStatus, reply);
}

inline void ScriptedSend(const char* text, int32_t length, TransportReply** reply) {
  scriptedServer->requests.emplace_back(text, size_t(length - 1));
  if (!scriptedServer->replyHasData) {
    (*reply)->status = scriptedServer->sendStatus;
    return;
  }
  if (!scriptedServer->replyBuffer.empty()) {
    ScriptedAnswer(scriptedServer->replyBuffer, scriptedServer->sendStatus, reply);
    return;
  }
  ScriptedAnswer(std::string(4, '\0') + scriptedServer->replyStatus + scriptedServer->replyBody,
                 scriptedServer->sendStatus, reply);
}

inline void ScriptedClose() {
  ++scriptedServer->closeCount;
}

inline void ScriptedFree(void* data) {
  --scriptedServer->allocated;
  std::free(data);
}

inline std::unique_ptr<TransportLibrary> ScriptedTransport(bool withClose = true) {
  TransportEntryPoints entryPoints;
  entryPoints.WaitInitNetClient = ScriptedInit;
  entryPoints.WaitSendToServer = ScriptedSend;
  entryPoints.WaitCloseNetClient = withClose ? ScriptedClose : nullptr;
  entryPoints.FreeMem_NB = ScriptedFree;
  return std::make_unique<TransportLibrary>(entryPoints);
}

}  // namespace morvane
