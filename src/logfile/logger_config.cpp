#include "logfile/logger_config.hpp"

#include <cstdio>

namespace corvald::logfile {

void LoggerHooks::write_stderr(std::string_view text) const {
  if (to_stderr) {
    to_stderr(text);
    return;
  }
  // One call per line: the stream's lock keeps lines from different threads whole.
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace corvald::logfile
