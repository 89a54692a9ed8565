// TzelStoreArena: the memory of the records a store loads from a data buffer.
//
// A loaded table holds a million small values: a data block per record and a
// heap text per text field. Taking each from the allocator costs its header
// and its rounding (about 15 bytes a value); the arena hands them out of large
// zero-filled chunks instead and frees them all at once, when the store is
// cleared or destroyed.
//
// No piece the arena hands out starts at a multiple of 8, and the allocator
// never returns anything else (new[] aligns to at least 8 on every platform
// the project builds for): that is how the slot helpers and the data block
// deleter (field_layout.h) tell an arena value, which they must not free one
// by one, from a value of their own. Pieces are packed otherwise, at no
// alignment: slots are read byte-wise. A piece replaced by an edit stays in
// the arena, unused, until the arena is released. A text piece is never
// written once filled (an edit gives the slot a new value; data blocks, on the
// other hand, are written in place), which lets record buffers reference
// arena texts (ShareRecordBuf in field_layout.h).
//
// Not thread-safe: an arena belongs to its store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace morvane {

// True for memory handed out by a store arena.
inline bool InStoreArena(const void* memory) {
  return (reinterpret_cast<uintptr_t>(memory) & 7) != 0;
}

class TzelStoreArena {
 public:
  TzelStoreArena() = default;
  TzelStoreArena(const TzelStoreArena&) = delete;
  TzelStoreArena& operator=(const TzelStoreArena&) = delete;

  // Sizes the chunks for a caller that knows roughly how much it will take:
  // a small table should not hold a large chunk, and a large one should not
  // leave much of its last chunk unused.
  void ExpectBytes(size_t bytes);
  // size zero-filled bytes, valid until Release.
  char* Allocate(size_t size);
  // Frees every chunk; every piece handed out becomes invalid.
  void Release();
  // Bytes of the chunks held.
  size_t BytesHeld() const { return bytesHeld_; }

  static constexpr size_t kMinChunk = 4 * 1024;
  static constexpr size_t kMaxChunk = 256 * 1024;

 private:
  struct FreeChunk {
    void operator()(char* chunk) const { std::free(chunk); }
  };

  std::vector<std::unique_ptr<char, FreeChunk>> chunks_;
  char* next_ = nullptr;  // never a multiple of 8 while a chunk is open
  char* end_ = nullptr;
  size_t nextChunk_ = kMinChunk;
  size_t bytesHeld_ = 0;
};

}  // namespace morvane
