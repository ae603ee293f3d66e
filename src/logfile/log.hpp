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
// while no logger is installed or when the level is above the configured one.
void log_record(Level level, std::string_view target, std::string_view message);

}  // namespace corvald::logfile

namespace corvald {

// Module targets of log records.
namespace log_target {
inline constexpr std::string_view app = "app_installer";
inline constexpr std::string_view cache = "app_installer::cache";
inline constexpr std::string_view telemetry = "app_installer::telemetry";
inline constexpr std::string_view feedback = "app_installer::feedback";
inline constexpr std::string_view feedback_dialog = "app_installer::feedback_dialog";
inline constexpr std::string_view logfile = "app_installer::logfile";
inline constexpr std::string_view wer_setup = "app_installer::wer_setup";
}  // namespace log_target

template <class... Args>
void log_at(logfile::Level level, std::string_view target, std::string_view pattern,
            const Args&... args) {
  if (!logfile::log_enabled(level)) return;
  if constexpr (sizeof...(Args) == 0) {
    logfile::log_record(level, target, pattern);
  } else {
    logfile::log_record(level, target, text::format(pattern, args...));
  }
}

template <class... Args>
void log_error(std::string_view target, std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::error, target, pattern, args...);
}
template <class... Args>
void log_warn(std::string_view target, std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::warn, target, pattern, args...);
}
template <class... Args>
void log_info(std::string_view target, std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::info, target, pattern, args...);
}
template <class... Args>
void log_debug(std::string_view target, std::string_view pattern, const Args&... args) {
  log_at(logfile::Level::debug, target, pattern, args...);
}

}  // namespace corvald
