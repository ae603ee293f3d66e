// The schedule a test armed through /__control/chaos, shared by every connection. A request
// keeps the schedule it began with even if the test re-arms meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "chaos_schedule.hpp"

namespace corvald::devserver {

class ChaosSwitch {
 public:
  CachePlan arm(std::uint64_t seed, std::uint64_t installer_size, std::uint64_t odds) {
    auto schedule = std::make_shared<ChaosSchedule>(seed, installer_size, odds);
    std::lock_guard lock(mutex_);
    armed_ = schedule;
    last_ = schedule;
    return schedule->before_run();
  }

  // Later requests are answered soundly; the record of the last schedule stays readable.
  void disarm() {
    std::lock_guard lock(mutex_);
    armed_.reset();
  }

  std::shared_ptr<ChaosSchedule> current() const {
    std::lock_guard lock(mutex_);
    return armed_;
  }

  std::string record() const {
    std::lock_guard lock(mutex_);
    return last_ ? last_->record() : std::string();
  }

 private:
  mutable std::mutex mutex_;  // guards armed_ and last_, held only to copy or replace them
  std::shared_ptr<ChaosSchedule> armed_;
  std::shared_ptr<ChaosSchedule> last_;
};

}  // namespace corvald::devserver
