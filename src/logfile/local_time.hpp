// Wall-clock time as the user's time zone shows it, down to the millisecond.
#pragma once

#include <chrono>

namespace corvald::logfile {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The local time zone's reading of `at`, with daylight saving applied.
LocalTime to_local_time(std::chrono::system_clock::time_point at);

}  // namespace corvald::logfile
