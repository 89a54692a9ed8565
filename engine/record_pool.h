// TzelRecordPool: the TzelRecord objects of one store, in chunks.
//
// A store holds one TzelRecord per record for its whole life, so records are
// taken from arrays that grow with the table instead of one allocation each
// (which would cost a third more per record). A record never moves while the
// pool lives; Clear destroys them all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "engine/field_layout.h"

namespace morvane {

class TzelRecordPool {
 public:
  // Room for count more records in one chunk, for a caller that knows how
  // many will come (a load): no part of a chunk is left unused.
  void Reserve(size_t count) {
    if (count <= capacity_ - used_) return;
    chunks_.push_back(std::make_unique<TzelRecord[]>(count));
    capacity_ = count;
    used_ = 0;
  }
  // A new empty record.
  TzelRecord& Add() {
    if (used_ == capacity_) {
      capacity_ = std::clamp(capacity_ * 2, kFirstChunk, kLargestChunk);
      chunks_.push_back(std::make_unique<TzelRecord[]>(capacity_));
      used_ = 0;
    }
    return chunks_.back()[used_++];
  }
  void Clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    used_ = 0;
    capacity_ = 0;
  }

 private:
  static constexpr size_t kFirstChunk = 16;
  static constexpr size_t kLargestChunk = 4096;

  std::vector<std::unique_ptr<TzelRecord[]>> chunks_;
  size_t used_ = 0;      // records taken from the last chunk
  size_t capacity_ = 0;  // records in the last chunk
};

}  // namespace morvane
