// Byte streams: a memory stream and a file stream with one interface.
//
// Read() returns how many bytes it read, which is less than asked at the end
// of the stream: callers detect a short read by comparing. ReadBuffer() and
// WriteBuffer() move exactly the asked count or throw EStreamError. Seek
// positions are clamped to 0 and may point past the end; writing there fills
// the gap with zero bytes (memory stream) as a file would. SetSize keeps the
// position unless it lies past the new end, where it moves to the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane {

enum class SeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size() const = 0;
  virtual void SetSize(int64_t newSize) = 0;

  int64_t Position() const { return const_cast<TStream*>(this)->Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Beginning); }
  int64_t Remaining() const { return Size() - Position(); }

  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteString(const std::string& text) { WriteBuffer(text.data(), int64_t(text.size())); }
  // Copies count bytes (all from the current position when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() const override { return int64_t(bytes_.size()); }
  void SetSize(int64_t newSize) override;

  void Clear();
  char* Memory() { return bytes_.data(); }
  const char* Memory() const { return bytes_.data(); }
  const std::vector<char>& Bytes() const { return bytes_; }
  void LoadFromFile(const std::string& fileName);
  // Writes the whole stream; replaces an existing file only after the new
  // one is complete (temporary file beside it, then rename).
  void SaveToFile(const std::string& fileName) const;

 private:
  std::vector<char> bytes_;
  int64_t position_ = 0;
};

enum class FileMode { OpenRead, OpenReadWrite, Create };

class TFileStream : public TStream {
 public:
  // Throws EFOpenError (OpenRead, OpenReadWrite) or EFCreateError (Create).
  TFileStream(const std::string& fileName, FileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() const override;
  void SetSize(int64_t newSize) override;
  const std::string& FileName() const { return fileName_; }

 private:
  // C streams need a positioning call whenever reading follows writing or
  // the other way round; the last operation tells when.
  enum class LastOperation { None, Read, Write };
  void SwitchTo(LastOperation operation);

  std::string fileName_;
  std::FILE* file_ = nullptr;
  mutable LastOperation lastOperation_ = LastOperation::None;
};

// Writes bytes to a file so that the old file is replaced only once the new
// content is complete on disk: a temporary file beside it, flushed, then
// renamed over the old one. Throws EFCreateError; the old file is then intact.
void WriteFileAtomically(const std::string& fileName, const void* data, size_t size);
// The same for content made piece by piece: produce calls write with each
// piece in order, so the whole content never needs to be in memory. When
// produce throws, the temporary file is removed, the old file stays intact
// and the exception passes on.
using TByteWriter = std::function<void(std::string_view bytes)>;
void WriteFileAtomically(const std::string& fileName,
                         const std::function<void(const TByteWriter& write)>& produce);
// The same for content that starts with a header known only once the rest is
// made (lengths, counts): produce writes placeholder bytes where the header
// goes and returns the header, which is then written over the start of the
// file before the file is flushed and renamed into place.
void WriteFileAtomicallyWithHeader(
    const std::string& fileName,
    const std::function<std::string(const TByteWriter& write)>& produce);

// The whole file, or EFOpenError.
std::vector<char> ReadWholeFile(const std::string& fileName);

}  // namespace morvane
