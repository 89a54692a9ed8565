#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

#include "platform/rtl/exceptions.h"

namespace morvane {

namespace {

// offset + base without signed overflow, never below zero.
int64_t ClampedSum(int64_t base, int64_t offset) {
  if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) {
    return std::numeric_limits<int64_t>::max();
  }
  return std::max<int64_t>(0, base + offset);
}

int64_t SeekBase(SeekOrigin origin, int64_t position, int64_t size) {
  switch (origin) {
    case SeekOrigin::Beginning:
      return 0;
    case SeekOrigin::Current:
      return position;
    case SeekOrigin::End:
      return size;
  }
  return 0;
}

// Writes everything or reports false; retries writes cut short by signals.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= size_t(written);
  }
  return true;
}

// The same at a position of the file, leaving the file position alone.
bool WriteAllAt(int fd, const char* data, size_t size, off_t position) {
  while (size > 0) {
    ssize_t written = ::pwrite(fd, data, size, position);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= size_t(written);
    position += off_t(written);
  }
  return true;
}

// Starts the disk writes of a file being written every few megabytes, so
// they run while the rest is produced and the closing fsync has little left
// to wait for. Only a hint to the kernel: the fsync still decides durability.
class WritebackStarter {
 public:
  explicit WritebackStarter(int fd) : fd_(fd) {}
  void Written(size_t count) {
    end_ += off_t(count);
    if (end_ - start_ < kStep) return;
    ::sync_file_range(fd_, start_, end_ - start_, SYNC_FILE_RANGE_WRITE);
    start_ = end_;
  }

 private:
  static constexpr off_t kStep = 4 << 20;
  int fd_;
  off_t start_ = 0;  // first byte whose writes are not started yet
  off_t end_ = 0;    // bytes written so far
};

// The permissions a new file gets: those of the file it replaces, or the
// usual 0666 less the umask (mkstemp alone would leave 0600).
mode_t PermissionsFor(const std::string& fileName) {
  struct stat existing;
  if (::stat(fileName.c_str(), &existing) == 0) return existing.st_mode & 07777;
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

// TStream

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) count = std::max<int64_t>(0, source.Remaining());
  if (count < 0) return 0;
  constexpr int64_t kChunkSize = 64 * 1024;
  std::vector<char> chunk(size_t(std::min(count, kChunkSize)));
  for (int64_t left = count; left > 0;) {
    int64_t part = std::min(left, kChunkSize);
    source.ReadBuffer(chunk.data(), part);
    WriteBuffer(chunk.data(), part);
    left -= part;
  }
  return count;
}

// TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t available = Size() - position_;
  if (count <= 0 || available <= 0) return 0;
  int64_t taken = std::min(count, available);
  std::memcpy(buffer, bytes_.data() + position_, size_t(taken));
  position_ += taken;
  return taken;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ > std::numeric_limits<int64_t>::max() - count) return 0;
  int64_t end = position_ + count;
  if (end > Size()) bytes_.resize(size_t(end));  // a gap after the old end is zero-filled
  std::memcpy(bytes_.data() + position_, buffer, size_t(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = ClampedSum(SeekBase(origin, position_, Size()), offset);
  return position_;
}

void TMemoryStream::SetSize(int64_t newSize) {
  bytes_.resize(size_t(std::max<int64_t>(0, newSize)));
  position_ = std::min(position_, Size());
}

void TMemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  bytes_ = ReadWholeFile(fileName);
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  WriteFileAtomically(fileName, bytes_.data(), bytes_.size());
}

