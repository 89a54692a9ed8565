// The C entry points of libnetbrg2.so (declared in netbrg2.h). Nothing may
// escape them as a C++ exception: every failure becomes a reply.
#include <cstdlib>
#include <cstring>
#include <new>

#include "transport/connection.h"
#include "transport/netbrg2.h"
#include "transport/result_encoder.h"

namespace {

morvane::transport::Connection& TheConnection() {
  static morvane::transport::Connection connection;
  return connection;
}

std::string_view RequestText(const char* text, int32_t length) {
  if (text == nullptr) return {};
  // The length counts the terminating zero; trust the zero over the length.
  const size_t limit = length > 0 ? static_cast<size_t>(length) : std::strlen(text);
  return std::string_view(text, strnlen(text, limit));
}

void SetReply(TransportReply* reply, morvane::transport::ByteBuffer buffer, int32_t status) {
  reply->length = static_cast<int32_t>(buffer.Size());
  reply->data = buffer.Release();
  reply->status = status;
}

void SetTextReply(TransportReply* reply, const std::string& text, int32_t status) {
  morvane::transport::ByteBuffer buffer;
  buffer.Append(text.data(), text.size());
  buffer.AppendByte(0);
  SetReply(reply, std::move(buffer), status);
}

}  // namespace

extern "C" {

void WaitInitNetClient(const char* /*text*/, int32_t /*length*/, TransportReply** reply) {
  if (reply == nullptr || *reply == nullptr) return;
  TransportReply* target = *reply;
  try {
    const morvane::transport::InitResult result =
        TheConnection().Init(morvane::transport::ResolveDatabaseSetting());
    SetTextReply(target, result.text, result.status);
  } catch (const std::exception& error) {
    target->data = nullptr;
    target->length = 0;
    target->status = -2;
    try {
      SetTextReply(target, std::string("ERR: ") + error.what(), -2);
    } catch (...) {
      // Out of memory: the status alone tells the failure.
    }
  }
}

void WaitSendToServer(const char* text, int32_t length, TransportReply** reply) {
  if (reply == nullptr || *reply == nullptr) return;
  TransportReply* target = *reply;
  try {
    morvane::transport::SendResult result = TheConnection().Send(RequestText(text, length));
    SetReply(target, std::move(result.reply), result.status);
  } catch (const std::exception& error) {
    target->data = nullptr;
    target->length = 0;
    target->status = 0;
    try {
      SetReply(target, morvane::transport::EncodeErrorReply(error.what()), 0);
    } catch (...) {
      // Out of memory: no data tells the caller the request failed.
    }
  }
}

void WaitCloseNetClient(void) {
  TheConnection().Close();
}

void FreeMem_NB(void* data) {
  std::free(data);
}

void SetProgressHandler_NB(TransportProgressFunc handler, void* context) {
  TheConnection().SetProgressHandler(handler, context);
}

}  // extern "C"
