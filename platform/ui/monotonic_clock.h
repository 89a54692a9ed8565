// A monotonic clock in milliseconds for pauses measured between key presses
// (type-ahead searches forget their text after a pause).
//
// Only differences of two readings mean anything. Tests replace the clock
// with one they move by hand, so a "pause of six seconds" takes no time.
#pragma once

#include <cstdint>
#include <functional>

namespace morvane {

using TMonotonicClock = std::function<int64_t()>;

// Milliseconds from the current clock.
int64_t MonotonicMilliseconds();

// Replaces the clock and returns the previous one; an empty clock restores
// the system's steady clock.
TMonotonicClock SetMonotonicClock(TMonotonicClock clock);

// A clock for tests, installed for the lifetime of the object:
//   ManualClock clock;  clock.Advance(6000);
class ManualClock {
 public:
  ManualClock() : previous_(SetMonotonicClock([this] { return now_; })) {}
  ~ManualClock() { SetMonotonicClock(std::move(previous_)); }
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  void Advance(int64_t milliseconds) { now_ += milliseconds; }

 private:
  int64_t now_ = 1'000'000;
  TMonotonicClock previous_;
};

}  // namespace morvane
