// TzelRecordPool: the TzelRecord objects of one store, in chunks.
//
// A store holds one TzelRecord per record for its whole life, so records are
// taken from arrays that grow with the table instead of one allocation each
// (which would cost a third more per record). A record never moves while the
// pool lives; Clear destroys them all. Holds tells whether a record was taken
// from this pool, in time that grows with the number of chunks (a few dozen
// for a million records), not with the number of records.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "engine/field_layout.h"

namespace morvane {

class TzelRecordPool {
 public:
  // Room for count more records in one chunk, for a caller that knows how
  // many will come (a load): no part of a chunk is left unused.
  void Reserve(size_t count) {
    if (count <= capacity_ - Used()) return;
    NewChunk(count);
  }
  // A new empty record.
  TzelRecord& Add() {
    if (Used() == capacity_) NewChunk(std::clamp(capacity_ * 2, kFirstChunk, kLargestChunk));
    return chunks_.back()[takenInChunk_.back()++];
  }
  // Whether the record is one that Add gave out since the last Clear (not
  // merely a place in a chunk that no record took yet).
  bool Holds(const TzelRecord* record) const {
    const std::less<const TzelRecord*> before;
    for (size_t chunk = chunks_.size(); chunk-- > 0;) {
      const TzelRecord* first = chunks_[chunk].get();
      if (!before(record, first) && before(record, first + takenInChunk_[chunk])) return true;
    }
    return false;
  }
  void Clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    takenInChunk_.clear();
    takenInChunk_.shrink_to_fit();
    capacity_ = 0;
  }

 private:
  static constexpr size_t kFirstChunk = 16;
  static constexpr size_t kLargestChunk = 4096;

  void NewChunk(size_t count) {
    chunks_.push_back(std::make_unique<TzelRecord[]>(count));
    takenInChunk_.push_back(0);
    capacity_ = count;
  }
  // Records taken from the last chunk.
  size_t Used() const { return takenInChunk_.empty() ? 0 : takenInChunk_.back(); }

  std::vector<std::unique_ptr<TzelRecord[]>> chunks_;
  // Records taken from each chunk: a chunk left for a reserved one keeps
  // places no record took.
  std::vector<size_t> takenInChunk_;
  size_t capacity_ = 0;  // records in the last chunk
};

}  // namespace morvane
