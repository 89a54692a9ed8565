// A growable byte block in malloc'ed memory, so that a finished reply can be
// handed to the caller as it is and released with free() by FreeMem_NB.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace morvane::transport {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ByteBuffer(ByteBuffer&& other) noexcept { *this = std::move(other); }
  ByteBuffer& operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
      std::free(data_);
      data_ = other.data_;
      size_ = other.size_;
      capacity_ = other.capacity_;
      other.data_ = nullptr;
      other.size_ = other.capacity_ = 0;
    }
    return *this;
  }
  ~ByteBuffer() { std::free(data_); }

  char* Data() { return data_; }
  const char* Data() const { return data_; }
  size_t Size() const { return size_; }

  void Reserve(size_t capacity) {
    if (capacity <= capacity_) return;
    char* grown = static_cast<char*>(std::realloc(data_, capacity));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = grown;
    capacity_ = capacity;
  }
  // Makes room for `count` more bytes and returns where they go.
  char* Extend(size_t count) {
    if (count > kMaxSize - size_) throw std::bad_alloc();
    if (size_ + count > capacity_) Reserve(std::max(capacity_ * 2, size_ + count + 4096));
    char* place = data_ + size_;
    size_ += count;
    return place;
  }
  void Append(const void* bytes, size_t count) {
    if (count > 0) std::memcpy(Extend(count), bytes, count);
  }
  void AppendByte(uint8_t byte) { *Extend(1) = static_cast<char>(byte); }
  void AppendInt32(int32_t value) { Append(&value, sizeof value); }  // little-endian host
  void AppendDouble(double value) { Append(&value, sizeof value); }
  void PutInt32(size_t position, int32_t value) { std::memcpy(data_ + position, &value, 4); }
  void Clear() { size_ = 0; }
  void Truncate(size_t size) { size_ = size; }

  // Hands the bytes over; the caller frees them with std::free.
  char* Release() {
    char* bytes = data_;
    data_ = nullptr;
    size_ = capacity_ = 0;
    return bytes;
  }

 private:
  static constexpr size_t kMaxSize = size_t{1} << 40;

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "data buffers are little-endian");

}  // namespace morvane::transport
