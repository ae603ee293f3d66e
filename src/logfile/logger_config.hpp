// What the logger is told at start-up, and the seams tests use to observe or stall it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "logfile/log.hpp"
#include "text/path.hpp"

namespace corvald::logfile {

struct LoggerConfig {
  Level level = Level::info;
  std::string name = "corvald-installer";
  Path folder;
  std::uint32_t retention_hours = 72;
  bool echo_to_stderr = false;
};

struct LoggerHooks {
  // Receives echoed lines and the writer's own complaints; the standard error stream when
  // empty.
  std::function<void(std::string_view)> to_stderr;
  // Called on the writer thread with each line it takes, before the line is written.
  std::function<void(std::string_view)> on_line_taken;

  void write_stderr(std::string_view text) const;
};

}  // namespace corvald::logfile
