#include "logfile/log.hpp"

#include <atomic>
#include <mutex>
#include <system_error>

#include "logfile/file_logger.hpp"
#include "logfile/logger.hpp"
#include "platform/file_system.hpp"

namespace corvald::logfile {
namespace {

// Read on every log call, so kept apart from the logger to make the rejection of disabled
// levels a single atomic load.
std::atomic<Level> g_max_level{Level::off};

// Set once and never cleared or freed: log_record may run on any thread up to the very end
// of the process, after any point at which the logger could safely be destroyed.
std::atomic<FileLogger*> g_logger{nullptr};

// Serialises init_logging and shutdown_logging; never taken by log_record.
std::mutex g_install_mutex;

}  // namespace

bool log_enabled(Level level) {
  return level != Level::off && level <= g_max_level.load(std::memory_order_relaxed);
}

void log_record(Level level, std::string_view message) {
  if (!log_enabled(level)) return;
  FileLogger* logger = g_logger.load(std::memory_order_acquire);
  if (logger != nullptr) logger->submit(level, message);
}

bool init_logging(const LoggerConfig& config) {
  std::lock_guard lock(g_install_mutex);
  if (g_logger.load(std::memory_order_relaxed) != nullptr) return false;
  if (!platform::create_folders(config.folder)) return false;
  auto* logger = new FileLogger(config);
  if (!logger->start()) {
    delete logger;
    return false;
  }
  g_logger.store(logger, std::memory_order_release);
  g_max_level.store(config.level, std::memory_order_relaxed);
  return true;
}

void shutdown_logging() {
  std::lock_guard lock(g_install_mutex);
  FileLogger* logger = g_logger.load(std::memory_order_relaxed);
  if (logger == nullptr) return;
  g_max_level.store(Level::off, std::memory_order_relaxed);
  logger->shutdown();
}

}  // namespace corvald::logfile
