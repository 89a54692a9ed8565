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
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "transport/backend.h"
#include "transport/byte_buffer.h"
#include "transport/config.h"

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

class Connection {
 public:
  InitResult Init(const DatabaseSetting& setting);
  SendResult Send(std::string_view request);
  void Close();
  bool Connected() const { return backend_ != nullptr; }

 private:
  std::unique_ptr<Backend> backend_;
};

}  // namespace morvane::transport
