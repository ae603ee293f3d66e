#include "logfile/logger.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

#include "logfile/log.hpp"
#include "logfile/test/log_test_support.hpp"

namespace corvald::logfile {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "%s%s\n", what, detail.c_str());
  std::fflush(stderr);
  std::_Exit(1);
}

// Runs in a child process: the logger is installed once per process and never removed.
[[noreturn]] void global_logger_scenario() {
  TempDir dir;
  if (log_enabled(Level::error)) fail("enabled before init");

  write_file(dir.path() / "blocker", "x");
  LoggerConfig config;
  config.name = "corvald-test";
  config.folder = dir.path() / "blocker" / "logs";
  if (init_logging(config)) fail("installed without a folder");
  if (log_enabled(Level::error)) fail("enabled after failed init");

  config.folder = dir.path() / "a" / "logs";
  if (!init_logging(config)) fail("init failed");
  if (init_logging(config)) fail("installed twice");
  if (!log_enabled(Level::info) || log_enabled(Level::debug)) fail("wrong maximum level");

  log_info("=== new run: version={} pid={} ===", "1.2.3", 42);
  log_debug("debug {}", 1);
  log_record(Level::off, "off");
  shutdown_logging();
  if (log_enabled(Level::error)) fail("enabled after shutdown");
  log_error("after shutdown");

  const std::string content = read_file(std::filesystem::path(config.folder / "app.log"));
  const std::regex expected(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[INFO\] corvald-test - )"
                            R"(=== new run: version=1\.2\.3 pid=42 ===\n)");
  if (!std::regex_match(content, expected)) fail("unexpected file content: ", content);
  std::error_code ignored;
  std::filesystem::remove_all(dir.path(), ignored);
  std::_Exit(0);
}

TEST(LogInitDeathTest, InstallsTheProcessWideLoggerOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(global_logger_scenario(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace corvald::logfile
