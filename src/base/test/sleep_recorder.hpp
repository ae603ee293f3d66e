// A clock for tests of code that only waits: the real time, and sleeps that return at once and
// are recorded, so a test checks the waits without spending them.
#pragma once

#include <chrono>
#include <vector>

#include "base/clock.hpp"

namespace corvald::testing {

// Not for several threads: the waits are recorded without a lock.
struct SleepRecorder {
  std::vector<std::chrono::milliseconds> waits;

  Clock clock() {
    return {Clock::real().now, [this](std::chrono::milliseconds wait) { waits.push_back(wait); }};
  }
};

}  // namespace corvald::testing
