#include "platform/rtl/background_writer.h"

#include <utility>

namespace morvane {

TBackgroundWriter::TBackgroundWriter(TByteWriter write) : write_(std::move(write)) {}

TBackgroundWriter::~TBackgroundWriter() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void TBackgroundWriter::Write(std::string_view bytes) {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  std::unique_lock<std::mutex> lock(mutex_);
  WaitForPiece(lock);
  piece_ = bytes;
  hasPiece_ = true;
  lock.unlock();
  changed_.notify_all();
}

void TBackgroundWriter::WriteLast(std::string_view bytes) {
  Finish();
  write_(bytes);
}

void TBackgroundWriter::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitForPiece(lock);
}

void TBackgroundWriter::WaitForPiece(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !hasPiece_; });
  if (error_) std::rethrow_exception(error_);
}

void TBackgroundWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // A piece handed over before the owner stops is still written: the owner
    // waits for it in the destructor, and its bytes are alive until then.
    changed_.wait(lock, [this] { return hasPiece_ || stopping_; });
    if (!hasPiece_) return;
    const std::string_view piece = piece_;
    const bool failed = error_ != nullptr;
    lock.unlock();
    std::exception_ptr error;
    if (!failed) {
      try {
        write_(piece);
      } catch (...) {
        error = std::current_exception();
      }
    }
    lock.lock();
    if (error) error_ = error;
    hasPiece_ = false;
    changed_.notify_all();
  }
}

}  // namespace morvane
