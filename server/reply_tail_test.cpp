#include "server/reply_tail.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace morvane {
namespace {

std::vector<char> Bytes(const std::string& text) {
  return std::vector<char>(text.begin(), text.end());
}

std::string Int32(int32_t value) {
  return std::string(reinterpret_cast<const char*>(&value), 4);
}
std::string Int64(int64_t value) {
  return std::string(reinterpret_cast<const char*>(&value), 8);
}
std::string EmptyHeader(int32_t total) {
  return Int32(total) + "S" + Int32(0) + Int32(0) + Int32(0);
}

TEST(ReplyTailTest, ReadsTheCountsAndTheFailedStatementWhereTheyAre) {
  const ReplyTail counted = ReadReplyTail(
      Bytes(EmptyHeader(41) + "ROWS" + Int32(2) + Int64(7) + Int64(-1)));
  EXPECT_EQ(counted.rowsChanged, (std::vector<int64_t>{7, -1}));
  EXPECT_EQ(counted.failedStatement, -1);

  const ReplyTail failed = ReadReplyTail(Bytes(Int32(19) + "Eno table" + std::string(1, '\0') +
                                               "STMT" + Int32(3)));
  EXPECT_TRUE(failed.rowsChanged.empty());
  EXPECT_EQ(failed.failedStatement, 3);
  EXPECT_FALSE(failed.cancelled);

  const ReplyTail cancelled = ReadReplyTail(
      Bytes(Int32(23) + "Estopped" + std::string(1, '\0') + "STMT" + Int32(1) + "STOP"));
  EXPECT_EQ(cancelled.failedStatement, 1);
  EXPECT_TRUE(cancelled.cancelled);
  const ReplyTail cut = ReadReplyTail(
      Bytes(Int32(22) + "Estopped" + std::string(1, '\0') + "STMT" + Int32(1) + "STO"));
  EXPECT_FALSE(cut.cancelled);
}

TEST(ReplyTailTest, RepliesWithoutATailOrWithABrokenOneGiveNothing) {
  const std::string noTail[] = {
      "",
      EmptyHeader(17),
      EmptyHeader(25) + "ROWS" + Int32(3) + Int64(1),  // fewer counts than declared
      EmptyHeader(25) + "ROWS" + Int32(-1),
      EmptyHeader(25) + "ROWX" + Int32(0),
      Int32(30) + "S" + Int32(1) + Int32(0) + Int32(0) + "ROWS" + Int32(0),  // declares a record
      Int32(11) + "Eno table" + std::string(1, '\0'),
      Int32(14) + "Eno table" + std::string(1, '\0') + "STM",
  };
  for (const std::string& reply : noTail) {
    const ReplyTail tail = ReadReplyTail(Bytes(reply));
    EXPECT_TRUE(tail.rowsChanged.empty()) << reply.size();
    EXPECT_EQ(tail.failedStatement, -1) << reply.size();
  }
}

}  // namespace
}  // namespace morvane
