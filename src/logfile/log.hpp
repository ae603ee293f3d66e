// The process-wide log: log_record and the level-checked helpers every subsystem uses.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/format.hpp"

namespace corvald::logfile {

enum class Level : std::uint8_t { off = 0, error = 1, warn = 2, info = 3, debug = 4, trace = 5 };

std::string_view level_name(Level level);

// True when a record of this level would be written; checked before any formatting.
bool log_enabled(Level level);

// Formats the line at once and hands it to the writer thread without waiting. Does nothing
// while no logger is installed or when the level is above the configured one. A record names
// no module: every line says where it comes from by its own prefix ("[worker]", "[silent]",
// two blanks for the pipeline's steps), which is what the file shows.
void log_record(Level level, std::string_view message);

}  // namespace corvald::logfile

namespace corvald {

template <class... Args>
void log_at(logfile::Level level, std::string_view pattern, const Args&... args) {
  if (!logfile::log_enabled(level)) return;
  if constexpr (sizeof...(Args) == 0) {
    logfile::log_record(level, pattern);
  } else {
    logfile::log_record(level, text::format(pattern, args...));
  }
}

template <class... Args>
void log_error(std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::error, pattern, args...);
}
template <class... Args>
void log_warn(std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::warn, pattern, args...);
}
template <class... Args>
void log_info(std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::info, pattern, args...);
}
template <class... Args>
void log_debug(std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::debug, pattern, args...);
}

}  // namespace corvald
