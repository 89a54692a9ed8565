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

void TzelKeyBlock::Reset() {
  if (data_) {
    for (int32_t offset : heapSlots_) FreeSlot(data_.get() + offset);
  }
  data_.reset();
  heapSlots_.clear();
  recordSize_ = 0;
}

}  // namespace morvane
