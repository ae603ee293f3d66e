#include "logfile/file_logger.hpp"

#include <system_error>
#include <utility>

#include "logfile/line_format.hpp"
#include "logfile/thread_name.hpp"

namespace corvald::logfile {

FileLogger::FileLogger(LoggerConfig config, LogClock clock, LoggerHooks hooks)
    : config_(std::move(config)),
      clock_(std::move(clock)),
      hooks_(std::move(hooks)),
      writer_(config_, clock_, hooks_, queue_) {}

FileLogger::~FileLogger() { shutdown(); }

bool FileLogger::start() {
  std::lock_guard lock(lifecycle_mutex_);
  if (started_) return false;
  started_ = true;
  try {
    thread_ = std::thread([this] {
      set_current_thread_name("tidelog/" + config_.name);
      writer_.run();
    });
  } catch (const std::system_error&) {
    queue_.close_and_discard();
    return false;
  }
  return true;
}

bool FileLogger::enabled(Level level) const {
  return level != Level::off && level <= config_.level;
}

void FileLogger::submit(Level level, std::string_view message) {
  if (!enabled(level)) return;
  std::string line = format_line(clock_.local_now(), level, config_.name, message);
  if (config_.echo_to_stderr) hooks_.write_stderr(line);
  (void)queue_.try_push(std::move(line));
}

void FileLogger::wait_until_written() { queue_.wait_until_idle(); }

void FileLogger::shutdown() {
  std::lock_guard lock(lifecycle_mutex_);
  if (!thread_.joinable()) {
    queue_.close_and_discard();
    return;
  }
  queue_.close();
  thread_.join();
}

}  // namespace corvald::logfile
