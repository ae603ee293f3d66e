#include "logfile/local_time.hpp"

#include <ctime>

namespace corvald::logfile {

LocalTime to_local_time(std::chrono::system_clock::time_point at) {
  using namespace std::chrono;
  // floor, not a cast: before 1970 a cast would round towards the epoch.
  const auto whole = floor<seconds>(at);
  const std::time_t t = system_clock::to_time_t(time_point_cast<system_clock::duration>(whole));
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return LocalTime{};
  return LocalTime{tm.tm_year + 1900,
                   tm.tm_mon + 1,
                   tm.tm_mday,
                   tm.tm_hour,
                   tm.tm_min,
                   tm.tm_sec,
                   static_cast<int>(duration_cast<milliseconds>(at - whole).count())};
}

}  // namespace corvald::logfile
