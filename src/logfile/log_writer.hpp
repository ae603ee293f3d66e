// The writer thread's work: owns "app.log" in the log folder, appends each queued line,
// rotates the file when the local hour changes and prunes old rotated files.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "logfile/line_queue.hpp"
#include "logfile/log_clock.hpp"
#include "logfile/logger_config.hpp"
#include "platform/file.hpp"
#include "text/path.hpp"

namespace corvald::logfile {

class LogWriter {
 public:
  LogWriter(const LoggerConfig& config, LogClock clock, LoggerHooks hooks, LineQueue& queue);

  // Runs until the queue is closed and empty, or until "app.log" cannot be opened.
  void run();

 private:
  void write_line(std::string_view line);
  void rotate(std::string new_key);
  void run_retention(std::chrono::system_clock::time_point now);
  Path current_path() const;
  void complain(std::string_view what, const StubError& error);

  const Path folder_;
  const std::uint32_t retention_hours_;
  const LogClock clock_;
  const LoggerHooks hooks_;
  LineQueue& queue_;

  std::optional<platform::File> file_;
  std::string file_key_;  // hour key of the hour the open file was opened in
  std::chrono::system_clock::time_point last_retention_;
};

}  // namespace corvald::logfile
