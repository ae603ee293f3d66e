// Lets every wait inside a request (stalls, slow bodies) end as soon as the server stops, so
// that SIGTERM is never held up by a test that asked for a ten-minute stall.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace corvald::devserver {

class ShutdownSignal {
 public:
  void trigger() {
    {
      std::lock_guard lock(mutex_);
      triggered_ = true;
    }
    wake_.notify_all();
  }

  bool triggered() const { return triggered_; }

  // True when the whole time passed, false when the server began stopping first.
  bool sleep_for(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, duration, [this] { return triggered_.load(); });
  }

 private:
  std::mutex mutex_;  // pairs with wake_; held only to test or set triggered_
  std::condition_variable wake_;
  std::atomic<bool> triggered_{false};
};

}  // namespace corvald::devserver
