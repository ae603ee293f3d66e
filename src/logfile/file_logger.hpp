// The process's log sink: formats records on the calling thread and hands the lines to a
// writer thread that appends them to the hourly log files.
#pragma once

#include <mutex>
#include <string_view>
#include <thread>

#include "logfile/line_queue.hpp"
#include "logfile/log.hpp"
#include "logfile/log_clock.hpp"
#include "logfile/log_writer.hpp"
#include "logfile/logger_config.hpp"

namespace corvald::logfile {

class FileLogger {
 public:
  explicit FileLogger(LoggerConfig config, LogClock clock = system_log_clock(),
                      LoggerHooks hooks = {});
  FileLogger(const FileLogger&) = delete;
  FileLogger& operator=(const FileLogger&) = delete;
  // Writes what is still queued before returning.
  ~FileLogger();

  // Starts the writer thread. False when it cannot be started (or already was); lines are
  // then dropped and the caller carries on without a log file.
  bool start();

  bool enabled(Level level) const;

  // Formats the record and offers the line to the writer without waiting; a line that finds
  // the queue full or the writer ended is dropped.
  void submit(Level level, std::string_view message);

  // Returns once every line accepted so far is in the file or has been dropped because the
  // writer ended. Only meaningful after start().
  void wait_until_written();

  // Refuses further lines, lets the writer write those already queued and joins it.
  void shutdown();

 private:
  const LoggerConfig config_;
  const LogClock clock_;
  const LoggerHooks hooks_;
  LineQueue queue_;
  LogWriter writer_;

  // Serialises start and shutdown; never held while a record is submitted.
  std::mutex lifecycle_mutex_;
  std::thread thread_;
  bool started_ = false;
};

}  // namespace corvald::logfile
