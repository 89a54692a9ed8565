#include "engine/store_arena.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace morvane {

void TzelStoreArena::ExpectBytes(size_t bytes) {
  // Each chunk loses the end a piece did not fit into (some 70 bytes with
  // the allocator's header), the last one its unused rest: chunks of
  // sqrt(128 * bytes) keep the sum of both near its least.
  nextChunk_ = std::clamp(size_t(std::sqrt(128.0 * double(bytes))), kMinChunk, kMaxChunk);
}

char* TzelStoreArena::Allocate(size_t size) {
  // A piece of no bytes would still need an address of its own.
  size = std::max<size_t>(size, 1);
  if (next_ == nullptr || size_t(end_ - next_) < size) {
    const size_t chunkSize = std::max(nextChunk_, size + 1);
    // calloc gives zero-filled memory and may skip clearing fresh pages;
    // the chunk itself is aligned to at least 8, so its first byte is not a
    // piece.
    char* chunk = static_cast<char*>(std::calloc(chunkSize, 1));
    if (chunk == nullptr) throw std::bad_alloc();
    chunks_.emplace_back(chunk);
    bytesHeld_ += chunkSize;
    next_ = chunk + 1;
    end_ = chunk + chunkSize;
  }
  char* piece = next_;
  next_ += size;
  // The next piece skips a multiple of 8 (the end of the chunk is no piece).
  if (next_ < end_ && !InStoreArena(next_)) ++next_;
  return piece;
}

void TzelStoreArena::Release() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  next_ = nullptr;
  end_ = nullptr;
  nextChunk_ = kMinChunk;
  bytesHeld_ = 0;
}

}  // namespace morvane
