#include "base/clock.hpp"

#include <thread>

namespace corvald {

const Clock& Clock::real() {
  // Never destroyed: a detached worker may still sleep on it while the process exits.
  static const Clock* const clock =
      new Clock{[] { return std::chrono::steady_clock::now(); },
                [](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); }};
  return *clock;
}

}  // namespace corvald
