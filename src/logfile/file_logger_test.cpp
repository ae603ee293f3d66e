#include "logfile/file_logger.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "logfile/test/log_test_support.hpp"

namespace corvald::logfile {
namespace {

using testing::dec8;
using testing::ManualClock;
using testing::read_file;
using testing::split_lines;
using testing::write_file;

class FileLoggerTest : public ::testing::Test {
 protected:
  std::unique_ptr<FileLogger> start(ManualClock& clock,
                                    const std::string& name = "corvald-installer",
                                    bool echo = false) {
    LoggerConfig config;
    config.folder = folder;
    config.name = name;
    config.echo_to_stderr = echo;
    LoggerHooks hooks;
    hooks.to_stderr = [this](std::string_view text) { stderr_text.append(text); };
    hooks.on_line_taken = on_line_taken;
    auto logger = std::make_unique<FileLogger>(config, clock.clock(), hooks);
    EXPECT_TRUE(logger->start());
    return logger;
  }

  static void log_and_wait(FileLogger& logger, std::string_view message) {
    logger.submit(Level::info, message);
    logger.wait_until_written();
  }

  std::string file(const std::string& name) const { return read_file(folder / name); }
  bool exists(const std::string& name) const { return std::filesystem::exists(folder / name); }

  testing::TempDir dir;
  std::filesystem::path folder = dir.path();
  std::function<void(std::string_view)> on_line_taken;
  std::string stderr_text;  // read only once the writer has been joined
};

TEST_F(FileLoggerTest, LinesEitherSideOfTheHourLandInTheFileOfTheirHour) {
  ManualClock clock(dec8(10, 59, 59, 999));
  auto logger = start(clock);
  log_and_wait(*logger, "before");
  clock.set(dec8(11, 0));
  logger->submit(Level::info, "after");
  logger->shutdown();

  EXPECT_EQ(file("app.log.2026120810"),
            "[2026-12-08 10:59:59.999] [INFO] corvald-installer - before\n");
  EXPECT_EQ(file("app.log"), "[2026-12-08 11:00:00.000] [INFO] corvald-installer - after\n");
}

TEST_F(FileLoggerTest, ARunStartingInALaterHourAppendsUnderItsOwnHour) {
  write_file(folder / "app.log", "left over from 09\n");
  ManualClock clock(dec8(11, 20));
  auto logger = start(clock, "n");
  log_and_wait(*logger, "first");
  clock.set(dec8(12, 0));
  logger->submit(Level::info, "second");
  logger->shutdown();

  EXPECT_EQ(file("app.log.2026120811"),
            "left over from 09\n[2026-12-08 11:20:00.000] [INFO] n - first\n");
  EXPECT_EQ(file("app.log"), "[2026-12-08 12:00:00.000] [INFO] n - second\n");
}

// Two processes logging into one folder both rotate at the hour. The later one must not
// rename the other's fresh "app.log" over the hour the first one just closed.
TEST_F(FileLoggerTest, ASecondWriterKeepsTheHourTheFirstOneClosed) {
  ManualClock clock_a(dec8(10, 30));
  ManualClock clock_b(dec8(10, 30));
  auto a = start(clock_a, "a");
  auto b = start(clock_b, "b");
  log_and_wait(*a, "a10");
  log_and_wait(*b, "b10");
  clock_a.set(dec8(11, 0));
  log_and_wait(*a, "a11");
  clock_b.set(dec8(11, 0, 1));
  log_and_wait(*b, "b11");
  a->shutdown();
  b->shutdown();

  EXPECT_EQ(file("app.log.2026120810"),
            "[2026-12-08 10:30:00.000] [INFO] a - a10\n[2026-12-08 10:30:00.000] [INFO] b - b10\n");
  EXPECT_EQ(file("app.log"),
            "[2026-12-08 11:00:00.000] [INFO] a - a11\n[2026-12-08 11:00:01.000] [INFO] b - b11\n");
}

TEST_F(FileLoggerTest, RetentionRunsAtStartAfterHalfAnHourAndAtRotation) {
  write_file(folder / "app.log.2026120511", "old\n");
  write_file(folder / "app.log.2026120512", "kept\n");
  ManualClock clock(dec8(12, 0));
  auto logger = start(clock);
  log_and_wait(*logger, "start");
  EXPECT_FALSE(exists("app.log.2026120511"));
  EXPECT_TRUE(exists("app.log.2026120512"));

  // A file that shows up later, as when another process rotated, waits for the next run.
  write_file(folder / "app.log.2026120100", "stray\n");
  clock.set(dec8(12, 30));
  log_and_wait(*logger, "exactly half an hour");
  EXPECT_TRUE(exists("app.log.2026120100"));
  clock.set(dec8(12, 30, 0, 1));
  log_and_wait(*logger, "past half an hour");
  EXPECT_FALSE(exists("app.log.2026120100"));

  clock.set(dec8(13, 0));
  log_and_wait(*logger, "new hour");
  EXPECT_FALSE(exists("app.log.2026120512"));
  EXPECT_TRUE(exists("app.log.2026120812"));
}

TEST_F(FileLoggerTest, RecordsAboveTheLevelAreNeitherWrittenNorEchoed) {
  ManualClock clock(dec8(4, 6, 20, 123));
  auto logger = start(clock, "n", /*echo=*/true);
  for (Level level :
       {Level::debug, Level::trace, Level::off, Level::error, Level::warn, Level::info}) {
    logger->submit(level, "text");
  }
  logger->shutdown();

  const std::string expected =
      "[2026-12-08 04:06:20.123] [ERROR] n - text\n"
      "[2026-12-08 04:06:20.123] [WARN] n - text\n"
      "[2026-12-08 04:06:20.123] [INFO] n - text\n";
  EXPECT_EQ(file("app.log"), expected);
  EXPECT_EQ(stderr_text, expected);
}

// Holds the writer on the first line it takes until the test lets it go.
class WriterGate {
 public:
  void hold() {
    std::unique_lock lock(mutex_);
    held_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
  }
  void wait_until_held() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
};

TEST_F(FileLoggerTest, BurstAgainstAStalledWriterKeepsTheOldestLines) {
  WriterGate gate;
  on_line_taken = [&](std::string_view) { gate.hold(); };
  ManualClock clock(dec8(9, 0));
  auto logger = start(clock, "n");
  logger->submit(Level::info, "line 0");
  gate.wait_until_held();
  // With the writer stuck these calls must all return; a blocking queue would hang here.
  const int burst = static_cast<int>(LineQueue::kDefaultCapacity) + 100;
  for (int i = 1; i <= burst; ++i) logger->submit(Level::info, "line " + std::to_string(i));
  gate.release();
  logger->shutdown();

  const auto lines = split_lines(file("app.log"));
  ASSERT_EQ(lines.size(), LineQueue::kDefaultCapacity + 1);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i], "[2026-12-08 09:00:00.000] [INFO] n - line " + std::to_string(i));
  }
}

TEST_F(FileLoggerTest, UnopenableFileIsReportedOnceAndLinesAreDropped) {
  write_file(dir.path() / "blocker", "a file where the folder should be\n");
  folder = dir.path() / "blocker" / "logs";
  ManualClock clock(dec8(9, 0));
  auto logger = start(clock);
  log_and_wait(*logger, "lost");
  logger->submit(Level::info, "also lost");
  logger->shutdown();

  const std::string prefix = "[tidelog] Cannot open log file: ";
  ASSERT_GT(stderr_text.size(), prefix.size());
  EXPECT_EQ(stderr_text.substr(0, prefix.size()), prefix);
  EXPECT_EQ(split_lines(stderr_text).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace corvald::logfile
