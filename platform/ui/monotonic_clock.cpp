#include "platform/ui/monotonic_clock.h"

#include <chrono>

namespace morvane {

namespace {

TMonotonicClock& CurrentClock() {
  static TMonotonicClock clock;
  return clock;
}

}  // namespace

int64_t MonotonicMilliseconds() {
  if (const TMonotonicClock& clock = CurrentClock()) return clock();
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
}

TMonotonicClock SetMonotonicClock(TMonotonicClock clock) {
  TMonotonicClock previous = std::move(CurrentClock());
  CurrentClock() = std::move(clock);
  return previous;
}

}  // namespace morvane
