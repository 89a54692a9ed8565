// Test helper: the transport as the program uses it. Loads libnetbrg2.so
// with dlopen, binds the four entry points by name and wraps each call so
// that tests read the reply as a DecodedReply and never leak reply memory.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "transport/decoded_reply.h"
#include "transport/netbrg2.h"

namespace morvane::testing {

struct InitOutcome {
  int32_t status = 0;
  std::string text;
};

struct SendOutcome {
  int32_t status = 0;
  transport::DecodedReply reply;
};

class TransportClient {
 public:
  explicit TransportClient(const char* libraryPath = NETBRG2_LIBRARY) {
    handle_ = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw std::runtime_error(dlerror());
    init_ = reinterpret_cast<WaitInitNetClientFunc>(dlsym(handle_, "WaitInitNetClient"));
    send_ = reinterpret_cast<WaitSendToServerFunc>(dlsym(handle_, "WaitSendToServer"));
    close_ = reinterpret_cast<WaitCloseNetClientFunc>(dlsym(handle_, "WaitCloseNetClient"));
    free_ = reinterpret_cast<FreeMemNBFunc>(dlsym(handle_, "FreeMem_NB"));
    if (!init_ || !send_ || !close_ || !free_) throw std::runtime_error("entry point missing");
    // Optional: a library without it works all the same.
    progress_ = reinterpret_cast<SetProgressHandlerNBFunc>(dlsym(handle_, "SetProgressHandler_NB"));
  }
  ~TransportClient() {
    if (progress_) progress_(nullptr, nullptr);
    close_();
    dlclose(handle_);
  }
  TransportClient(const TransportClient&) = delete;
  TransportClient& operator=(const TransportClient&) = delete;

  InitOutcome Init(const std::string& connectText = "Morvane") {
    TransportReply reply{nullptr, 0, 0};
    TransportReply* replyAddress = &reply;
    init_(connectText.c_str(), static_cast<int32_t>(connectText.size() + 1), &replyAddress);
    InitOutcome outcome{reply.status, reply.data != nullptr ? reply.data : ""};
    free_(reply.data);
    return outcome;
  }

  SendOutcome Send(const std::string& request) {
    TransportReply reply{nullptr, 0, 0};
    TransportReply* replyAddress = &reply;
    send_(request.c_str(), static_cast<int32_t>(request.size() + 1), &replyAddress);
    SendOutcome outcome{reply.status,
                        transport::DecodeReply(reply.data, static_cast<size_t>(reply.length))};
    free_(reply.data);
    return outcome;
  }

  // Raw reply, for benchmarks: the caller frees it with Free.
  TransportReply SendRaw(const std::string& request) {
    TransportReply reply{nullptr, 0, 0};
    TransportReply* replyAddress = &reply;
    send_(request.c_str(), static_cast<int32_t>(request.size() + 1), &replyAddress);
    return reply;
  }
  void Free(void* data) { free_(data); }
  // False when the library has no progress handler entry point.
  bool SetProgressHandler(TransportProgressFunc handler, void* context) {
    if (!progress_) return false;
    progress_(handler, context);
    return true;
  }
  void Close() { close_(); }

  WaitSendToServerFunc SendEntry() const { return send_; }
  WaitInitNetClientFunc InitEntry() const { return init_; }

 private:
  void* handle_ = nullptr;
  WaitInitNetClientFunc init_ = nullptr;
  WaitSendToServerFunc send_ = nullptr;
  WaitCloseNetClientFunc close_ = nullptr;
  FreeMemNBFunc free_ = nullptr;
  SetProgressHandlerNBFunc progress_ = nullptr;
};

}  // namespace morvane::testing
