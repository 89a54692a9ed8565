// A writer that runs on a thread of its own, so that the next piece of a
// long output is made while the last one is being written (encoding a data
// file and the kernel's copy of it into the page cache overlap).
//
// The thread starts with the first Write: an output of one piece, handed to
// WriteLast, is written on the owner's thread and starts none (a thread costs
// more than it saves on a small file).
//
// Thread rules: Write, WriteLast, Finish and the destructor are called from
// one thread, the owner's. The wrapped writer runs on the background thread
// (on the owner's for WriteLast), one piece at a time, in the order the pieces were handed over;
// each call to it ends before the next begins. The bytes handed to Write must stay unchanged until
// the next Write or Finish returns, so a producer alternates two buffers.
//
// Errors: an exception the wrapped writer throws is kept; the next Write or
// Finish throws it again, and no later piece is written.
#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/rtl/streams.h"

namespace morvane {

class TBackgroundWriter {
 public:
  explicit TBackgroundWriter(TByteWriter write);
  // Waits for the piece being written, then ends the thread.
  ~TBackgroundWriter();
  TBackgroundWriter(const TBackgroundWriter&) = delete;
  TBackgroundWriter& operator=(const TBackgroundWriter&) = delete;

  // Waits until the piece handed over before is written, then hands over
  // bytes and returns at once.
  void Write(std::string_view bytes);
  // Waits until every piece handed over is written, then writes bytes, the
  // output's last piece, on the calling thread.
  void WriteLast(std::string_view bytes);
  // Waits until every piece handed over is written.
  void Finish();

 private:
  void Run();
  // Waits, with lock held, until no piece is waiting or being written; then
  // throws what the writer threw, if anything.
  void WaitForPiece(std::unique_lock<std::mutex>& lock);

  TByteWriter write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string_view piece_;  // handed over and not yet written
  bool hasPiece_ = false;
  bool stopping_ = false;
  std::exception_ptr error_;
  std::thread thread_;  // started by the first Write
};

}  // namespace morvane