// TFileStream

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
  const char* openMode = mode == FileMode::OpenRead        ? "rb"
                         : mode == FileMode::OpenReadWrite ? "r+b"
                                                           : "w+b";
  file_ = std::fopen(fileName.c_str(), openMode);
  struct stat info;
  bool regular = file_ && ::fstat(fileno(file_), &info) == 0 && !S_ISDIR(info.st_mode);
  if (!regular) {
    // A directory opens for reading on Linux and fails only at the first read.
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (mode == FileMode::Create) throw EFCreateError(fileName);
    throw EFOpenError(fileName);
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

void TFileStream::SwitchTo(LastOperation operation) {
  // C streams need a positioning call between output and input in either
  // direction; seeking to the current place is the portable one.
  if (lastOperation_ != LastOperation::None && lastOperation_ != operation) {
    fseeko(file_, 0, SEEK_CUR);
  }
  lastOperation_ = operation;
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  SwitchTo(LastOperation::Read);
  return int64_t(std::fread(buffer, 1, size_t(count), file_));
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  SwitchTo(LastOperation::Write);
  return int64_t(std::fwrite(buffer, 1, size_t(count), file_));
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t current = ftello(file_);
  if (origin == SeekOrigin::Current && offset == 0) return current;
  int64_t target = ClampedSum(SeekBase(origin, current, Size()), offset);
  if (fseeko(file_, off_t(target), SEEK_SET) != 0) return ftello(file_);
  lastOperation_ = LastOperation::None;
  return target;
}

int64_t TFileStream::Size() const {
  if (lastOperation_ == LastOperation::Write) {
    std::fflush(file_);
    lastOperation_ = LastOperation::None;
  }
  struct stat info;
  if (::fstat(fileno(file_), &info) != 0) return 0;
  return int64_t(info.st_size);
}

void TFileStream::SetSize(int64_t newSize) {
  newSize = std::max<int64_t>(0, newSize);
  int64_t position = ftello(file_);
  std::fflush(file_);
  if (::ftruncate(fileno(file_), off_t(newSize)) != 0) throw EStreamError("Stream write error");
  fseeko(file_, off_t(std::min(position, newSize)), SEEK_SET);
  lastOperation_ = LastOperation::None;
}

// Whole files

void WriteFileAtomically(const std::string& fileName, const void* data, size_t size) {
  WriteFileAtomically(fileName, [&](const TByteWriter& write) {
    write(std::string_view(static_cast<const char*>(data), size));
  });
}

void WriteFileAtomically(const std::string& fileName,
                         const std::function<void(const TByteWriter& write)>& produce) {
  WriteFileAtomicallyWithHeader(fileName, [&](const TByteWriter& write) {
    produce(write);
    return std::string();
  });
}

void WriteFileAtomicallyWithHeader(
    const std::string& fileName,
    const std::function<std::string(const TByteWriter& write)>& produce) {
  // Write through a symbolic link to its target rather than replacing the link.
  std::error_code error;
  std::string target = fileName;
  if (std::filesystem::is_symlink(fileName, error)) {
    auto resolved = std::filesystem::weakly_canonical(fileName, error);
    if (!error) target = resolved.string();
  }

  std::string tempName = target + ".XXXXXX";
  int fd = ::mkstemp(tempName.data());
  if (fd < 0) throw EFCreateError(fileName);
  bool written = ::fchmod(fd, PermissionsFor(target)) == 0;
  WritebackStarter writeback(fd);
  try {
    // After a failed write the rest is still produced (the producer cannot
    // be stopped without an exception of its own) but no longer written.
    const std::string header = produce([&](std::string_view bytes) {
      written = written && WriteAll(fd, bytes.data(), bytes.size());
      if (written) writeback.Written(bytes.size());
    });
    written = written && WriteAllAt(fd, header.data(), header.size(), 0);
  } catch (...) {
    ::close(fd);
    ::unlink(tempName.c_str());
    throw;
  }
  written = written && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(tempName.c_str(), target.c_str()) != 0) {
    ::unlink(tempName.c_str());
    throw EFCreateError(fileName);
  }

  // Make the rename itself durable; the new content is in place either way.
  std::string folder = std::filesystem::path(target).parent_path().string();
  int folderFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
}

std::vector<char> ReadWholeFile(const std::string& fileName) {
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (!file) throw EFOpenError(fileName);
  std::vector<char> bytes;
  // Room for the whole file at once: a large file is not copied again each
  // time the vector grows.
  struct stat info;
  if (::fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    bytes.reserve(size_t(info.st_size));
  }
  char chunk[64 * 1024];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  bool failed = std::ferror(file) != 0;  // a directory, or an I/O error part way
  std::fclose(file);
  if (failed) throw EFOpenError(fileName);
  return bytes;
}

}  // namespace morvane
