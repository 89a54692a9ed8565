// The transport's progress handler on every back end: it hears each
// statement inside the request's transaction, a cancel rolls the whole
// request back, and calls made from inside it are refused without harm. The
// including file defines BackEndTest (see tests/transport_scenarios.h).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "transport/connection.h"

namespace morvane::testing {
namespace {

struct ProgressCall {
  int32_t done;
  int32_t total;
  int64_t rowsChanged;
  bool operator==(const ProgressCall&) const = default;
};

// What a handler was told; it cancels after statement cancelAfter (0: never)
// and runs `during` on every call.
struct ProgressRecorder {
  std::vector<ProgressCall> calls;
  int32_t cancelAfter = 0;
  std::function<void()> during;

  static int32_t Handler(void* context, int32_t done, int32_t total, int64_t rowsChanged) {
    auto& recorder = *static_cast<ProgressRecorder*>(context);
    recorder.calls.push_back({done, total, rowsChanged});
    if (recorder.during) recorder.during();
    return done == recorder.cancelAfter ? 1 : 0;
  }
};

// Every row of Goods, every column, as the back end gives it.
std::vector<std::vector<std::optional<std::string>>> GoodsRows(TransportClient& client) {
  const SendOutcome dump = client.Send("SELECT * FROM Goods ORDER BY Good");
  EXPECT_EQ(dump.reply.status, 'S') << dump.reply.errorText;
  return dump.reply.records;
}

constexpr char kFiveUpdates[] =
    "UPDATE Goods SET Goods.Unit = 'a' WHERE Goods.Unit = 'шт';\r\n"
    "UPDATE Goods SET Goods.Unit = 'b' WHERE Goods.Unit = 'кг';\r\n"
    "DELETE FROM Parts;\r\n"
    "UPDATE Goods SET Goods.Unit = 'c' WHERE Goods.Unit = 'нет такой';\r\n"
    "UPDATE Goods SET Price = 0";

TEST_F(BackEndTest, CancelAfterAnyStatementLeavesEveryRowAsItWas) {
  const auto before = GoodsRows(client());
  const auto parts = client().Send("SELECT * FROM Parts").reply.records;
  // What each statement changes, from a run that is then taken back.
  ProgressRecorder full;
  full.cancelAfter = 5;
  ASSERT_TRUE(client().SetProgressHandler(ProgressRecorder::Handler, &full));
  ASSERT_EQ(client().Send(kFiveUpdates).reply.status, 'E');
  ASSERT_EQ(full.calls.size(), 5u);
  EXPECT_GT(full.calls[0].rowsChanged, 0);
  EXPECT_EQ(full.calls[3].rowsChanged, 0);
  client().SetProgressHandler(nullptr, nullptr);

  for (const int32_t cancelAfter : {1, 3, 5}) {
    ProgressRecorder recorder;
    recorder.cancelAfter = cancelAfter;
    client().SetProgressHandler(ProgressRecorder::Handler, &recorder);
    const SendOutcome outcome = client().Send(kFiveUpdates);
    EXPECT_EQ(outcome.status, 0);
    ASSERT_EQ(outcome.reply.status, 'E') << cancelAfter;
    EXPECT_EQ(outcome.reply.errorText, transport::kCancelledMessage);
    EXPECT_TRUE(outcome.reply.cancelled);
    EXPECT_EQ(outcome.reply.failedStatement, cancelAfter - 1);
    EXPECT_EQ(outcome.reply.problem, "");
    EXPECT_EQ(recorder.calls,
              std::vector<ProgressCall>(full.calls.begin(), full.calls.begin() + cancelAfter));
    client().SetProgressHandler(nullptr, nullptr);
    EXPECT_EQ(GoodsRows(client()), before) << cancelAfter;
    EXPECT_EQ(client().Send("SELECT * FROM Parts").reply.records, parts) << cancelAfter;
  }

  // The connection goes on; a handler that lets every statement pass
  // commits, and sees the counts the reply carries.
  ProgressRecorder passing;
  client().SetProgressHandler(ProgressRecorder::Handler, &passing);
  const SendOutcome applied = client().Send(kFiveUpdates);
  ASSERT_EQ(applied.reply.status, 'S') << applied.reply.errorText;
  ASSERT_TRUE(applied.reply.rowsChanged.has_value());
  ASSERT_EQ(passing.calls.size(), 5u);
  for (size_t index = 0; index < 5; ++index) {
    EXPECT_EQ(passing.calls[index].rowsChanged, (*applied.reply.rowsChanged)[index]);
  }
  client().SetProgressHandler(nullptr, nullptr);
  EXPECT_NE(GoodsRows(client()), before);
  EXPECT_TRUE(client().Send("SELECT * FROM Parts").reply.records.empty());
}

TEST_F(BackEndTest, CallsFromInsideTheHandlerAreRefusedAndTheRequestGoesOn) {
  const auto before = GoodsRows(client());
  ProgressRecorder recorder;
  SendOutcome nested;
  InitOutcome reinit;
  recorder.during = [&] {
    if (recorder.calls.size() != 1) return;
    nested = client().Send("UPDATE Goods SET Unit = 'nested'");
    reinit = client().Init();
    client().Close();
  };
  client().SetProgressHandler(ProgressRecorder::Handler, &recorder);
  const SendOutcome outcome = client().Send(
      "UPDATE Goods SET Goods.Unit = 'a' WHERE Goods.Unit = 'шт';\r\n"
      "UPDATE Goods SET Goods.Unit = 'b' WHERE Goods.Unit = 'кг'");
  client().SetProgressHandler(nullptr, nullptr);
  EXPECT_EQ(nested.status, 0);
  EXPECT_EQ(nested.reply.status, 'E');
  EXPECT_EQ(nested.reply.errorText, transport::kBusyMessage);
  EXPECT_EQ(reinit.status, -2);
  EXPECT_EQ(reinit.text, std::string("ERR: ") + transport::kBusyMessage);
  // The outer request ran both statements on the connection it began with.
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  EXPECT_EQ(recorder.calls.size(), 2u);
  EXPECT_EQ(CountWhere(client(), "Unit = 'nested'"), 0);
  EXPECT_EQ(CountWhere(client(), "Unit = 'шт'"), 0);
  EXPECT_NE(GoodsRows(client()), before);
}

TEST_F(BackEndTest, HandlerThatThrowsCancelsTheRequest) {
  const auto before = GoodsRows(client());
  const TransportProgressFunc throwing = [](void*, int32_t, int32_t, int64_t) -> int32_t {
    throw std::runtime_error("handler failed");
  };
  client().SetProgressHandler(throwing, nullptr);
  const SendOutcome outcome = client().Send(kFiveUpdates);
  client().SetProgressHandler(nullptr, nullptr);
  ASSERT_EQ(outcome.reply.status, 'E');
  EXPECT_TRUE(outcome.reply.cancelled);
  EXPECT_EQ(outcome.reply.failedStatement, 0);
  EXPECT_EQ(GoodsRows(client()), before);
}

}  // namespace
}  // namespace morvane::testing
