#include "engine/key_block.h"

#include "engine/cursor.h"

namespace morvane {

TzelKeyBlock::TzelKeyBlock(const TzelCursor& cursor)
    : data_(cursor.NewData()), recordSize_(cursor.RecordSize()) {
  for (const auto& field : cursor.Fields()) {
    if (IsHeapType(field->FieldType)) heapSlots_.push_back(field->Offset);
  }
}

TzelKeyBlock& TzelKeyBlock::operator=(TzelKeyBlock&& other) noexcept {
  if (this != &other) {
    Reset();
    data_ = std::move(other.data_);
    heapSlots_ = std::move(other.heapSlots_);
    recordSize_ = other.recordSize_;
  }
  return *this;
}

bool TzelKeyBlock::Fits(const TzelCursor& cursor) const {
  if (!data_ || recordSize_ != cursor.RecordSize()) return false;
  size_t next = 0;
  for (const auto& field : cursor.Fields()) {
    if (!IsHeapType(field->FieldType)) continue;
    if (next == heapSlots_.size() || heapSlots_[next] != field->Offset) return false;
    ++next;
  }
  return next == heapSlots_.size();
}

void TzelKeyBlock::Reset() {
  if (data_) {
    for (int32_t offset : heapSlots_) FreeSlot(data_.get() + offset);
  }
  data_.reset();
  heapSlots_.clear();
  recordSize_ = 0;
}

}  // namespace morvane
