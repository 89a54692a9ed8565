// TzelRecordPool: the records of one store and their update statuses, in
// store order, in chunks.
//
// A store holds one TzelRecord per record for its whole life. The records sit
// in arrays that grow with the table (16 records, then twice as many per
// chunk up to kLargestChunk), each beside an array of the records' statuses,
// so a record costs its data reference and one status byte: no allocation of
// its own and no list of references in store order, since the pool's own
// order is that order. A record never moves while the pool lives; Clear
// destroys them all.
//
// The chunk sizes make a store index a chunk and a place in it by arithmetic
// (At, StatusAt). The way back, from a record to its index (IndexOf, which
// also tells whether the record is this pool's), is a binary search over the
// chunks by address: time that grows with the logarithm of the number of
// chunks.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/field_layout.h"

namespace morvane {

class TzelRecordPool {
 public:
  size_t Size() const { return size_; }
  TzelRecord& At(size_t index) const {
    const Place place = PlaceOf(index);
    return chunks_[place.chunk].records[place.offset];
  }
  TzelUpdStatus StatusAt(size_t index) const {
    const Place place = PlaceOf(index);
    return chunks_[place.chunk].statuses[place.offset];
  }
  void SetStatusAt(size_t index, TzelUpdStatus status) {
    const Place place = PlaceOf(index);
    chunks_[place.chunk].statuses[place.offset] = status;
  }
  // A new empty record at the end, with the status.
  TzelRecord& Add(TzelUpdStatus status) {
    const Place place = PlaceOf(size_);
    if (place.chunk == chunks_.size()) NewChunk(ChunkCapacity(place.chunk));
    ++size_;
    chunks_[place.chunk].statuses[place.offset] = status;
    return chunks_[place.chunk].records[place.offset];
  }
  // The store index of a record that Add gave out since the last Clear, or
  // -1 for any other address (a place in a chunk that no record took yet
  // included).
  ptrdiff_t IndexOf(const TzelRecord* record) const {
    const auto address = reinterpret_cast<uintptr_t>(record);
    // The last chunk starting at or below the address.
    auto after = std::upper_bound(
        byAddress_.begin(), byAddress_.end(), address,
        [](uintptr_t value, const ChunkStart& start) { return value < start.address; });
    if (after == byAddress_.begin()) return -1;
    const ChunkStart& start = *(after - 1);
    const uintptr_t distance = address - start.address;
    if (distance % sizeof(TzelRecord) != 0) return -1;
    const size_t offset = distance / sizeof(TzelRecord);
    if (offset >= ChunkCapacity(start.chunk)) return -1;
    const size_t index = FirstIndex(start.chunk) + offset;
    return index < size_ ? ptrdiff_t(index) : -1;
  }
  void Clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    byAddress_.clear();
    byAddress_.shrink_to_fit();
    size_ = 0;
  }

 private:
  static constexpr size_t kFirstChunk = 16;
  static constexpr size_t kLargestChunk = 4096;
  static constexpr int kFirstBits = std::countr_zero(kFirstChunk);
  static constexpr int kLargestBits = std::countr_zero(kLargestChunk);

  struct Chunk {
    std::unique_ptr<TzelRecord[]> records;
    std::unique_ptr<TzelUpdStatus[]> statuses;
  };
  struct ChunkStart {
    uintptr_t address;
    size_t chunk;
  };
  struct Place {
    size_t chunk;
    size_t offset;
  };

  // Chunk 0 and chunk 1 hold kFirstChunk records each, every later chunk
  // twice its predecessor up to kLargestChunk: chunk c >= 1 starts at index
  // kFirstChunk << (c - 1) while that is below kLargestChunk, then every
  // kLargestChunk records.
  static size_t ChunkCapacity(size_t chunk) {
    if (chunk == 0) return kFirstChunk;
    if (chunk <= size_t(kLargestBits - kFirstBits)) return kFirstChunk << (chunk - 1);
    return kLargestChunk;
  }
  static size_t FirstIndex(size_t chunk) {
    if (chunk == 0) return 0;
    if (chunk <= size_t(kLargestBits - kFirstBits + 1)) return kFirstChunk << (chunk - 1);
    return (chunk - size_t(kLargestBits - kFirstBits)) * kLargestChunk;
  }
  static Place PlaceOf(size_t index) {
    if (index < kFirstChunk) return {0, index};
    if (index < kLargestChunk) {
      const int bits = std::bit_width(index);  // kFirstBits + 1 .. kLargestBits
      return {size_t(bits - kFirstBits), index - (size_t(1) << (bits - 1))};
    }
    return {index / kLargestChunk + size_t(kLargestBits - kFirstBits), index % kLargestChunk};
  }

  void NewChunk(size_t capacity) {
    Chunk chunk{std::make_unique<TzelRecord[]>(capacity),
                std::make_unique<TzelUpdStatus[]>(capacity)};
    const ChunkStart start{reinterpret_cast<uintptr_t>(chunk.records.get()), chunks_.size()};
    byAddress_.insert(std::upper_bound(byAddress_.begin(), byAddress_.end(), start,
                                       [](const ChunkStart& left, const ChunkStart& right) {
                                         return left.address < right.address;
                                       }),
                      start);
    chunks_.push_back(std::move(chunk));
  }

  std::vector<Chunk> chunks_;
  std::vector<ChunkStart> byAddress_;  // the chunks by the address of their records
  size_t size_ = 0;
};

}  // namespace morvane
