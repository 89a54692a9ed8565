// TzelKeyBlock: a zero-filled record data block that holds search keys or
// range bounds in the slots of some fields.
//
// The block owns the heap values its text and blob slots reference and frees
// them with itself. It remembers where those slots are when it is made, so it
// frees them correctly even after the cursor has been reloaded with other
// descriptors. Move-only; an empty TzelKeyBlock holds nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/field_layout.h"

namespace morvane {

class TzelCursor;

class TzelKeyBlock {
 public:
  TzelKeyBlock() = default;
  // A zero-filled block laid out for the cursor's records.
  explicit TzelKeyBlock(const TzelCursor& cursor);
  ~TzelKeyBlock() { Reset(); }
  TzelKeyBlock(TzelKeyBlock&& other) noexcept = default;
  TzelKeyBlock& operator=(TzelKeyBlock&& other) noexcept;
  TzelKeyBlock(const TzelKeyBlock&) = delete;
  TzelKeyBlock& operator=(const TzelKeyBlock&) = delete;

  char* Data() const { return data_.get(); }
  explicit operator bool() const { return data_ != nullptr; }
  // Record size the block was laid out for.
  int32_t RecordSize() const { return recordSize_; }
  // Whether the block is laid out like the cursor's records: the same size
  // and its text and blob slots in the same places. Only then may the
  // cursor's descriptors read it (a reload may have brought other fields).
  bool Fits(const TzelCursor& cursor) const;
  // Frees the heap values and the block.
  void Reset();

 private:
  TzelDataBlock data_;
  std::vector<int32_t> heapSlots_;  // offsets of the text and blob slots
  int32_t recordSize_ = 0;
};

}  // namespace morvane
