#include "logfile/file_logger.hpp"

#include <gtest/gtest.h>

#include "logfile/test/log_test_support.hpp"

namespace corvald::logfile {
namespace {

using testing::dec8;
using testing::ManualClock;

// POSIX lets the folder be moved away under the open file, which makes opening the next
// "app.log" fail while the current handle still works.
TEST(FileLoggerPosix, KeepsWritingToTheOldFileWhenTheNewOneCannotBeOpened) {
  testing::TempDir dir;
  ManualClock clock(dec8(10, 10));
  std::string complaints;
  LoggerHooks hooks;
  hooks.to_stderr = [&](std::string_view text) { complaints.append(text); };
  FileLogger logger(LoggerConfig{Level::info, "n", dir.path() / "logs", 72, false}, clock.clock(),
                    hooks);
  ASSERT_TRUE(logger.start());
  logger.submit(Level::info, "one");
  logger.wait_until_written();
  std::filesystem::rename(dir.path() / "logs", dir.path() / "moved");
  clock.set(dec8(11, 0));
  logger.submit(Level::info, "two");
  clock.set(dec8(11, 5));
  logger.submit(Level::info, "three");
  logger.shutdown();

  EXPECT_EQ(complaints,
            "[tidelog] Failed to open new log file: No such file or directory (os error 2)\n");
  EXPECT_EQ(testing::read_file(dir.path() / "moved" / "app.log"),
            "[2026-12-08 10:10:00.000] [INFO] n - one\n"
            "[2026-12-08 11:00:00.000] [INFO] n - two\n"
            "[2026-12-08 11:05:00.000] [INFO] n - three\n");
}

}  // namespace
}  // namespace corvald::logfile
