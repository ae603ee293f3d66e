#include "wer_setup/fail_fast.hpp"

#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "logfile/logger.hpp"
#include "logfile/test/log_test_support.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;

// Wine writes no crash dumps, so the test can only check how the process ends; on Windows the
// fail-fast status is what Windows Error Reporting collects, and abort's code 3 is not.
constexpr int kFailFast = static_cast<int>(0xC0000602u);
constexpr int kAbort = 3;

// Fixed, so the child process a death test starts finds the same folder as its parent.
fs::path log_folder() { return fs::temp_directory_path() / "corvald-fail-fast-test"; }

// Runs in the child: a worker thread lets an exception escape, as a bug in the stub's worker
// would. `handler` is the stub's, or nothing for the C++ library's own.
[[noreturn]] void escape_from_a_thread(std::terminate_handler handler) {
  logfile::LoggerConfig config;
  config.folder = log_folder();
  if (!logfile::init_logging(config)) std::_Exit(90);
  if (handler != nullptr) std::set_terminate(handler);
  std::thread([] { throw std::runtime_error("worker state lost"); }).join();
  std::_Exit(91);
}

TEST(FailFastDeathTest, AnEscapedExceptionIsLoggedThenEndsInAFailFastNotInAbort) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::error_code ignored;
  fs::remove_all(log_folder(), ignored);

  // The fault the handler is there for: left to the library, the run ends in abort.
  EXPECT_EXIT(escape_from_a_thread(nullptr), ::testing::ExitedWithCode(kAbort), "");

  fs::remove_all(log_folder(), ignored);
  EXPECT_EXIT(escape_from_a_thread(&end_with_fail_fast), ::testing::ExitedWithCode(kFailFast), "");
  const std::string log = logfile::testing::read_file(log_folder() / "app.log");
  EXPECT_NE(log.find("[ERROR] corvald-installer - [main] uncaught C++ exception: worker state "
                     "lost; ending with a fail-fast exception\n"),
            std::string::npos)
      << log;
  fs::remove_all(log_folder(), ignored);
}

}  // namespace
}  // namespace corvald
