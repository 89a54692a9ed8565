// What a transport reply carries after what data-buffer readers read: the
// rows each statement changed, after a reply without a result set, and the
// position of the statement that failed, after an error reply's text.
//
//   'S' reply:  header with 0 records, 0 fields, 0 layout bytes (17 bytes),
//               then "ROWS", int32 count, count x int64 (-1: no count)
//   'E' reply:  int32 length, 'E', message, zero byte, then "STMT", int32,
//               then "STOP" when the caller's progress handler cancelled
//               the request
//
// (transport/result_encoder.h writes them.) A reply without them, or with
// a tail that does not fit its length, gives an empty ReplyTail: a
// transport that does not write them is simply silent.
#pragma once

#include <cstdint>
#include <vector>

namespace morvane {

struct ReplyTail {
  std::vector<int64_t> rowsChanged;  // per statement, in order; empty when not carried
  int failedStatement = -1;          // from 0; -1 when not carried
  // The request was cancelled after statement failedStatement: nothing of
  // it took effect.
  bool cancelled = false;
};

ReplyTail ReadReplyTail(const std::vector<char>& reply);

}  // namespace morvane
