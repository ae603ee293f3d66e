#include "logfile/log_clock.hpp"

namespace corvald::logfile {

LogClock system_log_clock() {
  return LogClock{[] { return std::chrono::system_clock::now(); }, &to_local_time};
}

}  // namespace corvald::logfile
