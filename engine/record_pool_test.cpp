#include "engine/record_pool.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvane {
namespace {

// Store indexes become chunks and places by arithmetic, records become
// indexes by a search over the chunks: both must agree with the order in
// which Add gave the records out, across the growing chunks and the full-size
// ones after them.
TEST(RecordPool, IndexesStatusesAndRecordsAgreeAcrossEveryChunk) {
  TzelRecordPool pool;
  std::vector<TzelRecord*> added;
  constexpr size_t kCount = 3 * 4096 + 77;
  for (size_t index = 0; index < kCount; ++index) {
    added.push_back(&pool.Add(TzelUpdStatus(index % 5)));
  }
  ASSERT_EQ(pool.Size(), kCount);
  for (size_t index = 0; index < kCount; ++index) {
    ASSERT_EQ(&pool.At(index), added[index]) << index;
    ASSERT_EQ(pool.IndexOf(added[index]), ptrdiff_t(index)) << index;
    ASSERT_EQ(pool.StatusAt(index), TzelUpdStatus(index % 5)) << index;
  }
  pool.SetStatusAt(4095, zusDeleted);
  pool.SetStatusAt(4096, zusAbsent);
  EXPECT_EQ(pool.StatusAt(4095), zusDeleted);
  EXPECT_EQ(pool.StatusAt(4096), zusAbsent);
  EXPECT_EQ(pool.StatusAt(4094), TzelUpdStatus(4094 % 5));

  // Places no record took yet, addresses inside a record, and others' records
  // are no records of this pool.
  EXPECT_EQ(pool.IndexOf(added.back() + 1), -1);
  EXPECT_EQ(pool.IndexOf(nullptr), -1);
  const char* inside = reinterpret_cast<const char*>(added[20]) + 1;
  EXPECT_EQ(pool.IndexOf(reinterpret_cast<const TzelRecord*>(inside)), -1);
  TzelRecordPool other;
  const TzelRecord* stranger = &other.Add(zusUnmodified);
  EXPECT_EQ(pool.IndexOf(stranger), -1);
  EXPECT_EQ(other.IndexOf(added[0]), -1);

  pool.Clear();
  EXPECT_EQ(pool.Size(), 0u);
  EXPECT_EQ(pool.IndexOf(added[0]), -1);
  const TzelRecord* first = &pool.Add(zusInserted);
  EXPECT_EQ(&pool.At(0), first);
  EXPECT_EQ(pool.StatusAt(0), zusInserted);
}

}  // namespace
}  // namespace morvane
