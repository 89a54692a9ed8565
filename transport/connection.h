// The transport's one connection and its request handling: what the entry
// points do, without the C calling convention around it.
//
// Init opens (or reopens) the back end named by the configuration, first
// creating an installed program's default database when it is missing
// (transport/demo_database.h). Send runs
// one request: the optional user id is stripped, the text is split into
// statements, each is translated for the back end, and all run in one
// transaction. The reply is the data buffer of the last statement that
// returned a result set ('S' with no fields, then the rows each statement
// changed, when none did: transport/result_encoder.h). Any error rolls
// the transaction back and answers 'E' with the back end's message and the
// failing statement (and its position after the text's zero); when the
// connection itself is gone the status is -1
// and the next Init reconnects.
//
// A progress handler, when one is set, hears of every statement of a request
// while its transaction is open; when it asks to cancel (or throws), the
// transaction is rolled back and the reply is the cancel reply. While a
// request runs (the handler is the only code that can run then) Send, Init
// and Close refuse: a second request would run inside the first one's
// transaction, and Init or Close would pull the back end from under it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "transport/backend.h"
#include "transport/byte_buffer.h"
#include "transport/config.h"
#include "transport/netbrg2.h"

namespace morvane::transport {

struct InitResult {
  int32_t status = 0;
  // "OK: 2 " and the back end on success (fifth character '2'), then a line
  // for the user when the demo database was just created; "ERR: " and why.
  std::string text;
};

struct SendResult {
  int32_t status = 0;
  ByteBuffer reply;
};

// Texts of the replies that do not come from a back end.
inline constexpr char kCancelledMessage[] = "Выполнение отменено: изменения не внесены";
inline constexpr char kBusyMessage[] =
    "Запрос отправлен, пока выполняется другой запрос: библиотека выполняет запросы по одному";

class Connection {
 public:
  InitResult Init(const DatabaseSetting& setting);
  SendResult Send(std::string_view request);
  void Close();
  bool Connected() const { return backend_ != nullptr; }
  // True while Send runs a request.
  bool Busy() const { return busy_; }

  // Used from the next statement on; a null function removes the handler.
  void SetProgressHandler(TransportProgressFunc function, void* context) {
    progress_ = function;
    progressContext_ = context;
  }

 private:
  // False when the handler asks to cancel after this statement.
  bool GoOn(size_t done, size_t total, int64_t rowsChanged);

  std::unique_ptr<Backend> backend_;
  bool busy_ = false;
  TransportProgressFunc progress_ = nullptr;
  void* progressContext_ = nullptr;
};

}  // namespace morvane::transport
