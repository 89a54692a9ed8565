#include "server/reply_tail.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace morvane {

namespace {

constexpr size_t kStatusOffset = 4;
constexpr size_t kEmptyHeaderSize = 17;
constexpr std::string_view kRowsTag = "ROWS";
constexpr std::string_view kFailedTag = "STMT";
constexpr std::string_view kCancelledTag = "STOP";

int32_t Int32At(const std::vector<char>& bytes, size_t offset) {
  int32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

bool TagAt(const std::vector<char>& bytes, size_t offset, std::string_view tag) {
  return offset + tag.size() <= bytes.size() &&
         std::string_view(bytes.data() + offset, tag.size()) == tag;
}

}  // namespace

ReplyTail ReadReplyTail(const std::vector<char>& reply) {
  ReplyTail tail;
  if (reply.size() <= kStatusOffset) return tail;
  if (reply[kStatusOffset] == 'E') {
    const auto zero = std::find(reply.begin() + kStatusOffset + 1, reply.end(), '\0');
    const size_t tagAt = size_t(zero - reply.begin()) + 1;
    if (zero != reply.end() && TagAt(reply, tagAt, kFailedTag) && tagAt + 8 <= reply.size()) {
      tail.failedStatement = Int32At(reply, tagAt + 4);
      tail.cancelled = TagAt(reply, tagAt + 8, kCancelledTag);
    }
    return tail;
  }
  // Only a reply with no records, fields or layout carries the counts.
  if (reply.size() < kEmptyHeaderSize + 8 || Int32At(reply, 5) != 0 || Int32At(reply, 9) != 0 ||
      Int32At(reply, 13) != 0 || !TagAt(reply, kEmptyHeaderSize, kRowsTag)) {
    return tail;
  }
  const int32_t count = Int32At(reply, kEmptyHeaderSize + 4);
  const size_t first = kEmptyHeaderSize + 8;
  if (count < 0 || (reply.size() - first) / 8 < size_t(count)) return tail;
  tail.rowsChanged.resize(size_t(count));
  std::memcpy(tail.rowsChanged.data(), reply.data() + first, size_t(count) * 8);
  return tail;
}

}  // namespace morvane
