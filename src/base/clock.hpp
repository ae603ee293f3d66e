// Steady time and sleeping for everything that waits or times a step, handed in so that tests
// decide how time passes and no retry or shutdown wait costs them real seconds.
#pragma once

#include <chrono>
#include <functional>

namespace corvald {

struct Clock {
  std::function<std::chrono::steady_clock::time_point()> now;
  std::function<void(std::chrono::milliseconds)> sleep;

  // The steady clock and this thread's sleep.
  static const Clock& real();
};

}  // namespace corvald
