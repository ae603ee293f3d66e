// The logger's source of time. Timestamps, rotation and retention all read it, so tests can
// step through an hour boundary or days of retention without waiting.
#pragma once

#include <chrono>
#include <functional>

#include "logfile/local_time.hpp"

namespace corvald::logfile {

struct LogClock {
  std::function<std::chrono::system_clock::time_point()> now;
  std::function<LocalTime(std::chrono::system_clock::time_point)> to_local;

  LocalTime local_now() const { return to_local(now()); }
};

// The system clock read in the machine's time zone.
LogClock system_log_clock();

}  // namespace corvald::logfile
