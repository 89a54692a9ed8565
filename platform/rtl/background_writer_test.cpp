#include "platform/rtl/background_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace morvane {
namespace {

TEST(BackgroundWriter, PiecesArriveWholeAndInOrderWhileTheProducerReusesTwoBuffers) {
  // The writer is slow, so a buffer refilled too early would show up as
  // wrong bytes in what it received.
  std::string received;
  std::string expected;
  {
    TBackgroundWriter writer([&](std::string_view piece) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      received.append(piece);
    });
    std::string buffers[2];
    for (int index = 0; index < 40; ++index) {
      std::string& buffer = buffers[index % 2];
      buffer.assign(size_t(1000 + index), char('a' + index % 26));
      expected += buffer;
      writer.Write(buffer);
    }
    writer.Finish();
    EXPECT_EQ(received, expected);
  }
}

TEST(BackgroundWriter, WriteReturnsWhileThePieceIsStillBeingWritten) {
  std::promise<void> returned;
  std::future<void> producerWent = returned.get_future();
  bool overlapped = false;
  TBackgroundWriter writer([&](std::string_view) {
    // Released only once Write has returned to the producer.
    overlapped = producerWent.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  });
  writer.Write("piece");
  returned.set_value();
  writer.Finish();
  EXPECT_TRUE(overlapped);
}

TEST(BackgroundWriter, TheLastPieceIsWrittenOnTheOwnersThreadAfterThoseHandedOver) {
  std::vector<std::string> received;
  std::vector<std::thread::id> writers;
  TBackgroundWriter writer([&](std::string_view piece) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    received.emplace_back(piece);
    writers.push_back(std::this_thread::get_id());
  });
  writer.Write("one");
  writer.WriteLast("two");
  EXPECT_EQ(received, (std::vector<std::string>{"one", "two"}));
  ASSERT_EQ(writers.size(), 2u);
  EXPECT_NE(writers[0], std::this_thread::get_id());
  EXPECT_EQ(writers[1], std::this_thread::get_id());

  // An output of one piece starts no thread at all.
  std::thread::id alone;
  TBackgroundWriter single([&](std::string_view) { alone = std::this_thread::get_id(); });
  single.WriteLast("only");
  EXPECT_EQ(alone, std::this_thread::get_id());
}

TEST(BackgroundWriter, AWriterErrorReachesTheProducerAndStopsLaterPieces) {
  std::vector<std::string> received;
  TBackgroundWriter writer([&](std::string_view piece) {
    if (piece == "bad") throw std::runtime_error("disk full");
    received.emplace_back(piece);
  });
  writer.Write("one");
  writer.Write("bad");
  // Write waits for the piece before it, so the failure shows at once.
  EXPECT_THROW(writer.Write("two"), std::runtime_error);
  EXPECT_THROW(writer.Write("three"), std::runtime_error);
  EXPECT_THROW(writer.Finish(), std::runtime_error);
  EXPECT_EQ(received, std::vector<std::string>{"one"});
}

TEST(BackgroundWriter, DestroyedWithAPieceInFlightItFinishesThatPieceFirst) {
  // The producer's own failure unwinds past the writer: the piece handed
  // over is written completely before the writer (and the buffer) go.
  std::string received;
  try {
    std::string buffer(100000, 'x');
    TBackgroundWriter writer([&](std::string_view piece) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      received.append(piece);
    });
    writer.Write(buffer);
    throw std::runtime_error("encoding failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(received, std::string(100000, 'x'));
}

}  // namespace
}  // namespace morvane
